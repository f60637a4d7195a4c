// The filter's command line: options anywhere, and a clear message for every misuse.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/filter/CommandLine.h"
#include "cli/filter/LineFilter.h"

namespace {

TEST(CommandLine, ParsesOptionsAnywhere) {
  TCommandLine L = ParseCommandLine(
      {"number", "a.txt", "-rp", "--start=-5", "-i", "-10", "-z3", "--out", "o.txt", "--", "-b"});
  EXPECT_EQ(L.Request.Operation, foNumber);
  EXPECT_EQ(L.Request.Numbering.Start, -5);
  EXPECT_EQ(L.Request.Numbering.Step, -10);
  EXPECT_EQ(L.Request.Numbering.ZeroDigits, 3);
  EXPECT_EQ(L.Request.Numbering.Options, lnoReverse | lnoPlusSign);
  EXPECT_EQ(L.Output.value_or(""), "o.txt");
  EXPECT_EQ(L.Files, (std::vector<std::string>{"a.txt", "-b"}));

  L = ParseCommandLine({"continue", "--step", "+10"});
  EXPECT_EQ(L.Request.ContinueStep, 10);
  EXPECT_EQ(L.Files, std::vector<std::string>{"-"});
  L = ParseCommandLine({"copy", "-t", "--path", "C:\\docs\\memo.txt", "-"});
  EXPECT_TRUE(L.Request.CopyTidy);
  EXPECT_EQ(L.CopyPath.value_or(""), "C:\\docs\\memo.txt");
  EXPECT_EQ(ParseCommandLine({"tidy", "--help"}).Action, caHelp);
  EXPECT_EQ(ParseCommandLine({"tidy"}).Request.SpoolLimit, uint64_t{4} << 30);
  EXPECT_EQ(ParseCommandLine({"tidy", "--spool-limit", "3m"}).Request.SpoolLimit, 3u << 20);
  EXPECT_EQ(ParseCommandLine({"tidy", "--spool-l=1000"}).Request.SpoolLimit, 1000u);
  EXPECT_EQ(ParseCommandLine({"--version"}).Action, caVersion);
  EXPECT_EQ(ParseCommandLine({"--he"}).Action, caHelp);
  EXPECT_EQ(ParseCommandLine({"continue", "--vers"}).Action, caVersion);
}

TEST(CommandLine, RejectsBadUsage) {
  const struct {
    std::vector<std::string> Args;
    std::string Message;
  } Rows[] = {
      {{}, "missing command"},
      {{"frob"}, "unknown command 'frob'"},
      {{"-r", "number"}, "missing command before '-r'"},
      {{"number", "-x"}, "invalid option -- 'x'"},
      {{"delete", "-r"}, "invalid option -- 'r'"},
      {{"number", "--bogus"}, "unrecognized option '--bogus'"},
      {{"number", "--s=1"},
       "option '--s=1' is ambiguous; possibilities: '--start' '--step' '--separator'"
       " '--spool-limit'"},
      {{"continue", "-rs"}, "invalid option -- 'r'"},
      {{"--reverse", "number"}, "missing command before '--reverse'"},
      {{"number", "-s"}, "option requires an argument -- 's'"},
      {{"number", "--start"}, "option '--start' requires an argument"},
      {{"number", "--reverse=1"}, "option '--reverse' doesn't allow an argument"},
      {{"number", "-s", "3000000000"},
       "start value out of range: '3000000000' (allowed: -2147483648 to 2147483647)"},
      {{"number", "-i", "-2147483649"},
       "step out of range: '-2147483649' (allowed: -2147483648 to 2147483647)"},
      {{"continue", "--step=ten"}, "invalid step: 'ten'"},
      {{"number", "-s", "1.5"}, "invalid start value: '1.5'"},
      {{"number", "-z", "0"}, "invalid zero-fill width: '0' (allowed: 1 to 1000)"},
      {{"number", "-z", "1001"}, "invalid zero-fill width: '1001' (allowed: 1 to 1000)"},
      {{"number", "-o", ""}, "invalid output file name: ''"},
      // Values are quoted with escapes for what does not print; UTF-8 shows as it is.
      {{"frob\x1b[2J"}, "unknown command 'frob\\033[2J'"},
      {{"number", "-s", "a\tb"}, "invalid start value: 'a\\tb'"},
      {{"number", "-s", "it's\xff"}, "invalid start value: 'it\\'s\\377'"},
      {{"number", "-s", "\xEF\xBC\x95\xC2\x85"}, "invalid start value: '\xEF\xBC\x95\\302\\205'"},
      {{"number", "-w", "0"}, "invalid width: '0' (allowed: 1 to 1000)"},
      {{"number", "-w1001"}, "invalid width: '1001' (allowed: 1 to 1000)"},
      {{"number", "-S", ""}, "invalid separator: '' (one line of text, not empty)"},
      {{"number", "-S", "a\nb"}, "invalid separator: 'a\\nb' (one line of text, not empty)"},
      {{"number", "-S", "\xFF"}, "invalid separator: '\\377' (one line of text, not empty)"},
      {{"number", "-n", "lz"}, "invalid number format: 'lz' (allowed: ln, rn, rz)"},
      {{"number", "-b", "x"}, "invalid body numbering style: 'x' (allowed: a, t, pBRE)"},
      {{"number", "-b", "p\\(a"}, "invalid regular expression: '\\\\(a': Unmatched ( or \\("},
      {{"delete", "--form=csv"}, "invalid form: 'csv' (allowed: colon, nl, list, auto)"},
      {{"number", "--form=nl"}, "unrecognized option '--form=nl'"},
      {{"number", "-z3", "-w4"}, "option '-z' cannot be combined with '-n' or '-w'"},
      {{"tidy", "--spool-limit=0"}, "invalid spool limit: '0' (a size such as 512M or 4G)"},
      {{"copy", "--spool-limit=4X"}, "invalid spool limit: '4X' (a size such as 512M or 4G)"},
      {{"copy", "--spool-limit=G"}, "invalid spool limit: 'G' (a size such as 512M or 4G)"},
      {{"number", "--spool-limit=16777216T"},
       "invalid spool limit: '16777216T' (a size such as 512M or 4G)"},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    try {
      (void)ParseCommandLine(Rows[I].Args);
      ADD_FAILURE() << "row " << I << " was accepted";
    } catch (const EUsageError& E) {
      EXPECT_EQ(std::string(E.what()), Rows[I].Message) << "row " << I;
    }
  }
}

}  // namespace
