#include "plugin/PluginLibrary2.h"

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "library/StringRecordList/StringRecordList.h"
#include "library/StringUnit/StringUnit.h"
#include "plugin/PluginLibrary.h"

namespace {

void SelectChars(HWND hwnd, size_t Count) {
  SendHost(hwnd, HostSelectChars, Count, 0);
}

void ReplaceSel(HWND hwnd, const std::u16string& Text) {
  SendHost(hwnd, HostReplaceSel, 0, reinterpret_cast<LPARAM>(WideCast<const WCHAR>(Text.c_str())));
}

// Clipboard open -> close.
class TClipboardGuard {
 public:
  TClipboardGuard() : FOpen(OpenClipboard(nullptr) != FALSE) {}
  ~TClipboardGuard() {
    if (FOpen) CloseClipboard();
  }
  TClipboardGuard(const TClipboardGuard&) = delete;
  TClipboardGuard& operator=(const TClipboardGuard&) = delete;
  explicit operator bool() const { return FOpen; }

 private:
  bool FOpen;
};

// A global memory block, freed unless ownership was handed over with Release().
class TGlobalBlock {
 public:
  TGlobalBlock(UINT Flags, SIZE_T Size) : FMem(GlobalAlloc(Flags, Size)) {}
  ~TGlobalBlock() {
    if (FMem != nullptr) GlobalFree(FMem);
  }
  TGlobalBlock(const TGlobalBlock&) = delete;
  TGlobalBlock& operator=(const TGlobalBlock&) = delete;
  explicit operator bool() const { return FMem != nullptr; }
  [[nodiscard]] HGLOBAL Get() const { return FMem; }
  void Release() { FMem = nullptr; }

 private:
  HGLOBAL FMem;
};

// GlobalLock -> GlobalUnlock.
class TGlobalLock {
 public:
  explicit TGlobalLock(HGLOBAL Mem) : FMem(Mem), FData(GlobalLock(Mem)) {}
  ~TGlobalLock() {
    if (FData != nullptr) GlobalUnlock(FMem);
  }
  TGlobalLock(const TGlobalLock&) = delete;
  TGlobalLock& operator=(const TGlobalLock&) = delete;
  explicit operator bool() const { return FData != nullptr; }
  [[nodiscard]] void* Data() const { return FData; }

 private:
  HGLOBAL FMem;
  void* FData;
};

// Allocates a block of Size bytes, lets Fill write into it and hands it to the clipboard as
// Format. A block that cannot be allocated or locked is skipped; nothing is written then.
template <typename TFill>
void PlaceOnClipboard(UINT Format, size_t Size, TFill Fill) {
  TGlobalBlock Block(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, Size);
  if (!Block) return;
  {
    TGlobalLock Lock(Block.Get());
    if (!Lock) return;
    Fill(Lock.Data());
  }
  if (SetClipboardData(Format, Block.Get()) != nullptr) Block.Release();
}

// Text in the system's ANSI code page; Ok is false when it cannot be converted.
std::string ToAnsi(const std::u16string& Text, bool& Ok) {
  Ok = false;
  if (Text.size() > static_cast<size_t>(INT_MAX)) return {};
  const auto* Wide = WideCast<const WCHAR>(Text.data());
  const int Length = static_cast<int>(Text.size());
  const int Bytes = WideCharToMultiByte(CP_ACP, 0, Wide, Length, nullptr, 0, nullptr, nullptr);
  if (Bytes <= 0) return {};
  std::string Ansi(static_cast<size_t>(Bytes), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, Wide, Length, Ansi.data(), Bytes, nullptr, nullptr) != Bytes) {
    return {};
  }
  Ok = true;
  return Ansi;
}

}  // namespace

void WriteBackLines(HWND hwnd, std::u16string_view NewText) {
  // The lines of both texts as views, split as the line list splits them.
  const std::u16string OldText = GetSelectedText(hwnd);
  const std::vector<std::u16string_view> Old = SplitLines(OldText);
  const std::vector<std::u16string_view> New = SplitLines(NewText);
  // More lines than a line list holds are its capacity fault, as when they were held in one.
  if (Old.size() > static_cast<size_t>(MaxListSize) ||
      New.size() > static_cast<size_t>(MaxListSize)) {
    TListClone::Error(SListCapacityError, MaxListSize);
  }
  const THostPos S = GetHostPos(hwnd, HostGetSelStart, HostPosKindFile);
  const bool CaretAtEnd = IsCaretAtSelectionEnd(hwnd);
  const auto OldCount = static_cast<int32_t>(Old.size());
  const auto NewCount = static_cast<int32_t>(New.size());
  // Every position sent below must fit the host's 32-bit fields; check before writing.
  const int64_t FirstLength = OldCount > 0 ? static_cast<int64_t>(Old[0].size()) : 0;
  if (int64_t{S.Y} + OldCount >= INT32_MAX || int64_t{S.X} + FirstLength > INT32_MAX) {
    throw EHostAnswerError("the selection lies beyond the positions a host can address");
  }

  const int32_t Common = MinInt(OldCount, NewCount);
  for (int32_t I = 0; I < Common; ++I) {
    const std::u16string_view OldLine = Old[static_cast<size_t>(I)];
    const std::u16string_view NewLine = New[static_cast<size_t>(I)];
    const THostPos P{I == 0 ? S.X : 0, S.Y + I};
    const THostPos NextLine{0, P.Y + 1};
    if (OldLine == NewLine) {
      // Step over the line. A line without a break ends the selection: stay at its end.
      const bool HasBreak = GetLineBreakKind(OldLine) != lbNone;
      const auto End = static_cast<int32_t>(P.X + static_cast<int64_t>(OldLine.size()));
      SetHostCaretPos(hwnd, HostPosKindFile, HasBreak ? NextLine : THostPos{End, P.Y});
    } else if (GetLineBreakKind(OldLine) == lbCRLF && GetLineBreakKind(NewLine) == lbCRLF) {
      // Only the content changes; the CR LF in the document is never selected.
      SetHostCaretPos(hwnd, HostPosKindFile, P);
      SelectChars(hwnd, OldLine.size() - 2);
      ReplaceSel(hwnd, std::u16string(NewLine.substr(0, NewLine.size() - 2)));
      SetHostCaretPos(hwnd, HostPosKindFile, NextLine);
    } else {
      // The replacement leaves the caret at the start of the next old line.
      SetHostCaretPos(hwnd, HostPosKindFile, P);
      SelectChars(hwnd, OldLine.size());
      ReplaceSel(hwnd, std::u16string(NewLine));
    }
  }

  // With no line compared the caret may still be at the far end of the selection.
  if (Common == 0) SetHostCaretPos(hwnd, HostPosKindFile, S);
  if (OldCount < NewCount) {
    std::u16string Added;
    for (int32_t I = OldCount; I < NewCount; ++I) Added += New[static_cast<size_t>(I)];
    ReplaceSel(hwnd, Added);
  } else if (NewCount < OldCount) {
    size_t Removed = 0;
    for (int32_t I = NewCount; I < OldCount; ++I) Removed += Old[static_cast<size_t>(I)].size();
    SelectChars(hwnd, Removed);
    ReplaceSel(hwnd, std::u16string());
  }

  SetHostCaretPos(hwnd, HostPosKindFile, S);
  SelectChars(hwnd, NewText.size());
  RestoreSelectionDirection(hwnd, CaretAtEnd);
}

void CopyTextToClipboard(HWND /*hwnd*/, std::u16string_view Text) {
  const std::u16string Wide(Text);
  bool AnsiOk = false;
  const std::string Ansi = ToAnsi(Wide, AnsiOk);
  if (Wide.empty()) return;

  TClipboardGuard Clipboard;
  if (!Clipboard) return;
  EmptyClipboard();
  PlaceOnClipboard(CF_UNICODETEXT, (Wide.size() + 1) * sizeof(WCHAR), [&](void* Data) {
    lstrcpyW(static_cast<WCHAR*>(Data), WideCast<const WCHAR>(Wide.c_str()));
  });
  if (AnsiOk) {
    PlaceOnClipboard(CF_TEXT, Ansi.size() + 1,
                     [&](void* Data) { lstrcpyA(static_cast<char*>(Data), Ansi.c_str()); });
  }
}
