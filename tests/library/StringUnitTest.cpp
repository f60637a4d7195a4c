#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "library/AssertUnit/AssertUnit.h"
#include "library/ConstUnit/ConstUnit.h"
#include "library/MathUnit/MathUnit.h"
#include "library/StringSearchUnit/StringSearchUnit.h"
#include "library/StringUnit/StringUnit.h"
#include "tests/library/TestText.h"

namespace {

constexpr int32_t All = INT32_MAX;

std::u16string Range(char16_t From, char16_t To) {
  std::u16string S;
  for (char32_t C = From; C <= To; ++C) S += static_cast<char16_t>(C);
  return S;
}

TEST(AssertUnit, FormatsMessageFileAndLine) {
  try {
    AssertionFailed(u"Listエラー", u"TemplateList/ListClone", 127);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& E) {
    EXPECT_EQ(E.Message(), u"Listエラー (TemplateList/ListClone, 127 行)");
    EXPECT_STREQ(E.what(), "Listエラー (TemplateList/ListClone, 127 行)");
  }
  try {
    AssertionFailed(u"", u"x", -5);
  } catch (const std::exception& E) {  // caught as the standard base as well
    EXPECT_STREQ(E.what(), " (x, -5 行)");
  }
}

TEST(ConstUnit, ClassLengthsAndOrder) {
  struct Row {
    const char* Name;
    std::u16string_view Chars;
    size_t Length;
  };
  const Row Rows[] = {
      {"HiraganaChars", HiraganaChars, 83},
      {"KatakanaChars", KatakanaChars, 82},
      {"HalfWidthKatakanaChars", HalfWidthKatakanaChars, 62},
      {"FullWidthDigitChars", FullWidthDigitChars, 10},
      {"DigitChars", DigitChars, 10},
      {"FullWidthLetterChars", FullWidthLetterChars, 52},
      {"LetterChars", LetterChars, 52},
      {"FullWidthSymbolChars", FullWidthSymbolChars, 29},
      {"SymbolChars", SymbolChars, 32},
      {"FullWidthSpaceChars", FullWidthSpaceChars, 1},
      {"SpaceChars", SpaceChars, 1},
      {"ControlChars", ControlChars, 31},
  };
  for (const Row& R : Rows) {
    EXPECT_EQ(R.Chars.size(), R.Length) << R.Name;
    for (size_t i = 0; i < R.Chars.size(); ++i)  // no class lists a character twice
      EXPECT_EQ(R.Chars.find(R.Chars[i]), i) << R.Name << " index " << i;
  }
  EXPECT_EQ(DigitChars, u"1234567890");
  EXPECT_EQ(FullWidthDigitChars, Range(0xFF11, 0xFF19) + u"\uFF10");
  EXPECT_EQ(FullWidthLetterChars, Range(0xFF21, 0xFF3A) + Range(0xFF41, 0xFF5A));
  EXPECT_EQ(LetterChars, Range(u'A', u'Z') + Range(u'a', u'z'));
  EXPECT_EQ(SymbolChars,
            Range(0x21, 0x2F) + Range(0x3A, 0x40) + Range(0x5B, 0x60) + Range(0x7B, 0x7E));
  EXPECT_EQ(ControlChars, Range(0x01, 0x1F));
  EXPECT_EQ(FullWidthSpaceChars, u"\u3000");
  EXPECT_EQ(SpaceChars, u" ");
}

TEST(ConstUnit, ClassDetails) {
  // Every printable ASCII character is in exactly one of the ASCII classes.
  for (char16_t C = 0x21; C < 0x7F; ++C) {
    const int Hits = IsCharOf(C, SymbolChars) + IsCharOf(C, LetterChars) + IsCharOf(C, DigitChars);
    EXPECT_EQ(Hits, 1) << "char " << int(C);
  }
  EXPECT_TRUE(IsCharOf(u'0', DigitChars));
  EXPECT_TRUE(IsCharOf(u'9', DigitChars));
  for (char16_t C = 0xFF10; C <= 0xFF19; ++C) EXPECT_FALSE(IsCharOf(C, DigitChars)) << int(C);
  EXPECT_TRUE(IsCharOf(u'\t', ControlChars));
  EXPECT_FALSE(IsCharOf(u'\t', SpaceChars));
  EXPECT_FALSE(IsCharOf(0x00, ControlChars));
  EXPECT_FALSE(IsCharOf(0x7F, ControlChars));

  const std::u16string_view Classes[] = {
      HiraganaChars,       KatakanaChars,        HalfWidthKatakanaChars,
      FullWidthDigitChars, DigitChars,           FullWidthLetterChars,
      LetterChars,         FullWidthSymbolChars, SymbolChars,
      FullWidthSpaceChars, SpaceChars,           ControlChars};
  int SpaceHits = 0;
  for (std::u16string_view C : Classes) SpaceHits += IsCharOf(u'\u3000', C);
  EXPECT_EQ(SpaceHits, 1);

  EXPECT_TRUE(IsCharOf(u'ゐ', HiraganaChars));
  EXPECT_TRUE(IsCharOf(u'ゑ', HiraganaChars));
  EXPECT_TRUE(IsCharOf(u'ゎ', HiraganaChars));
  EXPECT_FALSE(IsCharOf(u'ー', HiraganaChars));
  EXPECT_LT(KatakanaChars.find(u'ン'), KatakanaChars.find(u'ヲ'));
  EXPECT_TRUE(IsCharOf(u'ヮ', KatakanaChars));
  EXPECT_EQ(KatakanaChars.back(), u'\u30FC');
  for (char16_t C : {u'ヰ', u'ヱ', u'ヴ'}) EXPECT_FALSE(IsCharOf(C, KatakanaChars)) << int(C);
  for (char16_t C : {0xFF9F, 0xFF70, 0xFF65, 0xFF64, 0xFF61, 0xFF62, 0xFF63})
    EXPECT_TRUE(IsCharOf(C, HalfWidthKatakanaChars)) << int(C);
  EXPECT_FALSE(IsCharOf(0xFF9E, HalfWidthKatakanaChars));
  for (char16_t C : {0xFF02, 0xFF3B, 0xFF3D, 0xFF3C})
    EXPECT_FALSE(IsCharOf(C, FullWidthSymbolChars)) << int(C);
  EXPECT_EQ(FullWidthSymbolChars.back(), u'\u30FB');
}

TEST(MathUnit, IsInRange) {
  struct Row {
    int32_t Min, Value, Max;
    bool Expected;
  };
  const Row Rows[] = {{1, 1, 1, true},
                      {1, 0, 5, false},
                      {3, 3, 2, false},
                      {1, 5, 5, true},
                      {1, 6, 5, false},
                      {-3, -3, -1, true},
                      {INT32_MIN, 0, INT32_MAX, true},
                      {INT32_MAX, INT32_MAX, INT32_MAX, true},
                      {INT32_MAX, INT32_MIN, INT32_MIN, false}};
  for (size_t i = 0; i < std::size(Rows); ++i)
    EXPECT_EQ(IsInRange(Rows[i].Min, Rows[i].Value, Rows[i].Max), Rows[i].Expected) << "row " << i;
}

TEST(StringUnit, MatchesAtAndSameCharsAt) {
  struct Row {
    std::u16string_view Pattern, Text;
    int32_t Pos;
    TCaseMode Mode;
    bool Expected;
  };
  const Row Rows[] = {
      {u"bc", u"abc", 2, cmExact, true},
      {u"bc", u"abc", 3, cmExact, false},  // would leave the text
      {u"bc", u"abc", 0, cmExact, false},
      {u"a", u"abc", 0, cmExact, false},
      {u"a", u"abc", -1, cmExact, false},
      {u"a", u"abc", INT32_MIN, cmExact, false},
      {u"c", u"abc", INT32_MAX, cmExact, false},
      {u"", u"abc", 1, cmExact, false},
      {u"", u"", 1, cmExact, false},
      {u"a", u"", 1, cmExact, false},
      {u"abcd", u"abc", 1, cmExact, false},
      {u"abc", u"abc", 1, cmExact, true},
      {u"c", u"abc", 3, cmExact, true},
      {u"abc", u"ABC", 1, cmExact, false},
      {u"abc", u"ABC", 1, cmIgnoreCase, true},
      {u"ABC", u"abc", 1, cmIgnoreCase, true},
      {u"a[", u"A{", 1, cmIgnoreCase, false},  // only letters fold
      {u"@", u"`", 1, cmIgnoreCase, false},
      {u"\uFF41", u"\uFF21", 1, cmIgnoreCase, false},         // full-width letters do not fold
      {u"\u00E9", u"\u00C9", 1, cmIgnoreCase, false},         // nor accented ones
      {u"abc", u"ABC", 1, static_cast<TCaseMode>(2), false},  // only 1 folds
      {std::u16string_view(u"a\0b", 3), std::u16string_view(u"xa\0b", 4), 2, cmExact, true},
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    const Row& R = Rows[i];
    EXPECT_EQ(MatchesAt(R.Pattern, R.Text, R.Pos, R.Mode), R.Expected)
        << "row " << i << " " << Show(R.Pattern) << " in " << Show(R.Text) << " at " << R.Pos;
  }
  EXPECT_TRUE(SameCharsAt(u"abc", u"xbc", 2, 2, 2, cmExact));
  EXPECT_FALSE(SameCharsAt(u"abc", u"xbc", 1, 1, 2, cmExact));
  EXPECT_TRUE(SameCharsAt(u"", u"", 5, -5, 0, cmExact));  // nothing to compare
  EXPECT_TRUE(SameCharsAt(u"abc", u"xyz", 1, 1, -3, cmExact));
  EXPECT_TRUE(SameCharsAt(u"hello", u"HELLO", 1, 1, 5, cmIgnoreCase));
  // Out-of-range callers get false instead of a read outside the strings.
  EXPECT_FALSE(SameCharsAt(u"abc", u"abc", 2, 2, 3, cmExact));
  EXPECT_FALSE(SameCharsAt(u"abc", u"abc", 0, 1, 1, cmExact));
  EXPECT_FALSE(SameCharsAt(u"abc", u"abc", INT32_MAX, 1, INT32_MAX, cmExact));
}

TEST(StringUnit, StartsEndsAndRemoveSuffix) {
  struct Row {
    std::u16string_view S, Affix;
    TCaseMode Mode;
    bool Starts, Ends;
    std::u16string_view WithoutSuffix;
  };
  const Row Rows[] = {
      {u"abc", u"abc", cmExact, true, true, u""},
      {u"a,b,", u",", cmExact, false, true, u"a,b"},
      {u"a,b,,", u",", cmExact, false, true, u"a,b,"},  // one occurrence only
      {u"abc", u"", cmExact, false, false, u"abc"},
      {u"", u"", cmExact, false, false, u""},
      {u"", u"a", cmExact, false, false, u""},
      {u"ab", u"abc", cmExact, false, false, u"ab"},
      {u"+12", u"+", cmExact, true, false, u"+12"},
      {u"abXY", u"xy", cmIgnoreCase, false, true, u"ab"},
      {u"abXY", u"xy", cmExact, false, false, u"abXY"},
      {u"ABxy", u"ab", cmIgnoreCase, true, false, u"ABxy"},
      {u"line\r\n", u"\n", cmExact, false, true, u"line\r"},
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    const Row& R = Rows[i];
    EXPECT_EQ(StartsWithStr(R.S, R.Affix, R.Mode), R.Starts) << "row " << i;
    EXPECT_EQ(EndsWithStr(R.S, R.Affix, R.Mode), R.Ends) << "row " << i;
    EXPECT_EQ(RemoveSuffix(R.S, R.Affix, R.Mode), R.WithoutSuffix) << "row " << i;
  }
}

TEST(StringSearchUnit, FindPattern) {
  struct Row {
    std::u16string_view Pattern, Text;
    TCaseMode Mode;
    int32_t StartPos, Count, Expected;
  };
  const Row Rows[] = {
      {u"ab", u"xabab", cmExact, 1, All, 2},
      {u"ab", u"xabab", cmExact, 3, All, 4},
      {u"ab", u"xabab", cmExact, 3, 3, 4},
      {u"ab", u"xabab", cmExact, 3, 2, 0},  // the match at 4 would end outside the window
      {u"ab", u"xabab", cmExact, 6, All, 0},
      {u"ab", u"xabab", cmExact, 5, All, 0},
      {u"ab", u"xabab", cmExact, 0, All, 0},
      {u"ab", u"xabab", cmExact, -7, All, 0},
      {u"ab", u"xabab", cmExact, 1, 0, 0},
      {u"ab", u"xabab", cmExact, 1, -1, 0},
      {u"ab", u"xabab", cmExact, 1, INT32_MIN, 0},
      {u"ab", u"xabab", cmExact, 1, 2, 0},
      {u"ab", u"xabab", cmExact, 1, 3, 2},
      {u"b", u"xabab", cmExact, 5, 1, 5},
      {u"", u"xabab", cmExact, 1, All, 0},
      {u"ab", u"", cmExact, 1, All, 0},
      {u"xababx", u"xabab", cmExact, 1, All, 0},
      {u"AB", u"xabab", cmExact, 1, All, 0},
      {u"AB", u"xabab", cmIgnoreCase, 1, All, 2},
      // The window end wraps in 32 bits and is then cut to the text: every StartPos reaches
      // the end with Count 2147483647, and so does any Count whose end passes the text.
      {u"b", u"xabab", cmExact, 5, All, 5},
      {u"b", u"xabab", cmExact, 4, All - 2, 5},
      {u"b", u"xabab", cmExact, 4, All - 3, 5},
      {u"b", u"xabab", cmExact, 4, 100, 5},
      {u":", u"12:ab:x", cmExact, 1, All, 3},
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    const Row& R = Rows[i];
    EXPECT_EQ(FindPattern(R.Pattern, R.Text, R.Mode, R.StartPos, R.Count), R.Expected)
        << "row " << i << " " << Show(R.Pattern) << " in " << Show(R.Text) << " from " << R.StartPos
        << " count " << R.Count;
  }
}

TEST(StringSearchUnit, FindPatternsListsAndDirections) {
  struct Row {
    std::vector<std::u16string_view> Patterns;
    std::u16string_view Text;
    int32_t StartPos, Count;
    TSearchDirection Direction;
    int32_t Position, PatternIndex;
  };
  const Row Rows[] = {
      {{u"", u"b"}, u"abc", 1, All, sdForward, 2, 1},
      {{u"", u""}, u"abc", 1, All, sdForward, 0, -1},
      {{}, u"abc", 1, All, sdForward, 0, -1},
      {{u"ab"}, u"abab", 1, All, sdBackward, 3, 0},
      {{u"ab"}, u"abab", 1, All, sdForward, 1, 0},
      {{u"ab"}, u"abab", 1, 3, sdBackward, 1, 0},  // the match at 3 would leave the window
      {{u"ab"}, u"abab", 2, All, sdBackward, 3, 0},
      {{u"ab"}, u"abab", 1, All, static_cast<TSearchDirection>(2), 0, -1},
      {{u"b", u"ab"}, u"abab", 1, All, sdForward, 1, 1},  // leftmost position first
      {{u"ab", u"a"}, u"abab", 1, All, sdForward, 1, 0},  // earlier pattern at one position
      {{u"a", u"ab"}, u"abab", 1, All, sdForward, 1, 0},
      // A long pattern that does not fit the room left stops the list at that position:
      // 'b' after it is not tried at 4.
      {{u"bcd", u"b"}, u"abab", 4, All, sdForward, 0, -1},
      {{u"b", u"bcd"}, u"abab", 4, All, sdForward, 4, 0},
      {{u"abab", u"b"}, u"abab", 4, All, sdForward, 0, -1},
      {{u"abab", u"b"}, u"abab", 2, All, sdBackward, 0, -1},
      {{u"b", u"abab"}, u"abab", 1, All, sdBackward, 4, 0},
      {{u"ab"}, u"", 1, All, sdBackward, 0, -1},
      {{u"b"}, u"abab", 4, All, sdBackward, 4, 0},
      {{u"b"}, u"abab", 5, All, sdBackward, 0, -1},
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    const Row& R = Rows[i];
    const TPatternMatch M =
        FindPatterns(R.Patterns, R.Text, R.StartPos, R.Count, cmExact, R.Direction);
    EXPECT_EQ(M.Position, R.Position) << "row " << i;
    EXPECT_EQ(M.PatternIndex, R.PatternIndex) << "row " << i;
  }
  const TPatternMatch M = FindPatterns({u"X", u"C"}, u"abc", 1, All, cmIgnoreCase, sdForward);
  EXPECT_EQ(M.Position, 3);
  EXPECT_EQ(M.PatternIndex, 1);
}

TEST(StringUnit, TextBeforeAndAfter) {
  struct Row {
    std::u16string_view S, Pattern, Before, After;
  };
  const Row Rows[] = {
      {u"12:ab:x", u":", u"12", u"ab:x"},
      {u"abc", u":", u"abc", u"abc"},  // no occurrence: S unchanged on both sides
      {u":x", u":", u"", u"x"},
      {u"x:", u":", u"x", u""},
      {u":", u":", u"", u""},
      {u"abc", u"", u"abc", u"abc"},
      {u"", u":", u"", u""},
      {u"a::b", u"::", u"a", u"b"},
      {u"a:b", u"a:b", u"", u""},
      {u"a:b", u"a:bc", u"a:b", u"a:b"},
      {u"  12: text", u":", u"  12", u" text"},
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    const Row& R = Rows[i];
    EXPECT_EQ(TextBefore(R.S, R.Pattern), R.Before) << "row " << i;
    EXPECT_EQ(TextAfter(R.S, R.Pattern), R.After) << "row " << i;
    EXPECT_EQ(BeforeFirst(R.Pattern, R.S), R.Before) << "row " << i;
    EXPECT_EQ(AfterFirst(R.Pattern, R.S), R.After) << "row " << i;
  }
}

TEST(StringUnit, CharacterSets) {
  struct Row {
    std::u16string_view Text, Chars;
    TCharSetMatch Match;
    int32_t Leading, Trailing;
    std::u16string_view TrimmedLeft, TrimmedRight;
  };
  const Row Rows[] = {
      {u"", u"123", csmEmpty, 0, 0, u"", u""},
      {u"12", u"", csmEmpty, 0, 0, u"12", u"12"},
      {u"12 3", u"1234567890 ", csmAll, 4, 4, u"", u""},
      {u"ab", u"123", csmNone, 0, 0, u"ab", u"ab"},
      {u"1a", u"123", csmMixed, 1, 0, u"a", u"1a"},
      {u"a1", u"123", csmMixed, 0, 1, u"a1", u"a"},
      {u"1", u"1", csmAll, 1, 1, u"", u""},
      {u"x", u"1", csmNone, 0, 0, u"x", u"x"},
      {u"   ", u" ", csmAll, 3, 3, u"", u""},
      {u"  \tx ", u" ", csmMixed, 2, 1, u"\tx ", u"  \tx"},
      {u"x\r\n\r", u"\r\n", csmMixed, 0, 3, u"x\r\n\r", u"x"},
      {u"\uFF11\uFF12", DigitChars, csmNone, 0, 0, u"\uFF11\uFF12", u"\uFF11\uFF12"},
      {u"+12", u"1234567890+-", csmAll, 3, 3, u"", u""},
      {u"a1b", u"11111", csmMixed, 0, 0, u"a1b", u"a1b"},  // repetition in the set is harmless
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    const Row& R = Rows[i];
    EXPECT_EQ(ClassifyChars(R.Text, R.Chars), R.Match) << "row " << i;
    EXPECT_EQ(CountLeadingChars(R.Text, R.Chars), R.Leading) << "row " << i;
    EXPECT_EQ(CountTrailingChars(R.Text, R.Chars), R.Trailing) << "row " << i;
    EXPECT_EQ(TrimLeftChars(R.Text, R.Chars), R.TrimmedLeft) << "row " << i;
    EXPECT_EQ(TrimRightChars(R.Text, R.Chars), R.TrimmedRight) << "row " << i;
  }
  EXPECT_TRUE(IsCharOf(u'b', u"abc"));
  EXPECT_FALSE(IsCharOf(u'd', u"abc"));
  EXPECT_FALSE(IsCharOf(u'a', u""));
  EXPECT_TRUE(IsCharOf(u'\0', std::u16string_view(u"a\0", 2)));
}

TEST(StringUnit, LineBreaks) {
  struct Row {
    std::u16string_view S;
    TLineBreakKind Kind;
    std::u16string_view Without, AsLF, AsCRLF, AsNone;
  };
  const Row Rows[] = {
      {u"", lbNone, u"", u"\n", u"\r\n", u""},
      {u"\n", lbLF, u"", u"\n", u"\r\n", u""},
      {u"\r", lbCR, u"", u"\n", u"\r\n", u""},
      {u"\r\n", lbCRLF, u"", u"\n", u"\r\n", u""},
      {u"a\r\n", lbCRLF, u"a", u"a\n", u"a\r\n", u"a"},
      {u"a\n\r", lbCR, u"a\n", u"a\n\n", u"a\n\r\n", u"a\n"},
      {u"a\r\n\r\n", lbCRLF, u"a\r\n", u"a\r\n\n", u"a\r\n\r\n", u"a\r\n"},
      {u"a", lbNone, u"a", u"a\n", u"a\r\n", u"a"},
      {u"a\rb", lbNone, u"a\rb", u"a\rb\n", u"a\rb\r\n", u"a\rb"},
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    const Row& R = Rows[i];
    EXPECT_EQ(GetLineBreakKind(R.S), R.Kind) << "row " << i;
    EXPECT_EQ(WithoutLineBreak(R.S), R.Without) << "row " << i;
    std::u16string InPlace(R.S);
    RemoveLineBreak(InPlace);
    EXPECT_EQ(InPlace, R.Without) << "row " << i;
    EXPECT_EQ(ChangeLineBreak(R.S, lbLF), R.AsLF) << "row " << i;
    EXPECT_EQ(ChangeLineBreak(R.S, lbCRLF), R.AsCRLF) << "row " << i;
    EXPECT_EQ(ChangeLineBreak(R.S, lbNone), R.AsNone) << "row " << i;
    EXPECT_EQ(ChangeLineBreak(R.S, R.Kind), R.S) << "row " << i;  // its own kind: no change
  }
  EXPECT_EQ(LineBreakText(lbCRLF), u"\r\n");
  EXPECT_EQ(LineBreakText(lbCR), u"\r");
  EXPECT_EQ(LineBreakText(lbLF), u"\n");
  EXPECT_EQ(LineBreakText(lbNone), u"");
  EXPECT_EQ(LineBreakText(static_cast<TLineBreakKind>(7)), u"");
  EXPECT_EQ(ChangeLineBreak(u"a\n", static_cast<TLineBreakKind>(7)), u"a");
}

TEST(StringUnit, RangesAndDeletion) {
  struct CopyRow {
    std::u16string_view S;
    int32_t From, To;
    std::u16string_view Expected;
  };
  const CopyRow Copies[] = {
      {u"abcdef", 0, 3, u"abc"},
      {u"abcdef", 4, 100, u"def"},
      {u"abcdef", 5, 4, u""},
      {u"abc", 4, 9, u""},
      {u"abc", 1, 3, u"abc"},
      {u"abc", 2, 2, u"b"},
      {u"abc", INT32_MIN, INT32_MAX, u"abc"},
      {u"abc", INT32_MAX, INT32_MAX, u""},
      {u"abc", -5, 0, u""},
      {u"", 1, 1, u""},
  };
  for (size_t i = 0; i < std::size(Copies); ++i)
    EXPECT_EQ(CopyRange(Copies[i].S, Copies[i].From, Copies[i].To), Copies[i].Expected)
        << "row " << i;

  struct DeleteRow {
    std::u16string_view S;
    int32_t Index, Count;
    std::u16string_view Expected;
  };
  const DeleteRow Deletes[] = {
      {u"abcdef", 2, 3, u"aef"},
      {u"abcdef", 5, 100, u"abcd"},
      {u"abcdef", 1, INT32_MAX, u""},
      {u"abcdef", 6, 1, u"abcde"},
      {u"abcdef", 0, 2, u"abcdef"},
      {u"abcdef", 7, 1, u"abcdef"},
      {u"abcdef", 2, 0, u"abcdef"},
      {u"abcdef", 2, -1, u"abcdef"},
      {u"abcdef", INT32_MIN, INT32_MAX, u"abcdef"},
      {u"", 1, 1, u""},
  };
  for (size_t i = 0; i < std::size(Deletes); ++i)
    EXPECT_EQ(DeleteCopy(Deletes[i].S, Deletes[i].Index, Deletes[i].Count), Deletes[i].Expected)
        << "row " << i;

  struct LastRow {
    int32_t N;
    std::u16string_view Expected;
  };
  const LastRow Lasts[] = {{0, u"abc"}, {4, u"abc"},         {-1, u"abc"},       {3, u""},
                           {1, u"ab"},  {INT32_MIN, u"abc"}, {INT32_MAX, u"abc"}};
  for (size_t i = 0; i < std::size(Lasts); ++i) {
    std::u16string S = u"abc";
    DeleteLast(S, Lasts[i].N);
    EXPECT_EQ(S, Lasts[i].Expected) << "row " << i;
  }
}

TEST(StringUnit, EscapeTables) {
  ASSERT_EQ(EscapeSequences.size(), EscapedChars.size());
  const std::u16string_view Sequences[] = {u"\\r", u"\\n", u"\\t", u"\\\\", u"\\"};
  const std::u16string_view Chars[] = {u"\r", u"\n", u"\t", u"\\", u""};
  for (size_t i = 0; i < EscapeSequences.size(); ++i) {
    EXPECT_EQ(EscapeSequences[i], Sequences[i]) << "row " << i;
    EXPECT_EQ(EscapedChars[i], Chars[i]) << "row " << i;
  }
}

}  // namespace
