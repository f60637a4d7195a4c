#include "LineNumberUnit/ContinueRule.h"

#include <algorithm>
#include <limits>

#include "library/ConstUnit/ConstUnit.h"
#include "library/ConvertToTypeUnit/ConvertToTypeUnit.h"
#include "library/StringSearchUnit/StringSearchUnit.h"
#include "library/StringUnit/StringUnit.h"

std::optional<TContinueStart> ReadContinueStart(std::u16string_view Head) {
  const std::u16string Trimmed = TrimLeftChars(Head, u" ");
  static const std::u16string NumberChars = std::u16string(DigitChars) + u"+-";
  // csmAll also rules out an empty head.
  if (ClassifyChars(Trimmed, NumberChars) != csmAll) return std::nullopt;
  // The character set alone lets "+-5", "5-" and a lone "+" through.
  const std::optional<int32_t> Number = StrToInt32(std::u16string_view(Trimmed));
  if (!Number) return std::nullopt;

  const std::u16string Digits = TrimLeftChars(Trimmed, u"+-");
  TContinueStart Start;
  Start.Number = *Number;
  // Leading zeros make any length a valid head; a field wider than int32 is not printable.
  Start.Digits =
      static_cast<int32_t>(std::min<size_t>(Digits.size(), std::numeric_limits<int32_t>::max()));
  Start.ZeroFill = Digits.size() >= 2 && Digits[0] == u'0';
  Start.Options = StartsWithStr(Trimmed, u"+", cmExact) ? lnoPlusSign : 0;
  return Start;
}

TContinueResult ContinueNumbering(std::u16string_view Text, int32_t Step, int32_t& PrefixWidth) {
  const std::u16string Head = BeforeFirst(LineNumberSeparator, Text);
  TContinueResult Result;
  Result.HeadLength = Head.size();
  const std::optional<TContinueStart> Start = ReadContinueStart(Head);
  if (!Start) {
    Result.NewText = std::u16string(Text);
    return Result;
  }
  Result.RuleMet = true;
  const std::u16string Body = AfterFirst(LineNumberSeparator, Text);
  Result.NewText = Start->ZeroFill
                       ? AddPaddedLineNumbers(Body, Start->Number, Start->Digits, Step,
                                              Start->Options, PrefixWidth)
                       : AddLineNumbers(Body, Start->Number, Step, Start->Options, PrefixWidth);
  return Result;
}
