// UTF-16 in either byte order: vectors look for surrogates 64 units a step and a scalar pass
// names the bad unit; vectors swap bytes and a scalar loop the short rest.
#include "library/UtfUnit/Utf16Validate.h"

#include <cstdint>

#include "library/SimdUnit/Vector.h"

namespace {

// Unit I at Begin, whose bytes are swapped when Swapped.
inline uint16_t UnitAt(const unsigned char* Begin, size_t I, bool Swapped) {
  const unsigned char* P = Begin + 2 * I;
  const bool BigEndian = (std::endian::native == std::endian::big) != Swapped;
  return static_cast<uint16_t>(BigEndian ? P[0] << 8 | P[1] : P[1] << 8 | P[0]);
}

// U as the vector registers hold it: its bytes swapped when Swapped.
inline uint16_t InOrder(uint16_t U, bool Swapped) {
  return Swapped ? static_cast<uint16_t>(U << 8 | U >> 8) : U;
}

inline bool IsHigh(uint16_t U) {
  return (U & 0xFC00) == 0xD800;
}

// Index of the first unpaired surrogate at or after From, which is no low surrogate's partner;
// Units when none.
size_t ScanScalar(const unsigned char* Begin, size_t Units, size_t From, bool Swapped) {
  for (size_t I = From; I < Units; ++I) {
    const uint16_t U = UnitAt(Begin, I, Swapped);
    if ((U & 0xF800) != 0xD800) continue;
    if (!IsHigh(U) || I + 1 == Units || (UnitAt(Begin, I + 1, Swapped) & 0xFC00) != 0xDC00) {
      return I;
    }
    ++I;
  }
  return Units;
}

size_t FirstUnpairedScalar(const unsigned char* Begin, size_t Units, bool Swapped) {
  return ScanScalar(Begin, Units, 0, Swapped);
}

size_t SwapNone(char16_t*, size_t) {
  return 0;
}

void SwapRest(char16_t* Units, size_t From, size_t Count) {
  for (size_t I = From; I < Count; ++I) {
    Units[I] = static_cast<char16_t>(Units[I] << 8 | Units[I] >> 8);
  }
}

}  // namespace

#if CORVANE_SIMD_X86
// clang-format off
CORVANE_SIMD_BEGIN(sse2, "sse2")
#include "library/UtfUnit/Utf16Blocks.inc"
CORVANE_SIMD_END
CORVANE_SIMD_BEGIN(avx2, "avx2,popcnt")
#include "library/UtfUnit/Utf16Blocks.inc"
CORVANE_SIMD_END
// clang-format on
#endif

namespace {

// The vector pass stops at a step with a fault, or where less than a step is left; the scalar
// pass goes on from there, or from the high surrogate just before, which waits for its partner.
template <size_t (*PairedBlocks)(const unsigned char* Begin, size_t Units, bool Swapped)>
size_t FirstUnpairedVector(const unsigned char* Begin, size_t Units, bool Swapped) {
  const size_t Stop = PairedBlocks(Begin, Units, Swapped);
  const bool Waits = Stop > 0 && IsHigh(UnitAt(Begin, Stop - 1, Swapped));
  return ScanScalar(Begin, Units, Stop - Waits, Swapped);
}

using TFirstUnpaired = size_t (*)(const unsigned char* Begin, size_t Units, bool Swapped);

// By TSimdLevel; SSSE3 adds nothing this needs.
constexpr TFirstUnpaired Implementations[] = {
    FirstUnpairedScalar,
#if CORVANE_SIMD_X86
    FirstUnpairedVector<simd_sse2::Utf16PairedBlocks>,
    nullptr,
    FirstUnpairedVector<simd_avx2::Utf16PairedBlocks>,
#endif
};

using TSwapVectors = size_t (*)(char16_t* P, size_t Units);

constexpr TSwapVectors Swaps[] = {
    SwapNone,
#if CORVANE_SIMD_X86
    simd_sse2::Utf16SwapVectors,
    nullptr,
    simd_avx2::Utf16SwapVectors,
#endif
};

size_t Run(TFirstUnpaired F, std::string_view Bytes, std::endian Order) {
  const auto* Begin = reinterpret_cast<const unsigned char*>(Bytes.data());
  return F(Begin, Bytes.size() / 2, Order != std::endian::native);
}

}  // namespace

bool Utf16ValidatorAvailable(TSimdLevel Level) {
  return SimdPick(Implementations, Level) != nullptr;
}

size_t FirstUnpairedSurrogateWith(TSimdLevel Level, std::string_view Bytes, std::endian Order) {
  const TFirstUnpaired Pick = SimdPick(Implementations, Level);
  return Run(Pick != nullptr ? Pick : FirstUnpairedScalar, Bytes, Order);
}

size_t FirstUnpairedSurrogate(std::string_view Bytes, std::endian Order) {
  static const TFirstUnpaired Best = SimdBest(Implementations);
  return Run(Best, Bytes, Order);
}

void SwapUtf16BytesWith(TSimdLevel Level, char16_t* Units, size_t Count) {
  const TSwapVectors Pick = SimdPick(Swaps, Level);
  SwapRest(Units, Pick != nullptr ? Pick(Units, Count) : 0, Count);
}

void SwapUtf16Bytes(char16_t* Units, size_t Count) {
  static const TSwapVectors Best = SimdBest(Swaps);
  SwapRest(Units, Best(Units, Count), Count);
}
