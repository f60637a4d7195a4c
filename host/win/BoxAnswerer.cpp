// Answers the message box the plug-in shows, and records what it says.

#include "host/win/BoxAnswerer.h"

#include <algorithm>

#include "host/win/HostText.h"

namespace {

BOOL CALLBACK CollectButtons(HWND Child, LPARAM Param) {
  auto* Ids = reinterpret_cast<std::string*>(Param);
  if (IsWindowVisible(Child) && IsOfClass(Child, L"Button")) {
    if (!Ids->empty()) *Ids += ",";
    *Ids += std::to_string(GetDlgCtrlID(Child));
  }
  return TRUE;
}

struct TBoxSearch {
  HWND Owner;
  HWND Found;
};

BOOL CALLBACK FindBox(HWND Candidate, LPARAM Param) {
  auto* Search = reinterpret_cast<TBoxSearch*>(Param);
  if (IsOfClass(Candidate, L"#32770") && GetWindow(Candidate, GW_OWNER) == Search->Owner &&
      IsWindowVisible(Candidate)) {
    Search->Found = Candidate;
    return FALSE;
  }
  return TRUE;
}

std::u16string WindowText(HWND Window) {
  const int Length = GetWindowTextLengthW(Window);
  std::wstring Text(static_cast<size_t>(std::max(Length, 0)) + 1, L'\0');
  const int Got = GetWindowTextW(Window, Text.data(), Length + 1);
  Text.resize(static_cast<size_t>(std::max(Got, 0)));
  return FromWide(Text);
}

struct TBoxContent {
  std::u16string Text;
  std::string Icon = "none";
};

BOOL CALLBACK ReadStatics(HWND Child, LPARAM Param) {
  auto* Content = reinterpret_cast<TBoxContent*>(Param);
  if (!IsOfClass(Child, L"Static")) return TRUE;
  if ((GetWindowLongW(Child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    const auto Icon = reinterpret_cast<HICON>(SendMessageW(Child, STM_GETICON, 0, 0));
    if (Icon != nullptr)
      Content->Icon = Icon == LoadIconW(nullptr, IDI_QUESTION) ? "question" : "other";
  } else {
    const std::u16string Text = WindowText(Child);
    if (!Text.empty()) Content->Text = Text;
  }
  return TRUE;
}

}  // namespace

void TBoxAnswerer::Arm(HWND Owner, bool AnswerYes) {
  FArmed = true;
  FAnswerYes = AnswerYes;
  FSeen = false;
  FTicks = 0;
  FCaption.clear();
  FText.clear();
  FButtons.clear();
  FIcon = "none";
  SetTimer(Owner, TimerId, 100, nullptr);
}

void TBoxAnswerer::Disarm(HWND Owner) {
  FArmed = false;
  KillTimer(Owner, TimerId);
}

void TBoxAnswerer::OnTimer(HWND Owner) {
  if (!FArmed || FSeen) return;
  ++FTicks;
  TBoxSearch Search{Owner, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&Search));
  if (Search.Found == nullptr) return;
  FSeen = true;
  FCaption = WindowText(Search.Found);
  TBoxContent Content;
  EnumChildWindows(Search.Found, ReadStatics, reinterpret_cast<LPARAM>(&Content));
  FText = Content.Text;
  FIcon = Content.Icon;
  EnumChildWindows(Search.Found, CollectButtons, reinterpret_cast<LPARAM>(&FButtons));
  const int Answer = FAnswerYes ? IDYES : IDNO;
  PostMessageW(Search.Found, WM_COMMAND, MAKEWPARAM(Answer, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(Search.Found, Answer)));
}
