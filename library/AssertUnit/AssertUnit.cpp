#include "library/AssertUnit/AssertUnit.h"

#include <string>

#include "library/UtfUnit/UtfUnit.h"

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
