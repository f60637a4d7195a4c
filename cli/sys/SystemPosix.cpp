// The file calls of the filter on POSIX systems: descriptors, file facts, the spool file, the
// standard descriptors, and the facts of what -o names.
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

namespace {

sys::TFileKind KindOf(mode_t Mode) {
  if (S_ISREG(Mode)) return sys::fkRegular;
  if (S_ISDIR(Mode)) return sys::fkDirectory;
  if (S_ISFIFO(Mode)) return sys::fkFifo;
  if (S_ISSOCK(Mode)) return sys::fkSocket;
  return sys::fkDevice;
}

sys::TFileIdentity IdentityOf(const struct stat& Info) {
  return {true, static_cast<uint64_t>(Info.st_dev), static_cast<uint64_t>(Info.st_ino)};
}

std::string ReadLink(const std::string& Link) {
  char Text[PATH_MAX + 1];
  const ssize_t Length = ::readlink(Link.c_str(), Text, PATH_MAX);
  return std::string(Text, static_cast<size_t>(std::max<ssize_t>(Length, 0)));
}

// What the last link of the dangling chain that starts at Link says, as written there.
std::string LastLinkText(const std::string& Link) {
  std::string Current = Link;
  std::string Text = ReadLink(Current);
  for (int Hop = 0; Hop < 40; ++Hop) {
    const size_t Cut = Current.find_last_of('/');
    const std::string Next = Text.empty() || Text[0] == '/' || Cut == std::string::npos
                                 ? Text
                                 : Current.substr(0, Cut + 1) + Text;
    struct stat Info;
    if (::lstat(Next.c_str(), &Info) != 0 || !S_ISLNK(Info.st_mode)) break;
    Current = Next;
    Text = ReadLink(Current);
  }
  return Text;
}

}  // namespace

sys::TTargetFacts sys::InspectTarget(const std::string& Name) {
  TTargetFacts Facts;
  Facts.Final = Name;
  struct stat Info;
  if (::stat(Name.c_str(), &Info) != 0) {
    struct stat Own;
    if (errno != ENOENT) {
      Facts.Error = errno;
    } else if (::lstat(Name.c_str(), &Own) == 0 && S_ISLNK(Own.st_mode)) {
      Facts.Dangling = true;
      Facts.PointsTo = LastLinkText(Name);
    }
    return Facts;
  }
  Facts.Kind = KindOf(Info.st_mode);
  Facts.Links = static_cast<uint64_t>(Info.st_nlink);
  Facts.Identity = IdentityOf(Info);
  struct stat Own;
  if (Facts.Kind == fkRegular && ::lstat(Name.c_str(), &Own) == 0 && S_ISLNK(Own.st_mode)) {
    // The link stays a link: its final target is what gets replaced.
    char* Resolved = ::realpath(Name.c_str(), nullptr);
    if (Resolved == nullptr) {
      Facts.Error = errno;
      return Facts;
    }
    Facts.Final = Resolved;
    std::free(Resolved);
  }
  return Facts;
}

sys::TFileIdentity sys::DescriptorIdentity(int Fd) {
  struct stat Info;
  if (::fstat(Fd, &Info) != 0) return {};
  return IdentityOf(Info);
}

int sys::SpelledDescriptor(const std::string& Name) {
  if (Name == "/dev/stdin") return 0;
  if (Name == "/dev/stdout") return 1;
  if (Name == "/dev/stderr") return 2;
  const std::string Own = "/proc/" + std::to_string(::getpid()) + "/fd/";
  for (const std::string& Prefix : {std::string("/dev/fd/"), std::string("/proc/self/fd/"),
                                    std::string("/proc/thread-self/fd/"), Own}) {
    if (Name.compare(0, Prefix.size(), Prefix) != 0 || Name.size() == Prefix.size() ||
        Name.size() > Prefix.size() + 9) {
      continue;
    }
    if (!std::all_of(Name.begin() + static_cast<std::ptrdiff_t>(Prefix.size()), Name.end(),
                     [](char C) { return C >= '0' && C <= '9'; })) {
      continue;
    }
    return std::atoi(Name.c_str() + Prefix.size());
  }
  return -1;
}

int sys::Duplicate(int Fd) {
  return ::fcntl(Fd, F_DUPFD_CLOEXEC, 3);
}

int sys::OpenForWriting(const std::string& Name) {
  return ::open(Name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
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
