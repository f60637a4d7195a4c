#pragma once

// Editor text helpers: the exchanges with the host editor that the rest of the plug-in needs,
// each built from the host messages of plugin/plugin.h and sent to the editor window hwnd.

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "plugin/plugin.h"

// The longest text accepted from the host's two-call protocol, in UTF-16 units (512 MiB).
// A longer or negative length is an answer no editor gives; reading stops there.
inline constexpr int64_t HostTextLimit = int64_t{1} << 28;

// Raised when the host answers something impossible (a negative or absurd text length, a
// negative position). Ends the current command before anything is written to the document.
class EHostAnswerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Options of GetLineText, summed into the request's options field.
enum TLineOption : uint8_t {
  loDocumentLine = 1,  // the document's own line (the only option the plug-in uses)
  loLineBreak = 2,     // the line together with its line break
};
using TLineOptions = uint8_t;

// One synchronous message to the editor window.
LRESULT SendHost(HWND hwnd, uint32_t Msg, WPARAM wParam = 0, LPARAM lParam = 0);
// HostGetSelStart / HostGetSelEnd / HostGetCaretPos in the given position kind.
[[nodiscard]] THostPos GetHostPos(HWND hwnd, uint32_t Msg, uint32_t Kind);
// HostSetCaretPos: the caret goes to Pos (of the given kind), nothing stays selected.
void SetHostCaretPos(HWND hwnd, uint32_t Kind, THostPos Pos);

// GetSelectedText() — the selected text, by the two-call protocol; cut at a zero character.
// Throws EHostAnswerError when the host reports a negative or absurd length.
[[nodiscard]] std::u16string GetSelectedText(HWND hwnd);
// GetLineText() — the text of document line Line (kind 2), by the two-call protocol.
[[nodiscard]] std::u16string GetLineText(HWND hwnd, int32_t Line, TLineOptions Options);
// SelectWholeLines() — widens the selection to whole lines: from the start of its first line
// to the start of the line after its last one (or the end of the document), keeping the end
// the caret is at. A selection over several lines ending at column 0 keeps that end.
void SelectWholeLines(HWND hwnd);
// IsCaretAtSelectionEnd() — true when the caret is at the later end of a non-empty selection.
[[nodiscard]] bool IsCaretAtSelectionEnd(HWND hwnd);
// RestoreSelectionDirection() — reselects the current selection with the caret at its end
// (CaretAtEnd) or at its start.
void RestoreSelectionDirection(HWND hwnd, bool CaretAtEnd);
// ApplySelection() — selects Anchor..Active (kind 0), or only places the caret when they meet.
void ApplySelection(HWND hwnd, THostPos Anchor, THostPos Active);
// SamePos() — X and Y both equal.
[[nodiscard]] bool SamePos(THostPos A, THostPos B);
// GetDocumentPath() — the document's full path; empty for a document without a file.
[[nodiscard]] std::u16string GetDocumentPath(HWND hwnd);
// MinInt() — the smaller of A and B.
[[nodiscard]] int32_t MinInt(int32_t A, int32_t B);
