#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "LineNumberUnit/FileHeader.h"
#include "LineNumberUnit/LineNumberUnit.h"
#include "library/AssertUnit/AssertUnit.h"
#include "library/UtfUnit/UtfUnit.h"
#include "tests/LineNumberUnit/EngineOracles.h"

namespace {

using namespace std::literals;

using engine_oracle::Int32Max;
using engine_oracle::Int32Min;

struct InsertRow {
  std::u16string_view Text;
  int32_t Start;
  int32_t Step;
  TLineNumberOptions Options;
  std::u16string_view Expected;
  int32_t ExpectedWidth;
};

std::u16string Lines(int Count, std::u16string_view Break = u"\r\n") {
  std::u16string Text;
  for (int I = 0; I < Count; ++I) (Text += u'a') += Break;
  return Text;
}

TEST(AddLineNumbers, LineItemsAndBreaks) {
  const InsertRow Rows[] = {
      {u"a\r\nb", 1, 1, 0, u"1:a\r\n2:b", 2},
      {u"a\r\n", 1, 1, 0, u"1:a\r\n", 2},  // no extra line after a final break
      {u"\r\n\r\n", 1, 1, 0, u"1:\r\n2:\r\n", 2},
      {u"x\ry\nz", 1, 1, 0, u"1:x\r2:y\n3:z", 2},
      {u"\n\r", 1, 1, 0, u"1:\n2:\r", 2},  // LF then CR is two breaks
      {u"a:b\r\n12:c", 1, 1, 0, u"1:a:b\r\n2:12:c", 2},
      {u"\u3000\0x"sv, 1, 1, 0, u"1:\u3000\0x"sv, 2},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    const InsertRow& R = Rows[I];
    int32_t Width = 0;
    EXPECT_EQ(AddLineNumbers(R.Text, R.Start, R.Step, R.Options, Width), R.Expected) << "row " << I;
    EXPECT_EQ(Width, R.ExpectedWidth) << "row " << I;
  }
}

TEST(AddLineNumbers, FieldWidthSignsAndOrder) {
  const InsertRow Rows[] = {
      {u"a\nb\nc", 1, 1, lnoReverse, u"3:a\n2:b\n1:c", 2},
      {u"a\nb\nc\nd", 1, -1, 0, u" 1:a\n 0:b\n-1:c\n-2:d", 3},
      {u"a\nb\nc", 8, 1, lnoPlusSign, u" +8:a\n +9:b\n+10:c", 4},
      {u"a\nb\nc", 1, -1, lnoPlusSign, u"+1:a\n 0:b\n-1:c", 3},
      {u"a\nb\nc", -1, 1, lnoReverse, u" 1:a\n 0:b\n-1:c", 3},
      {u"a\nb\nc", 100, -50, 0, u"100:a\n 50:b\n  0:c", 4},
      {u"a\nb\nc", 5, 0, 0, u"5:a\n5:b\n5:c", 2},
      {u"a\nb", -10, 20, 0, u"-10:a\n 10:b", 4},  // both ends equally wide
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    const InsertRow& R = Rows[I];
    int32_t Width = 0;
    EXPECT_EQ(AddLineNumbers(R.Text, R.Start, R.Step, R.Options, Width), R.Expected) << "row " << I;
    EXPECT_EQ(Width, R.ExpectedWidth) << "row " << I;
  }
}

TEST(AddLineNumbers, WidthFollowsTheWidestNumber) {
  int32_t Width = 0;
  const std::u16string Twelve = AddLineNumbers(Lines(12), 1, 1, 0, Width);
  EXPECT_EQ(Width, 3);
  EXPECT_EQ(Twelve.substr(0, 5), u" 1:a\r");
  EXPECT_NE(Twelve.find(u"\n 9:a\r\n10:a\r\n11:a\r\n12:a\r\n"), std::u16string::npos);

  // Reverse puts the widest number on the first line; the width is the same.
  const std::u16string Reversed = AddLineNumbers(Lines(12), 1, 1, lnoReverse, Width);
  EXPECT_EQ(Width, 3);
  EXPECT_EQ(Reversed.substr(0, 6), u"12:a\r\n");
  EXPECT_EQ(Reversed.substr(Reversed.size() - 6), u" 1:a\r\n");

  // 1000 lines: exactly 1000 fills four columns.
  const std::u16string Thousand = AddLineNumbers(Lines(1000, u"\n"), 1, 1, 0, Width);
  EXPECT_EQ(Width, 5);
  EXPECT_EQ(Thousand.substr(0, 6), u"   1:a");
  EXPECT_EQ(Thousand.substr(Thousand.size() - 7), u"1000:a\n");
}

TEST(AddLineNumbers, ValuesPastThe32BitLimitsAreExact) {
  const InsertRow Rows[] = {
      {u"a\nb\nc", Int32Max, 1, 0, u"2147483647:a\n2147483648:b\n2147483649:c", 11},
      {u"a\nb", Int32Min, -1, 0, u"-2147483648:a\n-2147483649:b", 12},
      {u"a\nb\nc", 0, Int32Min, 0, u"          0:a\n-2147483648:b\n-4294967296:c", 12},
      {u"a\nb\nc", Int32Max, Int32Max, lnoPlusSign, u"+2147483647:a\n+4294967294:b\n+6442450941:c",
       12},
      {u"a\nb", Int32Max, Int32Min, lnoReverse, u"        -1:a\n2147483647:b", 11},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    const InsertRow& R = Rows[I];
    int32_t Width = 0;
    EXPECT_EQ(AddLineNumbers(R.Text, R.Start, R.Step, R.Options, Width), R.Expected) << "row " << I;
    EXPECT_EQ(Width, R.ExpectedWidth) << "row " << I;
  }
  // Many lines with a large step: the last value is far beyond 32 bits.
  int32_t Width = 0;
  const std::u16string Long = AddLineNumbers(Lines(100000, u"\n"), Int32Max, Int32Max, 0, Width);
  EXPECT_EQ(Width, 16);
  EXPECT_EQ(Long.substr(Long.size() - 18), u"214748364700000:a\n");
}

struct PaddedRow {
  std::u16string_view Text;
  int32_t Start;
  int32_t Digits;
  int32_t Step;
  TLineNumberOptions Options;
  std::u16string_view Expected;
  int32_t ExpectedWidth;
};

TEST(AddPaddedLineNumbers, ZeroFillAndSignColumn) {
  const PaddedRow Rows[] = {
      {u"a\nb\nc", 5, 3, 10, 0, u"005:a\n015:b\n025:c", 4},
      {u"a\nb\nc", 1, 2, -1, 0, u" 01:a\n 00:b\n-01:c", 4},
      {u"a\nb\nc", 0, 2, 1, lnoPlusSign, u" 00:a\n+01:b\n+02:c", 4},
      {u"a\nb\nc", 1, 2, -1, lnoPlusSign, u"+01:a\n 00:b\n-01:c", 4},
      {u"a\nb\nc", 98, 2, 1, 0, u"098:a\n099:b\n100:c", 4},  // grows past Digits
      {u"a\nb\nc", 98, 2, 1, lnoReverse, u"100:a\n099:b\n098:c", 4},
      {u"a\nb\nc", -2, 1, 1, 0, u"-2:a\n-1:b\n 0:c", 3},     // the first value decides the sign
      {u"a\nb\nc", 2, 3, -1, 0, u"002:a\n001:b\n000:c", 4},  // no negative, no sign column
      {u"a\nb\nc", 1, 2, -1, lnoReverse, u"-01:a\n 00:b\n 01:c", 4},
      {u"a\r\n\r\nb", 7, 2, 1, 0, u"07:a\r\n08:\r\n09:b", 3},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    const PaddedRow& R = Rows[I];
    int32_t Width = 0;
    EXPECT_EQ(AddPaddedLineNumbers(R.Text, R.Start, R.Digits, R.Step, R.Options, Width), R.Expected)
        << "row " << I;
    EXPECT_EQ(Width, R.ExpectedWidth) << "row " << I;
  }
}

TEST(AddPaddedLineNumbers, ValuesPastThe32BitLimitsAreExact) {
  int32_t Width = 0;
  EXPECT_EQ(AddPaddedLineNumbers(u"a\nb", Int32Min, 2, -1, 0, Width),
            u"-2147483648:a\n-2147483649:b");
  EXPECT_EQ(Width, 12);
  EXPECT_EQ(AddPaddedLineNumbers(u"a\nb\nc", Int32Max, 12, Int32Max, lnoPlusSign, Width),
            u"+002147483647:a\n+004294967294:b\n+006442450941:c");
  EXPECT_EQ(Width, 14);
}

TEST(Insertion, EmptyTextLeavesThePrefixWidthAlone) {
  int32_t Width = 42;
  EXPECT_EQ(AddLineNumbers(u"", 1, 1, 0, Width), u"");
  EXPECT_EQ(Width, 42);
  EXPECT_EQ(AddPaddedLineNumbers(u"", 1, 3, 1, lnoPlusSign, Width), u"");
  EXPECT_EQ(Width, 42);
  // No line, so no number is ever formatted: not even a bad digit count is noticed.
  EXPECT_EQ(AddPaddedLineNumbers(u"", 1, 0, 1, 0, Width), u"");
  EXPECT_EQ(Width, 42);
}

TEST(AddPaddedLineNumbers, DigitsBelowOneFailTheAssertion) {
  int32_t Width = 9;
  EXPECT_THROW((void)AddPaddedLineNumbers(u"a", 1, 0, 1, 0, Width), EAssertionFailed);
  EXPECT_THROW((void)AddPaddedLineNumbers(u"a\nb", 1, -3, 1, 0, Width), EAssertionFailed);
  EXPECT_EQ(Width, 9);
}

}  // namespace

// The copy header's folder ends at the last "\", "/" or ":", whichever way the path is written.
TEST(CopyHeader, SplitsFolderAndNameAtEitherSeparator) {
  const struct {
    std::u16string_view Path, Folder, Name;
  } Rows[] = {
      {u"C:\\docs\\memo.txt", u"C:\\docs\\", u"memo.txt"},
      {u"C:/docs/memo.txt", u"C:/docs/", u"memo.txt"},
      {u"/home/u/a.txt", u"/home/u/", u"a.txt"},
      {u"\\\\server\\share\\日本.txt", u"\\\\server\\share\\", u"日本.txt"},
      {u"C:memo", u"C:", u"memo"},
      {u"memo.txt", u"", u"memo.txt"},
      {u"C:\\docs\\", u"C:\\docs\\", u""},
      {u"", u"", u""},
  };
  for (const auto& R : Rows) {
    EXPECT_EQ(CopyHeader(R.Path, u"\r\n"),
              std::u16string(R.Folder) + u"\r\n  " + std::u16string(R.Name) + u"\r\n")
        << Utf16ToUtf8(R.Path);
  }
  EXPECT_EQ(CopyHeader(u"a/b", u"\n"), u"a/\n  b\n");
}
