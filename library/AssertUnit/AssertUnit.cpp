#include "library/AssertUnit/AssertUnit.h"

#include <string>

EAssertionFailed::EAssertionFailed(std::u16string Message)
    : FMessage(std::move(Message)), FWhat(Utf16ToUtf8(FMessage)) {}

void AssertionFailed(std::u16string_view Msg, std::u16string_view File, int32_t Line) {
  std::u16string Text;
  const std::string Number = std::to_string(Line);
  Text.reserve(Msg.size() + File.size() + Number.size() + 8);
  Text.append(Msg);
  Text.append(u" (");
  Text.append(File);
  Text.append(u", ");
  Text.append(Number.begin(), Number.end());  // digits and '-' are ASCII
  Text.append(u" 行)");
  throw EAssertionFailed(std::move(Text));
}

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
