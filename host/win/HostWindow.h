#pragma once

// The editor window of the Windows test host: a real top-level window whose procedure answers
// the host editor messages from a HostDocument, shows the plug-in's menu text (title), status
// text (status line) and toolbar bitmap (a button that runs OnCommand), paints the document,
// drives the popup menu (TMenuDriver) and answers the plug-in's message box (TBoxAnswerer).

#include <windows.h>

#include <string>
#include <vector>

#include "Corvane/Corvane.h"
#include "host/HostDocument.h"
#include "host/win/MenuDriver.h"

// Finds the message box the plug-in shows over the owner, records what it says and presses
// Yes or No. Checked on a timer, which the box's modal loop dispatches to the owner.
class TBoxAnswerer {
 public:
  void Arm(HWND Owner, bool AnswerYes);
  void Disarm(HWND Owner);
  void OnTimer(HWND Owner);

  static constexpr UINT_PTR TimerId = 0xC0A2;

  [[nodiscard]] bool Seen() const { return FSeen; }
  [[nodiscard]] const std::u16string& Caption() const { return FCaption; }
  [[nodiscard]] const std::u16string& Text() const { return FText; }
  [[nodiscard]] const std::string& Buttons() const {
    return FButtons;
  }                                                                // ids of the visible buttons
  [[nodiscard]] const std::string& Icon() const { return FIcon; }  // "question", "other", "none"
  [[nodiscard]] int Ticks() const { return FTicks; }

 private:
  bool FArmed = false;
  bool FAnswerYes = false;
  bool FSeen = false;
  int FTicks = 0;
  std::u16string FCaption;
  std::u16string FText;
  std::string FButtons;
  std::string FIcon;
};

// Exports of the loaded DLL, resolved by name.
struct TPlugInExports {
  TOnCommandProc OnCommand = nullptr;
  TQueryStatusProc QueryStatus = nullptr;
  TOnEventsProc OnEvents = nullptr;
  TGetIdProc GetMenuTextID = nullptr;
  TGetIdProc GetStatusMessageID = nullptr;
  TGetIdProc GetBitmapID = nullptr;
  TPlugInProc PlugInProc = nullptr;
};

struct THostApp {
  HostDocument Doc;
  TMenuDriver Menu;
  TBoxAnswerer Box;
  HMODULE Dll = nullptr;
  TPlugInExports Exports;
  HWND Window = nullptr;
  HWND Button = nullptr;
  HBITMAP Glyph = nullptr;
  std::u16string MenuText;
  std::u16string StatusText;
  int CommandRuns = 0;
  // --fault: a host answer made wrong on purpose, to see the plug-in end its command cleanly.
  std::string Fault;
  int FaultsInjected = 0;
  // OutputDebugString text of this process (the plug-in's failure reports).
  std::vector<std::u16string> DebugOutput;
  // --hold: pauses with the window shown, and the file where each pause is announced.
  DWORD HoldMs = 0;
  std::wstring HoldNote;
  // --window and --font: the window's outer size and the document's typeface (16 pixels).
  int WindowWidth = 640;
  int WindowHeight = 480;
  std::wstring FontFace;
  HFONT DocumentFont = nullptr;
};

// Resolves the seven exports of Dll by their plain names; a missing one stays null.
void ResolveExports(HMODULE Dll, TPlugInExports& Exports);

// The one host of this process; the window procedure reaches it through here.
THostApp& App();

// Reads string Id of Module exactly (embedded line feeds included); false when it is missing.
bool LoadResourceString(HMODULE Module, UINT Id, std::u16string& Text);

// Catches the debug-output exceptions OutputDebugString raises, so the report can show what
// the plug-in wrote there; the exceptions then go on to the system's own handler.
void CaptureDebugOutput();

// Registers the class and creates the shown editor window titled after the plug-in's menu text.
HWND CreateHostWindow();

// Runs the plug-in's command once, as the host's toolbar button does.
void RunPlugInCommand();

// Appends "Stage left top right bottom" to the --hold-note file: the screen rectangle of the
// host window together with the popup menus shown at the moment (for screenshots).
void NoteHold(const char* Stage);

// With --hold: keeps the window shown and served for HoldMs milliseconds, announcing the
// pause once it has painted.
void HoldWindow(const char* Stage);

// Puts the mouse pointer at a client position of the host window (the popup menu opens there).
void PlacePointer(int X, int Y);
