#pragma once
// The continue rule: the user writes the first number at the head of the first line ("005:",
// "+10:", "  7:") and the lines are numbered on from it. The plug-in's command and the corvane
// filter both read the head here, so they cannot drift apart.

#include <cstddef>
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

// ReadContinueStart() — the start a head holds, or nothing. Blanks (U+0020, not tabs) before it
// are ignored; the rest must be one optional sign and at least one ASCII digit (leading zeros
// allowed), read as a 32-bit signed value. ReadContinueStart(u"  +007") -> {7, 3, true,
// lnoPlusSign}; u"1 2", u"12a", u"\t5", u"１２", u"" and u"2147483648" give nothing.
[[nodiscard]] std::optional<TContinueStart> ReadContinueStart(std::u16string_view Head);

struct TContinueResult {
  std::u16string NewText;  // the numbered text, or the text unchanged when the rule is not met
  bool RuleMet = false;    // the head held a start
  size_t HeadLength = 0;   // units before the first ":" (the whole text when there is none)
};

// ContinueNumbering() — numbers the text after its first ":" (the whole text when there is
// none) from the start held by the text before it, by Step: AddPaddedLineNumbers for a
// zero-filled start, AddLineNumbers otherwise. When the rule is not met NewText is Text and
// PrefixWidth keeps its value.
//   ContinueNumbering(u"005:a\r\nb", 10, W) -> {u"005:a\r\n015:b", true, 3}, W == 4
[[nodiscard]] TContinueResult ContinueNumbering(std::u16string_view Text, int32_t Step,
                                                int32_t& PrefixWidth);
