#pragma once
// A fast digest of a stream of bytes, the same however the stream is cut into pieces, so two
// readings of one file can be compared without keeping either. It finds accidents (a file
// rewritten while read), not attacks: it is no cryptographic hash.

#include <cstddef>
#include <cstdint>

class TContentDigest {
 public:
  // Add() — the next Size bytes of the stream.
  void Add(const char* Bytes, size_t Size);
  // Value() — the digest of every byte added so far, their count included.
  [[nodiscard]] uint64_t Value() const;

  static constexpr size_t Lanes = 8;
  static constexpr size_t Stripe = 8 * Lanes;

 private:
  void Stripes(const unsigned char* P, size_t Count);

  uint64_t FLanes[Lanes] = {};
  uint64_t FStripes = 0;
  unsigned char FTail[Stripe] = {};  // the bytes of an unfinished stripe
  size_t FTailSize = 0;
  uint64_t FTotal = 0;
};
