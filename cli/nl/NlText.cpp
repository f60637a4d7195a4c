// Locale-dependent text for corvane nl: the locale itself, one character for -d.

#include "cli/nl/NlText.h"

#include <cstring>

#ifndef _WIN32
#include <clocale>
#include <langinfo.h>
#endif

void SetUpNlLocale() {
#ifndef _WIN32
  std::setlocale(LC_CTYPE, "");
  std::setlocale(LC_COLLATE, "");
#endif
}

bool NlUtf8() {
#ifdef _WIN32
  return true;
#else
  return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
#endif
}

bool IsOneCharacter(std::string_view Text) {
  if (Text.size() == 1) return true;
  char32_t Code = 0;
  return !Text.empty() && NlUtf8() && DecodeUtf8(Text, 0, Code) == Text.size();
}
