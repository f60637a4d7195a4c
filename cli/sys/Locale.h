#pragma once
// What the user's locale says about text and messages, where POSIX and Windows differ:
// LocalePosix.cpp asks the C library, LocaleWin32.cpp knows Windows' answers (text arrives as
// UTF-8, the user's language is the UI language). Facts only; what nl makes of them is in
// cli/nl, what corvane makes of them in cli/io/Message.h. (A character's length and whether it
// prints are sys::LocaleCharacter() of System.h.)

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sys {

// SetUpLocale() — takes the whole locale from the environment (LC_ALL, LC_*, LANG), as GNU
// programs do; nothing on Windows.
void SetUpLocale();

// LocaleIsUtf8() — whether the locale's text is UTF-8 (always on Windows, where corvane gets
// its arguments as UTF-8).
[[nodiscard]] bool LocaleIsUtf8();

// TranslateMessage() — Text in the user's language from the system's catalog of Domain
// (gettext's dgettext()); Text itself, the same pointer, when the catalog has no entry for it,
// and always on Windows.
[[nodiscard]] const char* TranslateMessage(const char* Domain, const char* Text);

// UserLanguage() — the language the user reads messages in, as the system names it: on POSIX
// the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty ("ja_JP.UTF-8", "C",
// "" for none), on Windows the UI language's ISO 639 name ("ja", "en").
[[nodiscard]] std::string UserLanguage();

// The languages corvane's own texts come in.
enum TLanguage : uint8_t { lgEnglish, lgJapanese };

// ErrorText() — the system's text for an errno value in Language: in English strerror()'s
// (in nl mode's locale, which only nl mode sets up); in Japanese the C library's translation
// (as strerror() gives it in a Japanese locale, UTF-8), on Windows FormatMessageW()'s; "" when
// the system has no Japanese text for it.
[[nodiscard]] std::string ErrorText(int Errno, TLanguage Language);

// IsTerminal() — whether descriptor Fd is a terminal (or a Windows console or character device).
[[nodiscard]] bool IsTerminal(int Fd);

// ProgramBaseName() — the last component of a program path, as the system compares names:
// lower-cased on Windows, where '\\' and ':' also end a folder part.
// ProgramBaseName("/usr/bin/nl") == "nl"; on Windows ProgramBaseName("C:NL.EXE") == "nl.exe"
[[nodiscard]] std::string ProgramBaseName(std::string_view Path);

}  // namespace sys
