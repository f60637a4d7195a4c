#include "cli/io/Message.h"

#include <cstring>

#include "cli/io/Quote.h"

namespace {

sys::TLanguage Chosen = sys::lgEnglish;

const char* TextIn(const TMessageRow& Row) {
  return Chosen == sys::lgJapanese ? Row.Japanese : Row.English;
}

}  // namespace

sys::TLanguage LanguageOf(std::string_view UserLanguage) {
  return UserLanguage.starts_with("ja") ? sys::lgJapanese : sys::lgEnglish;
}

void SetMessageLanguage(sys::TLanguage Language) {
  Chosen = Language;
}

sys::TLanguage MessageLanguage() {
  return Chosen;
}

std::string Message(TMessageId Id, std::initializer_list<std::string_view> Args) {
  const std::string_view Text = TextIn(MessageTable[Id < miCount ? Id : miInternalError]);
  std::string Out;
  for (size_t I = 0; I < Text.size(); ++I) {
    const size_t N = I + 2 < Text.size() && Text[I] == '{' && Text[I + 2] == '}'
                         ? static_cast<size_t>(Text[I + 1] - '1')
                         : Args.size();
    if (N < Args.size()) {
      Out += Args.begin()[N];
      I += 2;
    } else {
      Out += Text[I];
    }
  }
  return Out;
}

const char* LocalText(const char* English) {
  for (const TMessageRow& Row : MessageTable) {
    if (Row.English == English || std::strcmp(Row.English, English) == 0) return TextIn(Row);
  }
  return English;
}

std::string FileInMessage(std::string_view Name) {
  return QuoteFileName(Name, mtUtf8);
}
