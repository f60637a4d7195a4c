#pragma once

// Writing a transformed text back into the document, and copying a text to the clipboard.

#include <windows.h>

#include <string_view>

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
