#include "cli/io/TextCodec.h"

#include <bit>
#include <cstring>

#include "cli/sys/System.h"
#include "library/CodePage932/Cp932.h"
#include "library/UtfUnit/Utf8Validate.h"
#include "library/UtfUnit/UtfUnit.h"

namespace {

inline char16_t ReadUnit(const unsigned char* P, TTextEncoding Encoding) {
  return Encoding == teUtf16LE ? static_cast<char16_t>(P[0] | (P[1] << 8))
                               : static_cast<char16_t>((P[0] << 8) | P[1]);
}

inline bool IsHighSurrogate(char16_t C) {
  return C >= 0xD800 && C <= 0xDBFF;
}
inline bool IsLowSurrogate(char16_t C) {
  return C >= 0xDC00 && C <= 0xDFFF;
}

bool ValidateUtf8(std::string_view Body, TEncodingError& Error) {
  size_t Bad = 0;
  if (::ValidateUtf8(Body, Bad)) return true;
  Error = {Bad, "invalid UTF-8"};
  return false;
}

bool ValidateUtf16(std::string_view Body, TTextEncoding Encoding, TEncodingError& Error) {
  const auto* P = reinterpret_cast<const unsigned char*>(Body.data());
  const size_t Units = Body.size() / 2;
  for (size_t I = 0; I < Units; ++I) {
    const char16_t C = ReadUnit(P + 2 * I, Encoding);
    if (C < 0xD800 || C > 0xDFFF) continue;
    if (IsHighSurrogate(C) && I + 1 < Units && IsLowSurrogate(ReadUnit(P + 2 * I + 2, Encoding))) {
      ++I;
      continue;
    }
    Error = {2 * I, "unpaired surrogate in UTF-16"};
    return false;
  }
  if (Body.size() % 2 != 0) {
    Error = {Body.size() - 1, "incomplete UTF-16 code unit"};
    return false;
  }
  return true;
}

size_t DecodeUtf16(std::string_view Body, TTextEncoding Encoding, char16_t* Dst) {
  const size_t Units = Body.size() / 2;
  const bool Native = (Encoding == teUtf16LE) == (std::endian::native == std::endian::little);
  if (Native) {
    if (Units > 0) std::memcpy(Dst, Body.data(), Units * 2);  // Dst may be null when empty
    return Units;
  }
  const auto* P = reinterpret_cast<const unsigned char*>(Body.data());
  for (size_t I = 0; I < Units; ++I) Dst[I] = ReadUnit(P + 2 * I, Encoding);
  return Units;
}

size_t EncodeUtf16(std::u16string_view Text, TTextEncoding Encoding, char* Dst) {
  const bool Native = (Encoding == teUtf16LE) == (std::endian::native == std::endian::little);
  if (Native) {
    if (!Text.empty()) std::memcpy(Dst, Text.data(), 2 * Text.size());  // Dst may be null
    return 2 * Text.size();
  }
  for (size_t I = 0; I < Text.size(); ++I) {
    const char16_t C = Text[I];
    const unsigned char Lo = static_cast<unsigned char>(C & 0xFF);
    const unsigned char Hi = static_cast<unsigned char>(C >> 8);
    Dst[2 * I] = static_cast<char>(Encoding == teUtf16LE ? Lo : Hi);
    Dst[2 * I + 1] = static_cast<char>(Encoding == teUtf16LE ? Hi : Lo);
  }
  return 2 * Text.size();
}

}  // namespace

std::optional<TEncodingChoice> EncodingChoiceByName(std::string_view Name) {
  struct TNamed {
    std::string_view Name;
    TEncodingChoice Choice;
  };
  static constexpr TNamed Names[] = {
      {"auto", ecAuto},   {"utf-8", ecUtf8}, {"utf-16le", ecUtf16LE}, {"utf-16be", ecUtf16BE},
      {"cp932", ecCp932}, {"sjis", ecCp932}, {"shift_jis", ecCp932},
  };
  std::string Lower(Name);
  for (char& C : Lower) {
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  }
  for (const TNamed& N : Names) {
    if (N.Name == Lower) return N.Choice;
  }
  return std::nullopt;
}

TTextEncoding DetectEncoding(std::string_view Bytes, size_t& BomLength) {
  for (TTextEncoding E : {teUtf8Bom, teUtf16LE, teUtf16BE}) {
    const std::string_view Bom = BomBytes(E);
    if (Bytes.substr(0, Bom.size()) == Bom) {
      BomLength = Bom.size();
      return E;
    }
  }
  BomLength = 0;
  return teUtf8;
}

std::string_view BomBytes(TTextEncoding Encoding) {
  switch (Encoding) {
    case teUtf8Bom:
      return "\xEF\xBB\xBF";
    case teUtf16LE:
      return "\xFF\xFE";
    case teUtf16BE:
      return "\xFE\xFF";
    default:
      return "";
  }
}

const char* EncodingName(TTextEncoding Encoding) {
  switch (Encoding) {
    case teUtf8Bom:
      return "UTF-8 with BOM";
    case teUtf16LE:
      return "UTF-16LE";
    case teUtf16BE:
      return "UTF-16BE";
    case teCp932:
      return "code page 932";
    default:
      return "UTF-8";
  }
}

bool ValidateText(std::string_view Body, TTextEncoding Encoding, TEncodingError& Error) {
  if (Encoding == teCp932) {
    size_t Bad = 0;
    if (ValidateCp932(Body, Bad)) return true;
    Error = {Bad, "invalid code page 932"};
    return false;
  }
  return UnitSize(Encoding) == 2 ? ValidateUtf16(Body, Encoding, Error) : ValidateUtf8(Body, Error);
}

void DecodeText(std::string_view Body, TTextEncoding Encoding, std::u16string& Out) {
  if (Encoding == teCp932) {
    (void)sys::Cp932ToUtf16(Body, Out);  // validated: it converts
    return;
  }
  if (UnitSize(Encoding) == 1) {
    std::u16string Text;
    if (Utf8ToUtf16(Body, Text)) Out += Text;
    return;
  }
  const size_t Old = Out.size();
  Out.resize(Old + Body.size() / 2);
  DecodeUtf16(Body, Encoding, Out.data() + Old);
}

bool EncodeText(std::u16string_view Text, TTextEncoding Encoding, std::string& Out) {
  if (Encoding == teCp932) return sys::Utf16ToCp932(Text, Out);
  if (UnitSize(Encoding) == 1) {
    Out += Utf16ToUtf8(Text);
    return true;
  }
  const size_t Old = Out.size();
  Out.resize(Old + 2 * Text.size());
  EncodeUtf16(Text, Encoding, Out.data() + Old);
  return true;
}
