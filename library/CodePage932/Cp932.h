#pragma once
// Code page 932 (Windows' Shift_JIS): which byte sequences are characters. A single byte is
// ASCII (00-7F) or a half-width katakana (A1-DF); a double-byte character is a lead byte
// (81-9F, E0-FC) and a trail byte (40-7E, 80-FC) that together name an assigned code: JIS X
// 0208, the NEC special characters (row 13), the NEC-selected IBM extensions (ED-EE), the user-
// defined area (F0-F9) and the IBM extensions (FA-FC). No trail byte is below 0x40, so a line
// break, a digit, a blank, ':' or '+'/'-' is always a character of its own.
// The assigned pairs are the 9604 that glibc's iconv "CP932" converts (Cp932Table.inc, written by
// scripts/gen-cp932-table.py); the bytes 80, A0 and FD-FF are no character.

#include <cstddef>
#include <string_view>

#include "library/SimdUnit/SimdUnit.h"

// IsCp932Lead() — whether Byte starts a double-byte character.
[[nodiscard]] constexpr bool IsCp932Lead(unsigned char Byte) {
  return (Byte >= 0x81 && Byte <= 0x9F) || (Byte >= 0xE0 && Byte <= 0xFC);
}

// IsCp932Pair() — whether Lead and Trail form an assigned double-byte character.
[[nodiscard]] bool IsCp932Pair(unsigned char Lead, unsigned char Trail);

// ValidateCp932() — true when Text is a whole sequence of code page 932 characters; otherwise
// false with Bad set to the offset of the first byte that starts no character: an unassigned
// single byte, or the lead byte of an unassigned pair or of a pair cut by the end of Text.
// Bad is Text.size() when Text is valid.
// ValidateCp932("a\x82\xA0", Bad) == true; ValidateCp932("a\x82", Bad) == false, Bad == 1
[[nodiscard]] bool ValidateCp932(std::string_view Text, size_t& Bad);

// Cp932ValidatorAvailable() — true when this build and this CPU have the implementation of Level
// (scalar, SSE2 or AVX2).
[[nodiscard]] bool Cp932ValidatorAvailable(TSimdLevel Level);

// ValidateCp932With() — ValidateCp932() by the implementation of Level, so tests and benchmarks
// can run each one; a Level that is not available runs the scalar one.
[[nodiscard]] bool ValidateCp932With(TSimdLevel Level, std::string_view Text, size_t& Bad);
