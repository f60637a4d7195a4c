// Write-back of changed lines, checked against the messages the document received.

#include <gtest/gtest.h>

#include <functional>

#include "HostFixture.h"
#include "library/StringRecordList/StringRecordList.h"
#include "plugin/PluginLibrary.h"
#include "plugin/PluginLibrary2.h"

namespace {

// "N:" in front of every line, its break kept.
std::u16string Numbered(std::u16string_view Text) {
  TCommonStringRecordList Lines;
  Lines.SetText(Text);
  for (int32_t I = 0; I < Lines.Count(); ++I) {
    Lines.SetItems(I,
                   std::u16string(1, static_cast<char16_t>(u'1' + I % 9)) + u":" + Lines.Items(I));
  }
  return Lines.Text();
}

class WriteBackTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    // What was selected each time a replacement arrived.
    Hook = [this](UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (Msg == HostReplaceSel) Replaced.push_back(Doc.SelectionText());
      return std::nullopt;
    };
  }
  std::vector<std::u16string> Replaced;
};

TEST_F(WriteBackTest, CrLfLinesAreReplacedWithoutTheirBreak) {
  Start(u"alpha\r\nbeta\r\ngamma\r\nrest", {0, 0}, {0, 3});
  WriteBackLines(Wnd, u"1:alpha\r\n2:beta\r\n3:gamma\r\n");
  EXPECT_EQ(EditTrace(Doc.Log()),
            "caret2(0,0) select(5) replace(1:alpha) caret2(0,1) "
            "caret2(0,1) select(4) replace(2:beta) caret2(0,2) "
            "caret2(0,2) select(5) replace(3:gamma) caret2(0,3) "
            "caret2(0,0) select(26) selection(0,0>0,3)");
  EXPECT_EQ(Replaced, (std::vector<std::u16string>{u"alpha", u"beta", u"gamma"}));
  EXPECT_EQ(Show(Doc.Text()), Show(u"1:alpha\r\n2:beta\r\n3:gamma\r\nrest"));
  EXPECT_EQ(Doc.Anchor(), (THostPos{0, 0}));
  EXPECT_EQ(Doc.Caret(), (THostPos{0, 3}));
  EXPECT_TRUE(Doc.Anomalies().empty());
}

TEST_F(WriteBackTest, ExactMessageSequences) {
  struct Row {
    const char* Name;
    std::u16string Text;
    THostPos Anchor, Active;
    std::u16string NewText;
    std::string Trace;
    std::u16string Result;
  };
  const Row Rows[] = {
      {"unchanged, downward",
       u"a\r\nb\r\nc\r\nd",
       {0, 1},
       {0, 3},
       u"b\r\nc\r\n",
       "caret2(0,2) caret2(0,3) caret2(0,1) select(6) selection(0,1>0,3)",
       u"a\r\nb\r\nc\r\nd"},
      {"unchanged, upward",
       u"a\r\nb\r\nc\r\nd",
       {0, 3},
       {0, 1},
       u"b\r\nc\r\n",
       "caret2(0,2) caret2(0,3) caret2(0,1) select(6) selection(0,3>0,1)",
       u"a\r\nb\r\nc\r\nd"},
      {"unchanged last line without break",
       u"x\r\ny",
       {0, 1},
       {1, 1},
       u"y",
       "caret2(1,1) caret2(0,1) select(1) selection(0,1>1,1)",
       u"x\r\ny"},
      {"last line without break",
       u"x\r\ny",
       {0, 1},
       {1, 1},
       u"1:y",
       "caret2(0,1) select(1) replace(1:y) caret2(0,1) select(3) selection(0,1>3,1)",
       u"x\r\n1:y"},
      {"first of three lines dropped",
       u"1:\r\n2:a\r\n3:b\r\ntail",
       {0, 0},
       {0, 3},
       u"2:a\r\n3:b\r\n",
       "caret2(0,0) select(2) replace(2:a) caret2(0,1) caret2(0,1) select(3) replace(3:b) "
       "caret2(0,2) select(5) replace() caret2(0,0) select(10) selection(0,0>0,2)",
       u"2:a\r\n3:b\r\ntail"},
      {"surplus lines inserted in one go",
       u"a\nb\nz",
       {0, 0},
       {0, 2},
       u"a\nb\nc\nd\n",
       "caret2(0,1) caret2(0,2) replace(c\\nd\\n) caret2(0,0) select(8) selection(0,0>0,4)",
       u"a\nb\nc\nd\nz"},
      {"CR LF line becomes an LF line",
       u"a\r\nb",
       {0, 0},
       {0, 1},
       u"x\n",
       "caret2(0,0) select(3) replace(x\\n) caret2(0,0) select(2) selection(0,0>0,1)",
       u"x\nb"},
      {"empty new text, downward",
       u"keep\r\nx\r\ny\r\nend",
       {0, 1},
       {0, 3},
       u"",
       "caret2(0,1) select(6) replace() caret2(0,1) select(0) caret0(0,1)",
       u"keep\r\nend"},
      {"empty new text, upward",
       u"keep\r\nx\r\ny\r\nend",
       {0, 3},
       {0, 1},
       u"",
       "caret2(0,1) select(6) replace() caret2(0,1) select(0) caret0(0,1)",
       u"keep\r\nend"},
      {"selection starting inside a line",
       u"abc def\r\nghi\r\nend",
       {4, 0},
       {0, 2},
       u"DEF\r\nghi\r\nNEW\r\n",
       "caret2(4,0) select(3) replace(DEF) caret2(0,1) caret2(0,2) replace(NEW\\r\\n) "
       "caret2(4,0) select(15) selection(4,0>0,3)",
       u"abc DEF\r\nghi\r\nNEW\r\nend"},
      {"nothing selected, text inserted",
       u"ab",
       {1, 0},
       {1, 0},
       u"X\r\n",
       "caret2(1,0) replace(X\\r\\n) caret2(1,0) select(3) selection(0,1>1,0)",
       u"aX\r\nb"},
  };
  for (const Row& R : Rows) {
    Start(R.Text, R.Anchor, R.Active);
    WriteBackLines(Wnd, R.NewText);
    EXPECT_EQ(EditTrace(Doc.Log()), R.Trace) << R.Name;
    EXPECT_EQ(Show(Doc.Text()), Show(R.Result)) << R.Name;
    EXPECT_TRUE(Doc.Anomalies().empty()) << R.Name << ": " << Doc.Anomalies().front();
  }
}

// Whole commands (widen, fetch, transform, write back) with and without wrapped view lines:
// the results must agree, so no kind 0 position was taken for a kind 2 one or back.
TEST_F(WriteBackTest, SameResultWithWrappedViewLines) {
  const std::u16string Long = u"the quick brown fox jumps over";  // 30 characters
  const std::u16string Text =
      Long + u"\r\n" + Long + u"\n" + Long + u"\r" + Long + u"\r\n\r\n" + Long + u"\r\n" + Long;
  struct Row {
    const char* Name;
    THostPos Anchor, Active;
    std::function<std::u16string(std::u16string_view)> Transform;
  };
  const Row Rows[] = {
      {"number, downward", {5, 1}, {7, 5}, Numbered},
      {"number, upward", {7, 5}, {5, 1}, Numbered},
      {"number to the end", {20, 2}, {3, 6}, Numbered},
      {"unchanged", {20, 0}, {9, 3}, [](std::u16string_view T) { return std::u16string(T); }},
      {"drop the first line",
       {1, 1},
       {1, 4},
       [](std::u16string_view T) {
         TCommonStringRecordList L;
         L.SetText(T);
         L.Delete(0);
         return L.Text();
       }},
      {"delete everything", {3, 2}, {2, 3}, [](std::u16string_view) { return std::u16string(); }},
  };
  for (const Row& R : Rows) {
    std::u16string Results[2];
    THostPos Anchors[2], Carets[2];
    for (int Pass = 0; Pass < 2; ++Pass) {
      Doc.SetWrapWidth(Pass == 0 ? 0 : 7);
      Start(Text, R.Anchor, R.Active);
      SelectWholeLines(Wnd);
      WriteBackLines(Wnd, R.Transform(GetSelectedText(Wnd)));
      Results[Pass] = Doc.Text();
      Anchors[Pass] = Doc.Anchor();
      Carets[Pass] = Doc.Caret();
      EXPECT_TRUE(Doc.Anomalies().empty())
          << R.Name << " pass " << Pass << ": " << Doc.Anomalies().front();
    }
    EXPECT_EQ(Show(Results[1]), Show(Results[0])) << R.Name;
    EXPECT_EQ(Anchors[1], Anchors[0]) << R.Name;
    EXPECT_EQ(Carets[1], Carets[0]) << R.Name;
  }
}

TEST_F(WriteBackTest, SelectionDirectionSurvives) {
  for (bool Upward : {false, true}) {
    const THostPos Top{0, 0}, Bottom{0, 2};
    Start(u"a\r\nb\r\nc", Upward ? Bottom : Top, Upward ? Top : Bottom);
    WriteBackLines(Wnd, u"1:a\r\n2:b\r\nextra\r\n");
    EXPECT_EQ(Show(Doc.Text()), Show(u"1:a\r\n2:b\r\nextra\r\nc")) << Upward;
    EXPECT_EQ(Doc.SelStart(), (THostPos{0, 0})) << Upward;
    EXPECT_EQ(Doc.SelEnd(), (THostPos{0, 3})) << Upward;
    EXPECT_EQ(Doc.Caret(), Upward ? (THostPos{0, 0}) : (THostPos{0, 3})) << Upward;
  }
}

TEST_F(WriteBackTest, MixedBreaksRoundTrip) {
  const std::u16string Body = u"one\rtwo\nthree\r\n\n\r\nfour\r\n\r";
  const std::u16string Text = u"head\r\n" + Body + u"tail";
  Start(Text, {2, 1}, {0, 8});
  SelectWholeLines(Wnd);
  ASSERT_EQ(Show(GetSelectedText(Wnd)), Show(Body));
  WriteBackLines(Wnd, Numbered(Body));
  EXPECT_EQ(Show(Doc.Text()), Show(u"head\r\n" + Numbered(Body) + u"tail"));
  EXPECT_EQ(Show(GetSelectedText(Wnd)), Show(Numbered(Body)));
  // Only the CR LF lines kept their break out of the selection.
  for (const auto& R : Replaced) {
    EXPECT_EQ(R.find(u"\r\n"), std::u16string::npos) << Show(R);
  }
  WriteBackLines(Wnd, Body);
  EXPECT_EQ(Show(Doc.Text()), Show(Text));
  EXPECT_TRUE(Doc.Anomalies().empty());
}

}  // namespace
