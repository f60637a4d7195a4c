#pragma once
// UTF-16 in either byte order at memory speed, vector code chosen once for the CPU: validation
// looks for surrogates (D800-DFFF) a block at a time and checks pairs only where there are
// some; the byte swap turns one order into the other.

#include <bit>
#include <cstddef>
#include <string_view>

#include "library/SimdUnit/SimdUnit.h"

// FirstUnpairedSurrogate() — the index of the first code unit of Bytes, UTF-16 in byte order
// Order, that is a surrogate without its partner: a high one (D800-DBFF) not followed by a low
// one (DC00-DFFF), or a low one not right after a high one. The number of whole units when
// there is none; an odd last byte is not looked at.
//   FirstUnpairedSurrogate("a\0\0\xDC"sv, std::endian::little) == 1 (units: a, DC00)
[[nodiscard]] size_t FirstUnpairedSurrogate(std::string_view Bytes, std::endian Order);

// (UtfRules.h's FirstUnpairedSurrogate(P, N) is this for units in this machine's byte order.)

// Utf16ValidatorAvailable() — true when this build and this CPU have the implementation of Level
// (scalar, SSE2 or AVX2).
[[nodiscard]] bool Utf16ValidatorAvailable(TSimdLevel Level);

// FirstUnpairedSurrogateWith() — FirstUnpairedSurrogate() by the implementation of Level, so
// tests and benchmarks can run each one; a Level that is not available runs the scalar one.
[[nodiscard]] size_t FirstUnpairedSurrogateWith(TSimdLevel Level, std::string_view Bytes,
                                                std::endian Order);

// SwapUtf16Bytes() — swaps the two bytes of each of the Count units at Units, which turns
// UTF-16 in one byte order into the other.
void SwapUtf16Bytes(char16_t* Units, size_t Count);

// SwapUtf16BytesWith() — SwapUtf16Bytes() by the implementation of Level, for tests.
void SwapUtf16BytesWith(TSimdLevel Level, char16_t* Units, size_t Count);
