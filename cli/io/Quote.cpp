// Quoting of values and file names in messages, the locale's way or UTF-8's.

#include "cli/io/Quote.h"

#include <cstring>

#include "cli/sys/Locale.h"
#include "cli/sys/System.h"
#include "library/UtfUnit/UtfRules.h"

namespace {

// The character at Text[Pos] as UTF-8: its length (1 for a byte that starts none) and whether
// it prints (not C0, DEL or C1).
sys::TCharacterFacts Utf8Character(std::string_view Text, size_t Pos) {
  char32_t Code = 0;
  const size_t Length = DecodeUtf8(Text, Pos, Code);
  if (Length == 0) return {1, false};
  return {Length, Code >= 0x20 && !(Code >= 0x7F && Code < 0xA0)};
}

sys::TCharacterFacts NextChar(std::string_view Text, size_t Pos, TMessageText How) {
  if (How == mtLocale) {
    if (const std::optional<sys::TCharacterFacts> Char = sys::LocaleCharacter(Text, Pos))
      return *Char;
  }
  return Utf8Character(Text, Pos);
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
std::string ShellSingleQuoted(std::string_view Name, TMessageText How) {
  std::string Out = "'";
  bool Inside = true;
  for (size_t Pos = 0; Pos < Name.size();) {
    const sys::TCharacterFacts Char = NextChar(Name, Pos, How);
    if (!Char.Printable) {
      Out += Inside ? "'$'" : "$'";
      for (; Pos < Name.size(); ++Pos) {
        const sys::TCharacterFacts Next = NextChar(Name, Pos, How);
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

std::string QuoteArgument(std::string_view Text, TMessageText How) {
  const bool Curly = How == mtLocale && sys::LocaleQuotesInUnicode();
  std::string Open = Curly ? "\u2018" : "'";
  std::string Close = Curly ? "\u2019" : "'";
  if (How == mtLocale) {
    // GNU nl takes its quotes from its message catalog when that has them (`x' in Japanese).
    constexpr const char* OpenQuote = "`";
    constexpr const char* CloseQuote = "'";
    const char* const OpenText = sys::TranslateMessage("coreutils", OpenQuote);
    const char* const CloseText = sys::TranslateMessage("coreutils", CloseQuote);
    if (OpenText != OpenQuote) Open = OpenText;
    if (CloseText != CloseQuote) Close = CloseText;
  }
  std::string Out(Open);
  for (size_t Pos = 0; Pos < Text.size();) {
    if (Text.substr(Pos, Close.size()) == Close) {
      Out += '\\';
      Out += Close;
      Pos += Close.size();
      continue;
    }
    const sys::TCharacterFacts Char = NextChar(Text, Pos, How);
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

std::string QuoteFileName(std::string_view Name, TMessageText How) {
  if (Name.empty()) return "''";
  bool Plain = true;
  bool DoubleQuotable = true;  // printable, and nothing a shell expands inside "..."
  bool HasQuote = false;
  for (size_t Pos = 0; Pos < Name.size();) {
    const sys::TCharacterFacts Char = NextChar(Name, Pos, How);
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
  return ShellSingleQuoted(Name, How);
}
