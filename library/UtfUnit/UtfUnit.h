#pragma once
// The one UTF-8 <-> UTF-16 conversion of the project: the assertion texts, the command-line
// filter's names and headers, and the test host's reports all convert here.

#include <string>
#include <string_view>

// Utf16ToUtf8() — S in UTF-8; a lone surrogate, which no valid text holds, becomes U+FFFD.
//   Utf16ToUtf8(u"行") == "\xE8\xA1\x8C"
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view S);

// Utf8ToUtf16() — Bytes in UTF-16 into Out; false (Out empty) when Bytes is not valid UTF-8.
[[nodiscard]] bool Utf8ToUtf16(std::string_view Bytes, std::u16string& Out);

// Utf8ToUtf16Lenient() — for names and paths only: each byte that starts no valid sequence
// becomes U+FFFD. Utf8ToUtf16Lenient("a\xFF") == u"a\uFFFD"
[[nodiscard]] std::u16string Utf8ToUtf16Lenient(std::string_view Bytes);
