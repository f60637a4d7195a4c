// The plug-in's command end to end against the fake Win32 and the host document model: the
// menu it shows, what every item does to the document, the selection, the caret and the
// clipboard, and how it behaves when the host answers nonsense or something fails.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Corvane/CommandMenu.h"
#include "host/HostDocument.h"
#include "plugin/plugin.h"
#include "tests/fakewin/FakeWin.h"

// Found by argument-dependent lookup, so in the namespace of THostPos.
bool operator==(THostPos A, THostPos B) {
  return A.X == B.X && A.Y == B.Y;
}
std::ostream& operator<<(std::ostream& Out, THostPos P) {
  return Out << "(" << P.X << ", " << P.Y << ")";
}

namespace {

using TFilter = std::function<std::optional<LRESULT>(UINT Msg, WPARAM wParam, LPARAM lParam)>;

// An editor window in front of a HostDocument. A filter may answer a message in the host's
// place (to model a host that answers nonsense or fails).
class TEditor {
 public:
  explicit TEditor(std::u16string_view Text) : Doc(Text) {
    FWnd = FakeWinRegisterWindow([this](UINT Msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (Filter)
        if (std::optional<LRESULT> Answer = Filter(Msg, wParam, lParam)) return *Answer;
      return Doc.Handle(Msg, wParam, lParam);
    });
  }
  ~TEditor() { FakeWinUnregisterWindow(FWnd); }
  HWND Wnd() const { return FWnd; }

  // Runs the command with the user picking Choice (0: the menu is dismissed).
  void Run(UINT Choice) {
    FakeWinSetMenuChooser([Choice](const TFakeTrackCall&) -> UINT_PTR { return Choice; });
    ExecuteCommandMenu(FWnd);
  }

  HostDocument Doc;
  TFilter Filter;

 private:
  HWND FWnd;
};

std::optional<std::u16string> ClipboardUnicode() {
  const std::optional<std::vector<uint8_t>> Bytes = FakeWinClipboardBytes(CF_UNICODETEXT);
  if (!Bytes) return std::nullopt;
  std::u16string Text(Bytes->size() / 2, u'\0');
  std::memcpy(Text.data(), Bytes->data(), Text.size() * 2);
  return Text.substr(0, Text.find(u'\0'));
}

std::optional<std::string> ClipboardAnsi() {
  const std::optional<std::vector<uint8_t>> Bytes = FakeWinClipboardBytes(CF_TEXT);
  if (!Bytes) return std::nullopt;
  const std::string Text(Bytes->begin(), Bytes->end());
  return Text.substr(0, Text.find('\0'));
}

// What every command must leave behind, whatever it did.
void ExpectCleanExit(const TEditor& E, const std::string& Context) {
  EXPECT_TRUE(E.Doc.RedrawEnabled()) << Context;
  EXPECT_EQ(E.Doc.EditsWhileRedrawOn(), 0) << Context;
  EXPECT_EQ(FakeWinLiveMenus(), 0) << Context;
  EXPECT_EQ(FakeWinBadMenuCalls(), 0) << Context;
  EXPECT_FALSE(FakeWinClipboardIsOpen()) << Context;
  EXPECT_FALSE(E.Doc.WholeDocumentSelected()) << Context;
  for (const std::string& A : E.Doc.Anomalies()) ADD_FAILURE() << Context << ": " << A;
}

class CommandMenuTest : public ::testing::Test {
 protected:
  void SetUp() override { FakeWinReset(); }
  void TearDown() override { FakeWinReset(); }
};

// --- The menu ------------------------------------------------------------------------------

struct TExpectedItem {
  UINT Flags;
  UINT_PTR Id;
  std::u16string Text;
  std::vector<TExpectedItem> Sub;
};

std::vector<TExpectedItem> ExpectedMenu(UINT G) {
  const TExpectedItem Separator{MF_SEPARATOR, 0, u"", {}};
  return {
      {G | MF_POPUP,
       0,
       u"行番号挿入",
       {{G, 1, u"行番号を1番から挿入", {}},
        {G, 2, u"行番号を逆順に挿入", {}},
        {G, 3, u"ファイル行番号を挿入", {}},
        {G | MF_POPUP,
         0,
         u"先頭で指定した行番号を挿入",
         {{G, 5, u"\uFF0B\uFF11", {}},
          {G, 6, u"\uFF0B\uFF11\uFF10", {}},
          {G, 7, u"\uFF0D\uFF11", {}},
          {G, 8, u"\uFF0D\uFF11\uFF10", {}}}}}},
      {G, 4, u"行番号削除", {}},
      Separator,
      {G | MF_POPUP,
       0,
       u"行番号テキストの整形",
       {{G, 11, u"全て実行", {}},
        Separator,
        {G, 9, u"行番号のみの行を削除", {}},
        {G, 10, u"行番号以降の余分なインデントの削除", {}}}},
      Separator,
      {MF_POPUP,
       0,
       u"コピー",
       {{0, 13, u"ファイル行番号を挿入して整形後コピー", {}},
        {0, 12, u"ファイル行番号を挿入してコピー", {}},
        Separator,
        {0, 14, u"行番号を削除してコピー", {}}}},
      Separator,
      {0, 0, u"キャンセル", {}},
  };
}

void ExpectMenu(const std::vector<TFakeMenuItem>& Actual,
                const std::vector<TExpectedItem>& Expected, const std::string& Where) {
  ASSERT_EQ(Actual.size(), Expected.size()) << Where;
  for (size_t i = 0; i < Expected.size(); ++i) {
    const std::string At = Where + "/" + std::to_string(i);
    EXPECT_EQ(Actual[i].Flags, Expected[i].Flags) << At;
    EXPECT_EQ(Actual[i].Text, Expected[i].Text) << At;
    EXPECT_FALSE(Actual[i].TextWasNull) << At;
    if (Actual[i].IsPopup()) {
      EXPECT_NE(Actual[i].SubMenuHandle, nullptr) << At;
      ExpectMenu(Actual[i].SubItems, Expected[i].Sub, At);
    } else {
      EXPECT_EQ(Actual[i].Id, Expected[i].Id) << At;
    }
  }
}

TEST_F(CommandMenuTest, MenuTreeItemByItem) {
  for (const bool ReadOnly : {false, true}) {
    FakeWinReset();
    TEditor E(u"a\r\nb");
    E.Doc.SetReadOnly(ReadOnly);
    FakeWinSetCursorPos({123, 45});
    E.Run(0);
    ASSERT_EQ(FakeWinTrackCalls().size(), 1u);
    const TFakeTrackCall& Call = FakeWinTrackCalls()[0];
    ExpectMenu(Call.Items, ExpectedMenu(ReadOnly ? MF_GRAYED : MF_ENABLED),
               ReadOnly ? "read-only" : "editable");
    EXPECT_EQ(Call.Flags, TPM_RETURNCMD);
    EXPECT_EQ(Call.X, 123);
    EXPECT_EQ(Call.Y, 45);
    EXPECT_EQ(Call.Reserved, 0);
    EXPECT_EQ(Call.Owner, E.Wnd());
    EXPECT_FALSE(Call.HadRect);
    EXPECT_EQ(FakeWinMenusCreated(), 5);  // the top menu and its four submenus
    ExpectCleanExit(E, "menu");
  }
}

TEST_F(CommandMenuTest, ReadOnlyDocumentOffersOnlyTheCopies) {
  const std::u16string Text = u"1:a\r\n2:b\r\n";
  for (UINT Id = 1; Id <= 14; ++Id) {
    FakeWinReset();
    TEditor E(Text);
    E.Doc.SetReadOnly(true);
    E.Doc.SetCaret({1, 1});
    E.Run(Id);
    const bool Copy = Id >= 12;
    ASSERT_EQ(FakeWinTrackCalls().size(), 1u);
    EXPECT_EQ(FakeWinSelectable(FakeWinTrackCalls()[0].Items, Id), Copy) << "id " << Id;
    EXPECT_EQ(E.Doc.Text(), Text) << "id " << Id;
    EXPECT_EQ(ClipboardUnicode().has_value(), Copy) << "id " << Id;
    EXPECT_EQ(E.Doc.Caret(), (THostPos{1, 1})) << "id " << Id;
    EXPECT_EQ(E.Doc.MessageCount(HostExecCommand), Copy ? 2 : 0) << "id " << Id;
    ExpectCleanExit(E, "id " + std::to_string(Id));
  }
}

TEST_F(CommandMenuTest, DismissedMenuChangesNothingButScrollAndRedraw) {
  TEditor E(u"1:a\r\nb\r\nc\r\nd\r\ne");
  E.Doc.SetViewHeight(2);
  E.Doc.Select({1, 1}, {1, 3});
  E.Doc.SetScrollPos({0, 2});
  FakeWinSetMenuChooser([&](const TFakeTrackCall&) -> UINT_PTR {
    E.Doc.SetScrollPos({0, 0});  // the view moved while the menu was up
    return 0;
  });
  ExecuteCommandMenu(E.Wnd());
  EXPECT_EQ(E.Doc.Text(), u"1:a\r\nb\r\nc\r\nd\r\ne");
  EXPECT_EQ(E.Doc.Anchor(), (THostPos{1, 1}));
  EXPECT_EQ(E.Doc.Caret(), (THostPos{1, 3}));
  EXPECT_EQ(E.Doc.ScrollPos().Row, 2);
  EXPECT_EQ(E.Doc.MessageCount(HostReplaceSel), 0);
  EXPECT_EQ(E.Doc.MessageCount(HostSetSelection), 0);
  EXPECT_EQ(E.Doc.MessageCount(HostExecCommand), 0);
  EXPECT_FALSE(ClipboardUnicode().has_value());
  ExpectCleanExit(E, "dismissed");
}

// --- Every command on a selection made downwards, upwards, and on the whole document ---------

constexpr std::u16string_view Path = u"C:\\work\\memo.txt";
constexpr std::u16string_view Header = u"C:\\work\\\r\n  memo.txt\r\n";
constexpr std::u16string_view Title = u"title\r\n";
constexpr std::u16string_view Target = u"  07:  one\r\n  two\r\n\r\n    three\r\n";
constexpr std::u16string_view Last = u"9:";

std::u16string Cat(std::u16string_view A, std::u16string_view B, std::u16string_view C = u"") {
  return std::u16string(A) + std::u16string(B) + std::u16string(C);
}

struct TCommandRow {
  UINT Id;
  std::u16string Text;       // the target lines afterwards (the document, for the whole)
  std::u16string Clipboard;  // empty: the clipboard is left alone
  int32_t CaretX = 0;        // whole document only: the caret column afterwards
};

// Lines 1 to 4 of Title + Target + Last are the target; they start on file line 2.
std::vector<TCommandRow> SelectionRows() {
  return {
      {1, u"1:  07:  one\r\n2:  two\r\n3:\r\n4:    three\r\n", u""},
      {2, u"4:  07:  one\r\n3:  two\r\n2:\r\n1:    three\r\n", u""},
      {3, u"2:  07:  one\r\n3:  two\r\n4:\r\n5:    three\r\n", u""},
      {4, u"  one\r\n  two\r\n\r\n    three\r\n", u""},
      {5, u"07:  one\r\n08:  two\r\n09:\r\n10:    three\r\n", u""},
      {6, u"07:  one\r\n17:  two\r\n27:\r\n37:    three\r\n", u""},
      {7, u"07:  one\r\n06:  two\r\n05:\r\n04:    three\r\n", u""},
      {8, u" 07:  one\r\n-03:  two\r\n-13:\r\n-23:    three\r\n", u""},
      {9, std::u16string(Target), u""},
      {10, u"  07:one\r\n  two\r\n\r\n    three\r\n", u""},
      {11, u"  07:one\r\n  two\r\n\r\n    three\r\n", u""},
      {12, std::u16string(Target),
       Cat(Header, u"2:  07:  one\r\n3:  two\r\n4:\r\n5:    three\r\n")},
      {13, std::u16string(Target), Cat(Header, u"2:07:  one\r\n3:two\r\n5:  three\r\n")},
      {14, std::u16string(Target), u"  one\r\n  two\r\n\r\n    three\r\n"},
  };
}

TEST_F(CommandMenuTest, EveryCommandOnASelection) {
  const std::u16string Doc = Cat(Title, Target, Last);
  for (const bool Upwards : {false, true}) {
    for (const TCommandRow& Row : SelectionRows()) {
      const std::string Context =
          std::string(Upwards ? "upwards" : "downwards") + ", id " + std::to_string(Row.Id);
      FakeWinReset();
      TEditor E(Doc);
      E.Doc.SetPath(Path);
      const THostPos From{2, 1}, To{3, 4};  // widened to lines 1-4
      if (Upwards)
        E.Doc.Select(To, From);
      else
        E.Doc.Select(From, To);
      E.Run(Row.Id);

      EXPECT_EQ(E.Doc.Text(), Cat(Title, Row.Text, Last)) << Context;
      EXPECT_EQ(E.Doc.SelStart(), (THostPos{0, 1})) << Context;
      EXPECT_EQ(E.Doc.SelectionText(), Row.Text) << Context;
      EXPECT_EQ(E.Doc.Caret(), Upwards ? E.Doc.SelStart() : E.Doc.SelEnd()) << Context;
      if (Row.Clipboard.empty()) {
        EXPECT_FALSE(ClipboardUnicode().has_value()) << Context;
      } else {
        EXPECT_EQ(ClipboardUnicode(), Row.Clipboard) << Context;
        EXPECT_EQ(ClipboardAnsi(), FakeWinToAnsi(Row.Clipboard)) << Context;
      }
      EXPECT_EQ(E.Doc.MessageCount(HostExecCommand), 0) << Context;
      ExpectCleanExit(E, Context);
    }
  }
}

// Nothing selected: the whole document, caret at column 3 of line 2 before and after (moved
// by the prefix width after an insertion).
std::vector<TCommandRow> WholeDocumentRows() {
  const std::u16string Doc = Cat(Title, Target, Last);
  const std::u16string FromOne = u"1:title\r\n2:  07:  one\r\n3:  two\r\n4:\r\n5:    three\r\n6:9:";
  return {
      {1, FromOne, u"", 5},
      {2, u"6:title\r\n5:  07:  one\r\n4:  two\r\n3:\r\n2:    three\r\n1:9:", u"", 5},
      {3, FromOne, u"", 5},  // the document's own line numbers, whatever line the caret is on
      {4, u"title\r\n  one\r\n  two\r\n\r\n    three\r\n", u"", 3},
      {5, Doc, u"", 3},  // the head "title CR LF  07" is no number
      {6, Doc, u"", 3},
      {7, Doc, u"", 3},
      {8, Doc, u"", 3},
      {9, u"title\r\n  07:  one\r\n  two\r\n\r\n    three\r\n", u"", 3},
      {10, u"title\r\n  07:one\r\n  two\r\n\r\n    three\r\n9:", u"", 3},
      {11, u"title\r\n  07:one\r\n  two\r\n\r\n    three\r\n", u"", 3},
      {12, Doc, Cat(Header, FromOne), 3},
      {13, Doc, Cat(Header, u"1:title\r\n2:  07:  one\r\n3:  two\r\n5:    three\r\n6:9:"), 3},
      {14, Doc, u"title\r\n  one\r\n  two\r\n\r\n    three\r\n", 3},
  };
}

TEST_F(CommandMenuTest, EveryCommandOnTheWholeDocument) {
  for (const TCommandRow& Row : WholeDocumentRows()) {
    const std::string Context = "id " + std::to_string(Row.Id);
    FakeWinReset();
    TEditor E(Cat(Title, Target, Last));
    E.Doc.SetPath(Path);
    E.Doc.SetViewHeight(3);
    E.Doc.SetCaret({3, 2});
    E.Doc.SetScrollPos({0, 1});
    E.Run(Row.Id);

    EXPECT_EQ(E.Doc.Text(), Row.Text) << Context;
    EXPECT_FALSE(E.Doc.HasSelection()) << Context;
    EXPECT_EQ(E.Doc.Caret(), (THostPos{Row.CaretX, 2})) << Context;
    EXPECT_EQ(E.Doc.ScrollPos().Row, 1) << Context;
    if (Row.Clipboard.empty())
      EXPECT_FALSE(ClipboardUnicode().has_value()) << Context;
    else
      EXPECT_EQ(ClipboardUnicode(), Row.Clipboard) << Context;
    EXPECT_EQ(E.Doc.MessageCount(HostExecCommand), 2) << Context;  // 4136, then 4187
    ExpectCleanExit(E, Context);

    // Redraw goes off first and on last; the view is put back just before.
    const std::vector<THostLogEntry>& Log = E.Doc.Log();
    ASSERT_GE(Log.size(), 3u) << Context;
    EXPECT_EQ(Log.front().Msg, HostSetRedraw) << Context;
    EXPECT_EQ(Log.front().WParam, 0u) << Context;
    EXPECT_EQ(Log.back().Msg, HostSetRedraw) << Context;
    EXPECT_EQ(Log.back().WParam, 1u) << Context;
    EXPECT_EQ(Log[Log.size() - 2].Msg, HostSetScrollPos) << Context;
    EXPECT_EQ(E.Doc.RedrawSwitches(), 2) << Context;
  }
}

// The messages before the menu and after the output, in order, with their wParam: redraw off,
// both ends in kind 2, the view, whether anything is selected, then 4201; at the end 4187 and
// the caret in kind 2 (nothing selected only), the view back and redraw on.
TEST_F(CommandMenuTest, MessagesAroundTheMenuInOrder) {
  const auto Words = [](const std::vector<THostLogEntry>& Log, size_t From, size_t To) {
    std::string Out;
    for (size_t i = From; i < To && i < Log.size(); ++i)
      Out += std::string(i == From ? "" : " ") + HostDocument::MessageName(Log[i].Msg) +
             std::to_string(Log[i].WParam);
    return Out;
  };
  const std::string Opening =
      "HostSetRedraw0 HostGetSelStart2 HostGetSelEnd2 HostGetScrollPos0 HostHasSelection0 "
      "HostQueryCommand4201";
  for (const bool Selected : {false, true}) {
    for (const UINT Id : {0u, 1u, 14u}) {
      const std::string Context =
          std::string(Selected ? "selection" : "whole") + ", id " + std::to_string(Id);
      FakeWinReset();
      TEditor E(u"a\r\nb\r\nc");
      if (Selected)
        E.Doc.Select({1, 0}, {1, 1});
      else
        E.Doc.SetCaret({1, 1});
      E.Run(Id);
      const std::vector<THostLogEntry>& Log = E.Doc.Log();
      ASSERT_GE(Log.size(), 8u) << Context;
      EXPECT_EQ(Words(Log, 0, 6), Opening) << Context;
      std::string Closing = "HostSetScrollPos0 HostSetRedraw1";
      if (Id != 0) {
        // The target is taken right after the menu.
        EXPECT_EQ(Words(Log, 6, 7), Selected ? "HostGetSelStart2" : "HostExecCommand4136")
            << Context;
        if (!Selected) Closing = "HostExecCommand4187 HostSetCaretPos2 " + Closing;
      }
      const size_t Tail = Id != 0 && !Selected ? 4 : 2;
      EXPECT_EQ(Words(Log, Log.size() - Tail, Log.size()), Closing) << Context;
      if (Id == 0) {
        EXPECT_EQ(Log.size(), 8u) << Context;
      }
    }
  }
}

// --- The continue rule ----------------------------------------------------------------------

// What each head asks for is the engine's (tests/LineNumberUnit); here, what the command makes of the
// rule being met or not: the text written back and where the caret goes.
TEST_F(CommandMenuTest, ContinueRuleHeads) {
  const struct {
    std::u16string_view Doc;
    UINT Id;
    THostPos Caret;  // nothing selected
    std::u16string_view Expected;
    int32_t CaretX;
  } Rows[] = {
      {u"0:a\r\nb\r\nc", 5, {1, 1}, u"0:a\r\n1:b\r\n2:c", 3},  // "0" alone: not zero-filled
      {u"0:a\r\nb\r\nc", 6, {1, 1}, u" 0:a\r\n10:b\r\n20:c", 4},
      {u"  +007:a\r\nb", 5, {0, 1}, u"+007:a\r\n+008:b", 5},
      {u"005:a\r\nb", 6, {0, 1}, u"005:a\r\n015:b", 4},
      {u"12", 5, {2, 0}, u"12:12", 2},  // the head and the body are the whole line
      {u"2147483647:a", 5, {0, 0}, u"2147483647:a", 0},
      {u"-2147483648:a", 7, {0, 0}, u"-2147483648:a", 0},
      // Not a number: the text stays as it is and the caret goes back where it was.
      {u"2147483648:a\r\nb", 5, {1, 1}, u"2147483648:a\r\nb", 1},
      {u"12a:a\r\nb", 5, {1, 1}, u"12a:a\r\nb", 1},
      {u"12a:a\r\nb", 5, {3, 0}, u"12a:a\r\nb", 3},      // on the first line too
      {u"a\r\nb\r\n12", 5, {1, 1}, u"a\r\nb\r\n12", 1},  // several lines without ":"
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    FakeWinReset();
    TEditor E(Rows[i].Doc);
    E.Doc.SetCaret(Rows[i].Caret);
    E.Run(Rows[i].Id);
    EXPECT_EQ(E.Doc.Text(), Rows[i].Expected) << "row " << i;
    EXPECT_EQ(E.Doc.Caret(), (THostPos{Rows[i].CaretX, Rows[i].Caret.Y})) << "row " << i;
    ExpectCleanExit(E, "row " + std::to_string(i));
  }
}

// A selection that starts further down reads its number from its own first line.
TEST_F(CommandMenuTest, ContinueRuleOnASelection) {
  TEditor E(u"x\r\n005:a\r\nb\r\nc\r\nz");
  E.Doc.Select({1, 1}, {1, 3});
  E.Run(6);
  EXPECT_EQ(E.Doc.Text(), u"x\r\n005:a\r\n015:b\r\n025:c\r\nz");
  EXPECT_EQ(E.Doc.SelectionText(), u"005:a\r\n015:b\r\n025:c\r\n");
  ExpectCleanExit(E, "selection");
}

// --- The caret when nothing was selected ----------------------------------------------------

TEST_F(CommandMenuTest, CaretFollowsItsCharacter) {
  std::u16string Twelve;
  for (int i = 0; i < 12; ++i) Twelve += u"line\r\n";
  Twelve.resize(Twelve.size() - 2);
  const struct {
    std::u16string_view Doc;
    UINT Id;
    THostPos Caret;
    int32_t CaretX;
  } Rows[] = {
      {Twelve, 1, {2, 7}, 5},                  // numbers 1-12: prefix width 3
      {Twelve, 2, {2, 7}, 5},                  //
      {Twelve, 4, {2, 7}, 2},                  // nothing to delete, nothing moves
      {u"10:abcdef\r\nb\r\nc", 5, {5, 0}, 5},  // 5 - 3 + 3: the head was replaced
      {u"10:abcdef\r\nb\r\nc", 5, {1, 2}, 4},  // other lines just move by the prefix
      {u"  +007:x\r\ny", 5, {0, 0}, 0},        // 0 - 7 + 5 is held at column 0
      {u"  +007:xyz\r\ny", 5, {9, 0}, 7},      // 9 - 7 + 5
      {u"3:abc\r\n4:bcd", 4, {2, 1}, 2},       // deletion: back to the old column
      {u"3:a\r\n4:b", 14, {3, 1}, 3},          // copy: likewise
  };
  for (size_t i = 0; i < std::size(Rows); ++i) {
    FakeWinReset();
    TEditor E(Rows[i].Doc);
    E.Doc.SetCaret(Rows[i].Caret);
    E.Run(Rows[i].Id);
    EXPECT_FALSE(E.Doc.HasSelection()) << "row " << i;
    EXPECT_EQ(E.Doc.Caret(), (THostPos{Rows[i].CaretX, Rows[i].Caret.Y})) << "row " << i;
    // The column sent is the one computed, never one the host had to correct.
    const std::vector<THostLogEntry>& Log = E.Doc.Log();
    const THostLogEntry* Set = nullptr;
    for (const THostLogEntry& Entry : Log)
      if (Entry.Msg == HostSetCaretPos) Set = &Entry;
    ASSERT_NE(Set, nullptr) << "row " << i;
    EXPECT_EQ(Set->WParam, HostPosKindFile) << "row " << i;
    EXPECT_EQ(Set->Pos, (THostPos{Rows[i].CaretX, Rows[i].Caret.Y})) << "row " << i;
    ExpectCleanExit(E, "row " + std::to_string(i));
  }
}

// --- The copies ------------------------------------------------------------------------------

// Numbering from 1 for the copies too, whatever line the caret is on, and the header only
// for 12 and 13.
TEST_F(CommandMenuTest, CopiesWithoutSelectionNumberFromOne) {
  const struct {
    UINT Id;
    std::u16string_view Clipboard;
  } Rows[] = {
      {12, u"\r\n  \r\n1:  a\r\n2:\r\n3:    b"},
      {13, u"\r\n  \r\n1:a\r\n3:  b"},
      {14, u"  a\r\n\r\n    b"},
  };
  for (const auto& Row : Rows) {
    FakeWinReset();
    TEditor E(u"  a\r\n\r\n    b");
    E.Doc.SetCaret({2, 2});
    E.Run(Row.Id);
    EXPECT_EQ(ClipboardUnicode(), std::u16string(Row.Clipboard)) << "id " << Row.Id;
    EXPECT_EQ(E.Doc.Caret(), (THostPos{2, 2})) << "id " << Row.Id;
    ExpectCleanExit(E, "id " + std::to_string(Row.Id));
  }
}

// Mixed line breaks stay exactly as they were.
TEST_F(CommandMenuTest, MixedLineBreaks) {
  TEditor E(u"a\rb\nc\r\nd");
  E.Run(1);
  EXPECT_EQ(E.Doc.Text(), u"1:a\r2:b\n3:c\r\n4:d");
  E.Doc.SetCaret({0, 0});
  E.Run(4);
  EXPECT_EQ(E.Doc.Text(), u"a\rb\nc\r\nd");
  ExpectCleanExit(E, "mixed");
}

// --- Failures and nonsense ----------------------------------------------------------------

// The host answers nonsense to one message; the command must leave the document as it was,
// with redrawing on and no menu left behind. Whether it ends early (by an exception, which the
// export catches) or finishes is its own business.
TEST_F(CommandMenuTest, NonsenseFromTheHostLeavesTheDocumentIntact) {
  struct TNonsense {
    const char* Name;
    UINT Msg;
    std::function<LRESULT(WPARAM wParam, LPARAM lParam)> Answer;
  };
  const TNonsense Cases[] = {
      {"negative text length", HostGetSelText, [](WPARAM, LPARAM) { return LRESULT{-5}; }},
      {"empty selected text", HostGetSelText, [](WPARAM, LPARAM) { return LRESULT{0}; }},
      {"huge text length", HostGetSelText,
       [](WPARAM, LPARAM) { return static_cast<LRESULT>(INTPTR_MAX / 4); }},
      {"negative line length", HostGetLineText, [](WPARAM, LPARAM) { return LRESULT{-1}; }},
      {"path without zero", HostGetDocInfo,
       [](WPARAM, LPARAM Buffer) {
         std::fill_n(reinterpret_cast<WCHAR*>(Buffer), HostDocPathLength, u'x');
         return LRESULT{0};
       }},
  };
  const std::u16string Text = u"1:a\r\n2:b\r\n3:c";
  for (const TNonsense& Case : Cases) {
    for (const UINT Id : {1u, 4u, 12u}) {
      for (const bool Selected : {false, true}) {
        // The path is read only by the copies with a header, a line only to widen a selection.
        if ((Case.Msg == HostGetDocInfo) != (Id == 12)) continue;
        if (Case.Msg == HostGetLineText && !Selected) continue;
        const std::string Context = std::string(Case.Name) + ", id " + std::to_string(Id) +
                                    (Selected ? ", selection" : ", whole");
        FakeWinReset();
        TEditor E(Text);
        if (Selected) E.Doc.Select({1, 0}, {1, 2});
        int Answered = 0;
        E.Filter = [&](UINT Msg, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
          if (Msg != Case.Msg) return std::nullopt;
          ++Answered;
          return Case.Answer(wParam, lParam);
        };
        try {
          E.Run(Id);
        } catch (const std::exception&) {
          // Ending early is fine; the export catches it.
        }
        EXPECT_GT(Answered, 0) << Context;
        EXPECT_EQ(E.Doc.Text(), Text) << Context;
        EXPECT_TRUE(E.Doc.RedrawEnabled()) << Context;
        EXPECT_EQ(FakeWinLiveMenus(), 0) << Context;
        EXPECT_FALSE(FakeWinClipboardIsOpen()) << Context;
      }
    }
  }
}

// A failure in the middle ends the command at once: nothing more is sent to the host but the
// redraw switch, and the exception goes on to the export.
TEST_F(CommandMenuTest, FailureEndsTheCommandWithRedrawOn) {
  const UINT FailingMsgs[] = {HostGetSelStart, HostGetScrollPos, HostQueryCommand,
                              HostGetSelText,  HostReplaceSel,   HostGetDocInfo};
  for (const UINT Failing : FailingMsgs) {
    const UINT Id = Failing == HostGetDocInfo ? 12 : 1;
    const std::string Context = HostDocument::MessageName(Failing);
    FakeWinReset();
    TEditor E(u"a\r\nb\r\nc");
    bool Failed = false;
    size_t LogSizeAtFailure = 0;
    E.Filter = [&](UINT Msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (Msg == Failing && !Failed) {
        Failed = true;
        LogSizeAtFailure = E.Doc.Log().size();
        throw std::runtime_error("host failure");
      }
      return std::nullopt;
    };
    EXPECT_THROW(E.Run(Id), std::runtime_error) << Context;
    ASSERT_TRUE(Failed) << Context;
    ASSERT_EQ(E.Doc.Log().size(), LogSizeAtFailure + 1) << Context;
    EXPECT_EQ(E.Doc.Log().back().Msg, HostSetRedraw) << Context;
    EXPECT_EQ(E.Doc.Log().back().WParam, 1u) << Context;
    EXPECT_TRUE(E.Doc.RedrawEnabled()) << Context;
    EXPECT_EQ(FakeWinLiveMenus(), 0) << Context;
    EXPECT_FALSE(FakeWinClipboardIsOpen()) << Context;
  }
}

TEST_F(CommandMenuTest, FailureWhileTheMenuIsShownReleasesIt) {
  TEditor E(u"a");
  FakeWinSetMenuChooser([](const TFakeTrackCall&) -> UINT_PTR { throw std::runtime_error("x"); });
  EXPECT_THROW(ExecuteCommandMenu(E.Wnd()), std::runtime_error);
  EXPECT_EQ(FakeWinLiveMenus(), 0);
  EXPECT_TRUE(E.Doc.RedrawEnabled());
  EXPECT_EQ(E.Doc.Text(), u"a");
}

}  // namespace
