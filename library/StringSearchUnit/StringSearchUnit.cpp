#include "library/StringSearchUnit/StringSearchUnit.h"

#include <algorithm>
#include <limits>

#include "library/StringUnit/StringUnit.h"

TPatternMatch FindPatterns(std::span<const std::u16string_view> Patterns, std::u16string_view Text,
                           int32_t StartPos, int32_t Count, TCaseMode CaseMode,
                           TSearchDirection Direction) {
  TPatternMatch Result;
  const int32_t TextLength = Length32(Text);
  if (TextLength == 0 || StartPos < 1 || StartPos > TextLength || Count < 1) return Result;
  if (std::all_of(Patterns.begin(), Patterns.end(),
                  [](std::u16string_view P) { return P.empty(); }))
    return Result;

  // The window end wraps as 32-bit two's complement; done unsigned to stay clear of overflow.
  int32_t EndPos =
      static_cast<int32_t>(static_cast<uint32_t>(StartPos) + static_cast<uint32_t>(Count) - 1u);
  if (EndPos < 0 || EndPos > TextLength) EndPos = TextLength;

  auto TryAt = [&](int32_t Pos) {
    const int32_t Room = EndPos - Pos + 1;
    for (size_t i = 0; i < Patterns.size(); ++i) {
      if (Length32(Patterns[i]) > Room) break;  // no later pattern is tried at this position
      // An exact match must start with the pattern's first character: skip the full test.
      if (CaseMode == cmExact && !Patterns[i].empty() && Patterns[i][0] != Text[Pos - 1]) continue;
      if (MatchesAt(Patterns[i], Text, Pos, CaseMode)) {
        Result.Position = Pos;
        Result.PatternIndex = static_cast<int32_t>(i);
        return true;
      }
    }
    return false;
  };

  if (Direction == sdForward) {
    for (int32_t Pos = StartPos; Pos <= EndPos; ++Pos)
      if (TryAt(Pos)) break;
  } else if (Direction == sdBackward) {
    for (int32_t Pos = EndPos; Pos >= StartPos; --Pos)
      if (TryAt(Pos)) break;
  }
  return Result;
}

TPatternMatch FindPatterns(std::initializer_list<std::u16string_view> Patterns,
                           std::u16string_view Text, int32_t StartPos, int32_t Count,
                           TCaseMode CaseMode, TSearchDirection Direction) {
  return FindPatterns(std::span<const std::u16string_view>(Patterns.begin(), Patterns.size()), Text,
                      StartPos, Count, CaseMode, Direction);
}

int32_t FindPattern(std::u16string_view Pattern, std::u16string_view Text, TCaseMode CaseMode,
                    int32_t StartPos, int32_t Count) {
  return FindPatterns(std::span<const std::u16string_view>(&Pattern, 1), Text, StartPos, Count,
                      CaseMode, sdForward)
      .Position;
}
