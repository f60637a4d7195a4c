#pragma once

// The editor window of the Windows test host and THostApp, the one host of this process: a
// real top-level window whose procedure hands the host messages to the document's answers
// (HostAnswers.h), shows the plug-in's menu text (title), status text (status line) and toolbar
// bitmap (a button that runs OnCommand), and paints the document. The other jobs keep their
// state in THostApp by job: the plug-in (PlugInExports.h), the popup menu (MenuDriver.h), the
// message box (BoxAnswerer.h), the pauses (HoldPause.h) and the faults (HostAnswers.h).

#include <windows.h>

#include <string>

#include "host/HostDocument.h"
#include "host/win/BoxAnswerer.h"
#include "host/win/DebugCapture.h"
#include "host/win/HoldPause.h"
#include "host/win/HostAnswers.h"
#include "host/win/MenuDriver.h"
#include "host/win/PlugInExports.h"
#include "win32/Guards.h"

using TFontHandle = TUniqueHandle<HFONT, DeleteObject>;

struct THostApp {
  HostDocument Doc;
  TMenuDriver Menu;
  TBoxAnswerer Box;
  TLoadedPlugIn PlugIn;
  THostFaults Faults;
  THoldSettings Hold;
  HWND Window = nullptr;
  HWND Button = nullptr;
  int CommandRuns = 0;
  // --window and --font: the window's outer size and the document's typeface (16 pixels).
  int WindowWidth = 640;
  int WindowHeight = 480;
  std::wstring FontFace;
  TFontHandle DocumentFont;
};

// The one host of this process; the window procedure reaches it through here.
THostApp& App();

// Registers the class and creates the shown editor window titled after the plug-in's menu text.
HWND CreateHostWindow();

// Runs the plug-in's command once, as the host's toolbar button does.
void RunPlugInCommand();
