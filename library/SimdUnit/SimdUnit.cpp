// Which vector instruction sets this CPU runs, asked once of the CPU itself.
#include "library/SimdUnit/SimdUnit.h"

#include <cstring>

#include "library/SimdUnit/CopyBytes.h"

bool SimdLevelAvailable(TSimdLevel Level) {
#if CORVANE_SIMD_X86
  // Static constructors may run before libgcc has read the CPU's features.
  __builtin_cpu_init();
  switch (Level) {
    case slScalar:
      return true;
    case slSse2:
      return __builtin_cpu_supports("sse2");
    case slSsse3:
      return __builtin_cpu_supports("ssse3");
    case slAvx2:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
  }
  return false;
#else
  return Level == slScalar;
#endif
}

const char* SimdLevelName(TSimdLevel Level) {
  static const char* const Names[] = {"scalar", "SSE2", "SSSE3", "AVX2"};
  return Level <= slAvx2 ? Names[Level] : "?";
}

#if CORVANE_SIMD_X86
CORVANE_SIMD_BEGIN(sse2, "sse2")
#include "library/SimdUnit/CopyShort.inc"
void CopyShort(char* D, const char* S, size_t Bytes) {
  CopyShortBytes(D, S, Bytes);
}
void MovePadded(char* D, const char* S, size_t Bytes) {
  for (size_t I = 0; I < Bytes; I += 64) std::memcpy(D + I, S + I, 64);
}
CORVANE_SIMD_END
#endif

namespace {

using TCopy = void (*)(char*, const char*, size_t);

void CopyShortScalar(char* D, const char* S, size_t Bytes) {
  CopyShortBytes(D, S, Bytes);
}
void MovePaddedScalar(char* D, const char* S, size_t Bytes) {
  for (size_t I = 0; I < Bytes; I += 64) std::memcpy(D + I, S + I, 64);
}

// By TSimdLevel: the moves of SSE2 are the widest a copy this short gains by.
const TCopy CopyShorts[] = {CopyShortScalar,
#if CORVANE_SIMD_X86
                            simd_sse2::CopyShort
#endif
};
const TCopy MovesPadded[] = {MovePaddedScalar,
#if CORVANE_SIMD_X86
                             simd_sse2::MovePadded
#endif
};

}  // namespace

void SimdCopyShort(char* D, const char* S, size_t Bytes) {
  static const TCopy Best = SimdBest(CopyShorts);
  Best(D, S, Bytes);
}

void SimdMovePadded(char* D, const char* S, size_t Bytes) {
  static const TCopy Best = SimdBest(MovesPadded);
  Best(D, S, Bytes);
}
