#pragma once
// The pBRE numbering style of corvane nl: a basic regular expression read as GNU nl reads it
// (its own GNU regex, not the C library's: ranges by code point in every locale), searched for
// anywhere in a line, by TBre on every system.

#include <memory>
#include <string>
#include <string_view>

class TNlRegex {
 public:
  TNlRegex();
  ~TNlRegex();
  TNlRegex(const TNlRegex&) = delete;
  TNlRegex& operator=(const TNlRegex&) = delete;

  // Compile() — false with Error set to the regex library's reason ("Unmatched ( or \\(").
  [[nodiscard]] bool Compile(std::string_view Pattern, std::string& Error);
  // Matches() — whether Line (without its line break) holds a match. Throws
  // std::runtime_error when the search itself fails.
  [[nodiscard]] bool Matches(std::string_view Line);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};
