#pragma once
// The file header of a copy with line numbers: the folder on the first line, the file name
// indented by two blanks on the second. The plug-in's copy commands and corvane copy share it.

#include <cstddef>
#include <string>
#include <string_view>

// CopyHeader() — the folder (Path up to and including its last "\", "/" or ":"), then two
// blanks and the name (the rest), each line ended by Break. Windows takes "/" as a separator
// as well as "\", so a path written either way splits the same.
//   CopyHeader(u"C:\\docs\\memo.txt", u"\r\n") == u"C:\\docs\\\r\n  memo.txt\r\n"
[[nodiscard]] std::u16string CopyHeader(std::u16string_view Path, std::u16string_view Break);

// CopyHeader() — the same on the bytes of a path in an encoding whose characters CharLength
// measures from their first byte: a separator counts only where a character starts, so code
// page 932's trail byte 0x5C in '表' (95 5C) splits nothing.
//   CopyHeader("d/\x95\x5C", "\n", Cp932Length) == "d/\n  \x95\x5C\n"
[[nodiscard]] std::string CopyHeader(std::string_view Path, std::string_view Break,
                                     size_t (*CharLength)(unsigned char Lead));

// FileNameStart() — where CopyHeader() splits Path: after its last "\", "/" or ":", 0 without
// one. FileNameStart(u"C:\\docs\\memo.txt") == 8
[[nodiscard]] size_t FileNameStart(std::u16string_view Path);
[[nodiscard]] size_t FileNameStart(std::string_view Path, size_t (*CharLength)(unsigned char Lead));
