#include "LineNumberUnit/LineNumberUnit.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <vector>

#include "library/ConstUnit/ConstUnit.h"
#include "library/ConvertToTypeUnit/ConvertToTypeUnit.h"
#include "library/StringRecordList/StringRecordList.h"

namespace {

// A number head may hold the digits (DigitChars), blanks and tabs.
constexpr bool IsNumberHeadChar(char16_t C) {
  return (C >= u'0' && C <= u'9') || C == u' ' || C == u'\t';
}
static_assert(DigitChars.size() == 10 &&
              std::all_of(DigitChars.begin(), DigitChars.end(), IsNumberHeadChar));

// The separator is one character, so a line's head ends at the first one.
static_assert(LineNumberSeparator.size() == 1);
constexpr char16_t Separator = LineNumberSeparator[0];

bool IsIndentChar(char16_t C) {
  return C == u' ' || C == u'\t';
}

// U+0000..U+0020: what a number-only line may still hold after its separator.
bool IsBlankOrControl(char16_t C) {
  return C <= u' ';
}

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

// Number of line items; more than the list limit (MaxListSize) is the list's capacity fault.
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
// AfterFirst(":", item) would copy: without a separator both are the whole item. Only the
// cut of a numbered item is filled in.
struct TLineCut {
  std::u16string_view Head;
  std::u16string_view Rest;
  bool HasSeparator = false;
  bool Numbered = false;
};

// Reads the head only as far as it can be a number head: a line whose head holds anything
// else is not numbered, wherever its first separator lies.
TLineCut CutLine(std::u16string_view Item) {
  size_t I = 0;
  while (I < Item.size() && IsNumberHeadChar(Item[I])) ++I;
  TLineCut Cut;
  if (I < Item.size() && Item[I] == Separator) {
    Cut = {Item.substr(0, I), Item.substr(I + 1), true, I > 0};
  } else if (I == Item.size()) {
    Cut = {Item, Item, false, I > 0};  // a last line of digits, blanks and tabs only
  }
  return Cut;
}

// Blank and control characters only (or nothing) after the separator.
bool IsBlankRest(std::u16string_view Rest) {
  return std::all_of(Rest.begin(), Rest.end(), IsBlankOrControl);
}

// The line break at the end of a line item: CR LF, CR, LF or nothing.
std::u16string_view ItemBreak(std::u16string_view Item) {
  if (Item.empty() || (Item.back() != u'\r' && Item.back() != u'\n')) return {};
  const bool CRLF = Item.size() >= 2 && Item.back() == u'\n' && Item[Item.size() - 2] == u'\r';
  return Item.substr(Item.size() - (CRLF ? 2 : 1));
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
  return !Head.empty() && std::all_of(Head.begin(), Head.end(), IsNumberHeadChar);
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
    // Leading blanks and tabs against the rest without the CR and LF at its end.
    const std::u16string_view Rest = Cut.Rest;
    const size_t Indent = static_cast<size_t>(
        std::find_if_not(Rest.begin(), Rest.end(), IsIndentChar) - Rest.begin());
    size_t BodyLength = Rest.size();
    while (BodyLength > 0 && (Rest[BodyLength - 1] == u'\r' || Rest[BodyLength - 1] == u'\n')) {
      --BodyLength;
    }
    if (BodyLength != Indent) MinIndent = std::min(MinIndent, static_cast<int32_t>(Indent));
  }
  if (MinIndent == NoIndent || MinIndent == 0) return std::u16string(Text);

  std::u16string Result;
  Result.reserve(Text.size());
  for (int32_t I = 0; I < N; ++I) {
    const std::u16string_view Item = Lines[static_cast<size_t>(I)];
    const int32_t HeadLength = HeadLengths[static_cast<size_t>(I)];
    if (HeadLength < 0) {
      Result += Item;
      continue;
    }
    // Head and separator stay; the rest loses its first MinIndent characters.
    const size_t RestStart = static_cast<size_t>(HeadLength) + 1;
    const std::u16string_view Kept =
        Item.substr(std::min(RestStart + static_cast<size_t>(MinIndent), Item.size()));
    // The line keeps its own break (ChangeLineBreak): what is left of the rest ends with the
    // whole break, or, when the cut reached into it, is replaced by the break alone.
    const std::u16string_view Break = ItemBreak(Item);
    Result += Item.substr(0, RestStart);
    Result += Kept.size() >= Break.size() ? Kept : Break;
  }
  return Result;
}
