#pragma once
// Text in messages, quoted as GNU programs quote it: a value in quotes with escapes for what
// does not print, a file name as a shell would read it back. Both programs quote here.

#include <cstdint>
#include <string>
#include <string_view>

// How a program's messages read text.
enum TMessageText : uint8_t {
  mtLocale,  // as the locale reads it; ‘x’ in a UTF-8 locale, 'x' otherwise (nl mode, as GNU nl)
  mtUtf8,    // as UTF-8 with 'x', whatever the locale (the filter, whose messages are UTF-8)
};

// QuoteArgument() — a value in a message, with backslash escapes for what would not print and
// for the closing quote. On Windows mtLocale quotes 'x' too, since consoles seldom use UTF-8.
//   QuoteArgument("a\tb", mtUtf8) == "'a\\tb'", QuoteArgument("it's", mtUtf8) == "'it\\'s'"
[[nodiscard]] std::string QuoteArgument(std::string_view Text, TMessageText How);

// QuoteFileName() — a file name in a message: as it is when a shell would read it back
// unchanged, else quoted for a shell. QuoteFileName("a b") == "'a b'", QuoteFileName("x") == "x"
[[nodiscard]] std::string QuoteFileName(std::string_view Name, TMessageText How);
