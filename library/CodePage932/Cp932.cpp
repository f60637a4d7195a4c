// Code page 932 validation: vectors find the lead bytes of a block a step and judge the common
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

// The vector pass works in blocks of as many bytes as a machine word has bits, a bit of a mask
// for each byte: 64 in the 64-bit build, 32 in the 32-bit one, where masks twice the word
// would cost two instructions for each one.
using TMask = size_t;
constexpr size_t BlockBytes = 8 * sizeof(TMask);

// The lead bytes among a block's of which MayLead may lead, when byte 0 is a trail if TrailIn.
// A run of bytes that may lead alternates lead, trail from its start, so a lead sits at an even
// distance from the start of its run; adding a bit at each run's start clears exactly the runs
// that start at an odd position, which tells each run's parity.
[[gnu::always_inline]] inline TMask Leads(TMask MayLead, TMask TrailIn) {
  constexpr auto Even = static_cast<TMask>(0x5555555555555555ull);
  const TMask C = MayLead & ~TrailIn;  // a trail leads nothing; the byte after it starts a run
  const TMask Starts = C & ~(C << 1);
  const TMask OddRuns = C & ~(C + (Starts & ~Even));
  return C & (Even ^ OddRuns);
}

// The common pairs as classes of nibbles, for the vector pass with byte shuffles: a class is
// four sets of nibbles, and a pair is in it when the lead's high and low nibble and the trail's
// are in them (7F and FD-FF are never trails, whatever the sets say). Every pair of every class
// is assigned (a test holds the validator to the system's converter over every pair); pairs in
// no class are looked up in the table. Eight classes a group, one bit each in the tables.
struct TNibbleClass {
  uint16_t LeadHigh, LeadLow, TrailHigh, TrailLow;  // bit N: nibble N is in the set
};

constexpr uint16_t Nibbles(unsigned From, unsigned To) {
  return static_cast<uint16_t>((0xFFFFu >> (15 - To)) & (0xFFFFu << From));
}
constexpr uint16_t Nibble(unsigned N) {
  return Nibbles(N, N);
}
constexpr uint16_t AnyNibble = 0xFFFF;

using TNibbleGroup = std::array<TNibbleClass, 8>;

// Punctuation, full-width digits and letters, hiragana and katakana.
constexpr TNibbleGroup GroupA = {{
    {Nibble(8), Nibble(1), Nibbles(4, 9), AnyNibble},                  // 81 40-9F
    {Nibble(8), Nibble(1), Nibble(0xA), Nibbles(0, 0xC)},              // 81 A0-AC
    {Nibble(8), Nibble(2), Nibbles(5, 7) | Nibble(9), Nibbles(0, 8)},  // 82 50-58 60-68 ...
    {Nibble(8), Nibble(2), Nibble(6) | Nibble(8), Nibbles(1, 0xF)},    // 82 61-6F 81-8F
    {Nibble(8), Nibble(2), Nibble(4), Nibble(0xF)},                    // 82 4F
    {Nibble(8), Nibble(2), Nibbles(0xA, 0xE), AnyNibble},              // 82 A0-EF
    {Nibble(8), Nibble(2), Nibbles(9, 0xF), Nibbles(0, 1)},            // 82 90 91 ... F0 F1
    {Nibble(8), Nibble(3), Nibbles(4, 8), AnyNibble},                  // 83 40-8F
}};
// The kanji rows, the rest of the katakana and hiragana.
constexpr TNibbleGroup GroupB = {{
    {Nibbles(8, 9), Nibbles(9, 0xF), Nibbles(4, 0xF), AnyNibble},  // 89-8F 99-9F
    {Nibble(9) | Nibble(0xE), Nibbles(0, 7) | Nibble(9), Nibbles(4, 0xF),
     AnyNibble},                                           // 90-97 E0-E7 E9
    {Nibble(8), Nibble(8), Nibbles(0xA, 0xF), AnyNibble},  // 88 A0-FC
    {Nibble(8), Nibble(3), Nibble(9), Nibbles(0, 6)},      // 83 90-96
    {Nibble(9), Nibble(8), Nibbles(4, 6), AnyNibble},      // 98 40-6F
    {Nibble(9), Nibble(8), Nibbles(0xA, 0xF), AnyNibble},  // 98 A0-FC
    {Nibble(8), Nibble(2), Nibble(9), Nibble(0xF)},        // 82 9F
    {Nibble(0xE), Nibble(8), Nibbles(4, 0xF), AnyNibble},  // E8 40-FC
}};

// The shuffle table of one of the four nibbles: entry N has bit K when class K's set holds N.
constexpr std::array<uint8_t, 16> NibbleTable(const TNibbleGroup& Group,
                                              uint16_t TNibbleClass::*Set) {
  std::array<uint8_t, 16> Table{};
  for (unsigned N = 0; N < 16; ++N) {
    for (unsigned K = 0; K < Group.size(); ++K) {
      if ((Group[K].*Set >> N) & 1) Table[N] = static_cast<uint8_t>(Table[N] | (1u << K));
    }
  }
  return Table;
}
alignas(16) constexpr auto LeadHighA = NibbleTable(GroupA, &TNibbleClass::LeadHigh);
alignas(16) constexpr auto LeadLowA = NibbleTable(GroupA, &TNibbleClass::LeadLow);
alignas(16) constexpr auto TrailHighA = NibbleTable(GroupA, &TNibbleClass::TrailHigh);
alignas(16) constexpr auto TrailLowA = NibbleTable(GroupA, &TNibbleClass::TrailLow);
alignas(16) constexpr auto LeadHighB = NibbleTable(GroupB, &TNibbleClass::LeadHigh);
alignas(16) constexpr auto LeadLowB = NibbleTable(GroupB, &TNibbleClass::LeadLow);
alignas(16) constexpr auto TrailHighB = NibbleTable(GroupB, &TNibbleClass::TrailHigh);
alignas(16) constexpr auto TrailLowB = NibbleTable(GroupB, &TNibbleClass::TrailLow);
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
