// Code page 932 validation: SSE2 finds the lead bytes of 64 bytes a step and judges the common
// pairs, a bitmap the others, and a scalar pass names the first bad byte.
#include "library/CodePage932/Cp932.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)

inline __m128i Load16(const unsigned char* P) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
}

inline __m128i Is(__m128i V, unsigned char B) {
  return _mm_cmpeq_epi8(V, _mm_set1_epi8(static_cast<char>(B)));
}

// Bytes of V in Lo..Hi (Hi - Lo < FF): adding 80 - Lo moves Lo to -128, the least signed byte,
// and keeps the range in order above it.
inline __m128i In(__m128i V, unsigned char Lo, unsigned char Hi) {
  const __m128i Moved = _mm_add_epi8(V, _mm_set1_epi8(static_cast<char>(0x80 - Lo)));
  return _mm_cmplt_epi8(Moved, _mm_set1_epi8(static_cast<char>(Hi - Lo + 1 - 0x80)));
}

inline uint64_t Mask16(int Bits, int Shift) {
  return static_cast<uint64_t>(static_cast<uint32_t>(Bits)) << Shift;
}

// Of the 64 bytes at P (P[64] readable): those taken for leads (MayLead: all of 80-FF but the
// katakana A1-DF), and those that start a pair known good without the table (Easy). Easy covers
// nearly all of Japanese prose: the kanji rows 88-9F and E0-E9 (88 and 98 from trail 9F on),
// punctuation 81 40-AC, hiragana 82 9F-F1, katakana 83 40-96.
inline void Classify64(const unsigned char* P, uint64_t& MayLead, uint64_t& Easy) {
  MayLead = Easy = 0;
  for (int K = 0; K < 64; K += 16) {
    const __m128i L = Load16(P + K);
    const __m128i T = Load16(P + K + 1);  // the trail, if L is a lead
    const __m128i Trail = _mm_andnot_si128(Is(T, 0x7F), In(T, 0x40, 0xFC));
    const __m128i HalfRow =
        _mm_andnot_si128(In(T, 0x9F, 0xFF), _mm_or_si128(Is(L, 0x88), Is(L, 0x98)));
    const __m128i NotKanji = _mm_or_si128(HalfRow, Is(L, 0xA0));  // stray A0 lies among them
    const __m128i Kanji = _mm_andnot_si128(NotKanji, In(L, 0x88, 0xE9));
    const __m128i Punctuation = _mm_and_si128(Is(L, 0x81), In(T, 0x00, 0xAC));
    const __m128i Katakana = _mm_and_si128(Is(L, 0x83), In(T, 0x00, 0x96));
    const __m128i Hiragana = _mm_and_si128(Is(L, 0x82), In(T, 0x9F, 0xF1));
    const __m128i Good = _mm_or_si128(
        _mm_and_si128(Trail, _mm_or_si128(Kanji, _mm_or_si128(Punctuation, Katakana))), Hiragana);
    MayLead |= Mask16(_mm_movemask_epi8(L) & ~_mm_movemask_epi8(In(L, 0xA1, 0xDF)), K);
    Easy |= Mask16(_mm_movemask_epi8(Good), K);
  }
}

// The lead bytes among 64 of which MayLead may lead, when byte 0 is a trail if TrailIn.
// A run of bytes that may lead alternates lead, trail from its start, so a lead sits at an even
// distance from the start of its run; adding a bit at each run's start clears exactly the runs
// that start at an odd position, which tells each run's parity.
inline uint64_t Leads64(uint64_t MayLead, uint64_t TrailIn) {
  constexpr uint64_t Even = 0x5555555555555555ull;
  const uint64_t C = MayLead & ~TrailIn;  // a trail leads nothing; the byte after it starts a run
  const uint64_t Starts = C & ~(C << 1);
  const uint64_t OddRuns = C & ~(C + (Starts & ~Even));
  return C & (Even ^ OddRuns);
}

// What a block scan returns when the text has no bad byte.
constexpr size_t NoFault = SIZE_MAX;

// Whether the 64 bytes at P, whose byte 0 is a trail if TrailIn, are whole characters; P[64]
// must be readable, as the trail of a lead at 63. TrailIn becomes the next block's, and stays
// as it was for a bad block, whose first character then starts at -TrailIn.
// A stray byte (80, A0, FD-FF) is taken for a lead: up to the first fault the leads are the
// same, and a stray "lead" is a fault of its own, as the table has no row for it.
inline bool Block64Ok(const unsigned char* P, uint64_t& TrailIn) {
  const __m128i Any = _mm_or_si128(_mm_or_si128(Load16(P), Load16(P + 16)),
                                   _mm_or_si128(Load16(P + 32), Load16(P + 48)));
  if (_mm_movemask_epi8(Any) == 0 && TrailIn == 0) return true;  // ASCII
  uint64_t MayLead, Easy;
  Classify64(P, MayLead, Easy);
  const uint64_t Leads = Leads64(MayLead, TrailIn);
  uint64_t Ok = 1;
  for (uint64_t M = Leads & ~Easy; M != 0; M &= M - 1) {
    const size_t I = static_cast<size_t>(std::countr_zero(M));
    Ok &= PairBit(P[I], P[I + 1]);
  }
  if (Ok == 0) return false;
  TrailIn = Leads >> 63;
  return true;
}

// Start of the first block with a bad byte, that block's first character; NoFault when none.
size_t FirstFaultStart(const unsigned char* Begin, size_t Size) {
  if (Size == 0) return NoFault;
  uint64_t TrailIn = 0;
  size_t At = 0;
  for (; Size - At > 64; At += 64) {
    if (!Block64Ok(Begin + At, TrailIn)) return At - TrailIn;
  }
  // Zero padding leaves a lead in the last byte without its trail: a cut pair is a bad one.
  unsigned char Last[65] = {};
  std::memcpy(Last, Begin + At, Size - At);
  return Block64Ok(Last, TrailIn) ? NoFault : At - TrailIn;
}

size_t FirstBadByte(const unsigned char* Begin, size_t Size) {
  const size_t From = FirstFaultStart(Begin, Size);
  return From == NoFault ? Size : ScanScalar(Begin, Size, From);
}

#else

size_t FirstBadByte(const unsigned char* Begin, size_t Size) {
  return ScanScalar(Begin, Size, 0);
}

#endif  // __SSE2__

}  // namespace

bool IsCp932Pair(unsigned char Lead, unsigned char Trail) {
  return PairBit(Lead, Trail) != 0;
}

bool ValidateCp932(std::string_view Text, size_t& Bad) {
  Bad = FirstBadByte(reinterpret_cast<const unsigned char*>(Text.data()), Text.size());
  return Bad == Text.size();
}
