// The number head's vector scan where SSE2 is no baseline (the 32-bit build): chosen at run time.
#include "LineNumberUnit/LineSteps.h"

#if !defined(__SSE2__) && CORVANE_SIMD_X86
#include "library/SimdUnit/Vector.h"

namespace {

// A CPU without SSE2 reads no head ahead: the caller's loop reads it all.
size_t HeadLength0(const char*) {
  return 0;
}

}  // namespace

// clang-format off
CORVANE_SIMD_BEGIN(sse2, "sse2")
// clang-format on

size_t HeadLength16(const char* P){
#include "LineNumberUnit/HeadLength16.inc"
}

// clang-format off
CORVANE_SIMD_END
    // clang-format on

    namespace {

  using THeadLength = size_t (*)(const char* P);
  constexpr THeadLength HeadLengths[] = {HeadLength0, simd_sse2::HeadLength16};

}  // namespace

size_t line_steps_detail::HeadLength16(const char* P) {
  static const THeadLength Best = SimdBest(HeadLengths);
  return Best(P);
}
#endif
