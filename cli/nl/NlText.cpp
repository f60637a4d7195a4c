// Locale-dependent text for corvane nl: the locale itself, its messages, one character for -d.

#include "cli/nl/NlText.h"

#include "cli/sys/Locale.h"

namespace {

constexpr const char* NlDomain = "coreutils";  // the catalog nl's messages come from
constexpr const char* SystemDomain = "libc";   // and the C library's (strerror())

}  // namespace

void SetUpNlLocale() {
  sys::SetUpLocale();
}

bool NlUtf8() {
  return sys::LocaleIsUtf8();
}

std::string NlMessage(const char* Text) {
  return sys::TranslateMessage(NlDomain, Text);
}

std::string NlMessage(const std::string& Format, std::string_view Argument) {
  std::string Out = NlMessage(Format.c_str());
  if (const size_t At = Out.find("%s"); At != std::string::npos) Out.replace(At, 2, Argument);
  return Out;
}

std::string NlSystemText(const char* Text) {
  return sys::TranslateMessage(SystemDomain, Text);
}

bool IsOneCharacter(std::string_view Text) {
  if (Text.size() == 1) return true;
  char32_t Code = 0;
  return !Text.empty() && NlUtf8() && DecodeUtf8(Text, 0, Code) == Text.size();
}
