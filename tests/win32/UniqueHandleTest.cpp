// TUniqueHandle on the fake's record of CloseHandle and FindClose: each kind closes exactly the
// handles it does not count as empty, once, with its own call, and never one it gave away.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "FakeWin.h"
#include "win32/UniqueHandle.h"

namespace {

using TCloses = std::vector<std::pair<std::string, HANDLE>>;
using TUniqueKernel = TUniqueHandle<HANDLE, CloseHandle>;  // OpenProcess fails with null

const HANDLE A = reinterpret_cast<HANDLE>(0x40);
const HANDLE B = reinterpret_cast<HANDLE>(0x50);

template <typename TGuard>
TCloses ClosesOf(HANDLE Handle) {
  FakeWinReset();
  {
    const TGuard Guard(Handle);
    EXPECT_EQ(Guard.get(), Handle);
  }
  return FakeWinHandleCloses();
}

TEST(UniqueHandleTest, EachKindClosesWhatItDoesNotCountAsEmpty) {
  const struct {
    HANDLE Handle;
    TCloses File, Find, Kernel;
  } Rows[] = {
      {nullptr, {}, {}, {}},
      {INVALID_HANDLE_VALUE, {}, {}, {{"CloseHandle", INVALID_HANDLE_VALUE}}},
      {A, {{"CloseHandle", A}}, {{"FindClose", A}}, {{"CloseHandle", A}}},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    EXPECT_EQ(ClosesOf<TUniqueFile>(Rows[I].Handle), Rows[I].File) << "row " << I;
    EXPECT_EQ(ClosesOf<TUniqueFind>(Rows[I].Handle), Rows[I].Find) << "row " << I;
    EXPECT_EQ(ClosesOf<TUniqueKernel>(Rows[I].Handle), Rows[I].Kernel) << "row " << I;
    EXPECT_EQ(static_cast<bool>(TUniqueFile(Rows[I].Handle)), !Rows[I].File.empty()) << I;
  }
  FakeWinReset();
}

TEST(UniqueHandleTest, OwnershipMovesAndIsGivenAway) {
  FakeWinReset();
  {
    TUniqueFile Empty, Moved;
    EXPECT_FALSE(Empty);
    EXPECT_EQ(Empty.get(), INVALID_HANDLE_VALUE);  // CreateFileW's own failure value
    TUniqueFile File(A);
    Moved = std::move(File);
    EXPECT_FALSE(File);
    EXPECT_EQ(File.get(), INVALID_HANDLE_VALUE);
    TUniqueFile Given(B);
    EXPECT_EQ(Given.release(), B);
    EXPECT_FALSE(Given);
    EXPECT_TRUE(FakeWinHandleCloses().empty());
    Moved = TUniqueFile(B);  // A closes as B takes its place
    EXPECT_EQ(FakeWinHandleCloses(), (TCloses{{"CloseHandle", A}}));
  }
  EXPECT_EQ(FakeWinHandleCloses(), (TCloses{{"CloseHandle", A}, {"CloseHandle", B}}));
  FakeWinReset();
}

}  // namespace
