#include "FakeWin.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

struct TMenuRecord {
  std::vector<TFakeMenuItem> Items;  // SubItems left empty; expanded on demand
};

struct TGlobalBlock {
  std::unique_ptr<uint8_t[]> Data;  // exactly Size bytes, so sanitizers see any overrun
  size_t Size = 0;
  UINT Flags = 0;
  int Locks = 0;
  bool OwnedByClipboard = false;
};

struct TFakeState {
  std::map<uintptr_t, TFakeWndProc> Windows;
  uintptr_t NextWindow = 0x10000;
  int64_t StrayMessages = 0;

  std::map<uintptr_t, TMenuRecord> Menus;
  uintptr_t NextMenu = 0x20000;
  int MenusCreated = 0;
  int BadMenuCalls = 0;
  TFakeMenuChooser Chooser;
  std::vector<TFakeTrackCall> TrackCalls;

  POINT Cursor{0, 0};

  TFakeMessageBoxAnswerer Answerer;
  std::vector<TFakeMessageBox> MessageBoxes;

  std::map<uintptr_t, TGlobalBlock> Blocks;
  uintptr_t NextBlock = 0x30000;
  int AllocCalls = 0;
  int AllocFailsAfter = -1;

  std::map<UINT, uintptr_t> Clipboard;  // format -> block handle
  std::vector<TFakeClipboardSet> ClipboardSets;
  bool ClipboardOpen = false;
  bool OpenFails = false;
  int Opens = 0;
  int Closes = 0;
  int Empties = 0;

  std::vector<std::pair<std::string, HANDLE>> HandleCloses;

  std::vector<std::u16string> DebugOutput;
};

TFakeState& State() {
  static TFakeState S;
  return S;
}

uintptr_t Key(const void* Handle) {
  return reinterpret_cast<uintptr_t>(Handle);
}

TGlobalBlock* FindBlock(HGLOBAL H) {
  auto& Blocks = State().Blocks;
  const auto It = Blocks.find(Key(H));
  return It == Blocks.end() ? nullptr : &It->second;
}

void FreeBlock(uintptr_t H) {
  State().Blocks.erase(H);
}

void ClearClipboardBlocks() {
  auto& S = State();
  for (const auto& [Format, H] : S.Clipboard) FreeBlock(H);
  S.Clipboard.clear();
}

std::u16string ZeroEnded(LPCWSTR S) {
  if (S == nullptr) return {};
  size_t N = 0;
  while (S[N] != 0) ++N;
  return std::u16string(S, N);
}

std::vector<TFakeMenuItem> Expand(uintptr_t Menu, int Depth) {
  auto& Menus = State().Menus;
  const auto It = Menus.find(Menu);
  if (It == Menus.end() || Depth > 16) return {};
  std::vector<TFakeMenuItem> Items = It->second.Items;
  for (auto& Item : Items) {
    if (Item.IsPopup()) Item.SubItems = Expand(Key(Item.SubMenuHandle), Depth + 1);
  }
  return Items;
}

void DestroyMenuTree(uintptr_t Menu, int Depth) {
  auto& Menus = State().Menus;
  const auto It = Menus.find(Menu);
  if (It == Menus.end() || Depth > 16) return;
  const std::vector<TFakeMenuItem> Items = std::move(It->second.Items);
  Menus.erase(It);
  // Destroying a menu destroys the submenus attached to it, as Windows does.
  for (const auto& Item : Items) {
    if (Item.IsPopup()) DestroyMenuTree(Key(Item.SubMenuHandle), Depth + 1);
  }
}

// Converts with iconv, putting Replacement in place of every unit the target cannot hold.
// Input and output are byte strings in the encodings named.
std::string Convert(const char* To, const char* From, const char* Input, size_t InputBytes,
                    size_t UnitBytes, std::string_view Replacement) {
  iconv_t Cd = iconv_open(To, From);
  if (Cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  std::string Out;
  char Buffer[256];
  char* In = const_cast<char*>(Input);
  size_t InLeft = InputBytes;
  while (InLeft > 0) {
    char* OutPtr = Buffer;
    size_t OutLeft = sizeof Buffer;
    const size_t R = iconv(Cd, &In, &InLeft, &OutPtr, &OutLeft);
    Out.append(Buffer, static_cast<size_t>(OutPtr - Buffer));
    if (R == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: one unit that cannot be converted; replace it and go on.
      Out.append(Replacement);
      const size_t Skip = std::min(UnitBytes, InLeft);
      In += Skip;
      InLeft -= Skip;
      iconv(Cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(Cd);
  return Out;
}

std::string WideToNarrow(UINT CodePage, std::u16string_view Text, LPBOOL UsedDefault) {
  const char* Target = CodePage == CP_UTF8 ? "UTF-8" : "CP932";
  std::string Out;
  // Converted unit by unit group: a replacement is needed only where iconv gives up.
  const std::string Replacement = "?";
  Out = Convert(Target, "UTF-16LE", reinterpret_cast<const char*>(Text.data()),
                Text.size() * sizeof(char16_t), sizeof(char16_t), Replacement);
  if (UsedDefault != nullptr) {
    // Round-tripping tells whether anything was replaced.
    *UsedDefault = FALSE;
    const std::string Back = Convert("UTF-16LE", Target, Out.data(), Out.size(), 1, "\xFF\xFF");
    if (Back.size() != Text.size() * sizeof(char16_t) ||
        std::memcmp(Back.data(), Text.data(), Back.size()) != 0) {
      *UsedDefault = TRUE;
    }
  }
  return Out;
}

std::u16string NarrowToWide(UINT CodePage, std::string_view Text) {
  const char* Source = CodePage == CP_UTF8 ? "UTF-8" : "CP932";
  // Code page 932's default character for bytes it cannot read is U+30FB.
  const char16_t Default = CodePage == CP_UTF8 ? u'\uFFFD' : u'\u30FB';
  const std::string Replacement(reinterpret_cast<const char*>(&Default), sizeof Default);
  const std::string Bytes = Convert("UTF-16LE", Source, Text.data(), Text.size(), 1, Replacement);
  std::u16string Out(Bytes.size() / sizeof(char16_t), u'\0');
  std::memcpy(Out.data(), Bytes.data(), Out.size() * sizeof(char16_t));
  return Out;
}

}  // namespace

// ---- test side ----

void FakeWinReset() {
  auto& S = State();
  S.Windows.clear();
  S.StrayMessages = 0;
  S.Menus.clear();
  S.MenusCreated = 0;
  S.BadMenuCalls = 0;
  S.Chooser = nullptr;
  S.TrackCalls.clear();
  S.Cursor = {0, 0};
  S.Answerer = nullptr;
  S.MessageBoxes.clear();
  S.Blocks.clear();
  S.AllocCalls = 0;
  S.AllocFailsAfter = -1;
  S.Clipboard.clear();
  S.ClipboardSets.clear();
  S.ClipboardOpen = false;
  S.OpenFails = false;
  S.Opens = S.Closes = S.Empties = 0;
  S.HandleCloses.clear();
  S.DebugOutput.clear();
}

HWND FakeWinRegisterWindow(TFakeWndProc Proc) {
  auto& S = State();
  const uintptr_t H = S.NextWindow;
  S.NextWindow += 0x10;
  S.Windows[H] = std::move(Proc);
  return reinterpret_cast<HWND>(H);
}

void FakeWinUnregisterWindow(HWND hWnd) {
  State().Windows.erase(Key(hWnd));
}

int64_t FakeWinStrayMessages() {
  return State().StrayMessages;
}

std::vector<TFakeMenuItem> FakeWinMenuItems(HMENU Menu) {
  return Expand(Key(Menu), 0);
}

const TFakeMenuItem* FakeWinFindItem(const std::vector<TFakeMenuItem>& Items, UINT_PTR Id) {
  for (const auto& Item : Items) {
    if (Item.IsPopup()) {
      if (const auto* Found = FakeWinFindItem(Item.SubItems, Id)) return Found;
    } else if (!Item.IsSeparator() && Item.Id == Id) {
      return &Item;
    }
  }
  return nullptr;
}

bool FakeWinSelectable(const std::vector<TFakeMenuItem>& Items, UINT_PTR Id) {
  for (const auto& Item : Items) {
    if (Item.IsPopup()) {
      if (!Item.IsGrayed() && FakeWinSelectable(Item.SubItems, Id)) return true;
    } else if (!Item.IsSeparator() && Item.Id == Id && !Item.IsGrayed()) {
      return true;
    }
  }
  return false;
}

int FakeWinLiveMenus() {
  return static_cast<int>(State().Menus.size());
}
int FakeWinMenusCreated() {
  return State().MenusCreated;
}
int FakeWinBadMenuCalls() {
  return State().BadMenuCalls;
}

void FakeWinSetMenuChooser(TFakeMenuChooser Chooser) {
  State().Chooser = std::move(Chooser);
}
const std::vector<TFakeTrackCall>& FakeWinTrackCalls() {
  return State().TrackCalls;
}

void FakeWinSetCursorPos(POINT Pos) {
  State().Cursor = Pos;
}

void FakeWinSetMessageBoxAnswerer(TFakeMessageBoxAnswerer Answerer) {
  State().Answerer = std::move(Answerer);
}
const std::vector<TFakeMessageBox>& FakeWinMessageBoxes() {
  return State().MessageBoxes;
}

std::optional<std::vector<uint8_t>> FakeWinClipboardBytes(UINT Format) {
  auto& S = State();
  const auto It = S.Clipboard.find(Format);
  if (It == S.Clipboard.end()) return std::nullopt;
  const TGlobalBlock& B = S.Blocks.at(It->second);
  return std::vector<uint8_t>(B.Data.get(), B.Data.get() + B.Size);
}

std::vector<UINT> FakeWinClipboardFormats() {
  std::vector<UINT> Formats;
  for (const auto& [Format, H] : State().Clipboard) Formats.push_back(Format);
  return Formats;
}

void FakeWinSeedClipboard(UINT Format, const std::vector<uint8_t>& Bytes) {
  auto& S = State();
  const auto Old = S.Clipboard.find(Format);
  if (Old != S.Clipboard.end()) FreeBlock(Old->second);
  const uintptr_t H = S.NextBlock;
  S.NextBlock += 0x10;
  TGlobalBlock B;
  B.Size = Bytes.size();
  B.Data = std::make_unique<uint8_t[]>(B.Size);
  std::copy(Bytes.begin(), Bytes.end(), B.Data.get());
  B.Flags = GMEM_MOVEABLE;
  B.OwnedByClipboard = true;
  S.Blocks[H] = std::move(B);
  S.Clipboard[Format] = H;
}

const std::vector<TFakeClipboardSet>& FakeWinClipboardSets() {
  return State().ClipboardSets;
}
bool FakeWinClipboardIsOpen() {
  return State().ClipboardOpen;
}
int FakeWinClipboardOpens() {
  return State().Opens;
}
int FakeWinClipboardCloses() {
  return State().Closes;
}
int FakeWinClipboardEmpties() {
  return State().Empties;
}
void FakeWinSetClipboardOpenFails(bool Fails) {
  State().OpenFails = Fails;
}
void FakeWinSetGlobalAllocFailsAfter(int N) {
  State().AllocFailsAfter = N;
}

int FakeWinLiveGlobalBlocks() {
  return static_cast<int>(State().Blocks.size());
}

int FakeWinOrphanGlobalBlocks() {
  int N = 0;
  for (const auto& [H, B] : State().Blocks) N += B.OwnedByClipboard ? 0 : 1;
  return N;
}

int FakeWinGlobalLocksHeld() {
  int N = 0;
  for (const auto& [H, B] : State().Blocks) N += B.Locks;
  return N;
}

int FakeWinGlobalAllocCalls() {
  return State().AllocCalls;
}

const std::vector<std::pair<std::string, HANDLE>>& FakeWinHandleCloses() {
  return State().HandleCloses;
}

const std::vector<std::u16string>& FakeWinDebugOutput() {
  return State().DebugOutput;
}

std::string FakeWinToAnsi(std::u16string_view Text) {
  return WideToNarrow(CP_ACP, Text, nullptr);
}

// ---- user32 ----

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  auto& S = State();
  const auto It = S.Windows.find(Key(hWnd));
  if (It == S.Windows.end()) {
    ++S.StrayMessages;
    return 0;
  }
  // A copy, so a procedure may unregister its own window while it runs.
  const TFakeWndProc Proc = It->second;
  return Proc(Msg, wParam, lParam);
}

HMENU CreatePopupMenu() {
  auto& S = State();
  const uintptr_t H = S.NextMenu;
  S.NextMenu += 0x10;
  S.Menus[H] = {};
  ++S.MenusCreated;
  return reinterpret_cast<HMENU>(H);
}

BOOL AppendMenuW(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem) {
  auto& S = State();
  const auto It = S.Menus.find(Key(hMenu));
  if (It == S.Menus.end()) {
    ++S.BadMenuCalls;
    return FALSE;
  }
  TFakeMenuItem Item;
  Item.Flags = uFlags;
  if (uFlags & MF_POPUP) {
    Item.SubMenuHandle = reinterpret_cast<HMENU>(uIDNewItem);
    if (S.Menus.find(uIDNewItem) == S.Menus.end()) {
      ++S.BadMenuCalls;
      return FALSE;
    }
  } else {
    Item.Id = uIDNewItem;
  }
  Item.TextWasNull = lpNewItem == nullptr;
  if (!(uFlags & MF_SEPARATOR)) Item.Text = ZeroEnded(lpNewItem);
  It->second.Items.push_back(std::move(Item));
  return TRUE;
}

BOOL DestroyMenu(HMENU hMenu) {
  auto& S = State();
  if (S.Menus.find(Key(hMenu)) == S.Menus.end()) {
    ++S.BadMenuCalls;
    return FALSE;
  }
  DestroyMenuTree(Key(hMenu), 0);
  return TRUE;
}

BOOL GetCursorPos(LPPOINT lpPoint) {
  if (lpPoint == nullptr) return FALSE;
  *lpPoint = State().Cursor;
  return TRUE;
}

BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int nReserved, HWND hWnd,
                    const RECT* prcRect) {
  auto& S = State();
  if (S.Menus.find(Key(hMenu)) == S.Menus.end()) {
    ++S.BadMenuCalls;
    return FALSE;
  }
  TFakeTrackCall Call;
  Call.Menu = hMenu;
  Call.Items = Expand(Key(hMenu), 0);
  Call.Flags = uFlags;
  Call.X = x;
  Call.Y = y;
  Call.Reserved = nReserved;
  Call.Owner = hWnd;
  Call.HadRect = prcRect != nullptr;
  S.TrackCalls.push_back(Call);
  UINT_PTR Choice = S.Chooser ? S.Chooser(Call) : 0;
  // No user can pick a grayed item, an item of a grayed submenu or one that is not there.
  if (Choice != 0 && !FakeWinSelectable(Call.Items, Choice)) Choice = 0;
  // Without TPM_RETURNCMD Windows posts the command and answers only whether one was chosen.
  if (!(uFlags & TPM_RETURNCMD)) return Choice != 0 ? TRUE : FALSE;
  return static_cast<BOOL>(Choice);
}

int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
  auto& S = State();
  TFakeMessageBox Box{hWnd, ZeroEnded(lpText), ZeroEnded(lpCaption), uType};
  S.MessageBoxes.push_back(Box);
  return S.Answerer ? S.Answerer(Box) : 0;
}

BOOL OpenClipboard(HWND) {
  auto& S = State();
  if (S.OpenFails || S.ClipboardOpen) return FALSE;
  S.ClipboardOpen = true;
  ++S.Opens;
  return TRUE;
}

BOOL EmptyClipboard() {
  auto& S = State();
  if (!S.ClipboardOpen) return FALSE;
  ClearClipboardBlocks();
  ++S.Empties;
  return TRUE;
}

HANDLE SetClipboardData(UINT uFormat, HANDLE hMem) {
  auto& S = State();
  TGlobalBlock* B = FindBlock(hMem);
  if (!S.ClipboardOpen || B == nullptr || B->OwnedByClipboard) return nullptr;
  const auto Old = S.Clipboard.find(uFormat);
  if (Old != S.Clipboard.end()) FreeBlock(Old->second);
  B->OwnedByClipboard = true;
  S.Clipboard[uFormat] = Key(hMem);
  S.ClipboardSets.push_back({uFormat, B->Flags, B->Size, B->Locks > 0});
  return hMem;
}

HANDLE GetClipboardData(UINT uFormat) {
  auto& S = State();
  if (!S.ClipboardOpen) return nullptr;
  const auto It = S.Clipboard.find(uFormat);
  return It == S.Clipboard.end() ? nullptr : reinterpret_cast<HANDLE>(It->second);
}

BOOL CloseClipboard() {
  auto& S = State();
  if (!S.ClipboardOpen) return FALSE;
  S.ClipboardOpen = false;
  ++S.Closes;
  return TRUE;
}

// ---- kernel32 ----

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
  auto& S = State();
  ++S.AllocCalls;
  if (S.AllocFailsAfter == 0) return nullptr;
  if (S.AllocFailsAfter > 0) --S.AllocFailsAfter;
  TGlobalBlock B;
  B.Size = dwBytes;
  B.Flags = uFlags;
  B.Data = std::make_unique<uint8_t[]>(dwBytes);
  // Without GMEM_ZEROINIT the block holds garbage, so a missing terminator shows.
  std::fill_n(B.Data.get(), dwBytes, (uFlags & GMEM_ZEROINIT) ? 0x00 : 0xCD);
  const uintptr_t H = S.NextBlock;
  S.NextBlock += 0x10;
  S.Blocks[H] = std::move(B);
  return reinterpret_cast<HGLOBAL>(H);
}

LPVOID GlobalLock(HGLOBAL hMem) {
  TGlobalBlock* B = FindBlock(hMem);
  if (B == nullptr) return nullptr;
  ++B->Locks;
  return B->Data.get();
}

BOOL GlobalUnlock(HGLOBAL hMem) {
  TGlobalBlock* B = FindBlock(hMem);
  if (B == nullptr || B->Locks == 0) return FALSE;
  --B->Locks;
  return B->Locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
  TGlobalBlock* B = FindBlock(hMem);
  // Freeing what the clipboard owns, or what is not a block, fails as on Windows.
  if (B == nullptr || B->OwnedByClipboard) return hMem;
  FreeBlock(Key(hMem));
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL hMem) {
  const TGlobalBlock* B = FindBlock(hMem);
  return B == nullptr ? 0 : B->Size;
}

// Null and INVALID_HANDLE_VALUE are no handle to close: recorded, and the call fails.
BOOL CloseHandle(HANDLE hObject) {
  State().HandleCloses.emplace_back("CloseHandle", hObject);
  return hObject != nullptr && hObject != INVALID_HANDLE_VALUE ? TRUE : FALSE;
}

BOOL FindClose(HANDLE hFindFile) {
  State().HandleCloses.emplace_back("FindClose", hFindFile);
  return hFindFile != nullptr && hFindFile != INVALID_HANDLE_VALUE ? TRUE : FALSE;
}

LPWSTR lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2) {
  size_t I = 0;
  do {
    lpString1[I] = lpString2[I];
  } while (lpString2[I++] != 0);
  return lpString1;
}

LPSTR lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
  size_t I = 0;
  do {
    lpString1[I] = lpString2[I];
  } while (lpString2[I++] != 0);
  return lpString1;
}

LPSTR lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) {
  if (iMaxLength <= 0) return lpString1;
  int I = 0;
  for (; I < iMaxLength - 1 && lpString2[I] != 0; ++I) lpString1[I] = lpString2[I];
  lpString1[I] = 0;
  return lpString1;
}

int lstrlenW(LPCWSTR lpString) {
  return lpString == nullptr ? 0 : static_cast<int>(ZeroEnded(lpString).size());
}

int lstrlenA(LPCSTR lpString) {
  return lpString == nullptr ? 0 : static_cast<int>(std::strlen(lpString));
}

int WideCharToMultiByte(UINT CodePage, DWORD, LPCWSTR lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR, LPBOOL lpUsedDefaultChar) {
  if (lpWideCharStr == nullptr || cchWideChar == 0 || cbMultiByte < 0) return 0;
  if (CodePage != CP_ACP && CodePage != CP_UTF8) return 0;
  // -1: the string is zero-ended and the zero is converted too.
  std::u16string_view In =
      cchWideChar < 0 ? std::u16string_view(lpWideCharStr, ZeroEnded(lpWideCharStr).size() + 1)
                      : std::u16string_view(lpWideCharStr, static_cast<size_t>(cchWideChar));
  const std::string Out = WideToNarrow(CodePage, In, lpUsedDefaultChar);
  if (cbMultiByte == 0) return static_cast<int>(Out.size());
  if (Out.size() > static_cast<size_t>(cbMultiByte)) return 0;  // ERROR_INSUFFICIENT_BUFFER
  std::memcpy(lpMultiByteStr, Out.data(), Out.size());
  return static_cast<int>(Out.size());
}

int MultiByteToWideChar(UINT CodePage, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar) {
  if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cchWideChar < 0) return 0;
  if (CodePage != CP_ACP && CodePage != 932 && CodePage != CP_UTF8) return 0;
  std::string_view In = cbMultiByte < 0
                            ? std::string_view(lpMultiByteStr, std::strlen(lpMultiByteStr) + 1)
                            : std::string_view(lpMultiByteStr, static_cast<size_t>(cbMultiByte));
  const std::u16string Out = NarrowToWide(CodePage, In);
  if (cchWideChar == 0) return static_cast<int>(Out.size());
  if (Out.size() > static_cast<size_t>(cchWideChar)) return 0;
  std::copy(Out.begin(), Out.end(), lpWideCharStr);
  return static_cast<int>(Out.size());
}

void OutputDebugStringW(LPCWSTR lpOutputString) {
  State().DebugOutput.push_back(ZeroEnded(lpOutputString));
}
