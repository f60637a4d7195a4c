// UTF-8 validation: lookup tables judge 16 or 64 bytes a step, a scalar pass names the bad byte.
#include "library/UtfUnit/Utf8Validate.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CORVANE_UTF8_X86 1
#else
#define CORVANE_UTF8_X86 0
#endif

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

#if CORVANE_UTF8_X86

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
constexpr char ThirdAfter = static_cast<char>(0xE0 - 0x80);  // E0..FF minus this has bit 7
constexpr char FourthAfter = static_cast<char>(0xF0 - 0x80);
constexpr char Bit7 = static_cast<char>(0x80);

// --- SSSE3: 16 bytes a step ---

__attribute__((target("ssse3"), always_inline)) inline __m128i Load16(const void* P) {
  return _mm_loadu_si128(static_cast<const __m128i*>(P));
}

__attribute__((target("ssse3"), always_inline)) inline bool Any16(__m128i V) {
  return _mm_movemask_epi8(_mm_cmpeq_epi8(V, _mm_setzero_si128())) != 0xFFFF;
}

// Nonzero bytes where Input, after the last bytes of Previous, breaks a sequence.
__attribute__((target("ssse3"), always_inline)) inline __m128i Faults16(__m128i Input,
                                                                        __m128i Previous) {
  const __m128i Prev1 = _mm_alignr_epi8(Input, Previous, 15);
  const __m128i Prev2 = _mm_alignr_epi8(Input, Previous, 14);
  const __m128i Prev3 = _mm_alignr_epi8(Input, Previous, 13);
  const __m128i Nibble = _mm_set1_epi8(0x0F);
  const __m128i Pair = _mm_and_si128(
      _mm_and_si128(
          _mm_shuffle_epi8(Load16(Byte1High), _mm_and_si128(_mm_srli_epi16(Prev1, 4), Nibble)),
          _mm_shuffle_epi8(Load16(Byte1Low), _mm_and_si128(Prev1, Nibble))),
      _mm_shuffle_epi8(Load16(Byte2High), _mm_and_si128(_mm_srli_epi16(Input, 4), Nibble)));
  const __m128i MustContinue = _mm_or_si128(_mm_subs_epu8(Prev2, _mm_set1_epi8(ThirdAfter)),
                                            _mm_subs_epu8(Prev3, _mm_set1_epi8(FourthAfter)));
  return _mm_xor_si128(Pair, _mm_and_si128(MustContinue, _mm_set1_epi8(Bit7)));
}

// False when Input breaks the text; otherwise it becomes the block before the next one.
__attribute__((target("ssse3"), always_inline)) inline bool Block16Ok(__m128i Input,
                                                                      __m128i& Previous,
                                                                      __m128i& Pending) {
  if (_mm_movemask_epi8(Input) == 0) {
    // ASCII needs no tables; it only must not cut short a sequence from the block before.
    if (Any16(Pending)) return false;
  } else {
    if (Any16(Faults16(Input, Previous))) return false;
    Pending = _mm_subs_epu8(Input, Load16(IncompleteMax + 16));
  }
  Previous = Input;
  return true;
}

__attribute__((target("ssse3"))) size_t WholeBlocksSsse3(const unsigned char* Begin, size_t Size) {
  __m128i Previous = _mm_setzero_si128(), Pending = _mm_setzero_si128();
  size_t At = 0;
  while (Size - At >= 16 && Block16Ok(Load16(Begin + At), Previous, Pending)) At += 16;
  return At;
}

// --- AVX2: 64 bytes a step ---
// Win64 gives no 32-byte aligned stack: loads are unaligned, as are mingw-w64 gcc's ymm spills.

__attribute__((target("avx2"), always_inline)) inline __m256i Load32(const void* P) {
  return _mm256_loadu_si256(static_cast<const __m256i*>(P));
}

__attribute__((target("avx2"), always_inline)) inline __m256i Table32(const uint8_t* Table) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Table)));
}

__attribute__((target("avx2"), always_inline)) inline bool Any32(__m256i V) {
  return !_mm256_testz_si256(V, V);
}

// Faults16() on 32 bytes.
__attribute__((target("avx2"), always_inline)) inline __m256i Faults32(__m256i Input,
                                                                       __m256i Previous) {
  // alignr shifts within each 128-bit lane, so each lane gets the 16 bytes before it first.
  const __m256i Before = _mm256_permute2x128_si256(Previous, Input, 0x21);
  const __m256i Prev1 = _mm256_alignr_epi8(Input, Before, 15);
  const __m256i Prev2 = _mm256_alignr_epi8(Input, Before, 14);
  const __m256i Prev3 = _mm256_alignr_epi8(Input, Before, 13);
  const __m256i Nibble = _mm256_set1_epi8(0x0F);
  const __m256i Pair = _mm256_and_si256(
      _mm256_and_si256(_mm256_shuffle_epi8(Table32(Byte1High),
                                           _mm256_and_si256(_mm256_srli_epi16(Prev1, 4), Nibble)),
                       _mm256_shuffle_epi8(Table32(Byte1Low), _mm256_and_si256(Prev1, Nibble))),
      _mm256_shuffle_epi8(Table32(Byte2High),
                          _mm256_and_si256(_mm256_srli_epi16(Input, 4), Nibble)));
  const __m256i MustContinue =
      _mm256_or_si256(_mm256_subs_epu8(Prev2, _mm256_set1_epi8(ThirdAfter)),
                      _mm256_subs_epu8(Prev3, _mm256_set1_epi8(FourthAfter)));
  return _mm256_xor_si256(Pair, _mm256_and_si256(MustContinue, _mm256_set1_epi8(Bit7)));
}

// False when Low and High break the text; otherwise High is the block before the next pair.
__attribute__((target("avx2"), always_inline)) inline bool Block64Ok(__m256i Low, __m256i High,
                                                                     __m256i& Previous,
                                                                     __m256i& Pending) {
  if (_mm256_movemask_epi8(_mm256_or_si256(Low, High)) == 0) {
    if (Any32(Pending)) return false;
  } else {
    if (Any32(_mm256_or_si256(Faults32(Low, Previous), Faults32(High, Low)))) return false;
    Pending = _mm256_subs_epu8(High, Load32(IncompleteMax));
  }
  Previous = High;
  return true;
}

__attribute__((target("avx2"))) size_t WholeBlocksAvx2(const unsigned char* Begin, size_t Size) {
  __m256i Previous = _mm256_setzero_si256(), Pending = _mm256_setzero_si256();
  for (size_t At = 0;; At += 64) {
    if (Size - At < 64) return At;
    if (!Block64Ok(Load32(Begin + At), Load32(Begin + At + 32), Previous, Pending)) return At;
  }
}

#endif  // CORVANE_UTF8_X86

using TFirstBadByte = size_t (*)(const unsigned char* Begin, size_t Size);

TFirstBadByte Implementation(TUtf8Validator Kind) {
  if (!Utf8ValidatorAvailable(Kind)) return FirstBadByteScalar;
  switch (Kind) {
#if CORVANE_UTF8_X86
    case uvSsse3:
      return FirstBadByteVector<WholeBlocksSsse3>;
    case uvAvx2:
      return FirstBadByteVector<WholeBlocksAvx2>;
#endif
    default:
      return FirstBadByteScalar;
  }
}

TFirstBadByte BestImplementation() {
  for (TUtf8Validator Kind : {uvAvx2, uvSsse3}) {
    if (Utf8ValidatorAvailable(Kind)) return Implementation(Kind);
  }
  return FirstBadByteScalar;
}

}  // namespace

bool Utf8ValidatorAvailable(TUtf8Validator Kind) {
#if CORVANE_UTF8_X86
  // Static constructors may run before libgcc has read the CPU's features.
  __builtin_cpu_init();
#endif
  switch (Kind) {
    case uvScalar:
      return true;
#if CORVANE_UTF8_X86
    case uvSsse3:
      return __builtin_cpu_supports("ssse3");
    case uvAvx2:
      return __builtin_cpu_supports("avx2");
#endif
    default:
      return false;
  }
}

bool ValidateUtf8With(TUtf8Validator Kind, std::string_view Bytes, size_t& BadOffset) {
  const auto* Begin = reinterpret_cast<const unsigned char*>(Bytes.data());
  BadOffset = Implementation(Kind)(Begin, Bytes.size());
  return BadOffset == Bytes.size();
}

bool ValidateUtf8(std::string_view Bytes, size_t& BadOffset) {
  static const TFirstBadByte Best = BestImplementation();
  BadOffset = Best(reinterpret_cast<const unsigned char*>(Bytes.data()), Bytes.size());
  return BadOffset == Bytes.size();
}
