#pragma once
// EUC-JP as glibc's iconv "EUC-JP" has it: which byte sequences are characters. A single byte is
// ASCII (00-7F) or a C1 control (80-8D, 90-9F); 8E and A1-DF is a half-width katakana; two bytes
// A1-FE A1-FE are a JIS X 0208 character, and 8F followed by two such bytes a JIS X 0212 one.
// Every byte of a multi-byte character is 0x8E or above, so a line break, a digit, a blank, ':'
// or '+'/'-' is always a character of its own. The assigned JIS X 0208 and 0212 codes are the
// ones glibc converts (EucJpTable.inc, written by scripts/gen-eucjp-table.py); A0, FF and the
// rest of A1-FE as single bytes are no character.

#include <cstddef>
#include <string_view>

// EucJpCharLength() — the length of the character Lead starts in valid text: 3 after 8F, 2 after
// 8E and A1-FE, else 1. EucJpCharLength(0xA4) == 2
[[nodiscard]] constexpr size_t EucJpCharLength(unsigned char Lead) {
  return Lead == 0x8F ? 3 : Lead == 0x8E || (Lead >= 0xA1 && Lead <= 0xFE) ? 2 : 1;
}

// ValidateEucJp() — true when Text is a whole sequence of EUC-JP characters; otherwise false
// with Bad set to the offset of the first byte that starts no character: an unassigned single
// byte, or the first byte of an unassigned or cut sequence. Bad is Text.size() when Text is valid.
// Without Controls the C1 controls count as bad bytes too.
// ValidateEucJp("a\xA4\xA2", Bad) == true; ValidateEucJp("a\x8F\xB0", Bad) == false, Bad == 1
[[nodiscard]] bool ValidateEucJp(std::string_view Text, size_t& Bad, bool Controls = true);
