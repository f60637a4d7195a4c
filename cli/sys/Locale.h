#pragma once
// What the user's locale says about text and messages, where POSIX and Windows differ:
// LocalePosix.cpp asks the C library, LocaleWin32.cpp knows Windows' answers (text arrives as
// UTF-8, messages stay English). Facts only; what nl makes of them is in cli/nl. (A character's
// length and whether it prints are sys::LocaleCharacter() of System.h.)

#include <cstddef>
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

// IsTerminal() — whether descriptor Fd is a terminal (or a Windows console or character device).
[[nodiscard]] bool IsTerminal(int Fd);

// ProgramBaseName() — the last component of a program path, as the system compares names:
// lower-cased on Windows, where '\\' and ':' also end a folder part.
// ProgramBaseName("/usr/bin/nl") == "nl"; on Windows ProgramBaseName("C:NL.EXE") == "nl.exe"
[[nodiscard]] std::string ProgramBaseName(std::string_view Path);

}  // namespace sys
