// The file calls of the filter on POSIX systems: descriptors, file facts, the spool file, the
// standard descriptors, and -o by what its target is (see FileIO.h).
#include "cli/sys/System.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "cli/io/FileIO.h"
#include "cli/io/ReplacedFile.h"
#include "cli/io/StdDescriptors.h"

namespace {

// The folder part of Path ("." when it has none), where the temporary file is made.
std::string DirectoryOf(const std::string& Path) {
  const size_t Cut = Path.find_last_of('/');
  if (Cut == std::string::npos) return ".";
  return Cut == 0 ? "/" : Path.substr(0, Cut);
}

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

}  // namespace

TReplacedFile::TReplacedFile(std::string Name, std::string Target, const struct stat* Existing)
    : FName(std::move(Name)), FTarget(std::move(Target)) {
  const std::string Dir = DirectoryOf(FTarget);
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
}

void TReplacedFile::Discard() noexcept {
  if (FFd >= 0) {
    sys::Close(FFd);
    FFd = -1;
  }
  if (!FTempName.empty()) {
    ::unlink(FTempName.c_str());
    ForgetTemporary();
    FTempName.clear();
  }
}

void TReplacedFile::Commit() {
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
}

int64_t sys::Read(int Fd, char* Buffer, size_t Size) {
  return ::read(Fd, Buffer, Size);
}

int64_t sys::Write(int Fd, const char* Buffer, size_t Size) {
  return ::write(Fd, Buffer, Size);
}

int sys::Close(int Fd) {
  return ::close(Fd);
}

int64_t sys::Tell(int Fd) {
  return ::lseek(Fd, 0, SEEK_CUR);
}

bool sys::Seek(int Fd, int64_t Offset) {
  return ::lseek(Fd, Offset, SEEK_SET) == Offset;
}

void sys::SetBinary(int) {}

int sys::OpenForReading(const std::string& Name) {
  return ::open(Name.c_str(), O_RDONLY | O_CLOEXEC);
}

bool sys::Facts(int Fd, TFileFacts& Facts) {
  struct stat Info;
  if (::fstat(Fd, &Info) != 0) return false;
  Facts.Regular = S_ISREG(Info.st_mode);
  Facts.Directory = S_ISDIR(Info.st_mode);
  Facts.Size = static_cast<int64_t>(Info.st_size);
  Facts.Modified = static_cast<int64_t>(Info.st_mtim.tv_sec) * 1000000000 + Info.st_mtim.tv_nsec;
  return true;
}

// In $TMPDIR (or /tmp), unlinked at once, so nothing is left behind whatever ends the program.
int sys::OpenSpoolFile() {
  const char* Dir = std::getenv("TMPDIR");
  std::string Template =
      std::string(Dir != nullptr && *Dir != '\0' ? Dir : "/tmp") + "/.corvane-spool-XXXXXX";
  const int Fd = ::mkostemp(Template.data(), O_CLOEXEC);
  if (Fd >= 0) ::unlink(Template.c_str());
  return Fd;
}

void sys::FillClosedStandardDescriptors(bool (&Closed)[3]) {
  for (int Fd = 0; Fd < 3; ++Fd) {
    if (::fcntl(Fd, F_GETFD) != -1 || errno != EBADF) continue;
    Closed[Fd] = true;
    // open() takes the lowest free number, which is Fd: the others below it are open.
    const int Null = ::open("/dev/null", Fd == 0 ? O_RDONLY : O_WRONLY);
    if (Null >= 0 && Null != Fd) ::close(Null);
  }
}

std::unique_ptr<TOutput> sys::OpenFileOutput(const std::string& Name) {
  if (const int Fd = DescriptorAlias(Name); Fd >= 0) {
    // Written through the descriptor itself, whatever it is open on: a pipe has no name to
    // reopen, and replacing a file would leave the descriptor on the old one.
    const int Copy = StandardDescriptorClosed(Fd) ? -1 : ::fcntl(Fd, F_DUPFD_CLOEXEC, 3);
    if (Copy < 0) throw EOutputError(Name + ": " + SystemMessage(EBADF));
    return DescriptorOutput(Copy, Name);
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
    return DescriptorOutput(Fd, Name);
  }
  if (Info.st_nlink > 1) {
    throw EOutputError(Name + ": has " + std::to_string(Info.st_nlink) +
                       " hard links; not replaced, so that they do not keep the old text");
  }
  return std::make_unique<TReplacedFile>(Name, Target, &Info);
}

namespace {

// Converts In with a fresh iconv descriptor; false unless every byte converts exactly.
bool Convert(const char* To, const char* From, std::string& In, std::string& Out) {
  const iconv_t Cd = ::iconv_open(To, From);
  if (Cd == reinterpret_cast<iconv_t>(-1)) return false;
  // No character takes more than twice its bytes in the other form (two bytes of UTF-16, three
  // of EUC-JP).
  std::string Buffer(2 * In.size() + 4, '\0');
  char* Src = In.data();
  size_t SrcLeft = In.size();
  char* Dst = Buffer.data();
  size_t DstLeft = Buffer.size();
  const size_t Done = ::iconv(Cd, &Src, &SrcLeft, &Dst, &DstLeft);
  ::iconv_close(Cd);
  // An irreversible conversion counts as a failure too: nothing is approximated.
  if (Done != 0 || SrcLeft != 0) return false;
  Out.assign(Buffer.data(), Buffer.size() - DstLeft);
  return true;
}

}  // namespace

bool sys::FromUtf16(const TCodePage& Page, std::u16string_view Text, std::string& Out) {
  std::string In(2 * Text.size(), '\0');
  for (size_t I = 0; I < Text.size(); ++I) {
    In[2 * I] = static_cast<char>(Text[I] & 0xFF);
    In[2 * I + 1] = static_cast<char>(Text[I] >> 8);
  }
  std::string Bytes;
  if (!Convert(Page.Iconv, "UTF-16LE", In, Bytes)) return false;
  Out += Bytes;
  return true;
}

bool sys::ToUtf16(const TCodePage& Page, std::string_view Bytes, std::u16string& Out) {
  std::string In(Bytes);
  std::string Units;
  if (!Convert("UTF-16LE", Page.Iconv, In, Units)) return false;
  const size_t Old = Out.size();
  Out.resize(Old + Units.size() / 2);
  for (size_t I = 0; I < Units.size() / 2; ++I) {
    Out[Old + I] = static_cast<char16_t>(static_cast<unsigned char>(Units[2 * I]) |
                                         static_cast<unsigned char>(Units[2 * I + 1]) << 8);
  }
  return true;
}

// A terminal takes bytes: the text goes out as it is.
bool sys::IsConsole(int) {
  return false;
}

bool sys::WriteConsoleText(int, std::u16string_view) {
  errno = ENOTTY;
  return false;
}

// The shell has expanded the patterns already; what is left is a name.
std::vector<std::string> sys::ExpandFileArgument(const std::string& Name) {
  return {Name};
}

std::optional<sys::TCharacterFacts> sys::LocaleCharacter(std::string_view Text, size_t Pos) {
  std::mbstate_t State{};
  wchar_t Wide = 0;
  const size_t Length = std::mbrtowc(&Wide, Text.data() + Pos, Text.size() - Pos, &State);
  if (Length == 0 || Length == static_cast<size_t>(-1) || Length == static_cast<size_t>(-2)) {
    return TCharacterFacts{1, false};
  }
  return TCharacterFacts{Length, std::iswprint(static_cast<wint_t>(Wide)) != 0};
}

bool sys::LocaleQuotesInUnicode() {
  return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}
