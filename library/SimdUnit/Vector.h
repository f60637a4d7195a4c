#pragma once
// TVec: the few vector operations the validators and the line splitter are written in, once for
// 16-byte registers (SSE2, and SSSE3's shuffles) and once for 32-byte ones (AVX2), each in its
// instruction set's region, where the algorithms over it are compiled (SimdUnit.h).
//   TVec::Load(P), A.Store(P), Zero(), Splat8(B), Splat16(U); A & B, A | B, A ^ B, AndNot(A, B) = B
//   & ~A; Eq8, Eq16: all ones where equal; Less8: where A < B as signed bytes; Add8; SubSat8: A -
//   B, unsigned, 0 where B is larger; HighNibbles: each byte's top four bits, 0 to 15; A.Mask8():
//   bit I from the top bit of byte I; Mask16(A, B): bit I from unit I of A, then B (all ones or
//   zero); A.Any(): some bit set; SwapBytes16: the two bytes of each unit swapped. In 64-bit
//   lanes: Splat64(W), Add64, MulLow32: the low halves multiplied into the whole lane,
//   ShiftRight64<N>, ShiftLeft64<N>, SwapPairs64: each two lanes trade places. SSSE3 and AVX2:
//   Table16(T): 16 bytes to look up in; Lookup16(Table, Index): each byte of Index (0 to 15)
//   replaced by that byte of Table; Prev<N>(Input, Before): each byte's N-th predecessor, the first
//   N from the end of Before.

#include <cstddef>
#include <cstdint>

#include "library/SimdUnit/SimdUnit.h"

#if CORVANE_SIMD_X86
#include <immintrin.h>

// Operations are free functions: GCC leaves a friend defined in the class out of the region.
// clang-format off
CORVANE_SIMD_BEGIN(sse2, "sse2")
// clang-format on

struct TVec {
  __m128i V;
  static constexpr size_t Bytes = 16;

  static TVec Load(const void* P) { return {_mm_loadu_si128(static_cast<const __m128i*>(P))}; }
  static TVec Zero() { return {_mm_setzero_si128()}; }
  static TVec Splat8(uint8_t B) { return {_mm_set1_epi8(static_cast<char>(B))}; }
  static TVec Splat16(uint16_t U) { return {_mm_set1_epi16(static_cast<short>(U))}; }
  static TVec Splat64(uint64_t W) { return {_mm_set1_epi64x(static_cast<long long>(W))}; }
  void Store(void* P) const { _mm_storeu_si128(static_cast<__m128i*>(P), V); }
  uint32_t Mask8() const { return static_cast<uint32_t>(_mm_movemask_epi8(V)); }
  bool Any() const { return _mm_movemask_epi8(_mm_cmpeq_epi8(V, _mm_setzero_si128())) != 0xFFFF; }
};

inline TVec operator&(TVec A, TVec B) {
  return {_mm_and_si128(A.V, B.V)};
}
inline TVec operator|(TVec A, TVec B) {
  return {_mm_or_si128(A.V, B.V)};
}
inline TVec operator^(TVec A, TVec B) {
  return {_mm_xor_si128(A.V, B.V)};
}
inline TVec AndNot(TVec A, TVec B) {
  return {_mm_andnot_si128(A.V, B.V)};
}
inline TVec Eq8(TVec A, TVec B) {
  return {_mm_cmpeq_epi8(A.V, B.V)};
}
inline TVec Eq16(TVec A, TVec B) {
  return {_mm_cmpeq_epi16(A.V, B.V)};
}
inline TVec Less8(TVec A, TVec B) {
  return {_mm_cmplt_epi8(A.V, B.V)};
}
inline TVec Add8(TVec A, TVec B) {
  return {_mm_add_epi8(A.V, B.V)};
}
inline TVec SubSat8(TVec A, TVec B) {
  return {_mm_subs_epu8(A.V, B.V)};
}
inline TVec HighNibbles(TVec A) {
  return {_mm_and_si128(_mm_srli_epi16(A.V, 4), _mm_set1_epi8(0x0F))};
}
inline uint32_t Mask16(TVec A, TVec B) {
  return static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(A.V, B.V)));
}
inline TVec SwapBytes16(TVec A) {
  return {_mm_or_si128(_mm_slli_epi16(A.V, 8), _mm_srli_epi16(A.V, 8))};
}
inline TVec Add64(TVec A, TVec B) {
  return {_mm_add_epi64(A.V, B.V)};
}
inline TVec MulLow32(TVec A, TVec B) {
  return {_mm_mul_epu32(A.V, B.V)};
}
template <int N>
TVec ShiftRight64(TVec A) {
  return {_mm_srli_epi64(A.V, N)};
}
template <int N>
TVec ShiftLeft64(TVec A) {
  return {_mm_slli_epi64(A.V, N)};
}
inline TVec SwapPairs64(TVec A) {
  return {_mm_shuffle_epi32(A.V, _MM_SHUFFLE(1, 0, 3, 2))};
}

// The set bits of X: a bit-slice count, as a CPU without AVX2 may lack the POPCNT instruction.
inline uint64_t PopCount(uint64_t X) {
  X = X - ((X >> 1) & 0x5555555555555555ull);
  X = (X & 0x3333333333333333ull) + ((X >> 2) & 0x3333333333333333ull);
  X = (X + (X >> 4)) & 0x0F0F0F0F0F0F0F0Full;
  return (X * 0x0101010101010101ull) >> 56;
}

// clang-format off
CORVANE_SIMD_END
CORVANE_SIMD_BEGIN(ssse3, "ssse3")
// clang-format on

using TVec = simd_sse2::TVec;

inline TVec Table16(const uint8_t* Table) {
  return TVec::Load(Table);
}
inline TVec Lookup16(TVec Table, TVec Index) {
  return {_mm_shuffle_epi8(Table.V, Index.V)};
}
template <int N>
TVec Prev(TVec Input, TVec Before) {
  return {_mm_alignr_epi8(Input.V, Before.V, 16 - N)};
}

// clang-format off
CORVANE_SIMD_END
CORVANE_SIMD_BEGIN(avx2, "avx2,popcnt")
// clang-format on

// Win64 gives no 32-byte aligned stack: every load is unaligned.
struct TVec {
  __m256i V;
  static constexpr size_t Bytes = 32;

  static TVec Load(const void* P) { return {_mm256_loadu_si256(static_cast<const __m256i*>(P))}; }
  static TVec Zero() { return {_mm256_setzero_si256()}; }
  static TVec Splat8(uint8_t B) { return {_mm256_set1_epi8(static_cast<char>(B))}; }
  static TVec Splat16(uint16_t U) { return {_mm256_set1_epi16(static_cast<short>(U))}; }
  static TVec Splat64(uint64_t W) { return {_mm256_set1_epi64x(static_cast<long long>(W))}; }
  void Store(void* P) const { _mm256_storeu_si256(static_cast<__m256i*>(P), V); }
  uint32_t Mask8() const { return static_cast<uint32_t>(_mm256_movemask_epi8(V)); }
  bool Any() const { return !_mm256_testz_si256(V, V); }
};

inline TVec operator&(TVec A, TVec B) {
  return {_mm256_and_si256(A.V, B.V)};
}
inline TVec operator|(TVec A, TVec B) {
  return {_mm256_or_si256(A.V, B.V)};
}
inline TVec operator^(TVec A, TVec B) {
  return {_mm256_xor_si256(A.V, B.V)};
}
inline TVec AndNot(TVec A, TVec B) {
  return {_mm256_andnot_si256(A.V, B.V)};
}
inline TVec Eq8(TVec A, TVec B) {
  return {_mm256_cmpeq_epi8(A.V, B.V)};
}
inline TVec Eq16(TVec A, TVec B) {
  return {_mm256_cmpeq_epi16(A.V, B.V)};
}
inline TVec Less8(TVec A, TVec B) {
  return {_mm256_cmpgt_epi8(B.V, A.V)};
}
inline TVec Add8(TVec A, TVec B) {
  return {_mm256_add_epi8(A.V, B.V)};
}
inline TVec SubSat8(TVec A, TVec B) {
  return {_mm256_subs_epu8(A.V, B.V)};
}
inline TVec HighNibbles(TVec A) {
  return {_mm256_and_si256(_mm256_srli_epi16(A.V, 4), _mm256_set1_epi8(0x0F))};
}
// packs works within each 128-bit lane; the permute puts the four quarters back in order.
inline uint32_t Mask16(TVec A, TVec B) {
  const __m256i Packed = _mm256_packs_epi16(A.V, B.V);
  return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_permute4x64_epi64(Packed, 0xD8)));
}
inline TVec SwapBytes16(TVec A) {
  return {_mm256_or_si256(_mm256_slli_epi16(A.V, 8), _mm256_srli_epi16(A.V, 8))};
}
inline TVec Add64(TVec A, TVec B) {
  return {_mm256_add_epi64(A.V, B.V)};
}
inline TVec MulLow32(TVec A, TVec B) {
  return {_mm256_mul_epu32(A.V, B.V)};
}
template <int N>
TVec ShiftRight64(TVec A) {
  return {_mm256_srli_epi64(A.V, N)};
}
template <int N>
TVec ShiftLeft64(TVec A) {
  return {_mm256_slli_epi64(A.V, N)};
}
inline TVec SwapPairs64(TVec A) {
  return {_mm256_shuffle_epi32(A.V, _MM_SHUFFLE(1, 0, 3, 2))};
}

// POPCNT comes with AVX2 (the region's target includes it).
inline uint64_t PopCount(uint64_t X) {
  return static_cast<uint64_t>(__builtin_popcountll(X));
}

// The shuffle looks up within each lane: the table goes into both.
inline TVec Table16(const uint8_t* Table) {
  return {_mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Table)))};
}
inline TVec Lookup16(TVec Table, TVec Index) {
  return {_mm256_shuffle_epi8(Table.V, Index.V)};
}
// alignr shifts within each lane, so each lane first gets the 16 bytes before it.
template <int N>
TVec Prev(TVec Input, TVec Before) {
  const __m256i Joined = _mm256_permute2x128_si256(Before.V, Input.V, 0x21);
  return {_mm256_alignr_epi8(Input.V, Joined, 16 - N)};
}

// clang-format off
CORVANE_SIMD_END
// clang-format on

#endif  // CORVANE_SIMD_X86
