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

size_t DecodeUtf8(std::string_view Text, size_t Pos, char32_t& Code) {
  const auto Byte = [&](size_t I) { return static_cast<unsigned char>(Text[Pos + I]); };
  const unsigned char Lead = Byte(0);
  size_t Length = 0;
  char32_t Least = 0;
  if (Lead < 0x80) {
    Code = Lead;
    return 1;
  }
  if (Lead >= 0xC2 && Lead <= 0xDF) {
    Length = 2;
    Code = Lead & 0x1F;
    Least = 0x80;
  } else if ((Lead & 0xF0) == 0xE0) {
    Length = 3;
    Code = Lead & 0x0F;
    Least = 0x800;
  } else if (Lead >= 0xF0 && Lead <= 0xF4) {
    Length = 4;
    Code = Lead & 0x07;
    Least = 0x10000;
  } else {
    return 0;
  }
  if (Text.size() - Pos < Length) return 0;
  for (size_t I = 1; I < Length; ++I) {
    if ((Byte(I) & 0xC0) != 0x80) return 0;
    Code = Code << 6 | (Byte(I) & 0x3F);
  }
  if (Code < Least || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF)) return 0;
  return Length;
}

bool IsOneCharacter(std::string_view Text) {
  if (Text.size() == 1) return true;
  char32_t Code = 0;
  return !Text.empty() && NlUtf8() && DecodeUtf8(Text, 0, Code) == Text.size();
}
