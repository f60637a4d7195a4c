#pragma once
// The forms a numbered line is read in: the plug-in's "N:", what nl and cat -n write, and
// ordered list items. A reader cuts a line into the parts of TLineCut, so the steps of
// LineSteps.h delete, tidy and renumber any form; ReadFormStart() tells the form a numbered
// line was written in, so continue and renumber write what they read.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "LineNumberUnit/ContinueRule.h"
#include "LineNumberUnit/LineSteps.h"

enum TFormKind : uint8_t {
  fkColon,  // digits, blanks and tabs before the first ":" (the plug-in's form)
  fkNl,     // blanks, a sign, digits, blanks, then the separator (a tab unless told otherwise)
  fkList,   // indentation, 1 to 9 digits, "." or ")", then a blank, a tab or the line's end
};

namespace line_form_detail {

template <LineUnit TChar>
constexpr bool IsDigit(TChar C) {
  return C >= TChar('0') && C <= TChar('9');
}

template <LineUnit TChar>
size_t CountWhile(std::basic_string_view<TChar> S, size_t I, bool (*Pred)(TChar)) {
  while (I < S.size() && Pred(S[I])) ++I;
  return I;
}

template <LineUnit TChar>
constexpr bool IsBlank(TChar C) {
  return C == TChar(' ');
}

template <LineUnit TChar>
constexpr bool IsBreakUnit(TChar C) {
  return C == TChar('\r') || C == TChar('\n');
}

// Whether the Width units at P are blanks and then at least one digit, to the end.
template <LineUnit TChar>
bool BlanksThenDigits(const TChar* P, size_t Width) {
  size_t Blanks = 0;
  size_t Figures = 0;
  // A loop of a known count, no exit to guess.
  for (size_t K = 0; K < Width; ++K) {
    Blanks += P[K] == TChar(' ') && K == Blanks;
    Figures += IsDigit(P[K]);
  }
  return Figures > 0 && Blanks + Figures == Width;
}

// The same for Width of 1 to 8 bytes, with 8 readable at P, on a little-endian machine: the
// eight tested at once, each byte's answer in its high bit, nothing carried between bytes.
inline bool BlanksThenDigits8(const char* P, size_t Width) {
  uint64_t W;
  std::memcpy(&W, P, sizeof W);
  constexpr uint64_t Low7 = 0x7F7F7F7F7F7F7F7Fu, High = 0x8080808080808080u;
  const auto ZeroBytes = [](uint64_t V) { return ~(((V & Low7) + Low7) | V) & High; };
  const uint64_t Blank = ZeroBytes(W ^ 0x2020202020202020u);
  // '0' to '9': the high half 3, and the low half not carried past 15 by adding 6.
  const uint64_t Digit = ZeroBytes((W & 0xF0F0F0F0F0F0F0F0u) ^ 0x3030303030303030u) &
                         ~(((W & 0x0F0F0F0F0F0F0F0Fu) + 0x0606060606060606u) << 3) & High;
  const uint64_t Field = High >> (8 * (8 - Width));
  // The blanks: a run from the first byte (a mask of whole bytes, so +1 clears it).
  const uint64_t Lead = ((Blank & Field) >> 7) * 0xFF;
  const uint64_t Figures = Field & ~Lead;
  return (Lead & (Lead + 1)) == 0 && Figures != 0 && (Digit & Figures) == Figures;
}

}  // namespace line_form_detail

// Cuts lines in one form. Numbered lines come out as CutLine() cuts "N:" lines: Head the
// number (nl: its whole field), Rest after the separator, From where the number begins.
template <LineUnit TChar>
class TFormReader {
 public:
  using TView = std::basic_string_view<TChar>;
  static constexpr TChar Tab[1] = {TChar('\t')};

  // NlSeparator: what follows an nl field. BlankWidth: nl writes a line it does not number
  // behind that many blanks (the field and the separator); 0 while that is not known.
  // Numbered lines teach it (Learn()).
  explicit TFormReader(TFormKind Kind, TView NlSeparator = {Tab, 1}, size_t BlankWidth = 0)
      : FKind(Kind), FNlSeparator(NlSeparator), FBlankWidth(BlankWidth), FExact(BlankWidth > 0) {}

  [[nodiscard]] TFormKind Kind() const { return FKind; }
  [[nodiscard]] TView NlSeparator() const { return FNlSeparator; }
  // Learnt() — nl: whether a numbered line showed how wide nl's field is.
  [[nodiscard]] bool Learnt() const { return FExact; }

  // Learn() — nl: a field filled with blanks or zeros is as wide as nl's field, and so tells
  // how wide the blanks of unnumbered lines are; while none is, the narrowest field seen
  // stands for it (a number wider than the field is written whole).
  void Learn(const TLineCut<TChar>& Cut) {
    if (FKind != fkNl || FExact || !Cut.Numbered) return;
    const std::basic_string_view<TChar> Head = Cut.Head;
    size_t Digit = line_form_detail::CountWhile<TChar>(Head, 0, line_form_detail::IsBlank<TChar>);
    if (Digit < Head.size() && !line_form_detail::IsDigit(Head[Digit])) ++Digit;
    FExact = Head.front() == TChar(' ') || Head.back() == TChar(' ') ||
             (Head[Digit] == TChar('0') && Digit + 1 < Head.size());
    const size_t Width = Head.size() + FNlSeparator.size();
    if (FExact || FBlankWidth == 0 || Width < FBlankWidth) FBlankWidth = Width;
  }

  // Cut() — Line in this reader's form; Readable as for CutLine().
  [[nodiscard]] TLineCut<TChar> Cut(TView Line, size_t Readable = 0) const {
    switch (FKind) {
      case fkNl:
        return CutNl(Line);
      case fkList:
        return CutList(Line, Readable);
      case fkColon:
        break;
    }
    return CutLine(Line, Readable);
  }

  // CutNl() — "   12\t…" (also "-3", "+3", "12   " left-aligned); else a line behind the
  // blanks that stand for an nl field, which deleting the numbers takes too. Plain loops over
  // the units: this runs once a line.
  [[nodiscard]] TLineCut<TChar> CutNl(TView Line) const {
    using namespace line_form_detail;
    const TChar* const P = Line.data();
    const size_t N = Line.size();
    if (FExact && N >= FBlankWidth && !FNlSeparator.empty()) {
      // The common line first: a field as wide as the one learnt, blanks and then digits, and
      // the separator; any other line is read below.
      const size_t Width = FBlankWidth - FNlSeparator.size();
      bool Field;
      if constexpr (sizeof(TChar) == 1 && std::endian::native == std::endian::little) {
        Field = Width > 0 && Width <= 8 && N >= 8 ? BlanksThenDigits8(P, Width)
                                                  : BlanksThenDigits(P, Width);
      } else {
        Field = BlanksThenDigits(P, Width);
      }
      if (Field && !IsDigit(FNlSeparator[0]) && SeparatorAt(Line, Width)) {
        return {TView(P, Width), TView(P + FBlankWidth, N - FBlankWidth), true, true, 0, false};
      }
    }
    size_t I = 0;
    while (I < N && P[I] == TChar(' ')) ++I;
    const size_t Leading = I;
    if (I < N && (P[I] == TChar('-') || P[I] == TChar('+'))) ++I;
    const size_t Digits = I;
    while (I < N && IsDigit(P[I])) ++I;
    // The separator may follow the digits or any of the blanks after them (it may begin
    // with a blank itself).
    for (bool More = I > Digits; More; ++I) {
      if (SeparatorAt(Line, I)) {
        const size_t Rest = I + FNlSeparator.size();
        return {TView(P, I), TView(P + Rest, N - Rest), true, true, 0, false};
      }
      More = I < N && P[I] == TChar(' ');
    }
    // Without a numbered line, nl's own default: a field of six.
    const size_t Width = FBlankWidth > 0 ? FBlankWidth : 6 + FNlSeparator.size();
    const size_t Blanks = Leading < Width ? Leading : Width;
    TLineCut<TChar> Cut;
    // A line of blanks alone may be narrower: the field's width may not be known exactly.
    if (Blanks == Width || (Blanks > 0 && Blanks == N - LineBreakLength(Line))) {
      Cut.Rest = TView(P + Blanks, N - Blanks);
      Cut.Blank = true;
    }
    return Cut;
  }

  // CutList() — "  3) alpha": the number after the indentation, the separator the marker and
  // the blank or tab after it (nothing more at the line's end). Readable as for CutLine().
  [[nodiscard]] static TLineCut<TChar> CutList(TView Line, size_t Readable = 0) {
    using namespace line_form_detail;
    const TChar* const P = Line.data();
    const size_t N = Line.size();
    const size_t From = LeadingIndent(Line);
    size_t End = From;
    if constexpr (sizeof(TChar) == 1 && std::endian::native == std::endian::little) {
      // The digits eight at a time where eight can be read; those past the line do not count.
      if (From + 8 <= std::max(N, Readable)) End = std::min(From + LeadingDigits8(P + From), N);
    }
    while (End < N && IsDigit(P[End])) ++End;
    if (End == From || End - From > 9 || End == N) return {};
    if (P[End] != TChar('.') && P[End] != TChar(')')) return {};
    size_t Rest = End + 1;
    if (Rest < N) {
      if (P[Rest] == TChar(' ') || P[Rest] == TChar('\t')) {
        ++Rest;
      } else if (!IsBreakUnit(P[Rest])) {
        return {};
      }
    }
    return {TView(P + From, End - From), TView(P + Rest, N - Rest), true, true, From, false};
  }

 private:
  // Whether the nl separator stands at I; its first unit decides most lines without a call.
  [[nodiscard]] bool SeparatorAt(TView Line, size_t I) const {
    const size_t N = FNlSeparator.size();
    if (N == 0) return true;
    return Line.size() - I >= N && Line[I] == FNlSeparator[0] &&
           std::char_traits<TChar>::compare(Line.data() + I + 1, FNlSeparator.data() + 1, N - 1) ==
               0;
  }

  TFormKind FKind;
  std::basic_string<TChar> FNlSeparator;
  size_t FBlankWidth;
  bool FExact;
};

// DetectForm() — the form a numbered line is in, when it is in one: "N:" as the plug-in reads
// it, unless an nl separator comes before its ":" ("     1\t12:30").
template <LineUnit TChar>
std::optional<TFormKind> DetectForm(std::basic_string_view<TChar> Line,
                                    std::basic_string_view<TChar> NlSeparator) {
  const TFormReader<TChar> Nl(fkNl, NlSeparator);
  const TLineCut<TChar> Colon = CutLine(Line);
  const TLineCut<TChar> AsNl = Nl.CutNl(Line);
  if (Colon.Numbered && Colon.HasSeparator &&
      (!AsNl.Numbered || Colon.Rest.size() >= AsNl.Rest.size())) {
    return fkColon;
  }
  if (AsNl.Numbered) return fkNl;
  if (TFormReader<TChar>::CutList(Line).Numbered) return fkList;
  return std::nullopt;
}

// How a numbered line was written: its value, and the field and separator that write more
// lines like it.
template <LineUnit TChar>
struct TFormStart {
  TContinueStart Start;
  TNumberField Field;
  std::basic_string<TChar> Separator;
};

// ReadFormStart() — for an nl or list line as Reader cut it: the nl field's width and
// alignment (blanks after the digits: left; a leading zero: zero-filled; else right), or a
// list item's digits (zero-filled when written with a leading zero) after the indentation.
// Nothing when the number is no 32-bit value.
template <LineUnit TChar>
std::optional<TFormStart<TChar>> ReadFormStart(const TFormReader<TChar>& Reader,
                                               std::basic_string_view<TChar> Line,
                                               const TLineCut<TChar>& Cut) {
  using namespace line_form_detail;
  if (!Cut.Numbered || Reader.Kind() == fkColon) return std::nullopt;
  const std::basic_string_view<TChar> Head = Cut.Head;
  const size_t First = CountWhile<TChar>(Head, 0, IsBlank<TChar>);
  size_t Last = Head.size();
  while (Last > First && Head[Last - 1] == TChar(' ')) --Last;
  std::u16string Number;
  for (size_t I = First; I < Last; ++I) Number += static_cast<char16_t>(Head[I]);
  const std::optional<TContinueStart> Start = ReadContinueStart(Number);
  if (!Start) return std::nullopt;
  TFormStart<TChar> Form{*Start, {}, {}};
  const size_t SeparatorFrom = Cut.From + Head.size();
  Form.Separator = Line.substr(SeparatorFrom, Line.size() - Cut.Rest.size() - SeparatorFrom);
  if (Reader.Kind() == fkList) {
    Form.Field = {Start->ZeroFill ? faZero : faRight, Start->ZeroFill ? Start->Digits : 1, true};
  } else {
    const TFieldAlign Align = Last < Head.size() ? faLeft : Start->ZeroFill ? faZero : faRight;
    Form.Field = {Align, static_cast<int64_t>(Head.size()), false};
  }
  return Form;
}

// DeleteFormNumbers() — DeleteLineNumbers() in Reader's form: numbered lines lose the number
// and separator, nl's unnumbered lines the blanks in their place (as wide as nl's field and
// separator, learnt from the numbered lines).
template <LineUnit TChar>
std::basic_string<TChar> DeleteFormNumbers(std::basic_string_view<TChar> Text,
                                           TFormReader<TChar> Reader) {
  ForEachLine(Text, true, [&Reader](std::basic_string_view<TChar> Line) {
    Reader.Learn(Reader.Cut(Line));
    return !Reader.Learnt();
  });
  std::basic_string<TChar> Result;
  ForEachLine(Text, true, [&](std::basic_string_view<TChar> Line) {
    AppendWithoutGap(Line, NumberGap(Line, Reader.Cut(Line)), Result);
  });
  return Result;
}
