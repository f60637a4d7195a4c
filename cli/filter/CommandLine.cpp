#include "cli/filter/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

#include "cli/io/Message.h"
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

// A command's help: Intro, its options, then Notes (rows of MessageTable.h). No Intro: the
// summary and what a line number is.
struct TCommandInfo {
  const char* Name;
  TFilterOperation Operation;
  TMessageId Summary;
  TMessageId Intro = miCount;
  TMessageId Notes = miCount;
};

constexpr TCommandInfo Commands[] = {
    {"number", foNumber, miSumNumber, miIntroNumber, miNotesNumber},
    {"continue", foContinue, miSumContinue, miIntroContinue},
    {"delete", foDelete, miSumDelete},
    {"delete-number-only", foDeleteNumberOnly, miSumDeleteNumberOnly},
    {"dedent", foDedent, miSumDedent},
    {"tidy", foTidy, miSumTidy},
    {"copy", foCopy, miSumCopy, miIntroCopy, miNotesCopy},
    {"renumber", foRenumber, miSumRenumber, miIntroRenumber},
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
    {oiStart, 's', "start", ovText, "N", EnglishText(miOptStart), cbNumber},
    {oiStart, 's', "start", ovText, "N", EnglishText(miOptCopyStart), cbCopy},
    {oiStep, 'i', "step", ovText, "N", EnglishText(miOptStep), cbNumber | cbRenumber},
    {oiReverse, 'r', "reverse", ovNone, nullptr, EnglishText(miOptReverse), cbNumber},
    {oiZeroFill, 'z', "zero-fill", ovText, "W", EnglishText(miOptZeroFill), cbNumber},
    {oiPlus, 'p', "plus", ovNone, nullptr, EnglishText(miOptPlus), cbNumber},
    {oiStep, 'i', "step", ovText, "N", EnglishText(miOptContinueStep), cbContinue},
    {oiTidy, 't', "tidy", ovNone, nullptr, EnglishText(miOptTidy), cbCopy},
    {oiPath, 0, "path", ovFile, "PATH", EnglishText(miOptPath), cbCopy},
    {oiHeader, 0, "header", ovWord, "WHAT", EnglishText(miOptHeader), cbCopy, "full name none"},
    {oiFence, 0, "fence", ovText, "LANG", EnglishText(miOptFence), cbCopy, nullptr, nullptr, true},
    {oiSeparator, 'S', "separator", ovText, "STR", EnglishText(miOptSeparatorBoth),
     cbWrites & ~cbNumber & ~cbCopy},
    {oiSeparator, 'S', "separator", ovText, "STR", EnglishText(miOptSeparatorWrite),
     cbNumber | cbCopy},
    {oiSeparator, 'S', "separator", ovText, "STR", EnglishText(miOptSeparatorRead),
     cbReads & ~cbWrites},
    {oiNumberFormat, 'n', "number-format", ovWord, "F", EnglishText(miOptNumberFormat), cbWrites,
     "ln rn rz"},
    {oiWidth, 'w', "width", ovText, "N", EnglishText(miOptWidth), cbWrites},
    {oiAfterIndent, 0, "after-indent", ovNone, nullptr, EnglishText(miOptAfterIndent), cbWrites},
    {oiBody, 'b', "body-numbering", ovText, "STYLE", EnglishText(miOptBody), cbNumber},
    {oiForm, 0, "form", ovWord, "FORM", EnglishText(miOptForm), cbReads, "colon nl list auto"},
    {oiEncoding, 'e', "encoding", ovWord, "ENC", EnglishText(miOptEncoding), cbAll, nullptr,
     EncodingChoiceNames},
    {oiOutput, 'o', "output", ovFile, "FILE", EnglishText(miOptOutput), cbAll},
    {oiInPlace, 0, "in-place", ovText, "SUFFIX", EnglishText(miOptInPlace), cbAll, nullptr, nullptr,
     true},
    {oiSpoolLimit, 0, "spool-limit", ovText, "SIZE", EnglishText(miOptSpoolLimit), cbAll},
    {oiHelp, 'h', "help", ovNone, nullptr, EnglishText(miOptHelp), cbAll | cbTop},
    {oiVersion, 0, "version", ovNone, nullptr, EnglishText(miOptVersion), cbAll | cbTop},
};

// An argument in a message: the filter's messages are UTF-8 whatever the locale.
std::string Quoted(const std::string& Value) {
  return QuoteArgument(Value, mtUtf8);
}

constexpr int32_t MaxZeroFillWidth = 1000;
constexpr int32_t MaxWidth = 1000;

// ChoiceOption() — the value of one of the row's Words, as its position in Values.
template <typename TValue, size_t N>
TValue ChoiceOption(const TOptionSpec& O, TMessageId Invalid, const std::string& Value,
                    const TValue (&Values)[N]) {
  const std::vector<std::string> Words = OptionWords(O);
  std::string Allowed;
  for (size_t I = 0; I < Words.size() && I < N; ++I) {
    if (Value == Words[I]) return Values[I];
    Allowed += (Allowed.empty() ? "" : ", ") + Words[I];
  }
  throw EUsageError(Message(Invalid, {Quoted(Value), Allowed}));
}

constexpr TFieldAlign NumberFormats[] = {faLeft, faRight, faZero};
constexpr TFormChoice Forms[] = {fcColon, fcNl, fcList, fcAuto};
constexpr TCopyHeading Headings[] = {chFull, chName, chNone};

// --fence's language: an info string Markdown keeps on the fence's line.
std::u16string FenceOption(const std::string& Value) {
  std::u16string Language;
  if (Value.find_first_of("\r\n`") != std::string::npos || !Utf8ToUtf16(Value, Language)) {
    throw EUsageError(Message(miInvalidFence, {Quoted(Value)}));
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
    throw EUsageError(Message(miInvalidBody, {Quoted(Value)}));
  }
  TNlRegex Regex;
  std::string Error;
  if (!Regex.Compile(std::string_view(Value).substr(1), Error)) {
    throw EUsageError(Message(miInvalidRegex, {Quoted(Value.substr(1)), LocalText(Error.c_str())}));
  }
  Form.Body = bcPattern;
  Form.Pattern = Value.substr(1);
}

// -S: one line of text, not empty.
std::u16string SeparatorOption(const std::string& Value) {
  std::u16string Separator;
  if (Value.empty() || Value.find_first_of("\r\n") != std::string::npos ||
      !Utf8ToUtf16(Value, Separator)) {
    throw EUsageError(Message(miInvalidSeparator, {Quoted(Value)}));
  }
  return Separator;
}

int32_t Int32Option(TMessageId Invalid, TMessageId Beyond, const std::string& Value) {
  bool OutOfRange = false;
  const std::optional<int32_t> V = StrToInt32(std::string_view(Value), &OutOfRange);
  if (V) return *V;
  if (OutOfRange) {
    throw EUsageError(Message(Beyond, {Quoted(Value)}));
  }
  throw EUsageError(Message(Invalid, {Quoted(Value)}));
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
    throw EUsageError(Message(miInvalidSpoolLimit, {Quoted(Value)}));
  }
  return Size;
}

// A field width from 1 to Max.
int32_t WidthOption(TMessageId Invalid, int32_t Max, const std::string& Value) {
  const std::optional<int32_t> W = StrToInt32(std::string_view(Value));
  if (!W || *W < 1 || *W > Max) {
    throw EUsageError(Message(Invalid, {Quoted(Value), std::to_string(Max)}));
  }
  return *W;
}

TEncodingChoice EncodingOption(const std::string& Value) {
  const std::optional<TEncodingChoice> Choice = EncodingChoiceByName(Value);
  if (!Choice) {
    throw EUsageError(Message(miInvalidEncoding, {Quoted(Value), EncodingChoiceNames()}));
  }
  return *Choice;
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
      N.Start = Int32Option(miInvalidStart, miStartOutOfRange, Value);
      break;
    case oiStep:
      N.Step = Line.Request.ContinueStep = Int32Option(miInvalidStep, miStepOutOfRange, Value);
      break;
    case oiZeroFill:
      N.ZeroDigits = WidthOption(miInvalidZeroFill, MaxZeroFillWidth, Value);
      break;
    case oiTidy:
      Line.Request.CopyTidy = true;
      break;
    case oiSeparator:
      Line.Request.Form.Separator = SeparatorOption(Value);
      break;
    case oiNumberFormat:
      Line.Request.Form.Align = ChoiceOption(O, miInvalidNumberFormat, Value, NumberFormats);
      break;
    case oiWidth:
      Line.Request.Form.Width = WidthOption(miInvalidWidth, MaxWidth, Value);
      break;
    case oiAfterIndent:
      Line.Request.Form.AfterIndent = true;
      break;
    case oiBody:
      BodyOption(Line.Request.Form, Value);
      break;
    case oiForm:
      Line.Request.Form.Read = ChoiceOption(O, miInvalidForm, Value, Forms);
      break;
    case oiPath:
      Line.CopyPath = Value;
      break;
    case oiHeader:
      Line.Request.CopyHeading = ChoiceOption(O, miInvalidHeader, Value, Headings);
      break;
    case oiFence:
      Line.Request.CopyFence = FenceOption(Value);
      break;
    case oiEncoding:
      Line.Request.Encoding = EncodingOption(Value);
      break;
    case oiOutput:
      if (Value.empty()) throw EUsageError(Message(miInvalidOutputName));
      Line.Output = Value;
      break;
    case oiInPlace:
      if (Value.find_first_of("/\\") != std::string::npos) {
        throw EUsageError(Message(miInvalidSuffix, {Quoted(Value)}));
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
  if (Args.empty()) throw EUsageError(Message(miMissingCommand));
  const std::string& First = Args[0];
  if (First.size() > 1 && First[0] == '-') {
    // Before the command only --help and --version make sense.
    TOptionParser Top(Options, cbTop, Args, 0);
    if (TParsedArgument A; Top.Next(A) && A.Option != nullptr) {
      ApplyOption(Line, *A.Option, A.Value);
      return Line;
    }
    throw EUsageError(Message(miMissingCommandBefore, {Quoted(First)}));
  }
  const auto Command = std::find_if(std::begin(Commands), std::end(Commands),
                                    [&](const TCommandInfo& C) { return First == C.Name; });
  if (Command == std::end(Commands)) {
    throw EUsageError(Message(miUnknownCommand, {Quoted(First)}));
  }
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
    throw EUsageError(Message(miZeroFillConflict));
  }
  if (Line.InPlace) {
    if (Line.Output) throw EUsageError(Message(miInPlaceWithOutput));
    if (Line.Files.empty() ||
        std::find(Line.Files.begin(), Line.Files.end(), "-") != Line.Files.end()) {
      throw EUsageError(Message(miInPlaceStdin));
    }
  }
  if (Line.Files.empty()) Line.Files.push_back("-");
  return Line;
}

std::string LicenceText() {
  return Message(miLicence);
}

std::string VersionText() {
  return std::string("corvane (Corvane) ") + CORVANE_VERSION + "\n" + LicenceText();
}

namespace {

// Option lines of a command's help.
constexpr THelpLayout CommandLayout = {21, 1};

std::string CommandHelp(const TCommandInfo& C) {
  std::string Text = Message(miHelpUsage, {C.Name});
  Text += C.Intro != miCount ? Message(C.Intro)
                             : Message(miHelpLineNumber, {C.Name, Message(C.Summary)});
  return Text + "\n" + HelpLines(Options, 1u << C.Operation, CommandLayout, LocalText) +
         (C.Notes != miCount ? Message(C.Notes) : "");
}

std::string OverviewHelp() {
  std::string Text = Message(miHelpUsage, {"COMMAND"}) + Message(miHelpOverview);
  for (const TCommandSpec& C : CorvaneProgram().Commands) {
    std::string Name = C.Name;
    Name.resize(20, ' ');
    Text += "  " + Name + LocalText(C.Summary) + "\n";
  }
  return Text + Message(miHelpFiles) + HelpLines(Options, cbTop, {17, 2}, LocalText) +
         Message(miHelpExit);
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
    Program.Commands.push_back({C.Name, EnglishText(C.Summary), Options, 1u << C.Operation});
  }
  // nl mode has GNU nl's own command line; the program also runs it under the name nl.
  Program.Commands.push_back(NlCommandSpec());
  return Program;
}
