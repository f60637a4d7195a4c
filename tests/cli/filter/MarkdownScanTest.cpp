// The digit run of a list marker, read eight bytes at once where eight are there, against the
// plain reading one unit at a time.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "cli/filter/MarkdownScan.h"

namespace {

template <typename TChar>
size_t PlainDigitRun(std::basic_string_view<TChar> L, size_t P, int32_t& Value) {
  size_t I = P;
  Value = 0;
  while (I < L.size() && I - P < 9 && L[I] >= TChar('0') && L[I] <= TChar('9'))
    Value = Value * 10 + static_cast<int32_t>(L[I++] - TChar('0'));
  return I - P;
}

// Digits next to every byte that is not one: those either side of '0'..'9' in ASCII, and the
// high bytes whose carry (FA..FF) or trail bytes (code page 932) could mislead a wide reading.
TEST(DigitRun, AgreesWithThePlainReading) {
  const std::string Others = std::string("/:.) \t\n\r\xFA\xFF\x80\x9F\xE3\xFC\x2F\x3A", 16);
  std::mt19937 Rng(7);
  for (int Case = 0; Case < 200000; ++Case) {
    std::string Line;
    for (size_t N = Rng() % 14; N > 0; --N) {
      Line += Rng() % 3 != 0 ? static_cast<char>('0' + Rng() % 10) : Others[Rng() % Others.size()];
    }
    const std::string_view L(Line);
    const size_t P = Line.empty() ? 0 : Rng() % (Line.size() + 1);
    int32_t Want = -1, Got = -1;
    const size_t WantLength = PlainDigitRun(L, P, Want);
    const size_t GotLength = markdown::DigitRun(L, P, Got);
    ASSERT_EQ(GotLength, WantLength) << '"' << Line << "\" at " << P;
    if (WantLength > 0) {
      ASSERT_EQ(Got, Want) << '"' << Line << "\" at " << P;
    }
    // UTF-16 reads unit by unit, the same digits.
    const std::u16string Wide(Line.begin(), Line.end());
    ASSERT_EQ(markdown::DigitRun(std::u16string_view(Wide), P, Got), WantLength);
    if (WantLength > 0) {
      ASSERT_EQ(Got, Want);
    }
  }
}

}  // namespace
