#include "cli/filter/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

#include "cli/io/Quote.h"
#include "cli/nl/NlOptions.h"
#include "cli/nl/NlRegex.h"
#include "library/ConvertToTypeUnit/ConvertToTypeUnit.h"
#include "library/UtfUnit/UtfUnit.h"

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "unknown"
#endif

namespace {

// Which commands accept an option; cbTop the options before any command.
enum TCommandBit : unsigned {
  cbNumber = 1u << foNumber,
  cbContinue = 1u << foContinue,
  cbDelete = 1u << foDelete,
  cbDeleteNumberOnly = 1u << foDeleteNumberOnly,
  cbDedent = 1u << foDedent,
  cbTidy = 1u << foTidy,
  cbCopy = 1u << foCopy,
  cbRenumber = 1u << foRenumber,
  cbAll = 0xFF,
  cbTop = 0x100,
  cbWrites = cbNumber | cbContinue | cbRenumber | cbCopy,  // write numbers in a form
  cbReads = cbAll & ~cbNumber & ~cbCopy,                   // read numbers in a form
};

// A command's help: Intro, its options, then Notes. Intro null: the summary and what a line
// number is.
struct TCommandInfo {
  const char* Name;
  TFilterOperation Operation;
  const char* Summary;
  const char* Intro = nullptr;
  const char* Notes = "";
};

constexpr TCommandInfo Commands[] = {
    {"number", foNumber, "insert line numbers (from 1 unless told otherwise)",
     "Write each FILE with a line number in front of every line: the number\n"
     "right-aligned in a field as wide as the widest number, then ':'.\n",
     "\n"
     "N lies between -2147483648 and 2147483647; the line values themselves may go\n"
     "beyond that range and never wrap around. With -w (and without -r, -z) numbers\n"
     "are written as lines arrive, so endless input streams.\n"},
    {"continue", foContinue, "number on from the number at the head of the first line",
     "Number every line on from the number written before the first ':' of the\n"
     "first line (for example '10:' or '005:'), which is replaced by the new number.\n"
     "A number written with a leading '0' (and two or more digits) gives zero-filled\n"
     "numbers of at least that many digits; a leading '+' gives '+' signs.\n"
     "When the first line holds no such number the text is written unchanged and a\n"
     "warning is printed.\n"
     "In nl's or the list form ('     7<TAB>x', '  3) x'), the first line's number\n"
     "is read in that form, and every line is numbered in it.\n"},
    {"delete", foDelete, "delete line numbers"},
    {"delete-number-only", foDeleteNumberOnly, "delete the lines that hold only a line number"},
    {"dedent", foDedent, "delete the indentation all numbered lines share"},
    {"tidy", foTidy, "delete-number-only, then dedent"},
    {"copy", foCopy, "folder and file name, then the lines numbered from 1",
     "Write the copy-with-header form of each FILE: its folder on the first line, its\n"
     "name indented by two blanks on the second, then its lines numbered from 1 (or\n"
     "from -s).\n"
     "The header lines end with the line break of the file's first line (CR LF when\n"
     "the file has none). The folder is the path up to its last '/', '\\' or ':'.\n",
     "\n"
     "The fence is longer than any run of '`' in the text, so nothing in it ends the\n"
     "block; its lines end with the header's line break.\n"
     "  sed -n '120,160p' main.cpp | corvane copy -s 120 --header=name --fence=cpp \\\n"
     "      --path main.cpp\n"},
    {"renumber", foRenumber, "number the lines anew from the first line's number",
     "Number the lines anew after lines were inserted into or deleted from a numbered\n"
     "list: every line loses the number it carries (digits, blanks and tabs before\n"
     "its first ':') and is numbered on from the first line's number, zero-filled\n"
     "when that number is written with a leading '0', blank-aligned otherwise. When\n"
     "the first line carries no number, numbering starts at 1; when its number is no\n"
     "32-bit start (a tab before it, a blank inside), the text is left unchanged and\n"
     "a warning is printed.\n"
     "  ' 9:a', '10:b', '12:c'  ->  ' 9:a', '10:b', '11:c'\n"
     "When the first line is in nl's or the list form (or --form names one), only the\n"
     "numbered lines are renumbered, from the first one's number, each keeping its\n"
     "indentation and separator: '1. a', '1. b'  ->  '1. a', '2. b'.\n"},
};

enum TOptionId : uint8_t {
  oiReverse,
  oiStart,
  oiStep,
  oiZeroFill,
  oiPlus,
  oiTidy,
  oiPath,
  oiHeader,
  oiFence,
  oiInPlace,
  oiSeparator,
  oiNumberFormat,
  oiWidth,
  oiAfterIndent,
  oiBody,
  oiForm,
  oiEncoding,
  oiOutput,
  oiSpoolLimit,
  oiHelp,
  oiVersion
};

// A command's help lists its own options first, then those every command takes.
constexpr TOptionSpec Options[] = {
    {oiStart, 's', "start", ovText, "N", "number the first line N (default 1)", cbNumber},
    {oiStart, 's', "start", ovText, "N",
     "number the first line N (default 1): a region from\nan editor numbered as in its file",
     cbCopy},
    {oiStep, 'i', "step", ovText, "N", "add N from one line to the next (default 1; may be < 0)",
     cbNumber | cbRenumber},
    {oiReverse, 'r', "reverse", ovNone, nullptr, "count from the last line upwards", cbNumber},
    {oiZeroFill, 'z', "zero-fill", ovText, "W",
     "fill the digits with '0' to at least W columns (1-1000);\n"
     "negative numbers then get a sign column",
     cbNumber},
    {oiPlus, 'p', "plus", ovNone, nullptr, "write '+' before positive numbers", cbNumber},
    {oiStep, 'i', "step", ovText, "N", "add N from one line to the next (default 1; 10, -1, -10)",
     cbContinue},
    {oiTidy, 't', "tidy", ovNone, nullptr, "tidy the numbered lines as 'corvane tidy' does",
     cbCopy},
    {oiPath, 0, "path", ovFile, "PATH",
     "use PATH in the header instead of the name as given\n"
     "(standard input has an empty path otherwise)",
     cbCopy},
    {oiHeader, 0, "header", ovWord, "WHAT",
     "full (the folder, then the name; the default),\nname (the name alone) or none", cbCopy,
     "full name none"},
    {oiFence, 0, "fence", ovText, "LANG",
     "put the numbered lines in a Markdown code fence\n(```LANG) below the header", cbCopy,
     nullptr, nullptr, true},
    {oiSeparator, 'S', "separator", ovText, "STR",
     "write STR between a number and its line\n(default ':'; also nl's separator to read)",
     cbWrites & ~cbNumber & ~cbCopy},
    {oiSeparator, 'S', "separator", ovText, "STR",
     "write STR between a number and its line\n(default ':')", cbNumber | cbCopy},
    {oiSeparator, 'S', "separator", ovText, "STR",
     "the separator after nl's numbers (default a tab)", cbReads & ~cbWrites},
    {oiNumberFormat, 'n', "number-format", ovWord, "F",
     "ln (left-aligned), rn (right-aligned, the\ndefault) or rz (right-aligned, zero-filled),\n"
     "as nl writes them",
     cbWrites, "ln rn rz"},
    {oiWidth, 'w', "width", ovText, "N",
     "a field of N columns (1-1000); wider numbers\nare written whole", cbWrites},
    {oiAfterIndent, 0, "after-indent", ovNone, nullptr,
     "write the number after the line's blanks\nand tabs", cbWrites},
    {oiBody, 'b', "body-numbering", ovText, "STYLE",
     "number a (all lines, the default), t (lines\nthat are not empty) or pBRE (lines the basic\n"
     "regular expression BRE matches); the other\nlines stay as they are",
     cbNumber},
    {oiForm, 0, "form", ovWord, "FORM",
     "read numbers as colon ('  9:x'), nl (what nl\nand cat -n write), list ('3) x', '1. x') or\n"
     "auto (the first numbered line decides)",
     cbReads, "colon nl list auto"},
    {oiEncoding, 'e', "encoding", ovWord, "ENC",
     "read the input as ENC: auto (the default), utf-8, utf-16le,\n"
     "utf-16be, cp932 (also sjis, shift_jis) or euc-jp (eucjp)",
     cbAll, nullptr, EncodingChoiceNames},
    {oiOutput, 'o', "output", ovFile, "FILE",
     "write to FILE instead of standard output (see docs/cli.md)", cbAll},
    {oiInPlace, 0, "in-place", ovText, "SUFFIX",
     "replace each FILE by its own result;\n"
     "with SUFFIX keep the original as FILE SUFFIX\n(memo.txt.bak); see docs/cli.md",
     cbAll, nullptr, nullptr, true},
    {oiSpoolLimit, 0, "spool-limit", ovText, "SIZE",
     "keep at most SIZE (with K, M, G or T) of a pipe for its\n"
     "second reading; more is an error (default 4G)",
     cbAll},
    {oiHelp, 'h', "help", ovNone, nullptr, "display this help and exit", cbAll | cbTop},
    {oiVersion, 0, "version", ovNone, nullptr, "output version information and exit",
     cbAll | cbTop},
};

// An argument in a message: the filter's messages are UTF-8 whatever the locale.
std::string Quoted(const std::string& Value) {
  return QuoteArgument(Value, mtUtf8);
}

constexpr int32_t MaxZeroFillWidth = 1000;
constexpr int32_t MaxWidth = 1000;

// ChoiceOption() — the value of one of the row's Words, as its position in Values.
template <typename TValue, size_t N>
TValue ChoiceOption(const TOptionSpec& O, const std::string& What, const std::string& Value,
                    const TValue (&Values)[N]) {
  const std::vector<std::string> Words = OptionWords(O);
  std::string Allowed;
  for (size_t I = 0; I < Words.size() && I < N; ++I) {
    if (Value == Words[I]) return Values[I];
    Allowed += (Allowed.empty() ? "" : ", ") + Words[I];
  }
  throw EUsageError("invalid " + What + ": " + Quoted(Value) + " (allowed: " + Allowed + ")");
}

constexpr TFieldAlign NumberFormats[] = {faLeft, faRight, faZero};
constexpr TFormChoice Forms[] = {fcColon, fcNl, fcList, fcAuto};
constexpr TCopyHeading Headings[] = {chFull, chName, chNone};

// --fence's language: an info string Markdown keeps on the fence's line.
std::u16string FenceOption(const std::string& Value) {
  std::u16string Language;
  if (Value.find_first_of("\r\n`") != std::string::npos || !Utf8ToUtf16(Value, Language)) {
    throw EUsageError("invalid fence language: " + Quoted(Value) +
                      " (one line of text without '`')");
  }
  return Language;
}

// -b: a (all lines), t (lines with text) or pBRE (lines a basic regular expression matches).
void BodyOption(TFormRequest& Form, const std::string& Value) {
  if (Value == "a" || Value == "t") {
    Form.Body = Value == "a" ? bcAll : bcText;
    return;
  }
  if (Value.empty() || Value[0] != 'p') {
    throw EUsageError("invalid body numbering style: " + Quoted(Value) + " (allowed: a, t, pBRE)");
  }
  TNlRegex Regex;
  std::string Error;
  if (!Regex.Compile(std::string_view(Value).substr(1), Error)) {
    throw EUsageError("invalid regular expression: " + Quoted(Value.substr(1)) + ": " + Error);
  }
  Form.Body = bcPattern;
  Form.Pattern = Value.substr(1);
}

// -S: one line of text, not empty.
std::u16string SeparatorOption(const std::string& Value) {
  std::u16string Separator;
  if (Value.empty() || Value.find_first_of("\r\n") != std::string::npos ||
      !Utf8ToUtf16(Value, Separator)) {
    throw EUsageError("invalid separator: " + Quoted(Value) + " (one line of text, not empty)");
  }
  return Separator;
}

int32_t Int32Option(const std::string& What, const std::string& Value) {
  bool OutOfRange = false;
  const std::optional<int32_t> V = StrToInt32(std::string_view(Value), &OutOfRange);
  if (V) return *V;
  if (OutOfRange) {
    throw EUsageError(What + " out of range: " + Quoted(Value) +
                      " (allowed: -2147483648 to 2147483647)");
  }
  throw EUsageError("invalid " + What + ": " + Quoted(Value));
}

// A size in bytes, or in KiB, MiB, GiB or TiB with the suffix K, M, G or T (any case): "4G".
uint64_t SizeOption(const std::string& Value) {
  static constexpr char Suffixes[] = "KMGT";
  size_t Digits = 0;
  uint64_t Size = 0;
  bool Overflow = false;
  for (; Digits < Value.size() && Value[Digits] >= '0' && Value[Digits] <= '9'; ++Digits) {
    Overflow |= __builtin_mul_overflow(Size, 10, &Size) ||
                __builtin_add_overflow(Size, static_cast<uint64_t>(Value[Digits] - '0'), &Size);
  }
  const std::string Suffix = Value.substr(Digits);
  if (Suffix.size() == 1) {
    const char* At = std::strchr(Suffixes, std::toupper(static_cast<unsigned char>(Suffix[0])));
    if (At != nullptr && *At != '\0') {
      Overflow |= __builtin_mul_overflow(Size, uint64_t{1} << (10 * (At - Suffixes + 1)), &Size);
    } else {
      Digits = 0;
    }
  }
  if (Digits == 0 || Suffix.size() > 1 || Size == 0 || Overflow) {
    throw EUsageError("invalid spool limit: " + Quoted(Value) + " (a size such as 512M or 4G)");
  }
  return Size;
}

void ApplyOption(TCommandLine& Line, const TOptionSpec& O, const std::string& Value) {
  TNumbering& N = Line.Request.Numbering;
  switch (static_cast<TOptionId>(O.Id)) {
    case oiReverse:
      N.Options |= lnoReverse;
      break;
    case oiPlus:
      N.Options |= lnoPlusSign;
      break;
    case oiStart:
      N.Start = Int32Option("start value", Value);
      break;
    case oiStep:
      N.Step = Line.Request.ContinueStep = Int32Option("step", Value);
      break;
    case oiZeroFill: {
      const std::optional<int32_t> W = StrToInt32(std::string_view(Value));
      if (!W || *W < 1 || *W > MaxZeroFillWidth) {
        throw EUsageError("invalid zero-fill width: " + Quoted(Value) + " (allowed: 1 to " +
                          std::to_string(MaxZeroFillWidth) + ")");
      }
      N.ZeroDigits = *W;
      break;
    }
    case oiTidy:
      Line.Request.CopyTidy = true;
      break;
    case oiSeparator:
      Line.Request.Form.Separator = SeparatorOption(Value);
      break;
    case oiNumberFormat:
      Line.Request.Form.Align = ChoiceOption(O, "number format", Value, NumberFormats);
      break;
    case oiWidth: {
      const std::optional<int32_t> W = StrToInt32(std::string_view(Value));
      if (!W || *W < 1 || *W > MaxWidth) {
        throw EUsageError("invalid width: " + Quoted(Value) + " (allowed: 1 to " +
                          std::to_string(MaxWidth) + ")");
      }
      Line.Request.Form.Width = *W;
      break;
    }
    case oiAfterIndent:
      Line.Request.Form.AfterIndent = true;
      break;
    case oiBody:
      BodyOption(Line.Request.Form, Value);
      break;
    case oiForm:
      Line.Request.Form.Read = ChoiceOption(O, "form", Value, Forms);
      break;
    case oiPath:
      Line.CopyPath = Value;
      break;
    case oiHeader:
      Line.Request.CopyHeading = ChoiceOption(O, "header", Value, Headings);
      break;
    case oiFence:
      Line.Request.CopyFence = FenceOption(Value);
      break;
    case oiEncoding: {
      const std::optional<TEncodingChoice> Choice = EncodingChoiceByName(Value);
      if (!Choice) {
        throw EUsageError("invalid encoding: " + Quoted(Value) +
                          " (allowed: " + EncodingChoiceNames() + ")");
      }
      Line.Request.Encoding = *Choice;
      break;
    }
    case oiOutput:
      if (Value.empty()) throw EUsageError("invalid output file name: ''");
      Line.Output = Value;
      break;
    case oiInPlace:
      if (Value.find_first_of("/\\") != std::string::npos) {
        throw EUsageError("invalid backup suffix: " + Quoted(Value) + " (no '/' or '\\')");
      }
      Line.InPlace = Value;
      break;
    case oiSpoolLimit:
      Line.Request.SpoolLimit = SizeOption(Value);
      break;
    case oiHelp:
      Line.Action = caHelp;
      break;
    case oiVersion:
      Line.Action = caVersion;
      break;
  }
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& Args) {
  TCommandLine Line;
  if (Args.empty()) throw EUsageError("missing command");
  const std::string& First = Args[0];
  if (First.size() > 1 && First[0] == '-') {
    // Before the command only --help and --version make sense.
    TOptionParser Top(Options, cbTop, Args, 0);
    if (TParsedArgument A; Top.Next(A) && A.Option != nullptr) {
      ApplyOption(Line, *A.Option, A.Value);
      return Line;
    }
    throw EUsageError("missing command before " + Quoted(First));
  }
  const auto Command = std::find_if(std::begin(Commands), std::end(Commands),
                                    [&](const TCommandInfo& C) { return First == C.Name; });
  if (Command == std::end(Commands)) throw EUsageError("unknown command " + Quoted(First));
  Line.Command = First;
  Line.Request.Operation = Command->Operation;
  TOptionParser Reader(Options, 1u << Command->Operation, Args, 1);
  for (TParsedArgument A; Reader.Next(A);) {
    if (!A.Fault.empty()) throw EUsageError(A.Fault);
    if (A.Option == nullptr) {
      Line.Files.push_back(A.Value);
    } else {
      ApplyOption(Line, *A.Option, A.Value);
    }
  }
  if (Line.Action != caRun) return Line;
  const TFormRequest& Form = Line.Request.Form;
  if (Line.Request.Numbering.ZeroDigits > 0 && (Form.Align || Form.Width > 0)) {
    throw EUsageError("option '-z' cannot be combined with '-n' or '-w'");
  }
  if (Line.InPlace) {
    if (Line.Output) throw EUsageError("options '--in-place' and '-o' cannot be combined");
    if (Line.Files.empty() ||
        std::find(Line.Files.begin(), Line.Files.end(), "-") != Line.Files.end()) {
      throw EUsageError("option '--in-place' edits files, not standard input");
    }
  }
  if (Line.Files.empty()) Line.Files.push_back("-");
  return Line;
}

std::string LicenceText() {
  return "Copyright (c) 2026 The Corvane developers.\n"
         "License MIT: <https://opensource.org/licenses/MIT>.\n"
         "This is free software: you are free to change and redistribute it.\n"
         "There is NO WARRANTY, to the extent permitted by law.\n";
}

std::string VersionText() {
  return std::string("corvane (Corvane) ") + CORVANE_VERSION + "\n" + LicenceText();
}

namespace {

// Option lines of a command's help.
constexpr THelpLayout CommandLayout = {21, 1};

std::string CommandHelp(const TCommandInfo& C) {
  std::string Text = std::string("Usage: corvane ") + C.Name + " [OPTION]... [FILE]...\n";
  if (C.Intro != nullptr) {
    Text += C.Intro;
  } else {
    Text += std::string("corvane ") + C.Name + ": " + C.Summary +
            ".\n"
            "A line number is the text before a line's first ':' when it holds only digits,\n"
            "blanks and tabs; --form reads others.\n";
  }
  return Text + "\n" + HelpLines(Options, 1u << C.Operation, CommandLayout) + C.Notes;
}

std::string OverviewHelp() {
  std::string Text =
      "Usage: corvane COMMAND [OPTION]... [FILE]...\n"
      "Insert, delete and tidy line numbers ('  9:text') in text files.\n"
      "\n"
      "Commands:\n";
  for (const TCommandSpec& C : CorvaneProgram().Commands) {
    std::string Name = C.Name;
    Name.resize(20, ' ');
    Text += "  " + Name + C.Summary + "\n";
  }
  return Text +
         "\n"
         "Run 'corvane COMMAND --help' for the options of a command.\n"
         "\n"
         "With no FILE, or when FILE is -, read standard input. Several files are\n"
         "processed one after another, each on its own (numbering starts again), and the\n"
         "results are written one after another, as cat would, or each replaces its file\n"
         "when the command is told to edit in place.\n"
         "A byte order mark decides the encoding (UTF-8, UTF-16LE, UTF-16BE); without one,\n"
         "text valid as UTF-8 is UTF-8, else text valid as code page 932 (Shift_JIS), else\n"
         "as EUC-JP, is that; -e names the encoding instead. The output is in the input's\n"
         "encoding, with its byte order mark and its line breaks (CR LF, CR, LF) exactly\n"
         "as they were.\n"
         "\n" +
         HelpLines(Options, cbTop, {17, 2}) +
         "\n"
         "Exit status: 0 if OK, 1 for a usage or file error, 2 when an input is not valid\n"
         "text of its encoding (its byte offset is reported and it is not processed).\n";
}

}  // namespace

std::string HelpText(const std::string& Command) {
  for (const TCommandInfo& C : Commands) {
    if (Command == C.Name) return CommandHelp(C);
  }
  return OverviewHelp();
}

TProgramSpec CorvaneProgram() {
  TProgramSpec Program{"corvane", Options, cbTop, {}};
  for (const TCommandInfo& C : Commands) {
    Program.Commands.push_back({C.Name, C.Summary, Options, 1u << C.Operation});
  }
  // nl mode has GNU nl's own command line; the program also runs it under the name nl.
  Program.Commands.push_back(NlCommandSpec());
  return Program;
}
