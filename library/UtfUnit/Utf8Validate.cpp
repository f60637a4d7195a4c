// UTF-8 validation: lookup tables judge 64 bytes a step, a scalar pass names the bad byte.
#include "library/UtfUnit/Utf8Validate.h"

#include <cstdint>
#include <cstring>

#include "library/SimdUnit/Vector.h"

namespace {

constexpr uint64_t HighBits = 0x8080808080808080ull;

// Eight bytes at P, read without alignment requirements.
inline uint64_t Load8(const unsigned char* P) {
  uint64_t V;
  std::memcpy(&V, P, 8);
  return V;
}

inline bool IsContinuation(unsigned char B) {
  return (B & 0xC0) == 0x80;
}

// Length of the valid sequence at P by Unicode's table of well-formed UTF-8, or 0 when invalid.
size_t ValidSequenceLength(const unsigned char* P, const unsigned char* End) {
  const unsigned char B0 = P[0];
  const size_t Left = static_cast<size_t>(End - P);
  if (B0 < 0x80) return 1;
  if (B0 >= 0xC2 && B0 <= 0xDF) return Left >= 2 && IsContinuation(P[1]) ? 2 : 0;
  if (B0 >= 0xE0 && B0 <= 0xEF) {
    if (Left < 3) return 0;
    const unsigned char Lo = B0 == 0xE0 ? 0xA0 : 0x80;
    const unsigned char Hi = B0 == 0xED ? 0x9F : 0xBF;
    return P[1] >= Lo && P[1] <= Hi && IsContinuation(P[2]) ? 3 : 0;
  }
  if (B0 >= 0xF0 && B0 <= 0xF4) {
    if (Left < 4) return 0;
    const unsigned char Lo = B0 == 0xF0 ? 0x90 : 0x80;
    const unsigned char Hi = B0 == 0xF4 ? 0x8F : 0xBF;
    return P[1] >= Lo && P[1] <= Hi && IsContinuation(P[2]) && IsContinuation(P[3]) ? 4 : 0;
  }
  return 0;
}

// Offset of the first bad byte at or after From, which starts a character; Size when none.
size_t ScanScalar(const unsigned char* Begin, size_t Size, size_t From) {
  const unsigned char* End = Begin + Size;
  const unsigned char* P = Begin + From;
  while (P < End) {
    // Plain ASCII is by far the common case: skip it sixteen bytes at a time.
    while (End - P >= 16 && ((Load8(P) | Load8(P + 8)) & HighBits) == 0) P += 16;
    if (P == End) break;
    const size_t Length = ValidSequenceLength(P, End);
    if (Length == 0) return static_cast<size_t>(P - Begin);
    P += Length;
  }
  return Size;
}

size_t FirstBadByteScalar(const unsigned char* Begin, size_t Size) {
  return ScanScalar(Begin, Size, 0);
}

#if CORVANE_SIMD_X86

// A vector pass stops at the first block it flags, or where fewer bytes than a block are left.
// A sequence it flags, or leaves open there, has its lead at most 3 bytes before that point,
// so the scalar pass goes on from the character start before: it names the bad byte, or checks
// the short rest.
template <size_t (*WholeBlocks)(const unsigned char* Begin, size_t Size)>
size_t FirstBadByteVector(const unsigned char* Begin, size_t Size) {
  const size_t Stop = WholeBlocks(Begin, Size);
  size_t From = Stop >= 3 ? Stop - 3 : 0;
  while (From > 0 && IsContinuation(Begin[From])) --From;
  return ScanScalar(Begin, Size, From);
}

// Faults of a byte pair: each table sets what its nibble allows, so only a real fault survives AND.
constexpr uint8_t TooShort = 1 << 0;      // lead, then ASCII or another lead
constexpr uint8_t TooLong = 1 << 1;       // ASCII, then a continuation
constexpr uint8_t Overlong3 = 1 << 2;     // E0 80..9F
constexpr uint8_t TooLarge = 1 << 3;      // F4 90..BF, F5..FF 90..BF
constexpr uint8_t Surrogate = 1 << 4;     // ED A0..BF
constexpr uint8_t Overlong2 = 1 << 5;     // C0..C1 80..BF
constexpr uint8_t TooLarge1000 = 1 << 6;  // F5..FF 80..8F
constexpr uint8_t Overlong4 = 1 << 6;     // F0 80..8F
constexpr uint8_t TwoConts = 1 << 7;      // continuation, continuation: right only as 3rd/4th byte
constexpr uint8_t Carry = TooShort | TooLong | TwoConts;  // faults whatever the low nibble

// clang-format off
// By the high nibble of the previous byte.
constexpr uint8_t Byte1High[16] = {
    TooLong, TooLong, TooLong, TooLong, TooLong, TooLong, TooLong, TooLong,  // 0..7: ASCII
    TwoConts, TwoConts, TwoConts, TwoConts,                                  // 8..B: continuation
    TooShort | Overlong2,                                                    // C: C0..CF
    TooShort,                                                                // D: D0..DF
    TooShort | Overlong3 | Surrogate,                                        // E: 3-byte lead
    TooShort | TooLarge | TooLarge1000 | Overlong4};                         // F: 4 bytes or none

// By the low nibble of the previous byte.
constexpr uint8_t Byte1Low[16] = {
    Carry | Overlong3 | Overlong2 | Overlong4,    // C0, E0, F0
    Carry | Overlong2,                            // C1
    Carry, Carry,
    Carry | TooLarge,                             // F4
    Carry | TooLarge | TooLarge1000,              // F5
    Carry | TooLarge | TooLarge1000,
    Carry | TooLarge | TooLarge1000,
    Carry | TooLarge | TooLarge1000,
    Carry | TooLarge | TooLarge1000,
    Carry | TooLarge | TooLarge1000,
    Carry | TooLarge | TooLarge1000,
    Carry | TooLarge | TooLarge1000,
    Carry | TooLarge | TooLarge1000 | Surrogate,  // ED, FD
    Carry | TooLarge | TooLarge1000,
    Carry | TooLarge | TooLarge1000};             // FF

// By the high nibble of the current byte.
constexpr uint8_t Byte2High[16] = {
    TooShort, TooShort, TooShort, TooShort, TooShort, TooShort, TooShort, TooShort,  // ASCII
    TooLong | Overlong2 | TwoConts | Overlong3 | TooLarge1000 | Overlong4,           // 80..8F
    TooLong | Overlong2 | TwoConts | Overlong3 | TooLarge,                           // 90..9F
    TooLong | Overlong2 | TwoConts | Surrogate | TooLarge,                           // A0..AF
    TooLong | Overlong2 | TwoConts | Surrogate | TooLarge,                           // B0..BF
    TooShort, TooShort, TooShort, TooShort};                                         // leads
// clang-format on

// No lead may wait for continuations in the last three bytes; SSSE3 uses the last sixteen.
constexpr uint8_t IncompleteMax[32] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xEF, 0xDF, 0xBF};

// Bit 7 marks where a 3rd or 4th byte is due: it cancels TwoConts there and flags anything else.
constexpr uint8_t ThirdAfter = 0xE0 - 0x80;  // E0..FF minus this has bit 7
constexpr uint8_t FourthAfter = 0xF0 - 0x80;
constexpr uint8_t Bit7 = 0x80;

}  // namespace

// clang-format off
CORVANE_SIMD_BEGIN(sse2, "sse2")
#include "library/UtfUnit/AsciiBlocks.inc"
CORVANE_SIMD_END
CORVANE_SIMD_BEGIN(ssse3, "ssse3")
#include "library/UtfUnit/Utf8Blocks.inc"
CORVANE_SIMD_END
CORVANE_SIMD_BEGIN(avx2, "avx2,popcnt")
#include "library/UtfUnit/Utf8Blocks.inc"
#include "library/UtfUnit/AsciiBlocks.inc"
CORVANE_SIMD_END
// clang-format on

namespace {

#endif  // CORVANE_SIMD_X86

using TFirstBadByte = size_t (*)(const unsigned char* Begin, size_t Size);

// By TSimdLevel; the lookup needs SSSE3's byte shuffle.
constexpr TFirstBadByte Implementations[] = {
    FirstBadByteScalar,
#if CORVANE_SIMD_X86
    nullptr,
    FirstBadByteVector<simd_ssse3::Utf8WholeBlocks>,
    FirstBadByteVector<simd_avx2::Utf8WholeBlocks>,
#endif
};

}  // namespace

bool Utf8ValidatorAvailable(TSimdLevel Level) {
  return SimdPick(Implementations, Level) != nullptr;
}

bool ValidateUtf8With(TSimdLevel Level, std::string_view Bytes, size_t& BadOffset) {
  const TFirstBadByte Pick = SimdPick(Implementations, Level);
  const auto* Begin = reinterpret_cast<const unsigned char*>(Bytes.data());
  BadOffset = (Pick != nullptr ? Pick : FirstBadByteScalar)(Begin, Bytes.size());
  return BadOffset == Bytes.size();
}

bool ValidateUtf8(std::string_view Bytes, size_t& BadOffset) {
  static const TFirstBadByte Best = SimdBest(Implementations);
  BadOffset = Best(reinterpret_cast<const unsigned char*>(Bytes.data()), Bytes.size());
  return BadOffset == Bytes.size();
}

namespace {

// The bytes below 0x80 at the head of P, eight at a time, then one at a time.
size_t AsciiPrefixScalar(const char* P, size_t Size, size_t At) {
  for (uint64_t Word; Size - At >= 8; At += 8) {
    std::memcpy(&Word, P + At, 8);
    if ((Word & HighBits) != 0) break;
  }
  while (At < Size && static_cast<unsigned char>(P[At]) < 0x80) ++At;
  return At;
}

using TAsciiBlocks = size_t (*)(const char* P, size_t Size);

size_t NoAsciiBlocks(const char*, size_t) {
  return 0;
}

// By TSimdLevel: whole blocks of 64 ASCII bytes; the scalar pass finds the first other byte.
constexpr TAsciiBlocks AsciiBlocks[] = {
    NoAsciiBlocks,
#if CORVANE_SIMD_X86
    simd_sse2::AsciiBlocks,
    nullptr,
    simd_avx2::AsciiBlocks,
#endif
};

}  // namespace

size_t AsciiPrefix(std::string_view Bytes) {
  static const TAsciiBlocks Best = SimdBest(AsciiBlocks);
  return AsciiPrefixScalar(Bytes.data(), Bytes.size(), Best(Bytes.data(), Bytes.size()));
}

size_t AsciiPrefixWith(TSimdLevel Level, std::string_view Bytes) {
  const TAsciiBlocks Pick = SimdPick(AsciiBlocks, Level);
  const size_t Blocks = Pick != nullptr ? Pick(Bytes.data(), Bytes.size()) : 0;
  return AsciiPrefixScalar(Bytes.data(), Bytes.size(), Blocks);
}
