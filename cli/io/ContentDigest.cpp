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
#include "cli/io/DigestBlocks.inc"
CORVANE_SIMD_END
CORVANE_SIMD_BEGIN(avx2, "avx2")
#include "cli/io/DigestBlocks.inc"
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
