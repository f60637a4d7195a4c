#include "cli/filter/CommandLine.h"

#include <algorithm>
#include <cstdint>

#include "library/ConvertToTypeUnit/ConvertToTypeUnit.h"

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "unknown"
#endif

namespace {

// Which commands accept an option.
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
};

struct TCommandInfo {
  const char* Name;
  TFilterOperation Operation;
  const char* Summary;
};

constexpr TCommandInfo Commands[] = {
    {"number", foNumber, "insert line numbers (from 1 unless told otherwise)"},
    {"continue", foContinue, "number on from the number at the head of the first line"},
    {"delete", foDelete, "delete line numbers"},
    {"delete-number-only", foDeleteNumberOnly, "delete the lines that hold only a line number"},
    {"dedent", foDedent, "delete the indentation all numbered lines share"},
    {"tidy", foTidy, "delete-number-only, then dedent"},
    {"copy", foCopy, "folder and file name, then the lines numbered from 1"},
    {"renumber", foRenumber, "number the lines anew from the first line's number"},
};

enum TOptionId : uint8_t {
  oiReverse,
  oiStart,
  oiStep,
  oiZeroFill,
  oiPlus,
  oiTidy,
  oiPath,
  oiEncoding,
  oiOutput,
  oiHelp,
  oiVersion
};

struct TOptionInfo {
  TOptionId Id;
  char Short;  // 0: long form only
  const char* Long;
  bool TakesValue;
  unsigned CommandMask;
};

constexpr TOptionInfo Options[] = {
    {oiReverse, 'r', "reverse", false, cbNumber},
    {oiStart, 's', "start", true, cbNumber},
    {oiStep, 'i', "step", true, cbNumber | cbContinue | cbRenumber},
    {oiZeroFill, 'z', "zero-fill", true, cbNumber},
    {oiPlus, 'p', "plus", false, cbNumber},
    {oiTidy, 't', "tidy", false, cbCopy},
    {oiPath, 0, "path", true, cbCopy},
    {oiEncoding, 'e', "encoding", true, cbAll},
    {oiOutput, 'o', "output", true, cbAll},
    {oiHelp, 'h', "help", false, cbAll},
    {oiVersion, 0, "version", false, cbAll},
};

constexpr int32_t MaxZeroFillWidth = 1000;

const TOptionInfo* FindShort(char C, unsigned Mask) {
  for (const TOptionInfo& O : Options) {
    if (O.Short == C && (O.CommandMask & Mask) != 0) return &O;
  }
  return nullptr;
}

// An exact long name, or the one option the abbreviation can stand for.
const TOptionInfo* FindLong(const std::string& Name, unsigned Mask, const std::string& Typed) {
  const TOptionInfo* Found = nullptr;
  int Matches = 0;
  for (const TOptionInfo& O : Options) {
    if ((O.CommandMask & Mask) == 0) continue;
    const std::string Long = O.Long;
    if (Long == Name) return &O;
    if (Long.compare(0, Name.size(), Name) == 0) {
      Found = &O;
      ++Matches;
    }
  }
  if (Matches > 1) throw EUsageError("option '" + Typed + "' is ambiguous");
  if (Matches == 0) throw EUsageError("unrecognized option '" + Typed + "'");
  return Found;
}

int32_t Int32Option(const std::string& What, const std::string& Value) {
  bool OutOfRange = false;
  const std::optional<int32_t> V = StrToInt32(std::string_view(Value), &OutOfRange);
  if (V) return *V;
  if (OutOfRange) {
    throw EUsageError(What + " out of range: '" + Value + "' (allowed: -2147483648 to 2147483647)");
  }
  throw EUsageError("invalid " + What + ": '" + Value + "'");
}

void ApplyOption(TCommandLine& Line, const TOptionInfo& O, const std::string& Value) {
  TNumbering& N = Line.Request.Numbering;
  switch (O.Id) {
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
        throw EUsageError("invalid zero-fill width: '" + Value + "' (allowed: 1 to " +
                          std::to_string(MaxZeroFillWidth) + ")");
      }
      N.ZeroDigits = *W;
      break;
    }
    case oiTidy:
      Line.Request.CopyTidy = true;
      break;
    case oiPath:
      Line.CopyPath = Value;
      break;
    case oiEncoding: {
      const std::optional<TEncodingChoice> Choice = EncodingChoiceByName(Value);
      if (!Choice) {
        throw EUsageError("invalid encoding: '" + Value +
                          "' (allowed: auto, utf-8, utf-16le, utf-16be, cp932, sjis, shift_jis)");
      }
      Line.Request.Encoding = *Choice;
      break;
    }
    case oiOutput:
      if (Value.empty()) throw EUsageError("invalid output file name: ''");
      Line.Output = Value;
      break;
    case oiHelp:
      Line.Action = caHelp;
      break;
    case oiVersion:
      Line.Action = caVersion;
      break;
  }
}

// Reads the options and files that follow the command, GNU style.
class TArgumentReader {
 public:
  TArgumentReader(const std::vector<std::string>& Args, TCommandLine& Line, unsigned Mask)
      : FArgs(Args), FLine(Line), FMask(Mask) {}

  void ReadFrom(size_t Next) {
    bool OptionsEnded = false;
    for (FNext = Next; FNext < FArgs.size(); ++FNext) {
      const std::string& Arg = FArgs[FNext];
      if (OptionsEnded || Arg == "-" || Arg.empty() || Arg[0] != '-') {
        FLine.Files.push_back(Arg);
      } else if (Arg == "--") {
        OptionsEnded = true;
      } else if (Arg.compare(0, 2, "--") == 0) {
        LongOption(Arg);
      } else {
        ShortOptions(Arg);
      }
    }
  }

 private:
  // "--name", "--name=value", "--name value"; the name may be abbreviated.
  void LongOption(const std::string& Arg) {
    const size_t Eq = Arg.find('=');
    const std::string Name = Arg.substr(2, Eq == std::string::npos ? std::string::npos : Eq - 2);
    const TOptionInfo& O = *FindLong(Name, FMask, Arg.substr(0, Eq));
    std::string Value;
    if (!O.TakesValue && Eq != std::string::npos) {
      throw EUsageError(std::string("option '--") + O.Long + "' doesn't allow an argument");
    }
    if (O.TakesValue) {
      if (Eq != std::string::npos) {
        Value = Arg.substr(Eq + 1);
      } else if (FNext + 1 < FArgs.size()) {
        Value = FArgs[++FNext];
      } else {
        throw EUsageError(std::string("option '--") + O.Long + "' requires an argument");
      }
    }
    ApplyOption(FLine, O, Value);
  }

  // A cluster of short options: "-rp", "-s5", "-rs" "5".
  void ShortOptions(const std::string& Arg) {
    for (size_t I = 1; I < Arg.size(); ++I) {
      const TOptionInfo* O = FindShort(Arg[I], FMask);
      if (!O) throw EUsageError(std::string("invalid option -- '") + Arg[I] + "'");
      std::string Value;
      if (O->TakesValue) {
        if (I + 1 < Arg.size()) {
          Value = Arg.substr(I + 1);
        } else if (FNext + 1 < FArgs.size()) {
          Value = FArgs[++FNext];
        } else {
          throw EUsageError(std::string("option requires an argument -- '") + Arg[I] + "'");
        }
        I = Arg.size();
      }
      ApplyOption(FLine, *O, Value);
    }
  }

  const std::vector<std::string>& FArgs;
  TCommandLine& FLine;
  unsigned FMask;
  size_t FNext = 0;
};

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& Args) {
  TCommandLine Line;
  // Before the command only --help and --version make sense.
  if (Args.empty()) throw EUsageError("missing command");
  const std::string& First = Args[0];
  if (First == "--help" || First == "-h") {
    Line.Action = caHelp;
    return Line;
  }
  if (First == "--version") {
    Line.Action = caVersion;
    return Line;
  }
  if (First.size() > 1 && First[0] == '-') {
    throw EUsageError("missing command before '" + First + "'");
  }
  const auto Command = std::find_if(std::begin(Commands), std::end(Commands),
                                    [&](const TCommandInfo& C) { return First == C.Name; });
  if (Command == std::end(Commands)) throw EUsageError("unknown command '" + First + "'");
  Line.Command = First;
  Line.Request.Operation = Command->Operation;
  TArgumentReader(Args, Line, 1u << Command->Operation).ReadFrom(1);
  if (Line.Action != caRun) return Line;
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

// The options every command takes, last in each command's list.
constexpr const char* CommonOptionHelp =
    "  -e, --encoding=ENC read the input as ENC: auto (the default), utf-8, utf-16le,\n"
    "                     utf-16be or cp932 (also called sjis or shift_jis)\n"
    "  -o, --output=FILE  write to FILE instead of standard output (see docs/cli.md)\n"
    "  -h, --help         display this help and exit\n";

// Commands with options of their own have a help text of their own: Text, the common options,
// then Notes.
struct TCommandHelp {
  const char* Name;
  const char* Text;
  const char* Notes = "";
};

constexpr TCommandHelp CommandHelps[] = {
    {"number",
     "Usage: corvane number [OPTION]... [FILE]...\n"
     "Write each FILE with a line number in front of every line: the number\n"
     "right-aligned in a field as wide as the widest number, then ':'.\n"
     "\n"
     "  -s, --start=N      number the first line N (default 1)\n"
     "  -i, --step=N       add N from one line to the next (default 1; may be < 0)\n"
     "  -r, --reverse      count from the last line upwards\n"
     "  -z, --zero-fill=W  fill the digits with '0' to at least W columns (1-1000);\n"
     "                     negative numbers then get a sign column\n"
     "  -p, --plus         write '+' before positive numbers\n",
     "\n"
     "N lies between -2147483648 and 2147483647; the line values themselves may go\n"
     "beyond that range and never wrap around.\n"},
    {"continue",
     "Usage: corvane continue [OPTION]... [FILE]...\n"
     "Number every line on from the number written before the first ':' of the\n"
     "first line (for example '10:' or '005:'), which is replaced by the new number.\n"
     "A number written with a leading '0' (and two or more digits) gives zero-filled\n"
     "numbers of at least that many digits; a leading '+' gives '+' signs.\n"
     "When the first line holds no such number the text is written unchanged and a\n"
     "warning is printed.\n"
     "\n"
     "  -i, --step=N       add N from one line to the next (default 1; 10, -1, -10)\n"},
    {"renumber",
     "Usage: corvane renumber [OPTION]... [FILE]...\n"
     "Number the lines anew after lines were inserted into or deleted from a numbered\n"
     "list: every line loses the number it carries (digits, blanks and tabs before\n"
     "its first ':') and is numbered on from the first line's number, zero-filled\n"
     "when that number is written with a leading '0', blank-aligned otherwise. When\n"
     "the first line carries no number, numbering starts at 1; when its number is no\n"
     "32-bit start (a tab before it, a blank inside), the text is left unchanged and\n"
     "a warning is printed.\n"
     "  ' 9:a', '10:b', '12:c'  ->  ' 9:a', '10:b', '11:c'\n"
     "\n"
     "  -i, --step=N       add N from one line to the next (default 1; may be < 0)\n"},
    {"copy",
     "Usage: corvane copy [OPTION]... [FILE]...\n"
     "Write the copy-with-header form of each FILE: its folder on the first line, its\n"
     "name indented by two blanks on the second, then its lines numbered from 1.\n"
     "The header lines end with the line break of the file's first line (CR LF when\n"
     "the file has none). The folder is the path up to its last '/', '\\' or ':'.\n"
     "\n"
     "  -t, --tidy         tidy the numbered lines as 'corvane tidy' does\n"
     "      --path=PATH    use PATH in the header instead of the name as given\n"
     "                     (standard input has an empty path otherwise)\n"},
};

// The help of a command with no options but -o and -h.
std::string PlainCommandHelp(const TCommandInfo& C) {
  return std::string("Usage: corvane ") + C.Name + " [OPTION]... [FILE]...\n" + "corvane " +
         C.Name + ": " + C.Summary +
         ".\n"
         "A line number is the text before a line's first ':' when it holds only digits,\n"
         "blanks and tabs.\n"
         "\n" +
         CommonOptionHelp;
}

std::string OverviewHelp() {
  std::string Text =
      "Usage: corvane COMMAND [OPTION]... [FILE]...\n"
      "Insert, delete and tidy line numbers ('  9:text') in text files.\n"
      "\n"
      "Commands:\n";
  for (const TCommandInfo& C : Commands) {
    std::string Name = C.Name;
    Name.resize(20, ' ');
    Text += "  " + Name + C.Summary + "\n";
  }
  // nl mode has GNU nl's own command line; the program also runs it under the name nl.
  Text += "  nl                  number lines as GNU nl does, with nl's options\n";
  Text +=
      "\n"
      "Run 'corvane COMMAND --help' for the options of a command.\n"
      "\n"
      "With no FILE, or when FILE is -, read standard input. Several files are\n"
      "processed one after another, each on its own (numbering starts again), and the\n"
      "results are "
      "written one after another, as cat would.\n"
      "A byte order mark decides the encoding (UTF-8, UTF-16LE, UTF-16BE); without one,\n"
      "text valid as UTF-8 is UTF-8, else text valid as code page 932 (Shift_JIS) is\n"
      "that; -e names the encoding instead. The output is in the input's encoding, with\n"
      "its byte order mark and its line breaks (CR LF, CR, LF) exactly as they were.\n"
      "\n"
      "  -h, --help     display this help and exit\n"
      "      --version  output version information and exit\n"
      "\n"
      "Exit status: 0 if OK, 1 for a usage or file error, 2 when an input is not valid\n"
      "text of its encoding (its byte offset is reported and it is not processed).\n";
  return Text;
}

}  // namespace

std::string HelpText(const std::string& Command) {
  for (const TCommandHelp& H : CommandHelps) {
    if (Command == H.Name) return std::string(H.Text) + CommonOptionHelp + H.Notes;
  }
  for (const TCommandInfo& C : Commands) {
    if (Command == C.Name) return PlainCommandHelp(C);
  }
  return OverviewHelp();
}
