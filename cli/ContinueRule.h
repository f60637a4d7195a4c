#pragma once
// The continue rule: the user writes the first number at the head of the first line ("005:",
// "+10:", "  7:") and the lines are numbered on from it. Portable (no host, no windows.h), so
// the plug-in's command code and the corvane filter can share one reading of the head.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "LineNumberUnit/LineNumberUnit.h"

// What a head written by the user asks for.
struct TContinueStart {
  int32_t Number = 0;              // the first line's value
  int32_t Digits = 0;              // digits as written, sign excluded: "+007" -> 3
  bool ZeroFill = false;           // 2+ digits beginning with "0": numbered zero-filled
  TLineNumberOptions Options = 0;  // lnoPlusSign when the head begins with "+"
};

// ContinueHead() — the text before the first ":" (the whole text when there is none).
// ContinueBody() — the text after the first ":" (the whole text when there is none).
[[nodiscard]] std::u16string_view ContinueHead(std::u16string_view Text);
[[nodiscard]] std::u16string_view ContinueBody(std::u16string_view Text);

// ReadContinueStart() — the start a head holds, or nothing. Blanks (not tabs) before it are
// ignored; the rest must be one optional sign and at least one ASCII digit, read as a 32-bit
// signed value. ReadContinueStart(u"  +007") -> {7, 3, true, lnoPlusSign};
// u"1 2", u"12a", u"\t5", u"１２", u"" and u"2147483648" give nothing.
[[nodiscard]] std::optional<TContinueStart> ReadContinueStart(std::u16string_view Head);

// ContinueNumbering() — numbers ContinueBody(Text) from the start its head holds, by Step:
// AddPaddedLineNumbers for a zero-filled start, AddLineNumbers otherwise. When the head holds
// no start the result is Text unchanged and PrefixWidth keeps its value.
//   ContinueNumbering(u"005:a\r\nb", 10, W) == u"005:a\r\n015:b", W == 4
[[nodiscard]] std::u16string ContinueNumbering(std::u16string_view Text, int32_t Step,
                                               int32_t& PrefixWidth);
