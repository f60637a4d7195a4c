#pragma once

// Drives the plug-in's real popup menu by keyboard, as a user would: when the owner window
// sees the menu open it records the menu tree, finds the item with the wanted command id and
// walks to it with VK_DOWN / VK_RIGHT, then presses VK_RETURN. A grayed item (or a grayed
// submenu on the way) is refused here, since keys can pick a grayed item under wine: the menu
// is dismissed with VK_ESCAPE instead. Works from the owner's window procedure, which the
// menu's modal loop keeps serving.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "host/win/HostText.h"

struct TMenuItemRecord {
  std::string Path;  // positions from the top menu, "3" or "0.3.1"
  std::string Kind;  // "item", "popup" or "separator"
  int64_t Id = 0;    // -1 for a submenu
  UINT Flags = 0;    // MF_* state bits (a submenu's item count removed)
  std::u16string Text;
};

class TMenuDriver {
 public:
  enum class TMode { Watch, Choose, Cancel };

  void Configure(TMode Mode, UINT TargetId);

  // Keeps the menu open HoldMs milliseconds on the item about to be chosen (Choose: its
  // submenus open and the item highlighted; Cancel: the top menu as it opened) before the
  // final key, so that the menu can be looked at or photographed. OnHold runs once during
  // that pause, once the menus have had time to paint.
  void SetHold(DWORD HoldMs, std::function<void()> OnHold);

  // Window messages the owner forwards while a menu is up.
  void OnEnterMenuLoop(HWND Owner);
  void OnInitMenuPopup(HWND Owner, HMENU Menu);
  void OnMenuSelect(HWND Owner, WPARAM wParam, LPARAM lParam);
  void OnTimer(HWND Owner);
  void OnExitMenuLoop(HWND Owner);

  static constexpr UINT_PTR TimerId = 0xC0A1;

  // "chosen", "grayed", "cancelled", "notfound", "stalled", or "" (nothing decided).
  [[nodiscard]] const std::string& Result() const { return FResult; }
  [[nodiscard]] int OpenCount() const { return FOpenCount; }
  [[nodiscard]] int KeysPosted() const { return FKeys; }
  [[nodiscard]] const std::vector<TMenuItemRecord>& Tree() const { return FTree; }
  void Report(THostReport& Report) const;

 private:
  enum class TState { Idle, Navigating, Holding, Dismissing, Done };

  void Record(HMENU Menu, const std::string& Prefix);
  bool FindRoute(HMENU Menu, UINT Id, std::vector<std::pair<HMENU, int>>& Route) const;
  void Dismiss(HWND Owner, const char* Result);
  void PostKey(HWND Owner, WPARAM Key);
  void Finish(HWND Owner);  // the final key: VK_RETURN on the target, or the dismissal
  void Hold(HWND Owner, bool Choosing);

  TMode FMode = TMode::Watch;
  UINT FTargetId = 0;
  TState FState = TState::Idle;
  bool FAwaitTop = false;
  bool FInMenu = false;
  int FOpenCount = 0;
  int FKeys = 0;
  int FIdleTicks = 0;
  std::vector<TMenuItemRecord> FTree;
  std::vector<std::pair<HMENU, int>> FRoute;  // (menu, position) from the top menu to the target
  size_t FLevel = 0;
  std::string FResult;
  DWORD FHoldMs = 0;
  std::function<void()> FOnHold;
  DWORD FHoldStart = 0;
  bool FHoldNoted = false;
  bool FHoldChoosing = false;  // the pause ends in VK_RETURN (else in the dismissal)
};
