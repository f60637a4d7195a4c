#pragma once
// The line-number engine: pure text operations that write, remove and tidy line numbers.
// A numbered line is a right-aligned number field, LineNumberSeparator, then the line's
// previous text with its own line break. Texts are split into lines at CR LF, CR or LF;
// every line keeps its break, and an empty text gives an empty result.

#include <cstdint>
#include <string>
#include <string_view>

// Between a line's number and its text; also what the removal operations look for.
inline constexpr std::u16string_view LineNumberSeparator = u":";

enum TLineNumberOption : uint8_t {
  lnoReverse = 1,   // the last line gets the first value
  lnoPlusSign = 2,  // positive values carry "+"
};
using TLineNumberOptions = uint8_t;

// AddLineNumbers() — every line prefixed with Start + Step*k, blank-aligned to the widest
// number of the run, then ":". PrefixWidth receives the prefix length (field + separator);
// it is left as it was for an empty Text. Values are computed in 64 bits and never wrap.
//   AddLineNumbers(u"a\r\nb", 9, 1, 0, W) == u" 9:a\r\n10:b", W == 3
[[nodiscard]] std::u16string AddLineNumbers(std::u16string_view Text, int32_t Start, int32_t Step,
                                            TLineNumberOptions Options, int32_t& PrefixWidth);

// AddPaddedLineNumbers() — like AddLineNumbers(), but the digits are zero-filled to at least
// Digits columns, with a sign column in front when lnoPlusSign is set or any value of the run
// is negative. Digits below 1 fail an assertion (EAssertionFailed) unless Text is empty.
//   AddPaddedLineNumbers(u"a\nb\nc", 1, 2, -1, 0, W) == u" 01:a\n 00:b\n-01:c", W == 4
[[nodiscard]] std::u16string AddPaddedLineNumbers(std::u16string_view Text, int32_t Start,
                                                  int32_t Digits, int32_t Step,
                                                  TLineNumberOptions Options, int32_t& PrefixWidth);

// IsLineNumberHead() — true when Head is non-empty and holds only ASCII digits, blanks and
// tabs. IsLineNumberHead(u" 12") == true; u"-3", u"１２" and u"" are not heads.
[[nodiscard]] bool IsLineNumberHead(std::u16string_view Head);

// DeleteLineNumbers() — every line whose text before its first ":" is a number head loses
// that head and the ":". Other lines stay byte for byte. u"12:a:b" -> u"a:b"
[[nodiscard]] std::u16string DeleteLineNumbers(std::u16string_view Text);

// DeleteNumberOnlyLines() — drops, with their breaks, the numbered lines whose text after the
// ":" is empty or only characters U+0000..U+0020. u"1:a\r\n2: \r\n" -> u"1:a\r\n"
[[nodiscard]] std::u16string DeleteNumberOnlyLines(std::u16string_view Text);

// DeleteIndentAfterNumber() — removes the blanks and tabs that every numbered line with text
// has after its ":" (a tab counts as one). Each line keeps its own break; Text comes back
// unchanged when some numbered line has no indentation or none has text.
//   u"1:  a\n2:   b\n" -> u"1:a\n2: b\n"
[[nodiscard]] std::u16string DeleteIndentAfterNumber(std::u16string_view Text);
