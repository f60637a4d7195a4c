#pragma once
// UTF-8 validation at memory speed: lookup tables over 16 or 32 bytes a step (SSSE3, AVX2),
// chosen once for the running CPU, with a scalar pass that names the first bad byte.

#include <cstddef>
#include <cstdint>
#include <string_view>

// ValidateUtf8() — true when Bytes is well-formed UTF-8 (shortest forms only, no surrogates
// U+D800..DFFF, nothing above U+10FFFF, no cut sequence at the end); otherwise false with
// BadOffset = byte offset of the first byte that does not start (or continue) a valid sequence,
// exactly where a scalar left-to-right decoder stops. BadOffset is Bytes.size() when valid.
// ValidateUtf8("a\xE3\x81", n) == false, n == 1
[[nodiscard]] bool ValidateUtf8(std::string_view Bytes, size_t& BadOffset);

// The implementations behind ValidateUtf8(), so tests and benchmarks can run each one.
enum TUtf8Validator : uint8_t {
  uvScalar,  // byte by byte, eight ASCII bytes a step; every CPU
  uvSsse3,   // 16 bytes a step
  uvAvx2,    // 32 bytes a step
};

// Utf8ValidatorAvailable() — true when this build and this CPU can run Kind.
[[nodiscard]] bool Utf8ValidatorAvailable(TUtf8Validator Kind);

// ValidateUtf8With() — ValidateUtf8() by the given implementation; a Kind that is not
// available runs the scalar one.
[[nodiscard]] bool ValidateUtf8With(TUtf8Validator Kind, std::string_view Bytes, size_t& BadOffset);
