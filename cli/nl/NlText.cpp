// Locale-dependent text for corvane nl: GNU-style quoting in messages, one character for -d.

#include "cli/nl/NlText.h"

#include <cstring>

#ifndef _WIN32
#include <clocale>
#include <cwchar>
#include <cwctype>
#include <langinfo.h>
#endif

namespace {

struct TCharInfo {
  size_t Length;  // 1 for a byte that starts no valid character
  bool Printable;
};

// The character at Text[Pos], in the locale's encoding.
TCharInfo NextChar(std::string_view Text, size_t Pos) {
#ifdef _WIN32
  char32_t Code = 0;
  const size_t Length = DecodeUtf8(Text, Pos, Code);
  if (Length == 0) return {1, false};
  return {Length, Code >= 0x20 && !(Code >= 0x7F && Code < 0xA0)};
#else
  std::mbstate_t State{};
  wchar_t Wide = 0;
  const size_t Length = std::mbrtowc(&Wide, Text.data() + Pos, Text.size() - Pos, &State);
  if (Length == 0 || Length == static_cast<size_t>(-1) || Length == static_cast<size_t>(-2)) {
    return {1, false};
  }
  return {Length, std::iswprint(static_cast<wint_t>(Wide)) != 0};
#endif
}

// A byte that does not print: its C escape letter, or three octal digits.
void AppendEscape(unsigned char Byte, std::string& Out) {
  constexpr char Controls[] = "\aa\bb\ff\nn\rr\tt\vv";
  Out += '\\';
  for (size_t I = 0; I + 1 < sizeof Controls; I += 2) {
    if (Controls[I] == static_cast<char>(Byte)) {
      Out += Controls[I + 1];
      return;
    }
  }
  Out += static_cast<char>('0' + (Byte >> 6));
  Out += static_cast<char>('0' + ((Byte >> 3) & 7));
  Out += static_cast<char>('0' + (Byte & 7));
}

bool HasByte(const char* Set, unsigned char Byte) {
  return Byte != 0 && std::strchr(Set, Byte) != nullptr;
}

// Single quotes, "'\''" for a quote, and $'...' around what does not print.
std::string ShellSingleQuoted(std::string_view Name) {
  std::string Out = "'";
  bool Inside = true;
  for (size_t Pos = 0; Pos < Name.size();) {
    const TCharInfo Char = NextChar(Name, Pos);
    if (!Char.Printable) {
      Out += Inside ? "'$'" : "$'";
      for (; Pos < Name.size(); ++Pos) {
        const TCharInfo Next = NextChar(Name, Pos);
        if (Next.Printable) break;
        for (size_t I = 0; I < Next.Length; ++I) AppendEscape(Name[Pos + I], Out);
        Pos += Next.Length - 1;
      }
      Out += '\'';
      Inside = false;
      continue;
    }
    if (Name[Pos] == '\'') {
      Out += Inside ? "'\\''" : "\\''";
    } else {
      if (!Inside) Out += '\'';
      Out.append(Name.substr(Pos, Char.Length));
    }
    Inside = true;
    Pos += Char.Length;
  }
  if (Inside) Out += '\'';
  return Out;
}

}  // namespace

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

std::string QuoteArgument(std::string_view Text) {
#ifdef _WIN32
  const bool Curly = false;  // a console's code page is seldom UTF-8
#else
  const bool Curly = NlUtf8();
#endif
  const std::string_view Open = Curly ? "\u2018" : "'";
  const std::string_view Close = Curly ? "\u2019" : "'";
  std::string Out(Open);
  for (size_t Pos = 0; Pos < Text.size();) {
    if (Text.substr(Pos, Close.size()) == Close) {
      Out += '\\';
      Out += Close;
      Pos += Close.size();
      continue;
    }
    const TCharInfo Char = NextChar(Text, Pos);
    if (Text[Pos] == '\\') {
      Out += "\\\\";
    } else if (Char.Printable) {
      Out.append(Text.substr(Pos, Char.Length));
    } else {
      for (size_t I = 0; I < Char.Length; ++I) AppendEscape(Text[Pos + I], Out);
    }
    Pos += Char.Length;
  }
  Out += Close;
  return Out;
}

std::string QuoteFileName(std::string_view Name) {
  if (Name.empty()) return "''";
  bool Plain = true;
  bool DoubleQuotable = true;  // printable, and nothing a shell expands inside "..."
  bool HasQuote = false;
  for (size_t Pos = 0; Pos < Name.size();) {
    const TCharInfo Char = NextChar(Name, Pos);
    const auto Byte = static_cast<unsigned char>(Name[Pos]);
    if (!Char.Printable) {
      Plain = DoubleQuotable = false;
    } else if (Char.Length == 1) {
      if (HasByte(" !\"$&'()*:;<=>?[\\^`|", Byte) || (Pos == 0 && HasByte("#~", Byte))) {
        Plain = false;
      }
      if (HasByte("!\"#$&()*;<=>?[\\^`{|}~", Byte)) DoubleQuotable = false;
      HasQuote = HasQuote || Byte == '\'';
    }
    Pos += Char.Length;
  }
  if (Plain) return std::string(Name);
  if (HasQuote && DoubleQuotable) {
    std::string Quoted = "\"";
    Quoted.append(Name);
    return Quoted += '"';
  }
  return ShellSingleQuoted(Name);
}

bool IsOneCharacter(std::string_view Text) {
  if (Text.size() == 1) return true;
  char32_t Code = 0;
  return !Text.empty() && NlUtf8() && DecodeUtf8(Text, 0, Code) == Text.size();
}
