#pragma once
// What the Windows sources of the system layer share: names as the wide strings the file
// functions take, and Windows' reasons as the messages corvane prints. Defined in
// SystemWin32.cpp.

#include <windows.h>

#include <string>

namespace sys::win {

// A UTF-8 name as the wide string the Windows file functions take.
[[nodiscard]] std::wstring WideName(const std::string& Utf8);

// The folder part of Path ("." when it has none), where a temporary file is made.
[[nodiscard]] std::string DirectoryOf(const std::string& Path);

// The errno value that says what a Windows error code says (ERROR_PATH_NOT_FOUND: ENOENT), so
// that a message reads the same on both systems; 0 when none does.
[[nodiscard]] int ErrnoOf(DWORD Code);

// The reason for a Windows error code: strerror()'s text for ErrnoOf(Code), else the
// system's own text. Sets errno to ErrnoOf(Code) (EIO when none).
[[nodiscard]] std::string Reason(DWORD Code);

}  // namespace sys::win
