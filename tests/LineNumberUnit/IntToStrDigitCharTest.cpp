#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "library/AssertUnit/AssertUnit.h"
#include "library/ConvertToTypeUnit/ConvertToTypeUnit.h"

namespace {

constexpr int64_t Int64Min = std::numeric_limits<int64_t>::min();
constexpr int64_t Int64Max = std::numeric_limits<int64_t>::max();

struct DigitRow {
  int32_t Digit;
  TDigitFill Fill;
  TDigitOptions Options;
  int64_t Value;
  std::u16string_view Expected;
};

TEST(IntToStrDigitChar, LayoutsOfEveryFillAndSign) {
  const DigitRow Rows[] = {
      // Blank-aligned: the width counts the sign.
      {3, dfSpace, 0, 7, u"  7"},
      {3, dfSpace, doPlusSign, 7, u" +7"},
      {3, dfSpace, 0, -7, u" -7"},
      {3, dfSpace, doPlusSign, -7, u" -7"},
      {3, dfSpace, doPlusSign, 0, u"  0"},
      {1, dfSpace, 0, 0, u"0"},
      {1, dfSpace, doPlusSign, 12, u"+12"},
      {2, dfSpace, 0, -10, u"-10"},
      // Zero-filled: the width counts the digits, the sign has a column of its own.
      {3, dfZero, 0, 7, u"007"},
      {3, dfZero, doPlusSign, 7, u"+007"},
      {3, dfZero, doPlusSign, 0, u" 000"},
      {3, dfZero, 0, 0, u"000"},
      {3, dfZero, 0, -7, u"-007"},
      {3, dfZero, doPlusSign, -7, u"-007"},
      {1, dfZero, 0, -5, u"-5"},
      // Nothing is cut.
      {3, dfSpace, 0, 1234, u"1234"},
      {3, dfZero, 0, 1234, u"1234"},
      {2, dfZero, doPlusSign, 1234, u"+1234"},
      // The ends of the 64-bit range.
      {1, dfSpace, 0, Int64Min, u"-9223372036854775808"},
      {1, dfZero, 0, Int64Min, u"-9223372036854775808"},
      {1, dfSpace, doPlusSign, Int64Max, u"+9223372036854775807"},
      {22, dfZero, 0, Int64Max, u"0009223372036854775807"},
      {22, dfSpace, 0, Int64Min, u"  -9223372036854775808"},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    const DigitRow& R = Rows[I];
    EXPECT_EQ(IntToStrDigitChar(R.Digit, R.Fill, R.Options, R.Value), R.Expected) << "row " << I;
  }
}

TEST(IntToStrDigitChar, WidthBelowOneFailsTheAssertion) {
  for (const int32_t Digit : {0, -1, std::numeric_limits<int32_t>::min()}) {
    try {
      (void)IntToStrDigitChar(Digit, dfSpace, 0, 5);
      ADD_FAILURE() << "no assertion for Digit " << Digit;
    } catch (const EAssertionFailed& E) {
      EXPECT_EQ(E.Message(),
                u"function IntToStrDigitChar (ConvertToTypeUnit/ConvertToTypeUnit, 320 行)")
          << "Digit " << Digit;
    }
  }
}

}  // namespace

// The one int32 reader, for both unit types: signs, limits, and what is no number at all.
TEST(StrToInt32, ReadsSignedDecimalsWithinInt32) {
  const struct {
    const char* Text;
    std::optional<int32_t> Value;
    bool OutOfRange;
  } Rows[] = {
      {"0", 0, false},
      {"+007", 7, false},
      {"-2147483648", INT32_MIN, false},
      {"2147483647", INT32_MAX, false},
      {"2147483648", std::nullopt, true},
      {"-2147483649", std::nullopt, true},
      {"99999999999999999999999", std::nullopt, true},
      {"99999999999x", std::nullopt, false},
      {"", std::nullopt, false},
      {"+", std::nullopt, false},
      {"+-5", std::nullopt, false},
      {" 5", std::nullopt, false},
      {"5 ", std::nullopt, false},
      {"1.5", std::nullopt, false},
  };
  for (const auto& R : Rows) {
    bool OutOfRange = !R.OutOfRange;
    EXPECT_EQ(StrToInt32(std::string_view(R.Text), &OutOfRange), R.Value) << R.Text;
    EXPECT_EQ(OutOfRange, R.OutOfRange) << R.Text;
    const std::u16string Wide(R.Text, R.Text + std::char_traits<char>::length(R.Text));
    EXPECT_EQ(StrToInt32(std::u16string_view(Wide)), R.Value) << R.Text;
  }
  EXPECT_EQ(StrToInt32(std::u16string_view(u"１２")), std::nullopt);
}
