#include "library/TemplateList/ListClone.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "library/AssertUnit/AssertUnit.h"

int32_t GrownCapacity(int32_t Capacity) {
  int32_t Delta = 4;
  if (Capacity > 64)
    Delta = Capacity / 4;
  else if (Capacity > 8)
    Delta = 16;
  // Above the list limit the capacity setter faults; never let the sum wrap.
  if (Capacity > MaxListSize) return Capacity;
  return Capacity + Delta;
}

TListClone::~TListClone() {
  TListClone::Clear();
}

void TListClone::Error(std::u16string_view, int32_t) {
  // Every list fault is reported at this one place, whatever its text and value.
  AssertionFailed(u"Listエラー", u"TemplateList/ListClone", 127);
}

void TListClone::Error(const TListResString& Msg, int32_t Data) {
  TListClone::Error(Msg.Text, Data);
}

void TListClone::CheckIndex(int32_t Index, int32_t Limit) const {
  if (Index < 0 || Index >= Limit) Error(SListIndexError, Index);
}

void TListClone::GrowCapacity() {
  SetCapacity(GrownCapacity(FCapacity));
}

void TListClone::NotifyItem(void*, TListCloneNotifyAction) {}

void TListClone::SetCapacity(int32_t NewCapacity) {
  if (NewCapacity < FCount || NewCapacity > MaxListSize) Error(SListCapacityError, NewCapacity);
  if (NewCapacity == FCapacity) return;
  if (NewCapacity == 0) {
    std::free(FList);
    FList = nullptr;
  } else {
    void* Block = std::realloc(FList, static_cast<size_t>(NewCapacity) * sizeof(TPointer));
    if (Block == nullptr) throw std::bad_alloc();  // the old block and capacity stay valid
    FList = static_cast<PPointerList>(Block);
  }
  FCapacity = NewCapacity;
}

void TListClone::SetCount(int32_t NewCount) {
  if (NewCount < 0 || NewCount > MaxListSize) Error(SListCountError, NewCount);
  if (NewCount > FCapacity) SetCapacity(NewCount);
  if (NewCount > FCount) {
    std::memset(FList + FCount, 0, static_cast<size_t>(NewCount - FCount) * sizeof(TPointer));
  } else {
    for (int32_t i = FCount - 1; i >= NewCount; --i) Delete(i);
  }
  FCount = NewCount;
}

int32_t TListClone::Add(void* Item) {
  const int32_t Result = FCount;
  if (FCount == FCapacity) GrowCapacity();
  FList[Result] = Item;
  ++FCount;
  if (Item != nullptr) NotifyItem(Item, naAdded);
  return Result;
}

void TListClone::Insert(int32_t Index, void* Item) {
  CheckIndex(Index, FCount + 1);
  if (FCount == FCapacity) GrowCapacity();
  if (Index < FCount)
    std::memmove(FList + Index + 1, FList + Index,
                 static_cast<size_t>(FCount - Index) * sizeof(TPointer));
  FList[Index] = Item;
  ++FCount;
  if (Item != nullptr) NotifyItem(Item, naAdded);
}

void TListClone::Delete(int32_t Index) {
  CheckIndex(Index, FCount);
  void* Item = FList[Index];
  --FCount;
  if (Index < FCount)
    std::memmove(FList + Index, FList + Index + 1,
                 static_cast<size_t>(FCount - Index) * sizeof(TPointer));
  if (Item != nullptr) NotifyItem(Item, naDeleted);
}

void TListClone::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TListClone::Exchange(int32_t Index1, int32_t Index2) {
  CheckIndex(Index1, FCount);
  CheckIndex(Index2, FCount);
  std::swap(FList[Index1], FList[Index2]);
}

void TListClone::Move(int32_t CurIndex, int32_t NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(NewIndex, FCount);
  void* Item = GetItem(CurIndex);
  // Moved through a nil slot so that Delete and Insert send no notification.
  FList[CurIndex] = nullptr;
  Delete(CurIndex);
  Insert(NewIndex, nullptr);
  FList[NewIndex] = Item;
}

void* TListClone::GetItem(int32_t Index) const {
  CheckIndex(Index, FCount);
  return FList[Index];
}

void* TListClone::First() const {
  return GetItem(0);
}

void* TListClone::Last() const {
  return GetItem(FCount - 1);
}

TListClone* TListClone::Expand() {
  if (FCount == FCapacity) GrowCapacity();
  return this;
}

int32_t TListClone::IndexOf(void* Item) const {
  for (int32_t i = 0; i < FCount; ++i)
    if (FList[i] == Item) return i;
  return -1;
}

int32_t TListClone::Remove(void* Item) {
  const int32_t Index = IndexOf(Item);
  if (Index >= 0) Delete(Index);
  return Index;
}

void* TListClone::Extract(void* Item) {
  const int32_t Index = IndexOf(Item);
  if (Index < 0) return nullptr;
  FList[Index] = nullptr;  // deleted as nil: no naDeleted for an extracted item
  Delete(Index);
  NotifyItem(Item, naExtracted);
  return Item;
}

void TListClone::Pack() {
  // Deleting nil items sends no notification, so one compacting pass is the same as
  // deleting them one by one from the end.
  int32_t Kept = 0;
  for (int32_t i = 0; i < FCount; ++i)
    if (FList[i] != nullptr) FList[Kept++] = FList[i];
  FCount = Kept;
}

namespace {

// Quicksort with the middle item as pivot value, always the second argument of Compare.
void QuickSort(PPointerList List, int32_t L, int32_t R, TListCloneSortCompare Compare) {
  int32_t I;
  do {
    I = L;
    int32_t J = R;
    void* const Pivot = List[L + (R - L) / 2];
    do {
      // The range stops only matter for an inconsistent compare function.
      while (Compare(List[I], Pivot) < 0) {
        if (I == R) break;
        ++I;
      }
      while (Compare(List[J], Pivot) > 0) {
        if (J == L) break;
        --J;
      }
      if (I <= J) {
        std::swap(List[I], List[J]);
        ++I;
        --J;
      }
    } while (I <= J);
    if (L < J) QuickSort(List, L, J, Compare);
    L = I;
  } while (I < R);
}

}  // namespace

void TListClone::Sort(TListCloneSortCompare Compare) {
  if (FList != nullptr && FCount > 0) QuickSort(FList, 0, FCount - 1, Compare);
}

void TListClone::Assign(const TListClone* ListA, TListCloneAssignOp AOperator,
                        const TListClone* ListB) {
  if (ListA == nullptr) return;  // nothing to read from
  // A source that is this list itself is read from a snapshot taken before any change.
  TListClone SnapshotA;
  TListClone SnapshotB;
  if (ListA == this) {
    SnapshotA.AssignFrom(*this, laCopy);
    ListA = &SnapshotA;
  }
  if (ListB == this) {
    SnapshotB.AssignFrom(*this, laCopy);
    ListB = &SnapshotB;
  }
  if (ListB != nullptr) {
    AssignFrom(*ListA, laCopy);
    AssignFrom(*ListB, AOperator);
  } else {
    AssignFrom(*ListA, AOperator);
  }
}

void TListClone::AssignFrom(const TListClone& Source, TListCloneAssignOp AOperator) {
  switch (AOperator) {
    case laCopy:
      Clear();
      SetCapacity(Source.FCapacity);
      for (int32_t i = 0; i < Source.FCount; ++i) Add(Source.FList[i]);
      break;
    case laAnd:
      for (int32_t i = FCount - 1; i >= 0; --i)
        if (Source.IndexOf(FList[i]) < 0) Delete(i);
      break;
    case laOr:
      for (int32_t i = 0; i < Source.FCount; ++i)
        if (IndexOf(Source.FList[i]) < 0) Add(Source.FList[i]);
      break;
    case laXor: {
      TListClone Temp;
      Temp.SetCapacity(Source.FCount);
      for (int32_t i = 0; i < Source.FCount; ++i)
        if (IndexOf(Source.FList[i]) < 0) Temp.Add(Source.FList[i]);
      for (int32_t i = FCount - 1; i >= 0; --i)
        if (Source.IndexOf(FList[i]) >= 0) Delete(i);
      const int32_t Total = FCount + Temp.FCount;
      if (FCapacity < Total) SetCapacity(Total);
      for (int32_t i = 0; i < Temp.FCount; ++i) Add(Temp.FList[i]);
      break;
    }
    case laSrcUnique:
      for (int32_t i = FCount - 1; i >= 0; --i)
        if (Source.IndexOf(FList[i]) >= 0) Delete(i);
      break;
    case laDestUnique: {
      TListClone Temp;
      Temp.SetCapacity(Source.FCount);
      for (int32_t i = Source.FCount - 1; i >= 0; --i)
        if (IndexOf(Source.FList[i]) < 0) Temp.Add(Source.FList[i]);
      AssignFrom(Temp, laCopy);
      break;
    }
  }
}
