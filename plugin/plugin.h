#pragma once

// The host editor's message set as the plug-in uses it: message numbers, host command ids, the
// records exchanged through wParam / lParam and the two casts that carry text and records across.
// Plain numbers and standard-layout structs, so that the plug-in and any model of the host
// (host/HostDocument) read the same definitions; nothing here needs <windows.h>.

#include <cstdint>
#include <type_traits>

// Host editor messages, sent with SendMessageW to the editor window.
inline constexpr uint32_t HostQueryCommand =
    2049;  // 0x801 wParam command id, lParam 1-byte scratch
inline constexpr uint32_t HostSendEventValue = 2050;  // 0x802 wParam event value
inline constexpr uint32_t HostGetLineCount = 2052;    // 0x804 wParam kind -> line count
inline constexpr uint32_t HostGetCaretPos = 2054;     // 0x806 wParam kind, lParam THostPos out
inline constexpr uint32_t HostGetScrollPos = 2057;    // 0x809 lParam THostScrollPos out
inline constexpr uint32_t HostConvertPos = 2062;      // 0x80E wParam THostPos kind 2, lParam kind 0
inline constexpr uint32_t HostSetCaretPos = 2066;     // 0x812 wParam kind, lParam THostPos in
inline constexpr uint32_t HostSetScrollPos = 2067;    // 0x813 lParam THostScrollPos in
inline constexpr uint32_t HostExecCommand = 2070;     // 0x816 wParam command id
inline constexpr uint32_t HostGetSelStart = 2074;     // 0x81A wParam kind, lParam THostPos out
inline constexpr uint32_t HostGetSelEnd = 2075;       // 0x81B wParam kind, lParam THostPos out
inline constexpr uint32_t HostSelectChars = 2076;     // 0x81C wParam count of UTF-16 units
inline constexpr uint32_t HostSetSelection = 2081;    // 0x821 wParam anchor, lParam active (kind 0)
inline constexpr uint32_t HostSetRedraw = 2092;       // 0x82C wParam 0 off, 1 on
inline constexpr uint32_t HostHasSelection = 2093;    // 0x82D -> 0 when nothing is selected
inline constexpr uint32_t HostGetSelText = 2094;      // 0x82E wParam size in chars, lParam buffer
inline constexpr uint32_t HostGetLineText = 2095;  // 0x82F wParam THostLineRequest, lParam buffer
inline constexpr uint32_t HostReplaceSel = 2100;   // 0x834 lParam zero-ended text
inline constexpr uint32_t HostGetDocInfo = 2106;   // 0x83A wParam info code, lParam buffer

// Position kinds passed in wParam: the host's own view positions, or the document's lines.
inline constexpr uint32_t HostPosKindView = 0;
inline constexpr uint32_t HostPosKindFile = 2;

// Host command ids, queried with HostQueryCommand and run with HostExecCommand.
inline constexpr uint32_t HostCmdSelectAll = 4136;     // 0x1028 select the whole document
inline constexpr uint32_t HostCmdEndSelectAll = 4187;  // 0x105B end that selection
inline constexpr uint32_t HostCmdCanEdit = 4201;       // 0x1069 available when editable

// HostGetDocInfo: info code for the document's full path and the size of its buffer.
inline constexpr uint32_t HostDocInfoFullPath = 280;  // 0x118
inline constexpr int32_t HostDocPathLength = 261;     // buffer the host may fill, zero included

// A document position: column X, then line Y, both from 0.
struct THostPos {
  int32_t X;
  int32_t Y;
};

// HostGetLineText's request: buffer length in characters (0 in the first call), options,
// line index (kind 2).
struct THostLineRequest {
  int32_t Length;
  int32_t Options;
  int32_t Line;
};

// HostGetScrollPos / HostSetScrollPos record; the plug-in treats it as opaque.
struct THostScrollPos {
  int32_t Column;
  int32_t Row;
};

static_assert(sizeof(THostPos) == 8);
static_assert(sizeof(THostLineRequest) == 12);
static_assert(sizeof(THostScrollPos) == 8);

// The one place where UTF-16 text changes its C++ type on its way into or out of Win32:
// WCHAR is wchar_t on Windows and char16_t in the fake of native tests, both 16-bit units.
// WideCast<const WCHAR>(Text.c_str()), WideCast<char16_t>(Buffer).
template <typename To, typename From>
[[nodiscard]] To* WideCast(From* P) noexcept {
  static_assert(sizeof(To) == 2 && sizeof(From) == 2, "16-bit text units only");
  return reinterpret_cast<To*>(P);
}

// The one cast between a pointer and a pointer-sized message argument (WPARAM, LPARAM, a
// submenu's item id): ParamCast<LPARAM>(&Pos), ParamCast<LPSTR>(lParam).
template <typename To, typename From>
[[nodiscard]] To ParamCast(From Value) noexcept {
  static_assert(sizeof(To) == sizeof(void*) && sizeof(From) == sizeof(void*), "pointer-sized only");
  static_assert(std::is_pointer_v<To> != std::is_pointer_v<From>, "a pointer on one side only");
  return reinterpret_cast<To>(Value);
}
