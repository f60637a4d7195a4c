// The facts of what -o names on Windows: device names, files reached through symbolic links,
// hard links, and the descriptors corvane holds.
#include "cli/sys/System.h"

#include <windows.h>
#include <winioctl.h>

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <io.h>

#include "cli/sys/Win32Common.h"
#include "cli/io/TextCodec.h"
#include "library/UtfUnit/UtfUnit.h"
#include "win32/UniqueHandle.h"

using sys::win::WideName;

namespace {

// NUL, CON, PRN, AUX, COM1-9 and LPT1-9, in any folder and with any extension: devices.
bool IsWindowsDeviceName(const std::string& Name) {
  const size_t Cut = Name.find_last_of("/\\:");
  std::string Base = Name.substr(Cut == std::string::npos ? 0 : Cut + 1);
  Base = Base.substr(0, Base.find('.'));
  while (!Base.empty() && Base.back() == ' ') Base.pop_back();
  for (char& C : Base) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
  if (Base == "NUL" || Base == "CON" || Base == "PRN" || Base == "AUX") return true;
  return Base.size() == 4 && (Base.compare(0, 3, "COM") == 0 || Base.compare(0, 3, "LPT") == 0) &&
         Base[3] >= '1' && Base[3] <= '9';
}

std::string Utf8Of(std::wstring_view Wide) {
  std::string Utf8;
  EncodeText(std::u16string_view(reinterpret_cast<const char16_t*>(Wide.data()), Wide.size()),
             teUtf8, Utf8);
  return Utf8;
}

sys::TFileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& Info) {
  return {true, Info.dwVolumeSerialNumber,
          static_cast<uint64_t>(Info.nFileIndexHigh) << 32 | Info.nFileIndexLow};
}

// The path of the file Handle is open on, links resolved, without the \\?\ prefix where a
// plain path says the same; "" when the system does not tell.
std::string FinalPath(HANDLE Handle) {
  std::wstring Path(MAX_PATH, L'\0');
  DWORD Length = GetFinalPathNameByHandleW(Handle, Path.data(), MAX_PATH, FILE_NAME_NORMALIZED);
  if (Length >= MAX_PATH) {
    Path.resize(Length);
    Length = GetFinalPathNameByHandleW(Handle, Path.data(), Length, FILE_NAME_NORMALIZED);
  }
  if (Length == 0 || Length >= Path.size()) return "";
  Path.resize(Length);
  if (Path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return Utf8Of(L"\\\\" + Path.substr(8));
  if (Path.compare(0, 4, L"\\\\?\\") == 0 && Length < MAX_PATH) return Utf8Of(Path.substr(4));
  return Utf8Of(Path);
}

// The reparse data of a symbolic link or junction; its names are counted in bytes.
struct TLinkData {
  DWORD Tag;
  WORD DataLength;
  WORD Reserved;
  WORD SubstituteOffset;
  WORD SubstituteLength;
  WORD PrintOffset;
  WORD PrintLength;
};

// Where the symbolic link Name points, as written there; "" when it is none or unreadable.
std::string LinkText(const std::wstring& Name) {
  const TUniqueFile Link(CreateFileW(
      Name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  alignas(8) char Buffer[MAXIMUM_REPARSE_DATA_BUFFER_SIZE];
  DWORD Size = 0;
  if (!Link || !DeviceIoControl(Link.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, Buffer,
                                sizeof Buffer, &Size, nullptr)) {
    return "";
  }
  const auto* Data = reinterpret_cast<const TLinkData*>(Buffer);
  // A symbolic link's names follow a flags field that a junction lacks.
  size_t Names = sizeof(TLinkData);
  if (Data->Tag == IO_REPARSE_TAG_SYMLINK) {
    Names += sizeof(ULONG);
  } else if (Data->Tag != IO_REPARSE_TAG_MOUNT_POINT) {
    return "";
  }
  if (Names + Data->PrintOffset + Data->PrintLength > Size) return "";
  const auto* Text = reinterpret_cast<const wchar_t*>(Buffer + Names + Data->PrintOffset);
  return Utf8Of(std::wstring_view(Text, Data->PrintLength / sizeof(wchar_t)));
}

}  // namespace

sys::TTargetFacts sys::InspectTarget(const std::string& Name) {
  TTargetFacts Facts;
  Facts.Final = Name;
  if (IsWindowsDeviceName(Name)) {
    Facts.Kind = fkDevice;
    return Facts;
  }
  const std::wstring Wide = WideName(Name);
  const TUniqueFile File(CreateFileW(Wide.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!File) {
    const DWORD Error = GetLastError();
    const DWORD Own = GetFileAttributesW(Wide.c_str());
    if (Error == ERROR_FILE_NOT_FOUND && Own != INVALID_FILE_ATTRIBUTES &&
        (Own & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      Facts.Dangling = true;
      Facts.PointsTo = LinkText(Wide);
    } else if (Error != ERROR_FILE_NOT_FOUND && Error != ERROR_PATH_NOT_FOUND) {
      Facts.Error = win::ErrnoOf(Error) != 0 ? win::ErrnoOf(Error) : EACCES;
    }
    return Facts;
  }
  const DWORD Type = GetFileType(File.get());
  if (Type != FILE_TYPE_DISK) {
    Facts.Kind = Type == FILE_TYPE_PIPE ? fkFifo : fkDevice;
    return Facts;
  }
  BY_HANDLE_FILE_INFORMATION Info;
  if (!GetFileInformationByHandle(File.get(), &Info)) {
    Facts.Error = win::ErrnoOf(GetLastError()) != 0 ? win::ErrnoOf(GetLastError()) : EACCES;
    return Facts;
  }
  Facts.Identity = IdentityOf(Info);
  Facts.Links = Info.nNumberOfLinks;
  if ((Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    Facts.Kind = fkDirectory;
    return Facts;
  }
  Facts.Kind = fkRegular;
  // Through a symbolic link, the file it reaches is what gets replaced.
  if (std::string Final = FinalPath(File.get()); !Final.empty()) Facts.Final = std::move(Final);
  return Facts;
}

sys::TFileIdentity sys::DescriptorIdentity(int Fd) {
  const auto Handle = reinterpret_cast<HANDLE>(_get_osfhandle(Fd));
  BY_HANDLE_FILE_INFORMATION Info;
  if (Handle == INVALID_HANDLE_VALUE || GetFileType(Handle) != FILE_TYPE_DISK ||
      !GetFileInformationByHandle(Handle, &Info)) {
    return {};
  }
  return IdentityOf(Info);
}

// Windows has no names for descriptors.
int sys::SpelledDescriptor(const std::string&) {
  return -1;
}

int sys::Duplicate(int Fd) {
  return _dup(Fd);
}

int sys::OpenForWriting(const std::string& Name) {
  return _wopen(WideName(Name).c_str(), _O_WRONLY | _O_BINARY);
}
