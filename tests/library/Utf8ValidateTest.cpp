// Each ValidateUtf8 implementation against a decoder taken straight from Unicode's UTF-8 table.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "library/UtfUnit/Utf8Validate.h"
#include "library/UtfUnit/UtfUnit.h"
#include "tests/library/SimdLevels.h"
#include "tests/library/TestText.h"
#include "tests/RandomCases.h"

namespace {

struct TWellFormed {
  unsigned char LeadLo, LeadHi, SecondLo, SecondHi;
  size_t Length;
};
constexpr TWellFormed WellFormed[] = {
    {0x00, 0x7F, 0x00, 0x00, 1}, {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},
    {0xE1, 0xEC, 0x80, 0xBF, 3}, {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3},
    {0xF0, 0xF0, 0x90, 0xBF, 4}, {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4}};

size_t OracleBadOffset(std::string_view S) {
  for (size_t I = 0; I < S.size();) {
    const auto Byte = [&](size_t K) { return static_cast<unsigned char>(S[I + K]); };
    const auto* Row = std::find_if(std::begin(WellFormed), std::end(WellFormed), [&](auto& R) {
      return R.LeadLo <= Byte(0) && Byte(0) <= R.LeadHi;
    });
    if (Row == std::end(WellFormed) || S.size() - I < Row->Length) return I;
    if (Row->Length > 1 && (Byte(1) < Row->SecondLo || Byte(1) > Row->SecondHi)) return I;
    for (size_t K = 2; K < Row->Length; ++K) {
      if (Byte(K) < 0x80 || Byte(K) > 0xBF) return I;
    }
    I += Row->Length;
  }
  return S.size();
}

// C in Length bytes, whether or not that is its shortest form. Encode(0x2F, 2) == "\xC0\xAF"
std::string Encode(char32_t C, size_t Length) {
  if (Length == 1) return std::string(1, static_cast<char>(C));
  std::string Out(Length, '\0');
  for (size_t K = Length - 1; K > 0; --K, C >>= 6) Out[K] = static_cast<char>(0x80 | (C & 0x3F));
  Out[0] = static_cast<char>(((0xF00u >> Length) | C) & 0xFF);
  return Out;
}

size_t ShortestLength(char32_t C) {
  return C < 0x80 ? 1 : C < 0x800 ? 2 : C < 0x10000 ? 3 : 4;
}

// Every implementation this CPU runs, each held to the oracle.
class Utf8Validate : public testing::Test {
 protected:
  // Expected is the first bad byte (Bytes.size() if none); ValidateUtf8() must agree as well.
  testing::AssertionResult Matches(std::string_view Bytes, size_t Expected) {
    size_t DefaultBad = 0xBEEF;
    const bool DefaultOk = ValidateUtf8(Bytes, DefaultBad);
    if (DefaultOk != (Expected == Bytes.size()) || DefaultBad != Expected) {
      return testing::AssertionFailure() << "default: got " << DefaultOk << "/" << DefaultBad
                                         << ", expected " << Expected << ": " << Hex(Bytes);
    }
    for (TSimdLevel Level : Levels) {
      size_t Bad = 0xDEAD;
      const bool Ok = ValidateUtf8With(Level, Bytes, Bad);
      if (Ok != DefaultOk || Bad != Expected) {
        return testing::AssertionFailure() << SimdLevelName(Level) << ": got " << Ok << "/" << Bad
                                           << ", expected " << Expected << ": " << Hex(Bytes);
      }
    }
    return testing::AssertionSuccess();
  }

  const std::vector<TSimdLevel> Levels = LevelsOf(Utf8ValidatorAvailable);
};

// 0 to 300 bytes of 1- to 4-byte characters and ASCII runs, a third with random bytes mixed in.
std::string RandomText(std::mt19937& Random) {
  struct TRange {
    char32_t First, Count;
  };
  constexpr TRange Ranges[] = {
      {0x20, 0x5F}, {0x80, 0x780}, {0x800, 0xD000}, {0xE000, 0x2000}, {0x10000, 0x100000}};
  const size_t Length = Random() % 301;
  const bool Noisy = Random() % 3 == 0;
  std::string S;
  while (S.size() < Length) {
    const size_t Kind = Random() % 7;
    if (Kind < std::size(Ranges)) {
      const char32_t C = Ranges[Kind].First + Random() % Ranges[Kind].Count;
      S += Encode(C, ShortestLength(C));
    } else if (Kind == 5) {
      S.append(Random() % 40, 'a');  // long enough for whole ASCII blocks
    } else {
      S += Noisy ? static_cast<char>(Random()) : 'z';
    }
  }
  S.resize(Length);
  return S;
}

TEST_F(Utf8Validate, AgreesWithTheOracleOnRandomText) {
  std::mt19937 Random(20240611);
  for (int I = 0; I < RandomCases(30000); ++I) {
    const std::string S = RandomText(Random);
    ASSERT_TRUE(Matches(S, OracleBadOffset(S))) << "case " << I;
  }
}

TEST_F(Utf8Validate, NamesTheBadByteAtEveryOffset) {
  struct TRow {
    std::string Bytes;
    size_t BadAt;
  };
  std::vector<TRow> Rows;
  // Each of these is bad from its first byte on: stray, overlong, surrogate, too large, cut.
  for (const char* Bytes :
       {"\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xE0\x9F\xBF", "\xED\xA0\x80",
        "\xED\xBF\xBF", "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xC2",
        "\xE3\x81", "\xF0\x9F\x98", "\xC2\x41", "\xE3\x41\x82", "\xE3\x81\x41", "\xF0\x9F\x41\x80",
        "\xF0\x9F\x98\xE3"}) {
    Rows.push_back({Bytes, 0});
  }
  for (int Lead = 0xF5; Lead <= 0xFF; ++Lead) {
    Rows.push_back({std::string(1, static_cast<char>(Lead)) + "\x80\x80\x80", 0});
  }
  // A continuation after a whole character is stray, even where a 3rd or 4th byte would be.
  for (const std::string Whole :
       {"\xC2\x80", "\xE3\x81\x82", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"}) {
    Rows.push_back({Whole + "\x80", Whole.size()});
  }
  const std::string Suffixes[] = {"", std::string(40, 'a'), "\xE6\x97\xA5\xE6\x9C\xAC"};
  const std::string Chars[] = {"\xE6\x97\xA5", "a", "\xC3\xA9", "\xF0\x9F\x98\x80"};
  for (const TRow& Row : Rows) {
    for (size_t Offset = 0; Offset <= 70; ++Offset) {
      std::string MixedPrefix;
      for (size_t K = 0; MixedPrefix.size() < Offset; ++K) MixedPrefix += Chars[K % 4];
      for (const std::string& Prefix : {std::string(Offset, 'x'), MixedPrefix}) {
        for (const std::string& Suffix : Suffixes) {
          const std::string S = Prefix + Row.Bytes + Suffix;
          ASSERT_EQ(OracleBadOffset(S), Prefix.size() + Row.BadAt) << Hex(S);
          ASSERT_TRUE(Matches(S, Prefix.size() + Row.BadAt));
        }
      }
    }
  }
}

TEST_F(Utf8Validate, AcceptsEveryCodePointAndNamesEveryCut) {
  std::vector<char32_t> Points = {0,       0x7F,    0x80,    0x7FF,    0x800,   0xFFF,
                                  0x1000,  0xD7FF,  0xE000,  0xFFFD,   0xFFFF,  0x10000,
                                  0x3FFFF, 0x40000, 0xFFFFF, 0x100000, 0x10FFFF};
  for (char32_t C = 0; C <= 0x10FFFF; C += 1000) {
    if (C < 0xD800 || C > 0xDFFF) Points.push_back(C);
  }
  std::string Text;
  std::vector<size_t> Starts;  // of each character, and the end
  for (char32_t C : Points) {
    Starts.push_back(Text.size());
    Text += Encode(C, ShortestLength(C));
  }
  Starts.push_back(Text.size());
  ASSERT_TRUE(Matches(Text, Text.size()));
  // Every cut inside a character leaves that character's lead as the first bad byte.
  for (size_t Cut = 0, Next = 0; Cut <= Text.size(); ++Cut) {
    if (Starts[Next] < Cut) ++Next;
    const size_t Expected = Starts[Next] == Cut ? Cut : Starts[Next - 1];
    ASSERT_TRUE(Matches(std::string_view(Text).substr(0, Cut), Expected)) << "cut " << Cut;
  }
}

TEST_F(Utf8Validate, RejectsOverlongSurrogateAndTooLargeForms) {
  std::vector<std::string> Bad;
  for (char32_t C = 0; C < 0x10000; C += 7) {
    for (size_t Length = ShortestLength(C) + 1; Length <= 4; ++Length)
      Bad.push_back(Encode(C, Length));
  }
  for (char32_t C = 0xD800; C <= 0xDFFF; C += 3) Bad.push_back(Encode(C, 3));
  for (char32_t C = 0x110000; C <= 0x1FFFFF; C += 997) Bad.push_back(Encode(C, 4));
  for (size_t I = 0; I < Bad.size(); ++I) {
    const std::string Prefix(I % 40, 'x');
    ASSERT_TRUE(Matches(Prefix + Bad[I] + "tail", Prefix.size())) << "row " << I;
  }
}

// The ASCII head of a text at every level: up to the first byte from 0x80 on, wherever it is
// (whole blocks, the tail, none), never reading past the text's end.
TEST(AsciiPrefix, StopsAtTheFirstHighByteAtEveryLevel) {
  for (size_t Size = 0; Size <= 200; ++Size) {
    for (size_t High = 0; High <= Size; ++High) {
      std::vector<char> Buffer(Size);
      for (size_t I = 0; I < Size; ++I) Buffer[I] = static_cast<char>('!' + (I * 7) % 90);
      if (High < Size) Buffer[High] = static_cast<char>(0x80 + (High * 13) % 128);
      if (High + 1 < Size) Buffer[Size - 1] = '\xFF';  // a later one changes nothing
      const std::string_view Text(Buffer.data(), Size);
      ASSERT_EQ(AsciiPrefix(Text), High) << Size << " bytes, high at " << High;
      for (const TSimdLevel Level : {slScalar, slSse2, slSsse3, slAvx2}) {
        ASSERT_EQ(AsciiPrefixWith(Level, Text), High)
            << SimdLevelName(Level) << ": " << Size << " bytes, high at " << High;
      }
    }
  }
}

// The one conversion both ways: pairs, lone surrogates, and invalid bytes strict and lenient.
TEST(UtfUnit, ConvertsBothWays) {
  EXPECT_EQ(Utf16ToUtf8(u"a\u00e9\u3042\U0001F600"), "a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
  std::u16string Out = u"old";
  EXPECT_TRUE(Utf8ToUtf16("a\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80", Out));
  EXPECT_EQ(Out, u"a\u00e9\u3042\U0001F600");
  EXPECT_FALSE(Utf8ToUtf16("ok\xE3\x81", Out));
  EXPECT_EQ(Out, u"");
  EXPECT_EQ(Utf8ToUtf16Lenient("a\xFF\xE3\x81\x82\xC3"), u"a\uFFFD\u3042\uFFFD");
}

}  // namespace
