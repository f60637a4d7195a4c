// The command line of corvane nl: getopt_long's rules, nl's option checks and messages.

#include "cli/nl/NlOptions.h"

#include <climits>
#include <string_view>

#include "cli/filter/CommandLine.h"
#include "cli/io/Message.h"
#include "cli/io/Options.h"
#include "cli/io/Quote.h"
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

// The rows of the help's first block and of its second (--help, --version).
constexpr unsigned NlMain = 1, NlStandard = 2;

// In nl's order, in which an ambiguous abbreviation lists its possibilities; the help lists them
// by short name.
constexpr TOptionSpec Options[] = {
    {niHeader, 'h', "header-numbering", ovWord, "STYLE", "number header lines by STYLE (default n)",
     NlMain, "a t n p"},
    {niBody, 'b', "body-numbering", ovWord, "STYLE", "number body lines by STYLE (default t)",
     NlMain, "a t n p"},
    {niFooter, 'f', "footer-numbering", ovWord, "STYLE", "number footer lines by STYLE (default n)",
     NlMain, "a t n p"},
    {niStart, 'v', "starting-line-number", ovText, "NUMBER",
     "first number of each section (default 1)", NlMain},
    {niIncrement, 'i', "line-increment", ovText, "NUMBER",
     "step from one number to the next (default 1)", NlMain},
    {niNoRenumber, 'p', "no-renumber", ovNone, nullptr, "go on counting across sections", NlMain},
    {niJoinBlank, 'l', "join-blank-lines", ovText, "NUMBER",
     "with STYLE a, number only each NUMBERth of\nconsecutive empty lines (default 1)", NlMain},
    {niSeparator, 's', "number-separator", ovText, "STRING",
     "put STRING after each number (default TAB)", NlMain},
    {niWidth, 'w', "number-width", ovText, "NUMBER", "give numbers NUMBER columns (default 6)",
     NlMain},
    {niFormat, 'n', "number-format", ovWord, "FORMAT", "write numbers in FORMAT (default rn)",
     NlMain, "ln rn rz"},
    {niDelimiter, 'd', "section-delimiter", ovText, "CC", "delimit sections with CC (default \\:)",
     NlMain},
    {niHelp, 0, "help", ovNone, nullptr, "display this help and exit", NlStandard},
    {niVersion, 0, "version", ovNone, nullptr, "output version information and exit", NlStandard},
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

class TParser {
 public:
  TParser(const std::string& Program, TNlCommand& Command)
      : FProgram(Program), FCommand(Command), FOptions(Command.Options) {}

  bool Ok = true;  // false after a fault that is reported at the end with "Try ..."
  TStep Step = stGoOn;

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
          Fault(NlMessage("invalid line numbering format: %s", QuoteArgument(Value, mtLocale)));
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
      Fault(NlMessage(std::string("invalid ") + Name + " numbering style: %s",
                      QuoteArgument(Value, mtLocale)));
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
    Report(NlMessage((std::string("invalid ") + What).c_str()) + ": " +
           QuoteArgument(Value, mtLocale) + (*Reason == '\0' ? "" : ": " + NlSystemText(Reason)));
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
  TOptionParser Reader(Options, NlMain | NlStandard, Args, 0, PosixlyCorrect);
  for (TParsedArgument A; Parser.Step == stGoOn && Reader.Next(A);) {
    if (!A.Fault.empty()) {
      Parser.Fault(A.Fault);
    } else if (A.Option != nullptr) {
      Parser.Step = Parser.Apply(static_cast<TNlOptionId>(A.Option->Id), A.Value);
    } else {
      Command.Options.Files.push_back(A.Value);
    }
  }
  if (Parser.Step == stHelp || Parser.Step == stVersion) {
    Command.Action = Parser.Step == stHelp ? naHelp : naVersion;
  } else if (Parser.Step == stFatal) {
    Command.Action = naFail;
  } else if (!Parser.Ok) {
    Command.Diagnostics += NlMessage("Try '%s --help' for more information.\n", Program);
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
         "Mandatory arguments to long options are mandatory for short options too.\n" +
         HelpLines(Options, NlMain, {34, 2, 2, true}) + HelpLines(Options, NlStandard, {17, 2}) +
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

TCommandSpec NlCommandSpec() {
  return {"nl", EnglishText(miSumNl), Options, NlMain | NlStandard};
}

std::string NlVersionText() {
  return "nl (Corvane) " CORVANE_VERSION "\n" + LicenceText();
}
