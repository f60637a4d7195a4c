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
#include "win32/Guards.h"
#include "plugin/plugin.h"

namespace {

// The menu item ids. "キャンセル" is 0, as TrackPopupMenu answers for no choice at all.
enum TCommandId : UINT {
  ciCancel = 0,
  ciNumberFromOne = 1,
  ciNumberReversed = 2,
  ciNumberFileLines = 3,
  ciDeleteNumbers = 4,
  ciContinuePlus1 = 5,
  ciContinuePlus10 = 6,
  ciContinueMinus1 = 7,
  ciContinueMinus10 = 8,
  ciDeleteNumberOnlyLines = 9,
  ciDeleteIndent = 10,
  ciTidyAll = 11,
  ciCopyFileNumbers = 12,
  ciCopyFileNumbersTidied = 13,
  ciCopyWithoutNumbers = 14,
};

// Everything one command works on; nothing of it outlives the call.
struct TCommandState {
  TEditorState Editor;      // as read before the menu
  int64_t CaretColumn = 0;  // where the caret goes back to, before the prefix shift
  int32_t PrefixWidth = 0;  // set by the insertions only
};

int32_t ClampToInt32(int64_t Value) {
  return static_cast<int32_t>(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// File line number of the first target line. With nothing selected the target is the whole
// document, so it starts at line 1 whatever line the caret is on.
int32_t FirstFileLineNumber(const TCommandState& State) {
  if (State.Editor.NothingSelected) return 1;
  const int64_t First = int64_t{MinInt(State.Editor.SelStart.Y, State.Editor.SelEnd.Y)} + 1;
  return ClampToInt32(std::max<int64_t>(First, 1));
}

// Numbers the target on from the number the user wrote before the first ":" of the text.
std::u16string ContinueNumbering(std::u16string_view Text, int32_t Step, TCommandState& State) {
  TContinueResult Result = ::ContinueNumbering(Text, Step, State.PrefixWidth);
  // The first document line lost its head and separator; the caret moves back with them.
  if (Result.RuleMet && State.Editor.SelStart.Y == 0)
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

struct TCommand {
  TCommandId Id;
  const char16_t* Text;  // the menu text
  std::u16string (*Run)(std::u16string_view Text, TCommandState& State);
  void (*Output)(HWND hwnd,
                 std::u16string_view NewText);  // into the document or onto the clipboard
  bool ShiftsCaret;  // the caret follows its character past the inserted numbers
};

constexpr TCommand Commands[] = {
    {ciNumberFromOne, u"行番号を1番から挿入", NumberFromOne, WriteBackLines, true},
    {ciNumberReversed, u"行番号を逆順に挿入", NumberReversed, WriteBackLines, true},
    {ciNumberFileLines, u"ファイル行番号を挿入", NumberFileLines, WriteBackLines, true},
    {ciDeleteNumbers, u"行番号削除", DeleteNumbers, WriteBackLines, false},
    {ciContinuePlus1, u"＋１", ContinueBy<1>, WriteBackLines, true},
    {ciContinuePlus10, u"＋１０", ContinueBy<10>, WriteBackLines, true},
    {ciContinueMinus1, u"－１", ContinueBy<-1>, WriteBackLines, true},
    {ciContinueMinus10, u"－１０", ContinueBy<-10>, WriteBackLines, true},
    {ciDeleteNumberOnlyLines, u"行番号のみの行を削除", DeleteNumberOnly, WriteBackLines, false},
    {ciDeleteIndent, u"行番号以降の余分なインデントの削除", DeleteIndent, WriteBackLines, false},
    {ciTidyAll, u"全て実行", TidyAll, WriteBackLines, false},
    {ciCopyFileNumbers, u"ファイル行番号を挿入してコピー", NumberFileLines, CopyTextWithFileHeader,
     false},
    {ciCopyFileNumbersTidied, u"ファイル行番号を挿入して整形後コピー", NumberFileLinesTidied,
     CopyTextWithFileHeader, false},
    {ciCopyWithoutNumbers, u"行番号を削除してコピー", DeleteNumbers, CopyTextToClipboard, false},
};

const TCommand* FindCommand(UINT Id) {
  for (const TCommand& Command : Commands)
    if (Command.Id == Id) return &Command;
  return nullptr;
}

// One popup menu handle; a submenu is handed to its parent once appended, and dies with it.
using TMenu = TUniqueHandle<HMENU, DestroyMenu>;

bool AppendItem(const TMenu& Menu, UINT Id, const char16_t* Text, UINT Flags) {
  return Menu && AppendMenuW(Menu.get(), Flags, Id, WideCast<const WCHAR>(Text)) != 0;
}

bool AppendSeparator(const TMenu& Menu) {
  return AppendItem(Menu, 0, u"", MF_SEPARATOR);
}

bool AppendSubmenu(const TMenu& Menu, TMenu& Sub, const char16_t* Text, UINT Flags) {
  if (!Menu || !Sub) return false;
  if (AppendMenuW(Menu.get(), Flags | MF_POPUP, ParamCast<UINT_PTR>(Sub.get()),
                  WideCast<const WCHAR>(Text)) == 0)
    return false;
  Sub.release();
  return true;
}

// A command's entry: grayed with the editing entries when it writes back; a copy never is.
bool AppendCommand(const TMenu& Menu, TCommandId Id, UINT Editing) {
  const TCommand& Command = *FindCommand(Id);
  return AppendItem(Menu, Id, Command.Text, Command.Output == WriteBackLines ? Editing : 0);
}

// The popup menu of the command; Editing is MF_ENABLED or MF_GRAYED for the entries that
// change the document. Returns false when a menu could not be built.
[[nodiscard]] bool BuildCommandMenu(const TMenu& Top, UINT Editing) {
  const auto Add = [Editing](const TMenu& Menu, TCommandId Id) {
    return AppendCommand(Menu, Id, Editing);
  };
  TMenu Insert(CreatePopupMenu()), Continue(CreatePopupMenu()), Tidy(CreatePopupMenu()),
      Copy(CreatePopupMenu());
  return Add(Continue, ciContinuePlus1) && Add(Continue, ciContinuePlus10) &&
         Add(Continue, ciContinueMinus1) && Add(Continue, ciContinueMinus10) &&

         Add(Insert, ciNumberFromOne) && Add(Insert, ciNumberReversed) &&
         Add(Insert, ciNumberFileLines) &&
         AppendSubmenu(Insert, Continue, u"先頭で指定した行番号を挿入", Editing) &&

         Add(Tidy, ciTidyAll) && AppendSeparator(Tidy) && Add(Tidy, ciDeleteNumberOnlyLines) &&
         Add(Tidy, ciDeleteIndent) &&

         Add(Copy, ciCopyFileNumbersTidied) && Add(Copy, ciCopyFileNumbers) &&
         AppendSeparator(Copy) && Add(Copy, ciCopyWithoutNumbers) &&

         AppendSubmenu(Top, Insert, u"行番号挿入", Editing) && Add(Top, ciDeleteNumbers) &&
         AppendSeparator(Top) && AppendSubmenu(Top, Tidy, u"行番号テキストの整形", Editing) &&
         AppendSeparator(Top) && AppendSubmenu(Top, Copy, u"コピー", 0) && AppendSeparator(Top) &&
         AppendItem(Top, ciCancel, u"キャンセル", 0);
}

// Shows the menu at the mouse pointer. The chosen id, 0 when nothing was chosen, or nothing
// when the menu could not be built.
std::optional<UINT> ChooseCommand(HWND hwnd, UINT Editing) {
  const TMenu Top(CreatePopupMenu());
  if (!BuildCommandMenu(Top, Editing)) return std::nullopt;
  POINT Pointer{};
  GetCursorPos(&Pointer);
  const BOOL Choice =
      TrackPopupMenu(Top.get(), TPM_RETURNCMD, Pointer.x, Pointer.y, 0, hwnd, nullptr);
  return Choice > 0 ? static_cast<UINT>(Choice) : 0u;
}

// Where the caret goes after a command on the whole document: back to its line, its column
// moved past the numbers an insertion put in front.
THostPos CaretAfter(const TCommand& Command, const TCommandState& State) {
  THostPos Caret = State.Editor.SelStart;
  const int64_t Shift = Command.ShiftsCaret ? State.PrefixWidth : 0;
  Caret.X = ClampToInt32(std::max<int64_t>(State.CaretColumn + Shift, 0));
  return Caret;
}

}  // namespace

void ExecuteCommandMenu(HWND hwnd) {
  const TRedrawOff Redraw = SuspendRedraw(hwnd);
  TCommandState State{ReadEditorState(hwnd)};
  State.CaretColumn = State.Editor.SelStart.X;

  const std::optional<UINT> Choice =
      ChooseCommand(hwnd, State.Editor.CanEdit ? MF_ENABLED : MF_GRAYED);
  if (!Choice) return;
  if (const TCommand* Command = FindCommand(*Choice)) {
    const std::u16string Text = SelectTarget(hwnd, State.Editor.NothingSelected);
    Command->Output(hwnd, Command->Run(Text, State));
    if (State.Editor.NothingSelected) EndWholeDocumentSelection(hwnd, CaretAfter(*Command, State));
  }
  SetHostScrollPos(hwnd, State.Editor.Scroll);
}
