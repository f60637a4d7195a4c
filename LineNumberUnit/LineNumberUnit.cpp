#include "LineNumberUnit/LineNumberUnit.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "LineNumberUnit/LineSteps.h"
#include "library/ConstUnit/ConstUnit.h"
#include "library/ConvertToTypeUnit/ConvertToTypeUnit.h"
#include "library/StringRecordList/StringRecordList.h"

namespace {

// A number head may hold the digits (DigitChars), blanks and tabs.
static_assert(DigitChars.size() == 10 &&
              std::all_of(DigitChars.begin(), DigitChars.end(),
                          line_steps_detail::IsNumberHeadUnit<char16_t>));

int64_t DecimalDigits(uint64_t Magnitude) {
  int64_t Count = 1;
  for (; Magnitude >= 10; Magnitude /= 10) ++Count;
  return Count;
}

uint64_t MagnitudeOf(int64_t V) {
  return V < 0 ? 0 - static_cast<uint64_t>(V) : static_cast<uint64_t>(V);
}

// The first and last values of a run, when both fit in 64 bits.
std::optional<TNumberPlan> PlanRun(int32_t Start, int32_t Step, TLineNumberOptions Options,
                                   uint64_t Lines) {
  TNumberPlan Plan;
  Plan.Start = Start;
  Plan.Step = Step;
  Plan.Lines = Lines;
  Plan.Reverse = (Options & lnoReverse) != 0;
  Plan.PlusSign = (Options & lnoPlusSign) != 0;
  int64_t Span = 0;
  if (Lines > 1) {
    if (Lines - 1 > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) ||
        __builtin_mul_overflow(int64_t{Step}, static_cast<int64_t>(Lines - 1), &Span)) {
      return std::nullopt;
    }
  }
  int64_t Last = 0;
  if (__builtin_add_overflow(int64_t{Start}, Span, &Last)) return std::nullopt;
  return Plan;
}

// Number of line items; more than the list limit (MaxListSize) is the list's capacity fault.
uint64_t LineCount(std::u16string_view Text) {
  const uint64_t N = CountLines(Text);
  CheckLineCount(N);
  return N;
}

// Room for the input plus one prefix per line, so the result is allocated once.
std::u16string ReserveResult(std::u16string_view Text, uint64_t Lines, int64_t PrefixWidth) {
  std::u16string Result;
  Result.reserve(Text.size() + static_cast<size_t>(Lines) * static_cast<size_t>(PrefixWidth));
  return Result;
}

std::u16string NumberLines(std::u16string_view Text, const TNumberPlan& Plan) {
  std::u16string Result = ReserveResult(Text, Plan.Lines, Plan.PrefixWidth);
  TLineNumberer<char16_t> Numberer(Plan);
  uint64_t I = 0;
  ForEachLine(Text, true, [&](std::u16string_view Line) { Numberer.Append(I++, Line, Result); });
  return Result;
}

int32_t ClampedWidth(int64_t Width) {
  return static_cast<int32_t>(std::min<int64_t>(Width, std::numeric_limits<int32_t>::max()));
}

}  // namespace

std::optional<TNumberPlan> PlanLineNumbers(int32_t Start, int32_t Step, TLineNumberOptions Options,
                                           uint64_t Lines) {
  std::optional<TNumberPlan> Plan = PlanRun(Start, Step, Options, Lines);
  if (!Plan) return Plan;
  // A rendering grows away from zero, so the widest of a monotonic run is at one of its ends.
  auto Rendered = [&](int64_t V) {
    return DecimalDigits(MagnitudeOf(V)) + (V < 0 || (Plan->PlusSign && V > 0) ? 1 : 0);
  };
  const uint64_t Last = Lines == 0 ? 0 : Lines - 1;
  Plan->Width = std::max(Rendered(Plan->Start),
                         Rendered(Plan->Start + Plan->Step * static_cast<int64_t>(Last)));
  Plan->PrefixWidth = Plan->Width + 1;
  return Plan;
}

std::optional<TNumberPlan> PlanPaddedLineNumbers(int32_t Start, int32_t Digits, int32_t Step,
                                                 TLineNumberOptions Options, uint64_t Lines) {
  std::optional<TNumberPlan> Plan = PlanRun(Start, Step, Options, Lines);
  if (!Plan) return Plan;
  const int64_t First = Plan->Start;
  const int64_t Last = Plan->Start + Plan->Step * static_cast<int64_t>(Lines == 0 ? 0 : Lines - 1);
  Plan->Padded = true;
  Plan->Width = std::max(
      {int64_t{Digits}, DecimalDigits(MagnitudeOf(First)), DecimalDigits(MagnitudeOf(Last))});
  // lnoPlusSign writes "+", "-" or a blank there; otherwise negative values bring it.
  Plan->SignColumn = Plan->PlusSign || First < 0 || Last < 0;
  Plan->PrefixWidth = Plan->Width + 1 + (Plan->SignColumn ? 1 : 0);
  return Plan;
}

std::optional<TNumberPlan> PlanFieldNumbers(int32_t Start, int32_t Step, TLineNumberOptions Options,
                                            const TNumberField& Field, size_t SeparatorLength,
                                            uint64_t Lines) {
  std::optional<TNumberPlan> Plan = PlanLineNumbers(Start, Step, Options, Lines);
  if (!Plan) return Plan;
  if (Field.Width > 0) Plan->Width = Field.Width;
  Plan->Align = Field.Align;
  Plan->AfterIndent = Field.AfterIndent;
  Plan->PrefixWidth = Plan->Width + static_cast<int64_t>(SeparatorLength);
  return Plan;
}

uint64_t RunLimit(const TNumberPlan& Plan) {
  if (Plan.Step == 0) return std::numeric_limits<uint64_t>::max();
  // The room between the start and the end of int64 that the steps go towards.
  const uint64_t Room = Plan.Step > 0
                            ? static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) -
                                  static_cast<uint64_t>(Plan.Start)
                            : static_cast<uint64_t>(Plan.Start) -
                                  static_cast<uint64_t>(std::numeric_limits<int64_t>::min());
  return Room / MagnitudeOf(Plan.Step) + 1;
}

std::u16string AddLineNumbers(std::u16string_view Text, int32_t Start, int32_t Step,
                              TLineNumberOptions Options, int32_t& PrefixWidth) {
  if (Text.empty()) return {};
  // At most MaxListSize lines: every value fits in 64 bits, so there is always a plan.
  const TNumberPlan Plan = *PlanLineNumbers(Start, Step, Options, LineCount(Text));
  PrefixWidth = ClampedWidth(Plan.PrefixWidth);
  return NumberLines(Text, Plan);
}

std::u16string AddPaddedLineNumbers(std::u16string_view Text, int32_t Start, int32_t Digits,
                                    int32_t Step, TLineNumberOptions Options,
                                    int32_t& PrefixWidth) {
  if (Text.empty()) return {};
  // A digit count below 1 is the number conversion's assertion.
  if (Digits < 1) (void)IntToStrDigitChar(Digits, dfZero, 0, 0);
  const TNumberPlan Plan = *PlanPaddedLineNumbers(Start, Digits, Step, Options, LineCount(Text));
  PrefixWidth = ClampedWidth(Plan.PrefixWidth);
  return NumberLines(Text, Plan);
}

bool IsLineNumberHead(std::u16string_view Head) {
  return !Head.empty() &&
         std::all_of(Head.begin(), Head.end(), line_steps_detail::IsNumberHeadUnit<char16_t>);
}

std::u16string DeleteLineNumbers(std::u16string_view Text) {
  std::u16string Result;
  Result.reserve(Text.size());
  ForEachLine(Text, true,
              [&Result](std::u16string_view Line) { AppendWithoutNumber(Line, Result); });
  return Result;
}

std::u16string DeleteNumberOnlyLines(std::u16string_view Text) {
  // The kept lines are copied in one pass, so deleting many lines never shifts anything.
  std::u16string Result;
  Result.reserve(Text.size());
  ForEachLine(Text, true, [&Result](std::u16string_view Line) {
    if (!IsNumberOnlyLine(Line)) Result.append(Line);
  });
  return Result;
}

std::u16string DeleteIndentAfterNumber(std::u16string_view Text) {
  (void)LineCount(Text);
  TIndentPlan Plan;
  ForEachLine(Text, true,
              [&Plan](std::u16string_view Line) { MeasureIndent(Plan, CutLine(Line)); });
  if (!Plan.Cuts()) return std::u16string(Text);
  std::u16string Result;
  Result.reserve(Text.size());
  ForEachLine(Text, true, [&](std::u16string_view Line) {
    AppendDedentedLine(Plan, Line, CutLine(Line), Result);
  });
  return Result;
}
