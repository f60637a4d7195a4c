// The document model on its own, driven through Handle() exactly as a window procedure would.

#include <gtest/gtest.h>

#include <string>

#include "host/HostDocument.h"

// For assertions; global, so that lookup from gtest finds them.
bool operator==(THostPos A, THostPos B) {
  return A.X == B.X && A.Y == B.Y;
}
void PrintTo(const THostPos& P, std::ostream* Os) {
  *Os << "(" << P.X << "," << P.Y << ")";
}

namespace {

std::string Show(std::u16string_view S) {
  std::string Out;
  for (char16_t C : S) {
    Out += C == u'\r'   ? std::string("\\r")
           : C == u'\n' ? std::string("\\n")
                        : std::string(1, static_cast<char>(C));
  }
  return Out;
}

intptr_t Send(HostDocument& Doc, uint32_t Msg, uintptr_t W, const void* L) {
  return Doc.Handle(Msg, W, reinterpret_cast<intptr_t>(L));
}

THostPos Get(HostDocument& Doc, uint32_t Msg, uint32_t Kind) {
  THostPos P{-1, -1};
  Send(Doc, Msg, Kind, &P);
  return P;
}

std::u16string Replace(HostDocument& Doc, std::u16string_view Text) {
  std::u16string T(Text);
  Send(Doc, HostReplaceSel, 0, T.c_str());
  return Doc.Text();
}

TEST(HostDocumentTest, LinesKeepTheirBreaks) {
  struct Row {
    std::u16string Text;
    std::vector<std::u16string> Lines;
  };
  const Row Rows[] = {
      {u"", {u""}},
      {u"abc", {u"abc"}},
      {u"ab\r\n", {u"ab\r\n", u""}},
      {u"a\r\rb", {u"a\r", u"\r", u"b"}},
      {u"\n\r", {u"\n", u"\r", u""}},
      {u"a\r\nb\rc\nd", {u"a\r\n", u"b\r", u"c\n", u"d"}},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    HostDocument Doc(Rows[I].Text);
    ASSERT_EQ(Doc.LineCount(), static_cast<int32_t>(Rows[I].Lines.size())) << "row " << I;
    for (int32_t Y = 0; Y < Doc.LineCount(); ++Y) {
      EXPECT_EQ(Doc.Line(Y), Rows[I].Lines[Y]) << "row " << I << " line " << Y;
    }
    EXPECT_EQ(Doc.Text(), Rows[I].Text) << "row " << I;
    EXPECT_EQ(Send(Doc, HostGetLineCount, HostPosKindFile, nullptr), Doc.LineCount());
  }
}

TEST(HostDocumentTest, ReplaceSplicesOnlyTheTouchedLines) {
  struct Row {
    std::u16string Text;
    THostPos Anchor, Active;
    std::u16string Insert;
    std::u16string Expected;
    THostPos Caret;
  };
  const Row Rows[] = {
      {u"abc\r\ndef", {1, 0}, {2, 0}, u"XY", u"aXYc\r\ndef", {3, 0}},
      {u"abc\r\ndef", {2, 1}, {1, 0}, u"", u"af", {1, 0}},  // backwards, across a break
      {u"abc\ndef\nghi", {0, 0}, {0, 2}, u"1\n2\n3\n4\n", u"1\n2\n3\n4\nghi", {0, 4}},
      {u"abc", {3, 0}, {3, 0}, u"\r\n", u"abc\r\n", {0, 1}},
      {u"a\nb", {1, 0}, {1, 0}, u"x\r", u"ax\r\nb", {0, 1}},  // the CR joins the LF after it
      {u"a\r\nb\r\nc", {0, 1}, {0, 2}, u"", u"a\r\nc", {0, 1}},
      {u"one\rtwo\nthree", {0, 0}, {5, 2}, u"x", u"x", {1, 0}},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    const Row& R = Rows[I];
    HostDocument Doc(R.Text);
    Doc.Select(R.Anchor, R.Active);
    EXPECT_EQ(Show(Replace(Doc, R.Insert)), Show(R.Expected)) << "row " << I;
    EXPECT_EQ(Doc.Caret(), R.Caret) << "row " << I;
    EXPECT_FALSE(Doc.HasSelection()) << "row " << I;
    EXPECT_TRUE(Doc.Anomalies().empty()) << "row " << I;
    // The lines must stay well formed: only the last one without a break.
    for (int32_t Y = 0; Y + 1 < Doc.LineCount(); ++Y) {
      EXPECT_FALSE(Doc.Line(Y).empty()) << "row " << I;
      const char16_t Last = Doc.Line(Y).back();
      EXPECT_TRUE(Last == u'\r' || Last == u'\n') << "row " << I << " line " << Y;
    }
  }
}

TEST(HostDocumentTest, SelectCharsCountsCrLfAsTwoAndFlagsHalfBreaks) {
  HostDocument Doc(u"ab\r\ncd\ne");
  Doc.SetCaret({1, 0});
  Send(Doc, HostSelectChars, 4, nullptr);  // b CR LF c
  EXPECT_EQ(Show(Doc.SelectionText()), "b\\r\\nc");
  EXPECT_EQ(Doc.Caret(), (THostPos{1, 1}));
  EXPECT_EQ(Doc.Anchor(), (THostPos{1, 0}));
  EXPECT_TRUE(Doc.Anomalies().empty());

  Doc.SetCaret({0, 0});
  Send(Doc, HostSelectChars, 3, nullptr);  // ends between CR and LF
  EXPECT_EQ(Doc.Anomalies().size(), 1u);
  Doc.SetCaret({0, 2});
  Send(Doc, HostSelectChars, 5, nullptr);  // past the end
  EXPECT_EQ(Doc.Anomalies().size(), 2u);
  EXPECT_EQ(Doc.Caret(), (THostPos{1, 2}));
}

TEST(HostDocumentTest, TwoCallProtocolWritesAtMostTheGivenSizeAndAZero) {
  HostDocument Doc(u"hello\r\nworld");
  Doc.Select({1, 0}, {3, 1});
  EXPECT_EQ(Send(Doc, HostGetSelText, 0, nullptr), 9);
  std::u16string Buffer(12, u'#');
  Send(Doc, HostGetSelText, 4, Buffer.data());
  EXPECT_EQ(Show(Buffer), std::string("ello") + '\0' + "#######");

  THostLineRequest Req{0, 1, 0};
  EXPECT_EQ(Send(Doc, HostGetLineText, reinterpret_cast<uintptr_t>(&Req), nullptr), 5);
  Req.Options = 3;  // with the line break
  EXPECT_EQ(Send(Doc, HostGetLineText, reinterpret_cast<uintptr_t>(&Req), nullptr), 7);
  Req.Length = 7;
  std::u16string Line(8, u'#');
  Send(Doc, HostGetLineText, reinterpret_cast<uintptr_t>(&Req), Line.data());
  EXPECT_EQ(Show(Line), std::string("hello\\r\\n") + '\0');
  EXPECT_TRUE(Doc.Anomalies().empty());

  Req.Line = 2;  // no such line
  EXPECT_EQ(Send(Doc, HostGetLineText, reinterpret_cast<uintptr_t>(&Req), nullptr), 0);
  EXPECT_EQ(Doc.Anomalies().size(), 1u);
}

TEST(HostDocumentTest, WrappedViewPositions) {
  // Width 4: "abcdefghij" is rows abcd / efgh / ij; "wxyz" fits one row exactly.
  HostDocument Doc(u"abcdefghij\r\nwxyz\r\n\r\nq");
  Doc.SetWrapWidth(4);
  struct Row {
    THostPos File, View;
  };
  const Row Rows[] = {
      {{0, 0}, {0, 0}}, {{3, 0}, {3, 0}}, {{4, 0}, {0, 1}}, {{9, 0}, {1, 2}}, {{10, 0}, {2, 2}},
      {{0, 1}, {0, 3}}, {{4, 1}, {4, 3}}, {{0, 2}, {0, 4}}, {{1, 3}, {1, 5}},
  };
  EXPECT_EQ(Doc.ViewLineCount(), 6);
  EXPECT_EQ(Send(Doc, HostGetLineCount, HostPosKindView, nullptr), 6);
  for (size_t I = 0; I < std::size(Rows); ++I) {
    THostPos P = Rows[I].File;
    Send(Doc, HostConvertPos, reinterpret_cast<uintptr_t>(&P), &P);  // in place
    EXPECT_EQ(P, Rows[I].View) << "row " << I;
    EXPECT_EQ(Doc.ToFile(Rows[I].View), Rows[I].File) << "row " << I;
    Send(Doc, HostSetCaretPos, HostPosKindView, &Rows[I].View);
    EXPECT_EQ(Doc.Caret(), Rows[I].File) << "row " << I;
    EXPECT_EQ(Get(Doc, HostGetCaretPos, HostPosKindView), Rows[I].View) << "row " << I;
    EXPECT_EQ(Get(Doc, HostGetCaretPos, HostPosKindFile), Rows[I].File) << "row " << I;
  }
  EXPECT_TRUE(Doc.Anomalies().empty());

  // Editing a line re-wraps the rows after it.
  Doc.Select({0, 1}, {0, 1});
  Replace(Doc, u"12345");
  EXPECT_EQ(Doc.ViewLineCount(), 8);
  EXPECT_EQ(Doc.ToView({1, 3}), (THostPos{1, 7}));

  // Kind 0 selection; a view column past its row is an anomaly.
  const THostPos A{1, 1}, B{2, 2};
  Send(Doc, HostSetSelection, reinterpret_cast<uintptr_t>(&A), &B);
  EXPECT_EQ(Show(Doc.SelectionText()), "fghij");
  const THostPos Bad{3, 2};
  Send(Doc, HostSetCaretPos, HostPosKindView, &Bad);
  EXPECT_EQ(Doc.Anomalies().size(), 1u);
}

TEST(HostDocumentTest, HostCommandsStateAndLog) {
  HostDocument Doc(u"one\ntwo\nthree");
  uint8_t Scratch = 0xEE;
  EXPECT_EQ(Send(Doc, HostQueryCommand, HostCmdCanEdit, &Scratch), 1);
  EXPECT_EQ(Scratch, 1);
  Doc.SetReadOnly(true);
  EXPECT_EQ(Send(Doc, HostQueryCommand, HostCmdCanEdit, &Scratch), 0);
  EXPECT_EQ(Replace(Doc, u"x"), u"one\ntwo\nthree");  // refused
  EXPECT_EQ(Doc.Anomalies().size(), 1u);
  Doc.SetReadOnly(false);
  Doc.ClearLog();

  Doc.SetCaret({1, 1});
  Send(Doc, HostExecCommand, HostCmdSelectAll, nullptr);
  EXPECT_TRUE(Doc.WholeDocumentSelected());
  EXPECT_EQ(Doc.SelStart(), (THostPos{0, 0}));
  EXPECT_EQ(Doc.SelEnd(), (THostPos{5, 2}));
  EXPECT_EQ(Send(Doc, HostHasSelection, 0, nullptr), 1);
  Send(Doc, HostExecCommand, HostCmdEndSelectAll, nullptr);
  EXPECT_FALSE(Doc.HasSelection());
  EXPECT_TRUE(Doc.Anomalies().empty());
  Send(Doc, HostExecCommand, HostCmdEndSelectAll, nullptr);  // without 4136 before it
  EXPECT_EQ(Doc.Anomalies().size(), 1u);

  const THostScrollPos Saved{3, 7};
  Send(Doc, HostSetScrollPos, 0, &Saved);
  THostScrollPos Read{0, 0};
  Send(Doc, HostGetScrollPos, 0, &Read);
  EXPECT_EQ(Read.Column, 3);
  EXPECT_EQ(Read.Row, 7);

  Send(Doc, HostSetRedraw, 0, nullptr);
  EXPECT_FALSE(Doc.RedrawEnabled());
  Doc.SetCaret({0, 0});
  Replace(Doc, u"x");
  EXPECT_EQ(Doc.EditsWhileRedrawOn(), 0);
  Send(Doc, HostSetRedraw, 1, nullptr);
  Replace(Doc, u"y");
  EXPECT_EQ(Doc.EditsWhileRedrawOn(), 1);
  EXPECT_EQ(Doc.RedrawSwitches(), 2);

  Send(Doc, HostSendEventValue, 77, nullptr);
  EXPECT_EQ(Doc.LastEventValue(), 77u);

  // The path: at most 260 characters and a zero, whatever its length.
  Doc.SetPath(std::u16string(300, u'p'));
  std::u16string Buffer(HostDocPathLength + 1, u'#');
  EXPECT_EQ(Send(Doc, HostGetDocInfo, HostDocInfoFullPath, Buffer.data()), 260);
  EXPECT_EQ(Buffer.substr(259, 3), (std::u16string{u'p', 0, u'#'}));

  const auto& Log = Doc.Log();
  ASSERT_FALSE(Log.empty());
  EXPECT_EQ(Log.back().Msg, HostGetDocInfo);
  EXPECT_EQ(Log.back().Text.size(), 260u);
  EXPECT_EQ(Doc.MessageCount(HostReplaceSel), 2);
  EXPECT_EQ(Doc.MessageCount(), static_cast<int64_t>(Log.size()));
}

TEST(HostDocumentTest, CaretMovesScrollTheView) {
  std::u16string Text;
  for (int I = 0; I < 100; ++I) Text += u"line\r\n";
  HostDocument Doc(Text);
  Doc.SetViewHeight(10);
  const THostPos Far{0, 50};
  Send(Doc, HostSetCaretPos, HostPosKindFile, &Far);
  EXPECT_EQ(Doc.ScrollPos().Row, 41);
  const THostPos Near{0, 45};
  Send(Doc, HostSetCaretPos, HostPosKindFile, &Near);
  EXPECT_EQ(Doc.ScrollPos().Row, 41);
  const THostPos Top{0, 3};
  Send(Doc, HostSetCaretPos, HostPosKindFile, &Top);
  EXPECT_EQ(Doc.ScrollPos().Row, 3);
}

TEST(HostDocumentTest, EveryMessageHasItsNameAndUnknownOnesAreFlagged) {
  struct Row {
    uint32_t Msg;
    std::string Name;
  };
  const Row Rows[] = {
      {HostQueryCommand, "HostQueryCommand"},    {HostSendEventValue, "HostSendEventValue"},
      {HostGetLineCount, "HostGetLineCount"},    {HostGetCaretPos, "HostGetCaretPos"},
      {HostGetScrollPos, "HostGetScrollPos"},    {HostConvertPos, "HostConvertPos"},
      {HostSetCaretPos, "HostSetCaretPos"},      {HostSetScrollPos, "HostSetScrollPos"},
      {HostExecCommand, "HostExecCommand"},      {HostGetSelStart, "HostGetSelStart"},
      {HostGetSelEnd, "HostGetSelEnd"},          {HostSelectChars, "HostSelectChars"},
      {HostSetSelection, "HostSetSelection"},    {HostSetRedraw, "HostSetRedraw"},
      {HostHasSelection, "HostHasSelection"},    {HostGetSelText, "HostGetSelText"},
      {HostGetLineText, "HostGetLineText"},      {HostReplaceSel, "HostReplaceSel"},
      {HostGetDocInfo, "HostGetDocInfo"},        {0, "unknown message"},
      {HostQueryCommand + 2, "unknown message"}, {HostGetDocInfo + 1, "unknown message"},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    EXPECT_EQ(HostDocument::MessageName(Rows[I].Msg), Rows[I].Name) << "row " << I;
    if (Rows[I].Name != "unknown message") continue;
    HostDocument Doc(u"abc");
    EXPECT_EQ(Send(Doc, Rows[I].Msg, 1, nullptr), 0) << "row " << I;
    EXPECT_EQ(Doc.Text(), u"abc") << "row " << I;
    ASSERT_EQ(Doc.Anomalies().size(), 1u) << "row " << I;
    EXPECT_EQ(Doc.Anomalies()[0], "unknown message " + std::to_string(Rows[I].Msg)) << "row " << I;
    ASSERT_EQ(Doc.Log().size(), 1u) << "row " << I;
    EXPECT_EQ(Doc.Log()[0].Msg, Rows[I].Msg) << "row " << I;
  }
}

TEST(HostDocumentTest, NullPointersAreAnsweredZeroAndFlagged) {
  const THostPos P{0, 0};
  struct Row {
    uint32_t Msg;
    uintptr_t W;
    const void* L;
  };
  const Row Rows[] = {
      {HostQueryCommand, HostCmdCanEdit, nullptr},
      {HostGetCaretPos, HostPosKindFile, nullptr},
      {HostGetSelStart, HostPosKindFile, nullptr},
      {HostGetSelEnd, HostPosKindFile, nullptr},
      {HostConvertPos, 0, &P},
      {HostConvertPos, reinterpret_cast<uintptr_t>(&P), nullptr},
      {HostSetCaretPos, HostPosKindFile, nullptr},
      {HostGetScrollPos, 0, nullptr},
      {HostSetScrollPos, 0, nullptr},
      {HostSetSelection, 0, &P},
      {HostSetSelection, reinterpret_cast<uintptr_t>(&P), nullptr},
      {HostGetLineText, 0, nullptr},
      {HostReplaceSel, 0, nullptr},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    HostDocument Doc(u"abc");
    Doc.SetCaret({1, 0});
    const intptr_t Answer = Send(Doc, Rows[I].Msg, Rows[I].W, Rows[I].L);
    // HostQueryCommand still answers; it only has nowhere to put its scratch byte.
    EXPECT_EQ(Answer, Rows[I].Msg == HostQueryCommand ? 1 : 0) << "row " << I;
    EXPECT_EQ(Doc.Anomalies().size(), 1u) << "row " << I;
    EXPECT_EQ(Doc.Caret(), (THostPos{1, 0})) << "row " << I;
    EXPECT_EQ(Doc.Text(), u"abc") << "row " << I;
  }
}

}  // namespace
