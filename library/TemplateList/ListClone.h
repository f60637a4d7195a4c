#pragma once

// String-table ids and texts of the three list faults; the resource script includes this
// header (RC_INVOKED) so both sides use the same ids.
#define CORVANE_SLISTCAPACITYERROR_ID 65444
#define CORVANE_SLISTCOUNTERROR_ID 65445
#define CORVANE_SLISTINDEXERROR_ID 65446
#define CORVANE_SLISTCAPACITYERROR_TEXT "リストの容量が超えました (%d)"
#define CORVANE_SLISTCOUNTERROR_TEXT "リストの個数を超えました (%d)"
#define CORVANE_SLISTINDEXERROR_TEXT "リストのインデックスが範囲を超えています (%d)"

#ifndef RC_INVOKED

#include <cstdint>
#include <string_view>

// A string-table entry: its resource id and its text.
struct TListResString {
  int32_t Id;
  std::u16string_view Text;
};

inline constexpr TListResString SListCapacityError = {CORVANE_SLISTCAPACITYERROR_ID,
                                                      u"" CORVANE_SLISTCAPACITYERROR_TEXT};
inline constexpr TListResString SListCountError = {CORVANE_SLISTCOUNTERROR_ID,
                                                   u"" CORVANE_SLISTCOUNTERROR_TEXT};
inline constexpr TListResString SListIndexError = {CORVANE_SLISTINDEXERROR_ID,
                                                   u"" CORVANE_SLISTINDEXERROR_TEXT};

// Largest count and capacity of a list.
inline constexpr int32_t MaxListSize = 0x7FFFFFF;

using TPointer = void*;
using PPointerList = TPointer*;

// Negative when Item1 sorts before Item2, 0 when equal, positive when after.
using TListCloneSortCompare = int32_t (*)(void* Item1, void* Item2);

enum TListCloneAssignOp : uint8_t { laCopy, laAnd, laOr, laXor, laSrcUnique, laDestUnique };

enum TListCloneNotifyAction : uint8_t { naAdded = 0, naExtracted = 1, naDeleted = 2 };

// An ordered, growable list of untyped pointers. Items are not owned; nil items are allowed.
// Every fault (index, capacity, count) is checked before anything changes and raises
// EAssertionFailed with u"Listエラー (TemplateList/ListClone, 127 行)".
class TListClone {
 public:
  TListClone() = default;
  // Runs TListClone::Clear: by then a derived part is gone, so a derived class that wants
  // the naDeleted notifications of the last items clears in its own destructor.
  virtual ~TListClone();
  TListClone(const TListClone&) = delete;
  TListClone& operator=(const TListClone&) = delete;

  // Appends Item; returns its index (the previous count).
  int32_t Add(void* Item);
  // Inserts Item at Index (0..Count); later items move up by one.
  void Insert(int32_t Index, void* Item);
  // Removes the item at Index (0..Count-1); later items move down. Capacity is kept.
  void Delete(int32_t Index);
  // Count 0 (items deleted from the last one down), then capacity 0.
  virtual void Clear();
  void Exchange(int32_t Index1, int32_t Index2);
  // Takes the item at CurIndex out and reinserts it at NewIndex; equal indexes do nothing.
  void Move(int32_t CurIndex, int32_t NewIndex);

  [[nodiscard]] void* Items(int32_t Index) const { return GetItem(Index); }
  [[nodiscard]] void* GetItem(int32_t Index) const;
  [[nodiscard]] void* First() const;
  [[nodiscard]] void* Last() const;

  [[nodiscard]] int32_t Count() const { return FCount; }
  void SetCount(int32_t NewCount);
  [[nodiscard]] int32_t Capacity() const { return FCapacity; }
  void SetCapacity(int32_t NewCapacity);
  // The storage; valid until the next capacity change, nil while the capacity is 0.
  [[nodiscard]] PPointerList List() const { return FList; }

  // Grows by the growth rule when the list is full.
  TListClone* Expand();
  // First index holding Item (pointer equality), -1 if none.
  [[nodiscard]] int32_t IndexOf(void* Item) const;
  // Deletes the first occurrence of Item; returns its index or -1.
  int32_t Remove(void* Item);
  // Removes the first occurrence without the delete notification and notifies naExtracted;
  // returns Item, or nil when it is not in the list (nothing changes).
  void* Extract(void* Item);
  // Deletes every nil item, keeping the order of the rest and the capacity.
  void Pack();
  // In-place quicksort (not stable, no notifications).
  void Sort(TListCloneSortCompare Compare);
  // Set operation with ListA, or with ListA then ListB when ListB is given.
  void Assign(const TListClone* ListA, TListCloneAssignOp AOperator = laCopy,
              const TListClone* ListB = nullptr);

  // Report a list fault. The text and value are not shown: every fault surfaces as the
  // same assertion failure.
  [[noreturn]] static void Error(std::u16string_view Msg, int32_t Data);
  [[noreturn]] static void Error(const TListResString& Msg, int32_t Data);

 protected:
  // Capacity + (capacity div 4 above 64, 16 above 8, else 4): 0, 4, 8, 12, 28, 44, 60, 76, 95...
  virtual void GrowCapacity();
  // Called after an item is added, deleted or extracted (never for nil items on add/delete).
  virtual void NotifyItem(void* Item, TListCloneNotifyAction Action);

 private:
  void CheckIndex(int32_t Index, int32_t Limit) const;
  void AssignFrom(const TListClone& Source, TListCloneAssignOp AOperator);

  PPointerList FList = nullptr;
  int32_t FCount = 0;
  int32_t FCapacity = 0;
};

// The capacity the growth rule gives after Capacity.
[[nodiscard]] int32_t GrownCapacity(int32_t Capacity);

#endif  // RC_INVOKED
