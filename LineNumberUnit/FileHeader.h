#pragma once
// The file header of a copy with line numbers: the folder on the first line, the file name
// indented by two blanks on the second. The plug-in's copy commands and corvane copy share it.

#include <string>
#include <string_view>

// CopyHeader() — the folder (Path up to and including its last "\", "/" or ":"), then two
// blanks and the name (the rest), each line ended by Break. Windows takes "/" as a separator
// as well as "\", so a path written either way splits the same.
//   CopyHeader(u"C:\\docs\\memo.txt", u"\r\n") == u"C:\\docs\\\r\n  memo.txt\r\n"
[[nodiscard]] std::u16string CopyHeader(std::u16string_view Path, std::u16string_view Break);
