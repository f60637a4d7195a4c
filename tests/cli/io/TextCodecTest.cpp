// The table of encodings: every encoding both ways, and the first invalid byte named.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/filter/LineFilter.h"
#include "cli/io/TextCodec.h"
#include "tests/cli/FilterTestKit.h"
#include "tests/library/TestText.h"

namespace {

using namespace corvane_test;

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

}  // namespace
