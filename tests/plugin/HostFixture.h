#pragma once

// A HostDocument behind a fake editor window, with a trace of the editing messages.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "FakeWin.h"
#include "host/HostDocument.h"

// UTF-8 for failure messages; CR and LF spelled out so line ends are visible.
inline std::string Show(std::u16string_view S) {
  std::string Out;
  for (char16_t C : S) {
    if (C == u'\r') {
      Out += "\\r";
    } else if (C == u'\n') {
      Out += "\\n";
    } else if (C < 0x80) {
      Out += static_cast<char>(C);
    } else {
      Out += "\\u" + std::to_string(static_cast<unsigned>(C));
    }
  }
  return Out;
}

inline std::string Show(THostPos P) {
  return "(" + std::to_string(P.X) + "," + std::to_string(P.Y) + ")";
}

// Comparison and printing for assertions; global, so that lookup from gtest finds them.
inline bool operator==(THostPos A, THostPos B) {
  return A.X == B.X && A.Y == B.Y;
}
inline void PrintTo(const THostPos& P, std::ostream* Os) {
  *Os << Show(P);
}

// The editing messages of a log, one word each: "caret2(0,1) select(3) replace(abc)
// selection(0,4>0,7) caret0(0,0)". Reads are left out.
inline std::string EditTrace(const std::vector<THostLogEntry>& Log) {
  std::string Out;
  for (const auto& E : Log) {
    std::string Word;
    switch (E.Msg) {
      case HostSetCaretPos:
        Word = "caret" + std::to_string(E.WParam) + Show(E.Pos);
        break;
      case HostSelectChars:
        Word = "select(" + std::to_string(E.Pos.X) + ")";
        break;
      case HostReplaceSel:
        Word = "replace(" + Show(E.Text) + ")";
        break;
      case HostSetSelection:
        Word = "selection" + Show(E.Pos).substr(0, Show(E.Pos).size() - 1) + ">" +
               Show(E.Pos2).substr(1);
        break;
      case HostExecCommand:
        Word = "exec(" + std::to_string(E.WParam) + ")";
        break;
      default:
        continue;
    }
    if (!Out.empty()) Out += ' ';
    Out += Word;
  }
  return Out;
}

class HostFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeWinReset();
    Wnd = FakeWinRegisterWindow([this](UINT Msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (Hook) {
        if (const std::optional<LRESULT> R = Hook(Msg, wParam, lParam)) return *R;
      }
      return Doc.Handle(Msg, wParam, lParam);
    });
  }
  void TearDown() override {
    EXPECT_EQ(FakeWinStrayMessages(), 0);
    FakeWinReset();
  }

  // Selection in kind 2; Doc's log starts empty afterwards.
  void Start(std::u16string_view Text, THostPos Anchor, THostPos Active) {
    Doc.SetText(Text);
    Doc.Select(Anchor, Active);
    Doc.ClearLog();
  }

  HostDocument Doc;
  HWND Wnd = nullptr;
  // Sees every message first; an answer replaces the document's.
  std::function<std::optional<LRESULT>(UINT, WPARAM, LPARAM)> Hook;
};
