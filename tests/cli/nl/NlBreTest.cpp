// TBre, nl's regular expressions: a table of patterns and lines that runs on every system, and
// where glibc is, a seeded random differential against glibc's GNU regex with nl's syntax.

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/nl/NlBre.h"
#include "tests/RandomCases.h"

namespace {

struct TCase {
  const char* Pattern;
  bool Utf8;
  const char* Matching;  // lines separated by '|' that hold a match, or null
  const char* Other;     // lines that do not, or null
  const char* Error;     // the compile error, or null
};

std::string Nested(const std::string& Open, const std::string& Middle, const std::string& Close,
                   int Count) {
  std::string Out;
  for (int I = 0; I < Count; ++I) Out += Open;
  Out += Middle;
  for (int I = 0; I < Count; ++I) Out += Close;
  return Out;
}

// Lines, split at '|'; null is no line, "" one empty line.
std::vector<std::string> Split(const char* Lines) {
  std::vector<std::string> Out;
  if (Lines == nullptr) return Out;
  const std::string All = Lines;
  for (size_t From = 0, Bar = 0; Bar != std::string::npos; From = Bar + 1) {
    Bar = All.find('|', From);
    Out.push_back(All.substr(From, Bar == std::string::npos ? Bar : Bar - From));
  }
  return Out;
}

void CheckCase(const std::string& Pattern, const TCase& C) {
  SCOPED_TRACE("pattern '" + Pattern.substr(0, 80) + "' utf8 " + std::to_string(C.Utf8));
  TBre Bre;
  std::string Error;
  const bool Compiled = Bre.Compile(Pattern, C.Utf8, Error);
  if (C.Error != nullptr) {
    EXPECT_FALSE(Compiled);
    EXPECT_EQ(Error, C.Error);
    return;
  }
  ASSERT_TRUE(Compiled) << Error;
  for (const auto& [Lines, Expected] : {std::pair{C.Matching, true}, std::pair{C.Other, false}}) {
    for (const std::string& Line : Split(Lines)) {
      EXPECT_EQ(Bre.Search(Line), Expected) << "line '" << Line << "'";
    }
  }
}

// What GNU regex (with nl's syntax) answers, checked against glibc where it runs.
constexpr TCase Cases[] = {
    {"a\\+b", false, "xaby|ab|aab", "b|a|ba", nullptr},
    {"^a*$", false, "|a|aaa", "b|ab", nullptr},
    {"a**", false, "|b", nullptr, nullptr},
    {"*a", false, "*a|x*ay", "a", nullptr},
    {"^*", false, "*|*b", "b|a*", nullptr},
    {"\\(^a\\)", false, "ab", "ba", nullptr},
    {"a\\{2,3\\}", false, "aa|baaab", "a|bab", nullptr},
    {"a\\{,2\\}b", false, "b|aab", "a|", nullptr},
    {"\\(ab\\)\\{2\\}", false, "abab|xababx", "ab|aba", nullptr},
    {"a\\|b", false, "a|b|cb", "c|", nullptr},
    {"\\(a\\|b\\)c\\1", false, "aca|bcb", "acb|bca", nullptr},
    {"\\(a*\\)*\\1", false, "|b", nullptr, nullptr},
    {"\\(a*\\)b\\1$", false, "aaba|b|aab", "abaa|bc", nullptr},
    {"[b-a]", false, nullptr, "a|b|", nullptr},
    {"[]a]", false, "]|a", "b", nullptr},
    {"[^]a]", false, "b", "]|a|]a", nullptr},
    {"[a-]", false, "-|a", "b", nullptr},
    {"[[:digit:]x]", false, "1|x", "a", nullptr},
    {"[[.-.]a]", false, "-|a", "b", nullptr},
    {"[[=a=]]", false, "a", "b", nullptr},
    {"\\<a", false, "a|b a", "ba", nullptr},
    {"a\\>", false, "a|a b", "ab", nullptr},
    {"\\ba\\B", false, "ab", "a|ba", nullptr},
    {"\\w\\W\\s\\S", false, "a- x", "a-xx|aa x", nullptr},
    {"a$b", false, "a$b", "ab", nullptr},
    {"x\\.y", false, "x.y", "xzy", nullptr},
    {".", false, "a", "|", nullptr},
    {"^\\(\\)\\1$", false, "", "a", nullptr},
    {"\xC3\xA9.", true,
     "\xC3\xA9\xC3\xA9|\xC3\xA9"
     "a",
     "\xC3\xA9|e", nullptr},
    {"^.$", true, "\xC3\xA9|\xE8\xA1\x8C",
     "\xC3\xA9"
     "a|\xFF\xFE",
     nullptr},
    {"^.$", false, "\xFF", "\xC3\xA9", nullptr},
    {"[\xC3\xA9-\xC3\xAB]", true, "\xC3\xA9|\xC3\xAA|\xC3\xAB", "e|\xC3\xAC", nullptr},
    {"\\(^a\\)\\{2\\}", false, "aa", "ba", nullptr},
    {"\\(\\<a\\)\\+$", false, "aa", "ba|xaa", nullptr},
    {"^\\(\\<a\\)*$", false, "a|", "aa", nullptr},
    {"\\(", false, nullptr, nullptr, "Unmatched ( or \\("},
    {"\\)", false, nullptr, nullptr, "Unmatched ) or \\)"},
    {"a\\{2\\\\}", false, nullptr, nullptr, "Unmatched \\{"},
    {"a\\{2\\\\}x,y", false, nullptr, nullptr, "Invalid content of \\{\\}"},
    {"a\\{1,2,3\\}", false, nullptr, nullptr, "Invalid content of \\{\\}"},
    {"a\\{\\}", false, nullptr, nullptr, "Invalid content of \\{\\}"},
    {"^a\\{,2\\}$", false, "|a|aa", "aaa|baa", nullptr},
    {"a\\{1", false, nullptr, nullptr, "Unmatched \\{"},
    {"a\\{2,1\\}", false, nullptr, nullptr, "Invalid content of \\{\\}"},
    {"a\\{x\\}", false, nullptr, nullptr, "Invalid content of \\{\\}"},
    {"a\\{32768\\}", false, nullptr, nullptr, "Regular expression too big"},
    {"[a", false, nullptr, nullptr, "Unmatched [, [^, [:, [., or [="},
    {"[", false, nullptr, nullptr, "Invalid regular expression"},
    {"[[:alpha:][:digit\\)]]a\\{1\\}b\\{2\\}c\\{3\\}d\\{4\\}[[:space:]]", false, nullptr, nullptr,
     "Unmatched [, [^, [:, [., or [="},
    {"[[:nope:]-a]", false, nullptr, nullptr, "Invalid character class name"},
    {"[a-[:alp\\)ha:]]", false, nullptr, nullptr, "Invalid range end"},
    {"[[:nope:]]", false, nullptr, nullptr, "Invalid character class name"},
    {"[[.ab.]]", false, nullptr, nullptr, "Invalid collation character"},
    {"[[=\xC3\xA9=]]", true, nullptr, nullptr, "Invalid collation character"},
    {"[\xFF-a]", true, nullptr, nullptr, "Invalid collation character"},
    {"[a-b-c]", false, nullptr, nullptr, "Invalid range end"},
    {"[[=a=]-z]", false, nullptr, nullptr, "Invalid range end"},
    {"[[=a=]-z", false, nullptr, nullptr, "Invalid range end"},
    {"[a-c-", false, nullptr, nullptr, "Invalid range end"},
    {"[[:nope:]", false, nullptr, nullptr, "Invalid character class name"},
    {"[a-[=ab=]]", false, nullptr, nullptr, "Invalid range end"},
    {"[a-[:alpha:]", false, nullptr, nullptr, "Invalid range end"},
    {"[a-[.ab.]", false, nullptr, nullptr, "Invalid collation character"},
    {"[[:alpha:]-z]", false, nullptr, nullptr, "Invalid range end"},
    {"\\1", false, nullptr, nullptr, "Invalid back reference"},
    {"\\(a\\)\\|\\1", false, nullptr, nullptr, "Invalid back reference"},
    {"a\\", false, nullptr, nullptr, "Trailing backslash"},
};

TEST(NlBre, AnswersAsGnuRegex) {
  for (const TCase& C : Cases) CheckCase(C.Pattern, C);
}

// Compiling recurses once for each level: deep patterns are refused, never a stack overflow.
TEST(NlBre, DeepPatternsAreBounded) {
  const int Limit = TBre::MaxNesting;
  CheckCase(Nested("\\(", "a", "\\)", Limit), {"", false, "a|ba", "b", nullptr});
  const TCase TooBig = {"", false, nullptr, nullptr, "Regular expression too big"};
  CheckCase(Nested("\\(", "a", "\\)", Limit + 1), TooBig);
  CheckCase(Nested("\\(", "a", "\\)", 7000), TooBig);
  CheckCase(Nested("", "a", "*", Limit), {"", false, "|a", nullptr, nullptr});
  CheckCase(Nested("", "a", "\\{1\\}", Limit + 1), TooBig);
}

// Back-references backtrack: a search that would take exponential time stops at the bound.
TEST(NlBre, BackReferenceWorkIsBounded) {
  TBre Bre;
  std::string Error;
  ASSERT_TRUE(Bre.Compile("\\(a*\\)*\\(a*\\)*\\(a*\\)*\\(a*\\)*\\1b", false, Error)) << Error;
  EXPECT_THROW((void)Bre.Search(std::string(200, 'a')), std::runtime_error);
  EXPECT_TRUE(Bre.Search("b"));  // the bound is per search
}

// Without back-references the search keeps no state per position: a long line is fine.
TEST(NlBre, LongLinesWithoutBackReferences) {
  TBre Bre;
  std::string Error;
  ASSERT_TRUE(Bre.Compile("\\(a*\\)*b$", false, Error)) << Error;
  // Quadratic work or a stack frame per position would show.
  std::string Line(static_cast<size_t>(RandomCases(1 << 20)), 'a');
  EXPECT_FALSE(Bre.Search(Line));
  Line.back() = 'b';
  EXPECT_TRUE(Bre.Search(Line));
}

}  // namespace

#ifdef __GLIBC__
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "tests/cli/nl/GnuRegexOracle.h"

namespace {

// Random patterns over a small alphabet, from every piece of the syntax.
class TPatternMaker {
 public:
  TPatternMaker(uint32_t Seed, bool Utf8) : FRandom(Seed), FUtf8(Utf8) {}

  std::string Pattern() {
    FPlain.clear();
    std::string Out = Branches(0, false);
    if (Pick(40) == 0) Out.insert(Pick(Out.size() + 1), Pick(2) ? "\\(" : "\\)");  // faults
    return Out;
  }
  std::string Line() {
    static const char* const Pieces[] = {"a", "b", "c", " ", "_", "1", "-", "\xC3\xA9", "ab"};
    std::string Out;
    for (size_t I = Pick(10); I > 0; --I) Out += Pieces[Pick(FUtf8 ? 9 : 7)];
    return Out;
  }

 private:
  size_t Pick(size_t N) { return std::uniform_int_distribution<size_t>(0, N - 1)(FRandom); }

  std::string Branches(int Depth, bool Repeated) {
    std::string Out = Branch(Depth, Repeated);
    while (Pick(5) == 0) Out += "\\|" + Branch(Depth, Repeated);
    return Out;
  }
  std::string Branch(int Depth, bool Repeated) {
    std::string Out = Pick(8) == 0 ? "^" : "";
    for (size_t I = Pick(4) + 1; I > 0; --I) Out += Piece(Depth, Repeated);
    if (Pick(8) == 0) Out += "$";
    return Out;
  }
  std::string Piece(int Depth, bool Repeated) {
    static const char* const Repeats[] = {
        "*", "\\+", "\\?", "\\{2\\}", "\\{1,\\}", "\\{,2\\}", "\\{0,1\\}", "\\{1,3\\}", "**"};
    const bool Repeat = Pick(3) == 0;
    std::string Out = Atom(Depth, Repeated || Repeat);
    if (Repeat) Out += Repeats[Pick(std::size(Repeats))];
    return Out;
  }
  // GNU regex misses some matches of a back-reference to a group under a repetition
  // ("b\\(a*\\)\\{2\\}\\1" never matches; nl's copy of it neither): only groups outside any are
  // referred to.
  std::string Atom(int Depth, bool Repeated) {
    static const char* const Simple[] = {"a",   "b",   ".",   "\\<", "\\>", "\\b", "\\B",
                                         "\\w", "\\W", "\\s", "\\S", "\\.", "*",   "c"};
    switch (Pick(6)) {
      case 0:
        if (Depth < 3) {
          FPlain.push_back(!Repeated);
          return "\\(" + Branches(Depth + 1, Repeated) + "\\)";
        }
        return "a";
      case 1:
        if (const size_t Group = Pick(FPlain.size() + 1); Group > 0 && FPlain[Group - 1]) {
          return "\\" + std::to_string(Group);
        }
        return FUtf8 && Pick(3) == 0 ? "\xC3\xA9" : "b";
      case 2:
        return Bracket();
      default:
        return Simple[Pick(std::size(Simple))];
    }
  }
  std::string Bracket() {
    static const char* const Items[] = {"a",       "b",         "c",         "a-b",      "b-a",
                                        "-",       "[:alpha:]", "[:digit:]", "[=a=]",    "[.b.]",
                                        "[.-.]-c", "_",         "1",         "[:space:]"};
    std::string Out = Pick(3) == 0 ? "[^" : "[";
    if (Pick(6) == 0) Out += "]";
    for (size_t I = Pick(3) + 1; I > 0; --I) Out += Items[Pick(std::size(Items))];
    if (FUtf8 && Pick(6) == 0) Out += "\xC3\xA9";  // alone: glibc refuses it in a range
    return Out + "]";
  }

  std::mt19937 FRandom;
  bool FUtf8;
  std::vector<bool> FPlain;  // by group number - 1: not under a repetition
};

// The table holds for glibc too, but where nl's regex is meant to differ: ranges in UTF-8.
TEST(NlBre, TableAgreesWithGlibc) {
  for (const TCase& C : Cases) {
    ASSERT_NE(std::setlocale(LC_ALL, C.Utf8 ? "C.UTF-8" : "C"), nullptr);
    TGnuRegex Theirs;
    const char* Error = Theirs.Compile(C.Pattern);
    const char* Collation = "Invalid collation character";
    const char* Refused = Error != nullptr ? Error : C.Error;
    if (C.Utf8 && Refused != nullptr && std::strcmp(Refused, Collation) == 0) {
      continue;  // nl's regex takes ranges by code point, and refuses a byte as their end
    }
    SCOPED_TRACE(C.Pattern);
    EXPECT_STREQ(Error, C.Error) << C.Pattern;
    for (const auto& [Lines, Expected] : {std::pair{C.Matching, 1}, std::pair{C.Other, 0}}) {
      for (const std::string& Line : Split(Error == nullptr ? Lines : nullptr)) {
        EXPECT_EQ(Theirs.Search(Line), Expected) << "line '" << Line << "'";
      }
    }
  }
  std::setlocale(LC_ALL, "C");
}

// Seeded random patterns and lines: TBre must answer as glibc does, errors included.
TEST(NlBre, AgreesWithGlibc) {
  for (const char* Locale : {"C", "C.UTF-8"}) {
    ASSERT_NE(std::setlocale(LC_ALL, Locale), nullptr) << Locale;
    const bool Utf8 = std::strcmp(Locale, "C") != 0;
    TPatternMaker Maker(20240611, Utf8);
    int Failures = 0;
    for (int Round = 0; Round < RandomCases(5000) && Failures < 10; ++Round) {
      const std::string Pattern = Maker.Pattern();
      TBre Ours;
      TGnuRegex Theirs;
      std::string Error;
      const bool Compiled = Ours.Compile(Pattern, Utf8, Error);
      const char* TheirError = Theirs.Compile(Pattern);
      if (Utf8 &&
          ((TheirError != nullptr && std::strcmp(TheirError, "Invalid collation character") == 0) ||
           (!Compiled && Error == "Invalid collation character"))) {
        continue;  // a range with a multi-byte end: nl's regex takes it by code point
      }
      if (Compiled != (TheirError == nullptr) || (!Compiled && Error != TheirError)) {
        ADD_FAILURE() << Locale << " pattern '" << Pattern << "': ours '" << Error << "', glibc's '"
                      << (TheirError ? TheirError : "") << "'";
        ++Failures;
        continue;
      }
      for (int I = 0; Compiled && I < 6; ++I) {
        const std::string Line = Maker.Line();
        const int Expected = Theirs.Search(Line);
        if (Expected >= 0 && Ours.Search(Line) != (Expected == 1)) {
          ADD_FAILURE() << Locale << " pattern '" << Pattern << "' line '" << Line
                        << "': glibc says " << Expected;
          ++Failures;
        }
      }
    }
  }
  std::setlocale(LC_ALL, "C");
}

}  // namespace
#endif
