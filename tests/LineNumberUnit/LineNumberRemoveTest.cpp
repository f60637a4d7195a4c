#include <string>

#include <gtest/gtest.h>

#include "LineNumberUnit/LineNumberUnit.h"

namespace {

using namespace std::literals;

struct TextRow {
  std::u16string_view Text;
  std::u16string_view Expected;
};

TEST(IsLineNumberHead, DigitsBlanksAndTabsOnly) {
  const struct {
    std::u16string_view Head;
    bool Expected;
  } Rows[] = {
      {u"12", true},       {u" 3", true},     {u"1 2", true},  {u"\t7", true},    {u"  ", true},
      {u"0", true},        {u"", false},      {u"-3", false},  {u"+5", false},    {u"１２", false},
      {u"\u30001", false}, {u"1\r\n", false}, {u"12a", false}, {u"1\0"sv, false}, {u"\n", false},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    EXPECT_EQ(IsLineNumberHead(Rows[I].Head), Rows[I].Expected) << "row " << I;
  }
}

TEST(DeleteLineNumbers, RemovesNumberAndFirstSeparator) {
  const TextRow Rows[] = {
      {u"12:abc\r\n", u"abc\r\n"},
      {u"  3:x", u"x"},
      {u"1 2:x", u"x"},
      {u"  :x", u"x"},  // a head of blanks counts as a number
      {u"\t7:x", u"x"},
      {u"1:a:b", u"a:b"},
      {u"1:\r\n2:\r3:\n4:", u"\r\n\r\n"},
      // A sign column is not part of a number here.
      {u" 01:x\r\n-01:y\r\n+02:z", u"x\r\n-01:y\r\n+02:z"},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    EXPECT_EQ(DeleteLineNumbers(Rows[I].Text), Rows[I].Expected) << "row " << I;
  }
}

TEST(DeleteLineNumbers, LeavesOtherLinesByteForByte) {
  const std::u16string_view Unchanged[] = {
      u"",
      u"-3:x",
      u"+5:x",
      u"１２:x",
      u":x",
      u"ab:cd",
      u"no separator\r\n",
      u"12",
      u"12\r\n",
      u"\u30001:x",
      u"a\0b:1\r\n\xD800:\r"sv,  // NUL and a lone surrogate stay as they are
  };
  for (size_t I = 0; I < std::size(Unchanged); ++I) {
    EXPECT_EQ(DeleteLineNumbers(Unchanged[I]), Unchanged[I]) << "row " << I;
  }
  EXPECT_EQ(DeleteLineNumbers(u"head\r\n1:a\rx:y\n2:b"), u"head\r\na\rx:y\nb");
}

TEST(DeleteNumberOnlyLines, DropsNumberedLinesWithoutText) {
  const TextRow Rows[] = {
      {u"1:\r\n2:a\r\n3: \t\r\n", u"2:a\r\n"},
      {u"1:a\r\n2:", u"1:a\r\n"},  // the line before keeps its break
      {u"5: a\r\n", u"5: a\r\n"},
      {u"1:\u3000", u"1:\u3000"},   // the ideographic space is text
      {u"1:a\r\n \t", u"1:a\r\n"},  // blanks alone form a head without separator
      {u"1:a\r\n12", u"1:a\r\n12"},
      {u"1:\x01\x1F \r\n", u""},  // every character up to U+0020 counts as blank
      {u"1:\0\r\n2:x"sv, u"2:x"},
      {u"1:\x7F\r\n", u"1:\x7F\r\n"},
      {u"-1:\r\n:\r\nx:\r\n", u"-1:\r\n:\r\nx:\r\n"},  // not numbered lines
      {u"\r\n\n\r", u"\r\n\n\r"},                      // empty lines have no number
      {u"1:\r2:\n3:\r\n", u""},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    EXPECT_EQ(DeleteNumberOnlyLines(Rows[I].Text), Rows[I].Expected) << "row " << I;
  }
}

TEST(DeleteNumberOnlyLines, EveryOtherLineOfALongText) {
  std::u16string Text, Expected;
  for (int I = 0; I < 20000; ++I) {
    const std::u16string Number = std::u16string(u"   ") + (I % 2 == 0 ? u"1" : u"2") + u":";
    Text += Number + (I % 2 == 0 ? u"  \r\n" : u"code\r\n");
    if (I % 2 != 0) Expected += Number + u"code\r\n";
  }
  EXPECT_EQ(DeleteNumberOnlyLines(Text), Expected);
}

TEST(DeleteIndentAfterNumber, RemovesTheSharedIndentation) {
  const TextRow Rows[] = {
      {u"1:   a\r\n2:     b\r\n3: \r\n", u"1:a\r\n2:  b\r\n3:\r\n"},
      {u"1:\tx\r\n2:    y\r\n", u"1:x\r\n2:   y\r\n"},  // a tab counts as one
      {u"1:  a\r\n2:  b", u"1:a\r\n2:b"},
      // Blank-only rests lose blanks, never their own break.
      {u"1:  a\r\n5: \r\n6: \n7:\r8:    ", u"1:a\r\n5:\r\n6:\n7:\r8:  "},
      {u"1:  a:b\r\n2:   :c", u"1:a:b\r\n2: :c"},  // only after the first ":"
      // Other lines stay exactly as they were.
      {u"Heading\r\n 1:  a\r\n  indented\r\n-2:  b\r\n 3:   c\r\n12",
       u"Heading\r\n 1:a\r\n  indented\r\n-2:  b\r\n 3: c\r\n12"},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    EXPECT_EQ(DeleteIndentAfterNumber(Rows[I].Text), Rows[I].Expected) << "row " << I;
  }
}

TEST(DeleteIndentAfterNumber, KeepsEachLinesOwnBreakKind) {
  EXPECT_EQ(DeleteIndentAfterNumber(u"1:  a\r\n5: \r\n6: \n7: \r8:  b"),
            u"1:a\r\n5:\r\n6:\n7:\r8:b");
  // MinIndent 1 cuts the CR of a bare CR LF: the break comes back whole.
  EXPECT_EQ(DeleteIndentAfterNumber(u"1: a\n5:\r\n"), u"1:a\n5:\r\n");
}

TEST(DeleteIndentAfterNumber, TextUnchangedWithoutCommonIndent) {
  const std::u16string_view Unchanged[] = {
      u"1:a\r\n2:  b\r\n",      // one numbered line has no indentation
      u"1:  \r\n2:\t\r\n3:",    // no numbered line has text
      u"  x\r\n  y\r\n",        // no numbered line at all
      u"-1:  a\r\n+2:  b\r\n",  // signed heads are not numbers
      u"1:\u3000a\r\n2:  b",    // the ideographic space is not indentation
      u"",
  };
  for (size_t I = 0; I < std::size(Unchanged); ++I) {
    EXPECT_EQ(DeleteIndentAfterNumber(Unchanged[I]), Unchanged[I]) << "row " << I;
  }
}

}  // namespace
