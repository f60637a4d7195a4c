#pragma once

#include <windows.h>

// The plug-in's one command: pops up the line-number menu at the mouse pointer over the editor
// window hwnd and runs the chosen item on the selected lines (or the whole document).
// May throw on a failure; the export that calls it catches everything.
void ExecuteCommandMenu(HWND hwnd);
