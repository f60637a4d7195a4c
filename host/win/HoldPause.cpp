// The pauses of --hold and --pointer: the window held on screen, announced for screenshots.

#include "host/win/HoldPause.h"

#include <algorithm>
#include <string>

#include "host/win/HostText.h"
#include "host/win/HostWindow.h"
#include "win32/UniqueHandle.h"

namespace {

struct TShownMenus {
  DWORD Thread;
  RECT Bounds;
};

// Widens the bounds by every visible popup menu window ("#32768") of this thread.
BOOL CALLBACK AddShownMenu(HWND Candidate, LPARAM Param) {
  auto* Menus = reinterpret_cast<TShownMenus*>(Param);
  RECT Rect;
  if (IsOfClass(Candidate, L"#32768") && IsWindowVisible(Candidate) &&
      GetWindowThreadProcessId(Candidate, nullptr) == Menus->Thread &&
      GetWindowRect(Candidate, &Rect)) {
    UnionRect(&Menus->Bounds, &Menus->Bounds, &Rect);
  }
  return TRUE;
}

}  // namespace

void NoteHold(const char* Stage) {
  THostApp& Host = App();
  if (Host.Hold.Note.empty()) return;
  TShownMenus Menus{GetCurrentThreadId(), {}};
  GetWindowRect(Host.Window, &Menus.Bounds);
  EnumWindows(AddShownMenu, reinterpret_cast<LPARAM>(&Menus));
  const RECT& B = Menus.Bounds;
  const std::string Line = std::string(Stage) + " " + std::to_string(B.left) + " " +
                           std::to_string(B.top) + " " + std::to_string(B.right) + " " +
                           std::to_string(B.bottom) + "\n";
  const TUniqueFile File(CreateFileW(Host.Hold.Note.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                     nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File) return;
  DWORD Wrote = 0;
  WriteFile(File.get(), Line.data(), static_cast<DWORD>(Line.size()), &Wrote, nullptr);
}

void HoldWindow(const char* Stage) {
  THostApp& Host = App();
  if (Host.Hold.Ms == 0 || !IsWindow(Host.Window)) return;
  UpdateWindow(Host.Window);
  const DWORD Start = GetTickCount();
  const DWORD NoteAfter = std::min<DWORD>(Host.Hold.Ms / 2, 400);  // time to paint first
  bool Noted = false;
  for (DWORD Elapsed = 0; Elapsed < Host.Hold.Ms; Elapsed = GetTickCount() - Start) {
    if (!Noted && Elapsed >= NoteAfter) {
      NoteHold(Stage);
      Noted = true;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(Host.Hold.Ms - Elapsed, 50),
                              QS_ALLINPUT);
    MSG Msg;
    while (PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) {
      if (Msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(Msg.wParam));  // left for the loop that owns it
        return;
      }
      TranslateMessage(&Msg);
      DispatchMessageW(&Msg);
    }
  }
  if (!Noted) NoteHold(Stage);
}

void PlacePointer(int X, int Y) {
  POINT Point{X, Y};
  ClientToScreen(App().Window, &Point);
  SetCursorPos(Point.x, Point.y);
}
