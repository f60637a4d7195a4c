#include "LineNumberUnit/LineNumberUnit.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <vector>

#include "library/ConstUnit/ConstUnit.h"
#include "library/ConvertToTypeUnit/ConvertToTypeUnit.h"
#include "library/StringRecordList/StringRecordList.h"
#include "library/StringSearchUnit/StringSearchUnit.h"
#include "library/StringUnit/StringUnit.h"

namespace {

// A number head may hold the digits, blanks and tabs.
constexpr std::u16string_view NumberHeadChars = u"1234567890 \t";
static_assert(NumberHeadChars.substr(0, DigitChars.size()) == DigitChars);

constexpr std::u16string_view IndentChars = u" \t";
constexpr std::u16string_view LineBreakChars = u"\r\n";

// U+0000..U+0020: what a number-only line may still hold after its separator.
constexpr char16_t BlankOrControlArray[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                            11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                                            22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
constexpr std::u16string_view BlankOrControlChars(BlankOrControlArray,
                                                  std::size(BlankOrControlArray));

// The value of numbering position K; 64 bits hold every Start + Step*K of a 32-bit run.
int64_t LineValue(int32_t Start, int32_t Step, int32_t K) {
  return int64_t{Start} + int64_t{Step} * K;
}

// The numbering position of line I of N: top down, or bottom up with lnoReverse.
int32_t NumberingPosition(int32_t I, int32_t N, TLineNumberOptions Options) {
  return (Options & lnoReverse) != 0 ? N - 1 - I : I;
}

int32_t Length(const std::u16string& S) {
  return static_cast<int32_t>(S.size());
}

// Number of line items; more than a line list can hold is the list's capacity fault, as
// when the lines were held in one.
int32_t LineCount(const std::vector<std::u16string_view>& Lines) {
  if (Lines.size() > static_cast<size_t>(MaxListSize)) {
    TListClone::Error(SListCapacityError, MaxListSize);
  }
  return static_cast<int32_t>(Lines.size());
}

// Visits the line items of Text in order, without collecting them.
template <typename TVisit>
void ForEachLine(std::u16string_view Text, TVisit&& Visit) {
  ForEachPiece(Text, LineBreaks, smAttach, Visit);
}

// A line item cut at its first separator, as views of what TextBefore(item, ":") and
// AfterFirst(":", item) would copy: without a separator both are the whole item.
struct TLineCut {
  std::u16string_view Head;
  std::u16string_view Rest;
  bool HasSeparator = false;
  bool Numbered = false;
};

TLineCut CutLine(std::u16string_view Item) {
  TLineCut Cut{Item, Item};
  const int32_t Position =
      FindPattern(LineNumberSeparator, Item, cmExact, 1, std::numeric_limits<int32_t>::max());
  Cut.HasSeparator = Position != 0;
  if (Cut.HasSeparator) {
    Cut.Head = Item.substr(0, static_cast<size_t>(Position - 1));
    Cut.Rest = Item.substr(static_cast<size_t>(Position - 1) + LineNumberSeparator.size());
  }
  Cut.Numbered = IsLineNumberHead(Cut.Head);
  return Cut;
}

// Blank and control characters only (or nothing) after the separator.
bool IsBlankRest(std::u16string_view Rest) {
  return CountLeadingChars(Rest, BlankOrControlChars) == static_cast<int32_t>(Rest.size());
}

// Room for the input plus one prefix per line, so the result is allocated once.
std::u16string ReserveResult(std::u16string_view Text, int32_t LineCount, int32_t PrefixWidth) {
  std::u16string Result;
  Result.reserve(Text.size() + static_cast<size_t>(LineCount) * static_cast<size_t>(PrefixWidth));
  return Result;
}

}  // namespace

std::u16string AddLineNumbers(std::u16string_view Text, int32_t Start, int32_t Step,
                              TLineNumberOptions Options, int32_t& PrefixWidth) {
  if (Text.empty()) return {};
  const std::vector<std::u16string_view> Lines = SplitLines(Text);
  const int32_t N = LineCount(Lines);
  const TDigitOptions DigitOptions = (Options & lnoPlusSign) != 0 ? doPlusSign : 0;

  // The values are monotonic and a rendering only grows away from zero, so the widest
  // number of the run is its first or its last one.
  const int32_t Width =
      std::max(Length(IntToStrDigitChar(1, dfSpace, DigitOptions, LineValue(Start, Step, 0))),
               Length(IntToStrDigitChar(1, dfSpace, DigitOptions, LineValue(Start, Step, N - 1))));
  PrefixWidth = Width + static_cast<int32_t>(LineNumberSeparator.size());

  // The numbered items are joined straight into the result instead of being stored back.
  std::u16string Result = ReserveResult(Text, N, PrefixWidth);
  for (int32_t I = 0; I < N; ++I) {
    const int64_t Value = LineValue(Start, Step, NumberingPosition(I, N, Options));
    Result += IntToStrDigitChar(Width, dfSpace, DigitOptions, Value);
    Result += LineNumberSeparator;
    Result += Lines[static_cast<size_t>(I)];
  }
  return Result;
}

std::u16string AddPaddedLineNumbers(std::u16string_view Text, int32_t Start, int32_t Digits,
                                    int32_t Step, TLineNumberOptions Options,
                                    int32_t& PrefixWidth) {
  if (Text.empty()) return {};
  const std::vector<std::u16string_view> Lines = SplitLines(Text);
  const int32_t N = LineCount(Lines);
  const int64_t First = LineValue(Start, Step, 0);
  const int64_t Last = LineValue(Start, Step, N - 1);

  // The magnitude is greatest at one end of a monotonic run (|value| < 2^62, no overflow).
  const int32_t Width =
      std::max(Length(IntToStrDigitChar(Digits, dfZero, 0, First < 0 ? -First : First)),
               Length(IntToStrDigitChar(Digits, dfZero, 0, Last < 0 ? -Last : Last)));
  const bool AnyNegative = First < 0 || Last < 0;
  const bool PlusSign = (Options & lnoPlusSign) != 0;

  // With lnoPlusSign the sign column comes from IntToStrDigitChar; otherwise negative
  // values bring their "-" and the others get a blank in that column.
  const TDigitOptions DigitOptions = PlusSign ? doPlusSign : 0;
  const std::u16string_view Lead = !PlusSign && AnyNegative ? u" " : u"";
  PrefixWidth =
      Width + static_cast<int32_t>(LineNumberSeparator.size()) + (PlusSign || AnyNegative ? 1 : 0);

  std::u16string Result = ReserveResult(Text, N, PrefixWidth);
  for (int32_t I = 0; I < N; ++I) {
    const int64_t Value = LineValue(Start, Step, NumberingPosition(I, N, Options));
    if (Value >= 0) Result += Lead;
    Result += IntToStrDigitChar(Width, dfZero, DigitOptions, Value);
    Result += LineNumberSeparator;
    Result += Lines[static_cast<size_t>(I)];
  }
  return Result;
}

bool IsLineNumberHead(std::u16string_view Head) {
  return ClassifyChars(Head, NumberHeadChars) == csmAll;
}

std::u16string DeleteLineNumbers(std::u16string_view Text) {
  if (Text.empty()) return {};
  std::u16string Result;
  Result.reserve(Text.size());
  ForEachLine(Text, [&Result](std::u16string_view Item) {
    // Without a separator the rest is the whole item, so such lines stay as they are.
    const TLineCut Cut = CutLine(Item);
    Result += Cut.Numbered ? Cut.Rest : Item;
  });
  return Result;
}

std::u16string DeleteNumberOnlyLines(std::u16string_view Text) {
  if (Text.empty()) return {};
  // The kept items are copied in one pass, so deleting many lines never shifts anything.
  std::u16string Result;
  Result.reserve(Text.size());
  ForEachLine(Text, [&Result](std::u16string_view Item) {
    const TLineCut Cut = CutLine(Item);
    if (!(Cut.Numbered && IsBlankRest(Cut.Rest))) Result += Item;
  });
  return Result;
}

std::u16string DeleteIndentAfterNumber(std::u16string_view Text) {
  if (Text.empty()) return {};
  const std::vector<std::u16string_view> Lines = SplitLines(Text);
  const int32_t N = LineCount(Lines);

  // Measuring pass: only numbered lines with text decide the indentation to remove. The
  // head length of every numbered line with a separator is kept for the writing pass
  // (-1 for the other lines), so no line is searched twice.
  std::vector<int32_t> HeadLengths(static_cast<size_t>(N), -1);
  constexpr int32_t NoIndent = std::numeric_limits<int32_t>::max();
  int32_t MinIndent = NoIndent;
  for (int32_t I = 0; I < N; ++I) {
    const TLineCut Cut = CutLine(Lines[static_cast<size_t>(I)]);
    if (!Cut.Numbered || !Cut.HasSeparator) continue;
    HeadLengths[static_cast<size_t>(I)] = static_cast<int32_t>(Cut.Head.size());
    const int32_t Indent = CountLeadingChars(Cut.Rest, IndentChars);
    const int32_t BodyLength =
        static_cast<int32_t>(Cut.Rest.size()) - CountTrailingChars(Cut.Rest, LineBreakChars);
    if (BodyLength != Indent) MinIndent = std::min(MinIndent, Indent);
  }
  if (MinIndent == NoIndent || MinIndent == 0) return std::u16string(Text);

  std::u16string Result;
  Result.reserve(Text.size());
  std::u16string NewItem;
  for (int32_t I = 0; I < N; ++I) {
    const std::u16string_view Item = Lines[static_cast<size_t>(I)];
    const int32_t HeadLength = HeadLengths[static_cast<size_t>(I)];
    if (HeadLength < 0) {
      Result += Item;
      continue;
    }
    // Head and separator stay; the rest loses its first MinIndent characters.
    const size_t RestStart = static_cast<size_t>(HeadLength) + LineNumberSeparator.size();
    NewItem.assign(Item.substr(0, RestStart));
    NewItem.append(Item.substr(std::min(RestStart + static_cast<size_t>(MinIndent), Item.size())));
    // A blank-only rest may lose part of its break to the cut; the line's own break returns
    // (ChangeLineBreak, done in place).
    RemoveLineBreak(NewItem);
    NewItem += LineBreakText(GetLineBreakKind(Item));
    Result += NewItem;
  }
  return Result;
}
