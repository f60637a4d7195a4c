// The continue rule shared by the plug-in's command and the corvane filter: reading the head,
// and numbering the text on from it.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "LineNumberUnit/ContinueRule.h"
#include "tests/LineNumberUnit/EngineOracles.h"

namespace {

using engine_oracle::Int32Max;
using engine_oracle::Int32Min;

TEST(ContinueRule, ReadsTheHead) {
  const struct {
    std::u16string_view Head;
    bool Valid;
    int32_t Number = 0, Digits = 0;
    bool ZeroFill = false;
    TLineNumberOptions Options = 0;
  } Rows[] = {
      {u"0", true, 0, 1, false, 0},
      {u"  +007", true, 7, 3, true, lnoPlusSign},
      {u"10", true, 10, 2, false, 0},
      {u"-05", true, -5, 2, true, 0},
      {u"-2147483648", true, Int32Min, 10, false, 0},
      {u"2147483647", true, Int32Max, 10, false, 0},
      {u"000000000002147483647", true, Int32Max, 21, true, 0},
      {u"2147483648", false},
      {u"-2147483649", false},
      {u"99999999999999999999", false},
      {u"1 2", false},
      {u"12a", false},
      {u"\t5", false},
      {u"１２", false},
      {u"", false},
      {u"  ", false},
      {u"+", false},
      {u"+-5", false},
      {u"5-", false},
      {u"12\r\nab", false},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    const auto Start = ReadContinueStart(Rows[I].Head);
    ASSERT_EQ(Start.has_value(), Rows[I].Valid) << "row " << I;
    if (!Start) continue;
    EXPECT_EQ(Start->Number, Rows[I].Number) << "row " << I;
    EXPECT_EQ(Start->Digits, Rows[I].Digits) << "row " << I;
    EXPECT_EQ(Start->ZeroFill, Rows[I].ZeroFill) << "row " << I;
    EXPECT_EQ(Start->Options, Rows[I].Options) << "row " << I;
  }
}

TEST(ContinueRule, NumbersTheText) {
  const struct {
    std::u16string_view Text;
    int32_t Step;
    std::u16string_view Expected;
    int32_t Width;  // -1: left as it was
    size_t HeadLength;
  } Rows[] = {
      {u"005:a\r\nb", 10, u"005:a\r\n015:b", 4, 3},
      {u"0:a\nb\n", 1, u"0:a\n1:b\n", 2, 1},
      {u"0:a\r\nb\r\nc", 1, u"0:a\r\n1:b\r\n2:c", 2, 1},  // "0" alone: not zero-filled
      {u"0:a\r\nb\r\nc", 10, u" 0:a\r\n10:b\r\n20:c", 3, 1},
      {u"  +007:x\ny", -1, u"+007:x\n+006:y", 5, 6},
      {u"  +007:a\r\nb", 1, u"+007:a\r\n+008:b", 5, 6},
      {u"-05:a\r\nb\r\nc", 1, u"-05:a\r\n-04:b\r\n-03:c", 4, 3},
      {u" 9:a\r\nb", 1, u" 9:a\r\n10:b", 3, 2},
      {u"9:a\nb\nc", 1, u" 9:a\n10:b\n11:c", 3, 1},
      {u"0000000000012:a\r\nb", 1, u"0000000000012:a\r\n0000000000013:b", 14, 13},
      {u"12", 1, u"12:12", 3, 2},  // the head and the body are the whole line
      {u"3:a:b\n1:c\n", -10, u" 3:a:b\n-7:1:c\n", 3, 1},
      {u"2147483647:a", 1, u"2147483647:a", 11, 10},
      {u"-2147483648:a", -1, u"-2147483648:a", 12, 11},
      // Not met: the text stays as it is.
      {u"2147483648:a\r\nb", 1, u"2147483648:a\r\nb", -1, 10},
      {u"-2147483649:a\r\nb", -1, u"-2147483649:a\r\nb", -1, 11},
      {u"1 2:x\n", 1, u"1 2:x\n", -1, 3},
      {u"1 2:a\r\nb", 1, u"1 2:a\r\nb", -1, 3},
      {u"12a:a\r\nb", 1, u"12a:a\r\nb", -1, 3},
      {u"\t12:a\r\nb", 1, u"\t12:a\r\nb", -1, 3},
      {u"\uFF11\uFF12:a\r\nb", 1, u"\uFF11\uFF12:a\r\nb", -1, 2},
      {u"a\nb\n", 1, u"a\nb\n", -1, 4},              // no ":": the head holds a break
      {u"a\r\nb\r\n12", 1, u"a\r\nb\r\n12", -1, 8},  // likewise, ending in a number
      {u"12\r\nb:c", 1, u"12\r\nb:c", -1, 5},        // the first ":" is on a later line
      {u"+-5:a\r\nb", 1, u"+-5:a\r\nb", -1, 3},
      {u"5-:a\r\nb", 1, u"5-:a\r\nb", -1, 2},
      {u"+:a\r\nb", 1, u"+:a\r\nb", -1, 1},
      {u"  :a\r\nb", 1, u"  :a\r\nb", -1, 2},
      {u":a\r\nb", 1, u":a\r\nb", -1, 0},
      {u"", 1, u"", -1, 0},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    int32_t Width = -1;
    const TContinueResult Result = ContinueNumbering(Rows[I].Text, Rows[I].Step, Width);
    EXPECT_EQ(Result.NewText, Rows[I].Expected) << "row " << I;
    EXPECT_EQ(Result.RuleMet, Rows[I].Width != -1) << "row " << I;
    EXPECT_EQ(Width, Rows[I].Width) << "row " << I;
    EXPECT_EQ(Result.HeadLength, Rows[I].HeadLength) << "row " << I;
  }
}

}  // namespace
