#pragma once
// The vector instruction sets the validators and the line splitter are built for, which of them
// this CPU runs, and the regions that compile code for one of them. Each vector algorithm is
// written once over TVec (Vector.h) and compiled in one region per instruction set; the scalar
// version stays beside it as the reference.

#include <cstddef>
#include <cstdint>

// TSimdLevel — an instruction set, in the order each includes the one before.
enum TSimdLevel : uint8_t {
  slScalar,  // plain C++; every CPU
  slSse2,    // 16 bytes a step
  slSsse3,   // 16 bytes a step, with byte shuffles
  slAvx2,    // 32 bytes a step, and POPCNT
};

// SimdLevelAvailable() — true when this build and this CPU (and its operating system, for the
// AVX registers) can run code of Level. Asked of the CPU at run time, so the 32-bit build, whose
// baseline has no SSE2, uses it where the CPU has it.
[[nodiscard]] bool SimdLevelAvailable(TSimdLevel Level);

// SimdLevelName() — "scalar", "SSE2", "SSSE3" or "AVX2".
[[nodiscard]] const char* SimdLevelName(TSimdLevel Level);

// SimdCopyShort() — CopyShortBytes() (CopyBytes.h) with the widest moves this CPU has, for a
// build whose baseline has no vector moves (the 32-bit one), where the inline copy moves four
// bytes at a time.
void SimdCopyShort(char* D, const char* S, size_t Bytes);

// SimdMovePadded() — Bytes from S to D as whole 64-byte moves, the last running up to 63 bytes
// past both ends (which must be readable and writable), with the widest moves this CPU has: the
// padded copy of a build whose baseline has no vector moves. No jump on Bytes but the loop's.
void SimdMovePadded(char* D, const char* S, size_t Bytes);

// SimdPick() — Table[Level], the implementation of one algorithm for Level, when this CPU runs
// Level; nullptr when it does not or the table has none for it. Tables are indexed by
// TSimdLevel and start with the scalar one.
template <typename TFunction, size_t N>
[[nodiscard]] TFunction SimdPick(TFunction const (&Table)[N], TSimdLevel Level) {
  return Level < N && SimdLevelAvailable(Level) ? Table[Level] : nullptr;
}

// SimdBest() — the implementation of the highest level in Table that this CPU runs.
template <typename TFunction, size_t N>
[[nodiscard]] TFunction SimdBest(TFunction const (&Table)[N]) {
  for (size_t Level = N - 1; Level > slScalar; --Level) {
    if (TFunction F = SimdPick(Table, static_cast<TSimdLevel>(Level))) return F;
  }
  return Table[slScalar];
}

#if defined(__x86_64__) || defined(__i386__)
#define CORVANE_SIMD_X86 1
// CORVANE_SIMD_BEGIN(sse2, "sse2") ... CORVANE_SIMD_END: the code between is compiled for that
// instruction set, in namespace simd_sse2, with internal linkage, so every file may compile its
// own algorithms there. Code outside keeps the build's baseline: a function defined there may
// be inlined into the region, never the other way round.
#if defined(__clang__)
#define CORVANE_SIMD_PUSH(Target) \
  _Pragma(CORVANE_SIMD_STR(       \
      clang attribute push(__attribute__((target(Target))), apply_to = function)))
#define CORVANE_SIMD_POP _Pragma("clang attribute pop")
#else
#define CORVANE_SIMD_PUSH(Target) \
  _Pragma("GCC push_options") _Pragma(CORVANE_SIMD_STR(GCC target(Target)))
#define CORVANE_SIMD_POP _Pragma("GCC pop_options")
#endif
#define CORVANE_SIMD_STR(...) #__VA_ARGS__
#define CORVANE_SIMD_BEGIN(Name, Target)            \
  CORVANE_SIMD_PUSH(Target) namespace simd_##Name { \
    namespace {
#define CORVANE_SIMD_END \
  }                      \
  }                      \
  CORVANE_SIMD_POP
#else
#define CORVANE_SIMD_X86 0
#endif
