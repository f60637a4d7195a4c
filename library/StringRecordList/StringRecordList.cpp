#include "library/StringRecordList/StringRecordList.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <iterator>
#include <memory>

#include "library/LineBreak/LineBreak.h"
#include "library/SimdUnit/Vector.h"

namespace {

using TCell = std::u16string;

// Position of the first unit in Data[From, L) equal to one of the first N of Units, else L.
template <size_t N>
size_t FindAnyOfScalar(const char16_t* Data, size_t From, size_t L, const char16_t (&Units)[4]) {
  static_assert(N >= 1 && N <= 4);
  for (size_t P = From; P < L; ++P) {
    const char16_t C = Data[P];
    for (size_t K = 0; K < N; ++K)
      if (C == Units[K]) return P;
  }
  return L;
}

}  // namespace

#if CORVANE_SIMD_X86
// clang-format off
CORVANE_SIMD_BEGIN(sse2, "sse2")
#include "library/StringRecordList/FindAnyOf.inc"
CORVANE_SIMD_END
CORVANE_SIMD_BEGIN(avx2, "avx2")
#include "library/StringRecordList/FindAnyOf.inc"
CORVANE_SIMD_END
// clang-format on
#endif

namespace {

template <size_t N>
using TFindAnyOf = size_t (*)(const char16_t* Data, size_t From, size_t L,
                              const char16_t (&Units)[4]);

// By TSimdLevel; SSSE3 adds nothing this needs.
template <size_t N>
constexpr TFindAnyOf<N> Finders[] = {
    FindAnyOfScalar<N>,
#if CORVANE_SIMD_X86
    simd_sse2::FindAnyOf<N>,
    nullptr,
    simd_avx2::FindAnyOf<N>,
#endif
};

// FindAnyOfScalar() by the vector code chosen once for the CPU.
template <size_t N>
size_t FindAnyOf(const char16_t* Data, size_t From, size_t L, const char16_t (&Units)[4]) {
  static const TFindAnyOf<N> Best = SimdBest(Finders<N>);
  return Best(Data, From, L, Units);
}

}  // namespace

TRecordList::~TRecordList() {
  Clear();
}

int32_t TRecordList::Add(std::u16string Item) {
  // The cell is owned here until the pointer list holds it, so a fault cannot leak it.
  auto NewCell = std::make_unique<TCell>(std::move(Item));
  const int32_t Index = FList.Add(NewCell.get());
  NewCell.release();
  return Index;
}

void TRecordList::Insert(int32_t Index, std::u16string Item) {
  auto NewCell = std::make_unique<TCell>(std::move(Item));
  FList.Insert(Index, NewCell.get());
  NewCell.release();
}

void TRecordList::Delete(int32_t Index) {
  TCell* Item = Cell(Index);  // checks the index before anything changes
  FList.Delete(Index);
  delete Item;
}

void TRecordList::Clear() {
  for (int32_t i = 0; i < FList.Count(); ++i) delete Cell(i);
  FList.SetCount(0);  // the cells are gone: only the pointers are dropped here
  FList.Clear();
}

void TRecordList::Exchange(int32_t Index1, int32_t Index2) {
  FList.Exchange(Index1, Index2);
}

void TRecordList::Move(int32_t CurIndex, int32_t NewIndex) {
  FList.Move(CurIndex, NewIndex);
}

void TRecordList::Assign(const TRecordList* Source) {
  // Assigning a list to itself would clear it before reading it; it is left as it is.
  if (Source == nullptr || Source == this) return;
  Clear();
  for (int32_t i = 0; i < Source->Count(); ++i) Add(Source->Items(i));
}

int32_t TRecordList::IndexOf(std::u16string_view Value) const {
  for (int32_t i = 0; i < FList.Count(); ++i)
    if (*Cell(i) == Value) return i;
  return -1;
}

void TRecordList::SetCount(int32_t NewCount) {
  // A count beyond the list limit can never be reached: fault before creating any cell.
  if (NewCount > MaxListSize) TListClone::Error(SListCountError, NewCount);
  const int32_t OldCount = Count();
  if (NewCount < OldCount) {
    // A negative count deletes every item and then faults on index -1.
    for (int32_t i = OldCount - 1; i >= NewCount; --i) Delete(i);
  } else {
    for (int32_t i = OldCount; i < NewCount; ++i) Add(std::u16string());
  }
}

const std::u16string& TRecordList::Items(int32_t Index) const {
  return *Cell(Index);
}

void TRecordList::SetItems(int32_t Index, std::u16string Value) {
  *Cell(Index) = std::move(Value);
}

std::u16string TCommonStringRecordList::Text() const {
  size_t Total = 0;
  for (int32_t i = 0; i < Count(); ++i) Total += Cell(i)->size();
  std::u16string Result(Total, u'\0');  // measured first: one allocation
  char16_t* Out = Result.data();
  for (int32_t i = 0; i < Count(); ++i) {
    const TCell& Item = *Cell(i);
    Out = std::copy(Item.begin(), Item.end(), Out);
  }
  return Result;
}

void TCommonStringRecordList::SetText(std::u16string_view Value) {
  Clear();
  ForEachLine(Value, true, [this](std::u16string_view Line) { Add(std::u16string(Line)); });
}

std::u16string TCommonStringRecordList::GetDelimitedText(std::u16string_view Delimiter) const {
  const int32_t N = Count();
  if (N == 0) return std::u16string();
  size_t Total = Delimiter.size() * static_cast<size_t>(N - 1);
  for (int32_t i = 0; i < N; ++i) Total += Cell(i)->size();
  std::u16string Result;
  Result.reserve(Total);
  for (int32_t i = 0; i < N; ++i) {
    if (i > 0) Result.append(Delimiter);
    Result.append(*Cell(i));
  }
  return Result;
}

void TCommonStringRecordList::SetDelimitedText(std::u16string_view Value,
                                               std::span<const std::u16string_view> Delimiters) {
  SplitText(Value, Delimiters, smDrop);
}

void TCommonStringRecordList::SetDelimitedText(
    std::u16string_view Value, std::initializer_list<std::u16string_view> Delimiters) {
  SplitText(Value, std::span<const std::u16string_view>(Delimiters.begin(), Delimiters.size()),
            smDrop);
}

void TCommonStringRecordList::SplitText(std::u16string_view S,
                                        std::span<const std::u16string_view> Delimiters,
                                        TSplitMode Mode) {
  Clear();
  ForEachPiece(S, Delimiters, Mode,
               [this](std::u16string_view Piece) { Add(std::u16string(Piece)); });
}

TDelimiterFinder::TDelimiterFinder(std::span<const std::u16string_view> Delimiters)
    : FDelimiters(Delimiters) {
  for (std::u16string_view D : Delimiters) {
    if (D.empty()) continue;
    FMayStart[D[0] & 0xFF] = true;
    if (std::find(FFirst, FFirst + FFirstCount, D[0]) != FFirst + FFirstCount) continue;
    if (FFirstCount == std::size(FFirst)) {
      FManyFirst = true;
    } else {
      FFirst[FFirstCount++] = D[0];
    }
  }
  // Repeats compare equal to a unit already looked for, so all four slots can be tested.
  for (size_t i = FFirstCount; i > 0 && i < std::size(FFirst); ++i) FFirst[i] = FFirst[i - 1];
}

size_t TDelimiterFinder::MatchAt(std::u16string_view S, size_t P) const {
  const char16_t C = S[P];
  const size_t Room = S.size() - P;
  for (std::u16string_view D : FDelimiters) {
    if (D.empty() || D[0] != C || D.size() > Room) continue;
    // Delimiters are short: a plain loop, not a library compare call.
    size_t K = 1;
    while (K < D.size() && D[K] == S[P + K]) ++K;
    if (K == D.size()) return D.size();
  }
  return 0;
}

TDelimiterMatch TDelimiterFinder::Next(std::u16string_view S, size_t From) const {
  const size_t L = S.size();
  const char16_t* const Data = S.data();
  size_t P = From;
  if (FManyFirst) {
    for (; P < L; ++P) {
      if (!FMayStart[Data[P] & 0xFF]) continue;
      if (const size_t Length = MatchAt(S, P)) return {P, Length};
    }
    return {L, 0};
  }
  if (FFirstCount == 0) return {L, 0};
  // Line breaks have two distinct first units; the narrower search is worth its branch.
  for (;; ++P) {
    P = FFirstCount <= 2 ? FindAnyOf<2>(Data, P, L, FFirst) : FindAnyOf<4>(Data, P, L, FFirst);
    if (P == L) return {L, 0};
    if (const size_t Length = MatchAt(S, P)) return {P, Length};
  }
}

std::vector<std::u16string_view> SplitPieces(std::u16string_view S,
                                             std::span<const std::u16string_view> Delimiters,
                                             TSplitMode Mode) {
  std::vector<std::u16string_view> Pieces;
  ForEachPiece(S, Delimiters, Mode,
               [&Pieces](std::u16string_view Piece) { Pieces.push_back(Piece); });
  return Pieces;
}

std::vector<std::u16string_view> SplitLines(std::u16string_view Text) {
  std::vector<std::u16string_view> Lines;
  ForEachLine(Text, true, [&Lines](std::u16string_view Line) { Lines.push_back(Line); });
  return Lines;
}

void CheckLineCount(uint64_t Count) {
  if (Count > static_cast<uint64_t>(MaxListSize))
    TListClone::Error(SListCapacityError, MaxListSize);
}
