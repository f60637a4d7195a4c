#include "cli/TextCodec.h"

#include <bit>
#include <cstring>

#include "cli/Utf8Validate.h"

namespace {

constexpr uint64_t HighBits = 0x8080808080808080ull;

// Eight bytes at P, read without alignment requirements.
inline uint64_t Load8(const unsigned char* P) {
  uint64_t V;
  std::memcpy(&V, P, 8);
  return V;
}

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

// A UTF-8 text never has more UTF-16 units than bytes: Out has room for Body.size().
size_t DecodeUtf8(std::string_view Body, char16_t* Out) {
  const auto* P = reinterpret_cast<const unsigned char*>(Body.data());
  const auto* End = P + Body.size();
  char16_t* Dst = Out;
  while (P < End) {
    while (End - P >= 16 && ((Load8(P) | Load8(P + 8)) & HighBits) == 0) {
      for (int I = 0; I < 16; ++I) Dst[I] = P[I];
      P += 16;
      Dst += 16;
    }
    if (P == End) break;
    const unsigned char B0 = *P;
    if (B0 < 0x80) {
      *Dst++ = B0;
      P += 1;
    } else if (B0 < 0xE0) {
      *Dst++ = static_cast<char16_t>(((B0 & 0x1F) << 6) | (P[1] & 0x3F));
      P += 2;
    } else if (B0 < 0xF0) {
      *Dst++ = static_cast<char16_t>(((B0 & 0x0F) << 12) | ((P[1] & 0x3F) << 6) | (P[2] & 0x3F));
      P += 3;
    } else {
      const uint32_t Code =
          ((B0 & 0x07u) << 18) | ((P[1] & 0x3Fu) << 12) | ((P[2] & 0x3Fu) << 6) | (P[3] & 0x3Fu);
      *Dst++ = static_cast<char16_t>(0xD800 + ((Code - 0x10000) >> 10));
      *Dst++ = static_cast<char16_t>(0xDC00 + ((Code - 0x10000) & 0x3FF));
      P += 4;
    }
  }
  return static_cast<size_t>(Dst - Out);
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

// At most three bytes per unit (a surrogate pair is four bytes for two units).
size_t EncodeUtf8(std::u16string_view Text, char* Out) {
  auto* Dst = reinterpret_cast<unsigned char*>(Out);
  const char16_t* P = Text.data();
  const char16_t* End = P + Text.size();
  while (P < End) {
    while (End - P >= 8) {
      uint64_t A, B;
      std::memcpy(&A, P, 8);
      std::memcpy(&B, P + 4, 8);
      if (((A | B) & 0xFF80FF80FF80FF80ull) != 0) break;
      for (int I = 0; I < 8; ++I) Dst[I] = static_cast<unsigned char>(P[I]);
      P += 8;
      Dst += 8;
    }
    if (P == End) break;
    const char16_t C = *P++;
    if (C < 0x80) {
      *Dst++ = static_cast<unsigned char>(C);
    } else if (C < 0x800) {
      *Dst++ = static_cast<unsigned char>(0xC0 | (C >> 6));
      *Dst++ = static_cast<unsigned char>(0x80 | (C & 0x3F));
    } else if (IsHighSurrogate(C) && P < End && IsLowSurrogate(*P)) {
      const uint32_t Code = 0x10000 + ((static_cast<uint32_t>(C) - 0xD800) << 10) + (*P++ - 0xDC00);
      *Dst++ = static_cast<unsigned char>(0xF0 | (Code >> 18));
      *Dst++ = static_cast<unsigned char>(0x80 | ((Code >> 12) & 0x3F));
      *Dst++ = static_cast<unsigned char>(0x80 | ((Code >> 6) & 0x3F));
      *Dst++ = static_cast<unsigned char>(0x80 | (Code & 0x3F));
    } else {
      const char16_t Unit = (C >= 0xD800 && C <= 0xDFFF) ? char16_t{0xFFFD} : C;
      *Dst++ = static_cast<unsigned char>(0xE0 | (Unit >> 12));
      *Dst++ = static_cast<unsigned char>(0x80 | ((Unit >> 6) & 0x3F));
      *Dst++ = static_cast<unsigned char>(0x80 | (Unit & 0x3F));
    }
  }
  return static_cast<size_t>(reinterpret_cast<char*>(Dst) - Out);
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
    default:
      return "UTF-8";
  }
}

bool ValidateText(std::string_view Body, TTextEncoding Encoding, TEncodingError& Error) {
  return UnitSize(Encoding) == 2 ? ValidateUtf16(Body, Encoding, Error) : ValidateUtf8(Body, Error);
}

void DecodeText(std::string_view Body, TTextEncoding Encoding, std::u16string& Out) {
  const size_t Old = Out.size();
  Out.resize(Old + Body.size());  // never more units than bytes
  Out.resize(Old + (UnitSize(Encoding) == 2 ? DecodeUtf16(Body, Encoding, Out.data() + Old)
                                            : DecodeUtf8(Body, Out.data() + Old)));
}

void EncodeText(std::u16string_view Text, TTextEncoding Encoding, std::string& Out) {
  const size_t Old = Out.size();
  // At most three bytes per unit in UTF-8, two in UTF-16.
  Out.resize(Old + (UnitSize(Encoding) == 2 ? 2 : 3) * Text.size());
  Out.resize(Old + (UnitSize(Encoding) == 2 ? EncodeUtf16(Text, Encoding, Out.data() + Old)
                                            : EncodeUtf8(Text, Out.data() + Old)));
}

std::u16string Utf8ToUtf16Lenient(std::string_view Text) {
  std::u16string Out;
  size_t Pos = 0;
  while (Pos < Text.size()) {
    TEncodingError Error;
    const std::string_view Rest = Text.substr(Pos);
    if (ValidateUtf8(Rest, Error)) {
      DecodeText(Rest, teUtf8, Out);
      break;
    }
    DecodeText(Rest.substr(0, Error.Offset), teUtf8, Out);
    Out += u'\uFFFD';
    Pos += Error.Offset + 1;
  }
  return Out;
}
