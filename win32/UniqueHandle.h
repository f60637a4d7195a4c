#pragma once

// A Win32 handle and the call that closes it, closed on every way out. What counts as empty is a
// template parameter: null for most handles, INVALID_HANDLE_VALUE (or null) for the files of
// CreateFileW and the searches of FindFirstFileExW, which fail with that value.

#include <windows.h>

#include <cstddef>
#include <utility>

// Null is empty: menus, global blocks, GDI objects, kernel objects of CreateEventW and the like.
struct TNullIsEmpty {
  static constexpr std::nullptr_t Value() noexcept { return nullptr; }
  template <typename H>
  static constexpr bool IsEmpty(H Handle) noexcept {
    return Handle == nullptr;
  }
};

// INVALID_HANDLE_VALUE is empty, and null too, since neither may be closed.
struct TInvalidIsEmpty {
  static HANDLE Value() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsEmpty(HANDLE Handle) noexcept {
    return Handle == INVALID_HANDLE_VALUE || Handle == nullptr;
  }
};

// TUniqueHandle<HMENU, DestroyMenu> — closes its handle unless it is empty or release() gave it
// away (SetClipboardData took the block, AppendMenuW took the submenu).
template <typename H, auto Close, typename TEmpty = TNullIsEmpty>
class TUniqueHandle {
 public:
  TUniqueHandle() noexcept : FHandle(TEmpty::Value()) {}
  explicit TUniqueHandle(H Handle) noexcept : FHandle(Handle) {}
  TUniqueHandle(TUniqueHandle&& Other) noexcept : FHandle(Other.release()) {}
  TUniqueHandle& operator=(TUniqueHandle Other) noexcept {  // the old handle closes with Other
    std::swap(FHandle, Other.FHandle);
    return *this;
  }
  ~TUniqueHandle() {
    if (!TEmpty::IsEmpty(FHandle)) Close(FHandle);
  }
  [[nodiscard]] H get() const noexcept { return FHandle; }
  H release() noexcept { return std::exchange(FHandle, TEmpty::Value()); }
  explicit operator bool() const noexcept { return !TEmpty::IsEmpty(FHandle); }

 private:
  H FHandle;
};

// The handles more than one place of ours holds.
using TUniqueGlobal = TUniqueHandle<HGLOBAL, GlobalFree>;                 // GlobalAlloc
using TUniqueFile = TUniqueHandle<HANDLE, CloseHandle, TInvalidIsEmpty>;  // CreateFileW
using TUniqueFind = TUniqueHandle<HANDLE, FindClose, TInvalidIsEmpty>;    // FindFirstFileExW
