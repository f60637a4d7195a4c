#pragma once
// corvane's texts in the user's language: English, or Japanese when the user reads Japanese.
// The texts are the rows of MessageTable.h; the language is chosen once, when corvane starts.
// Until then (and always in nl mode, whose texts come from the system's catalogs) it is English.

#include <initializer_list>
#include <string>
#include <string_view>

#include "cli/io/MessageTable.h"
#include "cli/sys/Locale.h"

// LanguageOf() — the language for what the system names the user's language: Japanese for a
// name that starts with "ja" ("ja_JP.UTF-8", "ja"), English otherwise ("C", "", "en_US").
[[nodiscard]] sys::TLanguage LanguageOf(std::string_view UserLanguage);

// SetMessageLanguage() — the language of every text from here on.
void SetMessageLanguage(sys::TLanguage Language);
[[nodiscard]] sys::TLanguage MessageLanguage();

// Message() — the text of Id in the chosen language, {N} replaced by the Nth of Args.
//   Message(miInvalidAt, {"a", "invalid UTF-8", "3"}) == "a: invalid UTF-8 at byte offset 3"
[[nodiscard]] std::string Message(TMessageId Id, std::initializer_list<std::string_view> Args = {});

// EnglishText() — the row's English, for the tables that hold texts by pointer (the option rows);
// LocalText() gives such a text, or any other row's English, in the chosen language (itself
// when no row has it).
[[nodiscard]] constexpr const char* EnglishText(TMessageId Id) {
  return MessageTable[Id].English;
}
[[nodiscard]] const char* LocalText(const char* English);

// FileInMessage() — a file name as messages show it, quoted as coreutils quotes one.
[[nodiscard]] std::string FileInMessage(std::string_view Name);
