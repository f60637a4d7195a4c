#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <span>
#include <string_view>

// Length32() — S's length for the 1-based int32 position arithmetic of the string routines;
// a longer string saturates at 2147483647.
[[nodiscard]] inline int32_t Length32(std::u16string_view S) {
  return static_cast<int32_t>(
      std::min<size_t>(S.size(), static_cast<size_t>(std::numeric_limits<int32_t>::max())));
}

// How two characters compare: only cmIgnoreCase folds, and it folds ASCII 'a'..'z' to
// 'A'..'Z' alone; any other value compares code units exactly.
enum TCaseMode : uint8_t { cmExact = 0, cmIgnoreCase = 1 };

// Scan direction of FindPatterns(); any other value finds nothing.
enum TSearchDirection : uint8_t { sdForward = 0, sdBackward = 1 };

// Result of FindPatterns(): 1-based Position (0 = none) and 0-based PatternIndex (-1 = none).
struct TPatternMatch {
  int32_t Position = 0;
  int32_t PatternIndex = -1;
};

// FindPatterns() — first match of any pattern inside the window of Count characters that
// starts at StartPos (1-based). The window end wraps like 32-bit arithmetic and is clamped
// to the text, so Count = 2147483647 reaches the end for every StartPos. At one position
// the earlier pattern wins; a pattern longer than the room left in the window is skipped.
// Empty text, StartPos outside the text, Count < 1 or only empty patterns find nothing.
[[nodiscard]] TPatternMatch FindPatterns(std::span<const std::u16string_view> Patterns,
                                         std::u16string_view Text, int32_t StartPos, int32_t Count,
                                         TCaseMode CaseMode, TSearchDirection Direction);
[[nodiscard]] TPatternMatch FindPatterns(std::initializer_list<std::u16string_view> Patterns,
                                         std::u16string_view Text, int32_t StartPos, int32_t Count,
                                         TCaseMode CaseMode, TSearchDirection Direction);

// FindPattern() — 1-based position of the first occurrence of Pattern in the window, 0 if none.
// FindPattern(u"ab", u"xabab", cmExact, 3, 2147483647) == 4
[[nodiscard]] int32_t FindPattern(std::u16string_view Pattern, std::u16string_view Text,
                                  TCaseMode CaseMode, int32_t StartPos, int32_t Count);
