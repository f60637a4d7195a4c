#pragma once

// A file of the Windows test host opened with CreateFileW and closed on every way out. The guard
// kit's TUniqueHandle takes null as empty, CreateFileW fails with INVALID_HANDLE_VALUE, so
// OpenFile turns that failure into the kit's empty handle.

#include <windows.h>

#include <string>

#include "plugin/Win32Guards.h"

using TFileHandle = TUniqueHandle<HANDLE, CloseHandle>;

// CreateFileW without security attributes or template; false (empty) when it failed.
inline TFileHandle OpenFile(const std::wstring& Name, DWORD Access, DWORD Share, DWORD Disposition,
                            DWORD Attributes) {
  HANDLE File = CreateFileW(Name.c_str(), Access, Share, nullptr, Disposition, Attributes, nullptr);
  return TFileHandle(File == INVALID_HANDLE_VALUE ? nullptr : File);
}
