#pragma once
// How corvane nl sees text in the user's locale: arguments and file names quoted in messages
// as GNU programs quote them, and what counts as one character for -d.

#include <cstddef>
#include <string>
#include <string_view>

// SetUpNlLocale() — takes the character type and collation from the environment, as nl does
// (the regular expressions depend on them). Messages stay untranslated. No-op on Windows.
void SetUpNlLocale();

// NlUtf8() — whether the locale's text is UTF-8 (always on Windows, where arguments arrive
// as UTF-8).
[[nodiscard]] bool NlUtf8();

// QuoteArgument() — an option value in a message: ‘x’ in a UTF-8 locale, 'x' otherwise and on
// Windows, with backslash escapes for what would not print. QuoteArgument("a\tb") == "‘a\\tb’"
[[nodiscard]] std::string QuoteArgument(std::string_view Text);

// QuoteFileName() — a file name in a message: as it is when a shell would read it back
// unchanged, else quoted for a shell. QuoteFileName("a b") == "'a b'", QuoteFileName("x") == "x"
[[nodiscard]] std::string QuoteFileName(std::string_view Name);

// IsOneCharacter() — whether Text is exactly one character: one byte, or one multi-byte
// character of a UTF-8 locale. IsOneCharacter("§") is true in a UTF-8 locale.
[[nodiscard]] bool IsOneCharacter(std::string_view Text);

// DecodeUtf8() — the character at Text[Pos] into Code and its length in bytes, or 0 when the
// bytes there are not valid UTF-8 (overlong forms, surrogates and values past U+10FFFF
// included). DecodeUtf8("\xC2\xA7", 0, Code) == 2 with Code == 0xA7
[[nodiscard]] size_t DecodeUtf8(std::string_view Text, size_t Pos, char32_t& Code);
