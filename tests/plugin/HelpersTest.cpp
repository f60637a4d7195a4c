// Editor text helpers, reading (PluginLibrary) and writing (PluginLibrary2), against the
// document model behind the fake editor window.

#include <gtest/gtest.h>

#include <stdexcept>

#include "HostFixture.h"
#include "plugin/PluginLibrary.h"
#include "plugin/PluginLibrary2.h"

namespace {

// Ten lines of ten characters; the last one (index 9) holds eight and has no break.
std::u16string TenLines() {
  std::u16string Text;
  for (int I = 0; I < 9; ++I) Text += u"0123456789\r\n";
  return Text + u"abcdefgh";
}

// Ten lines, the last one (index 9) empty after a final break.
std::u16string TenLinesEmptyLast() {
  std::u16string Text;
  for (int I = 0; I < 9; ++I) Text += u"0123456789\n";
  return Text;
}

using SelectWholeLinesTest = HostFixture;

TEST_F(SelectWholeLinesTest, WidensToWholeLinesKeepingTheCaretEnd) {
  struct Row {
    bool EmptyLast;
    THostPos Anchor, Active;
    THostPos WantAnchor, WantActive;
    bool FetchesLine;
  };
  const Row Rows[] = {
      {false, {3, 4}, {2, 6}, {0, 4}, {0, 7}, false},  // downward
      {false, {2, 6}, {3, 4}, {0, 7}, {0, 4}, false},  // upward keeps the caret at the start
      {false, {3, 4}, {0, 6}, {0, 4}, {0, 6}, false},  // ends at column 0: line 6 stays out
      {false, {1, 5}, {4, 5}, {0, 5}, {0, 6}, false},  // inside one line
      {false, {4, 5}, {4, 5}, {0, 6}, {0, 5}, false},  // nothing selected: caret at the start
      {false, {2, 8}, {5, 9}, {0, 8}, {8, 9}, true},   // ends in the last line
      {false, {5, 9}, {2, 9}, {8, 9}, {0, 9}, true},   // inside the last line, upward
      {false, {0, 9}, {0, 9}, {8, 9}, {0, 9}, true},   // caret on the last line
      {true, {2, 3}, {0, 9}, {0, 3}, {0, 9}, false},   // the empty last line adds nothing
  };
  // Wrapping at 3 makes view positions (kind 0) differ from document positions (kind 2).
  for (int32_t Wrap : {0, 3}) {
    for (size_t I = 0; I < std::size(Rows); ++I) {
      const Row& R = Rows[I];
      Doc.SetWrapWidth(Wrap);
      Start(R.EmptyLast ? TenLinesEmptyLast() : TenLines(), R.Anchor, R.Active);
      SelectWholeLines(Wnd);
      EXPECT_EQ(Doc.Anchor(), R.WantAnchor) << "row " << I << " wrap " << Wrap;
      EXPECT_EQ(Doc.Caret(), R.WantActive) << "row " << I << " wrap " << Wrap;
      EXPECT_EQ(Doc.MessageCount(HostGetLineText) > 0, R.FetchesLine) << "row " << I;
      EXPECT_TRUE(Doc.Anomalies().empty()) << "row " << I << " wrap " << Wrap << ": "
                                           << (Doc.Anomalies().empty() ? "" : Doc.Anomalies()[0]);
      EXPECT_EQ(Doc.MessageCount(HostReplaceSel), 0) << "row " << I;
    }
  }
}

TEST_F(SelectWholeLinesTest, LineRequestCarriesTheOptionSum) {
  Start(u"ab\r\ncd", {0, 0}, {0, 0});
  EXPECT_EQ(GetLineText(Wnd, 0, loDocumentLine), u"ab");
  EXPECT_EQ(GetLineText(Wnd, 0, loDocumentLine | loLineBreak), u"ab\r\n");
  EXPECT_EQ(GetLineText(Wnd, 1, loDocumentLine), u"cd");
  std::vector<int32_t> Options;
  for (const auto& E : Doc.Log()) {
    if (E.Msg == HostGetLineText) Options.push_back(E.Pos2.X);
  }
  EXPECT_EQ(Options, (std::vector<int32_t>{1, 1, 3, 3, 1, 1}));
}

// Every message SelectWholeLines sends, with the position kind in wParam: the ends in kind 2,
// the direction in kind 0, the last line's length by the two-call protocol with option 1,
// S converted before E, and the direction put back.
TEST_F(SelectWholeLinesTest, MessageByMessage) {
  const auto Trace = [this] {
    std::string Out;
    for (const THostLogEntry& E : Doc.Log()) {
      std::string Word = HostDocument::MessageName(E.Msg);
      switch (E.Msg) {
        case HostGetSelStart:
        case HostGetSelEnd:
        case HostGetCaretPos:
        case HostGetLineCount:
        case HostSetCaretPos:
          Word += std::to_string(E.WParam);
          break;
        case HostGetLineText:
          Word += "(" + std::to_string(E.Pos.X) + "," + std::to_string(E.Pos.Y) + "," +
                  std::to_string(E.Pos2.X) + (E.LParam == 0 ? ",0)" : ",buf)");
          break;
        case HostConvertPos:
          Word += Show(E.Pos);
          break;
        case HostSetSelection:
          Word += Show(E.Pos) + ">" + Show(E.Pos2);
          break;
        default:
          break;
      }
      Out += (Out.empty() ? "" : " ") + Word;
    }
    return Out;
  };
  const std::string Reads =
      "HostGetSelStart2 HostGetSelEnd2 HostGetSelStart0 HostGetSelEnd0 HostGetCaretPos0 ";
  const struct {
    THostPos Anchor, Active;
    std::string Rest;
  } Rows[] = {
      {{3, 4},
       {2, 6},
       "HostGetLineCount2 HostConvertPos(0,4) HostConvertPos(0,7) HostSetSelection(0,4)>(0,7) "
       "HostGetSelStart0 HostGetSelEnd0 HostSetSelection(0,4)>(0,7)"},
      {{0, 6},
       {3, 4},
       "HostConvertPos(0,4) HostConvertPos(0,6) HostSetSelection(0,4)>(0,6) "
       "HostGetSelStart0 HostGetSelEnd0 HostSetSelection(0,6)>(0,4)"},
      {{2, 8},
       {5, 9},
       "HostGetLineCount2 HostGetLineText(0,9,1,0) HostGetLineText(8,9,1,buf) "
       "HostConvertPos(0,8) HostConvertPos(8,9) HostSetSelection(0,8)>(8,9) "
       "HostGetSelStart0 HostGetSelEnd0 HostSetSelection(0,8)>(8,9)"},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    Start(TenLines(), Rows[I].Anchor, Rows[I].Active);
    SelectWholeLines(Wnd);
    EXPECT_EQ(Trace(), Reads + Rows[I].Rest) << "row " << I;
  }
}

using TextHelpersTest = HostFixture;

TEST_F(TextHelpersTest, SelectedTextEndsAtTheFirstZero) {
  Start(u"abc\r\ndef", {1, 0}, {2, 1});
  EXPECT_EQ(GetSelectedText(Wnd), u"bc\r\nde");
  Start(u"abc", {1, 0}, {1, 0});
  EXPECT_EQ(GetSelectedText(Wnd), u"");
  Start(std::u16string(u"ab\0cd", 5), {0, 0}, {5, 0});
  EXPECT_EQ(GetSelectedText(Wnd), u"ab");
}

TEST_F(TextHelpersTest, DocumentPath) {
  const std::u16string Long(300, u'p');
  const struct {
    std::u16string Path, Want;
  } Rows[] = {
      {u"C:\\docs\\memo.txt", u"C:\\docs\\memo.txt"},
      {u"", u""},
      {Long, Long.substr(0, 260)},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    Doc.SetPath(Rows[I].Path);
    EXPECT_EQ(GetDocumentPath(Wnd), Rows[I].Want) << "row " << I;
  }
}

TEST_F(TextHelpersTest, RestoreSelectionDirection) {
  Start(u"one\r\ntwo\r\nthree", {1, 0}, {2, 2});
  RestoreSelectionDirection(Wnd, false);
  EXPECT_EQ(Doc.Anchor(), (THostPos{2, 2}));
  EXPECT_EQ(Doc.Caret(), (THostPos{1, 0}));
  EXPECT_FALSE(IsCaretAtSelectionEnd(Wnd));
  RestoreSelectionDirection(Wnd, true);
  EXPECT_EQ(Doc.Anchor(), (THostPos{1, 0}));
  EXPECT_EQ(Doc.Caret(), (THostPos{2, 2}));
  EXPECT_TRUE(IsCaretAtSelectionEnd(Wnd));
  // An empty selection is only a caret placement, never a selection message.
  Start(u"one", {2, 0}, {2, 0});
  RestoreSelectionDirection(Wnd, true);
  EXPECT_EQ(EditTrace(Doc.Log()), "caret0(2,0)");
}

// The host's answer to 4201 counts as "editable" only when its low byte is 1.
TEST_F(TextHelpersTest, EditableOnlyForLowByteOne) {
  const struct {
    LRESULT Answer;
    bool Editable;
  } Rows[] = {{1, true}, {0x101, true}, {0, false}, {2, false}, {-1, false}, {0x100, false}};
  for (size_t I = 0; I < std::size(Rows); ++I) {
    Hook = [&](UINT Msg, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
      if (Msg != HostQueryCommand) return std::nullopt;
      EXPECT_EQ(wParam, HostCmdCanEdit) << "row " << I;
      EXPECT_NE(lParam, 0) << "row " << I;
      return Rows[I].Answer;
    };
    EXPECT_EQ(CanEditDocument(Wnd), Rows[I].Editable) << "row " << I;
  }
}

// The command's own exchanges, message by message (with wParam), and what they leave behind.
TEST_F(TextHelpersTest, CommandExchangesMessageByMessage) {
  const auto Trace = [this] {
    std::string Out;
    for (const THostLogEntry& E : Doc.Log())
      Out += (Out.empty() ? "" : " ") + std::string(HostDocument::MessageName(E.Msg)) +
             std::to_string(E.WParam);
    return Out;
  };
  const struct {
    const char* Name;
    std::function<void()> Call;
    std::string Messages;
  } Rows[] = {
      {"ReadEditorState",
       [this] {
         const TEditorState State = ReadEditorState(Wnd);
         EXPECT_EQ(State.SelStart, (THostPos{0, 1}));
         EXPECT_EQ(State.SelEnd, (THostPos{2, 1}));
         EXPECT_EQ(State.Scroll.Row, 1);
         EXPECT_FALSE(State.NothingSelected);
         EXPECT_TRUE(State.CanEdit);
       },
       "HostGetSelStart2 HostGetSelEnd2 HostGetScrollPos0 HostHasSelection0 HostQueryCommand4201"},
      {"SelectTarget and EndWholeDocumentSelection",
       [this] {
         EXPECT_EQ(SelectTarget(Wnd, true), Doc.Text());
         EXPECT_TRUE(Doc.WholeDocumentSelected());
         EndWholeDocumentSelection(Wnd, {1, 2});
         EXPECT_FALSE(Doc.HasSelection());
         EXPECT_EQ(Doc.Caret(), (THostPos{1, 2}));
       },
       "HostExecCommand4136 HostGetSelText0 HostGetSelText10 HostExecCommand4187 "
       "HostSetCaretPos2"},
      {"SetHostScrollPos",
       [this] {
         SetHostScrollPos(Wnd, {0, 2});
         EXPECT_EQ(Doc.ScrollPos().Row, 2);
       },
       "HostSetScrollPos0"},
      {"SuspendRedraw",
       [this] {
         const TRedrawOff Redraw = SuspendRedraw(Wnd);
         EXPECT_FALSE(Doc.RedrawEnabled());
       },
       "HostSetRedraw0 HostSetRedraw1"},
  };
  for (const auto& Row : Rows) {
    Start(u"ab\r\ncd\r\nef", {0, 1}, {2, 1});
    Doc.SetViewHeight(1);
    Doc.SetScrollPos({0, 1});
    Row.Call();
    EXPECT_EQ(Trace(), Row.Messages) << Row.Name;
    EXPECT_TRUE(Doc.RedrawEnabled()) << Row.Name;
    EXPECT_TRUE(Doc.Anomalies().empty()) << Row.Name;
  }
}

// Redrawing is switched back on when a failure unwinds; when that fails too, the failure that
// unwinds goes on, not the second one.
TEST_F(TextHelpersTest, RedrawBackOnWhateverFails) {
  for (const bool OnFails : {false, true}) {
    int Switches = 0;
    Hook = [&](UINT Msg, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
      if (Msg != HostSetRedraw) return std::nullopt;
      EXPECT_EQ(wParam, WPARAM(Switches++ == 0 ? 0 : 1)) << OnFails;
      if (OnFails && wParam == 1) throw std::runtime_error("refused");
      return std::nullopt;
    };
    Start(u"a", {0, 0}, {0, 0});
    EXPECT_THROW(
        {
          const TRedrawOff Redraw = SuspendRedraw(Wnd);
          throw std::logic_error("command failed");
        },
        std::logic_error);
    EXPECT_EQ(Switches, 2) << OnFails;
    EXPECT_EQ(Doc.RedrawEnabled(), !OnFails) << OnFails;
  }
}

}  // namespace
