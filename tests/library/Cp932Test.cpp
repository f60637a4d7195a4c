// ValidateCp932 and IsCp932Pair against the system's own code page 932 converter (glibc's iconv,
// or MultiByteToWideChar under Windows and wine), and each vector scan against a scalar oracle.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "library/CodePage932/Cp932.h"
#include "tests/library/SimdLevels.h"
#include "tests/library/TestText.h"
#include "tests/RandomCases.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {

// Pairs in glibc's CP932: JIS X 0208 6879, NEC row 13 83, NEC-selected IBM 374, user-defined
// area 1880, IBM 388. A converter that lost its table would agree on nothing being assigned.
constexpr size_t AssignedPairs = 9604;

// What the converter makes of one or two bytes: Accepted when all of them convert, Pair when
// two bytes make one character.
struct TVerdict {
  bool Accepted, Pair;
};

#ifdef _WIN32

TVerdict Convert(std::string_view S) {
  wchar_t Out[4];
  const int N =
      MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, S.data(), static_cast<int>(S.size()), Out, 4);
  // Wine maps the single byte 80 to U+0080, which glibc refuses and so does the table; wine's
  // verdict on every other byte and pair is glibc's.
  const bool Single80 = S[0] == '\x80' || (S.size() == 2 && S[1] == '\x80' && N == 2);
  return {N > 0 && !Single80, S.size() == 2 && N == 1};
}

#else

TVerdict Convert(std::string_view S) {
  static const iconv_t Cd = iconv_open("UTF-16LE", "CP932");
  if (Cd == reinterpret_cast<iconv_t>(-1)) return {false, false};  // fails AssignedPairs
  iconv(Cd, nullptr, nullptr, nullptr, nullptr);
  std::string In(S);
  char Out[16];
  char* InP = In.data();
  char* OutP = Out;
  size_t InLeft = In.size(), OutLeft = sizeof Out;
  const bool Ok = iconv(Cd, &InP, &InLeft, &OutP, &OutLeft) != static_cast<size_t>(-1);
  const bool Accepted = Ok && InLeft == 0;
  return {Accepted, Accepted && S.size() == 2 && OutP - Out == 2};
}

#endif

bool Valid(std::string_view S) {
  size_t Bad = 0;
  return ValidateCp932(S, Bad);
}

// Every pair through every implementation: the vector passes judge common pairs in registers,
// each by rules of its own, and none may take a pair the converter refuses.
TEST(Cp932, EveryByteAndPairAsTheSystemConverterHasIt) {
  static const std::vector<TSimdLevel> Levels = LevelsOf(Cp932ValidatorAvailable);
  for (unsigned B = 0; B < 256; ++B) {
    const std::string S(1, static_cast<char>(B));
    EXPECT_EQ(Valid(S), Convert(S).Accepted) << Hex(S);
  }
  size_t Pairs = 0;
  for (unsigned Lead = 0x80; Lead <= 0xFF; ++Lead) {
    for (unsigned Trail = 0; Trail < 256; ++Trail) {
      const std::string S = {static_cast<char>(Lead), static_cast<char>(Trail)};
      const TVerdict Want = Convert(S);
      Pairs += Want.Pair;
      ASSERT_EQ(IsCp932Pair(Lead, Trail), Want.Pair) << Hex(S);
      ASSERT_EQ(Valid(S), Want.Accepted) << Hex(S);
      for (const TSimdLevel Level : Levels) {
        size_t Bad = 0;
        ASSERT_EQ(ValidateCp932With(Level, S, Bad), Want.Accepted)
            << SimdLevelName(Level) << ": " << Hex(S);
      }
    }
  }
  EXPECT_EQ(Pairs, AssignedPairs);
}

// The first bad byte by a plain left-to-right walk.
size_t OracleBad(std::string_view S) {
  for (size_t I = 0; I < S.size();) {
    const auto B = static_cast<unsigned char>(S[I]);
    if (B < 0x80 || (B >= 0xA1 && B <= 0xDF)) {
      ++I;
    } else if (I + 1 < S.size() && IsCp932Pair(B, static_cast<unsigned char>(S[I + 1]))) {
      I += 2;
    } else {
      return I;
    }
  }
  return S.size();
}

// The default and every implementation this CPU runs.
testing::AssertionResult BadAt(std::string_view S, size_t Expected) {
  static const std::vector<TSimdLevel> Levels = LevelsOf(Cp932ValidatorAvailable);
  size_t Bad = 0xDEAD;
  bool Ok = ValidateCp932(S, Bad);
  for (size_t I = 0; I <= Levels.size(); ++I) {
    if (I > 0) Ok = ValidateCp932With(Levels[I - 1], S, Bad);
    if (Ok != (Expected == S.size()) || Bad != Expected) {
      return testing::AssertionFailure()
             << (I == 0 ? "default" : SimdLevelName(Levels[I - 1])) << ": size " << S.size()
             << ", expected " << Expected << ", got " << Ok << "/" << Bad << ": " << Hex(S);
    }
  }
  return testing::AssertionSuccess();
}

TEST(Cp932, NamesTheFirstBadByte) {
  const std::string A20(20, 'a'), A63(63, 'a'), A70(70, 'a');
  const std::string Equals130 = [] {
    std::string S;
    for (int I = 0; I < 65; ++I) S += "\x81\x81";  // a run of lead bytes across two blocks
    return S;
  }();
  const struct {
    std::string Bytes;
    size_t Bad;
  } Rows[] = {
      {"", 0},
      {"a\x82\xA0\xB1" + A70 + "\x88\x9F", 76},
      {"a\x82", 1},                  // lead cut by the end
      {A20 + "\x82\x20" + A20, 20},  // trail below 40, after a whole vector of ASCII
      {A70 + "\x81\x7F", 70},        // 7F trails nothing
      {"\x82\r\n", 0},               // a line break never trails
      {"\x82\n", 0},
      {"\x80", 0},
      {"ab\xA0", 2},
      {"\x82\xA0\xFD", 2},
      {"\xFE", 0},
      {"\xFF", 0},
      {"\x81\x80\xEE\xFC", 4},  // 80 trails; EEFC is assigned
      {"\xEE\xED", 0},          // EEED is not
      {"\x88\xFD", 0},
      {A63 + "\x82\xA0", 65},  // pair across two blocks
      {A63 + "\x82", 63},
      {A63 + "\x82\x7F" + A70, 63},
      {Equals130, 130},
      {Equals130 + "\x81", 130},
      {"a" + Equals130 + "\x81", 131},
      {"\xB1" + Equals130.substr(1), 129},  // the run starts one later: its last lead is cut
  };
  for (const auto& Row : Rows) EXPECT_TRUE(BadAt(Row.Bytes, Row.Bad));
}

// ASCII runs, katakana, assigned pairs (their trails often lead-capable, so runs of such bytes
// cross blocks), and rarely a bad single byte, an unassigned pair or a lone lead.
std::string RandomCp932Text(std::mt19937& Random) {
  const auto Byte = [&](unsigned Lo, unsigned Hi) {
    return static_cast<char>(Lo + Random() % (Hi - Lo + 1));
  };
  const auto Lead = [&] { return Random() % 2 ? Byte(0x81, 0x9F) : Byte(0xE0, 0xFC); };
  const size_t Length = Random() % 400;
  std::string S;
  while (S.size() < Length) {
    const unsigned Kind = Random() % 200;
    if (Kind < 20) {
      for (unsigned N = Random() % 40; N > 0; --N) S += Byte(0x00, 0x7F);
    } else if (Kind < 40) {
      S += Byte(0xA1, 0xDF);
    } else if (Kind < 197) {
      std::string Pair;
      do Pair = {Lead(), Byte(0x40, 0xFC)};
      while (!IsCp932Pair(Pair[0], Pair[1]));
      S += Pair;
    } else if (Kind == 197) {
      S += "\x80\xA0\xFD\xFE\xFF"[Random() % 5];
    } else if (Kind == 198) {
      S += {Lead(), Byte(0x00, 0xFF)};
    } else {
      S += Lead();
    }
  }
  return S;
}

TEST(Cp932, AgreesWithTheOracleOnRandomText) {
  std::mt19937 Random(932);
  for (int I = 0; I < RandomCases(20000); ++I) {
    const std::string S = RandomCp932Text(Random);
    // At any alignment, and in a buffer that ends with the text, so that AddressSanitizer sees
    // a read past its end (a std::string would hide one behind its NUL).
    const size_t Shift = Random() % 16;
    std::vector<char> Buffer(Shift, 'x');
    Buffer.insert(Buffer.end(), S.begin(), S.end());
    Buffer.shrink_to_fit();
    const std::string_view View(Buffer.data() + Shift, S.size());
    ASSERT_TRUE(BadAt(View, OracleBad(View))) << "case " << I;
  }
}

}  // namespace
