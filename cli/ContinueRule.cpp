#include "cli/ContinueRule.h"

#include <string>

#include "library/ConstUnit/ConstUnit.h"
#include "library/StringUnit/StringUnit.h"

std::u16string_view ContinueHead(std::u16string_view Text) {
  const size_t Colon = Text.find(LineNumberSeparator);
  return Colon == std::u16string_view::npos ? Text : Text.substr(0, Colon);
}

std::u16string_view ContinueBody(std::u16string_view Text) {
  const size_t Colon = Text.find(LineNumberSeparator);
  return Colon == std::u16string_view::npos ? Text
                                            : Text.substr(Colon + LineNumberSeparator.size());
}

std::optional<TContinueStart> ReadContinueStart(std::u16string_view Head) {
  const std::u16string Trimmed = TrimLeftChars(Head, u" ");
  const std::u16string Allowed = std::u16string(DigitChars) + u"+-";
  if (ClassifyChars(Trimmed, Allowed) != csmAll) return std::nullopt;

  // One optional sign, then digits only: "+-5", "5-" and a lone "+" are not numbers.
  const bool Negative = Trimmed[0] == u'-';
  const size_t First = (Trimmed[0] == u'+' || Negative) ? 1 : 0;
  if (First == Trimmed.size()) return std::nullopt;
  int64_t Magnitude = 0;
  for (size_t I = First; I < Trimmed.size(); ++I) {
    const char16_t C = Trimmed[I];
    if (C < u'0' || C > u'9') return std::nullopt;
    Magnitude = Magnitude * 10 + (C - u'0');
    // Past 2^31 nothing fits any more; stop before the accumulator could overflow.
    if (Magnitude > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  const int64_t Value = Negative ? -Magnitude : Magnitude;
  if (Value > INT32_MAX) return std::nullopt;

  TContinueStart Start;
  Start.Number = static_cast<int32_t>(Value);
  const std::u16string Digits = TrimLeftChars(Trimmed, u"+-");
  Start.Digits = static_cast<int32_t>(Digits.size());
  Start.ZeroFill = Digits.size() >= 2 && Digits[0] == u'0';
  Start.Options = Trimmed[0] == u'+' ? lnoPlusSign : 0;
  return Start;
}

std::u16string ContinueNumbering(std::u16string_view Text, int32_t Step, int32_t& PrefixWidth) {
  const std::optional<TContinueStart> Start = ReadContinueStart(ContinueHead(Text));
  if (!Start) return std::u16string(Text);
  const std::u16string_view Body = ContinueBody(Text);
  if (Start->ZeroFill) {
    return AddPaddedLineNumbers(Body, Start->Number, Start->Digits, Step, Start->Options,
                                PrefixWidth);
  }
  return AddLineNumbers(Body, Start->Number, Step, Start->Options, PrefixWidth);
}
