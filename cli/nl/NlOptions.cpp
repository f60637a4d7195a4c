// The command line of corvane nl: getopt_long's rules, nl's option checks and messages.

#include "cli/nl/NlOptions.h"

#include <climits>
#include <string_view>

#include "cli/filter/CommandLine.h"
#include "cli/nl/NlText.h"

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "unknown"
#endif

namespace {

enum TNlOptionId : uint8_t {
  niHeader,
  niBody,
  niFooter,
  niStart,
  niIncrement,
  niNoRenumber,
  niJoinBlank,
  niSeparator,
  niWidth,
  niFormat,
  niDelimiter,
  niHelp,
  niVersion,
};

struct TNlOptionInfo {
  TNlOptionId Id;
  char Short;  // 0: long form only
  const char* Long;
  bool TakesValue;
};

// In nl's order: an ambiguous abbreviation lists its possibilities in this order.
constexpr TNlOptionInfo Options[] = {
    {niHeader, 'h', "header-numbering", true},
    {niBody, 'b', "body-numbering", true},
    {niFooter, 'f', "footer-numbering", true},
    {niStart, 'v', "starting-line-number", true},
    {niIncrement, 'i', "line-increment", true},
    {niNoRenumber, 'p', "no-renumber", false},
    {niJoinBlank, 'l', "join-blank-lines", true},
    {niSeparator, 's', "number-separator", true},
    {niWidth, 'w', "number-width", true},
    {niFormat, 'n', "number-format", true},
    {niDelimiter, 'd', "section-delimiter", true},
    {niHelp, 0, "help", false},
    {niVersion, 0, "version", false},
};

enum TStep : uint8_t { stGoOn, stFatal, stHelp, stVersion };

// A decimal intmax_t in Least..Most, read as nl reads numbers: blanks before it, one sign.
// Null when valid; else the reason for the message, "" for no number at all.
const char* ParseNumber(const std::string& Text, intmax_t Least, intmax_t Most, intmax_t& Value) {
  size_t I = Text.find_first_not_of(" \t\n\v\f\r");
  if (I == std::string::npos) return "";
  const bool Negative = Text[I] == '-';
  if (Text[I] == '+' || Negative) ++I;
  if (I == Text.size()) return "";
  bool Overflow = false;
  intmax_t V = 0;
  for (; I < Text.size(); ++I) {
    if (Text[I] < '0' || Text[I] > '9') return "";
    const int Digit = Text[I] - '0';
    Overflow =
        Overflow || __builtin_mul_overflow(V, 10, &V) ||
        (Negative ? __builtin_sub_overflow(V, Digit, &V) : __builtin_add_overflow(V, Digit, &V));
  }
  if (Overflow) return "Value too large for defined data type";
  // As gnulib's xdectoimax: a value beyond half the int range is "too large", whatever side.
  if (V < Least || V > Most) {
    return V < INT_MIN / 2 || V > INT_MAX / 2 ? "Value too large for defined data type"
                                              : "Numerical result out of range";
  }
  Value = V;
  return nullptr;
}

// The long option Name (the text before any '=') stands for, or null and why not.
const TNlOptionInfo* FindLong(std::string_view Name, const std::string& Arg,
                              std::string& Complaint) {
  std::vector<const TNlOptionInfo*> Found;
  for (const TNlOptionInfo& O : Options) {
    if (Name == O.Long) return &O;
    if (std::string_view(O.Long).substr(0, Name.size()) == Name) Found.push_back(&O);
  }
  if (Found.size() == 1) return Found[0];
  if (Found.empty()) {
    Complaint = "unrecognized option '" + Arg + "'";
  } else {
    Complaint = "option '" + Arg + "' is ambiguous; possibilities:";
    for (const TNlOptionInfo* O : Found) Complaint += std::string(" '--") + O->Long + "'";
  }
  return nullptr;
}

const TNlOptionInfo* FindShort(char C) {
  for (const TNlOptionInfo& O : Options) {
    if (O.Short != 0 && O.Short == C) return &O;
  }
  return nullptr;
}

class TParser {
 public:
  TParser(const std::string& Program, TNlCommand& Command)
      : FProgram(Program), FCommand(Command), FOptions(Command.Options) {}

  bool Ok = true;  // false after a fault that is reported at the end with "Try ..."
  TStep Step = stGoOn;

  // Args[I] is "--NAME" or "--NAME=VALUE"; a separate value moves I on.
  void LongOption(const std::vector<std::string>& Args, size_t& I) {
    const std::string& Arg = Args[I];
    const size_t Eq = Arg.find('=');
    const std::string_view Name =
        std::string_view(Arg).substr(2, Eq == std::string::npos ? Eq : Eq - 2);
    std::string Complaint;
    const TNlOptionInfo* O = FindLong(Name, Arg, Complaint);
    if (O != nullptr && !O->TakesValue && Eq != std::string::npos) {
      Complaint = std::string("option '--") + O->Long + "' doesn't allow an argument";
    } else if (O != nullptr && O->TakesValue && Eq == std::string::npos && I + 1 == Args.size()) {
      Complaint = std::string("option '--") + O->Long + "' requires an argument";
    }
    if (!Complaint.empty()) return Fault(Complaint);
    Step = Apply(O->Id, !O->TakesValue            ? std::string()
                        : Eq != std::string::npos ? Arg.substr(Eq + 1)
                                                  : Args[++I]);
  }

  // Args[I] is a bundle: "-pba", "-w3", "-w" "3"; a separate value moves I on.
  void ShortOptions(const std::vector<std::string>& Args, size_t& I) {
    const std::string& Arg = Args[I];
    for (size_t J = 1; J < Arg.size() && Step == stGoOn; ++J) {
      const TNlOptionInfo* O = FindShort(Arg[J]);
      if (O == nullptr) {
        Fault(std::string("invalid option -- '") + Arg[J] + "'");
      } else if (!O->TakesValue) {
        Step = Apply(O->Id, "");
      } else {
        if (J + 1 < Arg.size()) {
          Step = Apply(O->Id, Arg.substr(J + 1));
        } else if (I + 1 < Args.size()) {
          Step = Apply(O->Id, Args[++I]);
        } else {
          Fault(std::string("option requires an argument -- '") + Arg[J] + "'");
        }
        return;
      }
    }
  }

  void Report(const std::string& Message) {
    FCommand.Diagnostics += FProgram + ": " + Message + "\n";
  }
  void Fault(const std::string& Message) {
    Report(Message);
    Ok = false;
  }

  TStep Apply(TNlOptionId Id, const std::string& Value) {
    switch (Id) {
      case niBody:
        return Style(scBody, "body", Value);
      case niFooter:
        return Style(scFooter, "footer", Value);
      case niHeader:
        return Style(scHeader, "header", Value);
      case niIncrement:
        return Number(Value, INTMAX_MIN, INTMAX_MAX, "line number increment", FOptions.Increment);
      case niJoinBlank:
        return Number(Value, 1, INTMAX_MAX, "line number of blank lines", FOptions.JoinBlank);
      case niStart:
        return Number(Value, INTMAX_MIN, INTMAX_MAX, "starting line number", FOptions.Start);
      case niWidth:
        return Number(Value, 1, INT_MAX, "line number field width", FOptions.Width);
      case niNoRenumber:
        FOptions.Renumber = false;
        return stGoOn;
      case niSeparator:
        FOptions.Separator = Value;
        return stGoOn;
      case niFormat:
        if (Value == "ln" || Value == "rn" || Value == "rz") {
          FOptions.Format = Value[0] == 'l' ? nfLeft : Value[1] == 'n' ? nfRight : nfZeros;
        } else {
          Fault("invalid line numbering format: " + QuoteArgument(Value));
        }
        return stGoOn;
      case niDelimiter:
        // One character stands for itself followed by ':'.
        FOptions.Delimiter = IsOneCharacter(Value) ? Value + ":" : Value;
        return stGoOn;
      case niHelp:
        return stHelp;
      case niVersion:
        return stVersion;
    }
    return stGoOn;
  }

 private:
  // Only the first letter counts: nl takes "-bab" for "-ba".
  TStep Style(TNlSection Section, const char* Name, const std::string& Value) {
    TNlNumbering& N = FOptions.Sections[Section];
    const char Kind = Value.empty() ? '\0' : Value[0];
    if (Kind == 'a' || Kind == 't' || Kind == 'n') {
      N.Style = Kind == 'a' ? nsAll : Kind == 't' ? nsNonEmpty : nsNone;
      return stGoOn;
    }
    if (Kind != 'p') {
      Fault(std::string("invalid ") + Name + " numbering style: " + QuoteArgument(Value));
      return stGoOn;
    }
    auto Regex = std::make_unique<TNlRegex>();
    std::string Error;
    if (!Regex->Compile(std::string_view(Value).substr(1), Error)) {
      Report(Error);
      return stFatal;
    }
    N.Style = nsRegex;
    N.Regex = std::move(Regex);
    return stGoOn;
  }

  TStep Number(const std::string& Value, intmax_t Least, intmax_t Most, const char* What,
               intmax_t& Target) {
    const char* const Reason = ParseNumber(Value, Least, Most, Target);
    if (Reason == nullptr) return stGoOn;
    Report(std::string("invalid ") + What + ": " + QuoteArgument(Value) +
           (*Reason == '\0' ? "" : std::string(": ") + Reason));
    return stFatal;
  }

  const std::string& FProgram;
  TNlCommand& FCommand;
  TNlOptions& FOptions;
};

}  // namespace

TNlCommand ParseNlCommandLine(const std::vector<std::string>& Args, const std::string& Program,
                              bool PosixlyCorrect) {
  TNlCommand Command;
  TParser Parser(Program, Command);
  bool OptionsEnded = false;
  for (size_t I = 0; I < Args.size() && Parser.Step == stGoOn; ++I) {
    const std::string& Arg = Args[I];
    if (OptionsEnded || Arg.size() < 2 || Arg[0] != '-') {
      OptionsEnded = OptionsEnded || PosixlyCorrect;
      Command.Options.Files.push_back(Arg);
    } else if (Arg == "--") {
      OptionsEnded = true;
    } else if (Arg[1] == '-') {
      Parser.LongOption(Args, I);
    } else {
      Parser.ShortOptions(Args, I);
    }
  }
  if (Parser.Step == stHelp || Parser.Step == stVersion) {
    Command.Action = Parser.Step == stHelp ? naHelp : naVersion;
  } else if (Parser.Step == stFatal) {
    Command.Action = naFail;
  } else if (!Parser.Ok) {
    Command.Diagnostics += "Try '" + Program + " --help' for more information.\n";
    Command.Action = naFail;
  }
  if (Command.Options.Files.empty()) Command.Options.Files.push_back("-");
  return Command;
}

std::string NlHelpText(const std::string& Program) {
  return "Usage: " + Program +
         " [OPTION]... [FILE]...\n"
         "Write each FILE to standard output with line numbers added, as GNU nl does.\n"
         "With no FILE, or when FILE is -, read standard input. The files make one\n"
         "stream: numbering goes on from one file to the next.\n"
         "\n"
         "Mandatory arguments to long options are mandatory for short options too.\n"
         "  -b, --body-numbering=STYLE      number body lines by STYLE (default t)\n"
         "  -d, --section-delimiter=CC      delimit sections with CC (default \\:)\n"
         "  -f, --footer-numbering=STYLE    number footer lines by STYLE (default n)\n"
         "  -h, --header-numbering=STYLE    number header lines by STYLE (default n)\n"
         "  -i, --line-increment=NUMBER     step from one number to the next (default 1)\n"
         "  -l, --join-blank-lines=NUMBER   with STYLE a, number only each NUMBERth of\n"
         "                                    consecutive empty lines (default 1)\n"
         "  -n, --number-format=FORMAT      write numbers in FORMAT (default rn)\n"
         "  -p, --no-renumber               go on counting across sections\n"
         "  -s, --number-separator=STRING   put STRING after each number (default TAB)\n"
         "  -v, --starting-line-number=NUMBER  first number of each section (default 1)\n"
         "  -w, --number-width=NUMBER       give numbers NUMBER columns (default 6)\n"
         "      --help     display this help and exit\n"
         "      --version  output version information and exit\n"
         "\n"
         "STYLE is a (all lines), t (non-empty lines), n (no lines) or pBRE (lines that\n"
         "contain a match for the basic regular expression BRE).\n"
         "FORMAT is ln (left-aligned), rn (right-aligned) or rz (right-aligned, zeros).\n"
         "A line holding only CCCCCC starts a header, CCCC a body, CC a footer; each\n"
         "prints as an empty line and starts the numbering again unless -p is given.\n"
         "A single character C means C:, and -d '' turns sections off.\n"
         "Lines without a number are indented by the width and the separator's length.\n"
         "\n"
         "Exit status: 0 if OK, 1 after a usage error, a file that cannot be read, a\n"
         "line number beyond the 64-bit range or a write error.\n";
}

std::string NlVersionText() {
  return "nl (Corvane) " CORVANE_VERSION "\n" + LicenceText();
}
