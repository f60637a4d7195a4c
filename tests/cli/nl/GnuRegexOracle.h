#pragma once
// glibc's GNU regex compiled as nl compiles a pBRE (POSIX basic, "a**" and "[b-a]" allowed):
// the oracle nl's own matcher, TBre, is checked against. glibc only.

#include <regex.h>

#include <string>

class TGnuRegex {
 public:
  TGnuRegex() = default;
  TGnuRegex(const TGnuRegex&) = delete;
  TGnuRegex& operator=(const TGnuRegex&) = delete;
  ~TGnuRegex() { regfree(&FBuffer); }

  // Null, or GNU regex's reason ("Unmatched ( or \\(").
  const char* Compile(const std::string& Pattern) {
    re_syntax_options = RE_SYNTAX_POSIX_BASIC & ~RE_CONTEXT_INVALID_DUP & ~RE_NO_EMPTY_RANGES;
    return re_compile_pattern(Pattern.data(), Pattern.size(), &FBuffer);
  }
  // 1: Line holds a match, 0: not, -1: the search failed.
  int Search(const std::string& Line) {
    const auto N = static_cast<regoff_t>(Line.size());
    const regoff_t At = re_search(&FBuffer, Line.data(), N, 0, N, nullptr);
    return At >= 0 ? 1 : At == -1 ? 0 : -1;
  }

 private:
  re_pattern_buffer FBuffer{};
};
