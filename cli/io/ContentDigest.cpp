// Eight lanes of eight bytes a stripe, each word added to its neighbour lane and its two
// halves (keyed) multiplied into its own (the shape of xxHash's XXH3): vector code chosen for the
// CPU at run time (SSE2 or AVX2, in the 32-bit build too), so the digest costs a fraction of
// reading the bytes. Every few stripes the lanes
// are stirred, so no difference can cancel out later. Stripes start at fixed offsets of the
// stream, never at the cuts of the reads.
#include "cli/io/ContentDigest.h"

#include <algorithm>
#include <cstring>

#include "library/SimdUnit/Vector.h"

namespace {

constexpr uint64_t Prime1 = 0x9E3779B185EBCA87;
constexpr uint64_t Prime2 = 0xC2B2AE3D27D4EB4F;
constexpr uint32_t Prime32 = 0x9E3779B1;
constexpr size_t StripesPerStir = 16;
constexpr uint64_t Keys[TContentDigest::Lanes] = {
    0xBE4BA423396CFEB8, 0x1CAD21F72C81017C, 0xDB979083E96DD4DE, 0x1F67B3B7A4A44072,
    0x78E5C0CC4EE679CB, 0x2172FFCC7DD05A82, 0x8E2443F7744608B8, 0x4C263A81E69035E0};

constexpr uint64_t RotateLeft(uint64_t X, int N) {
  return (X << N) | (X >> (64 - N));
}

inline uint64_t Word(const unsigned char* P) {
  uint64_t W;
  std::memcpy(&W, P, sizeof W);
  return W;
}

// Acc[I] += Data[I ^ 1] + low half * high half of (Data[I] ^ Keys[I]), for every stripe; after
// every StripesPerStir-th stripe of the stream (Done stripes came before P) the lanes are
// stirred: Acc[I] = (Acc[I] ^ Acc[I] >> 47 ^ Keys[I]) * Prime32.
void AccumulateScalar(uint64_t* Acc, const unsigned char* P, size_t Count, uint64_t Done) {
  size_t UntilStir = StripesPerStir - Done % StripesPerStir;
  for (; Count > 0; --Count, P += TContentDigest::Stripe) {
    for (size_t I = 0; I < TContentDigest::Lanes; ++I) {
      const uint64_t Keyed = Word(P + 8 * I) ^ Keys[I];
      Acc[I] += Word(P + 8 * (I ^ 1)) + (Keyed & 0xFFFFFFFF) * (Keyed >> 32);
    }
    if (--UntilStir == 0) {
      for (size_t I = 0; I < TContentDigest::Lanes; ++I) {
        Acc[I] = (Acc[I] ^ (Acc[I] >> 47) ^ Keys[I]) * Prime32;
      }
      UntilStir = StripesPerStir;
    }
  }
}

}  // namespace

#if CORVANE_SIMD_X86
// clang-format off
CORVANE_SIMD_BEGIN(sse2, "sse2")
// clang-format on

// Two lanes a register: the multiply takes the low half of each 64-bit lane, the shuffle swaps
// the lanes' words. The lanes stay in registers from the first stripe to the last.
void Accumulate(uint64_t* Acc, const unsigned char* P, size_t Count, uint64_t Done) {
  __m128i A[4], K[4];
  for (int J = 0; J < 4; ++J) {
    A[J] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Acc + 2 * J));
    K[J] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Keys + 2 * J));
  }
  const __m128i Prime = _mm_set1_epi64x(Prime32);
  size_t UntilStir = StripesPerStir - Done % StripesPerStir;
  while (Count > 0) {
    const size_t Run = std::min(Count, UntilStir);
    for (size_t S = 0; S < Run; ++S, P += TContentDigest::Stripe) {
      for (int J = 0; J < 4; ++J) {
        const __m128i Data = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + 16 * J));
        const __m128i Keyed = _mm_xor_si128(Data, K[J]);
        const __m128i Product = _mm_mul_epu32(Keyed, _mm_srli_epi64(Keyed, 32));
        const __m128i Swapped = _mm_shuffle_epi32(Data, _MM_SHUFFLE(1, 0, 3, 2));
        A[J] = _mm_add_epi64(A[J], _mm_add_epi64(Product, Swapped));
      }
    }
    Count -= Run;
    UntilStir -= Run;
    if (UntilStir > 0) break;
    UntilStir = StripesPerStir;
    // X * Prime32 modulo 2^64 as two 32 x 32-bit products: low half, and high half shifted up.
    for (int J = 0; J < 4; ++J) {
      const __m128i X = _mm_xor_si128(_mm_xor_si128(A[J], _mm_srli_epi64(A[J], 47)), K[J]);
      const __m128i High = _mm_mul_epu32(_mm_srli_epi64(X, 32), Prime);
      A[J] = _mm_add_epi64(_mm_mul_epu32(X, Prime), _mm_slli_epi64(High, 32));
    }
  }
  for (int J = 0; J < 4; ++J) _mm_storeu_si128(reinterpret_cast<__m128i*>(Acc + 2 * J), A[J]);
}

// clang-format off
CORVANE_SIMD_END
CORVANE_SIMD_BEGIN(avx2, "avx2")
// clang-format on

// Four lanes a register; the shuffle works within each 128-bit half, as the pairs of lanes do.
void Accumulate(uint64_t* Acc, const unsigned char* P, size_t Count, uint64_t Done) {
  __m256i A[2], K[2];
  for (int J = 0; J < 2; ++J) {
    A[J] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Acc + 4 * J));
    K[J] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Keys + 4 * J));
  }
  const __m256i Prime = _mm256_set1_epi64x(Prime32);
  size_t UntilStir = StripesPerStir - Done % StripesPerStir;
  while (Count > 0) {
    const size_t Run = std::min(Count, UntilStir);
    for (size_t S = 0; S < Run; ++S, P += TContentDigest::Stripe) {
      for (int J = 0; J < 2; ++J) {
        const __m256i Data = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(P + 32 * J));
        const __m256i Keyed = _mm256_xor_si256(Data, K[J]);
        const __m256i Product = _mm256_mul_epu32(Keyed, _mm256_srli_epi64(Keyed, 32));
        const __m256i Swapped = _mm256_shuffle_epi32(Data, _MM_SHUFFLE(1, 0, 3, 2));
        A[J] = _mm256_add_epi64(A[J], _mm256_add_epi64(Product, Swapped));
      }
    }
    Count -= Run;
    UntilStir -= Run;
    if (UntilStir > 0) break;
    UntilStir = StripesPerStir;
    for (int J = 0; J < 2; ++J) {
      const __m256i X = _mm256_xor_si256(_mm256_xor_si256(A[J], _mm256_srli_epi64(A[J], 47)), K[J]);
      const __m256i High = _mm256_mul_epu32(_mm256_srli_epi64(X, 32), Prime);
      A[J] = _mm256_add_epi64(_mm256_mul_epu32(X, Prime), _mm256_slli_epi64(High, 32));
    }
  }
  for (int J = 0; J < 2; ++J) _mm256_storeu_si256(reinterpret_cast<__m256i*>(Acc + 4 * J), A[J]);
}

// clang-format off
CORVANE_SIMD_END
// clang-format on
#endif

namespace {

using TAccumulate = void (*)(uint64_t* Acc, const unsigned char* P, size_t Count, uint64_t Done);

// By TSimdLevel; SSSE3 adds nothing this needs.
constexpr TAccumulate Implementations[] = {
    AccumulateScalar,
#if CORVANE_SIMD_X86
    simd_sse2::Accumulate,
    nullptr,
    simd_avx2::Accumulate,
#endif
};

}  // namespace

TContentDigest::TContentDigest() {
  static const TAccumulate Best = SimdBest(Implementations);
  FAccumulate = Best;
}

TContentDigest::TContentDigest(TSimdLevel Level) {
  const TAccumulate Pick = SimdPick(Implementations, Level);
  FAccumulate = Pick != nullptr ? Pick : AccumulateScalar;
}

void TContentDigest::Stripes(const unsigned char* P, size_t Count) {
  if (Count == 0) return;
  FAccumulate(FLanes, P, Count, FStripes);
  FStripes += Count;
}

void TContentDigest::Add(const char* Bytes, size_t Size) {
  const auto* P = reinterpret_cast<const unsigned char*>(Bytes);
  FTotal += Size;
  if (FTailSize > 0) {
    const size_t Part = std::min(Size, Stripe - FTailSize);
    std::memcpy(FTail + FTailSize, P, Part);
    FTailSize += Part;
    P += Part;
    Size -= Part;
    if (FTailSize < Stripe) return;
    Stripes(FTail, 1);
    FTailSize = 0;
  }
  Stripes(P, Size / Stripe);
  FTailSize = Size % Stripe;
  std::memcpy(FTail, P + Size - FTailSize, FTailSize);
}

uint64_t TContentDigest::Value() const {
  uint64_t H = FTotal * Prime1;
  for (size_t I = 0; I < Lanes; ++I) H = RotateLeft(H ^ (FLanes[I] * Prime2), 27) * Prime1;
  for (size_t I = 0; I < FTailSize; ++I) H = RotateLeft((H ^ FTail[I]) * Prime1, 11);
  H ^= H >> 33;
  H *= Prime2;
  H ^= H >> 29;
  return H;
}

void TDigestTrail::Mark(const TContentDigest& Digest) {
  const uint64_t Last = FMarks.empty() ? 0 : FMarks.back().Bytes;
  if (FMarks.size() < MaxMarks && Digest.Bytes() >= Last + Spacing) {
    FMarks.push_back({Digest.Bytes(), Digest.Value()});
  }
}

void TDigestTrail::Follow(TContentDigest& Digest, const char* Bytes, size_t Size) {
  while (!FDiffers && FNext < FMarks.size() && FMarks[FNext].Bytes - Digest.Bytes() <= Size) {
    const TMark& M = FMarks[FNext++];
    const auto Part = static_cast<size_t>(M.Bytes - Digest.Bytes());
    Digest.Add(Bytes, Part);
    Bytes += Part;
    Size -= Part;
    FDiffers = Digest.Value() != M.Value;
    if (!FDiffers) FSame = M.Bytes;
  }
  Digest.Add(Bytes, Size);
}
