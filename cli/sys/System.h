#pragma once
// The calls on files that differ between POSIX and Windows, behind one interface, so the
// filter's inputs and outputs are written once. SystemPosix.cpp or SystemWin32.cpp implements
// it; CMake builds the one for the target.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sys {

// Bytes read or written, or -1 with errno set (EINTR included: the caller retries).
int64_t Read(int Fd, char* Buffer, size_t Size);
int64_t Write(int Fd, const char* Buffer, size_t Size);
// 0, or -1 with errno set.
int Close(int Fd);

// Writes all of Size bytes, retrying interrupted and partial writes; false with errno set.
inline bool WriteAll(int Fd, const char* Bytes, size_t Size) {
  while (Size > 0) {
    const int64_t Done = Write(Fd, Bytes, Size);
    if (Done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    Bytes += Done;
    Size -= static_cast<size_t>(Done);
  }
  return true;
}
// The offset of Fd's next read or write, or -1 with errno set (a pipe, a terminal).
[[nodiscard]] int64_t Tell(int Fd);
// Moves Fd to Offset from the start; false with errno set.
[[nodiscard]] bool Seek(int Fd, int64_t Offset);
// Bytes pass untranslated (Windows' C runtime would turn LF into CR LF).
void SetBinary(int Fd);

// A file opened for reading, -1 with errno set.
[[nodiscard]] int OpenForReading(const std::string& Name);

struct TFileFacts {
  bool Regular = false;
  bool Directory = false;
  int64_t Size = 0;
  int64_t Modified = 0;  // in the file system's full precision and own unit; only compared
};
[[nodiscard]] bool Facts(int Fd, TFileFacts& Facts);

// An anonymous temporary file that vanishes when closed or when the program ends; -1 with
// errno set.
[[nodiscard]] int OpenSpoolFile();

// Fills each of the standard descriptors 0-2 that is closed with the null device and says
// which were (Closed[Fd]).
void FillClosedStandardDescriptors(bool (&Closed)[3]);

// What a file is, as -o sees it.
enum TFileKind : uint8_t { fkMissing, fkRegular, fkDirectory, fkDevice, fkFifo, fkSocket };

// Which file an open descriptor or a name is: device and inode, or volume and file index.
struct TFileIdentity {
  bool Known = false;
  uint64_t Volume = 0;
  uint64_t Index = 0;
  [[nodiscard]] bool Same(const TFileIdentity& Other) const {
    return Known && Other.Known && Volume == Other.Volume && Index == Other.Index;
  }
};

// What a name reaches, symbolic links followed.
struct TTargetFacts {
  TFileKind Kind = fkMissing;
  std::string Final;      // the file reached (the name itself when nothing is reached)
  bool Dangling = false;  // a symbolic link, or a chain of them, that reaches nothing
  std::string PointsTo;   // where the last link of a dangling chain points, as written there
  uint64_t Links = 1;     // hard links of the file reached
  TFileIdentity Identity;
  int Error = 0;  // errno when the name cannot be followed (ELOOP, EACCES, ENOTDIR, ...)
};
[[nodiscard]] TTargetFacts InspectTarget(const std::string& Name);

// The identity of what descriptor Fd is open on; unknown when it is closed or the system
// does not tell (a pipe on Windows).
[[nodiscard]] TFileIdentity DescriptorIdentity(int Fd);

// The descriptor a name stands for by its spelling (/dev/stdout, /dev/fd/N, /proc/self/fd/N,
// /proc/thread-self/fd/N, /proc/PID/fd/N with this process's PID); -1 for any other name and
// on Windows, which has no such names.
[[nodiscard]] int SpelledDescriptor(const std::string& Name);

// A copy of descriptor Fd numbered above 2 that child programs do not inherit; -1 with errno.
[[nodiscard]] int Duplicate(int Fd);

// Opens Name for writing without creating or truncating it (a device, FIFO or socket); -1
// with errno set.
[[nodiscard]] int OpenForWriting(const std::string& Name);

// A file being written beside Target that no ending of the program leaves behind until
// Commit() gives it Target's name: unnamed (O_TMPFILE) or removed by a handler of every
// catchable signal on POSIX, marked for deletion on close on Windows. Each call that can fail
// returns false and sets Reason to the system's text.
class TTemporaryFile {
 public:
  TTemporaryFile();
  ~TTemporaryFile();  // discards it
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  // Creates it in Target's folder.
  [[nodiscard]] bool Create(const std::string& Target, std::string& Reason);
  // The folder it is created in, as messages name it.
  [[nodiscard]] const std::string& Folder() const { return FFolder; }
  [[nodiscard]] int Fd() const { return FFd; }
  // Gives it what Target has beyond its bytes: mode, owner and group on POSIX; attributes
  // (read-only, hidden, system) and access control list on Windows. Without this call a new
  // file's defaults.
  [[nodiscard]] bool KeepMetadataOf(const std::string& Target, std::string& Reason);
  // Flushes it to disk and puts it in Target's place in one step (a read-only Target too).
  // With KeepAs, Target is first renamed to KeepAs (replacing what is there), and renamed back
  // when the second rename fails; both happen while nothing can end the program between them.
  [[nodiscard]] bool Commit(std::string& Reason, const std::string& KeepAs = "");
  // Removes it; nothing of it remains. Called by the destructor.
  void Discard() noexcept;

 private:
  int FFd = -1;
  std::string FFolder;
  std::string FTarget;
  struct TState;  // what only one system needs
  std::unique_ptr<TState> FState;
};

// A legacy code page as the system's converters name it.
struct TCodePage {
  const char* Iconv;  // glibc's iconv: "CP932", "EUC-JP"
  unsigned Windows;   // MultiByteToWideChar: 932, 20932
};

// FromUtf16() — appends Text to Out in Page (iconv on POSIX, WideCharToMultiByte on Windows);
// false, Out unchanged, when a character has no form there (nothing is replaced by '?').
[[nodiscard]] bool FromUtf16(const TCodePage& Page, std::u16string_view Text, std::string& Out);
// ToUtf16() — appends Bytes, valid in Page, to Out as UTF-16; false on bytes that are not.
// Windows' 20932 holds JIS X 0212 as two bytes whose second is below 0x80; EUC-JP's three
// bytes 8F xx yy are handed to it in that form, and taken back from it the same way.
[[nodiscard]] bool ToUtf16(const TCodePage& Page, std::string_view Bytes, std::u16string& Out);

// IsConsole() — whether descriptor Fd is a Windows console, which takes text as UTF-16
// (WriteConsoleText) rather than bytes in its code page; always false on POSIX, where a
// terminal takes bytes.
[[nodiscard]] bool IsConsole(int Fd);

// WriteConsoleText() — all of Text to the console behind Fd; false with errno set.
[[nodiscard]] bool WriteConsoleText(int Fd, std::u16string_view Text);

// The character at Text[Pos] as the C library's locale (LC_CTYPE) reads it: its length in
// bytes (1 for a byte that starts none) and whether it prints. Nothing on Windows, where no
// such locale applies: arguments arrive as UTF-8.
struct TCharacterFacts {
  size_t Length;
  bool Printable;
};
[[nodiscard]] std::optional<TCharacterFacts> LocaleCharacter(std::string_view Text, size_t Pos);

// LocaleQuotesInUnicode() — whether the locale's text is UTF-8, so that ‘ ’ show; false on
// Windows, whose consoles seldom use a UTF-8 code page.
[[nodiscard]] bool LocaleQuotesInUnicode();

// ExpandFileArgument() — the files a FILE argument names. On Windows, where no shell expands
// them, '*' and '?' in its last component match the files (not folders) there, sorted by name
// ignoring case, the folder part kept as typed; none match: empty. Elsewhere, and without
// '*' or '?': {Name}. ExpandFileArgument("d\\*.txt") == {"d\\a.txt", "d\\B.txt"}
[[nodiscard]] std::vector<std::string> ExpandFileArgument(const std::string& Name);

}  // namespace sys
