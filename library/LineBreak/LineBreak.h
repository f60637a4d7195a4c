#pragma once
// The line-break rule, in one place for the whole project: a line ends after CR LF, a lone CR
// or a lone LF, and the text after the last break is one more line. Generic over the code
// unit: char16_t for UTF-16 text, char for UTF-8 and code page 932 bytes, where CR and LF never
// occur inside a multi-byte character.

#include <algorithm>
#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <type_traits>

#include "library/SimdUnit/SimdUnit.h"

template <typename TChar>
concept LineUnit = std::same_as<TChar, char> || std::same_as<TChar, char16_t>;

namespace line_break_detail {

// For each of Blocks blocks of 64 units at P: bit I of CR[B] (LF[B]) set when unit I of block
// B is a CR (an LF). Vector code chosen once for the CPU (LineBreak.cpp).
template <LineUnit TChar>
void BreakMasks(const TChar* P, size_t Blocks, uint64_t* CR, uint64_t* LF);

// BreakMasks() and CountLineEnds() by the implementation of Level (scalar, SSE2 or AVX2), so
// tests can run each one; a Level that is not available runs the scalar one.
[[nodiscard]] bool BreakMasksAvailable(TSimdLevel Level);
template <LineUnit TChar>
void BreakMasksWith(TSimdLevel Level, const TChar* P, size_t Blocks, uint64_t* CR, uint64_t* LF);

// Blocks of 64 units whose masks one call computes.
constexpr size_t MaskBlocks = 8;

// The lines that end in Blocks blocks of 64 units at P, as CountLines() counts them: one per LF
// and per CR without an LF after it. CarriedCR: the unit before P is a CR; on return, the last
// unit counted is. Vector code chosen once for the CPU (LineBreak.cpp).
template <LineUnit TChar>
uint64_t CountLineEnds(const TChar* P, size_t Blocks, uint64_t& CarriedCR);
template <LineUnit TChar>
uint64_t CountLineEndsWith(TSimdLevel Level, const TChar* P, size_t Blocks, uint64_t& CarriedCR);

// The index of the lowest set bit of M, which is not 0. In 32-bit builds std::countr_zero of 64
// bits is a library call; two halves are not.
inline size_t LowestBit(uint64_t M) {
  if constexpr (sizeof(size_t) < sizeof(uint64_t)) {
    const auto Low = static_cast<uint32_t>(M);
    return Low != 0 ? static_cast<size_t>(std::countr_zero(Low))
                    : 32 + static_cast<size_t>(std::countr_zero(static_cast<uint32_t>(M >> 32)));
  } else {
    return static_cast<size_t>(std::countr_zero(M));
  }
}

template <LineUnit TChar>
constexpr bool IsBreakUnit(TChar C) {
  return C == TChar('\r') || C == TChar('\n');
}

}  // namespace line_break_detail

// ForEachLine() — hands Visit every line of Text in order, each with its own break, as views
// over Text, and returns where the visited lines end. A Visit that returns bool stops the walk
// by returning false. With AtEnd, the text after the last
// break is the last line and the result is Text.size(). Without AtEnd, Text is the head of a
// longer text: its last line without a break, and a CR at its very end (an LF may follow), are
// left unvisited for the caller to carry over, so a text cut anywhere splits as the whole does.
//   ForEachLine(u"a\r\n\nb\r", true, V) visits u"a\r\n", u"\n", u"b\r"
//   ForEachLine(u"a\nb\r", false, V) visits u"a\n" and returns 2
template <LineUnit TChar, typename TVisit>
size_t ForEachLine(std::basic_string_view<TChar> Text, bool AtEnd, TVisit&& Visit) {
  const TChar* const P = Text.data();
  const size_t N = Text.size();
  size_t Start = 0;
  // A CR or LF at I ends a line, unless it is the LF of a CR LF already taken, a CR whose LF
  // follows (the LF ends the line) or a CR at the end of an unfinished text.
  auto Break = [&](size_t I) {
    if (I < Start) return true;
    if (P[I] == TChar('\r')) {
      if (I + 1 == N) {
        if (!AtEnd) return false;
      } else if (P[I + 1] == TChar('\n')) {
        ++I;
      }
    }
    const std::basic_string_view<TChar> Line = Text.substr(Start, I + 1 - Start);
    Start = I + 1;
    if constexpr (std::is_same_v<decltype(Visit(Line)), bool>) {
      return Visit(Line);
    } else {
      Visit(Line);
      return true;
    }
  };
  uint64_t CR[line_break_detail::MaskBlocks], LF[line_break_detail::MaskBlocks];
  size_t Block = 0;
  while (N - Block >= 64) {
    const size_t Blocks = std::min(line_break_detail::MaskBlocks, (N - Block) / 64);
    line_break_detail::BreakMasks(P + Block, Blocks, CR, LF);
    for (size_t B = 0; B < Blocks; ++B, Block += 64) {
      for (uint64_t M = CR[B] | LF[B]; M != 0; M &= M - 1) {
        if (!Break(Block + line_break_detail::LowestBit(M))) return Start;
      }
    }
  }
  for (size_t I = Block; I < N; ++I) {
    if (line_break_detail::IsBreakUnit(P[I]) && !Break(I)) return Start;
  }
  if (AtEnd && Start < N) {
    Visit(Text.substr(Start));
    Start = N;
  }
  return Start;
}

// CompleteLinesEnd() — where the last line of Text that surely ends in Text ends: after its
// last LF, or after its last CR that is not Text's final unit. 0 when there is none. Scans
// backwards, so it costs about one line.  CompleteLinesEnd(u"a\r\nb\r") == 3
template <LineUnit TChar>
size_t CompleteLinesEnd(std::basic_string_view<TChar> Text) {
  size_t I = Text.size();
  if (I > 0 && Text[I - 1] == TChar('\r')) --I;
  while (I > 0 && !line_break_detail::IsBreakUnit(Text[I - 1])) --I;
  return I;
}

// CountLines() — the number of lines ForEachLine() visits in the whole Text: one per LF and
// per CR without an LF after it, and one for text after the last break. Counted from the
// masks of 64 units at a time, without visiting the lines.
template <LineUnit TChar>
uint64_t CountLines(std::basic_string_view<TChar> Text) {
  const TChar* const P = Text.data();
  const size_t N = Text.size();
  uint64_t CarriedCR = 0;
  uint64_t Count = line_break_detail::CountLineEnds(P, N / 64, CarriedCR);
  for (size_t I = N / 64 * 64; I < N; ++I) {
    if (P[I] == TChar('\n')) {
      Count += (I > 0 && P[I - 1] == TChar('\r')) ? 0 : 1;
    } else if (P[I] == TChar('\r')) {
      ++Count;
    }
  }
  if (N > 0 && !line_break_detail::IsBreakUnit(P[N - 1])) ++Count;
  return Count;
}

// CountLinesUnlessLoneCR() — CountLines(Text) when every break in Text is an LF or a CR LF;
// nothing when a CR stands without an LF after it (one at the very end included). One reading
// of the masks tells both.
template <LineUnit TChar>
std::optional<uint64_t> CountLinesUnlessLoneCR(std::basic_string_view<TChar> Text) {
  using line_break_detail::MaskBlocks;
  const TChar* const P = Text.data();
  const size_t N = Text.size();
  const size_t Whole = N / 64;
  uint64_t CR[MaskBlocks];
  uint64_t LF[MaskBlocks];
  uint64_t Count = 0;
  for (size_t First = 0; First < Whole; First += MaskBlocks) {
    const size_t Blocks = std::min(MaskBlocks, Whole - First);
    line_break_detail::BreakMasks(P + First * 64, Blocks, CR, LF);
    for (size_t B = 0; B < Blocks; ++B) {
      // Bit I: unit I + 1 is an LF; after a block's last unit comes the next block's first.
      const size_t Next = (First + B + 1) * 64;
      const uint64_t NextLF = Next < N && P[Next] == TChar('\n') ? uint64_t{1} << 63 : 0;
      if ((CR[B] & ~((LF[B] >> 1) | NextLF)) != 0) return std::nullopt;
      Count += static_cast<uint64_t>(std::popcount(LF[B]));
    }
  }
  for (size_t I = Whole * 64; I < N; ++I) {
    if (P[I] == TChar('\n')) {
      ++Count;
    } else if (P[I] == TChar('\r') && (I + 1 == N || P[I + 1] != TChar('\n'))) {
      return std::nullopt;
    }
  }
  if (N > 0 && !line_break_detail::IsBreakUnit(P[N - 1])) ++Count;
  return Count;
}

// LineBreakLength() — the length of the break that ends Line: 2 for CR LF, 1 for a lone CR or
// LF, 0 when it has none.
template <LineUnit TChar>
size_t LineBreakLength(std::basic_string_view<TChar> Line) {
  if (Line.empty() || !line_break_detail::IsBreakUnit(Line.back())) return 0;
  return Line.size() >= 2 && Line.back() == TChar('\n') && Line[Line.size() - 2] == TChar('\r') ? 2
                                                                                                : 1;
}
