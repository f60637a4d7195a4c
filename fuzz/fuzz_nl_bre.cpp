// nl's regular expressions, TBre, against glibc's GNU regex with nl's syntax: the first byte
// picks the locale (C or C.UTF-8), the bytes up to the first line feed are the pattern, the
// lines after it are searched. Both must refuse the same patterns with the same reason and
// find the same lines, but where nl's regex is meant to differ (ranges in UTF-8, invalid UTF-8
// in a UTF-8 locale, matched byte by byte; NUL in a pattern) or glibc's
// misses matches (back-references to repeated groups: back-references are only run, not
// compared). A search that stops at the bound for back-references is no answer to compare.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "cli/nl/NlBre.h"
#include "cli/nl/NlText.h"
#include "tests/cli/nl/GnuRegexOracle.h"

namespace {

void Fail(const std::string& What) {
  std::string Shown;
  for (const char C : What) {
    char Hex[8];
    std::snprintf(Hex, sizeof Hex, "\\x%02X", static_cast<unsigned char>(C));
    Shown += C >= 0x20 && C < 0x7F ? std::string(1, C) : Hex;
  }
  std::fprintf(stderr, "nl regex check failed: %s\n", Shown.c_str());
  std::abort();
}

bool ValidUtf8(std::string_view Text) {
  for (size_t Pos = 0; Pos < Text.size();) {
    char32_t Code = 0;
    const size_t Length = DecodeUtf8(Text, Pos, Code);
    if (Length == 0) return false;
    Pos += Length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  const bool Utf8 = (Data[0] & 1) != 0;
  static const locale_t Locales[] = {newlocale(LC_ALL_MASK, "C", nullptr),
                                     newlocale(LC_ALL_MASK, "C.UTF-8", nullptr)};
  if (Locales[Utf8] == nullptr) Fail("no C.UTF-8 locale");
  uselocale(Locales[Utf8]);
  const std::string Input(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  const size_t End = Input.find('\n');
  const std::string Pattern = Input.substr(0, End);
  TBre Ours;
  TGnuRegex Theirs;
  std::string Error;
  const bool Compiled = Ours.Compile(Pattern, Utf8, Error);
  const char* const Collation = "Invalid collation character";
  // Not compared: invalid UTF-8, matched byte by byte, where glibc's regex has rules of its
  // own; a NUL in the pattern, which no argument holds and after which glibc's parser reads
  // on differently; a program beyond our bound, which glibc may spend minutes compiling.
  bool Compare = !(Utf8 && !ValidUtf8(Input)) && Pattern.find('\0') == std::string::npos &&
                 !(!Compiled && Error == "Regular expression too big");
  const char* TheirError = Compare ? Theirs.Compile(Pattern) : nullptr;
  // Nor ranges in UTF-8: by code point in nl's regex, which refuses a byte as an end.
  Compare =
      Compare && !(Utf8 && ((TheirError != nullptr && std::strcmp(TheirError, Collation) == 0) ||
                            (!Compiled && Error == Collation)));
  if (!Compare) {
    try {
      if (Compiled && End != std::string::npos) (void)Ours.Search(Input.substr(End + 1));
    } catch (const std::runtime_error&) {
    }
    return 0;
  }
  if (Compiled != (TheirError == nullptr) || (!Compiled && Error != TheirError)) {
    Fail("pattern '" + Pattern + "': ours '" + Error + "', glibc's '" +
         (TheirError ? TheirError : "") + "'");
  }
  bool Backrefs = false;
  for (size_t I = 0; I + 1 < Pattern.size(); ++I) {
    if (Pattern[I] == '\\') Backrefs = Backrefs || (Pattern[++I] >= '1' && Pattern[I] <= '9');
  }
  for (size_t From = End; Compiled && From != std::string::npos && From < Input.size();) {
    const size_t Break = Input.find('\n', From + 1);
    const std::string Line =
        Input.substr(From + 1, Break == std::string::npos ? Break : Break - From - 1);
    From = Break;
    bool Found = false;
    try {
      Found = Ours.Search(Line);
    } catch (const std::runtime_error&) {
      if (!Backrefs) Fail("pattern '" + Pattern + "': bound hit without back-references");
      continue;
    }
    const int Expected = Backrefs ? -1 : Theirs.Search(Line);
    if (Expected >= 0 && Found != (Expected == 1)) {
      Fail("pattern '" + Pattern + "' line '" + Line + "': glibc says " + std::to_string(Expected));
    }
  }
  uselocale(LC_GLOBAL_LOCALE);
  return 0;
}
