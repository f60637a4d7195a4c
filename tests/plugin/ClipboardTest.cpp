// Clipboard copy against the fake clipboard: blocks, sizes, contents and failure paths, the
// file header of the copies, and the Win32 guards the copy rests on.

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "FakeWin.h"
#include "HostFixture.h"
#include "plugin/PluginLibrary2.h"
#include "win32/Guards.h"

namespace {

std::vector<uint8_t> Utf16Block(std::u16string_view Text) {
  std::vector<uint8_t> Bytes;
  for (char16_t C : Text) {
    Bytes.push_back(static_cast<uint8_t>(C & 0xFF));
    Bytes.push_back(static_cast<uint8_t>(C >> 8));
  }
  Bytes.insert(Bytes.end(), {0, 0});
  return Bytes;
}

std::vector<uint8_t> AnsiBlock(std::string_view Text) {
  std::vector<uint8_t> Bytes(Text.begin(), Text.end());
  Bytes.push_back(0);
  return Bytes;
}

const std::vector<uint8_t> Previous = {'o', 'l', 'd', 0};

class ClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeWinReset();
    FakeWinSeedClipboard(CF_TEXT, Previous);
  }
  void TearDown() override {
    // Whatever happened, the clipboard is closed and no block is left over or locked.
    EXPECT_FALSE(FakeWinClipboardIsOpen());
    EXPECT_EQ(FakeWinClipboardOpens(), FakeWinClipboardCloses());
    EXPECT_EQ(FakeWinOrphanGlobalBlocks(), 0);
    EXPECT_EQ(FakeWinGlobalLocksHeld(), 0);
    FakeWinReset();
  }
  HWND Wnd = FakeWinRegisterWindow([](UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
};

TEST_F(ClipboardTest, PlacesUtf16ThenCodePage932) {
  const struct {
    std::u16string Text;
    std::string Ansi;
  } Rows[] = {
      {u"abc", "abc"},
      {u"行番号\r\n  memo.txt\r\n1:x", "\x8d\x73\x94\xd4\x8d\x86\r\n  memo.txt\r\n1:x"},
      // Nothing in code page 932 for é or an emoji (two units): the replacement, per unit.
      {u"a\u00e9\U0001F600z", "a???z"},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    CopyTextToClipboard(Wnd, Rows[I].Text);
    EXPECT_EQ(FakeWinClipboardBytes(CF_UNICODETEXT), Utf16Block(Rows[I].Text)) << "row " << I;
    EXPECT_EQ(FakeWinClipboardBytes(CF_TEXT), AnsiBlock(Rows[I].Ansi)) << "row " << I;
    EXPECT_EQ(FakeWinClipboardFormats(), (std::vector<UINT>{CF_TEXT, CF_UNICODETEXT}));
  }
  const auto& Sets = FakeWinClipboardSets();
  ASSERT_EQ(Sets.size(), 6u);
  for (size_t I = 0; I < Sets.size(); ++I) {
    EXPECT_EQ(Sets[I].Format, I % 2 == 0 ? UINT{CF_UNICODETEXT} : UINT{CF_TEXT}) << "set " << I;
    EXPECT_EQ(Sets[I].AllocFlags, 0x2042u) << "set " << I;
    EXPECT_FALSE(Sets[I].WasLocked) << "set " << I;
  }
  EXPECT_EQ(Sets[2].Size, (Rows[1].Text.size() + 1) * 2);
  EXPECT_EQ(Sets[3].Size, Rows[1].Ansi.size() + 1);
  EXPECT_EQ(FakeWinClipboardEmpties(), 3);
}

TEST_F(ClipboardTest, EmptyTextLeavesTheClipboardAlone) {
  CopyTextToClipboard(Wnd, u"");
  EXPECT_EQ(FakeWinClipboardOpens(), 0);
  EXPECT_EQ(FakeWinGlobalAllocCalls(), 0);
  EXPECT_EQ(FakeWinClipboardBytes(CF_TEXT), Previous);
}

TEST_F(ClipboardTest, ClipboardHeldElsewhereChangesNothing) {
  FakeWinSetClipboardOpenFails(true);
  CopyTextToClipboard(Wnd, u"text");
  EXPECT_EQ(FakeWinClipboardEmpties(), 0);
  EXPECT_EQ(FakeWinGlobalAllocCalls(), 0);
  EXPECT_EQ(FakeWinClipboardBytes(CF_TEXT), Previous);
  EXPECT_EQ(FakeWinClipboardFormats(), (std::vector<UINT>{CF_TEXT}));
}

TEST_F(ClipboardTest, FailedAllocationWritesNothingAndStillCloses) {
  // 0: neither block can be allocated; 1: only the UTF-16 block.
  for (int Succeeding : {0, 1}) {
    FakeWinSetGlobalAllocFailsAfter(Succeeding);
    CopyTextToClipboard(Wnd, u"行");
    EXPECT_EQ(FakeWinGlobalAllocCalls(), 2 * (Succeeding + 1)) << Succeeding;
    if (Succeeding == 0) {
      EXPECT_TRUE(FakeWinClipboardFormats().empty());  // emptied before the failure
    } else {
      EXPECT_EQ(FakeWinClipboardFormats(), (std::vector<UINT>{CF_UNICODETEXT}));
      EXPECT_EQ(FakeWinClipboardBytes(CF_UNICODETEXT), Utf16Block(u"行"));
    }
    EXPECT_EQ(FakeWinLiveGlobalBlocks(), Succeeding);
  }
}

// Each guard on the fake's own books: blocks freed unless released, locks and the clipboard
// let go of on the way out, and a failed call leaves nothing to undo.
TEST_F(ClipboardTest, GuardsUndoTheirCall) {
  using TBlock = TUniqueGlobal;
  {
    TBlock A(GlobalAlloc(GMEM_MOVEABLE, 4)), Held;
    EXPECT_TRUE(A);
    EXPECT_FALSE(Held);
    Held = std::move(A);  // one owner, and the block still there
    EXPECT_FALSE(A);
    EXPECT_EQ(FakeWinOrphanGlobalBlocks(), 1);
    TBlock B(std::move(Held));
    Held = TBlock(GlobalAlloc(GMEM_MOVEABLE, 4));
    B = std::move(Held);  // B's first block is freed by the assignment
    EXPECT_EQ(FakeWinOrphanGlobalBlocks(), 1);
    const HGLOBAL Kept = B.release();
    EXPECT_FALSE(B);
    {
      const TGlobalLock Lock(Kept);
      ASSERT_TRUE(Lock);
      EXPECT_NE(Lock.data(), nullptr);
      EXPECT_EQ(FakeWinGlobalLocksHeld(), 1);
    }
    EXPECT_EQ(FakeWinGlobalLocksHeld(), 0);
    EXPECT_EQ(GlobalFree(Kept), nullptr);  // released: the guard never frees it
  }
  EXPECT_EQ(FakeWinOrphanGlobalBlocks(), 0);
  const TGlobalLock NoBlock(nullptr);
  EXPECT_FALSE(NoBlock);
  EXPECT_EQ(NoBlock.data(), nullptr);

  for (const bool HeldElsewhere : {false, true}) {
    FakeWinSetClipboardOpenFails(HeldElsewhere);
    {
      const TClipboardOpen Clipboard(nullptr);
      EXPECT_EQ(static_cast<bool>(Clipboard), !HeldElsewhere);
      EXPECT_EQ(FakeWinClipboardIsOpen(), !HeldElsewhere);
    }
    EXPECT_EQ(FakeWinClipboardCloses(), 1) << HeldElsewhere;
  }
}

using FileHeaderTest = HostFixture;

// The folder up to and including its last "\", "/" or ":", then the name indented by two blanks.
TEST_F(FileHeaderTest, CopiesPutTheFolderAndTheNameFirst) {
  const struct {
    std::u16string_view Path;
    std::u16string_view Clipboard;
  } Rows[] = {
      {u"\\docs\\memo.txt", u"\\docs\\\r\n  memo.txt\r\n1:x\r\n"},
      {u"C:\\a\\b\\c.txt", u"C:\\a\\b\\\r\n  c.txt\r\n1:x\r\n"},
      {u"C:memo.txt", u"C:\r\n  memo.txt\r\n1:x\r\n"},
      {u"C:/docs/memo.txt", u"C:/docs/\r\n  memo.txt\r\n1:x\r\n"},
      {u"memo.txt", u"\r\n  memo.txt\r\n1:x\r\n"},
      {u"C:\\dir\\", u"C:\\dir\\\r\n  \r\n1:x\r\n"},
      {u"", u"\r\n  \r\n1:x\r\n"},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    Start(u"x\r\n", {0, 0}, {0, 0});
    Doc.SetPath(Rows[I].Path);
    CopyTextWithFileHeader(Wnd, u"1:x\r\n");
    EXPECT_EQ(FakeWinClipboardBytes(CF_UNICODETEXT), Utf16Block(Rows[I].Clipboard)) << "row " << I;
    EXPECT_EQ(Doc.MessageCount(HostGetDocInfo), 1) << "row " << I;
    EXPECT_FALSE(FakeWinClipboardIsOpen()) << "row " << I;
  }
}

}  // namespace
