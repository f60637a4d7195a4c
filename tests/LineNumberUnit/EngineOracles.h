#pragma once
// Independent checks of the line-number engine, shared by the property tests and the fuzz
// targets. Each Check...() runs one operation and returns a description of the first
// broken rule, or an empty string. The reference code here is deliberately naive: its own
// line splitter, plain loops, and a full scan over every value of a run.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "LineNumberUnit/LineNumberUnit.h"

namespace engine_oracle {

constexpr int32_t Int32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t Int32Min = std::numeric_limits<int32_t>::min();

// Line items: breaks CR LF, CR, LF; each line keeps its break; no empty item at the end.
inline std::vector<std::u16string_view> SplitLines(std::u16string_view Text) {
  std::vector<std::u16string_view> Items;
  size_t Begin = 0;
  for (size_t P = 0; P < Text.size(); ++P) {
    if (Text[P] == u'\r' && P + 1 < Text.size() && Text[P + 1] == u'\n') ++P;
    if (Text[P] == u'\r' || Text[P] == u'\n') {
      Items.push_back(Text.substr(Begin, P + 1 - Begin));
      Begin = P + 1;
    }
  }
  if (Begin < Text.size()) Items.push_back(Text.substr(Begin));
  return Items;
}

inline std::string Printable(std::u16string_view S) {
  std::string Out;
  for (char16_t C : S) {
    if (C >= 0x20 && C < 0x7F) {
      Out += static_cast<char>(C);
    } else {
      static const char Hex[] = "0123456789ABCDEF";
      Out += "\\u";
      for (int Shift = 12; Shift >= 0; Shift -= 4) Out += Hex[(C >> Shift) & 0xF];
    }
  }
  return Out;
}

inline bool RefIsNumberHead(std::u16string_view Head) {
  if (Head.empty()) return false;
  for (char16_t C : Head) {
    if (!((C >= u'0' && C <= u'9') || C == u' ' || C == u'\t')) return false;
  }
  return true;
}

struct RefLine {
  std::u16string_view Head, Rest;
  bool HasSeparator;
  bool Numbered;
};

inline RefLine CutLine(std::u16string_view Item) {
  const size_t Colon = Item.find(u':');
  RefLine Line{Item, Item, Colon != std::u16string_view::npos, false};
  if (Line.HasSeparator) {
    Line.Head = Item.substr(0, Colon);
    Line.Rest = Item.substr(Colon + 1);
  }
  Line.Numbered = RefIsNumberHead(Line.Head);
  return Line;
}

inline std::u16string RefDeleteLineNumbers(std::u16string_view Text) {
  std::u16string Out;
  for (std::u16string_view Item : SplitLines(Text)) {
    const RefLine Line = CutLine(Item);
    Out += Line.Numbered ? Line.Rest : Item;
  }
  return Out;
}

inline std::u16string RefDeleteNumberOnlyLines(std::u16string_view Text) {
  std::u16string Out;
  for (std::u16string_view Item : SplitLines(Text)) {
    const RefLine Line = CutLine(Item);
    const bool BlankRest =
        std::all_of(Line.Rest.begin(), Line.Rest.end(), [](char16_t C) { return C <= 0x20; });
    if (!(Line.Numbered && BlankRest)) Out += Item;
  }
  return Out;
}

inline std::u16string_view BreakOf(std::u16string_view Item) {
  if (Item.size() >= 2 && Item.substr(Item.size() - 2) == u"\r\n") return u"\r\n";
  if (!Item.empty() && (Item.back() == u'\r' || Item.back() == u'\n')) {
    return Item.substr(Item.size() - 1);
  }
  return u"";
}

inline std::u16string RefDeleteIndentAfterNumber(std::u16string_view Text) {
  const std::vector<std::u16string_view> Items = SplitLines(Text);
  size_t MinIndent = SIZE_MAX;
  for (std::u16string_view Item : Items) {
    const RefLine Line = CutLine(Item);
    if (!Line.HasSeparator || !Line.Numbered) continue;
    const std::u16string_view Body = Line.Rest.substr(0, Line.Rest.size() - BreakOf(Item).size());
    const size_t Indent = std::min(Body.find_first_not_of(u" \t"), Body.size());
    if (Indent < Body.size()) MinIndent = std::min(MinIndent, Indent);
  }
  if (MinIndent == SIZE_MAX || MinIndent == 0) return std::u16string(Text);
  std::u16string Out;
  for (std::u16string_view Item : Items) {
    const RefLine Line = CutLine(Item);
    if (!Line.HasSeparator || !Line.Numbered) {
      Out += Item;
      continue;
    }
    const std::u16string_view Break = BreakOf(Item);
    // Lines with text keep everything after their indentation; blank ones keep at most
    // what lies beyond MinIndent of their blanks.
    const std::u16string_view Body = Line.Rest.substr(0, Line.Rest.size() - Break.size());
    Out += Line.Head;
    Out += u':';
    if (Body.size() > MinIndent) Out += Body.substr(MinIndent);
    Out += Break;
  }
  return Out;
}

// The value written in a number field, sign column and blanks included; false when the
// field is not a well-formed number.
inline bool ParseField(std::u16string_view Field, int64_t& Value) {
  size_t P = 0;
  while (P < Field.size() && Field[P] == u' ') ++P;
  bool Negative = false;
  if (P < Field.size() && (Field[P] == u'-' || Field[P] == u'+')) Negative = Field[P++] == u'-';
  if (P == Field.size()) return false;
  uint64_t Magnitude = 0;
  for (; P < Field.size(); ++P) {
    if (Field[P] < u'0' || Field[P] > u'9') return false;
    if (Magnitude > (UINT64_MAX - 9) / 10) return false;  // longer than any int64_t
    Magnitude = Magnitude * 10 + (Field[P] - u'0');
  }
  const uint64_t Limit = uint64_t{INT64_MAX} + (Negative ? 1 : 0);
  if (Magnitude > Limit) return false;
  // Negated in unsigned arithmetic: -INT64_MIN has no int64_t form.
  Value = static_cast<int64_t>(Negative ? uint64_t{0} - Magnitude : Magnitude);
  return true;
}

inline int64_t ValueAt(int32_t Start, int32_t Step, int64_t K) {
  return int64_t{Start} + int64_t{Step} * K;
}

inline int64_t ValueOfLine(int32_t Start, int32_t Step, size_t I, size_t N,
                           TLineNumberOptions Options) {
  const size_t K = (Options & lnoReverse) != 0 ? N - 1 - I : I;
  return ValueAt(Start, Step, static_cast<int64_t>(K));
}

inline size_t DecimalLength(int64_t V) {
  uint64_t M = V < 0 ? uint64_t{0} - static_cast<uint64_t>(V) : static_cast<uint64_t>(V);
  size_t Length = 1;
  while (M >= 10) {
    M /= 10;
    ++Length;
  }
  return Length;
}

// What every insertion must satisfy: one prefix of exactly PrefixWidth per line, ending
// with ":", followed by the untouched line; the prefix holds the right value.
inline std::string CheckPrefixes(std::u16string_view Text, std::u16string_view Result,
                                 int32_t PrefixWidth, int32_t Start, int32_t Step,
                                 TLineNumberOptions Options) {
  const std::vector<std::u16string_view> In = SplitLines(Text);
  const std::vector<std::u16string_view> Out = SplitLines(Result);
  if (In.size() != Out.size()) {
    return "line count " + std::to_string(Out.size()) + " instead of " + std::to_string(In.size());
  }
  if (PrefixWidth < 2) return "prefix width " + std::to_string(PrefixWidth);
  const size_t Width = static_cast<size_t>(PrefixWidth);
  for (size_t I = 0; I < In.size(); ++I) {
    const std::string Where = "line " + std::to_string(I) + " '" + Printable(Out[I]) + "': ";
    if (Out[I].size() != Width + In[I].size()) return Where + "length";
    if (Out[I][Width - 1] != u':') return Where + "no ':' at the prefix width";
    if (Out[I].substr(Width) != In[I]) return Where + "text after the prefix changed";
    int64_t Value = 0;
    if (!ParseField(Out[I].substr(0, Width - 1), Value)) return Where + "malformed number";
    if (Value != ValueOfLine(Start, Step, I, In.size(), Options)) return Where + "wrong value";
  }
  return {};
}

inline std::string CheckAddLineNumbers(std::u16string_view Text, int32_t Start, int32_t Step,
                                       TLineNumberOptions Options) {
  int32_t PrefixWidth = -7;
  const std::u16string Result = AddLineNumbers(Text, Start, Step, Options, PrefixWidth);
  if (Text.empty()) {
    return Result.empty() && PrefixWidth == -7 ? "" : "empty text changed the result or width";
  }
  if (std::string E = CheckPrefixes(Text, Result, PrefixWidth, Start, Step, Options); !E.empty()) {
    return E;
  }
  // The field is exactly as wide as the widest number: sign included, "+" only with
  // lnoPlusSign above zero.
  const bool Plus = (Options & lnoPlusSign) != 0;
  const size_t N = SplitLines(Text).size();
  size_t Widest = 0;
  bool AllNonNegative = true;
  for (size_t K = 0; K < N; ++K) {
    const int64_t V = ValueAt(Start, Step, static_cast<int64_t>(K));
    Widest = std::max(Widest, DecimalLength(V) + (V < 0 || (Plus && V > 0) ? 1 : 0));
    AllNonNegative = AllNonNegative && V >= 0;
  }
  if (static_cast<size_t>(PrefixWidth) != Widest + 1) return "prefix width not the widest";
  const std::vector<std::u16string_view> Lines = SplitLines(Result);
  for (size_t I = 0; I < Lines.size(); ++I) {
    const int64_t V = ValueOfLine(Start, Step, I, N, Options);
    std::u16string_view Field = Lines[I].substr(0, Widest);
    Field.remove_prefix(std::min(Field.find_first_not_of(u' '), Field.size()));
    const char16_t Sign = V < 0 ? u'-' : (Plus && V > 0 ? u'+' : u'\0');
    if (Sign != u'\0') {
      if (Field.empty() || Field[0] != Sign) return "line " + std::to_string(I) + ": sign";
      Field.remove_prefix(1);
    }
    if (Field.size() != DecimalLength(V)) {
      return "line " + std::to_string(I) + ": not blank-aligned digits";
    }
  }
  if (AllNonNegative && !Plus && DeleteLineNumbers(Result) != Text) {
    return "DeleteLineNumbers does not give the text back";
  }
  return {};
}

inline std::string CheckAddPaddedLineNumbers(std::u16string_view Text, int32_t Start,
                                             int32_t Digits, int32_t Step,
                                             TLineNumberOptions Options) {
  int32_t PrefixWidth = -7;
  const std::u16string Result =
      AddPaddedLineNumbers(Text, Start, Digits, Step, Options, PrefixWidth);
  if (Text.empty()) {
    return Result.empty() && PrefixWidth == -7 ? "" : "empty text changed the result or width";
  }
  if (std::string E = CheckPrefixes(Text, Result, PrefixWidth, Start, Step, Options); !E.empty()) {
    return E;
  }
  const bool Plus = (Options & lnoPlusSign) != 0;
  const size_t N = SplitLines(Text).size();
  size_t DigitWidth = static_cast<size_t>(Digits);
  bool AnyNegative = false;
  for (size_t K = 0; K < N; ++K) {
    const int64_t V = ValueAt(Start, Step, static_cast<int64_t>(K));
    DigitWidth = std::max(DigitWidth, DecimalLength(V));
    AnyNegative = AnyNegative || V < 0;
  }
  const bool SignColumn = Plus || AnyNegative;
  if (static_cast<size_t>(PrefixWidth) != DigitWidth + 1 + (SignColumn ? 1 : 0)) {
    return "prefix width not digits + sign column + separator";
  }
  const std::vector<std::u16string_view> Lines = SplitLines(Result);
  for (size_t I = 0; I < Lines.size(); ++I) {
    const int64_t V = ValueOfLine(Start, Step, I, N, Options);
    std::u16string_view Field = Lines[I].substr(0, static_cast<size_t>(PrefixWidth) - 1);
    if (SignColumn) {
      const char16_t Expected = V < 0 ? u'-' : (Plus && V > 0 ? u'+' : u' ');
      if (Field[0] != Expected) return "line " + std::to_string(I) + ": wrong sign column";
      Field.remove_prefix(1);
    }
    if (Field.find_first_not_of(u"0123456789") != std::u16string_view::npos) {
      return "line " + std::to_string(I) + ": digits not zero-filled";
    }
  }
  if (!AnyNegative && !Plus && DeleteLineNumbers(Result) != Text) {
    return "DeleteLineNumbers does not give the text back";
  }
  return {};
}

inline std::string CheckDeleteLineNumbers(std::u16string_view Text) {
  for (std::u16string_view Item : SplitLines(Text)) {
    const RefLine Line = CutLine(Item);
    if (IsLineNumberHead(Line.Head) != Line.Numbered) {
      return "IsLineNumberHead wrong for '" + Printable(Line.Head) + "'";
    }
  }
  if (DeleteLineNumbers(Text) != RefDeleteLineNumbers(Text)) return "differs from the reference";
  return {};
}

inline std::string CheckDeleteNumberOnlyLines(std::u16string_view Text) {
  const std::u16string Result = DeleteNumberOnlyLines(Text);
  if (Result != RefDeleteNumberOnlyLines(Text)) return "differs from the reference";
  return {};
}

inline std::string CheckDeleteIndentAfterNumber(std::u16string_view Text) {
  const std::u16string Result = DeleteIndentAfterNumber(Text);
  if (Result != RefDeleteIndentAfterNumber(Text)) return "differs from the reference";
  // After one pass some numbered line with text starts right after its ":".
  if (DeleteIndentAfterNumber(Result) != Result) return "a second pass changes the text";
  // Only text after the separators goes, so numbers and line structure survive.
  if (SplitLines(Result).size() != SplitLines(Text).size()) return "line count changed";
  return {};
}

}  // namespace engine_oracle
