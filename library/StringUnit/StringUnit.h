#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "library/StringSearchUnit/StringSearchUnit.h"

// Small string routines over UTF-16 code units. Positions are 1-based; every routine accepts
// any position, count and empty string and gives a defined result.

// Result of ClassifyChars().
enum TCharSetMatch : uint8_t { csmEmpty = 0, csmAll = 1, csmNone = 2, csmMixed = 3 };

// The line break at the end of a string.
enum TLineBreakKind : uint8_t { lbCRLF = 0, lbCR = 1, lbLF = 2, lbNone = 3 };

// Escape sequences and the characters they stand for, paired by index.
inline constexpr std::array<std::u16string_view, 5> EscapeSequences = {u"\\r", u"\\n", u"\\t",
                                                                       u"\\\\", u"\\"};
inline constexpr std::array<std::u16string_view, 5> EscapedChars = {u"\r", u"\n", u"\t", u"\\",
                                                                    u""};

// SameCharsAt() — true when Count characters of S1 from Pos1 equal those of S2 from Pos2
// (true for Count <= 0). Callers keep both ranges inside their strings; a range that leaves
// either string gives false rather than reading outside it.
[[nodiscard]] bool SameCharsAt(std::u16string_view S1, std::u16string_view S2, int32_t Pos1,
                               int32_t Pos2, int32_t Count, TCaseMode CaseMode);

// MatchesAt() — true when Pattern lies wholly in Text at Pos. Empty strings never match.
// MatchesAt(u"bc", u"abc", 2, cmExact) == true; at 3 it is false.
[[nodiscard]] bool MatchesAt(std::u16string_view Pattern, std::u16string_view Text, int32_t Pos,
                             TCaseMode CaseMode);

// StartsWithStr() / EndsWithStr() — false when either string is empty.
[[nodiscard]] bool StartsWithStr(std::u16string_view S, std::u16string_view Prefix,
                                 TCaseMode CaseMode);
[[nodiscard]] bool EndsWithStr(std::u16string_view S, std::u16string_view Suffix,
                               TCaseMode CaseMode);

// RemoveSuffix() — S without one trailing Suffix, or S unchanged. RemoveSuffix(u"a,b,,", u",") ==
// u"a,b,"
[[nodiscard]] std::u16string RemoveSuffix(std::u16string_view S, std::u16string_view Suffix,
                                          TCaseMode CaseMode);

// TextBefore() / TextAfter() — the text before / after the first Pattern; S unchanged when
// Pattern does not occur (or is empty). TextBefore(u"12:ab:x", u":") == u"12",
// TextAfter(u"12:ab:x", u":") == u"ab:x"
[[nodiscard]] std::u16string TextBefore(std::u16string_view S, std::u16string_view Pattern);
[[nodiscard]] std::u16string TextAfter(std::u16string_view S, std::u16string_view Pattern);
// The same with the pattern first: BeforeFirst(P, S) == TextBefore(S, P).
[[nodiscard]] std::u16string BeforeFirst(std::u16string_view Pattern, std::u16string_view S);
[[nodiscard]] std::u16string AfterFirst(std::u16string_view Pattern, std::u16string_view S);

// IsCharOf() — true when Ch equals a character of the set Chars.
[[nodiscard]] bool IsCharOf(char16_t Ch, std::u16string_view Chars);

// ClassifyChars() — whether all, none or some of Text's characters are in the set Chars;
// csmEmpty when Text or Chars is empty. ClassifyChars(u"12 3", u"1234567890 ") == csmAll
[[nodiscard]] TCharSetMatch ClassifyChars(std::u16string_view Text, std::u16string_view Chars);

// CountLeadingChars() / TrimLeftChars() — the run of set characters at the start of S.
[[nodiscard]] int32_t CountLeadingChars(std::u16string_view S, std::u16string_view Chars);
[[nodiscard]] std::u16string TrimLeftChars(std::u16string_view S, std::u16string_view Chars);
// CountTrailingChars() / TrimRightChars() — the run of set characters at the end of S.
[[nodiscard]] int32_t CountTrailingChars(std::u16string_view S, std::u16string_view Chars);
[[nodiscard]] std::u16string TrimRightChars(std::u16string_view S, std::u16string_view Chars);

// GetLineBreakKind() — the kind of the last line break of S only: u"a\n\r" is lbCR.
[[nodiscard]] TLineBreakKind GetLineBreakKind(std::u16string_view S);
// LineBreakText() — CR LF, CR, LF, or empty for lbNone and any other value.
[[nodiscard]] std::u16string LineBreakText(TLineBreakKind Kind);
// RemoveLineBreak() / WithoutLineBreak() — drop at most one trailing line break.
void RemoveLineBreak(std::u16string& S);
[[nodiscard]] std::u16string WithoutLineBreak(std::u16string_view S);
// ChangeLineBreak() — S's trailing break replaced by Kind's (added when S has none).
[[nodiscard]] std::u16string ChangeLineBreak(std::u16string_view S, TLineBreakKind Kind);

// CopyRange() — characters FromPos..ToPos, both included; FromPos below 1 counts as 1 and
// ToPos is cut at the end. CopyRange(u"abcdef", 0, 3) == u"abc"
[[nodiscard]] std::u16string CopyRange(std::u16string_view S, int32_t FromPos, int32_t ToPos);
// DeleteCopy() — S without Count characters at Index; nothing deleted when Index is outside
// S or Count <= 0; the count is cut at the end.
[[nodiscard]] std::u16string DeleteCopy(std::u16string_view S, int32_t Index, int32_t Count);
// DeleteLast() — removes the last N characters when 1 <= N <= length; otherwise nothing.
void DeleteLast(std::u16string& S, int32_t N);
