#pragma once
// UTF-8 validation at memory speed: lookup tables over 16 or 32 bytes at once (SSSE3, AVX2),
// chosen once for the running CPU, with a scalar pass that names the first bad byte.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "library/SimdUnit/SimdUnit.h"

// ValidateUtf8() — true when Bytes is well-formed UTF-8 (shortest forms only, no surrogates
// U+D800..DFFF, nothing above U+10FFFF, no cut sequence at the end); otherwise false with
// BadOffset = byte offset of the first byte that does not start (or continue) a valid sequence,
// exactly where a scalar left-to-right decoder stops. BadOffset is Bytes.size() when valid.
// ValidateUtf8("a\xE3\x81", n) == false, n == 1
[[nodiscard]] bool ValidateUtf8(std::string_view Bytes, size_t& BadOffset);

// Utf8ValidatorAvailable() — true when this build and this CPU have the implementation of Level
// (scalar, SSSE3 or AVX2; the lookup needs SSSE3's byte shuffle).
[[nodiscard]] bool Utf8ValidatorAvailable(TSimdLevel Level);

// ValidateUtf8With() — ValidateUtf8() by the implementation of Level, so tests and benchmarks
// can run each one; a Level that is not available runs the scalar one.
[[nodiscard]] bool ValidateUtf8With(TSimdLevel Level, std::string_view Bytes, size_t& BadOffset);

// AsciiPrefix() — how many bytes Bytes begins with that are below 0x80: ASCII, the same in
// every encoding a byte text may be in. 64 bytes a step in vector code chosen for the CPU.
[[nodiscard]] size_t AsciiPrefix(std::string_view Bytes);
// AsciiPrefixWith() — AsciiPrefix() by the implementation of Level (scalar, SSE2 or AVX2), for
// tests; a Level that is not available runs the scalar one.
[[nodiscard]] size_t AsciiPrefixWith(TSimdLevel Level, std::string_view Bytes);
