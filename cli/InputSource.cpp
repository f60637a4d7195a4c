#include "cli/InputSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "cli/StdDescriptors.h"
#include "cli/TextCodec.h"

namespace {

#ifdef _WIN32
using TStat = struct _stat64;
int StatFd(int Fd, TStat& Info) {
  return _fstat64(Fd, &Info);
}
bool IsRegular(const TStat& Info) {
  return (Info.st_mode & _S_IFREG) != 0;
}
bool IsDirectory(const TStat& Info) {
  return (Info.st_mode & _S_IFDIR) != 0;
}
int64_t ReadFd(int Fd, char* Buffer, size_t Size) {
  return _read(Fd, Buffer, static_cast<unsigned>(std::min<size_t>(Size, 1u << 30)));
}
int64_t WriteFd(int Fd, const char* Buffer, size_t Size) {
  return _write(Fd, Buffer, static_cast<unsigned>(std::min<size_t>(Size, 1u << 30)));
}
bool SeekStart(int Fd) {
  return _lseeki64(Fd, 0, SEEK_SET) == 0;
}
void CloseFd(int Fd) {
  _close(Fd);
}
int64_t ModifiedTime(const TStat& Info) {
  return static_cast<int64_t>(Info.st_mtime);
}

// An anonymous temporary file: deleted by the system when closed, even after a crash.
int OpenTemporaryFile() {
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
#else
using TStat = struct stat;
int StatFd(int Fd, TStat& Info) {
  return ::fstat(Fd, &Info);
}
bool IsRegular(const TStat& Info) {
  return S_ISREG(Info.st_mode);
}
bool IsDirectory(const TStat& Info) {
  return S_ISDIR(Info.st_mode);
}
int64_t ReadFd(int Fd, char* Buffer, size_t Size) {
  return ::read(Fd, Buffer, Size);
}
int64_t WriteFd(int Fd, const char* Buffer, size_t Size) {
  return ::write(Fd, Buffer, Size);
}
bool SeekStart(int Fd) {
  return ::lseek(Fd, 0, SEEK_SET) == 0;
}
void CloseFd(int Fd) {
  ::close(Fd);
}
int64_t ModifiedTime(const TStat& Info) {
  return static_cast<int64_t>(Info.st_mtim.tv_sec) * 1000000000 + Info.st_mtim.tv_nsec;
}

// An anonymous temporary file in $TMPDIR (or /tmp): unlinked at once, so nothing is left
// behind whatever ends the program.
int OpenTemporaryFile() {
  const char* Dir = std::getenv("TMPDIR");
  std::string Template =
      std::string(Dir != nullptr && *Dir != '\0' ? Dir : "/tmp") + "/.corvane-spool-XXXXXX";
  const int Fd = ::mkostemp(Template.data(), O_CLOEXEC);
  if (Fd >= 0) ::unlink(Template.c_str());
  return Fd;
}
#endif

// Reads until Size bytes or the end; retries interrupted reads.
size_t ReadRetrying(int Fd, char* Buffer, size_t Size, const std::string& Name) {
  for (;;) {
    const int64_t Got = ReadFd(Fd, Buffer, Size);
    if (Got >= 0) return static_cast<size_t>(Got);
    if (errno != EINTR) throw EInputError(Name + ": " + std::strerror(errno));
  }
}

}  // namespace

#ifdef _WIN32
std::wstring WideName(const std::string& Utf8) {
  const std::u16string Text = Utf8ToUtf16Lenient(Utf8);
  return std::wstring(Text.begin(), Text.end());
}
#endif

TFileSource::~TFileSource() {
  if (FOwned && FFd >= 0) CloseFd(FFd);
}

bool TFileSource::Open(const std::string& Name, std::string& Error) {
  FName = Name;
  if (Name == "-") {
    if (StandardDescriptorClosed(0)) {
      Error = std::strerror(EBADF);
      return false;
    }
#ifdef _WIN32
    _setmode(0, _O_BINARY);
#endif
    FFd = 0;
    FOwned = false;
  } else {
#ifdef _WIN32
    FFd = _wopen(WideName(Name).c_str(), _O_RDONLY | _O_BINARY);
#else
    FFd = ::open(Name.c_str(), O_RDONLY | O_CLOEXEC);
#endif
    if (FFd < 0) {
      Error = std::strerror(errno);
      return false;
    }
    FOwned = true;
  }
  TStat Info;
  if (StatFd(FFd, Info) != 0) {
    Error = std::strerror(errno);
    return false;
  }
  if (IsDirectory(Info)) {
    Error = std::strerror(EISDIR);
    return false;
  }
  // Standard input redirected from a file is a regular file too: it can be read twice.
  FRegular = IsRegular(Info) && SeekStart(FFd);
  FSize = static_cast<int64_t>(Info.st_size);
  FModified = ModifiedTime(Info);
  return true;
}

size_t TFileSource::Read(char* Buffer, size_t Size) {
  return ReadRetrying(FFd, Buffer, Size, FName);
}

void TFileSource::Rewind() {
  TStat Info;
  if (StatFd(FFd, Info) != 0 || static_cast<int64_t>(Info.st_size) != FSize ||
      ModifiedTime(Info) != FModified) {
    throw EInputError(FName + ": file changed while it was being read");
  }
  if (!SeekStart(FFd)) throw EInputError(FName + ": " + std::strerror(errno));
}

size_t TMemorySource::Read(char* Buffer, size_t Size) {
  const size_t N = std::min({Size, FPiece, FBytes.size() - FPos});
  if (N > 0) std::memcpy(Buffer, FBytes.data() + FPos, N);
  FPos += N;
  return N;
}

void TMemorySource::Rewind() {
  if (!FRewindable) throw EInputError(FName + ": cannot be read twice");
  FPos = 0;
}

TSpooledSource::TSpooledSource(TInputSource& Inner, size_t MemoryLimit)
    : FInner(Inner), FMemoryLimit(MemoryLimit) {}

TSpooledSource::~TSpooledSource() {
  if (FFileFd >= 0) CloseFd(FFileFd);
}

void TSpooledSource::Keep(const char* Bytes, size_t Size) {
  const size_t InMemory = std::min(Size, FMemoryLimit - std::min(FMemoryLimit, FMemory.size()));
  FMemory.append(Bytes, InMemory);
  Bytes += InMemory;
  Size -= InMemory;
  if (Size == 0) return;
  if (FFileFd < 0) {
    FFileFd = OpenTemporaryFile();
    if (FFileFd < 0) {
      throw EInputError(FInner.Name() + ": cannot create a temporary file to hold the input: " +
                        std::strerror(errno));
    }
  }
  while (Size > 0) {
    const int64_t Done = WriteFd(FFileFd, Bytes, Size);
    if (Done < 0 && errno == EINTR) continue;
    if (Done <= 0) {
      throw EInputError(FInner.Name() +
                        ": cannot hold the input in a temporary file: " + std::strerror(errno));
    }
    Bytes += Done;
    Size -= static_cast<size_t>(Done);
  }
}

size_t TSpooledSource::Read(char* Buffer, size_t Size) {
  if (!FReplaying) {
    const size_t Got = FInner.Read(Buffer, Size);
    Keep(Buffer, Got);
    return Got;
  }
  if (FReplayPos < FMemory.size()) {
    const size_t N = std::min(Size, FMemory.size() - FReplayPos);
    std::memcpy(Buffer, FMemory.data() + FReplayPos, N);
    FReplayPos += N;
    return N;
  }
  return FFileFd < 0 ? 0 : ReadRetrying(FFileFd, Buffer, Size, FInner.Name());
}

void TSpooledSource::Rewind() {
  FReplaying = true;
  FReplayPos = 0;
  if (FFileFd >= 0 && !SeekStart(FFileFd)) {
    throw EInputError(FInner.Name() + ": " + std::strerror(errno));
  }
  // The memory part is replayed first; it no longer grows.
}
