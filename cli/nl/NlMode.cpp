// corvane nl: the inputs read in blocks, their lines numbered as GNU nl numbers them, written
// through a buffer that is passed on before any read that may wait.

#include "cli/nl/NlMode.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/io/BlockReader.h"
#include "cli/io/FileIO.h"
#include "cli/io/InputSource.h"
#include "cli/io/OutputBuffer.h"
#include "cli/nl/NlOptions.h"
#include "cli/io/Quote.h"
#include "cli/nl/NlText.h"
#include "cli/io/StdDescriptors.h"
#include "cli/sys/Locale.h"
#include "cli/sys/System.h"
#include "library/LineBreak/LineBreak.h"

namespace {

constexpr size_t InputSize = size_t{1} << 17;
constexpr size_t SmallField = 256;  // number fields up to this size are built in place
// Short pieces are copied as one fixed-size block: buffers keep this many bytes past their end.
constexpr size_t Slack = TOutputBuffer::Slack;

using TNlReader = TBlockReader<char, TLfBreak>;
static_assert(TNlReader::PaddingBytes >= Slack);

// A fault that ends the run; what() is the message after "PROGRAM: ".
class ENlFatal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The line breaks in a block, found 64 bytes at a time by the line splitter's vector code,
// chosen for the CPU (lines are short: a memchr() call per line costs more). The block may be
// read Slack bytes past End.
class TBreakScanner {
 public:
  TBreakScanner(const char* From, const char* End) : FChunk(From), FEnd(End) { Load(); }

  // The next '\n', or null.
  const char* Next() {
    while (FMask == 0) {
      FChunk += 64;
      if (FChunk >= FEnd) return nullptr;
      Load();
    }
    const size_t Bit = line_break_detail::LowestBit(FMask);
    FMask &= FMask - 1;
    return FChunk + Bit;
  }

 private:
  void Load() {
    const ptrdiff_t Left = FEnd - FChunk;
    if (Left <= 0) {  // nothing of the block is left to scan
      FMask = 0;
      return;
    }
    uint64_t CR;
    line_break_detail::BreakMasks(FChunk, 1, &CR, &FMask);
    if (Left < 64) FMask &= (uint64_t{1} << Left) - 1;
  }

  const char* FChunk;
  const char* const FEnd;
  uint64_t FMask = 0;
};
static_assert(Slack >= 64);

// The numbering state, which runs on from one input to the next.
class TNumberer {
 public:
  TNumberer(const TNlOptions& Options, TOutputBuffer& Out)
      : FOptions(Options), FOut(Out), FNumber(Options.Start) {
    const uint64_t Blank = static_cast<uint64_t>(Options.Width) + Options.Separator.size();
    if (Blank <= SmallField) FBlankField.assign(Blank, ' ');
  }

  // Numbers all of Input. Throws EInputError, EOutputError and ENlFatal.
  void Read(TInputSource& Input) {
    TNlReader& Reader = FReader.emplace(Input, InputSize);
    Reader.PassOnBeforeWaiting(&FOut);
    for (;;) {
      if (Reader.Full() && Reader.LinesEnd() == 0) LineFillsBuffer(Reader);
      const size_t Kept = Reader.Pending().size();  // the bytes kept from before hold no break
      Reader.Fill();
      if (Reader.AtEnd()) return;
      const std::string_view Pending = Reader.Pending();
      const char* Begin = Pending.data();
      const char* const End = Begin + Pending.size();
      const char* Scan = Begin + Kept;
      if (FPassing) {
        const char* Break = Find(Begin, End);
        if (Break == nullptr) {
          FOut.Append(Begin, Pending.size());
          Reader.Consume(Pending.size());
          continue;
        }
        FOut.Append(Begin, static_cast<size_t>(Break + 1 - Begin));
        FOut.EndLine();
        FPassing = false;
        Begin = Scan = Break + 1;
      }
      const char* const LinesEnd = Pending.data() + Reader.LinesEnd();
      for (TBreakScanner Breaks(Scan, LinesEnd); const char* Break = Breaks.Next();) {
        Line(Begin, static_cast<size_t>(Break - Begin), true);
        Begin = Break + 1;
      }
      Reader.Consume(static_cast<size_t>(Begin - Pending.data()));
    }
  }

  // Ends the input's last line when no line break did.
  void EndInput() {
    const std::string_view Rest = FReader ? FReader->Pending() : std::string_view();
    if (FPassing) {
      FOut.Append("\n", 1);
      FOut.EndLine();
    } else if (!Rest.empty()) {
      Line(Rest.data(), Rest.size(), false);
    }
    FPassing = false;
    FReader.reset();
  }

 private:
  static const char* Find(const char* From, const char* End) {
    return static_cast<const char*>(std::memchr(From, '\n', static_cast<size_t>(End - From)));
  }

  // A line without its '\n'; HasBreak: the '\n' follows it in memory.
  void Line(const char* Begin, size_t Size, bool HasBreak) {
    if (const size_t Kind = DelimiterKind(Begin, Size); Kind != 0) {
      FSection = Kind == 3 ? scHeader : Kind == 2 ? scBody : scFooter;
      if (FOptions.Renumber) {
        FNumber = FOptions.Start;
        FOverflowed = false;
      }
      FOut.Append("\n", 1);
      FOut.EndLine();
      return;
    }
    Head(Numbers({Begin, Size}));
    if (HasBreak) {
      FOut.AppendFromSlack(Begin, Size + 1);
    } else {
      FOut.Append(Begin, Size);
      FOut.Append("\n", 1);
    }
    FOut.EndLine();
  }

  // A line as long as the whole buffer is too long to be a delimiter and not empty, so its
  // head can be written and the rest passed on as it comes; but a pBRE needs all of it (the
  // reader grows then).
  void LineFillsBuffer(TNlReader& Reader) {
    const std::string_view Pending = Reader.Pending();
    if (FOptions.Sections[FSection].Style != nsRegex &&
        Pending.size() > 3 * FOptions.Delimiter.size()) {
      Head(Numbers(Pending));
      FOut.Append(Pending.data(), Pending.size());
      Reader.Consume(Pending.size());
      FPassing = true;
    }
  }

  // 3, 2 or 1 for a line that is the delimiter three times (header), twice (body) or once
  // (footer); else 0.
  size_t DelimiterKind(const char* Begin, size_t Size) const {
    const std::string& D = FOptions.Delimiter;
    const size_t Length = D.size();
    if (Length == 0 || Size == 0 || Size > 3 * Length || Size % Length != 0 || *Begin != D[0]) {
      return 0;
    }
    for (size_t At = 0; At < Size; At += Length) {
      if (std::memcmp(Begin + At, D.data(), Length) != 0) return 0;
    }
    return Size / Length;
  }

  // Whether the current section numbers Text. Style a numbers only every JoinBlank-th of
  // consecutive empty lines; lines of other styles leave that count alone.
  bool Numbers(std::string_view Text) {
    const TNlNumbering& N = FOptions.Sections[FSection];
    switch (N.Style) {
      case nsAll:
        if (!Text.empty() || ++FBlankRun == FOptions.JoinBlank) {
          FBlankRun = 0;
          return true;
        }
        return false;
      case nsNonEmpty:
        return !Text.empty();
      case nsNone:
        return false;
      case nsRegex:
        return N.Regex->Matches(Text);
    }
    return false;
  }

  // The number field and separator, or as many blanks.
  void Head(bool Numbered) {
    if (!Numbered) {
      if (!FBlankField.empty()) return FOut.Append(FBlankField.data(), FBlankField.size());
      return FOut.Fill(' ', static_cast<uint64_t>(FOptions.Width) + FOptions.Separator.size());
    }
    // The number past the last one was out of range: nl stops only when it is needed.
    if (FOverflowed) throw ENlFatal(NlMessage("line number overflow"));
    WriteNumber();
    FOverflowed = __builtin_add_overflow(FNumber, FOptions.Increment, &FNumber);
  }

  // Numbers mostly go up by one: the field of the last one is kept and its digits bumped.
  void WriteNumber() {
    const bool Next = FFieldValid && FNumber > 0 && FNumber - 1 == FFieldNumber;
    if (!(Next && BumpField())) {
      FFieldValid = RenderField();
      if (!FFieldValid) return WriteWideField();
    }
    FFieldNumber = FNumber;
    FOut.AppendFromSlack(FField, FFieldSize);
  }

  // Adds one to the digits in FField; false when the number needs another layout.
  bool BumpField() {
    for (size_t I = FLastDigit + 1; I-- > 0;) {
      char& C = FField[I];
      if (C >= '0' && C <= '8') return ++C, true;
      if (C != '9') {
        // One digit more: the blank before the number takes it (rn).
        if (C != ' ' || FOptions.Format != nfRight) return false;
        C = '1';
        return true;
      }
      C = '0';
    }
    return false;
  }

  // The digits of FNumber's magnitude, ending at End; returns where they start.
  char* Digits(char* End) const {
    uintmax_t Magnitude = FNumber < 0 ? 0 - static_cast<uintmax_t>(FNumber) : FNumber;
    do {
      *--End = static_cast<char>('0' + Magnitude % 10);
      Magnitude /= 10;
    } while (Magnitude != 0);
    return End;
  }

  uint64_t Padding(size_t DigitCount) const {
    const uint64_t Length = DigitCount + (FNumber < 0 ? 1 : 0);
    const uint64_t Width = static_cast<uint64_t>(FOptions.Width);
    return Width > Length ? Width - Length : 0;
  }

  // The number in its field, then the separator, handed in order to Put(Bytes, Size) and
  // Fill(Char, Count); returns how many of those bytes end with the last digit.
  template <typename TPut, typename TFill>
  uint64_t EmitField(TPut&& Put, TFill&& Fill) const {
    char Buffer[24];
    char* const End = Buffer + sizeof Buffer;
    const char* const First = Digits(End);
    const size_t DigitCount = static_cast<size_t>(End - First);
    const uint64_t Pad = Padding(DigitCount);
    uint64_t DigitsEnd = DigitCount + (FNumber < 0 ? 1 : 0);
    if (FOptions.Format == nfRight) Fill(' ', Pad);
    if (FNumber < 0) Put("-", 1);
    if (FOptions.Format == nfZeros) Fill('0', Pad);
    if (FOptions.Format != nfLeft) DigitsEnd += Pad;
    Put(First, DigitCount);
    if (FOptions.Format == nfLeft) Fill(' ', Pad);
    Put(FOptions.Separator.data(), FOptions.Separator.size());
    return DigitsEnd;
  }

  // The field into FField, where the next numbers are counted on in place; false when it is
  // too long for that.
  bool RenderField() {
    uint64_t Size = 0;
    EmitField([&Size](const char*, size_t N) { Size += N; },
              [&Size](char, uint64_t N) { Size += N; });
    if (Size > sizeof FField) return false;
    char* Out = FField;
    const uint64_t DigitsEnd =
        EmitField([&Out](const char* Bytes,
                         size_t N) { Out = static_cast<char*>(std::memcpy(Out, Bytes, N)) + N; },
                  [&Out](char C, uint64_t N) {
                    Out = static_cast<char*>(std::memset(Out, C, static_cast<size_t>(N))) + N;
                  });
    FLastDigit = static_cast<size_t>(DigitsEnd) - 1;
    FFieldSize = static_cast<size_t>(Out - FField);
    return true;
  }

  // A field too wide for FField, written piece by piece.
  void WriteWideField() {
    EmitField([this](const char* Bytes, size_t N) { FOut.Append(Bytes, N); },
              [this](char C, uint64_t N) { FOut.Fill(C, N); });
  }

  const TNlOptions& FOptions;
  TOutputBuffer& FOut;
  std::optional<TNlReader> FReader;  // the input being read
  bool FPassing = false;  // a long line's head is written: bytes go straight out up to its break
  TNlSection FSection = scBody;
  intmax_t FNumber;
  bool FOverflowed = false;
  intmax_t FBlankRun = 0;
  std::string FBlankField;  // the blanks of an unnumbered line, when they are few
  char FField[SmallField];  // the last number's field and separator
  size_t FFieldSize = 0;
  size_t FLastDigit = 0;  // of the number in FField
  intmax_t FFieldNumber = 0;
  bool FFieldValid = false;
};

void Report(const std::string& Program, const std::string& Message) {
  WriteStandardError(Program + ": " + Message + "\n");
}

// As nl does, a message comes after the output written before it: the buffer is passed on
// first. Throws EOutputError.
void ReportAfter(TOutputBuffer& Out, const std::string& Program, const std::string& Message) {
  Out.Flush();
  Report(Program, Message);
}

// Numbers one input; false when it could not be opened or read (reported).
bool NumberFile(TNumberer& Numberer, TOutputBuffer& Out, const std::string& Name,
                const std::string& Program) {
  TFileSource Input;
  std::string Error;
  if (!Input.Open(Name, Error)) {
    ReportAfter(Out, Program, QuoteFileName(Name, mtLocale) + ": " + Error);
    return false;
  }
  bool Ok = true;
  try {
    Numberer.Read(Input);
  } catch (const EInputError& E) {
    ReportAfter(Out, Program, QuoteFileName(Name, mtLocale) + ": " + E.Reason());
    Ok = false;
  }
  Numberer.EndInput();
  return Ok;
}

int NumberFiles(const TNlOptions& Options, const std::string& Program) {
  TStdoutSink Sink;
  TOutputBuffer Out(Sink, sys::IsTerminal(1));
  TNumberer Numberer(Options, Out);
  int Status = 0;
  try {
    for (const std::string& Argument : Options.Files) {
      const std::vector<std::string> Names = sys::ExpandFileArgument(Argument);
      if (Names.empty()) {
        ReportAfter(Out, Program, QuoteFileName(Argument, mtLocale) + ": " + SystemMessage(ENOENT));
        Status = 1;
      }
      for (const std::string& Name : Names) {
        if (!NumberFile(Numberer, Out, Name, Program)) Status = 1;
      }
    }
  } catch (const EOutputError&) {
    throw;
  } catch (const std::runtime_error& E) {
    ReportAfter(Out, Program, E.what());
    return 1;
  }
  Out.Flush();
  return Status;
}

}  // namespace

int RunNl(const std::vector<std::string>& Args, const std::string& Program) {
  GuardStandardDescriptors();
  try {
    SetUpNlLocale();
    const TNlCommand Command =
        ParseNlCommandLine(Args, Program, std::getenv("POSIXLY_CORRECT") != nullptr);
    if (!Command.Diagnostics.empty()) WriteStandardError(Command.Diagnostics);
    switch (Command.Action) {
      case naFail:
        return 1;
      case naHelp:
        TStdoutSink().Write(NlHelpText(Program));
        return 0;
      case naVersion:
        TStdoutSink().Write(NlVersionText());
        return 0;
      case naRun:
        break;
    }
    return NumberFiles(Command.Options, Program);
  } catch (const EOutputError& E) {
    // "write error: REASON", the reason already in the user's language.
    std::string Message = E.what();
    constexpr std::string_view WriteError = "write error";
    if (Message.compare(0, WriteError.size(), WriteError) == 0) {
      Message.replace(0, WriteError.size(), NlMessage("write error"));
    }
    Report(Program, Message);
  } catch (const std::bad_alloc&) {
    Report(Program, NlMessage("memory exhausted"));
  } catch (const std::exception& E) {
    Report(Program, E.what());
  }
  return 1;
}

bool IsNlProgramName(std::string_view Argv0) {
  const std::string Base = sys::ProgramBaseName(Argv0);
  return Base == "nl" || Base == "nl.exe";
}
