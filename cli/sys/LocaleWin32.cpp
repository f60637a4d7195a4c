// The locale on Windows: arguments arrive as UTF-8 (corvane converts them from UTF-16);
// messages are English.

#include <io.h>

#include "cli/sys/Locale.h"

void sys::SetUpLocale() {}

bool sys::LocaleIsUtf8() {
  return true;
}

const char* sys::TranslateMessage(const char*, const char* Text) {
  return Text;
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
