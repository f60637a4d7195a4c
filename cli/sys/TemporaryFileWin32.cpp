// The temporary file of a replacement on Windows. It is marked for deletion from the moment it
// is made until the commit takes the mark off, so the system removes it however the program
// ends: an error, Ctrl-C, Ctrl-Break, a closed console, TerminateProcess. A console control
// handler lets a commit under way finish and then ends the program with STATUS_CONTROL_C_EXIT,
// never 0.
#include "cli/sys/System.h"

#include <windows.h>
#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>

#include <cerrno>
#include <cstring>

#include "cli/io/FileIO.h"
#include "cli/sys/Win32Common.h"
#include "win32/UniqueHandle.h"

using sys::win::WideName;

struct sys::TTemporaryFile::TState {
  std::wstring Name;
  DWORD Attributes = 0;  // read-only, hidden, system, ... to give it at the commit
  bool Named = false;    // the mark is off: removing it is up to us
};

namespace {

// Held while the temporary file is made and marked, and while it is committed: the control
// handler waits for both, so the file is never left named.
CRITICAL_SECTION GCommitting;

BOOL WINAPI EndOnControl(DWORD) {
  EnterCriticalSection(&GCommitting);
  // Not ExitProcess: that would run the C runtime's cleanup, whose locks the main thread may
  // hold. The system closes the handles, so the marked file goes.
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

void CatchConsoleControl() {
  static bool Caught = false;
  if (Caught) return;
  Caught = true;
  InitializeCriticalSection(&GCommitting);
  SetConsoleCtrlHandler(EndOnControl, TRUE);
}

class TCommitting {
 public:
  TCommitting() { EnterCriticalSection(&GCommitting); }
  ~TCommitting() { LeaveCriticalSection(&GCommitting); }
  TCommitting(const TCommitting&) = delete;
  TCommitting& operator=(const TCommitting&) = delete;
};

bool MarkForDeletion(HANDLE File, bool Delete) {
  FILE_DISPOSITION_INFO Info{static_cast<BOOLEAN>(Delete)};
  return SetFileInformationByHandle(File, FileDispositionInfo, &Info, sizeof Info) != 0;
}

HANDLE HandleOf(int Fd) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(Fd));
}

using TLocalMemory = TUniqueHandle<HLOCAL, LocalFree>;

// Handle's access list; Descriptor holds the memory it lies in.
bool AccessListOf(HANDLE Handle, PACL& List, TLocalMemory& Descriptor, DWORD& Error) {
  PSECURITY_DESCRIPTOR Memory = nullptr;
  Error = GetSecurityInfo(Handle, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                          &List, nullptr, &Memory);
  Descriptor = TLocalMemory(Memory);
  return Error == ERROR_SUCCESS;
}

bool SameList(const ACL* A, const ACL* B) {
  if (A == nullptr || B == nullptr) return A == B;
  return A->AclSize == B->AclSize && std::memcmp(A, B, A->AclSize) == 0;
}

// Gives Temporary the access list of Target, unless it has that list already (the same
// inherited entries, the common case): an explicit copy would cut it from its folder's.
DWORD KeepAccessList(HANDLE Temporary, const std::wstring& Target) {
  const TUniqueFile Existing(CreateFileW(
      Target.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!Existing) return GetLastError();
  PACL Wanted = nullptr, Present = nullptr;
  TLocalMemory WantedMemory, PresentMemory;
  DWORD Error = ERROR_SUCCESS;
  if (!AccessListOf(Existing.get(), Wanted, WantedMemory, Error)) return Error;
  if (!AccessListOf(Temporary, Present, PresentMemory, Error)) return Error;
  if (SameList(Wanted, Present)) return ERROR_SUCCESS;
  SECURITY_DESCRIPTOR_CONTROL Control = 0;
  DWORD Revision = 0;
  GetSecurityDescriptorControl(WantedMemory.get(), &Control, &Revision);
  const SECURITY_INFORMATION Which =
      DACL_SECURITY_INFORMATION |
      ((Control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION
                                          : UNPROTECTED_DACL_SECURITY_INFORMATION);
  return SetSecurityInfo(Temporary, SE_FILE_OBJECT, Which, nullptr, nullptr, Wanted, nullptr);
}

}  // namespace

sys::TTemporaryFile::TTemporaryFile() : FState(std::make_unique<TState>()) {}

sys::TTemporaryFile::~TTemporaryFile() {
  Discard();
}

bool sys::TTemporaryFile::Create(const std::string& Target, std::string& Reason) {
  TState& S = *FState;
  FFolder = win::DirectoryOf(Target);
  FTarget = Target;
  CatchConsoleControl();
  const std::string Prefix = FFolder +
                             (FFolder.back() == '\\' || FFolder.back() == '/' ? "" : "\\") +
                             ".corvane-" + std::to_string(_getpid());
  for (int Attempt = 0; Attempt < 100; ++Attempt) {
    const std::wstring Name = WideName(Prefix + "-" + std::to_string(Attempt) + ".tmp");
    const TCommitting Held;
    TUniqueFile File(CreateFileW(Name.c_str(), GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC, 0,
                                 nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!File) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      Reason = win::Reason(GetLastError());
      return false;
    }
    if (!MarkForDeletion(File.get(), true)) {
      Reason = win::Reason(GetLastError());
      File = TUniqueFile();
      DeleteFileW(Name.c_str());
      return false;
    }
    FFd = _open_osfhandle(reinterpret_cast<intptr_t>(File.get()), _O_BINARY);
    if (FFd < 0) {
      Reason = SystemMessage(errno);
      return false;
    }
    File.release();
    S.Name = Name;
    return true;
  }
  Reason = win::Reason(ERROR_FILE_EXISTS);
  return false;
}

bool sys::TTemporaryFile::KeepMetadataOf(const std::string& Target, std::string& Reason) {
  TState& S = *FState;
  const std::wstring Wide = WideName(Target);
  const DWORD Attributes = GetFileAttributesW(Wide.c_str());
  if (Attributes == INVALID_FILE_ATTRIBUTES) {
    Reason = win::Reason(GetLastError());
    return false;
  }
  constexpr DWORD Kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                         FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  S.Attributes = Attributes & Kept;
  if (const DWORD Error = KeepAccessList(HandleOf(FFd), Wide); Error != ERROR_SUCCESS) {
    Reason = win::Reason(Error);
    return false;
  }
  return true;
}

bool sys::TTemporaryFile::Commit(std::string& Reason, const std::string& KeepAs) {
  TState& S = *FState;
  const TCommitting Held;
  const HANDLE File = HandleOf(FFd);
  // The attributes come last: a read-only mark first would make the other changes fail.
  FILE_BASIC_INFO Basic{};
  Basic.FileAttributes = S.Attributes;
  bool Done = FlushFileBuffers(File) &&
              (S.Attributes == 0 ||
               SetFileInformationByHandle(File, FileBasicInfo, &Basic, sizeof Basic)) &&
              MarkForDeletion(File, false);
  DWORD Error = Done ? ERROR_SUCCESS : GetLastError();
  S.Named = Done;
  _close(FFd);
  FFd = -1;
  // A read-only target is replaced, as a rename replaces it on POSIX, and the new file is
  // read-only in turn; the mark is taken off just for the rename, and back on if it fails.
  const std::wstring Target = WideName(FTarget);
  const std::wstring Kept = WideName(KeepAs);
  const DWORD Old = GetFileAttributesW(Target.c_str());
  const bool ReadOnly = Old != INVALID_FILE_ATTRIBUTES && (Old & FILE_ATTRIBUTE_READONLY) != 0;
  if (Done && ReadOnly) Done = SetFileAttributesW(Target.c_str(), Old & ~FILE_ATTRIBUTE_READONLY);
  constexpr DWORD Replace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (Done && !KeepAs.empty()) {
    Done = MoveFileExW(Target.c_str(), Kept.c_str(), Replace);
    if (!Done) Error = GetLastError();
  }
  if (Done) {
    Done = MoveFileExW(S.Name.c_str(), Target.c_str(), Replace);
    if (!Done) Error = GetLastError();
    if (!Done && !KeepAs.empty()) MoveFileExW(Kept.c_str(), Target.c_str(), MOVEFILE_WRITE_THROUGH);
    // The original keeps its read-only mark where it is kept.
    if (Done && ReadOnly && !KeepAs.empty()) SetFileAttributesW(Kept.c_str(), Old);
  } else if (Error == ERROR_SUCCESS) {
    Error = GetLastError();
  }
  if (!Done && ReadOnly) SetFileAttributesW(Target.c_str(), Old);
  if (!Done) {
    Reason = win::Reason(Error);
    return false;
  }
  S.Named = false;
  return true;
}

void sys::TTemporaryFile::Discard() noexcept {
  TState& S = *FState;
  if (FFd >= 0) _close(FFd);
  FFd = -1;
  if (S.Named) {
    SetFileAttributesW(S.Name.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(S.Name.c_str());
    S.Named = false;
  }
}
