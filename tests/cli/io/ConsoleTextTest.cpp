// TConsoleDecoder: output bytes cut into pieces anywhere give the same console text as the
// whole, in every encoding (through the system's own converters, iconv or Windows'); a BOM at an
// input's start is not shown; broken bytes end in U+FFFD.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/io/ConsoleText.h"
#include "cli/sys/System.h"
#include "cli/io/TextCodec.h"

namespace {

using namespace std::string_view_literals;

std::string Encoded(std::u16string_view Text, TTextEncoding Encoding) {
  std::string Out(BomBytes(Encoding));
  EXPECT_TRUE(EncodeText(Text, Encoding, Out));
  return Out;
}

// Bytes cut at Cuts (ascending offsets), decoded piece by piece as one input. Each piece's
// text goes to the console on its own, so none may end inside a surrogate pair.
std::u16string DecodeInPieces(std::string_view Bytes, TTextEncoding Encoding,
                              const std::vector<size_t>& Cuts) {
  TConsoleDecoder Decoder;
  std::u16string Out;
  Decoder.SetEncoding(Encoding, Out);
  size_t From = 0;
  for (size_t Cut : Cuts) {
    Decoder.Decode(Bytes.substr(From, Cut - From), Out);
    EXPECT_FALSE(!Out.empty() && Out.back() >= 0xD800 && Out.back() <= 0xDBFF) << "cut " << Cut;
    From = Cut;
  }
  Decoder.Decode(Bytes.substr(From), Out);
  EXPECT_TRUE(Decoder.Waiting().empty());
  return Out;
}

TEST(ConsoleDecoder, PiecesCutAnywhereGiveTheWholeText) {
  // Code page 932: 亜 is 88 9F and 高 8D 82, trail bytes that look like lead bytes; ｱ is one
  // byte; 表 ends in 5C, the backslash.
  // EUC-JP: 丂 is JIS X 0212 (8F B0 A1), ～ the one character Windows' 20932 reads otherwise.
  const struct {
    std::u16string Text;
    bool InCp932, InEucJp;
  } Samples[] = {{u"", true, true},
                 {u"a", true, true},
                 {u"行番号\r\n亜亜高表ｱ\nー日本", true, true},
                 {u"丂～ｶﾅ\n蔭", false, true},
                 {u"x\U0001F600é\n", false, false}};
  for (TTextEncoding Encoding : {teUtf8, teUtf8Bom, teUtf16LE, teUtf16BE, teCp932, teEucJp}) {
    for (const auto& [Text, InCp932, InEucJp] : Samples) {
      if ((Encoding == teCp932 && !InCp932) || (Encoding == teEucJp && !InEucJp)) continue;
      const std::string Bytes = Encoded(Text, Encoding);
      for (size_t I = 0; I <= Bytes.size(); ++I) {
        for (size_t J = I; J <= Bytes.size(); ++J) {
          ASSERT_EQ(DecodeInPieces(Bytes, Encoding, {I, J}), Text)
              << EncodingName(Encoding) << " cut at " << I << " and " << J;
        }
      }
    }
  }
}

TEST(ConsoleDecoder, InputsAndEncodingChanges) {
  struct TStep {
    std::optional<TTextEncoding> Encoding;  // SetEncoding(), else Decode(Bytes)
    std::string_view Bytes;
  };
  std::u16string Cp932E040;
  DecodeText("\xE0\x40", teCp932, Cp932E040);
  const struct {
    const char* Name;
    std::vector<TStep> Steps;
    std::u16string Expected;
  } Rows[] = {
      {"nothing told: UTF-8, a BOM shown", {{{}, "\xEF\xBB\xBF"}, {{}, "a"}}, u"\uFEFFa"},
      {"a BOM only at an input's start",
       {{teUtf16LE, ""}, {{}, "\xFF"}, {{}, "\xFE"}, {{}, "a\0\xFF\xFE"sv}},
       u"a\uFEFF"},
      {"every input's BOM dropped",
       {{teUtf8Bom, ""}, {{}, "\xEF\xBB\xBFx"}, {teUtf16BE, ""}, {{}, "\xFE\xFF\0y"sv}},
       u"xy"},
      {"UTF-8 turning out code page 932 reads the waiting byte again",
       {{teUtf8, ""}, {{}, "z\xE0"}, {teCp932, ""}, {{}, "\x40"}},
       u"z" + Cp932E040},
      {"a cut character left by the last input",
       {{teUtf8, ""}, {{}, "a\xE8\xA1"}, {teUtf16LE, ""}, {{}, "b\0"sv}},
       u"a\uFFFDb"},
      {"bytes that form no character",
       {{teUtf8, ""}, {{}, "\xFF\x80\n"}, {teCp932, ""}, {{}, "\x81\n\x81"}, {{}, "\x41"}},
       u"\uFFFD\uFFFD\n\uFFFD\n、"},
      {"UTF-8 turning out EUC-JP, then broken EUC-JP",
       {{teUtf8, ""}, {{}, "z\xE4"}, {teEucJp, ""}, {{}, "\xA2\x8F\xB0\n\xA4"}, {{}, "\xA2"}},
       u"z笄\uFFFD\uFFFD\nあ"},
  };
  for (const auto& Row : Rows) {
    TConsoleDecoder Decoder;
    std::u16string Out;
    for (const TStep& Step : Row.Steps) {
      if (Step.Encoding) {
        Decoder.SetEncoding(*Step.Encoding, Out);
      } else {
        Decoder.Decode(Step.Bytes, Out);
      }
    }
    EXPECT_EQ(Out, Row.Expected) << Row.Name;
  }
}

}  // namespace
