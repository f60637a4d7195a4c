#pragma once
// The corvane command line: "corvane COMMAND [OPTION]... [FILE]...", parsed in the manner of
// GNU programs (options and files in any order, "--" ends the options, "-" is standard
// input, long options may be abbreviated while unambiguous).

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/filter/LineFilter.h"
#include "cli/io/Options.h"

// A usage error; what() is the message after "corvane: ".
class EUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum TCliAction : uint8_t { caRun, caHelp, caVersion };

struct TCommandLine {
  TCliAction Action = caRun;
  std::string Command;  // as typed; empty for "corvane --help"
  TFilterRequest Request;
  std::vector<std::string> Files;       // "-" for standard input; never empty for caRun
  std::optional<std::string> Output;    // -o FILE
  std::optional<std::string> CopyPath;  // copy --path PATH
  std::optional<std::string> InPlace;   // --in-place[=SUFFIX]: the suffix, empty for none
};

// ParseCommandLine() — Args without the program name. Throws EUsageError.
[[nodiscard]] TCommandLine ParseCommandLine(const std::vector<std::string>& Args);

// HelpText() — the text of "corvane --help" (Command empty) or "corvane COMMAND --help".
[[nodiscard]] std::string HelpText(const std::string& Command);
[[nodiscard]] std::string VersionText();
// CorvaneProgram() — the commands, nl included, and options, for the completions.
[[nodiscard]] TProgramSpec CorvaneProgram();
// LicenceText() — the copyright and licence lines that end every --version.
[[nodiscard]] std::string LicenceText();
