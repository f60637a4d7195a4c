// The file calls of the filter on Windows: descriptors of the C runtime, file facts, the spool
// file, and -o by what its target is (device names are written directly; see FileIO.h).
#include "cli/System.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>

#include "cli/FileIO.h"
#include "cli/ReplacedFile.h"
#include "library/UtfUnit/UtfUnit.h"

namespace {

// A UTF-8 name as the wide string the Windows file functions take.
std::wstring WideName(const std::string& Utf8) {
  const std::u16string Text = Utf8ToUtf16Lenient(Utf8);
  return std::wstring(Text.begin(), Text.end());
}

// The system's own text for a Windows error code, as strerror() gives the C library's.
std::string WindowsMessage(DWORD Code) {
  wchar_t* Buffer = nullptr;
  const DWORD Length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, Code, 0, reinterpret_cast<LPWSTR>(&Buffer), 0, nullptr);
  std::u16string Text(Buffer, Buffer + Length);
  LocalFree(Buffer);
  while (!Text.empty() && (Text.back() == u'\r' || Text.back() == u'\n' || Text.back() == u' ' ||
                           Text.back() == u'.' || Text.back() == u'\u3002')) {
    Text.pop_back();
  }
  if (Text.empty()) return "Windows error " + std::to_string(Code);
  std::string Utf8;
  EncodeText(Text, teUtf8, Utf8);
  return Utf8;
}

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

// The folder part of Path ("." when it has none), where the temporary file is made.
std::string DirectoryOf(const std::string& Path) {
  const size_t Cut = Path.find_last_of("/\\:");
  if (Cut == std::string::npos) return ".";
  return Path[Cut] == ':' ? Path.substr(0, Cut + 1) + "." : Path.substr(0, Cut + 1);
}

}  // namespace

TReplacedFile::TReplacedFile(std::string Name, std::string Target, const struct stat* Existing)
    : FName(std::move(Name)), FTarget(std::move(Target)) {
  const std::string Dir = DirectoryOf(FTarget);
  (void)Existing;
  for (int Attempt = 0; Attempt < 100 && FFd < 0; ++Attempt) {
    FTempName = Dir + (Dir.back() == '\\' || Dir.back() == '/' ? "" : "\\") + ".corvane-" +
                std::to_string(_getpid()) + "-" + std::to_string(Attempt) + ".tmp";
    FFd = _wopen(WideName(FTempName).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                 _S_IREAD | _S_IWRITE);
    if (FFd < 0 && errno != EEXIST) break;
  }
  if (FFd < 0) {
    FTempName.clear();
    throw EOutputError("cannot create temporary file in '" + Dir + "': " + SystemMessage(errno));
  }
}

void TReplacedFile::Discard() noexcept {
  if (FFd >= 0) {
    sys::Close(FFd);
    FFd = -1;
  }
  if (!FTempName.empty()) {
    _wunlink(WideName(FTempName).c_str());
    FTempName.clear();
  }
}

void TReplacedFile::Commit() {
  const bool Flushed = _commit(FFd) == 0 && _close(FFd) == 0;
  const int Errno = errno;
  FFd = -1;
  if (!Flushed) Fail(FName + ": " + SystemMessage(Errno));
  if (!MoveFileExW(WideName(FTempName).c_str(), WideName(FTarget).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    Fail(FName + ": " + WindowsMessage(GetLastError()));
  }
  FTempName.clear();
}

int64_t sys::Read(int Fd, char* Buffer, size_t Size) {
  return _read(Fd, Buffer, static_cast<unsigned>(std::min<size_t>(Size, 1u << 30)));
}

int64_t sys::Write(int Fd, const char* Buffer, size_t Size) {
  return _write(Fd, Buffer, static_cast<unsigned>(std::min<size_t>(Size, 1u << 30)));
}

int sys::Close(int Fd) {
  return _close(Fd);
}

bool sys::SeekStart(int Fd) {
  return _lseeki64(Fd, 0, SEEK_SET) == 0;
}

void sys::SetBinary(int Fd) {
  _setmode(Fd, _O_BINARY);
}

int sys::OpenForReading(const std::string& Name) {
  return _wopen(WideName(Name).c_str(), _O_RDONLY | _O_BINARY);
}

bool sys::Facts(int Fd, TFileFacts& Facts) {
  struct _stat64 Info;
  if (_fstat64(Fd, &Info) != 0) return false;
  Facts.Regular = (Info.st_mode & _S_IFREG) != 0;
  Facts.Directory = (Info.st_mode & _S_IFDIR) != 0;
  Facts.Size = static_cast<int64_t>(Info.st_size);
  Facts.Modified = static_cast<int64_t>(Info.st_mtime);
  return true;
}

// Deleted by the system when closed, even after a crash.
int sys::OpenSpoolFile() {
  wchar_t Dir[MAX_PATH + 1];
  wchar_t Name[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, Dir) == 0 || GetTempFileNameW(Dir, L"cvn", 0, Name) == 0) {
    errno = EACCES;
    return -1;
  }
  const HANDLE File = CreateFileW(Name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (File == INVALID_HANDLE_VALUE) {
    DeleteFileW(Name);
    errno = EACCES;
    return -1;
  }
  const int Fd = _open_osfhandle(reinterpret_cast<intptr_t>(File), _O_BINARY);
  if (Fd < 0) CloseHandle(File);
  return Fd;
}

// The C runtime gives a program started without standard handles invalid descriptors of its
// own; nothing to fill here.
void sys::FillClosedStandardDescriptors(bool (&)[3]) {}

std::unique_ptr<TOutput> sys::OpenFileOutput(const std::string& Name) {
  if (IsWindowsDeviceName(Name)) {
    const int Fd = _wopen(WideName(Name).c_str(), _O_WRONLY | _O_BINARY);
    if (Fd < 0) throw EOutputError(Name + ": " + SystemMessage(errno));
    return DescriptorOutput(Fd, Name);
  }
  struct _stat64 Info;
  if (_wstat64(WideName(Name).c_str(), &Info) == 0 && (Info.st_mode & _S_IFDIR) != 0) {
    throw EOutputError(Name + ": " + SystemMessage(EISDIR));
  }
  return std::make_unique<TReplacedFile>(Name, Name, nullptr);
}
