#include "library/StringUnit/StringUnit.h"

#include <algorithm>
#include <limits>

#include "library/LineBreak/LineBreak.h"
#include "library/MathUnit/MathUnit.h"

namespace {

constexpr int32_t WholeText = std::numeric_limits<int32_t>::max();

char16_t FoldCase(char16_t C) {
  return (C >= u'a' && C <= u'z') ? char16_t(C - 0x20) : C;
}

// The one deletion rule: nothing when Index is outside S or Count <= 0; the count is cut
// at the end of S.
std::u16string DeleteRange(std::u16string_view S, int32_t Index, int32_t Count) {
  const int32_t Len = Length32(S);
  std::u16string Result(S);
  if (Index < 1 || Index > Len || Count <= 0) return Result;
  const int32_t N = std::min<int64_t>(Count, int64_t{Len} - Index + 1);
  Result.erase(static_cast<size_t>(Index - 1), static_cast<size_t>(N));
  return Result;
}

}  // namespace

bool SameCharsAt(std::u16string_view S1, std::u16string_view S2, int32_t Pos1, int32_t Pos2,
                 int32_t Count, TCaseMode CaseMode) {
  if (Count <= 0) return true;
  if (Pos1 < 1 || Pos2 < 1 || int64_t{Pos1} - 1 + Count > Length32(S1) ||
      int64_t{Pos2} - 1 + Count > Length32(S2))
    return false;
  const char16_t* A = S1.data() + (Pos1 - 1);
  const char16_t* B = S2.data() + (Pos2 - 1);
  if (CaseMode == cmIgnoreCase) {
    for (int32_t i = 0; i < Count; ++i)
      if (FoldCase(A[i]) != FoldCase(B[i])) return false;
    return true;
  }
  return std::equal(A, A + Count, B);
}

bool MatchesAt(std::u16string_view Pattern, std::u16string_view Text, int32_t Pos,
               TCaseMode CaseMode) {
  if (Text.empty() || Pattern.empty()) return false;
  const int32_t PatternLength = Length32(Pattern);
  if (!IsInRange(1, Pos, Length32(Text) - PatternLength + 1)) return false;
  return SameCharsAt(Pattern, Text, 1, Pos, PatternLength, CaseMode);
}

bool StartsWithStr(std::u16string_view S, std::u16string_view Prefix, TCaseMode CaseMode) {
  return MatchesAt(Prefix, S, 1, CaseMode);
}

bool EndsWithStr(std::u16string_view S, std::u16string_view Suffix, TCaseMode CaseMode) {
  return MatchesAt(Suffix, S, Length32(S) - Length32(Suffix) + 1, CaseMode);
}

std::u16string RemoveSuffix(std::u16string_view S, std::u16string_view Suffix, TCaseMode CaseMode) {
  if (!EndsWithStr(S, Suffix, CaseMode)) return std::u16string(S);
  return DeleteRange(S, Length32(S) - Length32(Suffix) + 1, Length32(Suffix));
}

std::u16string TextBefore(std::u16string_view S, std::u16string_view Pattern) {
  const int32_t P = FindPattern(Pattern, S, cmExact, 1, WholeText);
  if (P == 0) return std::u16string(S);
  return std::u16string(S.substr(0, static_cast<size_t>(P - 1)));
}

std::u16string TextAfter(std::u16string_view S, std::u16string_view Pattern) {
  const int32_t P = FindPattern(Pattern, S, cmExact, 1, WholeText);
  if (P == 0) return std::u16string(S);
  return DeleteRange(S, 1, P + Length32(Pattern) - 1);
}

std::u16string BeforeFirst(std::u16string_view Pattern, std::u16string_view S) {
  return TextBefore(S, Pattern);
}

std::u16string AfterFirst(std::u16string_view Pattern, std::u16string_view S) {
  return TextAfter(S, Pattern);
}

bool IsCharOf(char16_t Ch, std::u16string_view Chars) {
  return Chars.find(Ch) != std::u16string_view::npos;
}

TCharSetMatch ClassifyChars(std::u16string_view Text, std::u16string_view Chars) {
  if (Text.empty() || Chars.empty()) return csmEmpty;
  const bool First = IsCharOf(Text[0], Chars);
  for (size_t i = 1; i < Text.size(); ++i)
    if (IsCharOf(Text[i], Chars) != First) return csmMixed;
  return First ? csmAll : csmNone;
}

int32_t CountLeadingChars(std::u16string_view S, std::u16string_view Chars) {
  int32_t N = 0;
  const int32_t Len = Length32(S);
  while (N < Len && IsCharOf(S[static_cast<size_t>(N)], Chars)) ++N;
  return N;
}

std::u16string TrimLeftChars(std::u16string_view S, std::u16string_view Chars) {
  return std::u16string(S.substr(static_cast<size_t>(CountLeadingChars(S, Chars))));
}

int32_t CountTrailingChars(std::u16string_view S, std::u16string_view Chars) {
  int32_t N = 0;
  const int32_t Len = Length32(S);
  while (N < Len && IsCharOf(S[static_cast<size_t>(Len - 1 - N)], Chars)) ++N;
  return N;
}

std::u16string TrimRightChars(std::u16string_view S, std::u16string_view Chars) {
  return std::u16string(
      S.substr(0, static_cast<size_t>(Length32(S) - CountTrailingChars(S, Chars))));
}

TLineBreakKind GetLineBreakKind(std::u16string_view S) {
  switch (LineBreakLength(S)) {
    case 2:
      return lbCRLF;
    case 1:
      return S.back() == u'\n' ? lbLF : lbCR;
    default:
      return lbNone;
  }
}

std::u16string LineBreakText(TLineBreakKind Kind) {
  switch (Kind) {
    case lbCRLF:
      return u"\r\n";
    case lbCR:
      return u"\r";
    case lbLF:
      return u"\n";
    default:
      return std::u16string();
  }
}

void RemoveLineBreak(std::u16string& S) {
  DeleteLast(S, Length32(LineBreakText(GetLineBreakKind(S))));
}

std::u16string WithoutLineBreak(std::u16string_view S) {
  std::u16string Result(S);
  RemoveLineBreak(Result);
  return Result;
}

std::u16string ChangeLineBreak(std::u16string_view S, TLineBreakKind Kind) {
  std::u16string Result = WithoutLineBreak(S);
  Result += LineBreakText(Kind);
  return Result;
}

std::u16string CopyRange(std::u16string_view S, int32_t FromPos, int32_t ToPos) {
  const int32_t Len = Length32(S);
  if (FromPos < 1) FromPos = 1;
  if (ToPos > Len) ToPos = Len;
  if (ToPos < FromPos) return std::u16string();
  return std::u16string(
      S.substr(static_cast<size_t>(FromPos - 1), static_cast<size_t>(ToPos - FromPos + 1)));
}

std::u16string DeleteCopy(std::u16string_view S, int32_t Index, int32_t Count) {
  return DeleteRange(S, Index, Count);
}

void DeleteLast(std::u16string& S, int32_t N) {
  const int32_t Len = Length32(S);
  if (N >= 1 && N <= Len) S.erase(S.size() - static_cast<size_t>(N));
}
