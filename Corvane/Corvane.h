#pragma once

// The seven functions Corvane.dll exports to the host editor (plain names through Corvane.def;
// WINAPI, i.e. stdcall on x86). Every wParam/lParam/value argument is pointer-sized, so a
// buffer pointer reaches PlugInProc whole in the x64 build. None of them lets an exception out.

#include <windows.h>

// PlugInProc query codes.
inline constexpr UINT PlugInQueryName = 2306;       // 0x902 wParam buffer size, lParam buffer
inline constexpr UINT PlugInQueryVersion = 2308;    // 0x904 wParam buffer size, lParam buffer
inline constexpr UINT PlugInQueryFixed = 2310;      // 0x906 -> 1
inline constexpr UINT PlugInQueryUninstall = 2311;  // 0x907 -> 1 when the user answers Yes

// OnEvents flags.
inline constexpr UINT PlugInEventStoreValue = 0x400;  // keep the value as EventValue
inline constexpr UINT PlugInEventSendValue = 0x40;    // send EventValue with HostSendEventValue

// Resource ids the getters return.
inline constexpr int PlugInMenuTextId = 1;
inline constexpr int PlugInStatusTextId = 2;
inline constexpr int PlugInBitmapId = 101;

// On a failure an export reports it with OutputDebugStringW only and returns the value below.
extern "C" {
// OnCommand() — runs the command menu. On a failure: returns; the command ends where it failed,
// with redrawing on again.
void WINAPI OnCommand(HWND hwnd) noexcept;
// QueryStatus() — always -1 (true); it cannot fail.
BOOL WINAPI QueryStatus(HWND hwnd, LPARAM lParam) noexcept;
// OnEvents() — keeps and/or sends the event value. On a failure: returns; a value already kept
// stays kept.
void WINAPI OnEvents(HWND hwnd, UINT Event, LPARAM Value) noexcept;
// GetMenuTextID(), GetStatusMessageID(), GetBitmapID() — 1, 2 and 101; they cannot fail.
int WINAPI GetMenuTextID() noexcept;
int WINAPI GetStatusMessageID() noexcept;
int WINAPI GetBitmapID() noexcept;
// PlugInProc() — answers a query code (0 for an unknown one). On a failure: 0, as for "No" to
// the uninstall question.
LRESULT WINAPI PlugInProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept;
}

// The same functions as a host resolves them with GetProcAddress.
using TOnCommandProc = void(WINAPI*)(HWND);
using TQueryStatusProc = BOOL(WINAPI*)(HWND, LPARAM);
using TOnEventsProc = void(WINAPI*)(HWND, UINT, LPARAM);
using TGetIdProc = int(WINAPI*)();
using TPlugInProc = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
