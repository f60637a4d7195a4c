// The plug-in's exports against the fake Win32: PlugInProc's answers and buffers, the
// uninstall box, OnEvents' store-then-send order, the fixed answers, and the catch-all that
// keeps every failure of the command (and of the host's window procedure) inside the export.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Corvane/CommandMenu.h"
#include "Corvane/Corvane.h"
#include "library/AssertUnit/AssertUnit.h"
#include "plugin/plugin.h"
#include "tests/fakewin/FakeWin.h"

namespace {

std::function<void(HWND)> CommandHook;

struct TSent {
  UINT Msg;
  WPARAM wParam;
  LPARAM lParam;
};

class ExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeWinReset();
    CommandHook = nullptr;
    Window = FakeWinRegisterWindow([this](UINT Msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      Sent.push_back({Msg, wParam, lParam});
      if (WindowThrows) throw std::runtime_error("window procedure failed");
      return 0;
    });
  }
  void TearDown() override { CommandHook = nullptr; }

  HWND Window = nullptr;
  std::vector<TSent> Sent;
  bool WindowThrows = false;
};

}  // namespace

// The command itself is engineer-tested elsewhere; here it is whatever the test makes it.
void ExecuteCommandMenu(HWND hwnd) {
  if (CommandHook) CommandHook(hwnd);
}

TEST_F(ExportsTest, NameAndVersionQueriesCopyLikeLstrcpynA) {
  struct TRow {
    UINT Code;
    WPARAM Size;
    bool Buffer;
    const char* Written;  // bytes expected before the untouched 0xCC filler (nullptr: none)
    size_t WrittenLength;
    LRESULT Result;
  };
  const TRow Rows[] = {
      {PlugInQueryName, 0, false, nullptr, 0, 7},
      {PlugInQueryName, 64, false, nullptr, 0, 7},
      {PlugInQueryName, 64, true, "Corvane", 8, 7},
      {PlugInQueryName, 8, true, "Corvane", 8, 7},
      {PlugInQueryName, 7, true, "Corvan", 7, 7},
      {PlugInQueryName, 1, true, "", 1, 7},
      {PlugInQueryName, 0, true, nullptr, 0, 7},
      {PlugInQueryVersion, 5, true, "Vers", 5, 13},
      {PlugInQueryVersion, 14, true, "Version 2.4.2", 14, 13},
      {PlugInQueryVersion, 0, true, nullptr, 0, 13},
      {PlugInQueryVersion, 0, false, nullptr, 0, 13},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    const TRow& Row = Rows[I];
    char Buffer[32];
    std::memset(Buffer, '\xCC', sizeof Buffer);
    const LRESULT Result =
        PlugInProc(Window, Row.Code, Row.Size, Row.Buffer ? reinterpret_cast<LPARAM>(Buffer) : 0);
    EXPECT_EQ(Result, Row.Result) << "row " << I;
    std::string Expected(Row.Written ? Row.Written : "", Row.WrittenLength);
    Expected.resize(sizeof Buffer, '\xCC');
    EXPECT_EQ(std::string(Buffer, sizeof Buffer), Expected) << "row " << I;
  }
  EXPECT_TRUE(FakeWinMessageBoxes().empty());
  EXPECT_TRUE(Sent.empty());
}

TEST_F(ExportsTest, FixedAndUnknownQueries) {
  EXPECT_EQ(PlugInProc(Window, PlugInQueryFixed, 0, 0), 1);
  for (UINT Code : {0u, 1u, 2305u, 2307u, 2309u, 2312u, 0x10902u, 0xFFFFFFFFu}) {
    char Buffer[8] = "xxxxxxx";
    EXPECT_EQ(PlugInProc(Window, Code, sizeof Buffer, reinterpret_cast<LPARAM>(Buffer)), 0)
        << "code " << Code;
    EXPECT_STREQ(Buffer, "xxxxxxx") << "code " << Code;
  }
  EXPECT_TRUE(FakeWinMessageBoxes().empty());
  EXPECT_EQ(QueryStatus(Window, 0), -1);
  EXPECT_EQ(QueryStatus(nullptr, 12345), -1);
  EXPECT_EQ(GetMenuTextID(), 1);
  EXPECT_EQ(GetStatusMessageID(), 2);
  EXPECT_EQ(GetBitmapID(), 101);
  EXPECT_TRUE(Sent.empty());
}

TEST_F(ExportsTest, UninstallAsksOnceAndOnlyYesCounts) {
  const struct {
    int Answer;
    LRESULT Result;
  } Rows[] = {{IDYES, 1}, {IDNO, 0}, {IDCANCEL, 0}, {IDOK, 0}, {0, 0}};
  for (size_t I = 0; I < std::size(Rows); ++I) {
    FakeWinSetMessageBoxAnswerer([&](const TFakeMessageBox&) { return Rows[I].Answer; });
    const size_t Before = FakeWinMessageBoxes().size();
    EXPECT_EQ(PlugInProc(Window, PlugInQueryUninstall, 0, 0), Rows[I].Result) << "row " << I;
    ASSERT_EQ(FakeWinMessageBoxes().size(), Before + 1) << "row " << I;
    const TFakeMessageBox& Box = FakeWinMessageBoxes().back();
    EXPECT_EQ(Box.Owner, Window) << "row " << I;
    EXPECT_EQ(Box.Text, u"アンインストールしますか？") << "row " << I;
    EXPECT_EQ(Box.Caption, u"Corvane") << "row " << I;
    EXPECT_EQ(Box.Style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION)) << "row " << I;
  }
}

// EventValue lives as long as the library, so the steps start from a stored 0 (the value
// before any event at all is checked on a freshly loaded DLL by the wine tests).
TEST_F(ExportsTest, EventsStoreFirstThenSend) {
  OnEvents(Window, PlugInEventStoreValue, 0);
  const struct {
    UINT Flags;
    LPARAM Value;
    bool Sends;
    WPARAM SentValue;
  } Steps[] = {
      {0x40, 5, true, 0},
      {0x400, 1234, false, 0},
      {0x40, 99, true, 1234},
      {0x440, 77, true, 77},
      {~0x440u, 5, false, 0},  // every other bit is ignored
      {0, 8, false, 0},
      {0x40, 0, true, 77},
      {0x440, -1, true, static_cast<WPARAM>(-1)},
      {0x440, static_cast<LPARAM>(INTPTR_MAX), true,
       static_cast<WPARAM>(INTPTR_MAX)},  // pointer-sized
  };
  for (size_t I = 0; I < std::size(Steps); ++I) {
    Sent.clear();
    OnEvents(Window, Steps[I].Flags, Steps[I].Value);
    if (!Steps[I].Sends) {
      EXPECT_TRUE(Sent.empty()) << "step " << I;
      continue;
    }
    ASSERT_EQ(Sent.size(), 1u) << "step " << I;
    EXPECT_EQ(Sent[0].Msg, HostSendEventValue) << "step " << I;
    EXPECT_EQ(Sent[0].wParam, Steps[I].SentValue) << "step " << I;
    EXPECT_EQ(Sent[0].lParam, 0) << "step " << I;
  }
}

TEST_F(ExportsTest, OnCommandRunsTheCommandOnTheHostWindow) {
  HWND Seen = nullptr;
  CommandHook = [&](HWND hwnd) { Seen = hwnd; };
  OnCommand(Window);
  EXPECT_EQ(Seen, Window);
  EXPECT_TRUE(FakeWinDebugOutput().empty());
}

TEST_F(ExportsTest, NoFailureLeavesAnExport) {
  const struct {
    std::function<void()> Throw;
    std::u16string Reported;
  } Rows[] = {
      {[] { AssertionFailed(u"Listエラー", u"TemplateList/ListClone", 127); },
       u"Corvane: OnCommand: Listエラー (TemplateList/ListClone, 127 行)\n"},
      {[] { throw std::runtime_error("host answer: length -7"); },
       u"Corvane: OnCommand: host answer: length -7\n"},
      {[] { throw std::bad_alloc(); }, u"Corvane: OnCommand: std::bad_alloc\n"},
      {[] { throw 42; }, u"Corvane: OnCommand: unknown exception\n"},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    FakeWinReset();
    CommandHook = [&](HWND) { Rows[I].Throw(); };
    OnCommand(Window);  // returns normally
    ASSERT_EQ(FakeWinDebugOutput().size(), 1u) << "row " << I;
    EXPECT_EQ(FakeWinDebugOutput()[0], Rows[I].Reported) << "row " << I;
  }
}

TEST_F(ExportsTest, FailuresOfTheHostStayInsideToo) {
  // A window procedure that throws (a host bug) must not unwind through OnEvents...
  WindowThrows = true;
  OnEvents(Window, 0x440, 3);
  EXPECT_EQ(Sent.size(), 1u);
  ASSERT_EQ(FakeWinDebugOutput().size(), 1u);
  EXPECT_EQ(FakeWinDebugOutput()[0], u"Corvane: OnEvents: window procedure failed\n");
  // ...nor through PlugInProc: a failing message box gives the documented 0.
  FakeWinSetMessageBoxAnswerer(
      [](const TFakeMessageBox&) -> int { throw std::runtime_error("no box"); });
  EXPECT_EQ(PlugInProc(Window, PlugInQueryUninstall, 0, 0), 0);
  ASSERT_EQ(FakeWinDebugOutput().size(), 2u);
  EXPECT_EQ(FakeWinDebugOutput()[1], u"Corvane: PlugInProc: no box\n");
}
