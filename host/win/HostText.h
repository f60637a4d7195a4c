#pragma once

// Text conversions of the Windows test host: UTF-16 <-> wchar_t, UTF-8, and the escaped form
// of the report (one line per key, so line breaks and tabs must not appear raw).

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "library/UtfUnit/UtfUnit.h"

inline std::wstring ToWide(std::u16string_view S) {
  return std::wstring(S.begin(), S.end());
}

inline std::u16string FromWide(std::wstring_view S) {
  return std::u16string(S.begin(), S.end());
}

// IsOfClass() — whether Window's class name is Class, ignoring case ("Button", "#32770").
inline bool IsOfClass(HWND Window, const wchar_t* Class) {
  wchar_t Name[32] = {};
  GetClassNameW(Window, Name, 32);
  return lstrcmpiW(Name, Class) == 0;
}

// Report escaping: "\\" "\r" "\n" "\t", other control characters as \xHH, a lone surrogate as
// \uHHHH; everything else is written as UTF-8.
inline std::string EscapeText(std::u16string_view S) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  auto IsHigh = [](char16_t C) { return C >= 0xD800 && C <= 0xDBFF; };
  auto IsLow = [](char16_t C) { return C >= 0xDC00 && C <= 0xDFFF; };
  std::string Out;
  Out.reserve(S.size());
  size_t Plain = 0;  // start of the run of characters written as they are
  auto Flush = [&](size_t End) { Out += Utf16ToUtf8(S.substr(Plain, End - Plain)); };
  for (size_t I = 0; I < S.size(); ++I) {
    const char16_t C = S[I];
    if (IsHigh(C) && I + 1 < S.size() && IsLow(S[I + 1])) {
      ++I;  // a pair stays in the plain run
      continue;
    }
    const char* Escape = C == u'\\'   ? "\\\\"
                         : C == u'\r' ? "\\r"
                         : C == u'\n' ? "\\n"
                         : C == u'\t' ? "\\t"
                                      : nullptr;
    const bool Lone = IsHigh(C) || IsLow(C);
    if (Escape == nullptr && !Lone && C >= 0x20 && C != 0x7F) continue;
    Flush(I);
    Plain = I + 1;
    if (Escape != nullptr) {
      Out += Escape;
    } else if (Lone) {
      Out += "\\u";
      for (int Shift = 12; Shift >= 0; Shift -= 4) Out += Hex[(C >> Shift) & 0xF];
    } else {
      Out += "\\x";
      Out += Hex[C >> 4];
      Out += Hex[C & 0xF];
    }
  }
  Flush(S.size());
  return Out;
}

inline std::string EscapeText(std::wstring_view S) {
  return EscapeText(FromWide(S));
}

inline std::string HexBytes(const void* Data, size_t Size) {
  static constexpr char Hex[] = "0123456789abcdef";
  std::string Out;
  const auto* P = static_cast<const unsigned char*>(Data);
  for (size_t I = 0; I < Size; ++I) {
    Out += Hex[P[I] >> 4];
    Out += Hex[P[I] & 0xF];
  }
  return Out;
}

inline std::string HexNumber(uint64_t Value) {
  static constexpr char Hex[] = "0123456789abcdef";
  char Digits[16];
  int Count = 0;
  do {
    Digits[Count++] = Hex[Value & 0xF];
    Value >>= 4;
  } while (Value != 0);
  std::string Out = "0x";
  while (Count > 0) Out += Digits[--Count];
  return Out;
}

// Command-line text (UTF-16) to UTF-8, for keys that echo arguments.
inline std::string ToUtf8(std::wstring_view S) {
  return Utf16ToUtf8(FromWide(S));
}

// One report: "key=value" lines in the order they were added; keys may repeat (lists).
class THostReport {
 public:
  void Add(std::string_view Key, std::string_view Value) {
    FText.append(Key);
    FText += '=';
    FText.append(Value);
    FText += '\n';
  }
  void Add(std::string_view Key, int64_t Value) { Add(Key, std::to_string(Value)); }
  void AddText(std::string_view Key, std::u16string_view Value) { Add(Key, EscapeText(Value)); }
  [[nodiscard]] const std::string& Text() const { return FText; }

 private:
  std::string FText;
};
