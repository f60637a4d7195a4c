// A host that answers nonsense: the plug-in stops before writing anything, reads only what
// fits its buffers, and never touches memory out of bounds (the sanitizer build checks that).

#include <gtest/gtest.h>

#include <limits>

#include "HostFixture.h"
#include "plugin/PluginLibrary.h"
#include "plugin/PluginLibrary2.h"

namespace {

class HostileHostTest : public HostFixture {
 protected:
  // The document's log without the answers the hook gave instead of it.
  [[nodiscard]] bool DocumentWasEdited() const {
    for (const auto& E : Doc.Log()) {
      if (E.Msg == HostReplaceSel || E.Msg == HostSelectChars || E.Msg == HostSetCaretPos ||
          E.Msg == HostSetSelection) {
        return true;
      }
    }
    return false;
  }
};

TEST_F(HostileHostTest, ImpossibleLengthsEndTheOperationUntouched) {
  const intptr_t Lengths[] = {-1, -1000, std::numeric_limits<intptr_t>::min(),
                              static_cast<intptr_t>(HostTextLimit + 1),
                              std::numeric_limits<intptr_t>::max()};
  for (const intptr_t Length : Lengths) {
    Hook = [&](UINT Msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
      if ((Msg == HostGetSelText || Msg == HostGetLineText) && lParam == 0) return Length;
      return std::nullopt;
    };
    const std::u16string Text = u"one\r\ntwo\r\nthree";
    Start(Text, {1, 0}, {2, 2});
    EXPECT_THROW((void)GetSelectedText(Wnd), EHostAnswerError) << Length;
    EXPECT_THROW(WriteBackLines(Wnd, u"1:one\r\n"), EHostAnswerError) << Length;
    // SelectWholeLines reads the last line's length by the same protocol.
    EXPECT_THROW(SelectWholeLines(Wnd), EHostAnswerError) << Length;
    EXPECT_FALSE(DocumentWasEdited()) << Length;
    EXPECT_EQ(Doc.Text(), Text) << Length;
    EXPECT_EQ(Doc.Anchor().X, 1);
    EXPECT_EQ(Doc.Caret().Y, 2);
  }
}

TEST_F(HostileHostTest, TextsWithoutTerminatorOrShorterThanAnnounced) {
  struct Row {
    const char* Name;
    LRESULT Announced;
    std::u16string Written;  // written as is, no zero added
    std::u16string Want;
  };
  const Row Rows[] = {
      {"fills the buffer, no zero", 5, u"xxxxx", u"xxxxx"},
      {"shorter, zero-ended", 10, std::u16string(u"ab\0", 3), u"ab"},
      {"writes nothing", 4, u"", u""},
  };
  for (const Row& R : Rows) {
    WPARAM SizeSeen = 0;
    Hook = [&](UINT Msg, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
      if (Msg != HostGetSelText) return std::nullopt;
      if (lParam == 0) return R.Announced;
      SizeSeen = wParam;
      std::copy(R.Written.begin(), R.Written.end(), reinterpret_cast<char16_t*>(lParam));
      return static_cast<LRESULT>(R.Written.size());
    };
    EXPECT_EQ(GetSelectedText(Wnd), R.Want) << R.Name;
    EXPECT_EQ(SizeSeen, static_cast<WPARAM>(R.Announced)) << R.Name;
  }
}

TEST_F(HostileHostTest, PathWithoutTerminator) {
  Hook = [](UINT Msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
    if (Msg != HostGetDocInfo) return std::nullopt;
    std::fill_n(reinterpret_cast<char16_t*>(lParam), HostDocPathLength, u'q');
    return HostDocPathLength;
  };
  EXPECT_EQ(GetDocumentPath(Wnd), std::u16string(HostDocPathLength, u'q'));
}

TEST_F(HostileHostTest, ImpossiblePositionsEndTheWriteBackUntouched) {
  const THostPos Positions[] = {{-1, 0}, {0, -5}, {0, std::numeric_limits<int32_t>::max() - 1}};
  for (const THostPos P : Positions) {
    Hook = [&](UINT Msg, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
      if (Msg != HostGetSelStart) return std::nullopt;
      *reinterpret_cast<THostPos*>(lParam) = P;
      return 1;
    };
    Start(u"a\r\nb\r\nc", {0, 0}, {0, 2});
    EXPECT_THROW(WriteBackLines(Wnd, u"1:a\r\n2:b\r\n"), EHostAnswerError) << Show(P);
    EXPECT_FALSE(DocumentWasEdited()) << Show(P);
    EXPECT_EQ(Doc.Text(), u"a\r\nb\r\nc");
  }
}

}  // namespace
