#pragma once
// The scalar rules of UTF-8 and UTF-16 that callers apply one character at a time: the length
// a lead byte announces, one character decoded, surrogates and the first unpaired one.

#include <cstddef>
#include <string_view>

// IsHighSurrogate(), IsLowSurrogate() — the halves of a UTF-16 pair.
[[nodiscard]] constexpr bool IsHighSurrogate(char16_t C) {
  return C >= 0xD800 && C <= 0xDBFF;
}
[[nodiscard]] constexpr bool IsLowSurrogate(char16_t C) {
  return C >= 0xDC00 && C <= 0xDFFF;
}

// Utf8SequenceLength() — the length of the sequence Lead starts in valid UTF-8; 1 for a byte that
// starts none (a continuation byte, C0-C1 and F5-FF lead nothing longer).
// Utf8SequenceLength(0xE8) == 3
[[nodiscard]] constexpr size_t Utf8SequenceLength(unsigned char Lead) {
  return Lead >= 0xC2 && Lead <= 0xDF   ? 2
         : Lead >= 0xE0 && Lead <= 0xEF ? 3
         : Lead >= 0xF0 && Lead <= 0xF4 ? 4
                                        : 1;
}

// DecodeUtf8() — the character at Text[Pos] into Code and its length in bytes, or 0 when the
// bytes there are not valid UTF-8 (overlong forms, surrogates and values past U+10FFFF
// included). DecodeUtf8("\xC2\xA7", 0, Code) == 2 with Code == 0xA7
[[nodiscard]] size_t DecodeUtf8(std::string_view Text, size_t Pos, char32_t& Code);

// FirstUnpairedSurrogate() — the index of the first surrogate of P[0..N) that is not half of a
// high-low pair, or N. FirstUnpairedSurrogate(u"a\xDC00", 2) == 1
[[nodiscard]] size_t FirstUnpairedSurrogate(const char16_t* P, size_t N);
