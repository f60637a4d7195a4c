#include "library/UtfUnit/UtfUnit.h"

#include <cstdint>

#include "library/UtfUnit/Utf8Validate.h"

namespace {

// Appends valid UTF-8 to Out.
void DecodeValid(std::string_view Bytes, std::u16string& Out) {
  const auto* P = reinterpret_cast<const unsigned char*>(Bytes.data());
  const auto* End = P + Bytes.size();
  while (P < End) {
    const unsigned char B0 = *P;
    if (B0 < 0x80) {
      Out += static_cast<char16_t>(B0);
      P += 1;
    } else if (B0 < 0xE0) {
      Out += static_cast<char16_t>(((B0 & 0x1F) << 6) | (P[1] & 0x3F));
      P += 2;
    } else if (B0 < 0xF0) {
      Out += static_cast<char16_t>(((B0 & 0x0F) << 12) | ((P[1] & 0x3F) << 6) | (P[2] & 0x3F));
      P += 3;
    } else {
      const uint32_t Code =
          ((B0 & 0x07u) << 18) | ((P[1] & 0x3Fu) << 12) | ((P[2] & 0x3Fu) << 6) | (P[3] & 0x3Fu);
      Out += static_cast<char16_t>(0xD800 + ((Code - 0x10000) >> 10));
      Out += static_cast<char16_t>(0xDC00 + ((Code - 0x10000) & 0x3FF));
      P += 4;
    }
  }
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view S) {
  std::string Out;
  Out.reserve(S.size() * 3);
  for (size_t i = 0; i < S.size(); ++i) {
    uint32_t C = S[i];
    if (C >= 0xD800 && C <= 0xDBFF && i + 1 < S.size() && S[i + 1] >= 0xDC00 &&
        S[i + 1] <= 0xDFFF) {
      C = 0x10000 + ((C - 0xD800) << 10) + (S[i + 1] - 0xDC00);
      ++i;
    } else if (C >= 0xD800 && C <= 0xDFFF) {
      C = 0xFFFD;
    }
    if (C < 0x80) {
      Out.push_back(static_cast<char>(C));
    } else if (C < 0x800) {
      Out.push_back(static_cast<char>(0xC0 | (C >> 6)));
      Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
    } else if (C < 0x10000) {
      Out.push_back(static_cast<char>(0xE0 | (C >> 12)));
      Out.push_back(static_cast<char>(0x80 | ((C >> 6) & 0x3F)));
      Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
    } else {
      Out.push_back(static_cast<char>(0xF0 | (C >> 18)));
      Out.push_back(static_cast<char>(0x80 | ((C >> 12) & 0x3F)));
      Out.push_back(static_cast<char>(0x80 | ((C >> 6) & 0x3F)));
      Out.push_back(static_cast<char>(0x80 | (C & 0x3F)));
    }
  }
  return Out;
}

bool Utf8ToUtf16(std::string_view Bytes, std::u16string& Out) {
  Out.clear();
  size_t Bad = 0;
  if (!ValidateUtf8(Bytes, Bad)) return false;
  Out.reserve(Bytes.size());
  DecodeValid(Bytes, Out);
  return true;
}

std::u16string Utf8ToUtf16Lenient(std::string_view Bytes) {
  std::u16string Out;
  while (!Bytes.empty()) {
    size_t Bad = 0;
    const bool Valid = ValidateUtf8(Bytes, Bad);
    DecodeValid(Bytes.substr(0, Bad), Out);
    if (Valid) break;
    Out += u'\uFFFD';
    Bytes.remove_prefix(Bad + 1);
  }
  return Out;
}
