// Code page 932 validation: vectors find the lead bytes of 64 bytes a step and judge the common
// pairs (by byte shuffles over nibble tables where the CPU has AVX2), a bitmap the others, and a
// scalar pass names the first bad byte.
#include "library/CodePage932/Cp932.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "library/SimdUnit/Vector.h"

namespace {

#include "library/CodePage932/Cp932Table.inc"

// The row of each byte in PairRows: its lead index, or the empty row for a byte that leads nothing.
constexpr uint8_t NoRow = 60;
constexpr std::array<uint8_t, 256> MakeRowOf() {
  std::array<uint8_t, 256> RowOf{};
  uint8_t Row = 0;
  for (unsigned B = 0; B < 256; ++B) RowOf[B] = IsCp932Lead(B) ? Row++ : NoRow;
  return RowOf;
}
constexpr std::array<uint8_t, 256> RowOf = MakeRowOf();

// The generated rows widened to four words, so the trail byte's top two bits pick the word.
constexpr std::array<std::array<uint64_t, 4>, 61> MakePairRows() {
  std::array<std::array<uint64_t, 4>, 61> Rows{};
  for (size_t R = 0; R < 60; ++R) {
    for (size_t W = 0; W < 3; ++W) Rows[R][W + 1] = Cp932PairBits[R][W];
  }
  return Rows;
}
constexpr std::array<std::array<uint64_t, 4>, 61> PairRows = MakePairRows();

constexpr size_t CountPairs() {
  size_t Count = 0;
  for (const auto& Row : PairRows) {
    for (uint64_t Word : Row) Count += static_cast<size_t>(std::popcount(Word));
  }
  return Count;
}
static_assert(CountPairs() == Cp932PairCount, "Cp932Table.inc is cut or edited by hand");

// 1 when Lead and Trail form an assigned pair, else 0; any two bytes may be asked.
inline uint64_t PairBit(unsigned char Lead, unsigned char Trail) {
  return PairRows[RowOf[Lead]][Trail >> 6] >> (Trail & 63) & 1;
}

inline bool IsSingle(unsigned char B) {
  return B < 0x80 || (B >= 0xA1 && B <= 0xDF);
}

// Offset of the first bad byte at or after From, which starts a character; Size when none.
size_t ScanScalar(const unsigned char* Begin, size_t Size, size_t From) {
  const unsigned char* const End = Begin + Size;
  const unsigned char* P = Begin + From;
  constexpr uint64_t HighBits = 0x8080808080808080ull;
  while (P < End) {
    // ASCII skips sixteen bytes at a time.
    for (uint64_t A, B; End - P >= 16; P += 16) {
      std::memcpy(&A, P, 8);
      std::memcpy(&B, P + 8, 8);
      if ((A | B) & HighBits) break;
    }
    if (P == End) break;
    if (IsSingle(*P)) {
      ++P;
    } else if (End - P >= 2 && PairBit(P[0], P[1])) {
      P += 2;
    } else {
      return static_cast<size_t>(P - Begin);
    }
  }
  return Size;
}

// The lead bytes among 64 of which MayLead may lead, when byte 0 is a trail if TrailIn.
// A run of bytes that may lead alternates lead, trail from its start, so a lead sits at an even
// distance from the start of its run; adding a bit at each run's start clears exactly the runs
// that start at an odd position, which tells each run's parity.
[[gnu::always_inline]] inline uint64_t Leads64(uint64_t MayLead, uint64_t TrailIn) {
  constexpr uint64_t Even = 0x5555555555555555ull;
  const uint64_t C = MayLead & ~TrailIn;  // a trail leads nothing; the byte after it starts a run
  const uint64_t Starts = C & ~(C << 1);
  const uint64_t OddRuns = C & ~(C + (Starts & ~Even));
  return C & (Even ^ OddRuns);
}

// The common pairs as classes of nibbles, for the vector pass with byte shuffles: a pair is in
// class K when bit K is set in all four of LeadHigh[lead >> 4], LeadLow[lead & 15],
// TrailHigh[trail >> 4] and TrailLow[trail & 15] of group A or of group B; 7F and FD-FF are
// never trails. Every pair in a class is assigned (a test holds the validator to the system's
// converter over every pair); pairs in no class are looked up in the table.
//   group A: 81 40-9F and A0-AC; 82 4F, 50-58, 60-68, 70-78, 90-98, 61-6F, 81-8F, A0-EF and
//            90-F0/91-F1 in steps of 16 (the full-width digits and letters, the hiragana);
//            83 40-8F (katakana)
//   group B: the kanji rows 89-8F, 99-9F, 90-97, E0-E7, E9 and E8 whole, 88 from A0, 98 40-6F
//            and A0-FC; 83 90-96; 82 9F
alignas(16) constexpr uint8_t LeadHighA[16] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
alignas(16) constexpr uint8_t LeadLowA[16] = {0x00, 0x03, 0x7C, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
alignas(16) constexpr uint8_t TrailHighA[16] = {0x00, 0x00, 0x00, 0x00, 0x91, 0x85, 0x8D, 0x85, 0x89, 0x45, 0x62, 0x60, 0x60, 0x60, 0x60, 0x40};
alignas(16) constexpr uint8_t TrailLowA[16] = {0xE7, 0xEF, 0xAF, 0xAF, 0xAF, 0xAF, 0xAF, 0xAF, 0xAF, 0xAB, 0xAB, 0xAB, 0xAB, 0xA9, 0xA9, 0xB9};
alignas(16) constexpr uint8_t LeadHighB[16] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4D, 0x33, 0x00, 0x00, 0x00, 0x00, 0x82, 0x00};
alignas(16) constexpr uint8_t LeadLowB[16] = {0x02, 0x02, 0x42, 0x0A, 0x02, 0x02, 0x02, 0x02, 0xB4, 0x03, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01};
alignas(16) constexpr uint8_t TrailHighB[16] = {0x00, 0x00, 0x00, 0x00, 0x93, 0x93, 0x93, 0x83, 0x83, 0xCB, 0xA7, 0xA7, 0xA7, 0xA7, 0xA7, 0xA7};
alignas(16) constexpr uint8_t TrailLowB[16] = {0xBF, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF, 0xB7, 0xB7, 0xB7, 0xB7, 0xB7, 0xB7, 0xB7, 0xB7, 0xF7};

// What a block scan returns when the text has no bad byte.
constexpr size_t NoFault = SIZE_MAX;

}  // namespace

#if CORVANE_SIMD_X86
// clang-format off
CORVANE_SIMD_BEGIN(sse2, "sse2")
#include "library/CodePage932/Cp932Blocks.inc"
CORVANE_SIMD_END
#define CORVANE_CP932_NIBBLE_CLASSES
CORVANE_SIMD_BEGIN(avx2, "avx2,popcnt")
#include "library/CodePage932/Cp932Blocks.inc"
CORVANE_SIMD_END
#undef CORVANE_CP932_NIBBLE_CLASSES
// clang-format on
#endif

namespace {

size_t FirstBadByteScalar(const unsigned char* Begin, size_t Size) {
  return ScanScalar(Begin, Size, 0);
}

// The vector pass finds the first block with a fault; the scalar pass names its bad byte.
template <size_t (*FirstFaultStart)(const unsigned char* Begin, size_t Size)>
size_t FirstBadByteVector(const unsigned char* Begin, size_t Size) {
  const size_t From = FirstFaultStart(Begin, Size);
  return From == NoFault ? Size : ScanScalar(Begin, Size, From);
}

using TFirstBadByte = size_t (*)(const unsigned char* Begin, size_t Size);

// By TSimdLevel; the byte shuffles come with AVX2.
constexpr TFirstBadByte Implementations[] = {
    FirstBadByteScalar,
#if CORVANE_SIMD_X86
    FirstBadByteVector<simd_sse2::Cp932FirstFaultStart>,
    nullptr,
    FirstBadByteVector<simd_avx2::Cp932FirstFaultStart>,
#endif
};

}  // namespace

bool IsCp932Pair(unsigned char Lead, unsigned char Trail) {
  return PairBit(Lead, Trail) != 0;
}

bool Cp932ValidatorAvailable(TSimdLevel Level) {
  return SimdPick(Implementations, Level) != nullptr;
}

bool ValidateCp932With(TSimdLevel Level, std::string_view Text, size_t& Bad) {
  const TFirstBadByte Pick = SimdPick(Implementations, Level);
  const auto* Begin = reinterpret_cast<const unsigned char*>(Text.data());
  Bad = (Pick != nullptr ? Pick : FirstBadByteScalar)(Begin, Text.size());
  return Bad == Text.size();
}

bool ValidateCp932(std::string_view Text, size_t& Bad) {
  static const TFirstBadByte Best = SimdBest(Implementations);
  Bad = Best(reinterpret_cast<const unsigned char*>(Text.data()), Text.size());
  return Bad == Text.size();
}
