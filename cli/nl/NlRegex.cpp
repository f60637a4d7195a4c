// The pBRE numbering style: glibc's GNU regex with nl's syntax, or TBre.

#include "cli/nl/NlRegex.h"

#include <cstdlib>
#include <stdexcept>

#if defined(__GLIBC__) && !defined(CORVANE_NL_PORTABLE_BRE)
#define CORVANE_NL_GNU_REGEX 1
#include <algorithm>
#include <climits>
#include <regex.h>
#else
#include "cli/nl/NlBre.h"
#include "cli/nl/NlText.h"
#endif

#ifdef CORVANE_NL_GNU_REGEX

struct TNlRegex::TImpl {
  re_pattern_buffer Buffer{};
  bool Compiled = false;
  ~TImpl() {
    if (Compiled) regfree(&Buffer);  // the fastmap too
  }
};

bool TNlRegex::Compile(std::string_view Pattern, std::string& Error) {
  FImpl = std::make_unique<TImpl>();
  // nl's syntax: POSIX basic, but "a**" and empty ranges such as "[b-a]" are no errors.
  re_syntax_options = RE_SYNTAX_POSIX_BASIC & ~RE_CONTEXT_INVALID_DUP & ~RE_NO_EMPTY_RANGES;
  FImpl->Buffer.fastmap = static_cast<char*>(std::malloc(256));
  if (FImpl->Buffer.fastmap == nullptr) throw std::bad_alloc();
  const char* Failure = re_compile_pattern(Pattern.data(), Pattern.size(), &FImpl->Buffer);
  FImpl->Compiled = true;
  if (Failure != nullptr) {
    Error = Failure;
    return false;
  }
  return true;
}

bool TNlRegex::Matches(std::string_view Line) {
  // re_search() counts in int: a line beyond 2 GiB is searched in its first 2 GiB.
  const auto Length = static_cast<regoff_t>(std::min<size_t>(Line.size(), INT_MAX));
  const regoff_t Found = re_search(&FImpl->Buffer, Line.data(), Length, 0, Length, nullptr);
  if (Found == -2) throw std::runtime_error("error in regular expression search");
  return Found >= 0;
}

#else

struct TNlRegex::TImpl {
  TBre Bre;
};

bool TNlRegex::Compile(std::string_view Pattern, std::string& Error) {
  FImpl = std::make_unique<TImpl>();
  return FImpl->Bre.Compile(Pattern, NlUtf8(), Error);
}

bool TNlRegex::Matches(std::string_view Line) {
  return FImpl->Bre.Search(Line);
}

#endif

TNlRegex::TNlRegex() = default;
TNlRegex::~TNlRegex() = default;
