// The file calls of the filter on Windows: descriptors of the C runtime, file facts, the spool
// file, console text and wildcards. What -o names is in TargetWin32.cpp.
#include "cli/sys/System.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>

#include "cli/sys/Win32Common.h"
#include "cli/io/FileIO.h"
#include "cli/io/Message.h"
#include "cli/io/TextCodec.h"
#include "cli/sys/Locale.h"
#include "library/UtfUnit/UtfUnit.h"
#include "win32/UniqueHandle.h"

namespace {

// The system's own text for a Windows error code in the language Language names (0: the
// user's), as strerror() gives the C library's; "" when it has none.
std::string WindowsMessage(DWORD Code, WORD Language) {
  wchar_t* Buffer = nullptr;
  const DWORD Length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, Code, Language, reinterpret_cast<LPWSTR>(&Buffer), 0, nullptr);
  std::u16string Text(Buffer, Buffer + Length);
  LocalFree(Buffer);
  while (!Text.empty() && (Text.back() == u'\r' || Text.back() == u'\n' || Text.back() == u' ' ||
                           Text.back() == u'.' || Text.back() == u'\u3002')) {
    Text.pop_back();
  }
  std::string Utf8;
  EncodeText(Text, teUtf8, Utf8);
  return Utf8;
}

WORD LanguageId(sys::TLanguage Language) {
  return Language == sys::lgJapanese ? MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN)
                                     : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

// The Windows error code that says what an errno value says, for its text in Japanese; 0 when
// none does.
DWORD CodeOf(int Errno) {
  static const struct {
    int Errno;
    DWORD Code;
  } Map[] = {
      {ENOENT, ERROR_FILE_NOT_FOUND},
      {EACCES, ERROR_ACCESS_DENIED},
      {EROFS, ERROR_WRITE_PROTECT},
      {ENOSPC, ERROR_DISK_FULL},
      {EEXIST, ERROR_FILE_EXISTS},
      {ENOTDIR, ERROR_DIRECTORY},
      {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
      {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
      {EBADF, ERROR_INVALID_HANDLE},
      {EPIPE, ERROR_BROKEN_PIPE},
      {EINVAL, ERROR_INVALID_PARAMETER},
      {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
      {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
      {EXDEV, ERROR_NOT_SAME_DEVICE},
      {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
      {EIO, ERROR_IO_DEVICE},
      {EMLINK, ERROR_TOO_MANY_LINKS},
  };
  for (const auto& Entry : Map) {
    if (Entry.Errno == Errno) return Entry.Code;
  }
  return 0;
}

}  // namespace

std::wstring sys::win::WideName(const std::string& Utf8) {
  const std::u16string Text = Utf8ToUtf16Lenient(Utf8);
  return std::wstring(Text.begin(), Text.end());
}

std::string sys::win::DirectoryOf(const std::string& Path) {
  const size_t Cut = Path.find_last_of("/\\:");
  if (Cut == std::string::npos) return ".";
  return Path[Cut] == ':' ? Path.substr(0, Cut + 1) + "." : Path.substr(0, Cut + 1);
}

int sys::win::ErrnoOf(DWORD Code) {
  static const struct {
    DWORD Code;
    int Errno;
  } Map[] = {
      {ERROR_FILE_NOT_FOUND, ENOENT},    {ERROR_PATH_NOT_FOUND, ENOENT},
      {ERROR_INVALID_NAME, ENOENT},      {ERROR_BAD_NETPATH, ENOENT},
      {ERROR_ACCESS_DENIED, EACCES},     {ERROR_SHARING_VIOLATION, EACCES},
      {ERROR_LOCK_VIOLATION, EACCES},    {ERROR_WRITE_PROTECT, EROFS},
      {ERROR_DISK_FULL, ENOSPC},         {ERROR_HANDLE_DISK_FULL, ENOSPC},
      {ERROR_FILE_EXISTS, EEXIST},       {ERROR_ALREADY_EXISTS, EEXIST},
      {ERROR_DIRECTORY, ENOTDIR},        {ERROR_CANT_RESOLVE_FILENAME, ELOOP},
      {ERROR_NOT_ENOUGH_MEMORY, ENOMEM}, {ERROR_OUTOFMEMORY, ENOMEM},
  };
  for (const auto& Entry : Map) {
    if (Entry.Code == Code) return Entry.Errno;
  }
  return 0;
}

std::string sys::win::Reason(DWORD Code) {
  const int Errno = ErrnoOf(Code);
  errno = Errno != 0 ? Errno : EIO;
  if (Errno != 0) return SystemMessage(Errno);
  std::string Text = WindowsMessage(Code, LanguageId(MessageLanguage()));
  if (Text.empty()) Text = WindowsMessage(Code, 0);
  return !Text.empty() ? Text : Message(miWindowsError, {std::to_string(Code)});
}

std::string sys::ErrorText(int Errno, TLanguage Language) {
  if (Language == lgJapanese) {
    return CodeOf(Errno) != 0 ? WindowsMessage(CodeOf(Errno), LanguageId(Language)) : "";
  }
  // Windows' C runtime has no text of its own for it.
  if (Errno == ELOOP) return "Too many levels of symbolic links";
  return std::strerror(Errno);
}

using sys::win::WideName;

int64_t sys::Read(int Fd, char* Buffer, size_t Size) {
  return _read(Fd, Buffer, static_cast<unsigned>(std::min<size_t>(Size, 1u << 30)));
}

int64_t sys::Write(int Fd, const char* Buffer, size_t Size) {
  return _write(Fd, Buffer, static_cast<unsigned>(std::min<size_t>(Size, 1u << 30)));
}

int sys::Close(int Fd) {
  return _close(Fd);
}

int64_t sys::Tell(int Fd) {
  return _lseeki64(Fd, 0, SEEK_CUR);
}

bool sys::Seek(int Fd, int64_t Offset) {
  return _lseeki64(Fd, Offset, SEEK_SET) == Offset;
}

void sys::SetBinary(int Fd) {
  _setmode(Fd, _O_BINARY);
}

int sys::OpenForReading(const std::string& Name) {
  const std::wstring Wide = WideName(Name);
  const int Fd = _wopen(Wide.c_str(), _O_RDONLY | _O_BINARY);
  // The C runtime says EACCES for a folder; the reason is that it is one.
  if (Fd < 0 && errno == EACCES) {
    const DWORD Attributes = GetFileAttributesW(Wide.c_str());
    if (Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      errno = EISDIR;
    }
  }
  return Fd;
}

bool sys::Facts(int Fd, TFileFacts& Facts) {
  struct _stat64 Info;
  if (_fstat64(Fd, &Info) != 0) return false;
  Facts.Regular = (Info.st_mode & _S_IFREG) != 0;
  Facts.Directory = (Info.st_mode & _S_IFDIR) != 0;
  Facts.Size = static_cast<int64_t>(Info.st_size);
  // st_mtime holds whole seconds; the handle's time counts 100 ns, so a rewrite within the
  // same second shows.
  BY_HANDLE_FILE_INFORMATION Handle;
  const auto File = reinterpret_cast<HANDLE>(_get_osfhandle(Fd));
  if (Facts.Regular && File != INVALID_HANDLE_VALUE && GetFileInformationByHandle(File, &Handle)) {
    Facts.Modified = static_cast<int64_t>((uint64_t{Handle.ftLastWriteTime.dwHighDateTime} << 32) |
                                          Handle.ftLastWriteTime.dwLowDateTime);
  } else {
    Facts.Modified = static_cast<int64_t>(Info.st_mtime) * 10000000;
  }
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
  TUniqueFile File(CreateFileW(Name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!File) {
    DeleteFileW(Name);
    errno = EACCES;
    return -1;
  }
  // The descriptor owns the handle once it is made.
  const int Fd = _open_osfhandle(reinterpret_cast<intptr_t>(File.get()), _O_BINARY);
  if (Fd >= 0) File.release();
  return Fd;
}

// The C runtime gives a program started without standard handles invalid descriptors of its
// own; nothing to fill here.
void sys::FillClosedStandardDescriptors(bool (&)[3]) {}

namespace {

// Windows' code page for EUC-JP: JIS X 0212 as two bytes, the second below 0x80.
constexpr unsigned EucJpWindows = 20932;
// JIS X 0212 0x2237, which 20932 reads as U+007E where EUC-JP has U+FF5E.
constexpr std::string_view EucJpTilde = "\x8F\xA2\xB7";

bool BytesToWide(unsigned CodePage, std::string_view Bytes, std::u16string& Out) {
  if (Bytes.empty()) return true;
  if (Bytes.size() > static_cast<size_t>(INT_MAX)) return false;
  const int Size = static_cast<int>(Bytes.size());
  const int Units =
      MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, Bytes.data(), Size, nullptr, 0);
  if (Units <= 0) return false;
  std::wstring Text(static_cast<size_t>(Units), L'\0');
  if (MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, Bytes.data(), Size, Text.data(), Units) !=
      Units) {
    return false;
  }
  Out.append(Text.begin(), Text.end());
  return true;
}

bool WideToBytes(unsigned CodePage, std::u16string_view Text, std::string& Out) {
  if (Text.empty()) return true;
  if (Text.size() > static_cast<size_t>(INT_MAX / 2)) return false;
  const auto* Wide = reinterpret_cast<const wchar_t*>(Text.data());
  const int Units = static_cast<int>(Text.size());
  BOOL UsedDefault = FALSE;
  const int Size = WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, Wide, Units, nullptr, 0,
                                       nullptr, &UsedDefault);
  if (Size <= 0 || UsedDefault) return false;
  const size_t Old = Out.size();
  Out.resize(Old + static_cast<size_t>(Size));
  if (WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, Wide, Units, Out.data() + Old, Size,
                          nullptr, &UsedDefault) != Size ||
      UsedDefault) {
    Out.resize(Old);
    return false;
  }
  return true;
}

// EUC-JP through 20932: each three-byte 8F xx yy handed over as xx yy-80, the tilde apart.
bool EucJpToWide(std::string_view Bytes, std::u16string& Out) {
  std::string Form;
  for (size_t I = 0; I < Bytes.size(); ++I) {
    if (Bytes[I] != '\x8F') {
      Form += Bytes[I];  // no trail byte of EUC-JP is 8F
      continue;
    }
    if (Bytes.size() - I < 3 || static_cast<unsigned char>(Bytes[I + 1]) < 0xA1 ||
        static_cast<unsigned char>(Bytes[I + 2]) < 0xA1) {
      return false;
    }
    if (Bytes.substr(I, 3) == EucJpTilde) {
      if (!BytesToWide(EucJpWindows, Form, Out)) return false;
      Form.clear();
      Out += u'\uFF5E';
    } else {
      Form += Bytes[I + 1];
      Form += static_cast<char>(Bytes[I + 2] - 0x80);
    }
    I += 2;
  }
  return BytesToWide(EucJpWindows, Form, Out);
}

// And back: a pair from 20932 whose second byte is below 0x80 is JIS X 0212.
bool WideToEucJp(std::u16string_view Text, std::string& Out) {
  for (size_t Tilde; !Text.empty(); Text.remove_prefix(std::min(Tilde + 1, Text.size()))) {
    Tilde = std::min(Text.find(u'\uFF5E'), Text.size());
    std::string Form;
    if (!WideToBytes(EucJpWindows, Text.substr(0, Tilde), Form)) return false;
    for (size_t I = 0; I < Form.size(); ++I) {
      const auto B = static_cast<unsigned char>(Form[I]);
      if (B < 0x8E || I + 1 == Form.size()) {
        Out += Form[I];
      } else if (B >= 0xA1 && static_cast<unsigned char>(Form[I + 1]) < 0x80) {
        Out += '\x8F';
        Out += Form[I];
        Out += static_cast<char>(Form[++I] | 0x80);
      } else {
        Out += Form.substr(I++, 2);
      }
    }
    if (Tilde < Text.size()) Out += EucJpTilde;
  }
  return true;
}

}  // namespace

bool sys::FromUtf16(const TCodePage& Page, std::u16string_view Text, std::string& Out) {
  std::string Bytes;
  if (!(Page.Windows == EucJpWindows ? WideToEucJp(Text, Bytes)
                                     : WideToBytes(Page.Windows, Text, Bytes))) {
    return false;
  }
  // The way back must give the same text: no character was approximated.
  std::u16string Back;
  if (!ToUtf16(Page, Bytes, Back) || Back != Text) return false;
  Out += Bytes;
  return true;
}

bool sys::ToUtf16(const TCodePage& Page, std::string_view Bytes, std::u16string& Out) {
  const size_t Old = Out.size();
  const bool Done = Page.Windows == EucJpWindows ? EucJpToWide(Bytes, Out)
                                                 : BytesToWide(Page.Windows, Bytes, Out);
  if (!Done) Out.resize(Old);
  return Done;
}

// The descriptor's own handle, so the test agrees with where the byte writes would go.
bool sys::IsConsole(int Fd) {
  const auto Handle = reinterpret_cast<HANDLE>(_get_osfhandle(Fd));
  DWORD Mode = 0;
  return Handle != INVALID_HANDLE_VALUE && GetConsoleMode(Handle, &Mode) != 0;
}

bool sys::WriteConsoleText(int Fd, std::u16string_view Text) {
  const auto Handle = reinterpret_cast<HANDLE>(_get_osfhandle(Fd));
  // Older consoles refuse large writes; a piece never ends between the halves of a pair.
  constexpr size_t Piece = 8192;
  while (!Text.empty()) {
    size_t Size = std::min(Text.size(), Piece);
    if (Size < Text.size() && Text[Size - 1] >= 0xD800 && Text[Size - 1] <= 0xDBFF) --Size;
    DWORD Written = 0;
    if (!WriteConsoleW(Handle, Text.data(), static_cast<DWORD>(Size), &Written, nullptr) ||
        Written == 0) {
      errno = EIO;
      return false;
    }
    Text.remove_prefix(std::min<size_t>(Written, Text.size()));
  }
  return true;
}

namespace {

bool SameLetter(wchar_t A, wchar_t B) {
  return A == B || CompareStringOrdinal(&A, 1, &B, 1, TRUE) == CSTR_EQUAL;
}

// Whether Name matches Pattern ('*' any run, '?' one character), ignoring case. The search also
// matches a pattern against the 8.3 short names, so "*.txt" finds "notes.txtx" through
// "NOTES~1.TXT"; only a match of the long name counts. As in Windows, "x.*" takes "x" too.
bool MatchesLongName(std::wstring_view Name, std::wstring_view Pattern) {
  size_t N = 0, P = 0, StarP = std::wstring_view::npos, StarN = 0;
  while (N < Name.size()) {
    if (P < Pattern.size() && (Pattern[P] == L'?' || SameLetter(Pattern[P], Name[N]))) {
      ++N;
      ++P;
    } else if (P < Pattern.size() && Pattern[P] == L'*') {
      StarP = P++;
      StarN = N;
    } else if (StarP != std::wstring_view::npos) {
      P = StarP + 1;
      N = ++StarN;
    } else {
      return false;
    }
  }
  while (P < Pattern.size() && Pattern[P] == L'*') ++P;
  if (P == Pattern.size()) return true;
  return Pattern.substr(P) == L".*" || Pattern.substr(P) == L".";
}

}  // namespace

std::vector<std::string> sys::ExpandFileArgument(const std::string& Name) {
  const size_t Cut = Name.find_last_of("/\\:");
  const size_t Base = Cut == std::string::npos ? 0 : Cut + 1;
  if (Name.find_first_of("*?", Base) == std::string::npos) return {Name};
  const std::wstring Pattern = WideName(Name.substr(Base));
  std::vector<std::wstring> Found;
  WIN32_FIND_DATAW Data;
  if (const TUniqueFind Search(FindFirstFileExW(WideName(Name).c_str(), FindExInfoBasic, &Data,
                                                FindExSearchNameMatch, nullptr, 0));
      Search) {
    do {
      const bool Folder = (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (!Folder && MatchesLongName(Data.cFileName, Pattern)) Found.emplace_back(Data.cFileName);
    } while (FindNextFileW(Search.get(), &Data));
  }
  // The search gives the file system's order; sorted by name, ignoring case, the output is
  // the same from one run and one file system to the next.
  const auto Compare = [](const std::wstring& A, const std::wstring& B, BOOL IgnoreCase) {
    return CompareStringOrdinal(A.c_str(), static_cast<int>(A.size()), B.c_str(),
                                static_cast<int>(B.size()), IgnoreCase);
  };
  std::sort(Found.begin(), Found.end(), [&](const std::wstring& A, const std::wstring& B) {
    const int Order = Compare(A, B, TRUE);
    return Order != CSTR_EQUAL ? Order == CSTR_LESS_THAN : Compare(A, B, FALSE) == CSTR_LESS_THAN;
  });
  std::vector<std::string> Names;
  Names.reserve(Found.size());
  for (const std::wstring& File : Found) {
    std::string Utf8 = Name.substr(0, Base);
    EncodeText(std::u16string_view(reinterpret_cast<const char16_t*>(File.data()), File.size()),
               teUtf8, Utf8);
    Names.push_back(std::move(Utf8));
  }
  return Names;
}

std::optional<sys::TCharacterFacts> sys::LocaleCharacter(std::string_view, size_t) {
  return std::nullopt;
}

bool sys::LocaleQuotesInUnicode() {
  return false;
}
