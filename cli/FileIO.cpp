#include "cli/FileIO.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <climits>
#include <cstdlib>
#include <unistd.h>
#endif

#include "cli/InputSource.h"
#include "cli/TextCodec.h"

namespace {

std::string SystemError(int Errno) {
  return std::strerror(Errno);
}

bool WriteAll(int Fd, std::string_view Bytes) {
  while (!Bytes.empty()) {
#ifdef _WIN32
    const unsigned Want = static_cast<unsigned>(std::min<size_t>(Bytes.size(), 1u << 30));
    const int Done = _write(Fd, Bytes.data(), Want);
#else
    const ssize_t Done = ::write(Fd, Bytes.data(), Bytes.size());
#endif
    if (Done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    Bytes.remove_prefix(static_cast<size_t>(Done));
  }
  return true;
}

#ifdef _WIN32
// The few system reasons a user can act on, worded like the C runtime's.
std::string WindowsError(DWORD Code) {
  switch (Code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "No such file or directory";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return "Permission denied";
    case ERROR_DISK_FULL:
      return "No space left on device";
    default:
      return "Windows error " + std::to_string(Code);
  }
}
#endif

// The folder part of Path ("." when it has none), where the temporary file is made.
std::string DirectoryOf(const std::string& Path) {
#ifdef _WIN32
  const size_t Cut = Path.find_last_of("/\\:");
  if (Cut == std::string::npos) return ".";
  return Path[Cut] == ':' ? Path.substr(0, Cut + 1) + "." : Path.substr(0, Cut + 1);
#else
  const size_t Cut = Path.find_last_of('/');
  if (Cut == std::string::npos) return ".";
  return Cut == 0 ? "/" : Path.substr(0, Cut);
#endif
}

}  // namespace

TStdoutSink::TStdoutSink() {
#ifdef _WIN32
  _setmode(1, _O_BINARY);
#endif
}

void TStdoutSink::Write(std::string_view Bytes) {
  if (!WriteAll(1, Bytes)) throw EOutputError("write error: " + SystemError(errno));
}

TAtomicFile::TAtomicFile(std::string Target) : FTarget(std::move(Target)) {
#ifdef _WIN32
  const std::string Dir = DirectoryOf(FTarget);
  for (int Attempt = 0; Attempt < 100 && FFd < 0; ++Attempt) {
    FTempName = Dir + (Dir.back() == '\\' || Dir.back() == '/' ? "" : "\\") + ".corvane-" +
                std::to_string(_getpid()) + "-" + std::to_string(Attempt) + ".tmp";
    FFd = _wopen(WideName(FTempName).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                 _S_IREAD | _S_IWRITE);
    if (FFd < 0 && errno != EEXIST) break;
  }
  if (FFd < 0) {
    throw EOutputError("cannot create temporary file in '" + Dir + "': " + SystemError(errno));
  }
#else
  // Replace what a symbolic link points to, not the link itself.
  struct stat LinkInfo;
  if (::lstat(FTarget.c_str(), &LinkInfo) == 0 && S_ISLNK(LinkInfo.st_mode)) {
    if (char* Resolved = ::realpath(FTarget.c_str(), nullptr)) {
      FTarget = Resolved;
      std::free(Resolved);
    }
  }
  const std::string Dir = DirectoryOf(FTarget);
  std::string Template = Dir + (Dir == "/" ? "" : "/") + ".corvane-XXXXXX";
  FFd = ::mkstemp(Template.data());
  if (FFd < 0) {
    throw EOutputError("cannot create temporary file in '" + Dir + "': " + SystemError(errno));
  }
  FTempName = Template;
  // The new file gets the old one's permissions, or those of any newly created file.
  struct stat Info;
  mode_t Mode;
  if (::stat(FTarget.c_str(), &Info) == 0) {
    Mode = Info.st_mode & 07777;
  } else {
    const mode_t Mask = ::umask(0);
    ::umask(Mask);
    Mode = 0666 & ~Mask;
  }
  ::fchmod(FFd, Mode);
#endif
}

TAtomicFile::~TAtomicFile() {
  Discard();
}

void TAtomicFile::Discard() noexcept {
  if (FFd >= 0) {
#ifdef _WIN32
    _close(FFd);
#else
    ::close(FFd);
#endif
    FFd = -1;
  }
  if (!FTempName.empty()) {
#ifdef _WIN32
    _wunlink(WideName(FTempName).c_str());
#else
    ::unlink(FTempName.c_str());
#endif
    FTempName.clear();
  }
}

void TAtomicFile::Write(std::string_view Bytes) {
  if (!WriteAll(FFd, Bytes)) {
    const int Errno = errno;
    Discard();
    throw EOutputError(FTarget + ": " + SystemError(Errno));
  }
}

void TAtomicFile::Commit() {
#ifdef _WIN32
  const bool Flushed = _commit(FFd) == 0 && _close(FFd) == 0;
  const int Errno = errno;
  FFd = -1;
  if (!Flushed) {
    Discard();
    throw EOutputError(FTarget + ": " + SystemError(Errno));
  }
  if (!MoveFileExW(WideName(FTempName).c_str(), WideName(FTarget).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD Code = GetLastError();
    Discard();
    throw EOutputError(FTarget + ": " + WindowsError(Code));
  }
  FTempName.clear();
#else
  int Errno = ::fsync(FFd) == 0 ? 0 : errno;
  if (::close(FFd) != 0 && Errno == 0) Errno = errno;
  FFd = -1;
  if (Errno != 0) {
    Discard();
    throw EOutputError(FTarget + ": " + SystemError(Errno));
  }
  if (::rename(FTempName.c_str(), FTarget.c_str()) != 0) {
    Errno = errno;
    Discard();
    throw EOutputError(FTarget + ": " + SystemError(Errno));
  }
  FTempName.clear();
  // Make the rename itself durable.
  const int DirFd = ::open(DirectoryOf(FTarget).c_str(), O_RDONLY | O_CLOEXEC);
  if (DirFd >= 0) {
    ::fsync(DirFd);
    ::close(DirFd);
  }
#endif
}
