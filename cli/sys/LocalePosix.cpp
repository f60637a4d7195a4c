// The locale on POSIX systems: the C library's locale and gettext.

#include <clocale>
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

bool sys::IsTerminal(int Fd) {
  return isatty(Fd) != 0;
}

std::string sys::ProgramBaseName(std::string_view Path) {
  const size_t Cut = Path.find_last_of('/');
  return std::string(Cut == std::string_view::npos ? Path : Path.substr(Cut + 1));
}
