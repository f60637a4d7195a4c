#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "library/AssertUnit/AssertUnit.h"
#include "library/TemplateList/ListClone.h"
#include "tests/library/TestText.h"

namespace {

const std::u16string ListFault = u"Listエラー (TemplateList/ListClone, 127 行)";

// Distinct addresses to store; the list never dereferences them.
int Cells[64];
void* P(int i) {
  return &Cells[i];
}

std::vector<void*> ItemsOf(const TListClone& L) {
  std::vector<void*> V;
  for (int32_t i = 0; i < L.Count(); ++i) V.push_back(L.List()[i]);
  return V;
}

std::vector<void*> Ps(std::initializer_list<int> Ids) {
  std::vector<void*> V;
  for (int i : Ids) V.push_back(i < 0 ? nullptr : P(i));
  return V;
}

void Fill(TListClone& L, std::initializer_list<int> Ids) {
  L.Clear();
  for (void* Item : Ps(Ids)) L.Add(Item);
}

struct TNotice {
  void* Item;
  TListCloneNotifyAction Action;
  bool operator==(const TNotice&) const = default;
};

class TRecordingList : public TListClone {
 public:
  std::vector<TNotice> Notices;
  ~TRecordingList() override { Clear(); }  // notifications of the final clear come here

 protected:
  void NotifyItem(void* Item, TListCloneNotifyAction Action) override {
    Notices.push_back({Item, Action});
  }
};

// Runs Op, which must raise the list fault and leave the list exactly as it was.
void ExpectListFault(TListClone& L, const std::function<void()>& Op, const std::string& What) {
  const std::vector<void*> Before = ItemsOf(L);
  const int32_t Count = L.Count();
  const int32_t Capacity = L.Capacity();
  const PPointerList Storage = L.List();
  try {
    Op();
    ADD_FAILURE() << What << ": no fault";
  } catch (const EAssertionFailed& E) {
    EXPECT_EQ(E.Message(), ListFault) << What;
  } catch (...) {
    ADD_FAILURE() << What << ": another exception";
  }
  EXPECT_EQ(L.Count(), Count) << What;
  EXPECT_EQ(L.Capacity(), Capacity) << What;
  EXPECT_EQ(L.List(), Storage) << What;
  EXPECT_EQ(ItemsOf(L), Before) << What;
}

TEST(ListClone, GrowthRule) {
  const int32_t Steps[] = {0, 4, 8, 12, 28, 44, 60, 76, 95, 118, 147, 183, 228};
  for (size_t i = 0; i + 1 < std::size(Steps); ++i)
    EXPECT_EQ(GrownCapacity(Steps[i]), Steps[i + 1]) << "from " << Steps[i];
  EXPECT_EQ(GrownCapacity(1), 5);
  EXPECT_EQ(GrownCapacity(64), 80);
  EXPECT_EQ(GrownCapacity(65), 81);
  EXPECT_GT(GrownCapacity(MaxListSize), MaxListSize);  // the setter refuses it

  // Appending meets every step on both sides: full at the step, grown one item later.
  TListClone L;
  EXPECT_EQ(L.Capacity(), 0);
  EXPECT_EQ(L.List(), nullptr);
  size_t Step = 1;
  for (int32_t n = 1; n <= 228; ++n) {
    EXPECT_EQ(L.Add(P(n % 64)), n - 1);
    if (n > Steps[Step]) ++Step;
    ASSERT_EQ(L.Capacity(), Steps[Step]) << "after add " << n;
  }
  L.Add(nullptr);
  EXPECT_EQ(L.Capacity(), 285);

  TListClone Counted;
  for (int32_t n = 1; n <= 13; ++n) Counted.Add(nullptr);
  EXPECT_EQ(Counted.Capacity(), 28);

  // Insert and Expand grow only when the list is full.
  TListClone I;
  for (int32_t n = 1; n <= 5; ++n) I.Insert(0, P(n));
  EXPECT_EQ(I.Capacity(), 8);
  EXPECT_EQ(I.Expand(), &I);
  EXPECT_EQ(I.Capacity(), 8);
  I.Add(P(6));
  I.Add(P(7));
  I.Add(P(8));
  EXPECT_EQ(I.Capacity(), 8);
  I.Expand();
  EXPECT_EQ(I.Capacity(), 12);
  EXPECT_EQ(ItemsOf(I), Ps({5, 4, 3, 2, 1, 6, 7, 8}));
}

TEST(ListClone, EveryFaultLeavesTheListUnchanged) {
  TRecordingList L;
  Fill(L, {1, 2, 3});
  L.Notices.clear();
  const int32_t N = L.Count();
  const std::pair<const char*, std::function<void()>> Faults[] = {
      {"GetItem(-1)", [&] { (void)L.GetItem(-1); }},
      {"Items(count)", [&] { (void)L.Items(N); }},
      {"Delete(-1)", [&] { L.Delete(-1); }},
      {"Delete(count)", [&] { L.Delete(N); }},
      {"Insert(-1)", [&] { L.Insert(-1, P(9)); }},
      {"Insert(count + 1)", [&] { L.Insert(N + 1, P(9)); }},
      {"Exchange(0, count)", [&] { L.Exchange(0, N); }},
      {"Exchange(count, 0)", [&] { L.Exchange(N, 0); }},
      {"Exchange(-1, -1)", [&] { L.Exchange(-1, -1); }},
      {"Move(0, count)", [&] { L.Move(0, N); }},
      {"Move(count, 0)", [&] { L.Move(N, 0); }},
      {"Move(-1, 0)", [&] { L.Move(-1, 0); }},
      {"SetCapacity(count - 1)", [&] { L.SetCapacity(N - 1); }},
      {"SetCapacity(-1)", [&] { L.SetCapacity(-1); }},
      {"SetCapacity(limit + 1)", [&] { L.SetCapacity(MaxListSize + 1); }},
      {"SetCount(-1)", [&] { L.SetCount(-1); }},
      {"SetCount(limit + 1)", [&] { L.SetCount(MaxListSize + 1); }},
      {"SetCount(INT32_MIN)", [&] { L.SetCount(INT32_MIN); }},
      {"Error(text)", [&] { TListClone::Error(u"anything", 5); }},
      {"Error(resource)", [&] { TListClone::Error(SListIndexError, 5); }},
  };
  for (const auto& [What, Op] : Faults) ExpectListFault(L, Op, What);
  EXPECT_TRUE(L.Notices.empty());

  TListClone Empty;
  ExpectListFault(
      Empty, [&] { (void)Empty.First(); }, "First on empty");
  ExpectListFault(
      Empty, [&] { (void)Empty.Last(); }, "Last on empty");
  ExpectListFault(
      Empty, [&] { Empty.Delete(0); }, "Delete(0) on empty");
  ExpectListFault(
      Empty, [&] { Empty.Insert(1, nullptr); }, "Insert(1) on empty");

  // Equal indexes move nothing, in range or not.
  L.Move(7, 7);
  L.Move(-1, -1);
  EXPECT_EQ(ItemsOf(L), Ps({1, 2, 3}));
}

TEST(ListClone, FaultTextsKeepTheirStringTableIds) {
  EXPECT_EQ(SListCapacityError.Id, 65444);
  EXPECT_EQ(SListCapacityError.Text, u"リストの容量が超えました (%d)");
  EXPECT_EQ(SListCountError.Id, 65445);
  EXPECT_EQ(SListCountError.Text, u"リストの個数を超えました (%d)");
  EXPECT_EQ(SListIndexError.Id, 65446);
  EXPECT_EQ(SListIndexError.Text, u"リストのインデックスが範囲を超えています (%d)");
}

TEST(ListClone, AddInsertDeleteAndNotifications) {
  TRecordingList L;
  EXPECT_EQ(L.Add(P(1)), 0);
  EXPECT_EQ(L.Add(nullptr), 1);  // nil items are stored but never notified
  L.Insert(0, P(2));
  L.Insert(3, P(3));  // at the count: appends
  L.Insert(2, P(4));
  EXPECT_EQ(ItemsOf(L), Ps({2, 1, 4, -1, 3}));
  EXPECT_EQ(L.First(), P(2));
  EXPECT_EQ(L.Last(), P(3));
  EXPECT_EQ(L.Notices, (std::vector<TNotice>{
                           {P(1), naAdded}, {P(2), naAdded}, {P(3), naAdded}, {P(4), naAdded}}));
  L.Notices.clear();

  const int32_t Capacity = L.Capacity();
  L.Delete(1);
  L.Delete(2);  // the nil item
  EXPECT_EQ(ItemsOf(L), Ps({2, 4, 3}));
  EXPECT_EQ(L.Capacity(), Capacity);
  EXPECT_EQ(L.Notices, (std::vector<TNotice>{{P(1), naDeleted}}));
  L.Notices.clear();

  L.Exchange(0, 2);
  L.Exchange(1, 1);
  EXPECT_EQ(ItemsOf(L), Ps({3, 4, 2}));
  EXPECT_TRUE(L.Notices.empty());

  L.Clear();
  EXPECT_EQ(L.Count(), 0);
  EXPECT_EQ(L.Capacity(), 0);
  EXPECT_EQ(L.List(), nullptr);
  EXPECT_EQ(L.Notices,
            (std::vector<TNotice>{{P(2), naDeleted}, {P(4), naDeleted}, {P(3), naDeleted}}));
}

TEST(ListClone, MoveSendsNoNotification) {
  struct Row {
    int32_t Cur, New;
    std::vector<void*> Expected;
  };
  const Row Rows[] = {{0, 3, Ps({1, 2, 3, 0, 4})},
                      {3, 0, Ps({3, 0, 1, 2, 4})},
                      {4, 0, Ps({4, 0, 1, 2, 3})},
                      {0, 4, Ps({1, 2, 3, 4, 0})},
                      {2, 3, Ps({0, 1, 3, 2, 4})}};
  for (size_t i = 0; i < std::size(Rows); ++i) {
    TRecordingList L;
    Fill(L, {0, 1, 2, 3, 4});
    L.Notices.clear();
    const int32_t Capacity = L.Capacity();
    L.Move(Rows[i].Cur, Rows[i].New);
    EXPECT_EQ(ItemsOf(L), Rows[i].Expected) << "row " << i;
    EXPECT_EQ(L.Capacity(), Capacity) << "row " << i;
    EXPECT_TRUE(L.Notices.empty()) << "row " << i;
  }
}

TEST(ListClone, CountAndCapacitySetters) {
  TRecordingList L;
  Fill(L, {1, 2});
  L.Notices.clear();
  L.SetCount(7);  // beyond the capacity: raised to exactly the new count, slots nil
  EXPECT_EQ(L.Capacity(), 7);
  EXPECT_EQ(ItemsOf(L), Ps({1, 2, -1, -1, -1, -1, -1}));
  L.SetCount(5);
  L.SetCount(6);  // slots reused after lowering are nil again
  EXPECT_EQ(ItemsOf(L), Ps({1, 2, -1, -1, -1, -1}));
  EXPECT_TRUE(L.Notices.empty());

  L.SetCount(1);  // deleted from the last down; the capacity stays
  EXPECT_EQ(L.Capacity(), 7);
  EXPECT_EQ(ItemsOf(L), Ps({1}));
  EXPECT_EQ(L.Notices, (std::vector<TNotice>{{P(2), naDeleted}}));

  L.SetCapacity(1);
  EXPECT_EQ(L.Capacity(), 1);
  EXPECT_EQ(ItemsOf(L), Ps({1}));
  L.SetCapacity(40);
  EXPECT_EQ(ItemsOf(L), Ps({1}));
  L.SetCount(0);
  L.SetCapacity(0);
  EXPECT_EQ(L.List(), nullptr);
  L.SetCount(0);
  EXPECT_EQ(L.Capacity(), 0);
}

TEST(ListClone, SearchRemoveExtractPack) {
  TRecordingList L;
  Fill(L, {1, 2, 1, 3});
  L.Notices.clear();
  EXPECT_EQ(L.IndexOf(P(1)), 0);
  EXPECT_EQ(L.IndexOf(P(3)), 3);
  EXPECT_EQ(L.IndexOf(P(9)), -1);
  EXPECT_EQ(L.IndexOf(nullptr), -1);

  EXPECT_EQ(L.Remove(P(1)), 0);
  EXPECT_EQ(L.Remove(P(9)), -1);
  EXPECT_EQ(ItemsOf(L), Ps({2, 1, 3}));
  EXPECT_EQ(L.Notices, (std::vector<TNotice>{{P(1), naDeleted}}));
  L.Notices.clear();

  EXPECT_EQ(L.Extract(P(9)), nullptr);
  EXPECT_EQ(ItemsOf(L), Ps({2, 1, 3}));
  EXPECT_EQ(L.Extract(P(1)), P(1));
  EXPECT_EQ(ItemsOf(L), Ps({2, 3}));
  EXPECT_EQ(L.Notices, (std::vector<TNotice>{{P(1), naExtracted}}));

  TListClone Nils;
  Fill(Nils, {-1, 4, -1, -1, 5, 6, -1});
  const int32_t Capacity = Nils.Capacity();
  Nils.Pack();
  EXPECT_EQ(ItemsOf(Nils), Ps({4, 5, 6}));
  EXPECT_EQ(Nils.Capacity(), Capacity);
  Fill(Nils, {-1, -1});
  Nils.Pack();
  EXPECT_EQ(Nils.Count(), 0);
}

int32_t CompareCalls = 0;
int32_t CompareInts(void* A, void* B) {
  ++CompareCalls;
  const int X = *static_cast<int*>(A);
  const int Y = *static_cast<int*>(B);
  return X < Y ? -1 : (X > Y ? 1 : 0);
}
int32_t AlwaysLess(void*, void*) {
  return -1;
}
int32_t AlwaysMore(void*, void*) {
  return 1;
}

TEST(ListClone, Sort) {
  TListClone Empty;
  CompareCalls = 0;
  Empty.Sort(CompareInts);
  EXPECT_EQ(CompareCalls, 0);
  Empty.SetCapacity(4);
  Empty.Sort(CompareInts);
  EXPECT_EQ(CompareCalls, 0);

  std::mt19937 Random(20240611);
  std::vector<int> Values(300);
  for (int Size : {1, 2, 3, 7, 16, 100, 300}) {
    for (int Spread : {3, 1000}) {  // with many duplicates, and nearly none
      for (int i = 0; i < Size; ++i) Values[i] = static_cast<int>(Random() % Spread);
      TListClone L;
      for (int i = 0; i < Size; ++i) L.Add(&Values[i]);
      L.Sort(CompareInts);
      std::vector<void*> Sorted = ItemsOf(L);
      std::vector<void*> Original;
      for (int i = 0; i < Size; ++i) Original.push_back(&Values[i]);
      EXPECT_TRUE(std::is_permutation(Sorted.begin(), Sorted.end(), Original.begin()))
          << "size " << Size;
      EXPECT_TRUE(std::is_sorted(
          Sorted.begin(), Sorted.end(),
          [](void* A, void* B) { return *static_cast<int*>(A) < *static_cast<int*>(B); }))
          << "size " << Size << " spread " << Spread;
    }
  }

  // A compare function that breaks its contract still leaves a permutation behind.
  for (auto Broken : {AlwaysLess, AlwaysMore}) {
    TListClone L;
    Fill(L, {5, 3, 9, 1, 7, 2});
    L.Sort(Broken);
    std::vector<void*> After = ItemsOf(L);
    std::vector<void*> Before = Ps({5, 3, 9, 1, 7, 2});
    EXPECT_TRUE(std::is_permutation(After.begin(), After.end(), Before.begin()));
  }
}

TEST(ListClone, AssignOperators) {
  struct Row {
    TListCloneAssignOp Op;
    std::vector<void*> WithB;     // Self := A op B
    std::vector<void*> WithoutB;  // Self := Self op A
  };
  // A = 1 2 3 4, B = 6 3 5 4; Self = 9 2 7 before a call without B.
  const Row Rows[] = {
      {laCopy, Ps({6, 3, 5, 4}), Ps({1, 2, 3, 4})},
      {laAnd, Ps({3, 4}), Ps({2})},
      {laOr, Ps({1, 2, 3, 4, 6, 5}), Ps({9, 2, 7, 1, 3, 4})},
      {laXor, Ps({1, 2, 6, 5}), Ps({9, 7, 1, 3, 4})},
      {laSrcUnique, Ps({1, 2}), Ps({9, 7})},
      {laDestUnique, Ps({5, 6}), Ps({4, 3, 1})},
  };
  TListClone A, B;
  Fill(A, {1, 2, 3, 4});
  Fill(B, {6, 3, 5, 4});
  for (const Row& R : Rows) {
    TListClone Self;
    Fill(Self, {8, 8});
    Self.Assign(&A, R.Op, &B);
    EXPECT_EQ(ItemsOf(Self), R.WithB) << "operator " << int(R.Op) << " with ListB";
    Fill(Self, {9, 2, 7});
    Self.Assign(&A, R.Op);
    EXPECT_EQ(ItemsOf(Self), R.WithoutB) << "operator " << int(R.Op) << " without ListB";
    EXPECT_EQ(ItemsOf(A), Ps({1, 2, 3, 4}));  // sources untouched
    EXPECT_EQ(ItemsOf(B), Ps({6, 3, 5, 4}));
  }

  TListClone L, Source;
  Fill(L, {2});
  Fill(Source, {1, 2, 3});
  L.Assign(&Source, laDestUnique);
  EXPECT_EQ(ItemsOf(L), Ps({3, 1}));

  Fill(L, {});
  Fill(Source, {7, 7});
  L.Assign(&Source, laOr);
  EXPECT_EQ(ItemsOf(L), Ps({7}));

  Source.SetCapacity(50);
  L.Assign(&Source);
  EXPECT_EQ(L.Capacity(), 50);  // a copy takes the source's capacity
  EXPECT_EQ(ItemsOf(L), Ps({7, 7}));

  // A nil source changes nothing; the list as its own source is read as it was.
  Fill(L, {1, 2});
  L.Assign(nullptr, laCopy);
  EXPECT_EQ(ItemsOf(L), Ps({1, 2}));
  L.Assign(&L, laCopy);
  EXPECT_EQ(ItemsOf(L), Ps({1, 2}));
  L.Assign(&L, laOr);
  EXPECT_EQ(ItemsOf(L), Ps({1, 2}));
  L.Assign(&L, laXor);
  EXPECT_EQ(L.Count(), 0);
  Fill(L, {1, 2});
  Fill(Source, {2, 3});
  L.Assign(&Source, laOr, &L);  // Source or L-as-it-was
  EXPECT_EQ(ItemsOf(L), Ps({2, 3, 1}));
}

}  // namespace
