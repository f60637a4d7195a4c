#pragma once
// Option tables: one row per option of a program's command line drives its parsing (GNU
// getopt_long's rules), its --help lines and its shell completions (cli/io/Completion.h).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// What an option's value is, for parsing and completion.
enum TOptionValue : uint8_t {
  ovNone,  // the option takes no value
  ovText,  // a free value: a number, a separator
  ovFile,  // a file name
  ovWord,  // one of the row's Words
};

struct TOptionSpec {
  int Id;      // the program's own name for the option
  char Short;  // 0: long form only
  const char* Long;
  TOptionValue Value;
  const char* Arg;              // the value's name in --help ("N", "FILE"); null for ovNone
  const char* Help;             // the --help text; each '\n' starts a further line
  unsigned Groups;              // the commands (or help blocks) that take it, one bit each
  const char* Words = nullptr;  // ovWord: the values, separated by blanks or commas
  std::string (*WordsFrom)() = nullptr;  // ovWord: the values when another table holds them
  // The value may be left out; given, it is attached ("--fence=cpp", "-xVALUE"), as getopt_long's
  // optional_argument has it.
  bool OptionalValue = false;
};

using TOptionTable = std::span<const TOptionSpec>;

// One step through a command line: an option and its value, an operand, or a fault.
struct TParsedArgument {
  const TOptionSpec* Option = nullptr;  // null for an operand or a fault
  std::string Value;                    // the option's value, or the operand
  std::string Fault;                    // not empty: what was wrong, in getopt_long's words
};

// Reads arguments as getopt_long does: options and operands in any order, short options bundled
// ("-rp", "-s5", "-s" "5"), long ones as "--name=value" or "--name value" and abbreviated while
// unambiguous, "--" ending the options, "-" an operand. Only the rows in Groups count.
class TOptionParser {
 public:
  // PosixlyCorrect: the options end at the first operand.
  TOptionParser(TOptionTable Table, unsigned Groups, const std::vector<std::string>& Args,
                size_t First, bool PosixlyCorrect = false)
      : FTable(Table),
        FGroups(Groups),
        FArgs(Args),
        FNext(First),
        FPosixlyCorrect(PosixlyCorrect) {}

  // Next() — the next option, operand or fault; false when the arguments are used up. After a
  // fault the parser goes on with what follows, as getopt does.
  [[nodiscard]] bool Next(TParsedArgument& Out);

 private:
  void LongOption(TParsedArgument& Out);
  void ShortOption(TParsedArgument& Out);
  const TOptionSpec* FindLong(const std::string& Name, const std::string& Typed,
                              std::string& Fault) const;

  TOptionTable FTable;
  unsigned FGroups;
  const std::vector<std::string>& FArgs;
  size_t FNext;
  size_t FCluster = 0;  // the position in a bundle of short options being read, else 0
  bool FPosixlyCorrect;
  bool FOptionsEnded = false;
};

// How the option lines of a --help text are laid out.
struct THelpLayout {
  size_t Column;             // where the texts start
  size_t Gap;                // blanks at least between an option and its text
  size_t Hanging = 0;        // further lines of a text start this much right of Column
  bool ByShortName = false;  // ordered by short name (as coreutils lists them), else by table
};

// HelpLines() — one entry per row in Groups: "  -s, --start=N  text", the text through
// Translate when one is given.
[[nodiscard]] std::string HelpLines(TOptionTable Table, unsigned Groups, const THelpLayout& Layout,
                                    const char* (*Translate)(const char*) = nullptr);

// OptionWords() — the words a row's value may be, as a list: Words "a t n" gives {"a", "t",
// "n"}.
[[nodiscard]] std::vector<std::string> OptionWords(const TOptionSpec& Option);

// A command of a program and the rows of its table it takes; a program is its options before
// any command (Groups of Options) and its commands.
struct TCommandSpec {
  const char* Name;
  const char* Summary;
  TOptionTable Options;
  unsigned Groups;
};

struct TProgramSpec {
  const char* Name;
  TOptionTable Options;
  unsigned Groups;
  std::vector<TCommandSpec> Commands;
};
