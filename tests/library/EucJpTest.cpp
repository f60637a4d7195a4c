// ValidateEucJp against glibc's iconv "EUC-JP": every byte, every two bytes led by 80-FF and
// every three bytes led by 8F, accepted exactly when iconv converts them; and where the first
// bad byte of a longer text is.

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <string_view>

#include "library/EucJp/EucJp.h"
#include "tests/library/TestText.h"

namespace {

bool IconvConverts(std::string_view S) {
  static const iconv_t Cd = iconv_open("UTF-16LE", "EUC-JP");
  if (Cd == reinterpret_cast<iconv_t>(-1)) return false;  // fails the counts below
  iconv(Cd, nullptr, nullptr, nullptr, nullptr);
  std::string In(S);
  char Out[16];
  char* InP = In.data();
  char* OutP = Out;
  size_t InLeft = In.size(), OutLeft = sizeof Out;
  return iconv(Cd, &InP, &InLeft, &OutP, &OutLeft) != static_cast<size_t>(-1) && InLeft == 0;
}

bool Valid(std::string_view S, bool Controls = true) {
  size_t Bad = 0;
  return ValidateEucJp(S, Bad, Controls);
}

bool IsControl(unsigned char B) {
  return (B >= 0x80 && B <= 0x8D) || (B >= 0x90 && B <= 0x9F);
}

TEST(EucJp, EverySequenceAsIconvHasIt) {
  size_t Characters = 0;  // multi-byte ones
  const auto Check = [&](const std::string& S) {
    const bool Want = IconvConverts(S);
    ASSERT_EQ(Valid(S), Want) << Hex(S);
    // A guess refuses the C1 controls and nothing else.
    bool Controls = false;
    for (size_t I = 0; I < S.size(); I += EucJpCharLength(S[I])) Controls |= IsControl(S[I]);
    ASSERT_EQ(Valid(S, false), Want && !Controls) << Hex(S);
    Characters += Want && EucJpCharLength(S[0]) == S.size() && S.size() > 1;
  };
  for (unsigned A = 0; A < 256; ++A) {
    Check(std::string(1, static_cast<char>(A)));
    for (unsigned B = 0; A >= 0x80 && B < 256; ++B) {
      Check({static_cast<char>(A), static_cast<char>(B)});
      for (unsigned C = 0; A == 0x8F && C < 256; ++C) {
        Check({static_cast<char>(A), static_cast<char>(B), static_cast<char>(C)});
      }
    }
  }
  // Half-width katakana 63, JIS X 0208 6879, JIS X 0212 6067.
  EXPECT_EQ(Characters, 63u + 6879u + 6067u);
}

TEST(EucJp, NamesTheFirstBadByte) {
  const std::string A20(20, 'a');
  const struct {
    std::string Bytes;
    size_t Bad;
    bool Controls;
  } Rows[] = {
      {"", 0, true},
      {"a\xA4\xA2\x8E\xB1\x8F\xB0\xA1z", 9, true},  // あ, ｱ, 丂: valid
      {A20 + "\xA4", 20, true},                     // cut after a run of ASCII
      {"\xA4\xA2\x8F\xB0", 2, true},                // three bytes cut
      {"\x8E\xE0", 0, true},                        // katakana end at DF
      {"\xA4\x0A", 0, true},                        // a line break never trails
      {"x\xA0", 1, true},
      {"x\xFF", 1, true},
      {"\xA9\xA1", 0, true},  // row 9 is empty
      {"a\x85z", 3, true},    // a C1 control
      {"a\x85z", 1, false},   // but not in a guess
  };
  for (const auto& Row : Rows) {
    size_t Bad = 99;
    EXPECT_EQ(ValidateEucJp(Row.Bytes, Bad, Row.Controls), Row.Bad == Row.Bytes.size())
        << Hex(Row.Bytes);
    EXPECT_EQ(Bad, Row.Bad) << Hex(Row.Bytes);
  }
}

}  // namespace
