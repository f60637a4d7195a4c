#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

#include "library/AssertUnit/AssertUnit.h"
#include "library/UtfUnit/UtfUnit.h"

// Readable UTF-16 in failure messages: UTF-8, with CR, LF and TAB spelled out.
inline std::string Show(std::u16string_view S) {
  std::u16string Escaped;
  for (char16_t C : S) {
    if (C == u'\r')
      Escaped += u"<CR>";
    else if (C == u'\n')
      Escaped += u"<LF>";
    else if (C == u'\t')
      Escaped += u"<TAB>";
    else
      Escaped += C;
  }
  std::string Quoted = "\"";
  Quoted += Utf16ToUtf8(Escaped);
  Quoted += '"';
  return Quoted;
}

// Bytes in hex for failure messages: "E3 81 82 ".
inline std::string Hex(std::string_view S) {
  std::string Out;
  char Buffer[4];
  for (unsigned char B : S) {
    std::snprintf(Buffer, sizeof Buffer, "%02X ", B);
    Out += Buffer;
  }
  return Out;
}
