// The fake Win32 behaves as the real one where the plug-in's tests rely on it.

#include <gtest/gtest.h>

#include <cstring>

#include "FakeWin.h"

namespace {

class FakeWinTest : public ::testing::Test {
 protected:
  void SetUp() override { FakeWinReset(); }
  void TearDown() override { FakeWinReset(); }
};

TEST_F(FakeWinTest, MenusAreRecordedChosenAndDestroyedAsTrees) {
  HMENU Top = CreatePopupMenu();
  HMENU Sub = CreatePopupMenu();
  HMENU Grayed = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuW(Sub, MF_STRING, 5, u"five"));
  ASSERT_TRUE(AppendMenuW(Sub, MF_GRAYED, 6, u"six"));
  ASSERT_TRUE(AppendMenuW(Grayed, 0, 7, u"seven"));
  ASSERT_TRUE(AppendMenuW(Top, MF_POPUP, reinterpret_cast<UINT_PTR>(Sub), u"sub"));
  ASSERT_TRUE(AppendMenuW(Top, MF_SEPARATOR, 0, u""));
  ASSERT_TRUE(AppendMenuW(Top, MF_POPUP | MF_GRAYED, reinterpret_cast<UINT_PTR>(Grayed), u"g"));
  ASSERT_TRUE(AppendMenuW(Top, 0, 0, u"キャンセル"));
  EXPECT_EQ(FakeWinLiveMenus(), 3);

  const auto Items = FakeWinMenuItems(Top);
  ASSERT_EQ(Items.size(), 4u);
  EXPECT_TRUE(Items[0].IsPopup());
  ASSERT_EQ(Items[0].SubItems.size(), 2u);
  EXPECT_EQ(Items[0].SubItems[1].Text, u"six");
  EXPECT_TRUE(Items[1].IsSeparator());
  EXPECT_EQ(Items[3].Text, u"キャンセル");

  // The chooser's answer passes only for an item a user could pick.
  const struct {
    UINT_PTR Pick;
    UINT Flags;
    BOOL Want;
  } Rows[] = {
      {5, TPM_RETURNCMD, 5},  {6, TPM_RETURNCMD, 0},  // grayed item
      {7, TPM_RETURNCMD, 0},                          // item of a grayed submenu
      {99, TPM_RETURNCMD, 0}, {5, 0, TRUE},           // without TPM_RETURNCMD: chosen or not
      {0, TPM_RETURNCMD, 0},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    FakeWinSetMenuChooser([&](const TFakeTrackCall& Call) {
      EXPECT_EQ(Call.X, 40);
      EXPECT_EQ(Call.Y, 50);
      EXPECT_EQ(Call.Items.size(), 4u);
      return Rows[I].Pick;
    });
    EXPECT_EQ(TrackPopupMenu(Top, Rows[I].Flags, 40, 50, 0, nullptr, nullptr), Rows[I].Want)
        << "row " << I;
  }
  EXPECT_EQ(FakeWinTrackCalls().size(), std::size(Rows));

  // Destroying the top menu takes its submenus with it.
  EXPECT_TRUE(DestroyMenu(Top));
  EXPECT_EQ(FakeWinLiveMenus(), 0);
  EXPECT_FALSE(DestroyMenu(Sub));
  EXPECT_FALSE(AppendMenuW(Top, 0, 1, u"late"));
  EXPECT_EQ(FakeWinBadMenuCalls(), 2);
}

TEST_F(FakeWinTest, MessageBoxesAreRecordedAndAnswered) {
  EXPECT_EQ(MessageBoxW(nullptr, u"text", u"caption", MB_YESNO | MB_ICONQUESTION), 0);
  FakeWinSetMessageBoxAnswerer([](const TFakeMessageBox& Box) {
    return Box.Style == (MB_YESNO | MB_ICONQUESTION) ? IDYES : IDNO;
  });
  EXPECT_EQ(MessageBoxW(nullptr, u"アンインストールしますか？", u"Corvane", 0x24), IDYES);
  ASSERT_EQ(FakeWinMessageBoxes().size(), 2u);
  EXPECT_EQ(FakeWinMessageBoxes()[1].Text, u"アンインストールしますか？");
  EXPECT_EQ(FakeWinMessageBoxes()[1].Caption, u"Corvane");
}

TEST_F(FakeWinTest, CodePageConversions) {
  // -1 converts the terminating zero as well; a zero-sized target asks for the size.
  const WCHAR* Wide = u"行a";
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, Wide, -1, nullptr, 0, nullptr, nullptr), 4);
  char Narrow[4];
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, Wide, -1, Narrow, 4, nullptr, nullptr), 4);
  EXPECT_EQ(std::memcmp(Narrow,
                        "\x8d\x73"
                        "a",
                        4),
            0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, Wide, -1, Narrow, 3, nullptr, nullptr), 0);
  BOOL Used = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"é", 1, Narrow, 4, nullptr, &Used), 1);
  EXPECT_EQ(Narrow[0], '?');
  EXPECT_TRUE(Used);

  WCHAR Back[4] = {};
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0,
                                "\x8d\x73"
                                "a",
                                -1, Back, 4),
            3);
  EXPECT_EQ(std::u16string(Back), u"行a");
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "Corvane", 7, nullptr, 0), 7);

  char Copy[5] = {'#', '#', '#', '#', '#'};
  lstrcpynA(Copy, "Version 2.4.2", 5);
  EXPECT_STREQ(Copy, "Vers");
  lstrcpynA(Copy, "xyz", 0);  // writes nothing
  EXPECT_STREQ(Copy, "Vers");
}

TEST_F(FakeWinTest, ClipboardOwnsWhatItWasGiven) {
  HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE, 4);
  EXPECT_EQ(SetClipboardData(CF_TEXT, Block), nullptr);  // not open
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr));  // already open
  ASSERT_TRUE(EmptyClipboard());
  std::memcpy(GlobalLock(Block), "abc", 4);
  EXPECT_FALSE(GlobalUnlock(Block));
  EXPECT_EQ(SetClipboardData(CF_TEXT, Block), Block);
  EXPECT_EQ(GlobalFree(Block), Block);  // the clipboard's now: freeing fails
  EXPECT_EQ(GetClipboardData(CF_TEXT), Block);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(CloseClipboard());
  EXPECT_EQ(FakeWinClipboardBytes(CF_TEXT), (std::vector<uint8_t>{'a', 'b', 'c', 0}));
  EXPECT_EQ(FakeWinOrphanGlobalBlocks(), 0);

  // Without GMEM_ZEROINIT a block holds garbage, so a missing terminator shows.
  HGLOBAL Dirty = GlobalAlloc(GMEM_MOVEABLE, 2);
  EXPECT_NE(static_cast<uint8_t*>(GlobalLock(Dirty))[1], 0);
  GlobalUnlock(Dirty);
  EXPECT_EQ(GlobalFree(Dirty), nullptr);
  EXPECT_EQ(FakeWinLiveGlobalBlocks(), 1);
}

}  // namespace
