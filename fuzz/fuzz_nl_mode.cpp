// corvane nl on any text with random options, against a small model of nl written from its
// description: sections started by delimiter lines, the numbering styles (a, t, n, and pBRE
// with a literal pattern), -l's count of empty lines, -p, the number formats as printf writes
// them, widths, separators and delimiters. The front bytes pick the options, the rest, mapped
// onto a few characters that make delimiters likely, is the text, read from a file.
#include <sys/mman.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/nl/NlMode.h"
#include "fuzz/FuzzInput.h"

namespace {

struct TModel {
  char Style[3] = {'n', 't', 'n'};  // header, body, footer: a, t, n or p
  std::string Pattern[3];           // p: a literal
  char Format = 'r';                // l, r, z
  int Width = 6;
  std::string Separator = "\t";
  intmax_t Start = 1;
  intmax_t Increment = 1;
  intmax_t Join = 1;
  bool Renumber = true;
  std::string Delimiter = "\\:";
};

std::string Field(const TModel& M, intmax_t Number) {
  char Buffer[64];
  const char* Format = M.Format == 'l' ? "%-*jd" : M.Format == 'z' ? "%0*jd" : "%*jd";
  std::snprintf(Buffer, sizeof Buffer, Format, M.Width, Number);
  return Buffer + M.Separator;
}

std::string Expected(const TModel& M, const std::string& Text) {
  std::string Out;
  int Section = 1;
  intmax_t Number = M.Start;
  intmax_t Blanks = 0;
  for (size_t From = 0; From < Text.size();) {
    size_t Break = Text.find('\n', From);
    if (Break == std::string::npos) Break = Text.size();
    const std::string Line = Text.substr(From, Break - From);
    From = Break + 1;
    const std::string& D = M.Delimiter;
    int Kind = 0;
    for (int K = 1; K <= 3 && !D.empty(); ++K) {
      std::string Repeated;
      for (int I = 0; I < K; ++I) Repeated += D;
      if (Line == Repeated) Kind = K;
    }
    if (Kind != 0) {
      Section = Kind == 3 ? 0 : Kind == 2 ? 1 : 2;
      if (M.Renumber) Number = M.Start;
      Out += "\n";
      continue;
    }
    bool Numbered = false;
    switch (M.Style[Section]) {
      case 'a':
        Numbered = !Line.empty() || ++Blanks == M.Join;
        if (Numbered) Blanks = 0;
        break;
      case 't':
        Numbered = !Line.empty();
        break;
      case 'p':
        Numbered = Line.find(M.Pattern[Section]) != std::string::npos;
        break;
      default:
        break;
    }
    if (Numbered) {
      Out += Field(M, Number);
      Number += M.Increment;
    } else {
      Out += std::string(static_cast<size_t>(M.Width) + M.Separator.size(), ' ');
    }
    Out += Line + "\n";
  }
  return Out;
}

// A memory file holding Bytes.
int MemoryFile(const std::string& Bytes) {
  const int Fd = memfd_create("nl", 0);
  if (Fd < 0 || write(Fd, Bytes.data(), Bytes.size()) != static_cast<ssize_t>(Bytes.size())) {
    std::abort();
  }
  return Fd;
}

std::string ReadAll(int Fd) {
  std::string Out;
  char Buffer[65536];
  lseek(Fd, 0, SEEK_SET);
  for (ssize_t Got; (Got = read(Fd, Buffer, sizeof Buffer)) > 0;) Out.append(Buffer, Got);
  return Out;
}

void Fail(const std::string& What, const std::vector<std::string>& Args) {
  std::string Line = "nl mode check failed: " + What + "\n  args:";
  for (const std::string& A : Args) Line += " '" + A + "'";
  std::fprintf(stderr, "%s\n", Line.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  setenv("LC_ALL", "C", 1);
  FuzzInput In(Data, Size);
  TModel M;
  std::vector<std::string> Args;
  static const char* const Sections[] = {"-h", "-b", "-f"};
  static const char Styles[] = {'a', 't', 'n', 'p'};
  static const char* const Patterns[] = {"a", "b", "ab", "x"};
  for (int S = 0; S < 3; ++S) {
    const uint8_t B = In.Byte();
    if ((B & 7) == 0) continue;
    M.Style[S] = Styles[B % 4];
    M.Pattern[S] = M.Style[S] == 'p' ? Patterns[(B >> 3) % 4] : "";
    Args.insert(Args.end(), {Sections[S], std::string(1, M.Style[S]) + M.Pattern[S]});
  }
  const uint8_t Flags = In.Byte();
  if (Flags & 1) {
    static const char* const Formats[] = {"ln", "rn", "rz"};
    const char* const Format = Formats[(Flags >> 1) % 3];
    M.Format = Format[0] == 'l' ? 'l' : Format[1] == 'z' ? 'z' : 'r';
    Args.insert(Args.end(), {"-n", Format});
  }
  if (Flags & 8) {
    M.Width = 1 + In.Byte() % 12;
    Args.insert(Args.end(), {"-w", std::to_string(M.Width)});
  }
  if (Flags & 16) {
    static const char* const Separators[] = {"", ":", " | ", "\xC2\xA7"};
    M.Separator = Separators[In.Byte() % 4];
    Args.insert(Args.end(), {"-s", M.Separator});
  }
  if (Flags & 32) {
    M.Start = static_cast<int8_t>(In.Byte()) * 1000;
    M.Increment = static_cast<int8_t>(In.Byte());
    M.Join = 1 + In.Byte() % 4;
    Args.insert(Args.end(), {"-v", std::to_string(M.Start), "-i", std::to_string(M.Increment), "-l",
                             std::to_string(M.Join)});
  }
  if (Flags & 64) {
    M.Renumber = false;
    Args.push_back("-p");
  }
  if (Flags & 128) {
    static const char* const Delimiters[] = {"", "x", "ab", "\\:"};
    const char* const D = Delimiters[In.Byte() % 4];
    M.Delimiter = std::string(D).size() == 1 ? std::string(D) + ":" : D;
    Args.insert(Args.end(), {"-d", D});
  }
  std::string Text;
  for (const char16_t Unit : In.Text()) Text += "ab\n\\:x \n"[Unit % 8];
  const int Input = MemoryFile(Text);
  const int Output = memfd_create("out", 0);
  const int Errors = memfd_create("err", 0);
  const int SavedOut = dup(1);
  const int SavedErr = dup(2);
  dup2(Output, 1);
  dup2(Errors, 2);
  Args.push_back("/proc/self/fd/" + std::to_string(Input));
  const int Status = RunNl(Args, "nl");
  dup2(SavedOut, 1);
  dup2(SavedErr, 2);
  close(SavedOut);
  close(SavedErr);
  const std::string Got = ReadAll(Output);
  const std::string Messages = ReadAll(Errors);
  for (const int Fd : {Input, Output, Errors}) close(Fd);
  if (Status != 0 || !Messages.empty())
    Fail("status " + std::to_string(Status) + ": " + Messages, Args);
  const std::string Want = Expected(M, Text);
  if (Got != Want) {
    size_t At = 0;
    while (At < Got.size() && At < Want.size() && Got[At] == Want[At]) ++At;
    Fail("output differs at byte " + std::to_string(At) + ": got '" + Got.substr(At, 40) +
             "', want '" + Want.substr(At, 40) + "'",
         Args);
  }
  return 0;
}
