#pragma once

// Writing to the editor and the clipboard: redrawing, caret, scroll and selection changes, the
// command's target, the line-by-line write-back of a new text, and the clipboard copies. Each
// routine but CopyTextToClipboard sends the host messages of plugin/plugin.h to hwnd.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "win32/Guards.h"
#include "plugin/plugin.h"

// SuspendRedraw() — the editor stops redrawing until the returned guard is gone.
[[nodiscard]] TRedrawOff SuspendRedraw(HWND hwnd);
// SetHostCaretPos() — the caret goes to Pos (of the given kind), nothing stays selected.
void SetHostCaretPos(HWND hwnd, uint32_t Kind, THostPos Pos);
// SetHostScrollPos() — the view goes back to a record HostGetScrollPos gave.
void SetHostScrollPos(HWND hwnd, THostScrollPos Scroll);

// SelectWholeLines() — widens the selection to whole lines: from the start of its first line
// to the start of the line after its last one (or the end of the document), keeping the end
// the caret is at. A selection over several lines ending at column 0 keeps that end.
void SelectWholeLines(HWND hwnd);
// RestoreSelectionDirection() — reselects the current selection with the caret at its end
// (CaretAtEnd) or at its start.
void RestoreSelectionDirection(HWND hwnd, bool CaretAtEnd);
// ApplySelection() — selects Anchor..Active (kind 0), or only places the caret when they meet.
void ApplySelection(HWND hwnd, THostPos Anchor, THostPos Active);

// SelectTarget() — selects the command's target and returns its text: the whole document
// (host command 4136) when WholeDocument, else the selection widened by SelectWholeLines.
[[nodiscard]] std::u16string SelectTarget(HWND hwnd, bool WholeDocument);
// EndWholeDocumentSelection() — ends SelectTarget's whole-document selection (host command
// 4187) and puts the caret at Caret (kind 2).
void EndWholeDocumentSelection(HWND hwnd, THostPos Caret);

// WriteBackLines() — replaces the selected lines by NewText, line by line: only the lines that
// differ are replaced (a line ending in CR LF on both sides keeps its break untouched), equal
// lines are only stepped over, surplus lines are inserted or deleted in one go. Afterwards
// NewText is selected, with the caret at the end it was at before.
// Throws EHostAnswerError, before changing anything, when the host's answers are impossible.
void WriteBackLines(HWND hwnd, std::u16string_view NewText);

// CopyTextToClipboard() — places Text on the clipboard as CF_UNICODETEXT and as CF_TEXT in the
// system's ANSI code page. An empty text, or a clipboard that cannot be opened, changes
// nothing. hwnd is not used.
void CopyTextToClipboard(HWND hwnd, std::u16string_view Text);
// CopyTextWithFileHeader() — CopyTextToClipboard of the document's folder (its path up to and
// including the last "\" or ":"), CR LF, two blanks, the file name, CR LF, then Text.
void CopyTextWithFileHeader(HWND hwnd, std::u16string_view Text);
