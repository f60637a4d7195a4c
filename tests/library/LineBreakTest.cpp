// The one line splitter against a plain loop, for both code units: whole texts, texts cut at
// every position and carried over as a reader does, and the line count from the masks.

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "library/LineBreak/LineBreak.h"
#include "tests/library/SimdLevels.h"

namespace {

// The rule spelled out unit by unit: CR LF, lone CR, lone LF end a line; a tail is one more.
template <typename TChar>
std::vector<std::basic_string<TChar>> NaiveLines(const std::basic_string<TChar>& Text) {
  std::vector<std::basic_string<TChar>> Lines;
  std::basic_string<TChar> Line;
  for (size_t I = 0; I < Text.size(); ++I) {
    Line += Text[I];
    const bool CRBeforeLF = Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n';
    if ((Text[I] == '\r' && !CRBeforeLF) || Text[I] == '\n') {
      Lines.push_back(Line);
      Line.clear();
    }
  }
  if (!Line.empty()) Lines.push_back(Line);
  return Lines;
}

// Mostly breaks and a few other units, so every block edge sees CR, LF and CR LF.
template <typename TChar>
std::basic_string<TChar> RandomText(std::mt19937& Rng) {
  static const TChar Units[] = {'\r', '\n', '\r', '\n', 'a', ' ', ':', TChar(0xE3), TChar(0x8D)};
  std::basic_string<TChar> Text(Rng() % 300, TChar('x'));
  for (TChar& C : Text) C = Rng() % 3 == 0 ? Units[Rng() % std::size(Units)] : TChar('x');
  return Text;
}

template <typename TChar>
void CheckSplitter(uint32_t Seed) {
  using TString = std::basic_string<TChar>;
  using TView = std::basic_string_view<TChar>;
  std::mt19937 Rng(Seed);
  for (int Round = 0; Round < 500; ++Round) {
    const TString Text = RandomText<TChar>(Rng);
    const std::vector<TString> Expected = NaiveLines(Text);
    std::vector<TString> Whole;
    EXPECT_EQ(ForEachLine(TView(Text), true, [&](TView L) { Whole.emplace_back(L); }), Text.size());
    ASSERT_EQ(Whole, Expected) << "round " << Round;
    ASSERT_EQ(CountLines(TView(Text)), Expected.size()) << "round " << Round;
    // The count that refuses a lone CR, on the text and on the text without its lone CRs.
    TString Paired;
    bool Lone = false;
    for (size_t I = 0; I < Text.size(); ++I) {
      const bool LoneCR = Text[I] == '\r' && (I + 1 == Text.size() || Text[I + 1] != '\n');
      Lone |= LoneCR;
      if (!LoneCR) Paired += Text[I];
    }
    const std::optional<uint64_t> Refused = CountLinesUnlessLoneCR(TView(Text));
    ASSERT_EQ(Refused.has_value(), !Lone) << "round " << Round;
    if (Refused) {
      ASSERT_EQ(*Refused, Expected.size()) << "round " << Round;
    }
    ASSERT_EQ(CountLinesUnlessLoneCR(TView(Paired)), NaiveLines(Paired).size())
        << "round " << Round;

    // A reader sees the text in two parts: what the first leaves unvisited is carried over.
    const size_t Cut = Text.empty() ? 0 : Rng() % (Text.size() + 1);
    std::vector<TString> Carried;
    const size_t Done =
        ForEachLine(TView(Text).substr(0, Cut), false, [&](TView L) { Carried.emplace_back(L); });
    ASSERT_EQ(Done, CompleteLinesEnd(TView(Text).substr(0, Cut))) << "round " << Round;
    ForEachLine(TView(Text).substr(Done), true, [&](TView L) { Carried.emplace_back(L); });
    ASSERT_EQ(Carried, Expected) << "round " << Round << " cut " << Cut;
  }
}

TEST(LineBreak, SplitsAsThePlainRuleForBothUnits) {
  CheckSplitter<char>(7);
  CheckSplitter<char16_t>(11);
}

// Every implementation of the break masks and line-end count this CPU runs against the scalar
// one, at any alignment.
template <typename TChar>
void CheckMasks(uint32_t Seed) {
  std::mt19937 Rng(Seed);
  for (const TSimdLevel Level : LevelsOf(line_break_detail::BreakMasksAvailable)) {
    for (int Round = 0; Round < 200; ++Round) {
      const std::basic_string<TChar> Text =
          RandomText<TChar>(Rng) + std::basic_string<TChar>(600, 'y');
      const size_t Shift = Rng() % 8, Blocks = (Text.size() - Shift) / 64;
      uint64_t CR[16], LF[16], WantCR[16], WantLF[16];
      ASSERT_LE(Blocks, std::size(CR));
      line_break_detail::BreakMasksWith(slScalar, Text.data() + Shift, Blocks, WantCR, WantLF);
      line_break_detail::BreakMasksWith(Level, Text.data() + Shift, Blocks, CR, LF);
      for (size_t B = 0; B < Blocks; ++B) {
        ASSERT_EQ(CR[B], WantCR[B]) << SimdLevelName(Level) << " round " << Round << " block " << B;
        ASSERT_EQ(LF[B], WantLF[B]) << SimdLevelName(Level) << " round " << Round << " block " << B;
      }
      uint64_t Carried = Rng() % 2, WantCarried = Carried;
      const uint64_t Ends =
          line_break_detail::CountLineEndsWith(Level, Text.data() + Shift, Blocks, Carried);
      ASSERT_EQ(Ends, line_break_detail::CountLineEndsWith(slScalar, Text.data() + Shift, Blocks,
                                                           WantCarried))
          << SimdLevelName(Level) << " round " << Round;
      ASSERT_EQ(Carried, WantCarried) << SimdLevelName(Level) << " round " << Round;
    }
  }
}

TEST(LineBreak, EveryMaskImplementationAsTheScalarOne) {
  CheckMasks<char>(3);
  CheckMasks<char16_t>(5);
}

TEST(LineBreak, BreakLengthsAndEarlyStop) {
  EXPECT_EQ(LineBreakLength(std::u16string_view(u"a\r\n")), 2u);
  EXPECT_EQ(LineBreakLength(std::string_view("a\r")), 1u);
  EXPECT_EQ(LineBreakLength(std::string_view("\n")), 1u);
  EXPECT_EQ(LineBreakLength(std::string_view("a")), 0u);
  EXPECT_EQ(LineBreakLength(std::string_view("")), 0u);
  int Visits = 0;
  EXPECT_EQ(ForEachLine(std::string_view("ab\r\ncd\n"), true,
                        [&](std::string_view) {
                          ++Visits;
                          return false;
                        }),
            4u);
  EXPECT_EQ(Visits, 1);
}

}  // namespace
