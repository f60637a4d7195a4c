// The digest that tells whether two readings of a file saw the same bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "cli/io/ContentDigest.h"

namespace {

// Reads cut a stream anywhere: the digest must not depend on where, and must see every byte.
TEST(ContentDigest, SameForAnyCutAndSeesEveryByte) {
  std::mt19937 Rng(7);
  std::string Bytes(150, '\0');
  for (char& C : Bytes) C = static_cast<char>(Rng());
  auto Digest = [](std::string_view S, size_t Cut1, size_t Cut2) {
    TContentDigest D;
    D.Add(S.data(), Cut1);
    D.Add(S.data() + Cut1, Cut2 - Cut1);
    D.Add(S.data() + Cut2, S.size() - Cut2);
    return D.Value();
  };
  const uint64_t Whole = Digest(Bytes, 0, 0);
  for (size_t Cut1 = 0; Cut1 <= Bytes.size(); ++Cut1) {
    for (size_t Cut2 = Cut1; Cut2 <= Bytes.size(); Cut2 += 7) {
      ASSERT_EQ(Digest(Bytes, Cut1, Cut2), Whole) << "cuts " << Cut1 << " " << Cut2;
    }
  }
  for (size_t I = 0; I < Bytes.size(); ++I) {
    std::string Changed = Bytes;
    Changed[I] = static_cast<char>(Changed[I] ^ (1 << (I % 8)));
    EXPECT_NE(Digest(Changed, I / 2, I), Whole) << "byte " << I;
  }
  EXPECT_NE(Digest(Bytes.substr(1), 0, 0), Whole);
  EXPECT_NE(Digest(Bytes + '\0', 0, 0), Whole);
}

// Every level's vector code gives the scalar code's digest, across the stirs of long streams.
TEST(ContentDigest, SameAtEveryLevel) {
  std::mt19937 Rng(11);
  std::string Bytes(5000, '\0');
  for (char& C : Bytes) C = static_cast<char>(Rng());
  for (const size_t Size : {0, 63, 64, 65, 1024, 1089, 5000}) {
    TContentDigest Scalar(slScalar);
    Scalar.Add(Bytes.data(), Size);
    for (const TSimdLevel Level : {slSse2, slSsse3, slAvx2}) {
      TContentDigest D(Level);
      D.Add(Bytes.data(), Size / 3);
      D.Add(Bytes.data() + Size / 3, Size - Size / 3);
      EXPECT_EQ(D.Value(), Scalar.Value()) << SimdLevelName(Level) << ", " << Size << " bytes";
    }
  }
}

// A later reading cut in other places agrees with the marks up to the first changed byte, and
// never past it; marks closer than the spacing are not kept.
TEST(DigestTrail, SameUpToTheFirstChange) {
  constexpr size_t Spacing = TDigestTrail::Spacing;
  std::mt19937 Rng(3);
  std::string Bytes(5 * Spacing + 100, '\0');
  for (char& C : Bytes) C = static_cast<char>(Rng());
  struct TRow {
    size_t Changed;  // the offset of a changed byte; none past the end
    uint64_t Same;
  };
  for (const TRow Row : {TRow{Bytes.size(), 5 * Spacing}, TRow{0, 0}, TRow{Spacing, Spacing},
                         TRow{Spacing - 1, 0}, TRow{3 * Spacing + 7, 3 * Spacing}}) {
    TDigestTrail Trail;
    TContentDigest First;
    for (size_t At = 0; At < Bytes.size(); At += Spacing / 2) {  // a mark every other read
      First.Add(Bytes.data() + At, std::min(Spacing / 2, Bytes.size() - At));
      Trail.Mark(First);
    }
    std::string Again = Bytes;
    if (Row.Changed < Again.size()) Again[Row.Changed] ^= 1;
    TContentDigest Second;
    for (size_t At = 0; At < Again.size(); At += 777) {
      Trail.Follow(Second, Again.data() + At, std::min<size_t>(777, Again.size() - At));
    }
    EXPECT_EQ(Trail.Same(), Row.Same) << "changed at " << Row.Changed;
    EXPECT_EQ(Second.Value() == First.Value(), Row.Changed >= Bytes.size());
  }
}

}  // namespace
