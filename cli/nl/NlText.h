#pragma once
// How corvane nl sees text in the user's locale: what counts as one character for -d (values
// and file names in messages are quoted by cli/io/Quote.h).

#include <cstddef>
#include <string>
#include <string_view>

#include "library/UtfUnit/UtfRules.h"  // DecodeUtf8()

// SetUpNlLocale() — takes the character type and collation from the environment, as nl does
// (the regular expressions depend on them). Messages stay untranslated. No-op on Windows.
void SetUpNlLocale();

// NlUtf8() — whether the locale's text is UTF-8 (always on Windows, where arguments arrive
// as UTF-8).
[[nodiscard]] bool NlUtf8();

// IsOneCharacter() — whether Text is exactly one character: one byte, or one multi-byte
// character of a UTF-8 locale. IsOneCharacter("§") is true in a UTF-8 locale.
[[nodiscard]] bool IsOneCharacter(std::string_view Text);
