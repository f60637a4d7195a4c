// The runs of lines, which must give exactly what one engine call on the whole text gives,
// read in blocks of any size, and never a success when the file changed under the reading.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <string>
#include <vector>

#include "LineNumberUnit/ContinueRule.h"
#include "LineNumberUnit/LineForm.h"
#include "LineNumberUnit/LineNumberUnit.h"
#include "cli/filter/CommandLine.h"
#include "cli/filter/LineFilter.h"
#include "cli/io/ContentDigest.h"
#include "cli/io/TextCodec.h"
#include "cli/sys/System.h"
#include "tests/cli/filter/FilterOracle.h"
#include "tests/library/TestText.h"
#include "tests/cli/FilterTestKit.h"
#include "tests/RandomCases.h"

namespace {

using namespace corvane_test;

// Random texts with every kind of break, numbers, separators and non-ASCII characters, of the
// pieces Encoding holds: code page 932's trail bytes 0x5C and 0x7C ('表', 'ソ', '怖'),
// half-width katakana, the NEC and IBM extensions ('①髙', not in EUC-JP), EUC-JP's JIS X 0212
// ('丂') and its tilde (not in code page 932).
std::u16string RandomText(std::mt19937& Rng, TTextEncoding Encoding = teUtf8) {
  static const std::u16string Pieces[] = {
      u"a", u"12", u":",  u" ",  u"\t", u"  3:", u"x:y", u"行",         u"\r\n", u"\r", u"\n",
      u"0", u"表", u"ソ", u"怖", u"ｱｲ", u"丂～", u"①髙", u"\U0001F600", u"``",   u"～`"};
  std::uniform_int_distribution<size_t> Pick(0, std::size(Pieces) - 1);
  std::uniform_int_distribution<int> Length(0, 60);
  std::u16string Text;
  std::string Bytes;
  for (int I = Length(Rng); I > 0; --I) {
    const std::u16string& Piece = Pieces[Pick(Rng)];
    if (EncodeText(Piece, Encoding, Bytes)) Text += Piece;
  }
  return Text;
}

// Every operation through the filter, on bytes or UTF-16 units, read in blocks of any size,
// from a file or a pipe, gives what the plug-in's whole-text engine call gives.
TEST(LineFilter, BlocksOfEveryEncodingMatchOneEngineCall) {
  std::mt19937 Rng(20240601);
  const int32_t Starts[] = {1, 0, -3, 7, 98, -100, INT32_MAX - 40, INT32_MIN + 3, INT32_MAX};
  const int32_t Steps[] = {1, -1, 10, -10, 0, 3, 1000000};
  for (int Case = 0; Case < RandomCases(3000); ++Case) {
    const TTextEncoding Encoding = static_cast<TTextEncoding>(Rng() % 6);
    const std::u16string Text = RandomText(Rng, Encoding);
    TFilterRequest Request;
    Request.BlockUnits = std::uniform_int_distribution<size_t>(1, 12)(Rng);
    const size_t Piece = Rng() % 3 == 0 ? 1 + Rng() % 7 : 0;
    TNumbering& N = Request.Numbering;
    N.Start = Starts[Rng() % std::size(Starts)];
    N.Step = Steps[Rng() % std::size(Steps)];
    N.ZeroDigits = static_cast<int32_t>(Rng() % 4);
    N.Options = static_cast<TLineNumberOptions>(Rng() % 4);
    const std::string Bom(BomBytes(Encoding));
    const std::string File = Bom + Utf8(Text, Encoding);
    Request.ContinueStep = N.Step;
    Request.CopyTidy = Case % 2 == 0;
    Request.CopyPath = "表/f";
    Request.CopyHeading = static_cast<TCopyHeading>(Case % 3);
    if (Case % 5 < 2) Request.CopyFence = Case % 5 == 0 ? u"" : u"言語";
    Request.Form.Read = fcColon;  // what the whole-text engine reads
    // Plain ASCII is UTF-8 to the detection; named, it is code page 932 or EUC-JP for the path
    // too.
    if (Encoding >= teCp932) Request.Encoding = Encoding;
    for (int Operation = foNumber; Operation <= foRenumber; ++Operation) {
      Request.Operation = static_cast<TFilterOperation>(Operation);
      // The engine's tidying reads '-3:' as no number; copy -t tidies whatever the sign.
      if (Operation == foCopy && Request.CopyTidy) N.Start = std::max(N.Start, 0);
      ASSERT_EQ(Filter(File, Request, Piece),
                Bom + Utf8(filter_oracle::Expected(Request, Text), Encoding))
          << "case " << Case << " operation " << Operation << " start " << N.Start << " step "
          << N.Step << " piece " << Piece;
    }
  }
}

// The forms through the filter: nl's and list texts read and rewritten in any encoding and any
// blocks give what one UTF-8 block gives; deleting gives what the whole-text engine gives.
TEST(LineFilter, FormsReadTheSameInAnyBlocks) {
  std::mt19937 Rng(808);
  const TFormChoice Forms[] = {fcNl, fcList, fcAuto};
  for (int Case = 0; Case < RandomCases(600); ++Case) {
    const TTextEncoding Encoding = static_cast<TTextEncoding>(Rng() % 6);
    // Code page 932 and EUC-JP are named, and the whole-block reference is in them too.
    const bool Named = Encoding >= teCp932;
    const TTextEncoding Reference = Named ? Encoding : teUtf8;
    const bool List = Case % 2 == 1;
    // A text numbered in nl's or the list form first, so there is something to read.
    const std::u16string Separator = List ? u". " : Case % 3 == 0 ? u"\t" : u" | ";
    TNumberField Field{List ? faRight : static_cast<TFieldAlign>(Rng() % 3),
                       List ? 1 : static_cast<int64_t>(1 + Rng() % 6), List};
    const TNumberPlan Plan =
        *PlanFieldNumbers(static_cast<int32_t>(Rng() % 20), 1, 0, Field, Separator.size(), 200);
    TLineNumberer<char16_t> Numberer(Plan, Separator);
    const std::u16string Raw = RandomText(Rng, Encoding);
    std::u16string Text;
    uint64_t K = 0;
    ForEachLine<char16_t>(Raw, true, [&](std::u16string_view Line) {
      if (Rng() % 4 == 0) return Text.append(Line), void();
      Numberer.Append(K++, Line, Text);
    });
    TFilterRequest Request;
    Request.BlockUnits = 1 + Rng() % 12;
    Request.Form.Read = Forms[Rng() % 3];
    if (!List) Request.Form.Separator = Separator;
    if (Rng() % 2 == 0) Request.Form.Width = 1 + Rng() % 5;
    if (Rng() % 3 == 0) Request.Form.AfterIndent = true;
    if (Rng() % 3 == 0) Request.Form.Body = bcText;
    if (Named) Request.Encoding = Encoding;
    const size_t Piece = Rng() % 3 == 0 ? 1 + Rng() % 7 : 0;
    const std::string Bom(BomBytes(Encoding));
    for (const TFilterOperation Operation :
         {foNumber, foContinue, foDelete, foDeleteNumberOnly, foDedent, foTidy, foRenumber}) {
      Request.Operation = Operation;
      TFilterRequest Whole = Request;
      Whole.BlockUnits = 1 << 16;
      const std::string Want = Filter(Utf8(Text, Reference), Whole);
      std::u16string WantText;
      DecodeText(Want, Reference, WantText);
      ASSERT_EQ(Filter(Bom + Utf8(Text, Encoding), Request, Piece), Bom + Utf8(WantText, Encoding))
          << "case " << Case << " operation " << Operation << " form " << +Request.Form.Read
          << " text '" << Utf8(Text) << "'";
      if (Operation == foDelete && Request.Form.Read != fcAuto) {
        const std::u16string_view NlSeparator = Request.Form.Separator.empty()
                                                    ? std::u16string_view(u"\t")
                                                    : std::u16string_view(Request.Form.Separator);
        const TFormReader<char16_t> Reader(Request.Form.Read == fcList ? fkList : fkNl,
                                           NlSeparator);
        EXPECT_EQ(WantText, DeleteFormNumbers<char16_t>(Text, Reader)) << "case " << Case;
      }
    }
  }
}

TEST(LineFilter, WholeTextOperationsAndCopy) {
  const std::u16string Text = u"1:   a\r\n2:\r\n3:     b\n";
  TFilterRequest Request;
  Request.Operation = foDedent;
  EXPECT_EQ(Filter(Utf8(Text), Request), "1:a\r\n2:\r\n3:  b\n");
  Request.Operation = foTidy;
  EXPECT_EQ(Filter(Utf8(Text), Request), "1:a\r\n3:  b\n");

  Request.Operation = foCopy;
  Request.CopyPath = "\\docs\\memo.txt";
  EXPECT_EQ(Filter("x\r\n  y\r\n\r\n", Request),
            "\\docs\\\r\n  memo.txt\r\n1:x\r\n2:  y\r\n3:\r\n");
  Request.CopyTidy = true;
  Request.CopyPath = "/home/u/a.txt";
  EXPECT_EQ(Filter("  x\n    y\n\n", Request), "/home/u/\n  a.txt\n1:x\n2:  y\n");
  Request.CopyPath = "";
  EXPECT_EQ(Filter("", Request), "\r\n  \r\n");
  EXPECT_EQ(CopyHeader(u"C:memo", u"\r"), u"C:\r  memo\r");
}

// Which encoding the filter settles on, what it tells the sink, and where it finds invalid text.
TEST(LineFilter, SettlesTheEncoding) {
  class TRecordingSink : public TStringSink {
   public:
    void SetEncoding(TTextEncoding Encoding) override { Told.push_back(Encoding); }
    std::vector<TTextEncoding> Told;
  };
  const std::string Ascii = "12:x\n" + std::string(40, 'a') + "\n";
  const std::string Sjis = "\x83\x41\x95\x5C\n";   // "ア表": not UTF-8
  const std::string Utf8Kana = "\xE3\x82\xA2\n";   // "ア": code page 932 too
  const std::string Utf8Kanji = "\xE8\xA1\x8C\n";  // "行": not code page 932
  const std::string Euc = "\xB0\xFE\xA4\xA2\n";    // "蔭あ": FE trails nothing in code page 932
  const struct {
    std::string File;
    TEncodingChoice Choice;
    bool Ok;
    TTextEncoding Encoding;
    uint64_t Offset;
  } Rows[] = {
      {Ascii, std::nullopt, true, teUtf8, 0},
      {Ascii + Sjis, std::nullopt, true, teCp932, 0},
      {Ascii + Utf8Kana, std::nullopt, true, teUtf8, 0},  // valid as both: UTF-8
      {Ascii + Utf8Kanji, std::nullopt, true, teUtf8, 0},
      {Ascii + Sjis + Utf8Kanji, std::nullopt, false, teUtf8, Ascii.size() + 7},
      {Ascii + Utf8Kanji + Sjis, std::nullopt, false, teUtf8, Ascii.size() + 4},
      {Ascii + Sjis, teUtf8, false, teUtf8, Ascii.size()},
      {Ascii + Utf8Kanji, teCp932, false, teUtf8, Ascii.size() + 2},
      {"\xEF\xBB\xBF" + Sjis, std::nullopt, false, teUtf8, 3},  // a UTF-8 BOM decides
      {Ascii + Euc, std::nullopt, true, teEucJp, 0},
      {Ascii + Sjis + Euc, std::nullopt, false, teUtf8, Ascii.size() + 6},  // C1 is no guess
      {Ascii + Sjis + Euc, teEucJp, true, teEucJp, 0},                      // but valid EUC-JP
      // A named encoding refuses another one's BOM, even where its bytes are valid in it.
      {"\xFF\xFE" + Ascii, teUtf16BE, false, teUtf8, 0},
      {"\xEF\xBB\xBF\xA4\xA2", teEucJp, false, teUtf8, 0},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    for (const size_t Piece : {size_t{0}, size_t{3}}) {  // a file, then a pipe
      TRecordingSink Sink;
      TFilterRequest Request;
      Request.Operation = foDelete;
      Request.Encoding = Rows[I].Choice;
      Request.BlockUnits = 4;
      TMemorySource Input(Rows[I].File, Piece == 0 ? SIZE_MAX : Piece, Piece == 0);
      const TFilterResult Result = FilterInput(Input, Request, Sink);
      ASSERT_EQ(Result.Ok, Rows[I].Ok) << "row " << I << " piece " << Piece;
      if (!Result.Ok) {
        EXPECT_EQ(Result.Error.Offset, Rows[I].Offset) << "row " << I << " piece " << Piece;
        continue;
      }
      EXPECT_EQ(Result.Encoding, Rows[I].Encoding) << "row " << I << " piece " << Piece;
      // A file is known before it is written; a pipe is told when it turns out otherwise.
      std::vector<TTextEncoding> Told = {Rows[I].Encoding};
      if (Piece != 0 && Rows[I].Encoding >= teCp932 && !Rows[I].Choice) {
        Told.insert(Told.begin(), teUtf8);
      }
      EXPECT_EQ(Sink.Told, Told) << "row " << I << " piece " << Piece;
    }
  }
}

// A stream that turns invalid writes whole lines before the bad unit's line at most, at any
// block and read size; the offset is the first bad byte's.
TEST(LineFilter, StreamWritesOnlyLinesBeforeTheBadOne) {
  const std::string Bom = "\xFF\xFE";
  const struct {
    std::string File;
    std::string Written;  // at most; a prefix of whole lines of it for small blocks
    uint64_t Offset;
  } Rows[] = {
      {Bom + std::string("$\0\0", 3), "", 4},
      {Bom + std::string("1\0:\0a\0\n\0$\0\0", 11), Bom + std::string("a\0\n\0", 4), 12},
      {Bom + std::string("a\0\n\0\0\xDC$\0\0", 9), Bom + std::string("a\0\n\0", 4), 6},
      {Bom + std::string("a\0\n\0\0", 5), Bom + std::string("a\0\n\0", 4), 6},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    for (const size_t Block : {size_t{1}, size_t{3}, size_t{1} << 17}) {
      TStringSink Sink;
      TFilterRequest Request;
      Request.Operation = foDelete;
      Request.Encoding = teUtf16LE;
      Request.BlockUnits = Block;
      TMemorySource Input(Rows[I].File, 1 + I % 3, false);
      const TFilterResult Result = FilterInput(Input, Request, Sink);
      EXPECT_FALSE(Result.Ok) << "row " << I << " block " << Block;
      EXPECT_EQ(Result.Error.Offset, Rows[I].Offset) << "row " << I << " block " << Block;
      EXPECT_EQ(Rows[I].Written.substr(0, Sink.Text.size()), Sink.Text)
          << "row " << I << " block " << Block;
      if (Block > 3) {
        EXPECT_EQ(Sink.Text, Rows[I].Written) << "row " << I;
      }
    }
  }
}

// A file rewritten in place with the same size and lines once Switch bytes were read in all,
// read at most Piece bytes a read.
class TRewrittenSource : public TInputSource {
 public:
  TRewrittenSource(std::string_view Old, std::string_view New, uint64_t Switch, size_t Piece)
      : FOld(Old), FNew(New), FSwitch(Switch), FPiece(Piece) {}
  size_t Read(char* Buffer, size_t Size) override {
    const size_t N = std::min({Size, FPiece, FOld.size() - FPos});
    for (size_t I = 0; I < N; ++I, ++FPos) Buffer[I] = (FRead++ < FSwitch ? FOld : FNew)[FPos];
    return N;
  }
  [[nodiscard]] bool CanRewind() const override { return true; }
  void Rewind() override { FPos = 0; }
  [[nodiscard]] bool Waits() const override { return false; }
  [[nodiscard]] const std::string& Name() const override { return FName; }

 private:
  std::string_view FOld, FNew;
  uint64_t FSwitch, FRead = 0;
  size_t FPiece, FPos = 0;
  std::string FName = "f";
};

// Whenever the rewrite falls, every command either reports the change or read the same
// bytes twice and writes what they make; never a success on a mix.
TEST(LineFilter, RewriteWhileReadIsNeverASuccess) {
  const std::string Old = "1:  ab\n2:\n3:  cd\n4:  ef\n", New = "7:  xy\n8:\n9:  zw\n0:  uv\n";
  for (uint64_t Switch = 0; Switch <= 2 * Old.size(); ++Switch) {
    // What each reading sees: the old bytes up to the switch, the new ones from there.
    std::string First = Old, Second = Old;
    for (size_t I = 0; I < Old.size(); ++I) {
      if (I >= Switch) First[I] = New[I];
      if (Old.size() + I >= Switch) Second[I] = New[I];
    }
    for (int Operation = foNumber; Operation <= foRenumber; ++Operation) {
      TFilterRequest Request;
      Request.Operation = static_cast<TFilterOperation>(Operation);
      Request.BlockUnits = 1 + Switch % 5;
      TRewrittenSource Input(Old, New, Switch, 1 + Switch % 3);
      TStringSink Sink;
      try {
        const TFilterResult Result = FilterInput(Input, Request, Sink);
        EXPECT_EQ(First, Second) << "a success on a changed file; switch " << Switch
                                 << " operation " << Operation;
        EXPECT_TRUE(Result.Ok);
        EXPECT_EQ(Sink.Text, Utf8(filter_oracle::Expected(Request, Utf16Of(Second))))
            << "switch " << Switch << " operation " << Operation;
      } catch (const EInputError& E) {
        EXPECT_NE(First, Second) << "switch " << Switch << " operation " << Operation;
        EXPECT_EQ(std::string(E.what()), "f: file changed while it was being read");
      }
    }
  }
}

}  // namespace
