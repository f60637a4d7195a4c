#include "library/StringRecordList/StringRecordList.h"

#include <algorithm>
#include <array>
#include <memory>

namespace {

using TCell = std::u16string;

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
  SplitText(Value, LineBreaks, smAttach);
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
  const size_t L = S.size();

  // Low bytes of the delimiters' first code units: positions whose low byte is not among
  // them cannot start a delimiter and are passed over with one table look-up.
  std::array<bool, 256> MayStart{};
  for (std::u16string_view D : Delimiters)
    if (!D.empty()) MayStart[D[0] & 0xFF] = true;

  // Length of the first delimiter (in array order) that lies wholly in S at P, 0 if none.
  auto MatchAt = [&](size_t P) -> size_t {
    const char16_t C = S[P];
    for (std::u16string_view D : Delimiters) {
      if (D.empty() || D[0] != C || D.size() > L - P) continue;
      if (S.compare(P, D.size(), D) == 0) return D.size();
    }
    return 0;
  };
  auto AddPiece = [&](size_t From, size_t To) { Add(std::u16string(S.substr(From, To - From))); };

  size_t Start = 0;
  size_t P = 0;
  while (P < L) {
    while (P < L && !MayStart[S[P] & 0xFF]) ++P;
    if (P == L) break;
    const size_t DLength = MatchAt(P);
    if (DLength == 0) {
      ++P;
      continue;
    }
    switch (Mode) {
      case smAttach:
        AddPiece(Start, P + DLength);
        break;
      case smDrop:
        AddPiece(Start, P);
        break;
      case smDropSkipEmpty:
        if (P > Start) AddPiece(Start, P);
        break;
      case smSeparate:
        AddPiece(Start, P);
        AddPiece(P, P + DLength);
        break;
      case smSeparateSkipEmpty:
        if (P > Start) AddPiece(Start, P);
        AddPiece(P, P + DLength);
        break;
    }
    P += DLength;
    Start = P;
  }
  // The tail after the last delimiter; empty when the text ends with one.
  if (Mode == smDrop || Mode == smSeparate || Start < L) AddPiece(Start, L);
}
