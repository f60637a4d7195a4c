#pragma once
// The output of a line the list tracker (MarkdownLists.h) changes: the input's units as they
// are while nothing moved, and once something did, blanks for the tabs of the structure, whose
// width depends on the column they stand at.

#include <cstddef>
#include <cstdint>
#include <span>

#include "cli/filter/MarkdownScan.h"

namespace markdown {

// A change to a line, at a position of the input line (Col may lie inside a tab at Off): new
// digits for those from Off to EndOff, blanks for the gap from Off to EndOff, blanks inserted
// at Off, or the blanks and tabs from Off to EndOff before a block that keeps them (ekIndent).
// Those stay as they are while they indent the block by three columns or fewer where they
// now stand, since the block's start depends on that and its text, or the blanks its lines
// lose, on the units themselves; else they become Spaces blanks.
enum TEditKind : uint8_t { ekDigits, ekGap, ekShift, ekIndent };

template <LineUnit TChar>
struct TLineEdit {
  TEditKind Kind;
  size_t Off;
  int Col;
  size_t EndOff;
  int EndCol;
  int Spaces;
  size_t Length;
  TChar Digits[12];
};

// Columns of the input a line's text must stay within where blanks and tabs come between the
// structure and the text (-1: no bound): left of Below (the content of an item the line does
// not continue), at AtLeast or right of it (a closing fence but for its indentation). Both
// move with the line.
struct TTextBounds {
  int Below = -1;
  int AtLeast = -1;
};

// The digits a list wrote last, so the next number is counted on from them.
struct TWrittenDigits {
  int64_t Value = -2;
  size_t Length = 0;
  char Digits[12] = {};
};

// The digits of Value zero-filled to ZeroDigits, into Edit: counted on from those the list
// wrote last when Value follows them (no division in the common case). False when no list
// marker can hold Value (below 0, beyond nine digits).
template <LineUnit TChar>
[[gnu::always_inline]] inline bool FormatNumber(int64_t Value, int ZeroDigits, TWrittenDigits& Last,
                                                TLineEdit<TChar>& Edit) {
  if (Value < 0 || Value > 999999999) return false;
  size_t I = Value == Last.Value + 1 ? Last.Length : 0;
  while (I > 0 && Last.Digits[I - 1] == '9') Last.Digits[--I] = '0';
  if (I > 0) {
    ++Last.Digits[I - 1];
  } else {
    auto V = static_cast<uint32_t>(Value);
    size_t N = 1;
    for (uint32_t Power = 10; N < 9 && V >= Power; Power *= 10) ++N;
    while (N < static_cast<size_t>(ZeroDigits) && N < 9) ++N;
    for (size_t K = N; K-- > 0; V /= 10) Last.Digits[K] = static_cast<char>('0' + V % 10);
    Last.Length = N;
  }
  Last.Value = Value;
  // All of them, a count known in advance, rather than a loop whose exit has to be guessed.
  static_assert(sizeof(Edit.Digits) / sizeof(TChar) == sizeof(Last.Digits));
  for (size_t K = 0; K < sizeof(Last.Digits); ++K)
    Edit.Digits[K] = static_cast<TChar>(Last.Digits[K]);
  Edit.Length = Last.Length;
  return true;
}

// Edit's digits filled with zeros in front to Width.
template <LineUnit TChar>
void ZeroFill(TLineEdit<TChar>& Edit, size_t Width) {
  if (Edit.Length >= Width) return;
  const size_t Fill = Width - Edit.Length;
  for (size_t I = Edit.Length; I-- > 0;) Edit.Digits[I + Fill] = Edit.Digits[I];
  for (size_t I = 0; I < Fill; ++I) Edit.Digits[I] = TChar('0');
  Edit.Length = Width;
}

// The output of one line, from an input position on.
template <LineUnit TChar, typename TOut>
struct TLineEmitter {
  TView<TChar> L;
  TOut& Out;
  size_t Off = 0;
  int Col = 0;
  bool Mid = false;  // Col lies inside the tab at Off
  int Delta = 0;     // output column minus input column
  TTextBounds Bounds{};

  void Blanks(int N) {
    static constexpr TChar Spaces[8] = {TChar(' '), TChar(' '), TChar(' '), TChar(' '),
                                        TChar(' '), TChar(' '), TChar(' '), TChar(' ')};
    for (; N > 0; N -= 8) Out.append(Spaces, static_cast<size_t>(N < 8 ? N : 8));
  }
  void Skip(size_t ToOff, int ToCol) {
    Off = ToOff;
    Col = ToCol;
    Mid = false;
  }
  // Up to the input position (ToOff, ToCol); a tab stays a tab only where nothing moved.
  void FlushTo(size_t ToOff, int ToCol) {
    while (Off < ToOff || (Off == ToOff && Col < ToCol && Off < L.size())) {
      if (L[Off] != TChar('\t')) {
        size_t End = Off;
        while (End < ToOff && L[End] != TChar('\t')) ++End;
        Out.append(L.data() + Off, End - Off);
        Col += static_cast<int>(End - Off);
        Off = End;
        continue;
      }
      const int TabEnd = (Col / 4 + 1) * 4;
      const int Stop = Off == ToOff ? ToCol : TabEnd;
      if (Delta == 0 && !Mid && Stop == TabEnd) {
        Out.append(L.data() + Off, 1);
      } else {
        Blanks(Stop - Col);
      }
      Mid = Stop != TabEnd;
      Col = Stop;
      Off += Mid ? 0 : 1;
    }
  }
  // The blanks and tabs of an ekIndent edit; those after the part of a tab the structure
  // took (Mid) cannot stay as they are, nor those that would take the block to Bounds.Below.
  void Indent(const TLineEdit<TChar>& Edit) {
    const int From = Col + Delta;
    int To = From;
    for (size_t I = Edit.Off; I < Edit.EndOff; ++I)
      To = L[I] == TChar('\t') ? (To / 4 + 1) * 4 : To + 1;
    if (Mid || To - From > 3 || (Bounds.Below >= 0 && To >= Bounds.Below + Delta)) {
      Blanks(Edit.Spaces);
      To = From + Edit.Spaces;
    } else {
      Out.append(L.data() + Edit.Off, Edit.EndOff - Edit.Off);
    }
    Delta = To - Edit.EndCol;
    Skip(Edit.EndOff, Edit.EndCol);
  }
  // When the blanks and tabs after the structure, left as they are, would take the line's
  // text out of Bounds (its tabs widened or narrowed where the line moved), they become the
  // blanks they stood for.
  void KeepWithin() {
    // From the end of a tab taken in part, whose rest is blanks either way.
    const int From = Mid ? (Col / 4 + 1) * 4 : Col;
    const size_t Start = Off + (Mid ? 1 : 0);
    int InCol = From;
    int OutCol = From + Delta;
    const size_t Text = SkipBlanks(L, Start, InCol);
    SkipBlanks(L, Start, OutCol);
    if ((Bounds.Below >= 0 && OutCol >= Bounds.Below + Delta) ||
        (Bounds.AtLeast >= 0 && OutCol < Bounds.AtLeast + Delta))
      FlushTo(Text, InCol);
  }
  // The rest of a tab taken in part, then the rest of the line as it is.
  void Finish() {
    if (Mid) {
      Blanks((Col / 4 + 1) * 4 - Col);
      ++Off;
    }
    Out.append(L.data() + Off, L.size() - Off);
  }
};

// Appends line L with its edits: as it is up to the first, blanks for the tabs of the
// structure once anything moved, from the structure's end (EndOff, EndCol) on as it is, the
// text kept within Bounds.
template <LineUnit TChar, typename TOut>
void AppendEdited(TView<TChar> L, std::span<const TLineEdit<TChar>> Edits, size_t EndOff,
                  int EndCol, TTextBounds Bounds, TOut& Out) {
  TLineEmitter<TChar, TOut> E{L, Out};
  E.Bounds = Bounds;
  for (const TLineEdit<TChar>& Edit : Edits) {
    E.FlushTo(Edit.Off, Edit.Col);
    switch (Edit.Kind) {
      case ekDigits:
        Out.append(Edit.Digits, Edit.Length);
        E.Delta += static_cast<int>(Edit.Length) - static_cast<int>(Edit.EndOff - Edit.Off);
        E.Skip(Edit.EndOff, Edit.EndCol);
        break;
      case ekGap:
        E.Blanks(Edit.Spaces);
        E.Delta += Edit.Spaces - (Edit.EndCol - Edit.Col);
        E.Skip(Edit.EndOff, Edit.EndCol);
        break;
      case ekShift:
        E.Blanks(Edit.Spaces);
        E.Delta += Edit.Spaces;
        break;
      case ekIndent:
        E.Indent(Edit);
        break;
    }
  }
  E.FlushTo(EndOff, EndCol);
  if ((Bounds.Below >= 0 || Bounds.AtLeast >= 0) && E.Delta != 0) E.KeepWithin();
  E.Finish();
}

}  // namespace markdown
