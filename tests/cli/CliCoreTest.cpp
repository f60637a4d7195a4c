// The corvane filter's core: encodings, the command line, and the runs of
// lines, which must give exactly what one engine call on the whole text gives.

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
#include "tests/cli/FilterOracle.h"
#include "tests/library/TestText.h"

namespace {

class TStringSink : public TByteSink {
 public:
  void Write(std::string_view Bytes) override { Text.append(Bytes); }
  std::string Text;
};

std::string Utf8(std::u16string_view Text, TTextEncoding Encoding = teUtf8) {
  std::string Out;
  EncodeText(Text, Encoding, Out);
  return Out;
}

std::u16string Utf16Of(std::string_view Utf8Text) {
  std::u16string Out;
  DecodeText(Utf8Text, teUtf8, Out);
  return Out;
}

// The filter's output; Piece > 0 reads the input as a pipe, at most Piece bytes a read.
std::string Filter(std::string_view File, const TFilterRequest& Request, size_t Piece = 0) {
  TStringSink Sink;
  TMemorySource Input(File, Piece == 0 ? SIZE_MAX : Piece, Piece == 0);
  const TFilterResult Result = FilterInput(Input, Request, Sink);
  EXPECT_TRUE(Result.Ok);
  return Sink.Text;
}

TEST(TextCodec, RoundTripsEveryEncoding) {
  const std::u16string Samples[] = {u"",
                                    u"plain\r\nascii\rline\n",
                                    u"é ß ü\n",
                                    u"行番号 ｱ　x",
                                    u"\U0001F600 and \U0010FFFF",
                                    std::u16string(u"nul\0inside", 10),
                                    u"0123456789abcdef0123456789abcdef日本"};
  for (TTextEncoding E : {teUtf8, teUtf8Bom, teUtf16LE, teUtf16BE}) {
    for (size_t I = 0; I < std::size(Samples); ++I) {
      const std::string File = std::string(BomBytes(E)) + Utf8(Samples[I], E);
      size_t Bom = 99;
      ASSERT_EQ(DetectEncoding(File, Bom), E == teUtf8 ? teUtf8 : E) << EncodingName(E) << " " << I;
      EXPECT_EQ(Bom, BomBytes(E).size());
      TEncodingError Error;
      ASSERT_TRUE(ValidateText(File.substr(Bom), E, Error)) << EncodingName(E) << " " << I;
      std::u16string Decoded;
      DecodeText(File.substr(Bom), E, Decoded);
      EXPECT_EQ(Decoded, Samples[I]) << EncodingName(E) << " row " << I;
      EXPECT_EQ(Utf8(Decoded, E), File.substr(Bom)) << EncodingName(E) << " row " << I;
    }
  }
  EXPECT_EQ(Utf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8(u"é", teUtf16BE), std::string("\x00\xE9", 2));
}

// Every character the EUC-JP table holds converts through the system's converter and back to
// its own bytes: glibc's iconv, or Windows' 20932 with JIS X 0212 in its two-byte form.
TEST(TextCodec, EveryEucJpCharacterConvertsBothWays) {
  size_t Characters = 0;
  const auto Check = [&](const std::string& Bytes) {
    TEncodingError Error;
    if (!ValidateText(Bytes, teEucJp, Error)) return;
    ++Characters;
    std::u16string Text;
    DecodeText(Bytes, teEucJp, Text);
    std::string Back;
    ASSERT_EQ(Text.size(), 1u) << Hex(Bytes);
    ASSERT_TRUE(EncodeText(Text, teEucJp, Back)) << Hex(Bytes);
    ASSERT_EQ(Back, Bytes) << Hex(Bytes);
  };
  for (unsigned A = 0xA1; A <= 0xFE; ++A) {
    for (unsigned B = 0xA1; B <= 0xFE; ++B) {
      Check({static_cast<char>(A), static_cast<char>(B)});
      Check({'\x8F', static_cast<char>(A), static_cast<char>(B)});
    }
    Check({'\x8E', static_cast<char>(A)});
  }
  EXPECT_EQ(Characters, 6879u + 6067u + 63u);
}

TEST(TextCodec, ReportsTheFirstInvalidByte) {
  const std::string Long(37, 'a');  // past the sixteen-byte fast path
  struct TRow {
    std::string Body;
    TTextEncoding Encoding;
    size_t Offset;
  } Rows[] = {
      {"\x80", teUtf8, 0},
      {"ab\xC3(", teUtf8, 2},
      {Long + "\xC3", teUtf8, 37},      // cut at the end
      {"x\xC0\x80", teUtf8, 1},         // overlong NUL
      {"\xE0\x80\x80", teUtf8, 0},      // overlong three-byte form
      {"ok \xED\xA0\x80", teUtf8, 3},   // encoded surrogate
      {"\xF4\x90\x80\x80", teUtf8, 0},  // above U+10FFFF
      {"\xF5\x80\x80\x80", teUtf8, 0},
      {Long + "\xE3\x81" + Long, teUtf8, 37},
      {std::string("a\0\x00\xDC", 4), teUtf16LE, 2},       // lone low surrogate
      {std::string("\x00\xD8\x41\x00", 4), teUtf16LE, 0},  // high, then no low
      {std::string("\x00\x41\xD8\x00", 4), teUtf16BE, 2},  // high at the end
      {std::string("\x41\x00\x42", 3), teUtf16LE, 2},      // half a unit
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    TEncodingError Error;
    EXPECT_FALSE(ValidateText(Rows[I].Body, Rows[I].Encoding, Error)) << "row " << I;
    EXPECT_EQ(Error.Offset, Rows[I].Offset) << "row " << I;
  }
  // Offsets count from the start of the file, BOM included; nothing reaches the sink.
  TStringSink Sink;
  const TFilterResult Result = FilterText(
      "\xEF\xBB\xBF"
      "ab\xFF",
      TFilterRequest{}, Sink);
  EXPECT_FALSE(Result.Ok);
  EXPECT_EQ(Result.Error.Offset, 5u);
  EXPECT_EQ(Sink.Text, "");
}

TEST(CommandLine, ParsesOptionsAnywhere) {
  TCommandLine L = ParseCommandLine(
      {"number", "a.txt", "-rp", "--start=-5", "-i", "-10", "-z3", "--out", "o.txt", "--", "-b"});
  EXPECT_EQ(L.Request.Operation, foNumber);
  EXPECT_EQ(L.Request.Numbering.Start, -5);
  EXPECT_EQ(L.Request.Numbering.Step, -10);
  EXPECT_EQ(L.Request.Numbering.ZeroDigits, 3);
  EXPECT_EQ(L.Request.Numbering.Options, lnoReverse | lnoPlusSign);
  EXPECT_EQ(L.Output.value_or(""), "o.txt");
  EXPECT_EQ(L.Files, (std::vector<std::string>{"a.txt", "-b"}));

  L = ParseCommandLine({"continue", "--step", "+10"});
  EXPECT_EQ(L.Request.ContinueStep, 10);
  EXPECT_EQ(L.Files, std::vector<std::string>{"-"});
  L = ParseCommandLine({"copy", "-t", "--path", "C:\\docs\\memo.txt", "-"});
  EXPECT_TRUE(L.Request.CopyTidy);
  EXPECT_EQ(L.CopyPath.value_or(""), "C:\\docs\\memo.txt");
  EXPECT_EQ(ParseCommandLine({"tidy", "--help"}).Action, caHelp);
  EXPECT_EQ(ParseCommandLine({"tidy"}).Request.SpoolLimit, uint64_t{4} << 30);
  EXPECT_EQ(ParseCommandLine({"tidy", "--spool-limit", "3m"}).Request.SpoolLimit, 3u << 20);
  EXPECT_EQ(ParseCommandLine({"tidy", "--spool-l=1000"}).Request.SpoolLimit, 1000u);
  EXPECT_EQ(ParseCommandLine({"--version"}).Action, caVersion);
  EXPECT_EQ(ParseCommandLine({"--he"}).Action, caHelp);
  EXPECT_EQ(ParseCommandLine({"continue", "--vers"}).Action, caVersion);
}

TEST(CommandLine, RejectsBadUsage) {
  const struct {
    std::vector<std::string> Args;
    std::string Message;
  } Rows[] = {
      {{}, "missing command"},
      {{"frob"}, "unknown command 'frob'"},
      {{"-r", "number"}, "missing command before '-r'"},
      {{"number", "-x"}, "invalid option -- 'x'"},
      {{"delete", "-r"}, "invalid option -- 'r'"},
      {{"number", "--bogus"}, "unrecognized option '--bogus'"},
      {{"number", "--s=1"},
       "option '--s=1' is ambiguous; possibilities: '--start' '--step' '--separator'"
       " '--spool-limit'"},
      {{"continue", "-rs"}, "invalid option -- 'r'"},
      {{"--reverse", "number"}, "missing command before '--reverse'"},
      {{"number", "-s"}, "option requires an argument -- 's'"},
      {{"number", "--start"}, "option '--start' requires an argument"},
      {{"number", "--reverse=1"}, "option '--reverse' doesn't allow an argument"},
      {{"number", "-s", "3000000000"},
       "start value out of range: '3000000000' (allowed: -2147483648 to 2147483647)"},
      {{"number", "-i", "-2147483649"},
       "step out of range: '-2147483649' (allowed: -2147483648 to 2147483647)"},
      {{"continue", "--step=ten"}, "invalid step: 'ten'"},
      {{"number", "-s", "1.5"}, "invalid start value: '1.5'"},
      {{"number", "-z", "0"}, "invalid zero-fill width: '0' (allowed: 1 to 1000)"},
      {{"number", "-z", "1001"}, "invalid zero-fill width: '1001' (allowed: 1 to 1000)"},
      {{"number", "-o", ""}, "invalid output file name: ''"},
      // Values are quoted with escapes for what does not print; UTF-8 shows as it is.
      {{"frob\x1b[2J"}, "unknown command 'frob\\033[2J'"},
      {{"number", "-s", "a\tb"}, "invalid start value: 'a\\tb'"},
      {{"number", "-s", "it's\xff"}, "invalid start value: 'it\\'s\\377'"},
      {{"number", "-s", "\xEF\xBC\x95\xC2\x85"}, "invalid start value: '\xEF\xBC\x95\\302\\205'"},
      {{"number", "-w", "0"}, "invalid width: '0' (allowed: 1 to 1000)"},
      {{"number", "-w1001"}, "invalid width: '1001' (allowed: 1 to 1000)"},
      {{"number", "-S", ""}, "invalid separator: '' (one line of text, not empty)"},
      {{"number", "-S", "a\nb"}, "invalid separator: 'a\\nb' (one line of text, not empty)"},
      {{"number", "-S", "\xFF"}, "invalid separator: '\\377' (one line of text, not empty)"},
      {{"number", "-n", "lz"}, "invalid number format: 'lz' (allowed: ln, rn, rz)"},
      {{"number", "-b", "x"}, "invalid body numbering style: 'x' (allowed: a, t, pBRE)"},
      {{"number", "-b", "p\\(a"}, "invalid regular expression: '\\\\(a': Unmatched ( or \\("},
      {{"delete", "--form=csv"}, "invalid form: 'csv' (allowed: colon, nl, list, auto)"},
      {{"number", "--form=nl"}, "unrecognized option '--form=nl'"},
      {{"number", "-z3", "-w4"}, "option '-z' cannot be combined with '-n' or '-w'"},
      {{"tidy", "--spool-limit=0"}, "invalid spool limit: '0' (a size such as 512M or 4G)"},
      {{"copy", "--spool-limit=4X"}, "invalid spool limit: '4X' (a size such as 512M or 4G)"},
      {{"copy", "--spool-limit=G"}, "invalid spool limit: 'G' (a size such as 512M or 4G)"},
      {{"number", "--spool-limit=16777216T"},
       "invalid spool limit: '16777216T' (a size such as 512M or 4G)"},
  };
  for (size_t I = 0; I < std::size(Rows); ++I) {
    try {
      (void)ParseCommandLine(Rows[I].Args);
      ADD_FAILURE() << "row " << I << " was accepted";
    } catch (const EUsageError& E) {
      EXPECT_EQ(std::string(E.what()), Rows[I].Message) << "row " << I;
    }
  }
}

// Random texts with every kind of break, numbers, separators and non-ASCII characters, of the
// pieces Encoding holds: code page 932's trail bytes 0x5C and 0x7C ('表', 'ソ', '怖'),
// half-width katakana, the NEC and IBM extensions ('①髙', not in EUC-JP), EUC-JP's JIS X 0212
// ('丂') and its tilde (not in code page 932).
std::u16string RandomText(std::mt19937& Rng, TTextEncoding Encoding = teUtf8) {
  static const std::u16string Pieces[] = {
      u"a",  u"12", u":",  u" ",  u"\t", u"  3:", u"x:y",  u"行",  u"\r\n",      u"\r",
      u"\n", u"0",  u"表", u"ソ", u"怖", u"ｱｲ",   u"丂～", u"①髙", u"\U0001F600"};
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
  for (int Case = 0; Case < 3000; ++Case) {
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
    Request.Form.Read = fcColon;  // what the whole-text engine reads
    // Plain ASCII is UTF-8 to the detection; named, it is code page 932 or EUC-JP for the path
    // too.
    if (Encoding >= teCp932) Request.Encoding = Encoding;
    for (int Operation = foNumber; Operation <= foRenumber; ++Operation) {
      Request.Operation = static_cast<TFilterOperation>(Operation);
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
  for (int Case = 0; Case < 600; ++Case) {
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

// A rewrite within the same second shows in a file's facts: the time is the file system's
// own, not whole seconds.
TEST(SystemFacts, ShowARewriteWithinASecond) {
  const std::filesystem::path Path =
      std::filesystem::temp_directory_path() / ("corvane-facts-" + std::to_string(std::rand()));
  auto Write = [&Path](const char* Text) { std::ofstream(Path, std::ios::binary) << Text; };
  Write("one\n");
  const int Fd = sys::OpenForReading(Path.string());
  ASSERT_GE(Fd, 0);
  sys::TFileFacts Before, After;
  ASSERT_TRUE(sys::Facts(Fd, Before));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  Write("two\n");
  ASSERT_TRUE(sys::Facts(Fd, After));
  EXPECT_EQ(After.Size, Before.Size);
  EXPECT_NE(After.Modified, Before.Modified);
  (void)sys::Close(Fd);
  std::filesystem::remove(Path);
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

// Reads cut a stream anywhere: the digest must not depend on where, and must see every byte.
TEST(ContentDigest, SameForAnyCutAndSeesEveryByte) {
  std::mt19937 Rng(7);
  std::string Bytes(150, '\0');
  for (char& C : Bytes) C = static_cast<char>(Rng());
  auto Digest = [](std::string_view S, size_t Cut1, size_t Cut2) {
    TContentDigest D;
    D.Add(S.data(), Cut1);
    D.Add(S.data() + Cut1, Cut2 - Cut1);
    D.Add(S.data() + Cut2, S.size() - Cut2);
    return D.Value();
  };
  const uint64_t Whole = Digest(Bytes, 0, 0);
  for (size_t Cut1 = 0; Cut1 <= Bytes.size(); ++Cut1) {
    for (size_t Cut2 = Cut1; Cut2 <= Bytes.size(); Cut2 += 7) {
      ASSERT_EQ(Digest(Bytes, Cut1, Cut2), Whole) << "cuts " << Cut1 << " " << Cut2;
    }
  }
  for (size_t I = 0; I < Bytes.size(); ++I) {
    std::string Changed = Bytes;
    Changed[I] = static_cast<char>(Changed[I] ^ (1 << (I % 8)));
    EXPECT_NE(Digest(Changed, I / 2, I), Whole) << "byte " << I;
  }
  EXPECT_NE(Digest(Bytes.substr(1), 0, 0), Whole);
  EXPECT_NE(Digest(Bytes + '\0', 0, 0), Whole);
}

}  // namespace
