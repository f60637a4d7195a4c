#include "cli/FileIO.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
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
#include <unistd.h>
#endif

#include "cli/InputSource.h"
#include "cli/StdDescriptors.h"
#include "cli/TextCodec.h"

namespace {

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

void CloseFd(int Fd) {
#ifdef _WIN32
  _close(Fd);
#else
  ::close(Fd);
#endif
}

#ifdef _WIN32
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

#ifndef _WIN32
// The temporary file of a replacement under way: a signal that ends corvane removes it first.
char GTemporaryName[PATH_MAX + 1];
constexpr int CleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void RemoveTemporaryAndDie(int Signal) {
  if (GTemporaryName[0] != '\0') ::unlink(GTemporaryName);
  std::signal(Signal, SIG_DFL);
  std::raise(Signal);
}

void WatchTemporary(const std::string& Name) {
  if (Name.size() > PATH_MAX) return;
  std::memcpy(GTemporaryName, Name.c_str(), Name.size() + 1);
  for (const int Signal : CleanupSignals) {
    // A signal ignored by whoever started corvane stays ignored.
    struct sigaction Old;
    if (::sigaction(Signal, nullptr, &Old) == 0 && Old.sa_handler == SIG_IGN) continue;
    struct sigaction New {};
    New.sa_handler = RemoveTemporaryAndDie;
    sigemptyset(&New.sa_mask);
    ::sigaction(Signal, &New, nullptr);
  }
}

void ForgetTemporary() {
  GTemporaryName[0] = '\0';
}

// /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N: the descriptor they stand for, or -1.
int DescriptorAlias(const std::string& Name) {
  if (Name == "/dev/stdin") return 0;
  if (Name == "/dev/stdout") return 1;
  if (Name == "/dev/stderr") return 2;
  for (const char* Prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    const std::string P = Prefix;
    if (Name.compare(0, P.size(), P) != 0 || Name.size() == P.size() || Name.size() > P.size() + 9)
      continue;
    if (!std::all_of(Name.begin() + static_cast<std::ptrdiff_t>(P.size()), Name.end(),
                     [](char C) { return C >= '0' && C <= '9'; })) {
      continue;
    }
    return std::atoi(Name.c_str() + P.size());
  }
  return -1;
}
#endif

// A descriptor written directly: standard output, a device, a FIFO, a socket.
class TDescriptorOutput : public TOutput {
 public:
  TDescriptorOutput(int Fd, bool Owned, std::string Name)
      : FFd(Fd), FOwned(Owned), FName(std::move(Name)) {}
  ~TDescriptorOutput() override {
    if (FOwned && FFd >= 0) CloseFd(FFd);
  }
  TDescriptorOutput(const TDescriptorOutput&) = delete;
  TDescriptorOutput& operator=(const TDescriptorOutput&) = delete;

  void Write(std::string_view Bytes) override {
    if (!WriteAll(FFd, Bytes)) throw EOutputError(FName + ": " + SystemMessage(errno));
  }
  void Commit() override {
    if (!FOwned || FFd < 0) return;
    const int Fd = FFd;
    FFd = -1;
#ifdef _WIN32
    if (_close(Fd) != 0) throw EOutputError(FName + ": " + SystemMessage(errno));
#else
    if (::close(Fd) != 0 && errno != EINTR) throw EOutputError(FName + ": " + SystemMessage(errno));
#endif
  }
  [[nodiscard]] bool Replaces() const override {
    return false;
  }
  [[nodiscard]] const std::string& Name() const override {
    return FName;
  }

 private:
  int FFd;
  bool FOwned;
  std::string FName;
};

class TStandardOutput : public TOutput {
 public:
  void Write(std::string_view Bytes) override { FSink.Write(Bytes); }
  void Commit() override {}
  [[nodiscard]] bool Replaces() const override { return false; }
  [[nodiscard]] const std::string& Name() const override { return FName; }

 private:
  TStdoutSink FSink;
  std::string FName = "-";
};

// Writes to a temporary file beside Target; Commit() flushes it to disk and renames it over
// Target, so Target holds either its old content or the complete new one. Without Commit()
// the temporary file is removed and Target never changes. Existing: Target's mode, owner and
// group (null when Target does not exist yet).
class TReplacedFile : public TOutput {
 public:
  TReplacedFile(std::string Name, std::string Target, const struct stat* Existing);
  ~TReplacedFile() override { Discard(); }
  TReplacedFile(const TReplacedFile&) = delete;
  TReplacedFile& operator=(const TReplacedFile&) = delete;

  void Write(std::string_view Bytes) override;
  void Commit() override;
  [[nodiscard]] bool Replaces() const override { return true; }
  [[nodiscard]] const std::string& Name() const override { return FName; }

 private:
  [[noreturn]] void Fail(const std::string& Message);
  void Discard() noexcept;

  std::string FName;    // as the user wrote it
  std::string FTarget;  // the file replaced: the final target of a symbolic link
  std::string FTempName;
  int FFd = -1;
};

TReplacedFile::TReplacedFile(std::string Name, std::string Target, const struct stat* Existing)
    : FName(std::move(Name)), FTarget(std::move(Target)) {
  const std::string Dir = DirectoryOf(FTarget);
#ifdef _WIN32
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
#else
  std::string Template = Dir + (Dir == "/" ? "" : "/") + ".corvane-XXXXXX";
  FFd = ::mkostemp(Template.data(), O_CLOEXEC);
  if (FFd < 0) {
    throw EOutputError("cannot create temporary file in '" + Dir + "': " + SystemMessage(errno));
  }
  FTempName = Template;
  WatchTemporary(FTempName);
  mode_t Mode;
  if (Existing != nullptr) {
    // The owner first: changing it may clear the set-user-ID and set-group-ID bits.
    if ((Existing->st_uid != ::geteuid() || Existing->st_gid != ::getegid()) &&
        ::fchown(FFd, Existing->st_uid, Existing->st_gid) != 0) {
      Fail(FName + ": cannot keep its owner and group (" + SystemMessage(errno) +
           "); left unchanged");
    }
    Mode = Existing->st_mode & 07777;
  } else {
    const mode_t Mask = ::umask(0);
    ::umask(Mask);
    Mode = 0666 & ~Mask;
  }
  if (::fchmod(FFd, Mode) != 0) Fail(FName + ": " + SystemMessage(errno));
#endif
}

void TReplacedFile::Discard() noexcept {
  if (FFd >= 0) {
    CloseFd(FFd);
    FFd = -1;
  }
  if (!FTempName.empty()) {
#ifdef _WIN32
    _wunlink(WideName(FTempName).c_str());
#else
    ::unlink(FTempName.c_str());
    ForgetTemporary();
#endif
    FTempName.clear();
  }
}

void TReplacedFile::Fail(const std::string& Message) {
  Discard();
  throw EOutputError(Message);
}

void TReplacedFile::Write(std::string_view Bytes) {
  if (!WriteAll(FFd, Bytes)) Fail(FName + ": " + SystemMessage(errno));
}

void TReplacedFile::Commit() {
#ifdef _WIN32
  const bool Flushed = _commit(FFd) == 0 && _close(FFd) == 0;
  const int Errno = errno;
  FFd = -1;
  if (!Flushed) Fail(FName + ": " + SystemMessage(Errno));
  if (!MoveFileExW(WideName(FTempName).c_str(), WideName(FTarget).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    Fail(FName + ": " + WindowsMessage(GetLastError()));
  }
  FTempName.clear();
#else
  int Errno = ::fsync(FFd) == 0 ? 0 : errno;
  if (::close(FFd) != 0 && Errno == 0) Errno = errno;
  FFd = -1;
  if (Errno != 0) Fail(FName + ": " + SystemMessage(Errno));
  if (::rename(FTempName.c_str(), FTarget.c_str()) != 0) Fail(FName + ": " + SystemMessage(errno));
  ForgetTemporary();
  FTempName.clear();
  // Make the rename itself durable.
  const int DirFd = ::open(DirectoryOf(FTarget).c_str(), O_RDONLY | O_CLOEXEC);
  if (DirFd >= 0) {
    ::fsync(DirFd);
    ::close(DirFd);
  }
#endif
}

#ifdef _WIN32
std::unique_ptr<TOutput> OpenFileOutput(const std::string& Name) {
  if (IsWindowsDeviceName(Name)) {
    const int Fd = _wopen(WideName(Name).c_str(), _O_WRONLY | _O_BINARY);
    if (Fd < 0) throw EOutputError(Name + ": " + SystemMessage(errno));
    return std::make_unique<TDescriptorOutput>(Fd, true, Name);
  }
  struct _stat64 Info;
  if (_wstat64(WideName(Name).c_str(), &Info) == 0 && (Info.st_mode & _S_IFDIR) != 0) {
    throw EOutputError(Name + ": " + SystemMessage(EISDIR));
  }
  return std::make_unique<TReplacedFile>(Name, Name, nullptr);
}
#else
std::unique_ptr<TOutput> OpenFileOutput(const std::string& Name) {
  if (const int Fd = DescriptorAlias(Name); Fd >= 0) {
    // Written through the descriptor itself, whatever it is open on: a pipe has no name to
    // reopen, and replacing a file would leave the descriptor on the old one.
    const int Copy = StandardDescriptorClosed(Fd) ? -1 : ::fcntl(Fd, F_DUPFD_CLOEXEC, 3);
    if (Copy < 0) throw EOutputError(Name + ": " + SystemMessage(EBADF));
    return std::make_unique<TDescriptorOutput>(Copy, true, Name);
  }
  std::string Target = Name;
  struct stat Info;
  if (::lstat(Name.c_str(), &Info) != 0) {
    if (errno != ENOENT) throw EOutputError(Name + ": " + SystemMessage(errno));
    return std::make_unique<TReplacedFile>(Name, Target, nullptr);
  }
  if (S_ISLNK(Info.st_mode)) {
    // The link stays a link: its final target is what gets replaced.
    char* Resolved = ::realpath(Name.c_str(), nullptr);
    if (Resolved == nullptr) {
      if (errno != ENOENT) throw EOutputError(Name + ": " + SystemMessage(errno));
      char Link[PATH_MAX + 1];
      const ssize_t Length = ::readlink(Name.c_str(), Link, PATH_MAX);
      throw EOutputError(Name + ": dangling symbolic link to '" +
                         std::string(Link, static_cast<size_t>(std::max<ssize_t>(Length, 0))) +
                         "'; nothing written");
    }
    Target = Resolved;
    std::free(Resolved);
    if (::stat(Target.c_str(), &Info) != 0) throw EOutputError(Name + ": " + SystemMessage(errno));
  }
  if (S_ISDIR(Info.st_mode)) throw EOutputError(Name + ": " + SystemMessage(EISDIR));
  if (!S_ISREG(Info.st_mode)) {
    // A device, FIFO or socket is written, never replaced.
    const int Fd = ::open(Target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (Fd < 0) throw EOutputError(Name + ": " + SystemMessage(errno));
    return std::make_unique<TDescriptorOutput>(Fd, true, Name);
  }
  if (Info.st_nlink > 1) {
    throw EOutputError(Name + ": has " + std::to_string(Info.st_nlink) +
                       " hard links; not replaced, so that they do not keep the old text");
  }
  return std::make_unique<TReplacedFile>(Name, Target, &Info);
}
#endif

}  // namespace

std::string SystemMessage(int Errno) {
  return std::strerror(Errno);
}

TStdoutSink::TStdoutSink() {
#ifdef _WIN32
  _setmode(1, _O_BINARY);
#endif
}

void TStdoutSink::Write(std::string_view Bytes) {
  if (StandardDescriptorClosed(1)) throw EOutputError("write error: " + SystemMessage(EBADF));
  if (!WriteAll(1, Bytes)) throw EOutputError("write error: " + SystemMessage(errno));
}

std::unique_ptr<TOutput> OpenOutput(const std::string& Name) {
  if (Name.empty() || Name == "-") return std::make_unique<TStandardOutput>();
  return OpenFileOutput(Name);
}
