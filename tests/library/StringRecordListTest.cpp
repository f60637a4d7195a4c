#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "library/AssertUnit/AssertUnit.h"
#include "library/StringRecordList/StringRecordList.h"
#include "library/StringUnit/StringUnit.h"
#include "tests/library/TestText.h"

namespace {

using Strings = std::vector<std::u16string>;
const std::u16string RecordListFault = u"Listエラー (TemplateList/ListClone, 127 行)";

// Opens the splitter to the tests.
class TSplitList : public TCommonStringRecordList {
 public:
  using TCommonStringRecordList::SplitText;
};

Strings ItemsOf(const TRecordList& L) {
  Strings V;
  for (int32_t i = 0; i < L.Count(); ++i) V.push_back(L.Items(i));
  return V;
}

std::string ShowAll(const Strings& V) {
  std::string S = "[";
  for (const auto& Item : V) S += Show(Item) + " ";
  return S + "]";
}

// The splitting rules written out position by position, as a reference for SplitText.
Strings ReferenceSplit(std::u16string_view S, const std::vector<std::u16string_view>& Delimiters,
                       TSplitMode Mode) {
  Strings Pieces;
  const int32_t L = static_cast<int32_t>(S.size());
  auto Piece = [&](int32_t A, int32_t B) { return CopyRange(S, A, B); };
  int32_t Start = 0, Stop = 0, P = 1;
  while (P <= L) {
    std::u16string_view D;
    for (std::u16string_view Candidate : Delimiters)
      if (MatchesAt(Candidate, S, P, cmExact)) {
        D = Candidate;
        break;
      }
    if (D.empty()) {
      Stop = P;
      P = P + 1;
      continue;
    }
    const int32_t DL = static_cast<int32_t>(D.size());
    if (Mode == smAttach) {
      Stop = P + DL - 1;
      Pieces.push_back(Piece(Start, Stop));
      P = Stop + 1;
    } else {
      Stop = P - 1;
      const std::u16string Before = Piece(Start, Stop);
      if (!Before.empty() || Mode == smDrop || Mode == smSeparate) Pieces.push_back(Before);
      if (Mode == smSeparate || Mode == smSeparateSkipEmpty) Pieces.push_back(Piece(P, P + DL - 1));
      P = P + DL;
    }
    Start = P;
  }
  const std::u16string Tail = Piece(Start, Stop);
  if (!Tail.empty() || Mode == smDrop || Mode == smSeparate) Pieces.push_back(Tail);
  return Pieces;
}

// A random text over a small alphabet rich in line breaks and delimiter parts.
std::u16string RandomText(std::mt19937& Random, size_t MaxLength, std::u16string_view Alphabet) {
  std::u16string S(Random() % (MaxLength + 1), u' ');
  for (char16_t& C : S) C = Alphabet[Random() % Alphabet.size()];
  return S;
}

TEST(StringRecordList, TextSplitsAtEachLineBreak) {
  struct Row {
    std::u16string_view Text;
    Strings Items;
  };
  const Row Rows[] = {
      {u"", {}},
      {u"abc", {u"abc"}},
      {u"ab\r\n", {u"ab\r\n"}},
      {u"ab\r\ncd", {u"ab\r\n", u"cd"}},
      {u"\r\n\r\n", {u"\r\n", u"\r\n"}},
      {u"a\r\rb", {u"a\r", u"\r", u"b"}},
      {u"\n\r", {u"\n", u"\r"}},
      {u"\r\r\n", {u"\r", u"\r\n"}},
      {u"abc\r\ndef\rghi\njkl", {u"abc\r\n", u"def\r", u"ghi\n", u"jkl"}},
      {u"\n", {u"\n"}},
      {u"\r", {u"\r"}},
      {u"a\n\nb\n", {u"a\n", u"\n", u"b\n"}},
      {std::u16string_view(u"\0\n\0", 3), {std::u16string(u"\0\n", 2), std::u16string(1, u'\0')}},
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    TCommonStringRecordList L;
    L.Add(u"old content");
    L.SetText(Rows[i].Text);
    EXPECT_EQ(ItemsOf(L), Rows[i].Items) << "row " << i << " " << ShowAll(ItemsOf(L));
    EXPECT_EQ(L.Text(), Rows[i].Text) << "row " << i;
  }

  // A line whose break is taken away joins the next one.
  TCommonStringRecordList L;
  L.SetText(u"one\r\ntwo\nthree");
  L.SetItems(0, WithoutLineBreak(L.Items(0)));
  EXPECT_EQ(L.Text(), u"onetwo\nthree");
}

TEST(StringRecordList, TextRoundTripProperty) {
  std::mt19937 Random(7);
  const std::u16string_view Alphabet = u"\r\n\r\nab \t\u3042";
  for (int Round = 0; Round < 3000; ++Round) {
    // Lines with every break kind, empty lines, and sometimes no final break.
    std::u16string Text;
    const int Lines = static_cast<int>(Random() % 12);
    for (int i = 0; i < Lines; ++i) {
      Text += RandomText(Random, 6, u"ab \t\u3042x");
      Text += std::u16string_view(Alphabet.substr(Random() % 3, 1 + Random() % 2));
    }
    if (Random() % 2) Text += RandomText(Random, 5, Alphabet);

    TCommonStringRecordList L;
    L.SetText(Text);
    ASSERT_EQ(L.Text(), Text) << "round " << Round << " " << Show(Text);
    for (int32_t i = 0; i < L.Count(); ++i) {
      const std::u16string& Item = L.Items(i);
      ASSERT_FALSE(Item.empty()) << "round " << Round << " item " << i;
      // At most one break, and only at the end of the item.
      const std::u16string Body = WithoutLineBreak(Item);
      ASSERT_EQ(Body.find_first_of(u"\r\n"), std::u16string::npos)
          << "round " << Round << " item " << i << " " << Show(Item);
      if (i + 1 < L.Count()) {
        ASSERT_NE(GetLineBreakKind(Item), lbNone) << "round " << Round << " item " << i;
        // A CR ending one item never has its LF in the next one.
        if (GetLineBreakKind(Item) == lbCR) {
          ASSERT_NE(L.Items(i + 1)[0], u'\n') << "round " << Round << " item " << i;
        }
      }
    }
  }
}

TEST(StringRecordList, SplitTextFollowsTheRulesInEveryMode) {
  struct Row {
    std::u16string_view Text;
    std::vector<std::u16string_view> Delimiters;
    TSplitMode Mode;
    Strings Items;
  };
  const Row Rows[] = {
      {u",a,,b,", {u","}, smAttach, {u",", u"a,", u",", u"b,"}},
      {u",a,,b,", {u","}, smDrop, {u"", u"a", u"", u"b", u""}},
      {u",a,,b,", {u","}, smDropSkipEmpty, {u"a", u"b"}},
      {u",a,,b,", {u","}, smSeparate, {u"", u",", u"a", u",", u"", u",", u"b", u",", u""}},
      {u",a,,b,", {u","}, smSeparateSkipEmpty, {u",", u"a", u",", u",", u"b", u","}},
      {u"", {u","}, smAttach, {}},
      {u"", {u","}, smDrop, {u""}},
      {u"", {u","}, smDropSkipEmpty, {}},
      {u"", {u","}, smSeparate, {u""}},
      {u"", {u","}, smSeparateSkipEmpty, {}},
      {u"abc", {}, smDrop, {u"abc"}},
      {u"abc", {u""}, smSeparate, {u"abc"}},  // an empty delimiter never matches
      {u"x::y:z", {u"::", u":"}, smDrop, {u"x", u"y", u"z"}},
      {u"x::y:z", {u":", u"::"}, smDrop, {u"x", u"", u"y", u"z"}},
      {u"x::y", {u"::"}, smSeparate, {u"x", u"::", u"y"}},
      {u"ab:", {u"b:c"}, smDrop, {u"ab:"}},  // a delimiter that would run past the end
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    const Row& R = Rows[i];
    TSplitList L;
    L.Add(u"old");
    L.SplitText(R.Text, R.Delimiters, R.Mode);
    EXPECT_EQ(ItemsOf(L), R.Items) << "row " << i << " " << ShowAll(ItemsOf(L));
    EXPECT_EQ(ReferenceSplit(R.Text, R.Delimiters, R.Mode), R.Items) << "reference, row " << i;
  }

  // Random texts and delimiter sets against the position-by-position rules.
  std::mt19937 Random(99);
  const std::vector<std::vector<std::u16string_view>> DelimiterSets = {
      {u"\r\n", u"\r", u"\n"}, {u"ab", u"a"}, {u"a", u"ab"}, {u"aa"}, {u"", u"b", u"ba"}, {},
      {u"\u300Aa", u"\n"}};
  for (int Round = 0; Round < 2000; ++Round) {
    // U+300A and U+0D0A share a low byte with LF: they must not pass for line breaks.
    const std::u16string Text = RandomText(Random, 16, u"ab\r\nc\u300A\u0D0A");
    const auto& Delimiters = DelimiterSets[Random() % DelimiterSets.size()];
    const TSplitMode Mode = static_cast<TSplitMode>(Random() % 5);
    TSplitList L;
    L.SplitText(Text, Delimiters, Mode);
    ASSERT_EQ(ItemsOf(L), ReferenceSplit(Text, Delimiters, Mode))
        << "round " << Round << " mode " << int(Mode) << " " << Show(Text);
  }
}

// The pieces of S as copies, for comparing views with list items.
Strings Copies(const std::vector<std::u16string_view>& Views) {
  return Strings(Views.begin(), Views.end());
}

// Views that lie inside S, in order and without overlap.
bool ViewsInside(std::u16string_view S, const std::vector<std::u16string_view>& Views) {
  const char16_t* Next = S.data();
  for (std::u16string_view V : Views) {
    if (V.empty()) continue;
    if (V.data() < Next || V.data() + V.size() > S.data() + S.size()) return false;
    Next = V.data() + V.size();
  }
  return true;
}

TEST(StringRecordList, LineViewsAreTheListsLines) {
  struct Row {
    std::u16string_view Text;
    Strings Lines;
  };
  // Long rows put breaks on both sides of the eight-unit steps of the scan.
  const Row Rows[] = {
      {u"", {}},
      {u"abc", {u"abc"}},
      {u"ab\r\n", {u"ab\r\n"}},
      {u"\r\r\n\n\r", {u"\r", u"\r\n", u"\n", u"\r"}},
      {u"1234567\r\n", {u"1234567\r\n"}},
      {u"12345678\r\n9", {u"12345678\r\n", u"9"}},
      {u"12345678\r9\n", {u"12345678\r", u"9\n"}},
      {u"123456789abcdef\r\nx", {u"123456789abcdef\r\n", u"x"}},
      {u"0123456789abcdef0123456789\n", {u"0123456789abcdef0123456789\n"}},
      {u"\u0D0A\u300A\u0A0D\u0D00\u000A", {u"\u0D0A\u300A\u0A0D\u0D00\u000A"}},
      {u"x\u0D0Ay\u0D0A\u0D0A\u0D0A\u0D0A\u0D0A\u0D0A\u0D0A\u0D0A\r",
       {u"x\u0D0Ay\u0D0A\u0D0A\u0D0A\u0D0A\u0D0A\u0D0A\u0D0A\u0D0A\r"}},
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    const std::vector<std::u16string_view> Lines = SplitLines(Rows[i].Text);
    EXPECT_EQ(Copies(Lines), Rows[i].Lines) << "row " << i << " " << Show(Rows[i].Text);
    EXPECT_TRUE(ViewsInside(Rows[i].Text, Lines)) << "row " << i;
  }
}

TEST(StringRecordList, PieceViewsGiveSplitTextsPiecesInEveryMode) {
  EXPECT_EQ(Copies(SplitPieces(u"x::y:z", std::vector<std::u16string_view>{u"::", u":"}, smDrop)),
            (Strings{u"x", u"y", u"z"}));

  // Random texts, long enough for the vector scan, against the cells of SplitText. Six
  // distinct first units take the low-byte screen instead of the scan.
  std::mt19937 Random(2024);
  const std::vector<std::vector<std::u16string_view>> DelimiterSets = {
      {u"\r\n", u"\r", u"\n"},
      {u"ab", u"a"},
      {u"a", u"ab"},
      {u"", u"b", u"ba"},
      {},
      {u"\u300Aa", u"\n"},
      {u"a", u"b", u"c", u"\r", u"\n"},
      {u"\r\n", u"a", u"bc", u"c", u"\u0D0A", u"\n", u"\u300A"},
  };
  for (int Round = 0; Round < 4000; ++Round) {
    const std::u16string Text = RandomText(Random, 40, u"ab\r\nc\u300A\u0D0Axyzxyzxyz");
    const auto& Delimiters = DelimiterSets[Random() % DelimiterSets.size()];
    const TSplitMode Mode = static_cast<TSplitMode>(Random() % 5);
    TSplitList L;
    L.SplitText(Text, Delimiters, Mode);
    const std::vector<std::u16string_view> Pieces = SplitPieces(Text, Delimiters, Mode);
    ASSERT_EQ(Copies(Pieces), ItemsOf(L))
        << "round " << Round << " mode " << int(Mode) << " " << Show(Text);
    ASSERT_EQ(ItemsOf(L), ReferenceSplit(Text, Delimiters, Mode))
        << "round " << Round << " mode " << int(Mode) << " " << Show(Text);
    ASSERT_TRUE(ViewsInside(Text, Pieces)) << "round " << Round;

    TCommonStringRecordList Lines;
    Lines.SetText(Text);
    ASSERT_EQ(Copies(SplitLines(Text)), ItemsOf(Lines)) << "round " << Round << " " << Show(Text);
  }
}

TEST(StringRecordList, DelimitedText) {
  struct Row {
    std::u16string_view Text;
    Strings Items;
  };
  const Row Rows[] = {
      {u"", {u""}},       {u"a,,b", {u"a", u"", u"b"}}, {u"a,b,", {u"a", u"b", u""}},
      {u",", {u"", u""}}, {u",a", {u"", u"a"}},         {u"abc", {u"abc"}},
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    TCommonStringRecordList L;
    L.SetDelimitedText(Rows[i].Text, {u","});
    EXPECT_EQ(ItemsOf(L), Rows[i].Items) << "row " << i;
    EXPECT_EQ(L.GetDelimitedText(u","), Rows[i].Text) << "row " << i;
  }

  // n matched delimiters give n + 1 items.
  std::mt19937 Random(3);
  for (int Round = 0; Round < 500; ++Round) {
    const std::u16string Text = RandomText(Random, 20, u"a,b,,");
    TCommonStringRecordList L;
    L.SetDelimitedText(Text, {u","});
    EXPECT_EQ(L.Count(), std::count(Text.begin(), Text.end(), u',') + 1) << Show(Text);
    EXPECT_EQ(L.GetDelimitedText(u","), Text);
  }

  TCommonStringRecordList L;
  const std::vector<std::u16string_view> None;
  L.SetDelimitedText(u"a,b", None);
  EXPECT_EQ(ItemsOf(L), (Strings{u"a,b"}));
  L.SetDelimitedText(u"x::y:z", {u"::", u":"});
  EXPECT_EQ(ItemsOf(L), (Strings{u"x", u"y", u"z"}));

  // No quoting: an item holding the delimiter splits into more items.
  L.Clear();
  L.Add(u"a,b");
  L.Add(u"c");
  const std::u16string Joined = L.GetDelimitedText(u",");
  EXPECT_EQ(Joined, u"a,b,c");
  L.SetDelimitedText(Joined, {u","});
  EXPECT_EQ(L.Count(), 3);

  L.Clear();
  EXPECT_EQ(L.GetDelimitedText(u","), u"");
  L.Add(u"");
  EXPECT_EQ(L.GetDelimitedText(u","), u"");
  L.SetItems(0, u"a");
  L.Add(u"b");
  EXPECT_EQ(L.GetDelimitedText(u", "), u"a, b");
  EXPECT_EQ(L.GetDelimitedText(u""), u"ab");
  L.Add(u"");
  EXPECT_EQ(L.GetDelimitedText(u";"), u"a;b;");
}

TEST(StringRecordList, IndexOfCountAndAssign) {
  TCommonStringRecordList L;
  L.Add(u"ABC");
  L.Add(u"x");
  L.Add(u"ABC");
  EXPECT_EQ(L.IndexOf(u"abc"), -1);
  EXPECT_EQ(L.IndexOf(u"ABC"), 0);
  EXPECT_EQ(L.IndexOf(u"x"), 1);
  EXPECT_EQ(L.IndexOf(u""), -1);

  L.SetCount(5);
  EXPECT_EQ(ItemsOf(L), (Strings{u"ABC", u"x", u"ABC", u"", u""}));
  EXPECT_EQ(L.IndexOf(u""), 3);
  L.SetCount(2);
  EXPECT_EQ(ItemsOf(L), (Strings{u"ABC", u"x"}));
  L.SetCount(2);
  EXPECT_EQ(L.Count(), 2);

  TRecordList Three;
  Three.Add(u"1");
  Three.Add(u"2");
  Three.Add(u"3");
  L.SetCount(5);
  L.Assign(&Three);
  EXPECT_EQ(ItemsOf(L), (Strings{u"1", u"2", u"3"}));
  L.Assign(nullptr);
  EXPECT_EQ(L.Count(), 3);
  L.Assign(&L);  // its own source: left as it is
  EXPECT_EQ(ItemsOf(L), (Strings{u"1", u"2", u"3"}));
  TRecordList Back;
  Back.Assign(&L);
  EXPECT_EQ(ItemsOf(Back), (Strings{u"1", u"2", u"3"}));

  L.Exchange(0, 2);
  EXPECT_EQ(ItemsOf(L), (Strings{u"3", u"2", u"1"}));
  L.Move(0, 2);
  EXPECT_EQ(ItemsOf(L), (Strings{u"2", u"1", u"3"}));
  L.Insert(1, u"new");
  L.Insert(4, u"end");
  EXPECT_EQ(ItemsOf(L), (Strings{u"2", u"new", u"1", u"3", u"end"}));
  L.Delete(0);
  L.Delete(3);
  EXPECT_EQ(ItemsOf(L), (Strings{u"new", u"1", u"3"}));
  EXPECT_EQ(L.Add(u"4"), 3);
}

TEST(StringRecordList, FaultsLeaveTheListUnchanged) {
  TCommonStringRecordList L;
  L.SetText(u"a\nb\nc");
  const std::pair<const char*, std::function<void()>> Faults[] = {
      {"Items(-1)", [&] { (void)L.Items(-1); }},
      {"Items(count)", [&] { (void)L.Items(3); }},
      {"SetItems(count)", [&] { L.SetItems(3, u"x"); }},
      {"Delete(-1)", [&] { L.Delete(-1); }},
      {"Delete(count)", [&] { L.Delete(3); }},
      {"Insert(-1)", [&] { L.Insert(-1, u"x"); }},
      {"Insert(count + 1)", [&] { L.Insert(4, u"x"); }},
      {"Exchange(0, count)", [&] { L.Exchange(0, 3); }},
      {"Move(count, 0)", [&] { L.Move(3, 0); }},
      {"Move(0, -1)", [&] { L.Move(0, -1); }},
      {"SetCount(limit + 1)", [&] { L.SetCount(MaxListSize + 1); }},
  };
  for (const auto& [What, Op] : Faults) {
    try {
      Op();
      ADD_FAILURE() << What << ": no fault";
    } catch (const EAssertionFailed& E) {
      EXPECT_EQ(E.Message(), RecordListFault) << What;
    }
    EXPECT_EQ(L.Text(), u"a\nb\nc") << What;
    EXPECT_EQ(L.Count(), 3) << What;
  }

  // A negative count deletes every item first, then faults.
  try {
    L.SetCount(-1);
    ADD_FAILURE() << "no fault";
  } catch (const EAssertionFailed& E) {
    EXPECT_EQ(E.Message(), RecordListFault);
  }
  EXPECT_EQ(L.Count(), 0);
  L.Add(u"still usable");
  EXPECT_EQ(L.Text(), u"still usable");
}

}  // namespace
