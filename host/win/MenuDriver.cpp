#include "host/win/MenuDriver.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int MaxKeys = 200;    // a walk never needs this many; beyond it the menu is stuck
constexpr int StallTicks = 25;  // timer ticks (of TickMs) without progress before giving up
constexpr UINT TickMs = 200;

std::u16string MenuText(HMENU Menu, int Pos) {
  const int Length = GetMenuStringW(Menu, static_cast<UINT>(Pos), nullptr, 0, MF_BYPOSITION);
  if (Length <= 0) return {};
  std::wstring Buffer(static_cast<size_t>(Length) + 1, L'\0');
  const int Got =
      GetMenuStringW(Menu, static_cast<UINT>(Pos), Buffer.data(), Length + 1, MF_BYPOSITION);
  Buffer.resize(static_cast<size_t>(Got > 0 ? Got : 0));
  return FromWide(Buffer);
}

bool IsSeparator(HMENU Menu, int Pos) {
  return GetSubMenu(Menu, Pos) == nullptr &&
         (GetMenuState(Menu, static_cast<UINT>(Pos), MF_BYPOSITION) & MF_SEPARATOR) != 0;
}

bool IsUnavailable(HMENU Menu, int Pos) {
  return (GetMenuState(Menu, static_cast<UINT>(Pos), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) !=
         0;
}

}  // namespace

void TMenuDriver::Configure(TMode Mode, UINT TargetId) {
  FMode = Mode;
  FTargetId = TargetId;
}

void TMenuDriver::SetHold(DWORD HoldMs, std::function<void()> OnHold) {
  FHoldMs = HoldMs;
  FOnHold = std::move(OnHold);
}

void TMenuDriver::Hold(HWND Owner, bool Choosing) {
  FHoldChoosing = Choosing;
  if (FHoldMs == 0) {
    Finish(Owner);
    return;
  }
  FState = TState::Holding;
  FHoldStart = GetTickCount();
  FHoldNoted = false;
}

void TMenuDriver::Finish(HWND Owner) {
  if (FHoldChoosing) {
    FState = TState::Done;
    FResult = "chosen";
    PostKey(Owner, VK_RETURN);
  } else {
    Dismiss(Owner, "cancelled");
  }
}

void TMenuDriver::PostKey(HWND Owner, WPARAM Key) {
  ++FKeys;
  PostMessageW(Owner, WM_KEYDOWN, Key, 1);
}

void TMenuDriver::Record(HMENU Menu, const std::string& Prefix) {
  const int Count = GetMenuItemCount(Menu);
  for (int Pos = 0; Pos < Count; ++Pos) {
    TMenuItemRecord Item;
    Item.Path = Prefix.empty() ? std::to_string(Pos) : Prefix + "." + std::to_string(Pos);
    const UINT State = GetMenuState(Menu, static_cast<UINT>(Pos), MF_BYPOSITION);
    HMENU Sub = GetSubMenu(Menu, Pos);
    if (Sub != nullptr) {
      Item.Kind = "popup";
      Item.Id = -1;
      Item.Flags = State & 0xFF;  // the high byte holds the submenu's item count
    } else {
      Item.Kind = (State & MF_SEPARATOR) != 0 ? "separator" : "item";
      Item.Id = static_cast<int64_t>(GetMenuItemID(Menu, Pos));
      Item.Flags = State;
    }
    Item.Text = MenuText(Menu, Pos);
    FTree.push_back(Item);
    if (Sub != nullptr) Record(Sub, Item.Path);
  }
}

bool TMenuDriver::FindRoute(HMENU Menu, UINT Id, std::vector<std::pair<HMENU, int>>& Route) const {
  const int Count = GetMenuItemCount(Menu);
  for (int Pos = 0; Pos < Count; ++Pos) {
    Route.emplace_back(Menu, Pos);
    if (HMENU Sub = GetSubMenu(Menu, Pos)) {
      if (FindRoute(Sub, Id, Route)) return true;
    } else if (!IsSeparator(Menu, Pos) && GetMenuItemID(Menu, Pos) == Id) {
      return true;
    }
    Route.pop_back();
  }
  return false;
}

void TMenuDriver::Dismiss(HWND Owner, const char* Result) {
  FResult = Result;
  FState = TState::Dismissing;
  PostKey(Owner, VK_ESCAPE);
}

void TMenuDriver::OnEnterMenuLoop(HWND Owner) {
  FAwaitTop = true;
  FInMenu = true;
  FIdleTicks = 0;
  SetTimer(Owner, TimerId, TickMs, nullptr);
}

void TMenuDriver::OnExitMenuLoop(HWND Owner) {
  FInMenu = false;
  KillTimer(Owner, TimerId);
  if (FState == TState::Navigating) FResult = "stalled";
  FState = TState::Idle;
}

void TMenuDriver::OnInitMenuPopup(HWND Owner, HMENU Menu) {
  if (!FAwaitTop) return;  // a submenu opening on the way
  FAwaitTop = false;
  ++FOpenCount;
  if (FOpenCount == 1) Record(Menu, "");
  if (FOpenCount > 1 || FMode == TMode::Watch) return;  // later menus are left to the user
  if (FMode == TMode::Cancel) {
    Hold(Owner, false);
    return;
  }
  FRoute.clear();
  FLevel = 0;
  if (!FindRoute(Menu, FTargetId, FRoute)) {
    Dismiss(Owner, "notfound");
    return;
  }
  for (const auto& [Level, Pos] : FRoute) {
    if (IsUnavailable(Level, Pos)) {
      Dismiss(Owner, "grayed");
      return;
    }
  }
  FState = TState::Navigating;
  PostKey(Owner, VK_DOWN);  // the popup opens with nothing highlighted
}

void TMenuDriver::OnMenuSelect(HWND Owner, WPARAM wParam, LPARAM lParam) {
  const UINT Flags = HIWORD(wParam);
  HMENU Menu = reinterpret_cast<HMENU>(lParam);
  if (Menu == nullptr || Flags == 0xFFFF) return;  // the menu is closing
  FIdleTicks = 0;
  if (FState != TState::Navigating) return;
  if (FKeys > MaxKeys) {
    Dismiss(Owner, "stalled");
    return;
  }
  const auto [Want, WantPos] = FRoute[FLevel];
  if (Menu != Want) return;  // a notification about a parent level
  // A submenu item is reported by position, any other by its id.
  int Pos = -1;
  if ((Flags & MF_POPUP) != 0) {
    Pos = LOWORD(wParam);
  } else {
    const int Count = GetMenuItemCount(Menu);
    for (int I = 0; I < Count; ++I) {
      if (GetSubMenu(Menu, I) == nullptr && !IsSeparator(Menu, I) &&
          LOWORD(GetMenuItemID(Menu, I)) == LOWORD(wParam)) {
        Pos = I;
        break;
      }
    }
  }
  if (Pos != WantPos) {
    PostKey(Owner, VK_DOWN);
    return;
  }
  // The state is read again at the moment of choosing, not only when the menu opened.
  if (IsUnavailable(Menu, Pos)) {
    Dismiss(Owner, "grayed");
    return;
  }
  if (FLevel + 1 < FRoute.size()) {
    ++FLevel;
    PostKey(Owner, VK_RIGHT);  // opens the submenu with its first item highlighted
  } else {
    Hold(Owner, true);
  }
}

void TMenuDriver::OnTimer(HWND Owner) {
  if (!FInMenu) return;
  if (FState == TState::Holding) {
    const DWORD Elapsed = GetTickCount() - FHoldStart;
    // Not at once: the submenu opened by the last key has to be shown and painted first.
    if (!FHoldNoted && Elapsed >= std::min<DWORD>(FHoldMs / 2, 400)) {
      FHoldNoted = true;
      if (FOnHold) FOnHold();
    }
    if (Elapsed >= FHoldMs) Finish(Owner);
    return;
  }
  ++FIdleTicks;
  if (FState == TState::Dismissing) {
    PostKey(Owner, VK_ESCAPE);  // one level closes per key; go on until the menu loop ends
  } else if (FState == TState::Navigating && FIdleTicks > StallTicks) {
    Dismiss(Owner, "stalled");
  } else if (FState == TState::Done && FIdleTicks > StallTicks) {
    Dismiss(Owner, "stalled");  // VK_RETURN did not close the menu
  }
}

void TMenuDriver::Report(THostReport& Report) const {
  Report.Add("menu.opened", FOpenCount);
  for (const auto& Item : FTree) {
    Report.Add("menu", Item.Path + "\t" + Item.Kind + "\t" + std::to_string(Item.Id) + "\t" +
                           HexNumber(Item.Flags) + "\t" + EscapeText(Item.Text));
  }
}
