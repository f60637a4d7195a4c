#pragma once
// How corvane nl sees text in the user's locale: what counts as one character for -d (values
// and file names in messages are quoted by cli/io/Quote.h).

#include <cstddef>
#include <string>
#include <string_view>

#include "library/UtfUnit/UtfRules.h"  // DecodeUtf8()

// SetUpNlLocale() — takes the locale from the environment, as nl does: the character type
// and classes for the regular expressions, the language of messages. No-op on Windows.
void SetUpNlLocale();

// NlUtf8() — whether the locale's text is UTF-8 (always on Windows, where arguments arrive
// as UTF-8).
[[nodiscard]] bool NlUtf8();

// NlMessage() — one of nl's messages (its English text) in the user's language, from the
// system's catalog of GNU coreutils, as nl gives it. NlMessage("write error") == "書き込みエラー"
// in a Japanese locale with the catalog installed.
[[nodiscard]] std::string NlMessage(const char* Text);
// NlMessage() — the same for a message with one "%s" in it, where Argument goes.
[[nodiscard]] std::string NlMessage(const std::string& Format, std::string_view Argument);
// NlSystemText() — a text of the C library's (a strerror() text) in the user's language.
[[nodiscard]] std::string NlSystemText(const char* Text);

// IsOneCharacter() — whether Text is exactly one character: one byte, or one multi-byte
// character of a UTF-8 locale. IsOneCharacter("§") is true in a UTF-8 locale.
[[nodiscard]] bool IsOneCharacter(std::string_view Text);
