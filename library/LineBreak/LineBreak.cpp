// The line splitter's break masks: vector code chosen once for the CPU, the scalar loop beside it.
#include "library/LineBreak/LineBreak.h"

#include "library/SimdUnit/Vector.h"

namespace {

template <LineUnit TChar>
void BreakMasksScalar(const TChar* P, size_t Blocks, uint64_t* CR, uint64_t* LF) {
  for (size_t B = 0; B < Blocks; ++B, P += 64) {
    CR[B] = LF[B] = 0;
    for (size_t I = 0; I < 64; ++I) {
      CR[B] |= static_cast<uint64_t>(P[I] == TChar('\r')) << I;
      LF[B] |= static_cast<uint64_t>(P[I] == TChar('\n')) << I;
    }
  }
}

template <LineUnit TChar>
uint64_t CountLineEndsScalar(const TChar* P, size_t Blocks, uint64_t& CarriedCR) {
  uint64_t Count = 0;
  for (size_t B = 0; B < Blocks; ++B, P += 64) {
    for (size_t I = 0; I < 64; ++I) {
      Count +=
          P[I] == TChar('\r') ? (I + 1 < 64 ? P[I + 1] != TChar('\n') : 1) : P[I] == TChar('\n');
    }
    // A CR at the end of one block and an LF at the start of the next end one line.
    Count -= CarriedCR & (P[0] == TChar('\n'));
    CarriedCR = P[63] == TChar('\r');
  }
  return Count;
}

}  // namespace

#if CORVANE_SIMD_X86
// clang-format off
CORVANE_SIMD_BEGIN(sse2, "sse2")
#include "library/LineBreak/BreakMasks.inc"
CORVANE_SIMD_END
CORVANE_SIMD_BEGIN(avx2, "avx2,popcnt")
#include "library/LineBreak/BreakMasks.inc"
CORVANE_SIMD_END
// clang-format on
#endif

namespace {

template <LineUnit TChar>
using TBreakMasks = void (*)(const TChar* P, size_t Blocks, uint64_t* CR, uint64_t* LF);

// By TSimdLevel; SSSE3 adds nothing this needs.
template <LineUnit TChar>
constexpr TBreakMasks<TChar> Implementations[] = {
    BreakMasksScalar<TChar>,
#if CORVANE_SIMD_X86
    simd_sse2::BreakMasks,
    nullptr,
    simd_avx2::BreakMasks,
#endif
};

template <LineUnit TChar>
using TCountLineEnds = uint64_t (*)(const TChar* P, size_t Blocks, uint64_t& CarriedCR);

template <LineUnit TChar>
constexpr TCountLineEnds<TChar> Counts[] = {
    CountLineEndsScalar<TChar>,
#if CORVANE_SIMD_X86
    simd_sse2::CountLineEnds<TChar>,
    nullptr,
    simd_avx2::CountLineEnds<TChar>,
#endif
};

}  // namespace

namespace line_break_detail {

template <LineUnit TChar>
void BreakMasks(const TChar* P, size_t Blocks, uint64_t* CR, uint64_t* LF) {
  static const TBreakMasks<TChar> Best = SimdBest(Implementations<TChar>);
  Best(P, Blocks, CR, LF);
}

bool BreakMasksAvailable(TSimdLevel Level) {
  return SimdPick(Implementations<char>, Level) != nullptr;
}

template <LineUnit TChar>
void BreakMasksWith(TSimdLevel Level, const TChar* P, size_t Blocks, uint64_t* CR, uint64_t* LF) {
  const TBreakMasks<TChar> Pick = SimdPick(Implementations<TChar>, Level);
  (Pick != nullptr ? Pick : BreakMasksScalar<TChar>)(P, Blocks, CR, LF);
}

template <LineUnit TChar>
uint64_t CountLineEnds(const TChar* P, size_t Blocks, uint64_t& CarriedCR) {
  static const TCountLineEnds<TChar> Best = SimdBest(Counts<TChar>);
  return Best(P, Blocks, CarriedCR);
}

template <LineUnit TChar>
uint64_t CountLineEndsWith(TSimdLevel Level, const TChar* P, size_t Blocks, uint64_t& CarriedCR) {
  const TCountLineEnds<TChar> Pick = SimdPick(Counts<TChar>, Level);
  return (Pick != nullptr ? Pick : CountLineEndsScalar<TChar>)(P, Blocks, CarriedCR);
}

template void BreakMasks(const char*, size_t, uint64_t*, uint64_t*);
template void BreakMasks(const char16_t*, size_t, uint64_t*, uint64_t*);
template void BreakMasksWith(TSimdLevel, const char*, size_t, uint64_t*, uint64_t*);
template void BreakMasksWith(TSimdLevel, const char16_t*, size_t, uint64_t*, uint64_t*);
template uint64_t CountLineEnds(const char*, size_t, uint64_t&);
template uint64_t CountLineEnds(const char16_t*, size_t, uint64_t&);
template uint64_t CountLineEndsWith(TSimdLevel, const char*, size_t, uint64_t&);
template uint64_t CountLineEndsWith(TSimdLevel, const char16_t*, size_t, uint64_t&);

}  // namespace line_break_detail
