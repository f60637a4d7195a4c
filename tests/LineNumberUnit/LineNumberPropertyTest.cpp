// Random texts against the engine's invariants (see EngineOracles.h).
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "LineNumberUnit/LineNumberUnit.h"
#include "tests/LineNumberUnit/EngineOracles.h"
#include "tests/RandomCases.h"

namespace {

using engine_oracle::Printable;

// Texts with every kind of break, empty lines, a missing final break, and lines that
// already hold ":", digits, blanks, tabs and signs.
class TextGenerator {
 public:
  explicit TextGenerator(uint32_t Seed) : FRandom(Seed) {}

  uint32_t Below(uint32_t N) { return FRandom() % N; }

  std::u16string Text() {
    static constexpr char16_t Alphabet[] = u"ab: \t0123456789:+-x\u3000\uFF11\x01";
    static constexpr std::u16string_view Breaks[] = {u"\r\n", u"\r", u"\n"};
    std::u16string S;
    const uint32_t Lines = Below(4) == 0 ? Below(200) : Below(12);
    for (uint32_t L = 0; L < Lines; ++L) {
      if (Below(3) == 0) S += Below(2) == 0 ? u"12:" : u" 7: ";  // looks numbered already
      for (uint32_t C = Below(10); C > 0; --C) S += Alphabet[Below(std::size(Alphabet) - 1)];
      if (L + 1 < Lines || Below(2) == 0) S += Breaks[Below(3)];
    }
    return S;
  }

  int32_t Value() {
    static constexpr int32_t Edges[] = {
        std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(), 0, 1, -1, 9, 99};
    return Below(4) == 0 ? Edges[Below(std::size(Edges))]
                         : static_cast<int32_t>(Below(2001)) - 1000;
  }

 private:
  std::mt19937 FRandom;
};

constexpr int Rounds = RandomCases(3000);

TEST(EngineProperties, AddLineNumbersOnRandomTexts) {
  TextGenerator Gen(20240611);
  for (int I = 0; I < Rounds; ++I) {
    const std::u16string Text = Gen.Text();
    const int32_t Start = Gen.Value();
    const int32_t Step = Gen.Below(3) == 0 ? Gen.Value() : 1;
    const auto Options = static_cast<TLineNumberOptions>(Gen.Below(4));
    EXPECT_EQ(engine_oracle::CheckAddLineNumbers(Text, Start, Step, Options), "")
        << "case " << I << " start " << Start << " step " << Step << " options " << +Options
        << " text '" << Printable(Text) << "'";
  }
}

TEST(EngineProperties, AddPaddedLineNumbersOnRandomTexts) {
  TextGenerator Gen(777);
  for (int I = 0; I < Rounds; ++I) {
    const std::u16string Text = Gen.Text();
    const int32_t Start = Gen.Value();
    const int32_t Digits = 1 + static_cast<int32_t>(Gen.Below(12));
    const int32_t Step = Gen.Below(3) == 0 ? Gen.Value() : 1;
    const auto Options = static_cast<TLineNumberOptions>(Gen.Below(4));
    EXPECT_EQ(engine_oracle::CheckAddPaddedLineNumbers(Text, Start, Digits, Step, Options), "")
        << "case " << I << " start " << Start << " digits " << Digits << " step " << Step
        << " options " << +Options << " text '" << Printable(Text) << "'";
  }
}

TEST(EngineProperties, RoundTripFromNonNegativeStarts) {
  // The oracles above skip the round trip when a value is negative; here it always applies.
  TextGenerator Gen(4242);
  for (int I = 0; I < Rounds; ++I) {
    const std::u16string Text = Gen.Text();
    const int32_t Start = static_cast<int32_t>(Gen.Below(100000));
    const int32_t Step = static_cast<int32_t>(Gen.Below(50));
    const auto Options = static_cast<TLineNumberOptions>(Gen.Below(2));  // lnoReverse or not
    int32_t Width = 0;
    EXPECT_EQ(DeleteLineNumbers(AddLineNumbers(Text, Start, Step, Options, Width)), Text)
        << "case " << I << " text '" << Printable(Text) << "'";
    EXPECT_EQ(DeleteLineNumbers(AddPaddedLineNumbers(Text, Start, 3, Step, Options, Width)), Text)
        << "case " << I << " text '" << Printable(Text) << "'";
  }
}

TEST(EngineProperties, RemovalAndTidyingOnRandomTexts) {
  TextGenerator Gen(99);
  for (int I = 0; I < Rounds; ++I) {
    std::u16string Text = Gen.Text();
    // Half the texts are numbered first, so the tidying operations find work to do.
    if (Gen.Below(2) == 0) {
      int32_t Width = 0;
      Text = AddLineNumbers(Text, Gen.Value(), 1, static_cast<TLineNumberOptions>(Gen.Below(4)),
                            Width);
    }
    EXPECT_EQ(engine_oracle::CheckDeleteLineNumbers(Text), "")
        << "case " << I << " text '" << Printable(Text) << "'";
    EXPECT_EQ(engine_oracle::CheckDeleteNumberOnlyLines(Text), "")
        << "case " << I << " text '" << Printable(Text) << "'";
    EXPECT_EQ(engine_oracle::CheckDeleteIndentAfterNumber(Text), "")
        << "case " << I << " text '" << Printable(Text) << "'";
  }
}

}  // namespace
