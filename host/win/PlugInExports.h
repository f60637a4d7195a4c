#pragma once

// The loaded plug-in's exports and resource strings, as the host editor reads them.

#include <windows.h>

#include <string>

#include "Corvane/Corvane.h"

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

// The loaded DLL and what the host shows of it: menu text (title), status text (status line),
// toolbar glyph.
struct TLoadedPlugIn {
  HMODULE Dll = nullptr;
  TPlugInExports Exports;
  HBITMAP Glyph = nullptr;
  std::u16string MenuText;
  std::u16string StatusText;
};

// Resolves the seven exports of Dll by their plain names; a missing one stays null.
void ResolveExports(HMODULE Dll, TPlugInExports& Exports);

// Reads string Id of Module exactly (embedded line feeds included); false when it is missing.
bool LoadResourceString(HMODULE Module, UINT Id, std::u16string& Text);
