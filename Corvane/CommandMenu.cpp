#include "Corvane/CommandMenu.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "LineNumberUnit/ContinueRule.h"
#include "LineNumberUnit/LineNumberUnit.h"
#include "plugin/PluginLibrary.h"
#include "plugin/PluginLibrary2.h"
#include "plugin/plugin.h"

namespace {

// Menu texts are UTF-16 literals; WCHAR is 16 bits wide on Windows and in the test build.
const WCHAR* AsWide(const char16_t* Text) {
  return reinterpret_cast<const WCHAR*>(Text);
}

template <typename T>
LPARAM AsParam(T* Record) {
  return reinterpret_cast<LPARAM>(Record);
}

// Switches the editor's redrawing off for its lifetime and on again on every way out.
class TRedrawGuard {
 public:
  explicit TRedrawGuard(HWND hwnd) : FWnd(hwnd) { SendHost(FWnd, HostSetRedraw, 0); }
  ~TRedrawGuard() {
    try {
      SendHost(FWnd, HostSetRedraw, 1);
    } catch (...) {
      // Unwinding from another failure already; the host refusing this too changes nothing.
    }
  }
  TRedrawGuard(const TRedrawGuard&) = delete;
  TRedrawGuard& operator=(const TRedrawGuard&) = delete;

 private:
  HWND FWnd;
};

// Owns one popup menu handle; a submenu is handed to its parent only once it is appended,
// after which the parent destroys it.
class TPopupMenu {
 public:
  TPopupMenu() : FHandle(CreatePopupMenu()) {}
  ~TPopupMenu() {
    if (FHandle != nullptr) DestroyMenu(FHandle);
  }
  TPopupMenu(const TPopupMenu&) = delete;
  TPopupMenu& operator=(const TPopupMenu&) = delete;

  explicit operator bool() const { return FHandle != nullptr; }
  HMENU Handle() const { return FHandle; }

  [[nodiscard]] bool AddItem(UINT Id, const char16_t* Text, UINT Flags) {
    return FHandle != nullptr && AppendMenuW(FHandle, Flags, Id, AsWide(Text)) != 0;
  }
  [[nodiscard]] bool AddSeparator() {
    return FHandle != nullptr && AppendMenuW(FHandle, MF_SEPARATOR, 0, AsWide(u"")) != 0;
  }
  [[nodiscard]] bool AddSubmenu(TPopupMenu& Sub, const char16_t* Text, UINT Flags) {
    if (FHandle == nullptr || !Sub) return false;
    if (AppendMenuW(FHandle, Flags | MF_POPUP, reinterpret_cast<UINT_PTR>(Sub.FHandle),
                    AsWide(Text)) == 0)
      return false;
    Sub.FHandle = nullptr;
    return true;
  }

 private:
  HMENU FHandle;
};

// Asks the host whether the document may be edited; only a low byte of 1 means yes.
bool CanEditDocument(HWND hwnd) {
  uint8_t Scratch[1] = {0};  // the host may write into it; it is never read
  const LRESULT Answer = SendHost(hwnd, HostQueryCommand, HostCmdCanEdit, AsParam(Scratch));
  return (static_cast<uintptr_t>(Answer) & 0xFF) == 1;
}

// The popup menu of the command; Editing is MF_ENABLED or MF_GRAYED for the entries that
// change the document. Returns false when a menu could not be built.
[[nodiscard]] bool BuildCommandMenu(TPopupMenu& Top, UINT Editing) {
  TPopupMenu Insert, Continue, Tidy, Copy;
  return Continue.AddItem(5, u"＋１", Editing) && Continue.AddItem(6, u"＋１０", Editing) &&
         Continue.AddItem(7, u"－１", Editing) && Continue.AddItem(8, u"－１０", Editing) &&

         Insert.AddItem(1, u"行番号を1番から挿入", Editing) &&
         Insert.AddItem(2, u"行番号を逆順に挿入", Editing) &&
         Insert.AddItem(3, u"ファイル行番号を挿入", Editing) &&
         Insert.AddSubmenu(Continue, u"先頭で指定した行番号を挿入", Editing) &&

         Tidy.AddItem(11, u"全て実行", Editing) && Tidy.AddSeparator() &&
         Tidy.AddItem(9, u"行番号のみの行を削除", Editing) &&
         Tidy.AddItem(10, u"行番号以降の余分なインデントの削除", Editing) &&

         Copy.AddItem(13, u"ファイル行番号を挿入して整形後コピー", 0) &&
         Copy.AddItem(12, u"ファイル行番号を挿入してコピー", 0) && Copy.AddSeparator() &&
         Copy.AddItem(14, u"行番号を削除してコピー", 0) &&

         Top.AddSubmenu(Insert, u"行番号挿入", Editing) && Top.AddItem(4, u"行番号削除", Editing) &&
         Top.AddSeparator() && Top.AddSubmenu(Tidy, u"行番号テキストの整形", Editing) &&
         Top.AddSeparator() && Top.AddSubmenu(Copy, u"コピー", 0) && Top.AddSeparator() &&
         Top.AddItem(0, u"キャンセル", 0);
}

// Everything one command works on; nothing of it outlives the call.
struct TCommandState {
  THostPos Start{};              // selection start when the command began (kind 2)
  THostPos End{};                // selection end when the command began (kind 2)
  bool NothingSelected = false;  // the whole document is the target
  int64_t CaretColumn = 0;       // where the caret goes back to, before the prefix shift
  int32_t PrefixWidth = 0;       // set by the insertions only
};

int32_t ClampToInt32(int64_t Value) {
  return static_cast<int32_t>(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// File line number of the first target line. With nothing selected the target is the whole
// document, so it starts at line 1 whatever line the caret is on.
int32_t FirstFileLineNumber(const TCommandState& State) {
  if (State.NothingSelected) return 1;
  const int64_t First = int64_t{MinInt(State.Start.Y, State.End.Y)} + 1;
  return ClampToInt32(std::max<int64_t>(First, 1));
}

// Numbers the target on from the number the user wrote before the first ":" of the text.
std::u16string ContinueNumbering(std::u16string_view Text, int32_t Step, TCommandState& State) {
  TContinueResult Result = ::ContinueNumbering(Text, Step, State.PrefixWidth);
  // The first document line lost its head and separator; the caret moves back with them.
  if (Result.RuleMet && State.Start.Y == 0)
    State.CaretColumn -= static_cast<int64_t>(Result.HeadLength + LineNumberSeparator.size());
  return std::move(Result.NewText);
}

std::u16string NumberFromOne(std::u16string_view Text, TCommandState& State) {
  return AddLineNumbers(Text, 1, 1, 0, State.PrefixWidth);
}
std::u16string NumberReversed(std::u16string_view Text, TCommandState& State) {
  return AddLineNumbers(Text, 1, 1, lnoReverse, State.PrefixWidth);
}
std::u16string NumberFileLines(std::u16string_view Text, TCommandState& State) {
  return AddLineNumbers(Text, FirstFileLineNumber(State), 1, 0, State.PrefixWidth);
}
std::u16string DeleteNumbers(std::u16string_view Text, TCommandState&) {
  return DeleteLineNumbers(Text);
}
template <int32_t Step>
std::u16string ContinueBy(std::u16string_view Text, TCommandState& State) {
  return ContinueNumbering(Text, Step, State);
}
std::u16string DeleteNumberOnly(std::u16string_view Text, TCommandState&) {
  return DeleteNumberOnlyLines(Text);
}
std::u16string DeleteIndent(std::u16string_view Text, TCommandState&) {
  return DeleteIndentAfterNumber(Text);
}
std::u16string TidyAll(std::u16string_view Text, TCommandState&) {
  return DeleteIndentAfterNumber(DeleteNumberOnlyLines(Text));
}
std::u16string NumberFileLinesTidied(std::u16string_view Text, TCommandState& State) {
  return TidyAll(NumberFileLines(Text, State), State);
}

enum class TOutput : uint8_t { WriteBack, ClipboardWithHeader, Clipboard };

struct TCommand {
  UINT Id;
  std::u16string (*Run)(std::u16string_view Text, TCommandState& State);
  TOutput Output;
  bool ShiftsCaret;  // the caret follows its character past the inserted numbers
};

constexpr TCommand Commands[] = {
    {1, NumberFromOne, TOutput::WriteBack, true},
    {2, NumberReversed, TOutput::WriteBack, true},
    {3, NumberFileLines, TOutput::WriteBack, true},
    {4, DeleteNumbers, TOutput::WriteBack, false},
    {5, ContinueBy<1>, TOutput::WriteBack, true},
    {6, ContinueBy<10>, TOutput::WriteBack, true},
    {7, ContinueBy<-1>, TOutput::WriteBack, true},
    {8, ContinueBy<-10>, TOutput::WriteBack, true},
    {9, DeleteNumberOnly, TOutput::WriteBack, false},
    {10, DeleteIndent, TOutput::WriteBack, false},
    {11, TidyAll, TOutput::WriteBack, false},
    {12, NumberFileLines, TOutput::ClipboardWithHeader, false},
    {13, NumberFileLinesTidied, TOutput::ClipboardWithHeader, false},
    {14, DeleteNumbers, TOutput::Clipboard, false},
};

const TCommand* FindCommand(UINT Id) {
  for (const TCommand& Command : Commands)
    if (Command.Id == Id) return &Command;
  return nullptr;
}

// Folder (up to and including the last "\" or ":") on the first line, the file name indented
// by two blanks on the second, then the text.
std::u16string WithFileHeader(std::u16string_view Path, std::u16string_view Text) {
  const size_t Cut = Path.find_last_of(u"\\:");
  const size_t NameStart = Cut == std::u16string_view::npos ? 0 : Cut + 1;
  std::u16string Result(Path.substr(0, NameStart));
  Result += u"\r\n  ";
  Result += Path.substr(NameStart);
  Result += u"\r\n";
  Result += Text;
  return Result;
}

// Shows the menu at the mouse pointer. The chosen id, 0 when nothing was chosen, or nothing
// when the menu could not be built.
std::optional<UINT> ChooseCommand(HWND hwnd, UINT Editing) {
  TPopupMenu Top;
  if (!BuildCommandMenu(Top, Editing)) return std::nullopt;
  POINT Pointer{};
  GetCursorPos(&Pointer);
  const BOOL Choice =
      TrackPopupMenu(Top.Handle(), TPM_RETURNCMD, Pointer.x, Pointer.y, 0, hwnd, nullptr);
  return Choice > 0 ? static_cast<UINT>(Choice) : 0u;
}

}  // namespace

void ExecuteCommandMenu(HWND hwnd) {
  TRedrawGuard Redraw(hwnd);

  TCommandState State;
  State.Start = GetHostPos(hwnd, HostGetSelStart, HostPosKindFile);
  State.End = GetHostPos(hwnd, HostGetSelEnd, HostPosKindFile);
  THostScrollPos Scroll{};
  SendHost(hwnd, HostGetScrollPos, 0, AsParam(&Scroll));
  State.NothingSelected = SendHost(hwnd, HostHasSelection) == 0;
  State.CaretColumn = State.Start.X;

  const std::optional<UINT> Choice =
      ChooseCommand(hwnd, CanEditDocument(hwnd) ? MF_ENABLED : MF_GRAYED);
  if (!Choice) return;
  if (const TCommand* Command = FindCommand(*Choice)) {
    if (State.NothingSelected)
      SendHost(hwnd, HostExecCommand, HostCmdSelectAll);
    else
      SelectWholeLines(hwnd);
    const std::u16string Text = GetSelectedText(hwnd);
    const std::u16string NewText = Command->Run(Text, State);

    switch (Command->Output) {
      case TOutput::WriteBack:
        WriteBackLines(hwnd, NewText);
        break;
      case TOutput::ClipboardWithHeader:
        CopyTextToClipboard(hwnd, WithFileHeader(GetDocumentPath(hwnd), NewText));
        break;
      case TOutput::Clipboard:
        CopyTextToClipboard(hwnd, NewText);
        break;
    }

    if (State.NothingSelected) {
      SendHost(hwnd, HostExecCommand, HostCmdEndSelectAll);
      THostPos Caret = State.Start;
      const int64_t Shift = Command->ShiftsCaret ? State.PrefixWidth : 0;
      Caret.X = ClampToInt32(std::max<int64_t>(State.CaretColumn + Shift, 0));
      SetHostCaretPos(hwnd, HostPosKindFile, Caret);
    }
  }
  SendHost(hwnd, HostSetScrollPos, 0, AsParam(&Scroll));
}
