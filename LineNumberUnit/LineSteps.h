#pragma once
// The line-number operations in their streaming shape: a plan made from one pass over the
// lines (the number field, the shared indentation), then a step per line that appends the
// transformed line to an output. LineNumberUnit.h composes them into whole-text functions for
// the plug-in; corvane runs them over files block by block. Generic over the code unit: every
// unit the operations examine (digits, blank, tab, ":", "+", "-", CR, LF) is ASCII, and none
// of those bytes occurs inside a UTF-8 or code page 932 multi-byte character.
//
// An output is anything with append(const TChar*, size_t), std::basic_string among them.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "LineNumberUnit/LineNumberUnit.h"
#include "library/LineBreak/LineBreak.h"

// How a number fills its field: right-aligned with blanks, left-aligned (blanks after it), or
// right-aligned with zeros after the sign, as printf's "%0*d" does.
enum TFieldAlign : uint8_t { faRight, faLeft, faZero };

// How the lines of one run are numbered: line I (0-based, top down) gets Start + Step * K,
// where K is I, or Lines - 1 - I with lnoReverse.
struct TNumberPlan {
  int64_t Start = 0;
  int64_t Step = 0;
  uint64_t Lines = 0;
  bool Reverse = false;
  bool PlusSign = false;        // positive values carry "+"
  bool Padded = false;          // zero-filled digits (AddPaddedLineNumbers) instead of blanks
  bool SignColumn = false;      // Padded: a column for "-", "+" or a blank in front of the digits
  TFieldAlign Align = faRight;  // unless Padded
  bool AfterIndent = false;     // the number stands after the line's leading blanks and tabs
  int64_t Width = 0;            // blank-aligned: the whole field; Padded: the digits alone
  int64_t PrefixWidth = 0;      // what every line gains: the field and the separator

  [[nodiscard]] int64_t Value(uint64_t I) const {
    const uint64_t K = Reverse ? Lines - 1 - I : I;
    return Start + Step * static_cast<int64_t>(K);
  }
};

// PlanLineNumbers() — the plan of AddLineNumbers() for a run of Lines lines: the field is as
// wide as the widest of the run's first and last values (the values are monotonic). Nothing
// when a value would leave 64 bits, which a run of at most 2^31 lines never does.
[[nodiscard]] std::optional<TNumberPlan> PlanLineNumbers(int32_t Start, int32_t Step,
                                                         TLineNumberOptions Options,
                                                         uint64_t Lines);

// PlanPaddedLineNumbers() — the plan of AddPaddedLineNumbers(): at least Digits digits (1 or
// more), a sign column when lnoPlusSign is set or a value of the run is negative.
[[nodiscard]] std::optional<TNumberPlan> PlanPaddedLineNumbers(int32_t Start, int32_t Digits,
                                                               int32_t Step,
                                                               TLineNumberOptions Options,
                                                               uint64_t Lines);

// A field as the user asks for it: its alignment, and a fixed Width (a wider number is written
// whole) or 0 for as wide as the run's widest number.
struct TNumberField {
  TFieldAlign Align = faRight;
  int64_t Width = 0;
  bool AfterIndent = false;
};

// PlanFieldNumbers() — a plan for Field; SeparatorLength counts into PrefixWidth. With a fixed
// width and without lnoReverse, Lines only bounds the values: 0 plans an endless run, which
// its caller keeps within RunLimit().
[[nodiscard]] std::optional<TNumberPlan> PlanFieldNumbers(int32_t Start, int32_t Step,
                                                          TLineNumberOptions Options,
                                                          const TNumberField& Field,
                                                          size_t SeparatorLength, uint64_t Lines);

// RunLimit() — how many lines a run counting upwards from its start may have before a value
// would leave 64 bits. RunLimit() of Start 0 and Step 2^31-1 is 4294967299.
[[nodiscard]] uint64_t RunLimit(const TNumberPlan& Plan);

namespace line_steps_detail {

template <typename TChar>
using TUnsigned = std::make_unsigned_t<TChar>;

template <typename TChar>
constexpr bool IsNumberHeadUnit(TChar C) {
  return (C >= TChar('0') && C <= TChar('9')) || C == TChar(' ') || C == TChar('\t');
}

template <typename TChar>
constexpr bool IsIndentUnit(TChar C) {
  return C == TChar(' ') || C == TChar('\t');
}

// U+0000..U+0020 (in UTF-8 and code page 932, bytes 0x00..0x20, which start no other character).
template <typename TChar>
constexpr bool IsBlankOrControl(TChar C) {
  return static_cast<TUnsigned<TChar>>(C) <= 0x20;
}

// The length of the number head (digits, blanks, tabs) at the start of the 16 bytes at P; 16
// when all of them belong to it (0 or more where the CPU lacks SSE2: the caller's loop goes on
// from there). Most lines are longer than 16 bytes and their head ends in the first ones, so
// one compare replaces a loop with a hard-to-predict exit.
#if defined(__SSE2__)
inline size_t HeadLength16(const char* P) {
#include "LineNumberUnit/HeadLength16.inc"
}
#elif CORVANE_SIMD_X86
// The 32-bit build's baseline has no SSE2: the CPU is asked at run time (LineSteps.cpp).
size_t HeadLength16(const char* P);
#endif

template <typename TChar, typename TOut>
void AppendRepeated(TOut& Out, TChar C, int64_t Count) {
  TChar Run[64];
  std::fill(std::begin(Run), std::end(Run), C);
  for (; Count > 0; Count -= 64) Out.append(Run, static_cast<size_t>(std::min<int64_t>(Count, 64)));
}

}  // namespace line_steps_detail

// LeadingDigits8() — how many of the eight bytes at P are ASCII digits before the first that is
// none (8: all of them), for a little-endian machine. A byte is a digit when its high half is 3
// and adding 6 leaves it so; the carry of a byte from FA on reaches only bytes after it, which
// end no earlier. One count in place of a loop whose exit, after as many digits as each line
// has, is a jump often mispredicted.
inline size_t LeadingDigits8(const char* P) {
  uint64_t W;
  std::memcpy(&W, P, sizeof W);
  constexpr uint64_t High = 0xF0F0F0F0F0F0F0F0u, Threes = 0x3030303030303030u;
  const uint64_t Other = ((W & High) ^ Threes) | (((W + 0x0606060606060606u) & High) ^ Threes);
  return static_cast<size_t>(std::countr_zero(Other)) / 8;
}

// The separator of the plug-in's form in any code unit.
template <LineUnit TChar>
inline constexpr TChar ColonSeparator[1] = {TChar(':')};

static_assert(LineNumberSeparator.size() == 1 && LineNumberSeparator[0] == u':');

// AppendNumberField() — Value's field as the plan writes it, without the separator.
template <LineUnit TChar, typename TOut>
void AppendNumberField(const TNumberPlan& Plan, int64_t Value, TOut& Out) {
  using namespace line_steps_detail;
  // Built backwards from the last digit: digits, then fill and sign as the plan says.
  TChar Buffer[72];
  TChar* const End = std::end(Buffer);
  TChar* P = End;
  uint64_t Magnitude = Value < 0 ? 0 - static_cast<uint64_t>(Value) : static_cast<uint64_t>(Value);
  do {
    *--P = static_cast<TChar>('0' + Magnitude % 10);
    Magnitude /= 10;
  } while (Magnitude != 0);
  const int64_t DigitCount = End - P;
  const TChar Sign = Value < 0 ? TChar('-') : Plan.PlusSign && Value > 0 ? TChar('+') : TChar(' ');
  const bool Signed = Sign != TChar(' ');
  int64_t Fill;
  TChar FillUnit = TChar(' ');
  if (Plan.Padded) {
    Fill = Plan.Width - DigitCount;
    FillUnit = TChar('0');
  } else if (Plan.Align == faZero) {
    Fill = Plan.Width - DigitCount - (Signed ? 1 : 0);
    FillUnit = TChar('0');
  } else {
    if (Signed) *--P = Sign;
    Fill = Plan.Width - (End - P);
    if (Plan.Align == faLeft) {
      Out.append(P, static_cast<size_t>(End - P));
      AppendRepeated(Out, FillUnit, Fill);
      return;
    }
  }
  const bool SignFirst =
      (Plan.Padded && Plan.SignColumn) || (!Plan.Padded && Plan.Align == faZero && Signed);
  // A field wider than the buffer (a very long zero-filled start) is written in pieces.
  if (Fill > 0 && Fill <= P - Buffer - 1) {
    while (Fill-- > 0) *--P = FillUnit;
    Fill = 0;
  }
  if (SignFirst && Fill <= 0) *--P = Sign;
  if (Fill > 0) {
    if (SignFirst) Out.append(&Sign, 1);
    AppendRepeated(Out, FillUnit, Fill);
  }
  Out.append(P, static_cast<size_t>(End - P));
}

// AppendLineNumber() — Value's field and the separator, as the plan writes them.
template <LineUnit TChar, typename TOut>
void AppendLineNumber(const TNumberPlan& Plan, int64_t Value, TOut& Out,
                      std::basic_string_view<TChar> Separator = {ColonSeparator<TChar>, 1}) {
  AppendNumberField<TChar>(Plan, Value, Out);
  Out.append(Separator.data(), Separator.size());
}

// LeadingIndent() — how many units of blanks and tabs a line begins with.
template <LineUnit TChar>
size_t LeadingIndent(std::basic_string_view<TChar> Line) {
  size_t I = 0;
  while (I < Line.size() && line_steps_detail::IsIndentUnit(Line[I])) ++I;
  return I;
}

// Numbers the lines of a plan in order. A value a little above the previous line's is counted
// on in that line's digits instead of being converted again: the common case costs no division.
template <LineUnit TChar>
class TLineNumberer {
 public:
  using TView = std::basic_string_view<TChar>;

  explicit TLineNumberer(const TNumberPlan& Plan, TView Separator = {ColonSeparator<TChar>, 1})
      : FPlan(Plan),
        FSeparator(Separator),
        FCached(std::max<int64_t>(Plan.Width, 21) + 2 + static_cast<int64_t>(Separator.size()) <=
                MaxCached) {}

  // Appends line I of the run (0-based, top down), numbered.
  template <typename TOut>
  void Append(uint64_t I, TView Line, TOut& Out) {
    if (FPlan.AfterIndent) {
      const size_t Indent = LeadingIndent(Line);
      Out.append(Line.data(), Indent);
      Line.remove_prefix(Indent);
    }
    AppendNumber(FPlan.Value(I), Out);
    Out.append(Line.data(), Line.size());
  }

  // Appends Value's field and the separator.
  template <typename TOut>
  void AppendNumber(int64_t Value, TOut& Out) {
    if (!FCached) {
      AppendLineNumber<TChar>(FPlan, Value, Out, FSeparator);
      return;
    }
    // Small steps up from a positive value are counted on; anything else is converted.
    const bool Counted = FLength > 0 && FValue > 0 && Value > FValue && Value - FValue <= 1000 &&
                         CountOn(static_cast<uint32_t>(Value - FValue));
    if (!Counted) Render(Value);
    FValue = Value;
    Out.append(FField, FLength);
  }

 private:
  static constexpr int64_t MaxCached = 64;

  // Adds Delta to the digits of the field; false when that needs a column the field lacks.
  // 32 bits: a 64-bit division is a library call in the 32-bit build.
  bool CountOn(uint32_t Delta) {
    // From the last digit leftwards.
    for (ptrdiff_t K = static_cast<ptrdiff_t>(FDigitsEnd) - 1; Delta != 0; --K) {
      if (K < 0 || FField[K] < TChar('0') || FField[K] > TChar('9')) {
        // A new leading digit takes the blank in front, if the field has one.
        if (K < 0 || FField[K] != TChar(' ') || Delta > 9) return false;
        FField[K] = static_cast<TChar>('0' + Delta);
        return true;
      }
      const uint32_t Digit = static_cast<uint32_t>(FField[K] - TChar('0')) + Delta;
      FField[K] = static_cast<TChar>('0' + Digit % 10);
      Delta = Digit / 10;
    }
    return true;
  }

  void Render(int64_t Value) {
    struct TFieldOut {
      TChar* At;
      size_t Length;
      void append(const TChar* S, size_t N) {
        std::copy(S, S + N, At + Length);
        Length += N;
      }
    } Field{FField, 0};
    AppendNumberField<TChar>(FPlan, Value, Field);
    FDigitsEnd = Field.Length;
    // Left-aligned, the digits end before the blanks that fill the field.
    while (FDigitsEnd > 0 && FField[FDigitsEnd - 1] == TChar(' ')) --FDigitsEnd;
    Field.append(FSeparator.data(), FSeparator.size());
    FLength = Field.Length;
  }

  const TNumberPlan FPlan;  // a copy: small, and never left dangling
  const std::basic_string<TChar> FSeparator;
  const bool FCached;  // the field and separator fit FField whatever the value
  TChar FField[MaxCached + 8];
  size_t FLength = 0;
  size_t FDigitsEnd = 0;
  int64_t FValue = 0;
};

// A line cut at its first separator. Numbered: the head before the separator is non-empty and
// holds only digits, blanks and tabs (the whole line may be such a head when it has no
// separator, as a last line can). Rest: after the separator, or the whole line without one.
// Other forms (LineForm.h) cut into the same parts: From is where the number begins (after the
// indentation of a list item), and Blank marks a line that only pads the place of a number.
template <LineUnit TChar>
struct TLineCut {
  std::basic_string_view<TChar> Head;
  std::basic_string_view<TChar> Rest;
  bool HasSeparator = false;
  bool Numbered = false;
  size_t From = 0;
  bool Blank = false;
};

// CutLine() — reads the head only as far as it can be a number head: a line whose head holds
// anything else is not numbered, wherever its first separator lies. Readable: how many units
// from Line.data() may be read, the line's own and any after it (a caller's padded buffer), so
// that short lines too have their head read sixteen units at a time.
template <LineUnit TChar>
TLineCut<TChar> CutLine(std::basic_string_view<TChar> Line, size_t Readable = 0) {
  const TChar* const P = Line.data();
  const size_t N = Line.size();
  size_t I = 0;
#if defined(__SSE2__) || CORVANE_SIMD_X86
  if constexpr (sizeof(TChar) == 1) {
    if (std::max(N, Readable) >= 16) I = std::min(line_steps_detail::HeadLength16(P), N);
  }
#else
  (void)Readable;
#endif
  while (I < N && line_steps_detail::IsNumberHeadUnit(P[I])) ++I;
  using TView = std::basic_string_view<TChar>;
  if (I < N && P[I] == TChar(LineNumberSeparator[0])) {
    return {TView(P, I), TView(P + I + 1, N - I - 1), true, I > 0};
  }
  if (I == N) return {Line, Line, false, I > 0};
  return {};
}

// The part a removal takes out of a line: Length units from From (nothing when Length is 0).
struct TLineGap {
  size_t From = 0;
  size_t Length = 0;
};

// AppendWithoutGap() — Line without the part Gap takes out.
template <LineUnit TChar, typename TOut>
void AppendWithoutGap(std::basic_string_view<TChar> Line, TLineGap Gap, TOut& Out) {
  Out.append(Line.data(), Gap.From);
  Out.append(Line.data() + Gap.From + Gap.Length, Line.size() - Gap.From - Gap.Length);
}

// NumberGap() — what deleting the number takes out of a line: the head and the separator of a
// numbered line, nothing of the others. Cut is CutLine(Line).
template <LineUnit TChar>
TLineGap NumberGap(std::basic_string_view<TChar> Line, const TLineCut<TChar>& Cut) {
  if (!Cut.Numbered && !Cut.Blank) return {};
  return {Cut.From, Line.size() - Cut.Rest.size() - Cut.From};
}

// AppendWithoutNumber() — a numbered line loses its head and separator; others stay as they are.
template <LineUnit TChar, typename TOut>
void AppendWithoutNumber(std::basic_string_view<TChar> Line, TOut& Out) {
  AppendWithoutGap(Line, NumberGap(Line, CutLine(Line)), Out);
}

// IsNumberOnly() — numbered, with nothing but U+0000..U+0020 after the separator.
template <LineUnit TChar>
bool IsNumberOnly(const TLineCut<TChar>& Cut) {
  return Cut.Numbered &&
         std::all_of(Cut.Rest.begin(), Cut.Rest.end(), line_steps_detail::IsBlankOrControl<TChar>);
}

template <LineUnit TChar>
bool IsNumberOnlyLine(std::basic_string_view<TChar> Line) {
  return IsNumberOnly(CutLine(Line));
}

// The indentation all numbered lines with text share after their separator: measured line by
// line, then cut line by line. A tab counts as one.
struct TIndentPlan {
  static constexpr uint64_t NoIndent = std::numeric_limits<uint64_t>::max();
  uint64_t MinIndent = NoIndent;

  // Whether cutting changes anything: some numbered line has text and all have indentation.
  [[nodiscard]] bool Cuts() const { return MinIndent != NoIndent && MinIndent != 0; }
};

// MeasureRestIndent() — takes into the plan the rest of a numbered line after its separator:
// its leading blanks and tabs, unless the rest holds nothing else but its break (indentation
// alone is no text). Only an indentation below the plan's so far can change it.
template <LineUnit TChar>
void MeasureRestIndent(TIndentPlan& Plan, std::basic_string_view<TChar> Rest) {
  const size_t Limit = static_cast<size_t>(std::min<uint64_t>(Plan.MinIndent, Rest.size()));
  size_t Indent = 0;
  while (Indent < Limit && line_steps_detail::IsIndentUnit(Rest[Indent])) ++Indent;
  if (Indent == Plan.MinIndent) return;
  const size_t Body = Rest.size() - LineBreakLength(Rest);
  if (Indent < Body && !line_steps_detail::IsIndentUnit(Rest[Indent])) Plan.MinIndent = Indent;
}

// MeasureIndent() — takes one line, as cut, into the plan: only numbered lines with a
// separator count.
template <LineUnit TChar>
void MeasureIndent(TIndentPlan& Plan, const TLineCut<TChar>& Cut) {
  if (Cut.Numbered && Cut.HasSeparator) MeasureRestIndent(Plan, Cut.Rest);
}

// DedentLength() — how much of the rest of a numbered line the dedent takes: the plan's
// indentation, but never the break (a rest of indentation alone keeps it).
template <LineUnit TChar>
size_t DedentLength(const TIndentPlan& Plan, std::basic_string_view<TChar> Rest) {
  if (!Plan.Cuts()) return 0;
  return std::min(static_cast<size_t>(std::min<uint64_t>(Plan.MinIndent, Rest.size())),
                  Rest.size() - LineBreakLength(Rest));
}

// AppendDedentedRest() — the rest of a numbered line without what the dedent takes.
template <LineUnit TChar, typename TOut>
void AppendDedentedRest(const TIndentPlan& Plan, std::basic_string_view<TChar> Rest, TOut& Out) {
  const size_t From = DedentLength(Plan, Rest);
  Out.append(Rest.data() + From, Rest.size() - From);
}

// DedentGap() — what the dedent takes out of a line: after the separator of a numbered line,
// the plan's indentation; nothing of the other lines. Cut is CutLine(Line).
template <LineUnit TChar>
TLineGap DedentGap(const TIndentPlan& Plan, const TLineCut<TChar>& Cut) {
  if (!Cut.Numbered || !Cut.HasSeparator) return {};
  return {static_cast<size_t>(Cut.Rest.data() - Cut.Head.data()) + Cut.From,
          DedentLength(Plan, Cut.Rest)};
}

// AppendDedentedLine() — a numbered line with a separator keeps its head and separator, and
// its rest loses the plan's indentation. Other lines stay as they are. Cut is CutLine(Line).
template <LineUnit TChar, typename TOut>
void AppendDedentedLine(const TIndentPlan& Plan, std::basic_string_view<TChar> Line,
                        const TLineCut<TChar>& Cut, TOut& Out) {
  AppendWithoutGap(Line, DedentGap(Plan, Cut), Out);
}
