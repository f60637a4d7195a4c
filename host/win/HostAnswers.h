#pragma once

// The document's answers to the plug-in's host messages (2049-2106) at the editor window.

#include <windows.h>

#include <string>

// --fault: a host answer made wrong on purpose, to see the plug-in end its command cleanly.
struct THostFaults {
  std::string Name;  // "sellength", "caretpos" or empty
  int Injected = 0;
};

// True for the ids of the host message set, which the document answers.
bool IsHostMessage(UINT Msg);

// Answers one host message from the host's HostDocument (or wrongly, as --fault asks) and
// repaints the window when the document's redrawing is on.
LRESULT AnswerHostMessage(HWND Window, UINT Msg, WPARAM wParam, LPARAM lParam);
