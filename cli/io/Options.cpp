// Option tables into parsing and --help lines, for the filter and nl mode alike.

#include "cli/io/Options.h"

#include <algorithm>
#include <sstream>
#include <string_view>

#include "cli/io/Message.h"

bool TOptionParser::Next(TParsedArgument& Out) {
  Out = TParsedArgument();
  if (FCluster > 0) {
    ShortOption(Out);
    return true;
  }
  while (FNext < FArgs.size()) {
    const std::string& Arg = FArgs[FNext];
    if (FOptionsEnded || Arg.size() < 2 || Arg[0] != '-') {
      FOptionsEnded = FOptionsEnded || FPosixlyCorrect;
      Out.Value = Arg;
      ++FNext;
      return true;
    }
    if (Arg == "--") {
      FOptionsEnded = true;
      ++FNext;
      continue;
    }
    if (Arg[1] == '-') {
      LongOption(Out);
    } else {
      FCluster = 1;
      ShortOption(Out);
    }
    return true;
  }
  return false;
}

// An exact long name, or the one row an abbreviation can stand for; else null and the fault,
// ambiguities listed in the table's order as getopt_long lists them.
const TOptionSpec* TOptionParser::FindLong(const std::string& Name, const std::string& Typed,
                                           std::string& Fault) const {
  std::vector<const TOptionSpec*> Found;
  for (const TOptionSpec& O : FTable) {
    if ((O.Groups & FGroups) == 0 || O.Long == nullptr) continue;
    if (Name == O.Long) return &O;
    if (std::string_view(O.Long).starts_with(Name)) Found.push_back(&O);
  }
  if (Found.size() == 1) return Found[0];
  if (Found.empty()) {
    Fault = Message(miUnrecognizedOption, {Typed});
  } else {
    std::string Possibilities;
    for (const TOptionSpec* O : Found) Possibilities += std::string(" '--") + O->Long + "'";
    Fault = Message(miAmbiguousOption, {Typed, Possibilities});
  }
  return nullptr;
}

// FArgs[FNext] is "--NAME" or "--NAME=VALUE"; a value apart moves on one more argument.
void TOptionParser::LongOption(TParsedArgument& Out) {
  const std::string& Arg = FArgs[FNext++];
  const size_t Eq = Arg.find('=');
  const std::string Name = Arg.substr(2, Eq == std::string::npos ? Eq : Eq - 2);
  const TOptionSpec* O = FindLong(Name, Arg, Out.Fault);
  if (O == nullptr) return;
  if (O->Value == ovNone) {
    if (Eq != std::string::npos) Out.Fault = Message(miNoArgumentAllowed, {O->Long});
  } else if (Eq != std::string::npos) {
    Out.Value = Arg.substr(Eq + 1);
  } else if (O->OptionalValue) {
    Out.Value.clear();
  } else if (FNext < FArgs.size()) {
    Out.Value = FArgs[FNext++];
  } else {
    Out.Fault = Message(miArgumentRequired, {O->Long});
  }
  if (Out.Fault.empty()) Out.Option = O;
}

// The option at FCluster of a bundle; one that takes a value takes the rest of the bundle, or
// the next argument when it is last.
void TOptionParser::ShortOption(TParsedArgument& Out) {
  const std::string& Arg = FArgs[FNext];
  const char C = Arg[FCluster++];
  const bool Last = FCluster == Arg.size();
  const auto Found = std::find_if(FTable.begin(), FTable.end(), [&](const TOptionSpec& O) {
    return O.Short != 0 && O.Short == C && (O.Groups & FGroups) != 0;
  });
  const size_t Rest = FCluster;
  if (Last || (Found != FTable.end() && Found->Value != ovNone)) {
    FCluster = 0;
    ++FNext;
  }
  if (Found == FTable.end()) {
    Out.Fault = Message(miInvalidShortOption, {std::string_view(&C, 1)});
    return;
  }
  if (Found->Value != ovNone) {
    if (!Last) {
      Out.Value = Arg.substr(Rest);
    } else if (Found->OptionalValue) {
      Out.Value.clear();
    } else if (FNext < FArgs.size()) {
      Out.Value = FArgs[FNext++];
    } else {
      Out.Fault = Message(miShortArgumentRequired, {std::string_view(&C, 1)});
      return;
    }
  }
  Out.Option = &*Found;
}

namespace {

// "-s, --start=N", "    --path=PATH", "    --fence[=LANG]", "-x ARG".
std::string OptionNames(const TOptionSpec& O) {
  std::string Names = O.Short != 0 ? std::string("-") + O.Short : "  ";
  if (O.Long == nullptr) return O.Arg != nullptr ? Names + " " + O.Arg : Names;
  Names += O.Short != 0 ? ", --" : "  --";
  Names += O.Long;
  if (O.Arg == nullptr) return Names;
  return O.OptionalValue ? Names + "[=" + O.Arg + "]" : Names + "=" + O.Arg;
}

}  // namespace

std::string HelpLines(TOptionTable Table, unsigned Groups, const THelpLayout& Layout,
                      const char* (*Translate)(const char*)) {
  std::vector<const TOptionSpec*> Rows;
  for (const TOptionSpec& O : Table) {
    if ((O.Groups & Groups) != 0) Rows.push_back(&O);
  }
  if (Layout.ByShortName) {
    // Long-only options last, as coreutils puts --help and --version.
    std::stable_sort(Rows.begin(), Rows.end(), [](const TOptionSpec* A, const TOptionSpec* B) {
      return static_cast<unsigned char>(A->Short - 1) < static_cast<unsigned char>(B->Short - 1);
    });
  }
  std::string Text;
  for (const TOptionSpec* O : Rows) {
    std::string Line = "  " + OptionNames(*O);
    Line.resize(std::max(Line.size() + Layout.Gap, Layout.Column), ' ');
    std::istringstream Help(Translate != nullptr ? Translate(O->Help) : O->Help);
    std::string Part;
    for (bool First = true; std::getline(Help, Part); First = false) {
      if (!First) Line = std::string(Layout.Column + Layout.Hanging, ' ');
      Text += Line + Part + "\n";
    }
  }
  return Text;
}

std::vector<std::string> OptionWords(const TOptionSpec& Option) {
  std::string List = Option.WordsFrom != nullptr ? Option.WordsFrom()
                     : Option.Words != nullptr   ? Option.Words
                                                 : "";
  std::replace(List.begin(), List.end(), ',', ' ');
  std::vector<std::string> Words;
  std::istringstream Stream(List);
  for (std::string Word; Stream >> Word;) Words.push_back(Word);
  return Words;
}
