// The digest that tells whether two readings of a file saw the same bytes.

#include <gtest/gtest.h>

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

}  // namespace
