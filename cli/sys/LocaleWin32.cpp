// The locale on Windows: arguments arrive as UTF-8 (corvane converts them from UTF-16); the
// user's language is the UI language.

#include <io.h>
#include <windows.h>

#include "cli/sys/Locale.h"

void sys::SetUpLocale() {}

bool sys::LocaleIsUtf8() {
  return true;
}

const char* sys::TranslateMessage(const char*, const char* Text) {
  return Text;
}

std::string sys::UserLanguage() {
  const LCID Locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
  char Name[16] = {};
  return GetLocaleInfoA(Locale, LOCALE_SISO639LANGNAME, Name, sizeof Name) > 0 ? Name : "";
}

bool sys::IsTerminal(int Fd) {
  return _isatty(Fd) != 0;
}

std::string sys::ProgramBaseName(std::string_view Path) {
  const size_t Cut = Path.find_last_of("/\\:");
  std::string Base(Cut == std::string_view::npos ? Path : Path.substr(Cut + 1));
  for (char& C : Base) C = (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C;
  return Base;
}
