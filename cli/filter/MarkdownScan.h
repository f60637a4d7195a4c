#pragma once
// CommonMark's line scanners, as far as the list tracker (MarkdownLists.h) needs them: what a
// line may begin at a position, read in the body's own code units. Every character they test
// is ASCII, so UTF-8, UTF-16 and code page 932 bodies are read alike; past the line's end they
// see a line feed, as CommonMark ends every line with one.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "LineNumberUnit/LineSteps.h"

namespace markdown {

template <LineUnit TChar>
using TView = std::basic_string_view<TChar>;

template <LineUnit TChar>
constexpr TChar At(TView<TChar> L, size_t I) {
  return I < L.size() ? L[I] : TChar('\n');
}

template <LineUnit TChar>
constexpr bool IsLineEnd(TChar C) {
  return C == TChar('\n') || C == TChar('\r');
}

template <LineUnit TChar>
constexpr bool IsSpaceOrTab(TChar C) {
  return C == TChar(' ') || C == TChar('\t');
}

// A blank, a tab, a line break, a vertical tab or a form feed.
template <LineUnit TChar>
constexpr bool IsSpaceChar(TChar C) {
  return IsSpaceOrTab(C) || IsLineEnd(C) || C == TChar('\v') || C == TChar('\f');
}

template <LineUnit TChar>
constexpr bool IsAsciiLetter(TChar C) {
  return (C >= TChar('a') && C <= TChar('z')) || (C >= TChar('A') && C <= TChar('Z'));
}

// B, its value hidden from the optimiser, which then cannot split the code after it into a
// copy for each value: a condition true and false at random (an item's text empty or not) costs
// a few instructions more in place of a jump mispredicted about every other time.
[[gnu::always_inline]] inline bool Unpredictable(bool B) {
#if defined(__GNUC__)
  asm("" : "+r"(B));
#endif
  return B;
}

template <LineUnit TChar>
constexpr bool IsAsciiDigit(TChar C) {
  return C >= TChar('0') && C <= TChar('9');
}

// The run of ASCII digits at P, nine at most: its length, and its value in Value.
// The first position from I on that is no blank or tab; Col, I's column, becomes its column
// (a tab reaches the next multiple of four).
template <LineUnit TChar>
[[gnu::always_inline]] inline size_t SkipBlanks(TView<TChar> L, size_t I, int& Col) {
  for (;; ++I) {
    const TChar C = At(L, I);
    if (C == TChar(' ')) {
      ++Col;
    } else if (C == TChar('\t')) {
      Col = (Col / 4 + 1) * 4;
    } else {
      return I;
    }
  }
}

template <LineUnit TChar>
[[gnu::always_inline]] inline size_t DigitRun(TView<TChar> L, size_t P, int32_t& Value) {
  if constexpr (sizeof(TChar) == 1 && std::endian::native == std::endian::little) {
    if (P <= L.size() && L.size() - P >= 8) {
      // Eight bytes at once.
      const size_t N = LeadingDigits8(L.data() + P);
      if (N == 0) return 0;
      uint64_t W;
      std::memcpy(&W, L.data() + P, sizeof W);
      constexpr uint64_t Threes = 0x3030303030303030u;
      // The digits moved to the top, zeros in front, summed in pairs, fours and eights.
      uint64_t D = (W - Threes) << (8 * (8 - N));
      D = D * 10 + (D >> 8);
      D = ((D & 0x000000FF000000FFu) * (100 + (1000000ull << 32)) +
           ((D >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32))) >>
          32;
      Value = static_cast<int32_t>(D);
      if (N < 8 || !IsAsciiDigit(At(L, P + 8))) return N;
      Value = Value * 10 + static_cast<int32_t>(L[P + 8] - TChar('0'));
      return 9;
    }
  }
  size_t I = P;
  int32_t V = 0;
  for (const size_t End = std::min(P + 9, L.size()); I < End && IsAsciiDigit(L[I]); ++I) {
    V = V * 10 + static_cast<int32_t>(L[I] - TChar('0'));
  }
  Value = V;
  return I - P;
}

// Where the run of C that starts at P ends.
template <LineUnit TChar>
size_t RunEnd(TView<TChar> L, size_t P, TChar C) {
  while (P < L.size() && L[P] == C) ++P;
  return P;
}

// Whether only blanks and tabs follow P on the line.
template <LineUnit TChar>
bool RestIsBlank(TView<TChar> L, size_t P) {
  while (IsSpaceOrTab(At(L, P))) ++P;
  return IsLineEnd(At(L, P));
}

// "***", "- - -", "___": three or more of one of them, blanks and tabs between.
template <LineUnit TChar>
bool IsThematicBreak(TView<TChar> L, size_t P) {
  const TChar C = At(L, P);
  if (C != TChar('*') && C != TChar('_') && C != TChar('-')) return false;
  int Count = 0;
  for (; P < L.size() && (L[P] == C || IsSpaceOrTab(L[P])); ++P) Count += L[P] == C;
  return Count >= 3 && IsLineEnd(At(L, P));
}

template <LineUnit TChar>
bool IsAtxHeading(TView<TChar> L, size_t P) {
  const size_t End = RunEnd(L, P, TChar('#'));
  return End > P && End - P <= 6 && (IsSpaceOrTab(At(L, End)) || IsLineEnd(At(L, End)));
}

// An opening code fence: the length of its run of three or more "`" or "~" (a "`" fence's
// info string holds no "`"); else 0.
template <LineUnit TChar>
size_t OpenFence(TView<TChar> L, size_t P) {
  const TChar C = At(L, P);
  if (C != TChar('`') && C != TChar('~')) return 0;
  const size_t End = RunEnd(L, P, C);
  if (End - P < 3) return 0;
  if (C == TChar('`')) {
    for (size_t I = End; !IsLineEnd(At(L, I)); ++I) {
      if (L[I] == C) return 0;
    }
  }
  return End - P;
}

// A closing fence of C: the length of its run when only blanks and tabs follow; else 0.
template <LineUnit TChar>
size_t CloseFence(TView<TChar> L, size_t P, TChar C) {
  const size_t End = RunEnd(L, P, C);
  return End - P >= 3 && RestIsBlank(L, End) ? End - P : 0;
}

// A setext underline: 1 for "=", 2 for "-", else 0.
template <LineUnit TChar>
int SetextLevel(TView<TChar> L, size_t P) {
  const TChar C = At(L, P);
  if (C != TChar('=') && C != TChar('-')) return 0;
  return RestIsBlank(L, RunEnd(L, P, C)) ? (C == TChar('=') ? 1 : 2) : 0;
}

// Whether the word at P is Lower (lower case ASCII), in any case.
template <LineUnit TChar>
bool HasWordAt(TView<TChar> L, size_t P, std::string_view Lower) {
  for (size_t I = 0; I < Lower.size(); ++I) {
    TChar C = At(L, P + I);
    if (C >= TChar('A') && C <= TChar('Z')) C = static_cast<TChar>(C - TChar('A') + TChar('a'));
    if (C != TChar(Lower[I])) return false;
  }
  return true;
}

// Whether the text from P holds Lower (lower case ASCII) before the line's end.
template <LineUnit TChar>
bool LineHolds(TView<TChar> L, size_t P, std::string_view Lower) {
  for (; !IsLineEnd(At(L, P)); ++P) {
    if (HasWordAt(L, P, Lower)) return true;
  }
  return false;
}

inline constexpr std::array<std::string_view, 62> BlockTagNames = {
    "address",  "article",  "aside",    "base",       "basefont", "blockquote", "body",   "caption",
    "center",   "col",      "colgroup", "dd",         "details",  "dialog",     "dir",    "div",
    "dl",       "dt",       "fieldset", "figcaption", "figure",   "footer",     "form",   "frame",
    "frameset", "h1",       "h2",       "h3",         "h4",       "h5",         "h6",     "head",
    "header",   "hr",       "html",     "iframe",     "legend",   "li",         "link",   "main",
    "menu",     "menuitem", "nav",      "noframes",   "ol",       "optgroup",   "option", "p",
    "param",    "section",  "source",   "summary",    "table",    "tbody",      "td",     "tfoot",
    "th",       "thead",    "title",    "tr",         "track",    "ul"};

// An HTML block's start of kinds 1 to 6 at P ("<pre", "<!--", "<?", "<!X", "<![CDATA[",
// "<div"), else 0.
template <LineUnit TChar>
int HtmlBlockStart(TView<TChar> L, size_t P) {
  if (At(L, P) != TChar('<')) return 0;
  for (const std::string_view Tag : {"script", "pre", "style", "textarea"}) {
    const TChar After = At(L, P + 1 + Tag.size());
    if (HasWordAt(L, P + 1, Tag) && (IsSpaceChar(After) || After == TChar('>'))) return 1;
  }
  if (HasWordAt(L, P, "<!--")) return 2;
  if (At(L, P + 1) == TChar('?')) return 3;
  if (At(L, P + 1) == TChar('!')) {
    const TChar C = At(L, P + 2);
    if (C >= TChar('A') && C <= TChar('Z')) return 4;
    return HasWordAt(L, P, "<![cdata[") ? 5 : 0;
  }
  size_t I = P + 1 + (At(L, P + 1) == TChar('/'));
  const size_t From = I;
  std::string Name;
  for (; I - From < 12 && (IsAsciiLetter(At(L, I)) || IsAsciiDigit(At(L, I))); ++I) {
    Name += static_cast<char>(At(L, I) | 0x20);
  }
  if (std::find(BlockTagNames.begin(), BlockTagNames.end(), Name) == BlockTagNames.end()) {
    return 0;
  }
  const TChar After = At(L, I);
  const bool Closes = After == TChar('>') || (After == TChar('/') && At(L, I + 1) == TChar('>'));
  return IsSpaceChar(After) || Closes ? 6 : 0;
}

// Whether the line from P holds the end of an HTML block of Kind 1 to 5.
template <LineUnit TChar>
bool HtmlBlockEnds(int Kind, TView<TChar> L, size_t P) {
  switch (Kind) {
    case 1:
      return LineHolds(L, P, "</script>") || LineHolds(L, P, "</pre>") ||
             LineHolds(L, P, "</style>") || LineHolds(L, P, "</textarea>");
    case 2:
      return LineHolds(L, P, "-->");
    case 3:
      return LineHolds(L, P, "?>");
    case 4:
      return LineHolds(L, P, ">");
    case 5:
      return LineHolds(L, P, "]]>");
    default:
      return false;
  }
}

// Tag syntax of an HTML block of kind 7: a whole open or closing tag alone on its line.
template <LineUnit TChar>
class TTagScan {
 public:
  TTagScan(TView<TChar> L, size_t P) : FL(L), FI(P) {}

  bool Line() {
    if (!Take(TChar('<'))) return false;
    const bool Closing = Take(TChar('/'));
    if (!Name(IsAsciiLetter<TChar>, false)) return false;
    if (!Closing) Attributes();
    Spaces();
    if (!Closing) (void)Take(TChar('/'));
    if (!Take(TChar('>'))) return false;
    return RestIsBlank(FL, FI);
  }

 private:
  static bool IsNameStart(TChar C) {
    return IsAsciiLetter(C) || C == TChar('_') || C == TChar(':');
  }
  bool Take(TChar C) { return At(FL, FI) == C ? (++FI, true) : false; }
  size_t Spaces() {
    const size_t From = FI;
    while (IsSpaceChar(At(FL, FI)) && FI < FL.size()) ++FI;
    return FI - From;
  }
  // A tag name ([A-Za-z][A-Za-z0-9-]*) or, Attribute, an attribute's name.
  bool Name(bool (*Start)(TChar), bool Attribute) {
    if (!Start(At(FL, FI))) return false;
    for (++FI;; ++FI) {
      const TChar C = At(FL, FI);
      const bool Extra = Attribute && (C == TChar('_') || C == TChar(':') || C == TChar('.'));
      if (!IsAsciiLetter(C) && !IsAsciiDigit(C) && C != TChar('-') && !Extra) return true;
    }
  }
  bool Value() {
    const TChar Quote = At(FL, FI);
    if (Quote == TChar('"') || Quote == TChar('\'')) {
      for (size_t I = FI + 1; I < FL.size(); ++I) {
        if (FL[I] == Quote) return FI = I + 1, true;
      }
      return false;
    }
    const size_t From = FI;
    for (TChar C = At(FL, FI);
         !IsSpaceChar(C) && C != TChar('"') && C != TChar('\'') && C != TChar('=') &&
         C != TChar('<') && C != TChar('>') && C != TChar('`');
         C = At(FL, ++FI)) {
    }
    return FI > From;
  }
  void Attributes() {
    for (;;) {
      const size_t Before = FI;
      if (Spaces() == 0 || !Name(IsNameStart, true)) return void(FI = Before);
      const size_t AfterName = FI;
      Spaces();
      if (!Take(TChar('='))) {
        FI = AfterName;
        continue;
      }
      Spaces();
      if (!Value()) FI = AfterName;
    }
  }

  TView<TChar> FL;
  size_t FI;
};

// A list marker: "-", "+" or "*", or up to nine digits and "." or ")".
struct TListMarker {
  size_t Length = 0;  // 0: none
  bool Ordered = false;
  char Char = 0;  // the bullet, or the delimiter after the digits
  int32_t Start = 0;
  size_t Digits = 0;
};

// The list marker at P, when it is one and is followed by a blank, a tab or the line's end.
// Interrupting a paragraph, it must begin an item with text, and an ordered one with 1.
template <LineUnit TChar>
TListMarker ListMarker(TView<TChar> L, size_t P, bool InterruptsParagraph) {
  const TChar C = At(L, P);
  if ((C == TChar('*') || C == TChar('-') || C == TChar('+')) && !IsThematicBreak(L, P)) {
    if (!IsSpaceChar(At(L, P + 1)) || (InterruptsParagraph && RestIsBlank(L, P + 1))) return {};
    return {1, false, static_cast<char>(C), 0, 0};
  }
  int32_t Start = 0;
  const size_t I = P + DigitRun(L, P, Start);
  if (I == P) return {};
  const TChar Delimiter = At(L, I);
  if (InterruptsParagraph && Start != 1) return {};
  if (Delimiter != TChar('.') && Delimiter != TChar(')')) return {};
  if (!IsSpaceChar(At(L, I + 1)) || (InterruptsParagraph && RestIsBlank(L, I + 1))) return {};
  return {I + 1 - P, true, static_cast<char>(Delimiter), Start, I - P};
}

}  // namespace markdown
