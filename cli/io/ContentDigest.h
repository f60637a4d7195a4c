#pragma once
// A fast digest of a stream of bytes, the same however the stream is cut into pieces, so two
// readings of one file can be compared without keeping either. It finds accidents (a file
// rewritten while read), not attacks: it is no cryptographic hash.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "library/SimdUnit/SimdUnit.h"

class TContentDigest {
 public:
  // By the best vector code this CPU runs; Level picks another, so tests can run each one (a
  // Level the CPU lacks runs the scalar code). Every level gives the same digest.
  TContentDigest();
  explicit TContentDigest(TSimdLevel Level);

  // Add() — the next Size bytes of the stream.
  void Add(const char* Bytes, size_t Size);
  // Value() — the digest of every byte added so far, their count included.
  [[nodiscard]] uint64_t Value() const;
  // Bytes() — how many bytes were added.
  [[nodiscard]] uint64_t Bytes() const { return FTotal; }

  static constexpr size_t Lanes = 8;
  static constexpr size_t Stripe = 8 * Lanes;

 private:
  using TAccumulate = void (*)(uint64_t* Acc, const unsigned char* P, size_t Count, uint64_t Done);
  void Stripes(const unsigned char* P, size_t Count);

  TAccumulate FAccumulate;

  uint64_t FLanes[Lanes] = {};
  uint64_t FStripes = 0;
  unsigned char FTail[Stripe] = {};  // the bytes of an unfinished stripe
  size_t FTailSize = 0;
  uint64_t FTotal = 0;
};

// The digests of a stream's first bytes at points one reading marks (the ends of its reads), so
// that a later reading of the stream tells as it goes how many first bytes are the same: what
// it need not check again. A mark that differs ends the agreement for good.
class TDigestTrail {
 public:
  // Mark() — the first reading: Digest's value at its length now. A mark closer than Spacing
  // bytes to the one before, or beyond MaxMarks, is not kept: memory stays bounded.
  void Mark(const TContentDigest& Digest);
  // Follow() — the later reading: adds Size bytes to Digest, comparing it at each mark passed.
  void Follow(TContentDigest& Digest, const char* Bytes, size_t Size);
  // Same() — how many first bytes the later reading has shown to be the same.
  [[nodiscard]] uint64_t Same() const { return FSame; }

  static constexpr uint64_t Spacing = uint64_t{1} << 16;
  static constexpr size_t MaxMarks = size_t{1} << 15;

 private:
  struct TMark {
    uint64_t Bytes;
    uint64_t Value;
  };
  std::vector<TMark> FMarks;
  size_t FNext = 0;  // the next mark Follow() passes
  uint64_t FSame = 0;
  bool FDiffers = false;
};
