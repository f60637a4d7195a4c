// EUC-JP validation: ASCII sixteen bytes a step, each multi-byte character through the bitmap.
#include "library/EucJp/EucJp.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

#include "library/EucJp/EucJpTable.inc"

constexpr size_t CountBits(const uint64_t (&Rows)[94][2]) {
  size_t Count = 0;
  for (const auto& Row : Rows) Count += std::popcount(Row[0]) + std::popcount(Row[1]);
  return Count;
}
static_assert(CountBits(EucJp0208Bits) == EucJp0208Count,
              "EucJpTable.inc is cut or edited by hand");
static_assert(CountBits(EucJp0212Bits) == EucJp0212Count,
              "EucJpTable.inc is cut or edited by hand");

inline bool InRow(const uint64_t (&Rows)[94][2], unsigned char Row, unsigned char Cell) {
  if (Row < 0xA1 || Row > 0xFE || Cell < 0xA1 || Cell > 0xFE) return false;
  const unsigned Bit = Cell - 0xA1u;
  return (Rows[Row - 0xA1][Bit >> 6] >> (Bit & 63) & 1) != 0;
}

// The length of the valid character at P (End - P bytes left), or 0 when none starts there.
inline size_t CharAt(const unsigned char* P, const unsigned char* End, bool Controls) {
  const unsigned char B = *P;
  if (B < 0x80) return 1;
  if (B < 0x8E || (B >= 0x90 && B <= 0x9F)) return Controls ? 1 : 0;
  const size_t Left = static_cast<size_t>(End - P);
  if (B == 0x8E) return Left >= 2 && P[1] >= 0xA1 && P[1] <= 0xDF ? 2 : 0;
  if (B == 0x8F) return Left >= 3 && InRow(EucJp0212Bits, P[1], P[2]) ? 3 : 0;
  return Left >= 2 && InRow(EucJp0208Bits, B, P[1]) ? 2 : 0;
}

}  // namespace

bool ValidateEucJp(std::string_view Text, size_t& Bad, bool Controls) {
  const auto* const Begin = reinterpret_cast<const unsigned char*>(Text.data());
  const unsigned char* const End = Begin + Text.size();
  const unsigned char* P = Begin;
  constexpr uint64_t HighBits = 0x8080808080808080ull;
  while (P < End) {
    for (uint64_t A, B; End - P >= 16; P += 16) {
      std::memcpy(&A, P, 8);
      std::memcpy(&B, P + 8, 8);
      if ((A | B) & HighBits) break;
    }
    if (P == End) break;
    const size_t Length = CharAt(P, End, Controls);
    if (Length == 0) {
      Bad = static_cast<size_t>(P - Begin);
      return false;
    }
    P += Length;
  }
  Bad = Text.size();
  return true;
}
