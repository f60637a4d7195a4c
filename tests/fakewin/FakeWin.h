#pragma once

// Test side of the fake Win32 (windows.h in this directory): register window procedures,
// inspect recorded menus, choose menu items, answer message boxes, inspect the clipboard and
// the global memory blocks, and switch failures on. FakeWinReset() returns everything to the
// start state (no windows, no menus, empty and closable clipboard, no failures).

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

void FakeWinReset();

// Windows. SendMessageW to a registered HWND calls its procedure; to any other HWND it
// returns 0 and counts the stray message.
using TFakeWndProc = std::function<LRESULT(UINT Msg, WPARAM wParam, LPARAM lParam)>;
HWND FakeWinRegisterWindow(TFakeWndProc Proc);
void FakeWinUnregisterWindow(HWND hWnd);
int64_t FakeWinStrayMessages();

// Menus, recorded as trees. A submenu item (MF_POPUP) refers to the recorded submenu.
struct TFakeMenu;
struct TFakeMenuItem {
  UINT Flags = 0;
  UINT_PTR Id = 0;  // the id given to AppendMenuW (0 for submenus and separators)
  std::u16string Text;
  bool TextWasNull = false;
  HMENU SubMenuHandle = nullptr;
  std::vector<TFakeMenuItem> SubItems;  // items of the submenu as recorded when tracked
  [[nodiscard]] bool IsPopup() const { return (Flags & MF_POPUP) != 0; }
  [[nodiscard]] bool IsSeparator() const { return (Flags & MF_SEPARATOR) != 0; }
  [[nodiscard]] bool IsGrayed() const { return (Flags & (MF_GRAYED | MF_DISABLED)) != 0; }
};
// The items of a live menu with their submenus expanded; empty for an unknown handle.
std::vector<TFakeMenuItem> FakeWinMenuItems(HMENU Menu);
// Finds the command item with this id in a tree (depth first), or nullptr.
const TFakeMenuItem* FakeWinFindItem(const std::vector<TFakeMenuItem>& Items, UINT_PTR Id);
// Whether a user could pick the item with this id: it exists and neither it nor a submenu
// on its way is grayed or disabled.
bool FakeWinSelectable(const std::vector<TFakeMenuItem>& Items, UINT_PTR Id);
int FakeWinLiveMenus();     // created and not yet destroyed
int FakeWinMenusCreated();  // since the last reset
int FakeWinBadMenuCalls();  // AppendMenuW / DestroyMenu / TrackPopupMenu on a dead handle

// TrackPopupMenu asks the chooser. It sees the tree and the call's arguments and answers an
// item id (0 = dismissed). The fake answers 0 instead of an id no user could pick.
struct TFakeTrackCall {
  HMENU Menu = nullptr;
  std::vector<TFakeMenuItem> Items;
  UINT Flags = 0;
  int X = 0;
  int Y = 0;
  int Reserved = 0;
  HWND Owner = nullptr;
  bool HadRect = false;
};
using TFakeMenuChooser = std::function<UINT_PTR(const TFakeTrackCall& Call)>;
void FakeWinSetMenuChooser(TFakeMenuChooser Chooser);  // none: every menu is dismissed
const std::vector<TFakeTrackCall>& FakeWinTrackCalls();

// Mouse pointer for GetCursorPos.
void FakeWinSetCursorPos(POINT Pos);

// Message boxes: recorded, answered by the answerer (none: 0, as a failed MessageBoxW).
struct TFakeMessageBox {
  HWND Owner = nullptr;
  std::u16string Text;
  std::u16string Caption;
  UINT Style = 0;
};
using TFakeMessageBoxAnswerer = std::function<int(const TFakeMessageBox& Box)>;
void FakeWinSetMessageBoxAnswerer(TFakeMessageBoxAnswerer Answerer);
const std::vector<TFakeMessageBox>& FakeWinMessageBoxes();

// Clipboard: format -> global block owned by the clipboard.
struct TFakeClipboardSet {
  UINT Format = 0;
  UINT AllocFlags = 0;  // flags the block was allocated with
  size_t Size = 0;
  bool WasLocked = false;  // handed over while still locked
};
std::optional<std::vector<uint8_t>> FakeWinClipboardBytes(UINT Format);
std::vector<UINT> FakeWinClipboardFormats();  // formats present, ascending
// Places content as if another application had copied it (the clipboard must be closed).
void FakeWinSeedClipboard(UINT Format, const std::vector<uint8_t>& Bytes);
const std::vector<TFakeClipboardSet>& FakeWinClipboardSets();  // SetClipboardData successes
bool FakeWinClipboardIsOpen();
int FakeWinClipboardOpens();   // successful OpenClipboard calls
int FakeWinClipboardCloses();  // successful CloseClipboard calls
int FakeWinClipboardEmpties();
void FakeWinSetClipboardOpenFails(bool Fails);  // as when another application holds it
// GlobalAlloc succeeds N more times, then returns null; a negative N never fails.
void FakeWinSetGlobalAllocFailsAfter(int N);

// Global memory bookkeeping: blocks alive and not owned by the clipboard, locks held.
int FakeWinLiveGlobalBlocks();    // all live blocks, clipboard-owned included
int FakeWinOrphanGlobalBlocks();  // live blocks the clipboard does not own
int FakeWinGlobalLocksHeld();
int FakeWinGlobalAllocCalls();

// Kernel handles: every CloseHandle and FindClose call, in order ("CloseHandle", handle).
const std::vector<std::pair<std::string, HANDLE>>& FakeWinHandleCloses();

// OutputDebugStringW output.
const std::vector<std::u16string>& FakeWinDebugOutput();

// Conversions as the fake performs them, for expected values in tests.
std::string FakeWinToAnsi(std::u16string_view Text);  // CP932, '?' for what it cannot hold
