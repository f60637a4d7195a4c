#pragma once
// The command line of corvane nl: GNU nl's options, parsed as GNU getopt_long parses them
// (options after file names, bundles, values attached or apart, abbreviations, "--") and
// checked with nl's own messages.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/io/Options.h"
#include "cli/nl/NlRegex.h"

enum TNlStyle : uint8_t {
  nsAll,       // a
  nsNonEmpty,  // t
  nsNone,      // n
  nsRegex,     // pBRE
};

enum TNlFormat : uint8_t { nfLeft, nfRight, nfZeros };  // ln, rn, rz

enum TNlSection : uint8_t { scHeader, scBody, scFooter };

struct TNlNumbering {
  TNlStyle Style = nsNone;
  std::unique_ptr<TNlRegex> Regex;  // nsRegex
};

struct TNlOptions {
  TNlNumbering Sections[3];  // by TNlSection; the body's style is t
  TNlFormat Format = nfRight;
  intmax_t Width = 6;  // 1 to INT_MAX
  std::string Separator = "\t";
  intmax_t Start = 1;
  intmax_t Increment = 1;
  intmax_t JoinBlank = 1;  // at least 1
  bool Renumber = true;
  std::string Delimiter = "\\:";   // empty: no sections
  std::vector<std::string> Files;  // "-" for standard input; never empty
  TNlOptions() { Sections[scBody].Style = nsNonEmpty; }
};

enum TNlAction : uint8_t { naRun, naHelp, naVersion, naFail };

struct TNlCommand {
  TNlAction Action = naRun;
  std::string Diagnostics;  // for standard error, whatever the action
  TNlOptions Options;
};

// ParseNlCommandLine() — Args without the program name; Program names it in messages ("nl",
// "corvane nl"). PosixlyCorrect stops the options at the first file name, as getopt does
// when POSIXLY_CORRECT is set. An invalid pBRE, number or width fails at once; other faults
// are all reported, then "Try 'PROGRAM --help' for more information." (as nl does).
[[nodiscard]] TNlCommand ParseNlCommandLine(const std::vector<std::string>& Args,
                                            const std::string& Program, bool PosixlyCorrect);

// NlHelpText() — --help, within 80 columns, Program named in the usage line.
[[nodiscard]] std::string NlHelpText(const std::string& Program);
// NlCommandSpec() — nl mode as a command of corvane: its summary and options.
[[nodiscard]] TCommandSpec NlCommandSpec();
// NlVersionText() — --version: "nl (Corvane) VERSION", copyright and licence.
[[nodiscard]] std::string NlVersionText();
