#pragma once

// Guards for paired Win32 calls that hold a state, undone on every way out: the clipboard held
// open, a GlobalLock held, a window's redrawing held off. Test a guard like a bool.

#include <windows.h>

#include "win32/UniqueHandle.h"

// OpenClipboard -> CloseClipboard; false when another window holds the clipboard.
class TClipboardOpen {
 public:
  explicit TClipboardOpen(HWND Owner) : FOpen(OpenClipboard(Owner) != FALSE) {}
  TClipboardOpen(TClipboardOpen&&) = delete;  // neither copied nor moved
  ~TClipboardOpen() {
    if (FOpen) CloseClipboard();
  }
  explicit operator bool() const noexcept { return FOpen; }

 private:
  bool FOpen;
};

// GlobalLock -> GlobalUnlock; false, with data() null, when the block could not be locked.
class TGlobalLock {
 public:
  explicit TGlobalLock(HGLOBAL Mem) : FData(GlobalLock(Mem)), FLocked(FData ? Mem : nullptr) {}
  TGlobalLock(TGlobalLock&&) = delete;  // neither copied nor moved
  [[nodiscard]] void* data() const noexcept { return FData; }
  explicit operator bool() const noexcept { return FData != nullptr; }

 private:
  void* FData;
  TUniqueHandle<HGLOBAL, GlobalUnlock> FLocked;
};

// Redrawing off -> on: Msg (WM_SETREDRAW or a window's own switch) with wParam 0, then 1 at the
// end. A window procedure that throws must not escape a destructor: that failure is dropped.
class TRedrawOff {
 public:
  TRedrawOff(HWND Window, UINT Msg) : FWindow(Window), FMsg(Msg) {
    SendMessageW(Window, Msg, 0, 0);
  }
  TRedrawOff(TRedrawOff&&) = delete;  // neither copied nor moved
  ~TRedrawOff() {
    try {
      SendMessageW(FWindow, FMsg, 1, 0);
    } catch (...) {
    }
  }

 private:
  HWND FWindow;
  UINT FMsg;
};
