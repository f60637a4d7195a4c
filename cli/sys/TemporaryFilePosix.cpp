// The temporary file of a replacement on POSIX. It is made unnamed (O_TMPFILE) and named only
// at the commit, with every signal held, just before it is renamed over its target: nothing
// named is left whatever ends the program, SIGKILL included. Where the file system refuses
// unnamed files it is made named (.corvane-XXXXXX), and a handler of every catchable signal
// that ends a program removes it before the signal takes its course.
#include "cli/sys/System.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/io/FileIO.h"

struct sys::TTemporaryFile::TState {
  bool Named = false;  // the fallback: it has a name (in GName) from the start
};

namespace {

// The name the temporary file has while it has one, for the signal handler; read only there.
char GName[PATH_MAX + 1];
volatile sig_atomic_t GHasName = 0;

// Every signal whose default action ends the program and that a handler can catch.
constexpr int EndingSignals[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1, SIGSEGV,
    SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,  SIGIO,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
};

extern "C" void RemoveTemporaryAndEnd(int Signal) {
  if (GHasName != 0) ::unlink(GName);
  // The signal is blocked while its handler runs; it takes its default course on return, so
  // the exit status shows it. A fault signal recurs at the faulting instruction.
  ::signal(Signal, SIG_DFL);
  ::raise(Signal);
}

void Catch(int Signal) {
  struct sigaction Old;
  // A signal ignored by whoever started corvane stays ignored.
  if (::sigaction(Signal, nullptr, &Old) != 0 || Old.sa_handler != SIG_DFL) return;
  struct sigaction New {};
  New.sa_handler = RemoveTemporaryAndEnd;
  sigemptyset(&New.sa_mask);
  ::sigaction(Signal, &New, nullptr);
}

void CatchEndingSignals() {
  static bool Caught = false;
  if (Caught) return;
  Caught = true;
  for (const int Signal : EndingSignals) Catch(Signal);
#ifdef SIGRTMIN
  for (int Signal = SIGRTMIN; Signal <= SIGRTMAX; ++Signal) Catch(Signal);
#endif
}

// Every signal held for the life of this object: a name given and its record happen together.
class TSignalsHeld {
 public:
  TSignalsHeld() {
    sigset_t All;
    sigfillset(&All);
    ::sigprocmask(SIG_BLOCK, &All, &FOld);
  }
  ~TSignalsHeld() { ::sigprocmask(SIG_SETMASK, &FOld, nullptr); }
  TSignalsHeld(const TSignalsHeld&) = delete;
  TSignalsHeld& operator=(const TSignalsHeld&) = delete;

 private:
  sigset_t FOld;
};

// Records Name for the handler; false when it is too long to record (it is then not made).
bool RecordName(const std::string& Name) {
  if (Name.size() > PATH_MAX) return false;
  std::memcpy(GName, Name.c_str(), Name.size() + 1);
  GHasName = 1;
  return true;
}

std::string FolderOf(const std::string& Path) {
  const size_t Cut = Path.find_last_of('/');
  if (Cut == std::string::npos) return ".";
  return Cut == 0 ? "/" : Path.substr(0, Cut);
}

std::string InFolder(const std::string& Folder, const std::string& Base) {
  return Folder + (Folder == "/" ? "" : "/") + Base;
}

// /proc/self/fd/N: how an unnamed file is reached to give it a name.
std::string ProcName(int Fd) {
  return "/proc/self/fd/" + std::to_string(Fd);
}

// A fresh .corvane-XXXXXX name; EEXIST makes the caller try the next.
std::string CandidateName(const std::string& Folder, unsigned Attempt) {
  static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  struct timespec Now;
  ::clock_gettime(CLOCK_REALTIME, &Now);
  uint64_t Bits = static_cast<uint64_t>(Now.tv_nsec) * 2654435761u ^
                  static_cast<uint64_t>(::getpid()) << 20 ^ Attempt * 0x9E3779B97F4A7C15ull;
  std::string Base = ".corvane-";
  for (int I = 0; I < 6; ++I, Bits /= 62) Base += Letters[Bits % 62];
  return InFolder(Folder, Base);
}

// Renames From over Target; with KeepAs, Target goes there first, and back if the second
// rename fails. False with errno set.
bool RenameKeeping(const char* From, const std::string& Target, const std::string& KeepAs) {
  if (!KeepAs.empty() && ::rename(Target.c_str(), KeepAs.c_str()) != 0) return false;
  if (::rename(From, Target.c_str()) == 0) return true;
  const int Errno = errno;
  if (!KeepAs.empty()) ::rename(KeepAs.c_str(), Target.c_str());
  errno = Errno;
  return false;
}

// Gives the unnamed file Fd a name and renames it over Target; false with errno set.
bool NameAndRename(int Fd, const std::string& Folder, const std::string& Target,
                   const std::string& KeepAs) {
  const TSignalsHeld Held;
  for (unsigned Attempt = 0; Attempt < 100; ++Attempt) {
    const std::string Name = CandidateName(Folder, Attempt);
    if (!RecordName(Name)) return errno = ENAMETOOLONG, false;
    if (::linkat(AT_FDCWD, ProcName(Fd).c_str(), AT_FDCWD, Name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      GHasName = 0;
      if (errno == EEXIST) continue;
      return false;
    }
    const bool Renamed = RenameKeeping(Name.c_str(), Target, KeepAs);
    const int Errno = errno;
    if (!Renamed) ::unlink(Name.c_str());
    GHasName = 0;
    errno = Errno;
    return Renamed;
  }
  errno = EEXIST;
  return false;
}

}  // namespace

sys::TTemporaryFile::TTemporaryFile() : FState(std::make_unique<TState>()) {}

sys::TTemporaryFile::~TTemporaryFile() {
  Discard();
}

bool sys::TTemporaryFile::Create(const std::string& Target, std::string& Reason) {
  TState& S = *FState;
  FFolder = FolderOf(Target);
  FTarget = Target;
  CatchEndingSignals();
  FFd = ::open(FFolder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  // Naming it later goes through /proc; without /proc it is made named instead.
  if (FFd >= 0 && ::access(ProcName(FFd).c_str(), F_OK) != 0) {
    ::close(FFd);
    FFd = -1;
    errno = EOPNOTSUPP;
  }
  // File systems without unnamed files say so in different ways.
  if (FFd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    const TSignalsHeld Held;
    if (RecordName(InFolder(FFolder, ".corvane-XXXXXX"))) {
      GHasName = 0;
      FFd = ::mkostemp(GName, O_CLOEXEC);
      GHasName = FFd >= 0;
      S.Named = FFd >= 0;
    }
  }
  if (FFd < 0) {
    Reason = SystemMessage(errno);
    return false;
  }
  const mode_t Mask = ::umask(0);
  ::umask(Mask);
  if (::fchmod(FFd, 0666 & ~Mask) != 0) {
    Reason = SystemMessage(errno);
    return false;
  }
  return true;
}

bool sys::TTemporaryFile::KeepMetadataOf(const std::string& Target, std::string& Reason) {
  struct stat Existing;
  bool Kept = ::stat(Target.c_str(), &Existing) == 0;
  // The owner first: changing it may clear the set-user-ID and set-group-ID bits.
  if (Kept && (Existing.st_uid != ::geteuid() || Existing.st_gid != ::getegid())) {
    Kept = ::fchown(FFd, Existing.st_uid, Existing.st_gid) == 0;
  }
  if (Kept) Kept = ::fchmod(FFd, Existing.st_mode & 07777) == 0;
  if (!Kept) Reason = SystemMessage(errno);
  return Kept;
}

bool sys::TTemporaryFile::Commit(std::string& Reason, const std::string& KeepAs) {
  TState& S = *FState;
  bool Done = ::fsync(FFd) == 0;
  if (S.Named) {
    // A close error may be the first news of a failed write (NFS): it counts.
    Done = ::close(FFd) == 0 && Done;
    FFd = -1;
    if (Done) {
      const TSignalsHeld Held;
      Done = RenameKeeping(GName, FTarget, KeepAs);
      if (Done) GHasName = 0, S.Named = false;
    }
  } else if (Done) {
    Done = NameAndRename(FFd, FFolder, FTarget, KeepAs);
  }
  if (!Done) {
    Reason = SystemMessage(errno);
    return false;
  }
  Discard();
  // Make the rename itself durable.
  const int FolderFd = ::open(FFolder.c_str(), O_RDONLY | O_CLOEXEC);
  if (FolderFd >= 0) {
    ::fsync(FolderFd);
    ::close(FolderFd);
  }
  return true;
}

void sys::TTemporaryFile::Discard() noexcept {
  TState& S = *FState;
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
  if (S.Named) {
    const TSignalsHeld Held;
    ::unlink(GName);
    GHasName = 0;
    S.Named = false;
  }
}
