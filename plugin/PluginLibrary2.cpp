#include "plugin/PluginLibrary2.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <vector>

#include "LineNumberUnit/FileHeader.h"
#include "library/StringRecordList/StringRecordList.h"
#include "library/StringUnit/StringUnit.h"
#include "plugin/PluginLibrary.h"

namespace {

void SelectChars(HWND hwnd, size_t Count) {
  SendMessageW(hwnd, HostSelectChars, Count, 0);
}

void ReplaceSel(HWND hwnd, const std::u16string& Text) {
  SendMessageW(hwnd, HostReplaceSel, 0, ParamCast<LPARAM>(WideCast<const WCHAR>(Text.c_str())));
}

// Allocates a block of Size bytes, lets Fill write into it and hands it to the clipboard as
// Format. A block that cannot be allocated or locked is skipped; nothing is written then.
template <typename TFill>
void PlaceOnClipboard(UINT Format, size_t Size, TFill Fill) {
  TUniqueGlobal Block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, Size));
  if (!Block) return;
  {
    const TGlobalLock Lock(Block.get());
    if (!Lock) return;
    Fill(Lock.data());
  }
  if (SetClipboardData(Format, Block.get()) != nullptr) Block.release();
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

TRedrawOff SuspendRedraw(HWND hwnd) {
  return TRedrawOff(hwnd, HostSetRedraw);
}

void SetHostCaretPos(HWND hwnd, uint32_t Kind, THostPos Pos) {
  SendMessageW(hwnd, HostSetCaretPos, Kind, ParamCast<LPARAM>(&Pos));
}

void SetHostScrollPos(HWND hwnd, THostScrollPos Scroll) {
  SendMessageW(hwnd, HostSetScrollPos, 0, ParamCast<LPARAM>(&Scroll));
}

void SelectWholeLines(HWND hwnd) {
  THostPos S = GetHostPos(hwnd, HostGetSelStart, HostPosKindFile);
  THostPos E = GetHostPos(hwnd, HostGetSelEnd, HostPosKindFile);
  const bool CaretAtEnd = IsCaretAtSelectionEnd(hwnd);
  S.X = 0;
  if (E.Y == S.Y || E.X != 0) {
    const LRESULT LineCount = SendMessageW(hwnd, HostGetLineCount, HostPosKindFile, 0);
    if (int64_t{E.Y} == int64_t{LineCount} - 1) {
      // The last line has no break to include: the selection ends at its end.
      E.X = static_cast<int32_t>(GetLineText(hwnd, E.Y, loDocumentLine).size());
    } else {
      if (E.Y == std::numeric_limits<int32_t>::max()) {
        throw EHostAnswerError("the selection ends on the last possible line");
      }
      E.Y += 1;
      E.X = 0;
    }
  }
  SendMessageW(hwnd, HostConvertPos, ParamCast<WPARAM>(&S), ParamCast<LPARAM>(&S));
  SendMessageW(hwnd, HostConvertPos, ParamCast<WPARAM>(&E), ParamCast<LPARAM>(&E));
  SendMessageW(hwnd, HostSetSelection, ParamCast<WPARAM>(&S), ParamCast<LPARAM>(&E));
  RestoreSelectionDirection(hwnd, CaretAtEnd);
}

void RestoreSelectionDirection(HWND hwnd, bool CaretAtEnd) {
  const THostPos S = GetHostPos(hwnd, HostGetSelStart, HostPosKindView);
  const THostPos E = GetHostPos(hwnd, HostGetSelEnd, HostPosKindView);
  if (CaretAtEnd) {
    ApplySelection(hwnd, S, E);
  } else {
    ApplySelection(hwnd, E, S);
  }
}

void ApplySelection(HWND hwnd, THostPos Anchor, THostPos Active) {
  if (SamePos(Anchor, Active)) {
    SetHostCaretPos(hwnd, HostPosKindView, Anchor);
  } else {
    SendMessageW(hwnd, HostSetSelection, ParamCast<WPARAM>(&Anchor), ParamCast<LPARAM>(&Active));
  }
}

std::u16string SelectTarget(HWND hwnd, bool WholeDocument) {
  if (WholeDocument)
    SendMessageW(hwnd, HostExecCommand, HostCmdSelectAll, 0);
  else
    SelectWholeLines(hwnd);
  return GetSelectedText(hwnd);
}

void EndWholeDocumentSelection(HWND hwnd, THostPos Caret) {
  SendMessageW(hwnd, HostExecCommand, HostCmdEndSelectAll, 0);
  SetHostCaretPos(hwnd, HostPosKindFile, Caret);
}

void WriteBackLines(HWND hwnd, std::u16string_view NewText) {
  // The lines of both texts as views, split as the line list splits them.
  const std::u16string OldText = GetSelectedText(hwnd);
  const std::vector<std::u16string_view> Old = SplitLines(OldText);
  const std::vector<std::u16string_view> New = SplitLines(NewText);
  // More lines than a line list holds are its capacity fault, as when they were held in one.
  CheckLineCount(std::max(Old.size(), New.size()));
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

  const TClipboardOpen Clipboard(nullptr);
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

void CopyTextWithFileHeader(HWND hwnd, std::u16string_view Text) {
  CopyTextToClipboard(hwnd, CopyHeader(GetDocumentPath(hwnd), u"\r\n") + std::u16string(Text));
}
