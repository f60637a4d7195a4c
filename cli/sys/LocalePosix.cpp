// The locale on POSIX systems: the C library's locale and gettext.

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <libintl.h>
#include <unistd.h>

#include "cli/sys/Locale.h"

void sys::SetUpLocale() {
  std::setlocale(LC_ALL, "");
}

bool sys::LocaleIsUtf8() {
  return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

const char* sys::TranslateMessage(const char* Domain, const char* Text) {
  return dgettext(Domain, Text);
}

std::string sys::UserLanguage() {
  for (const char* Name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* Value = std::getenv(Name);
    if (Value != nullptr && *Value != '\0') return Value;
  }
  return "";
}

namespace {

// The user's message locale with UTF-8 text, for the C library's Japanese texts; the global
// locale stays "C" for corvane. A Japanese user whose own locale is not installed still gets
// ja_JP.UTF-8's texts where that one is. Null when neither is.
locale_t JapaneseMessages() {
  static const locale_t Messages = [] {
    locale_t Base = newlocale(LC_MESSAGES_MASK, "", locale_t{});
    if (Base == locale_t{}) Base = newlocale(LC_MESSAGES_MASK, "ja_JP.UTF-8", locale_t{});
    if (Base == locale_t{}) return locale_t{};
    const locale_t Utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", Base);
    if (Utf8 == locale_t{}) freelocale(Base);
    return Utf8;
  }();
  return Messages;
}

}  // namespace

std::string sys::ErrorText(int Errno, TLanguage Language) {
  if (Language == lgEnglish) return std::strerror(Errno);
  const locale_t Messages = JapaneseMessages();
  return Messages != locale_t{} ? strerror_l(Errno, Messages) : "";
}

bool sys::IsTerminal(int Fd) {
  return isatty(Fd) != 0;
}

std::string sys::ProgramBaseName(std::string_view Path) {
  const size_t Cut = Path.find_last_of('/');
  return std::string(Cut == std::string_view::npos ? Path : Path.substr(Cut + 1));
}
