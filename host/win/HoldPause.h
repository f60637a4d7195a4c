#pragma once

// The pauses of --hold and --pointer: the window held on screen, announced for screenshots.

#include <windows.h>

#include <string>

// --hold: how long each pause lasts, and the file where each pause is announced.
struct THoldSettings {
  DWORD Ms = 0;
  std::wstring Note;
};

// Appends "Stage left top right bottom" to the --hold-note file: the screen rectangle of the
// host window together with the popup menus shown at the moment (for screenshots).
void NoteHold(const char* Stage);

// With --hold: keeps the window shown and served for Hold.Ms milliseconds, announcing the
// pause once it has painted.
void HoldWindow(const char* Stage);

// Puts the mouse pointer at a client position of the host window (the popup menu opens there).
void PlacePointer(int X, int Y);
