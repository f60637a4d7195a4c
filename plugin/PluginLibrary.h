#pragma once

// Reading from the editor: positions, the selected text, a line, the caret's end of the
// selection, the document's path and what the command asks before its menu. Nothing here
// changes the editor; each routine sends the host messages of plugin/plugin.h to hwnd.

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

// HostGetSelStart / HostGetSelEnd / HostGetCaretPos in the given position kind.
// Throws EHostAnswerError for a negative position.
[[nodiscard]] THostPos GetHostPos(HWND hwnd, uint32_t Msg, uint32_t Kind);
// GetSelectedText() — the selected text, by the two-call protocol; cut at a zero character.
// Throws EHostAnswerError when the host reports a negative or absurd length.
[[nodiscard]] std::u16string GetSelectedText(HWND hwnd);
// GetLineText() — the text of document line Line (kind 2), by the two-call protocol.
[[nodiscard]] std::u16string GetLineText(HWND hwnd, int32_t Line, TLineOptions Options);
// IsCaretAtSelectionEnd() — true when the caret is at the later end of a non-empty selection.
[[nodiscard]] bool IsCaretAtSelectionEnd(HWND hwnd);
// SamePos() — X and Y both equal.
[[nodiscard]] bool SamePos(THostPos A, THostPos B);
// GetDocumentPath() — the document's full path; empty for a document without a file.
[[nodiscard]] std::u16string GetDocumentPath(HWND hwnd);
// MinInt() — the smaller of A and B.
[[nodiscard]] int32_t MinInt(int32_t A, int32_t B);
// CanEditDocument() — whether the host offers command 4201; only a low byte of 1 means yes.
[[nodiscard]] bool CanEditDocument(HWND hwnd);

// What the command reads before its menu.
struct TEditorState {
  THostPos SelStart{};           // kind 2; the caret when nothing is selected
  THostPos SelEnd{};             // kind 2
  THostScrollPos Scroll{};       // given back with SetHostScrollPos at the end
  bool NothingSelected = false;  // HostHasSelection answered 0
  bool CanEdit = false;          // CanEditDocument
};
// ReadEditorState() — the fields above, asked in their order.
[[nodiscard]] TEditorState ReadEditorState(HWND hwnd);
