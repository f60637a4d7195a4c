#pragma once
// renumber in the list form: CommonMark's block structure, followed line by line, tells which
// numbered lines are items of which ordered list. Each list keeps its first item's number and
// the others count on from it; a nested list counts on its own; "1." and "1)" lists differ;
// code, HTML blocks and paragraph text are left alone. Only what came before a line decides
// it, so the text streams.
//
// A number that grows wider takes the room of the blanks after its marker while more than one
// is left; beyond that the item's lines move right by the difference, so they still belong to
// it. A narrower number leaves its item's lines where they are and widens the blanks after
// the marker instead, since moving them left could take in lines that followed the item; where
// those blanks would be five or more (the item's text would turn into code), the number is
// written with leading zeros to its old width. Nothing else of a line changes, except that the
// tabs in front of a moved line's text become the blanks they stood for. Those in front of a
// fence or an HTML block opened on a moved line stay as they are (their units set how many
// blanks the fence's lines lose; the HTML block keeps them as its text) unless they would now
// indent it by four columns or more: then they become blanks. A tab that is text, in code or
// an HTML block, stays, unless it would widen where the line moved so far that the line's
// text fell into an item it did not belong to, or narrow so far that a code line closed its
// fence (see TTextBounds).

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

#include "cli/filter/MarkdownEmit.h"
#include "cli/filter/MarkdownScan.h"

namespace markdown {

// How the items are counted: the step from one to the next, and a width their digits are
// zero-filled to (0: as each list's first item is written).
struct TListCounting {
  int32_t Step = 1;
  int32_t ZeroWidth = 0;
};

enum TBlockKind : uint8_t {
  bkDocument,
  bkQuote,
  bkList,
  bkItem,
  bkParagraph,
  bkHeading,
  bkBreak,
  bkFence,
  bkCode,
  bkHtml,
};

// An open block of the document.
struct TBlock {
  TBlockKind Kind = bkDocument;
  // List: ordered or not, its bullet or delimiter, the next item's number and the digits its
  // numbers are zero-filled to.
  bool Ordered = false;
  char Marker = 0;
  int64_t Next = 0;
  int ZeroDigits = 0;
  TWrittenDigits Written;  // the digits its last renumbered item got
  // Item: the columns before the marker and those of the marker and the blanks after it (the
  // input's); how many columns further right its lines stand in the output.
  int MarkerOffset = 0;
  int Padding = 0;
  int Shift = 0;
  bool HasChild = false;
  // Fenced code: the fence's character, length and indentation; HTML block: its kind (1-7).
  char FenceChar = 0;
  size_t FenceLength = 0;
  size_t FenceOffset = 0;
  int HtmlKind = 0;
};

constexpr bool CanContain(TBlockKind Parent, TBlockKind Child) {
  return Parent == bkDocument || Parent == bkQuote || Parent == bkItem ||
         (Parent == bkList && Child == bkItem);
}

// What the first character of an item's text tells of the block it begins (BeginsParagraph()).
enum TStartClass : uint8_t {
  scText,    // only a paragraph
  scOther,   // a blank, a tab, the line's end, '>' or '<': maybe another block
  scDigit,   // an ordered list's marker when the digits end in '.' or ')'
  scRepeat,  // a heading, fence, break, underline or bullet when the next character is the
             // same, a blank, a tab or the line's end
};

constexpr std::array<uint8_t, 128> StartClasses = [] {
  std::array<uint8_t, 128> Classes{};
  for (const char C : std::string_view(" \t\r\n><")) Classes[static_cast<uint8_t>(C)] = scOther;
  for (char C = '0'; C <= '9'; ++C) Classes[static_cast<uint8_t>(C)] = scDigit;
  for (const char C : std::string_view("#`~=-*_+")) Classes[static_cast<uint8_t>(C)] = scRepeat;
  return Classes;
}();

// Whether the text at P, the first of a new item's content, is the start of a paragraph: no
// other block can begin there. Cautious: false for whatever might begin one. A table, not a
// switch: item texts begin with any character, and a jump on it is mostly mispredicted.
template <LineUnit TChar>
[[gnu::always_inline]] constexpr bool BeginsParagraph(TView<TChar> L, size_t P) {
  const TChar C = At(L, P);
  const auto Unit = static_cast<std::make_unsigned_t<TChar>>(C);
  const uint8_t Class = Unit < 128 ? StartClasses[Unit] : uint8_t{scText};
  if (Class < scDigit) return Class == scText;
  if (Class == scDigit) {
    // Digits begin only an ordered list's marker, which ends in '.' or ')'.
    size_t I = P + 1;
    while (IsAsciiDigit(At(L, I))) ++I;
    return At(L, I) != TChar('.') && At(L, I) != TChar(')');
  }
  const TChar Next = At(L, P + 1);
  return Next != C && !IsSpaceOrTab(Next) && !IsLineEnd(Next);
}

constexpr bool AcceptsLines(TBlockKind Kind) {
  return Kind == bkParagraph || Kind == bkHeading || Kind == bkFence || Kind == bkCode;
}

template <LineUnit TChar>
class TListRenumberer {
 public:
  explicit TListRenumberer(TListCounting Counting) : FCounting(Counting) {
    FOpen.emplace_back();
    FEdits.resize(16);
  }

  // Appends Line (with its break) to Out, its list numbers renumbered.
  template <typename TOut>
  [[gnu::always_inline]] void Line(TView<TChar> Line, TOut& Out) {
    const bool TopItem = NextTopItem(Line);
    const bool Scanned = !TopItem && !NextParagraphLine(Line);
    if (Scanned) Scan(Line);
    // Line lies in the reader's padded buffer.
    if (FEditCount == 0) return Out.appendPadded(Line.data(), Line.size());
    const TEdit& First = FEdits[0];
    if (FEditCount == 1 && First.Kind == ekDigits && First.EndOff - First.Off == First.Length) {
      // New digits as wide as the old: nothing moves (the common case).
      return Out.appendPaddedReplacing(Line.data(), Line.size(), First.Off, First.Digits,
                                       First.Length);
    }
    if (TopItem && FEditCount == 2) return AppendNarrowerItem(Out);
    TTextBounds Bounds;
    if (Scanned && FBounded && OnlyBlanks(FBoundsOff, FEndOff)) Bounds = FBounds;
    AppendEdited(FL, std::span<const TEdit>(FEdits.data(), FEditCount), FEndOff, FEndCol, Bounds,
                 Out);
  }

 private:
  // A top-level item whose number got narrower, the blank after its marker widened to keep
  // its text where it was: only blanks before the marker and one after it, so no tab moves.
  template <typename TOut>
  [[gnu::noinline]] void AppendNarrowerItem(TOut& Out) {
    const TEdit& Digits = FEdits[0];
    const TEdit& Gap = FEdits[1];
    TChar Head[32];
    size_t H = 0;
    for (size_t I = 0; I < Digits.Off; ++I) Head[H++] = FL[I];
    for (size_t I = 0; I < Digits.Length; ++I) Head[H++] = Digits.Digits[I];
    for (size_t I = Digits.EndOff; I < Gap.Off; ++I) Head[H++] = FL[I];
    for (int I = 0; I < Gap.Spaces; ++I) Head[H++] = TChar(' ');
    Out.append(Head, H);
    Out.append(FL.data() + Gap.EndOff, FL.size() - Gap.EndOff);
  }

  // A change to a line, at a position of the input line (Col may lie inside a tab at Off):
  // new digits for those from Off to EndOff, blanks for the gap from Off to EndOff, or blanks
  // inserted at Off.
  using TEdit = TLineEdit<TChar>;
  enum TMatch : uint8_t { maYes, maNo, maLineDone };

  [[gnu::always_inline]] TEdit& NewEdit() {
    if (FEditCount == FEdits.size()) [[unlikely]]
      MoreEdits();
    return FEdits[FEditCount++];
  }
  [[gnu::noinline]] void MoreEdits() { FEdits.resize(FEditCount * 2); }

  // Moves the position Count units on, or Count columns (a tab may then be taken in part).
  void Advance(int Count, bool Columns) {
    while (Count > 0 && FOff < FL.size()) {
      if (FL[FOff] == TChar('\t')) {
        const int ToTab = 4 - FCol % 4;
        if (Columns) {
          FPartialTab = ToTab > Count;
          const int Step = ToTab < Count ? ToTab : Count;
          FCol += Step;
          FOff += FPartialTab ? 0 : 1;
          Count -= Step;
        } else {
          FPartialTab = false;
          FCol += ToTab;
          ++FOff;
          --Count;
        }
      } else {
        FPartialTab = false;
        ++FOff;
        ++FCol;
        --Count;
      }
    }
  }

  void FindFirstNonspace() {
    if (FOff == FFirstFrom && FCol == FFirstFromCol) return;
    FFirstFrom = FOff;
    FFirstFromCol = FCol;
    int Col = FCol;
    const size_t I = SkipBlanks(FL, FOff, Col);
    FFirst = I;
    FFirstCol = Col;
    FIndent = Col - FCol;
    FBlank = IsLineEnd(At(FL, I));
  }

  // A bound on the line's text (see TTextBounds), Columns right of the present position.
  [[gnu::noinline]] void Bound(int& Which, int Columns) {
    if (!FBounded) FBounds = TTextBounds();
    Which = FCol + Columns;
    FBoundsOff = FOff;
    FBounded = true;
  }

  bool OnlyBlanks(size_t From, size_t To) const {
    for (size_t I = From; I < To; ++I)
      if (!IsSpaceOrTab(FL[I])) return false;
    return true;
  }

  void AdvanceToFirst() { Advance(static_cast<int>(FFirst - FOff), false); }

  void EndStructure(size_t Off, int Col) {
    FEndOff = Off;
    FEndCol = Col;
  }

  // Whether the open block I continues on this line, taking its prefix.
  TMatch MatchOpen(size_t I) {
    TBlock& B = FOpen[I];
    // The commonest kinds first, tested one by one: a jump on the kind, which changes with
    // each level, is mostly mispredicted.
    if (B.Kind == bkList) return maYes;  // its items decide
    if (B.Kind == bkParagraph) return FBlank ? maNo : maYes;
    switch (B.Kind) {
      case bkQuote:
        if (FIndent > 3 || At(FL, FFirst) != TChar('>')) return maNo;
        Advance(FIndent + 1, true);
        if (IsSpaceOrTab(At(FL, FOff))) Advance(1, true);
        return maYes;
      case bkItem:
        if (FIndent >= B.MarkerOffset + B.Padding) {
          Advance(B.MarkerOffset + B.Padding, true);
          if (B.Shift > 0) NewEdit() = {ekShift, FOff, FCol, FOff, FCol, B.Shift, 0, {}};
          return maYes;
        }
        if (!FBlank) {
          // Where the line's text must stay left of, when what follows the structure is the
          // blanks of a code line.
          if (FFirst > FOff || FPartialTab)
            Bound(FBounds.Below, B.MarkerOffset + B.Padding + B.Shift);
          return maNo;
        }
        if (!B.HasChild) return maNo;
        AdvanceToFirst();
        return maYes;
      case bkFence:
        if (FIndent <= 3 && At(FL, FFirst) == TChar(B.FenceChar) &&
            CloseFence(FL, FFirst, TChar(B.FenceChar)) >= B.FenceLength) {
          FOpen.resize(I);
          EndStructure(FFirst, FFirstCol);
          return maLineDone;
        }
        // A closing fence but for its indentation must keep it.
        if (FIndent > 3 && At(FL, FFirst) == TChar(B.FenceChar) &&
            CloseFence(FL, FFirst, TChar(B.FenceChar)) >= B.FenceLength)
          Bound(FBounds.AtLeast, 4);
        for (size_t K = B.FenceOffset; K > 0 && IsSpaceOrTab(At(FL, FOff)); --K) Advance(1, true);
        return maYes;
      case bkCode:
        if (FIndent >= 4) return Advance(4, true), maYes;
        if (!FBlank) return maNo;
        AdvanceToFirst();
        return maYes;
      case bkHeading:
        return maNo;
      case bkHtml:
        return B.HtmlKind >= 6 && FBlank ? maNo : maYes;
      default:
        return maYes;
    }
  }

  // Opens a block of Kind under Parent (or the nearest block above it that may hold it),
  // closing what lay below Parent.
  size_t Add(size_t Parent, TBlockKind Kind) {
    FOpened = true;
    while (FOpen.size() > Parent + 1) FOpen.pop_back();
    while (!CanContain(FOpen[Parent].Kind, Kind)) {
      FOpen.pop_back();
      --Parent;
    }
    if (FOpen[Parent].Kind == bkItem) FOpen[Parent].HasChild = true;
    FOpen.emplace_back();
    FOpen.back().Kind = Kind;
    return Parent + 1;
  }

  // The new number of an ordered item whose marker M stands at Marker: its digits, the blanks
  // after it and the shift of the item's lines. Fixed: the item's text does not begin after
  // the blanks (an empty first line, or five blanks or more: code), so they stay as they are.
  [[gnu::always_inline]] int Renumber(const TListMarker& M, size_t Marker, int MarkerCol,
                                      int Padding, bool Fixed, int64_t Value, TBlock& List) {
    const int ZeroDigits = List.ZeroDigits;
    // The number as it stands needs nothing written (the common case, spared the formatting).
    const bool Zeros = M.Digits > 1 && FL[Marker] == TChar('0');
    const int Fill = ZeroDigits < 9 ? ZeroDigits : 9;
    if (M.Start == Value && (Zeros ? Fill == int(M.Digits) : Fill <= int(M.Digits))) return 0;
    TEdit& Digits = NewEdit();
    Digits.Kind = ekDigits;
    Digits.Off = Marker;
    Digits.Col = MarkerCol;
    Digits.EndOff = Marker + M.Digits;
    Digits.EndCol = MarkerCol + static_cast<int>(M.Digits);
    if (!FormatNumber(Value, ZeroDigits, List.Written, Digits)) return --FEditCount, 0;
    const int Width = static_cast<int>(M.Digits);
    const int Gap = Padding - Width - 1;
    int NewGap = Gap - (static_cast<int>(Digits.Length) - Width);
    // Fixed or not differs from item to item: one test of both answers, not a branch on it.
    const bool Narrower = static_cast<int>(Digits.Length) < Width;
    if ((Fixed & Narrower) | (!Fixed & (NewGap > 4))) {
      ZeroFill(Digits, M.Digits);
      NewGap = Gap;
    }
    if (Fixed) NewGap = Gap;
    if (NewGap < 1) NewGap = 1;
    const size_t Length = Digits.Length;
    // Another value is written in other digits, whatever the zeros in front.
    if (M.Start == Value && static_cast<int>(Length) == Width) {
      size_t Same = 0;
      while (Same < Length && Digits.Digits[Same] == FL[Marker + Same]) ++Same;
      if (Same == Length) return --FEditCount, 0;
    }
    if (!Fixed && static_cast<int>(Length) != Width) {
      const size_t GapOff = Marker + M.Length;
      NewEdit() = {ekGap, GapOff, MarkerCol + int(M.Length), FOff, FCol, NewGap, 0, {}};
    }
    return static_cast<int>(Length) + NewGap - (Width + Gap);
  }

  // On a line that moves, the blanks and tabs before a block that keeps them as they are
  // (see ekIndent), else Fallback blanks.
  void KeepIndent(int Fallback) {
    if (FEditCount == 0 || FFirst == FOff) return;
    NewEdit() = {ekIndent, FOff, FCol, FFirst, FFirstCol, Fallback, 0, {}};
  }

  // A list item starts at the first non-blank: into the open list it continues, or a new one.
  size_t OpenItem(size_t Container, const TListMarker& M) {
    const size_t Marker = FFirst;
    const int MarkerCol = FFirstCol;
    const int MarkerOffset = FIndent;
    // Blanks, then the marker: no tab in it.
    FOff = FFirst + M.Length;
    FCol = FFirstCol + static_cast<int>(M.Length);
    FPartialTab = false;
    const size_t SavedOff = FOff;
    const int SavedCol = FCol;
    const bool SavedPartial = FPartialTab;
    if (At(FL, FOff) == TChar(' ') && !IsSpaceOrTab(At(FL, FOff + 1))) {
      ++FOff;  // one blank: the common case
      ++FCol;
    }
    while (FCol - SavedCol <= 5 && IsSpaceOrTab(At(FL, FOff))) Advance(1, true);
    const int Spaces = FCol - SavedCol;
    const bool Fixed = Spaces >= 5 || Spaces < 1 || IsLineEnd(At(FL, FOff));
    const int Padding = static_cast<int>(M.Length) + (Fixed ? 1 : Spaces);
    if (Fixed) {
      FOff = SavedOff;
      FCol = SavedCol;
      FPartialTab = SavedPartial;
      if (Spaces > 0) Advance(1, true);
    }
    const TBlock& Open = FOpen[Container];
    if (Open.Kind != bkList || Open.Ordered != M.Ordered || Open.Marker != M.Char) {
      Container = Add(Container, bkList);
      TBlock& List = FOpen[Container];
      List.Ordered = M.Ordered;
      List.Marker = M.Char;
      List.Next = M.Start;
      const bool Zeros = M.Digits > 1 && FL[Marker] == TChar('0');
      List.ZeroDigits = Zeros ? static_cast<int>(M.Digits) : 0;
      if (FCounting.ZeroWidth > List.ZeroDigits) List.ZeroDigits = FCounting.ZeroWidth;
    }
    TBlock& List = FOpen[Container];
    const int64_t Value = List.Next;
    List.Next += FCounting.Step;
    int Shift = 0;
    if (M.Ordered) Shift = Renumber(M, Marker, MarkerCol, Padding, Fixed, Value, List);
    Container = Add(Container, bkItem);
    FOpen[Container].MarkerOffset = MarkerOffset;
    FOpen[Container].Padding = Padding;
    FOpen[Container].Shift = Shift;
    return Container;
  }

  enum TStart : uint8_t { stNone, stOpened, stLineDone };

  // A block that begins here (not indented as code): told by the first non-blank character.
  TStart StartBlock(size_t& Container, bool MaybeLazy, bool AllMatched) {
    const TChar C = At(FL, FFirst);
    const bool InParagraph = FOpen[Container].Kind == bkParagraph;
    auto Break = [&] {
      if (InParagraph && !AllMatched) return stNone;
      if (!IsThematicBreak(FL, FFirst)) return stNone;
      Container = Add(Container, bkBreak);
      return stLineDone;
    };
    auto Item = [&] {
      const TListMarker M = ListMarker(FL, FFirst, InParagraph);
      if (M.Length == 0) return stNone;
      Container = OpenItem(Container, M);
      return stOpened;
    };
    switch (C) {
      case TChar('>'):
        Advance(static_cast<int>(FFirst + 1 - FOff), false);
        if (IsSpaceOrTab(At(FL, FOff))) Advance(1, true);
        Container = Add(Container, bkQuote);
        return stOpened;
      case TChar('#'):
        if (!IsAtxHeading(FL, FFirst)) return stNone;
        Container = Add(Container, bkHeading);
        return stOpened;
      case TChar('`'):
      case TChar('~'): {
        const size_t Fence = OpenFence(FL, FFirst);
        if (Fence == 0) return stNone;
        const size_t Offset = FFirst - FOff;
        // The units before the fence (a tab taken in part among them) set how many blanks
        // its lines lose: kept in number.
        KeepIndent(static_cast<int>(Offset));
        Container = Add(Container, bkFence);
        FOpen[Container].FenceChar = static_cast<char>(C);
        FOpen[Container].FenceLength = Fence;
        FOpen[Container].FenceOffset = Offset;
        return stLineDone;
      }
      case TChar('<'): {
        int Html = HtmlBlockStart(FL, FFirst);
        if (Html == 0 && !InParagraph && !MaybeLazy && TTagScan<TChar>(FL, FFirst).Line()) Html = 7;
        if (Html == 0) return stNone;
        // The blanks and tabs before it are the block's text (the rest of a tab taken in
        // part as the blanks it stands for).
        KeepIndent(FFirstCol - FCol);
        Container = Add(Container, bkHtml);
        FOpen[Container].HtmlKind = Html;
        return stOpened;
      }
      case TChar('='):
      case TChar('-'):
        if (InParagraph && SetextLevel(FL, FFirst) > 0) {
          FOpen[Container].Kind = bkHeading;
          return stLineDone;
        }
        if (C == TChar('=')) return stNone;
        return Break() == stLineDone ? stLineDone : Item();
      case TChar('*'):
        return Break() == stLineDone ? stLineDone : Item();
      case TChar('_'):
        return Break();
      default:
        return C == TChar('+') || IsAsciiDigit(C) ? Item() : stNone;
    }
  }

  // The blocks that begin on this line after the open ones it continues; the container the
  // line's text then goes to.
  size_t OpenBlocks(size_t Container, bool AllMatched) {
    bool MaybeLazy = FOpen.back().Kind == bkParagraph;
    for (TBlockKind Kind = FOpen[Container].Kind;
         Kind != bkFence && Kind != bkCode && Kind != bkHtml; Kind = FOpen[Container].Kind) {
      FindFirstNonspace();
      if (FIndent < 4) {
        const TStart Start = StartBlock(Container, MaybeLazy, AllMatched);
        if (Start == stNone) break;
        if (Start == stLineDone) {
          EndStructure(FFirst, FFirstCol);
          FLineDone = true;
          break;
        }
      } else if (!MaybeLazy && !FBlank) {
        Advance(4, true);
        Container = Add(Container, bkCode);
      } else {
        break;
      }
      if (AcceptsLines(FOpen[Container].Kind)) break;
      MaybeLazy = false;
    }
    return Container;
  }

  // The commonest lines of a top-level ordered list, taken at once: its next item, up to three
  // blanks in (fewer than the open item's content stands at), with one blank after the marker
  // and text that begins no other block ("12. text"), or with no text ("12."). False, with
  // nothing changed, for any other line.
  [[gnu::always_inline]] bool NextTopItem(TView<TChar> L) {
    if ((FTop & (tpItem | tpOrdered)) != (tpItem | tpOrdered)) return false;
    size_t Blanks = 0;
    while (Blanks < 3 && At(L, Blanks) == TChar(' ')) ++Blanks;
    if (static_cast<int>(Blanks) >= FOpen[2].MarkerOffset + FOpen[2].Padding) return false;
    int32_t Start = 0;
    // ListMarker() reads a marker too, but called here it costs an eighth more on list items.
    const size_t Digits = DigitRun(L, Blanks, Start);
    size_t I = Blanks + Digits;
    if (Digits == 0 || At(L, I) != TChar(FOpen[1].Marker)) return false;
    ++I;
    // Text after one blank, or an empty item: the line ends after the marker or one blank.
    // Lists have both at random, so no jump on which it is; other lines are rare.
    const bool Blank = At(L, I) == TChar(' ');
    const bool Empty = Unpredictable(!(Blank & BeginsParagraph(L, I + 1)));
    size_t Text = I + Blank;
    if (Empty & !IsLineEnd(At(L, Text))) [[unlikely]] {
      while (At(L, Text) == TChar(' ')) ++Text;
      if (!IsLineEnd(At(L, Text))) return false;
    }
    // The open item's content lies right of the marker, so the line closes it and continues
    // the list.
    FL = L;
    FOff = Text;
    FCol = static_cast<int>(Text);
    FEditCount = 0;
    TBlock& List = FOpen[1];
    const int64_t Value = List.Next;
    List.Next += FCounting.Step;
    const TListMarker M{Digits + 1, true, List.Marker, Start, Digits};
    const int Padding = static_cast<int>(Digits) + 2;
    int Shift = 0;
    if (List.ZeroDigits != 0 || L[Blanks] == TChar('0')) {
      Shift = Renumber(M, Blanks, static_cast<int>(Blanks), Padding, Empty, Value, List);
    } else if (Start != Value) {
      // No zeros to keep or fill (the common list): new digits as wide as the old replace
      // them, and nothing else changes; Renumber() weighs the rest.
      TEdit& New = NewEdit();
      New.Kind = ekDigits;
      New.Off = Blanks;
      New.Col = static_cast<int>(Blanks);
      New.EndOff = Blanks + Digits;
      New.EndCol = static_cast<int>(Blanks + Digits);
      if (!FormatNumber(Value, 0, List.Written, New) || New.Length != Digits) {
        --FEditCount;
        Shift = Renumber(M, Blanks, static_cast<int>(Blanks), Padding, Empty, Value, List);
      }
    }
    // In place of the open item (and its paragraph): the new item, and its paragraph, noted in
    // FTop alone (see SyncTop()).
    FTop = tpItem | tpOrdered | (Empty ? 0 : tpParagraph);
    TBlock& Item = FOpen[2];
    Item.MarkerOffset = static_cast<int>(Blanks);
    Item.Padding = Padding;
    Item.Shift = Shift;
    Item.HasChild = !Empty;
    EndStructure(FOff, FCol);
    return true;
  }

  // A line of the paragraph that the open item of a top-level list holds, taken at once: its
  // text, after blanks and tabs, begins no other block (more than three columns in, where the
  // item or its paragraph has it, it begins none; digits that begin it there are no list). It
  // goes on in the item when it stands at the item's content, else lazily. False, with nothing
  // changed, for any other line.
  bool NextParagraphLine(TView<TChar> L) {
    if ((FTop & (tpItem | tpParagraph)) != (tpItem | tpParagraph)) return false;
    int Col = 0;
    const size_t Indent = SkipBlanks(L, 0, Col);
    if (IsLineEnd(At(L, Indent))) return false;  // a blank line
    const TBlock& Item = FOpen[2];
    const int Content = Item.MarkerOffset + Item.Padding;
    const bool InItem = Col >= Content;
    // A line that moves with its item, where a tab makes columns and units differ before its
    // text: left to the scan.
    if (InItem && Col != static_cast<int>(Indent) && Item.Shift > 0) return false;
    if ((InItem ? Col - Content : Col) < 4 && !BeginsParagraph(L, Indent)) {
      // In the item, an ordered marker numbered other than 1 cannot interrupt its paragraph.
      // (Outside it, the marker would begin an item of the list it stands in.)
      int32_t Start = 0;
      if (!InItem || DigitRun(L, Indent, Start) == 0 || Start == 1) return false;
    }
    FL = L;
    FEditCount = 0;
    if (InItem && Item.Shift > 0) {
      const auto Off = static_cast<size_t>(Content);  // a unit a column up to the text
      NewEdit() = {ekShift, Off, Content, Off, Content, Item.Shift, 0, {}};
    }
    EndStructure(Indent, Col);
    return true;
  }

  // Follows one line through the block structure, noting the changes it needs in FEdits and
  // where its structure ends.
  void Scan(TView<TChar> L) {
    SyncTop();
    ScanBlocks(L);
    NoteTop();
  }

  // The item's paragraph as FTop has it: the fast paths leave it to this, since whether an
  // item has text differs from line to line and a branch on it is mispredicted.
  void SyncTop() {
    if ((FTop & tpItem) == 0) return;
    const bool Paragraph = (FTop & tpParagraph) != 0;
    FOpen.resize(Paragraph ? 4 : 3);
    if (Paragraph) {
      FOpen[3] = TBlock();
      FOpen[3].Kind = bkParagraph;
    }
  }

  // What the fast paths above need to know of the open blocks.
  void NoteTop() {
    const size_t Open = FOpen.size();
    FTop = 0;
    if (Open < 3 || Open > 4 || FOpen[1].Kind != bkList || FOpen[2].Kind != bkItem) return;
    if (Open == 4 && FOpen[3].Kind != bkParagraph) return;
    FTop = tpItem | (FOpen[1].Ordered ? tpOrdered : 0) | (Open == 4 ? tpParagraph : 0);
  }

  void ScanBlocks(TView<TChar> L) {
    FL = L;
    FOff = 0;
    FCol = 0;
    FPartialTab = false;
    FLineDone = false;
    FOpened = false;
    FFirstFrom = static_cast<size_t>(-1);
    FEditCount = 0;
    FBounded = false;
    size_t Matched = 0;
    bool AllMatched = true;
    for (size_t I = 1; I < FOpen.size(); ++I) {
      FindFirstNonspace();
      const TMatch R = MatchOpen(I);
      if (R == maLineDone) return;
      if (R == maNo) {
        AllMatched = false;
        break;
      }
      Matched = I;
    }
    const size_t Tip = FOpen.size() - 1;
    const bool TipParagraph = FOpen[Tip].Kind == bkParagraph;
    size_t Container = OpenBlocks(Matched, AllMatched);
    if (FLineDone) return;
    FindFirstNonspace();
    if (!FOpened && Tip != Matched && !FBlank && TipParagraph) {
      return EndStructure(FFirst, FFirstCol);  // a lazy continuation of the paragraph
    }
    if (!FOpened) FOpen.resize(Matched + 1);
    const TBlock& B = FOpen[Container];
    if (B.Kind == bkFence || B.Kind == bkCode) return EndStructure(FOff, FCol);
    if (B.Kind == bkHtml) {
      EndStructure(FOff, FCol);
      if (B.HtmlKind <= 5 && HtmlBlockEnds(B.HtmlKind, FL, FFirst)) FOpen.resize(Container);
      return;
    }
    EndStructure(FFirst, FFirstCol);
    if (!FBlank && !AcceptsLines(B.Kind)) Container = Add(Container, bkParagraph);
  }

  TListCounting FCounting;
  std::vector<TBlock> FOpen;  // the open blocks, the document first
  // Whether they are a top-level list's item (tpItem), in an ordered list (tpOrdered), with
  // its paragraph (tpParagraph), and nothing else: the commonest state, tested once a line.
  enum : uint8_t { tpItem = 1, tpOrdered = 2, tpParagraph = 4 };
  uint8_t FTop = 0;
  // The line's edits: the first FEditCount of FEdits, which only grows, so that adding one
  // is a store rather than a call.
  std::vector<TEdit> FEdits;
  size_t FEditCount = 0;
  // The line being read: the position (a tab may be taken in part), the first non-blank from
  // there, and where the structure ends and the content begins.
  TView<TChar> FL;
  size_t FOff = 0;
  int FCol = 0;
  bool FPartialTab = false;
  size_t FFirstFrom = 0;  // the position FFirst was found from
  int FFirstFromCol = 0;
  size_t FFirst = 0;
  int FFirstCol = 0;
  int FIndent = 0;
  bool FBlank = false;
  bool FLineDone = false;
  bool FOpened = false;  // a block began on the line
  size_t FEndOff = 0;
  int FEndCol = 0;
  // Bounds on the line's text, set from the position FBoundsOff (see AppendEdited()).
  bool FBounded = false;
  TTextBounds FBounds;
  size_t FBoundsOff = 0;
};

}  // namespace markdown
