// Each FirstUnpairedSurrogate implementation, in both byte orders, against a unit-by-unit walk.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "library/UtfUnit/Utf16Validate.h"
#include "library/UtfUnit/UtfRules.h"
#include "tests/library/SimdLevels.h"
#include "tests/library/TestText.h"
#include "tests/RandomCases.h"

namespace {

using TUnits = std::vector<uint16_t>;

// The first unit that is a low surrogate not after a high one, or a high one without a low one
// after it.
size_t OracleUnpaired(const TUnits& U) {
  const auto IsHigh = [](uint16_t C) { return C >= 0xD800 && C <= 0xDBFF; };
  const auto IsLow = [](uint16_t C) { return C >= 0xDC00 && C <= 0xDFFF; };
  for (size_t I = 0; I < U.size(); ++I) {
    if (IsHigh(U[I]) && I + 1 < U.size() && IsLow(U[I + 1])) {
      ++I;
    } else if (IsHigh(U[I]) || IsLow(U[I])) {
      return I;
    }
  }
  return U.size();
}

std::string Encode(const TUnits& U, std::endian Order) {
  std::string Bytes;
  for (uint16_t C : U) {
    const char Hi = static_cast<char>(C >> 8), Lo = static_cast<char>(C & 0xFF);
    Bytes += Order == std::endian::little ? std::string{Lo, Hi} : std::string{Hi, Lo};
  }
  return Bytes;
}

// Every implementation this CPU runs, and the default, in both byte orders, on the units as
// they stand and with an odd byte after them (which is not looked at); the text ends its
// buffer, so that AddressSanitizer sees a read past it, at an alignment chosen by Shift.
testing::AssertionResult Matches(const TUnits& U, size_t Shift) {
  static const std::vector<TSimdLevel> Levels = LevelsOf(Utf16ValidatorAvailable);
  const size_t Expected = OracleUnpaired(U);
  for (std::endian Order : {std::endian::little, std::endian::big}) {
    for (const std::string& Text : {Encode(U, Order), Encode(U, Order) + '\xD8'}) {
      std::vector<char> Buffer(Shift, 'x');
      Buffer.insert(Buffer.end(), Text.begin(), Text.end());
      Buffer.shrink_to_fit();
      const std::string_view Bytes(Buffer.data() + Shift, Text.size());
      const char* OrderName = Order == std::endian::little ? "LE" : "BE";
      size_t Got = FirstUnpairedSurrogate(Bytes, Order);
      if (Got != Expected) {
        return testing::AssertionFailure() << "default, " << OrderName << ": got " << Got
                                           << ", expected " << Expected << ": " << Hex(Bytes);
      }
      for (TSimdLevel Level : Levels) {
        Got = FirstUnpairedSurrogateWith(Level, Bytes, Order);
        if (Got != Expected) {
          return testing::AssertionFailure()
                 << SimdLevelName(Level) << ", " << OrderName << ": got " << Got << ", expected "
                 << Expected << ": " << Hex(Bytes);
        }
      }
    }
  }
  const std::u16string Native(U.begin(), U.end());
  const size_t NativeGot = FirstUnpairedSurrogate(Native.data(), Native.size());
  if (NativeGot != Expected) {
    return testing::AssertionFailure()
           << "native units: got " << NativeGot << ", expected " << Expected;
  }
  return testing::AssertionSuccess();
}

// 0 to 300 units: ASCII runs, units next to the surrogates and those whose other byte looks like
// one (00D8, 41DC), pairs, and in a third of the texts lone high and low surrogates.
TUnits RandomUnits(std::mt19937& Random) {
  static const uint16_t Near[] = {0xD7FF, 0xE000, 0xFFFF, 0x00D8, 0x00DC,
                                  0x41DC, 0x3042, 0x0A,   0x0D};
  const size_t Length = Random() % 301;
  const bool Noisy = Random() % 3 == 0;
  TUnits U;
  while (U.size() < Length) {
    const unsigned Kind = Random() % 10;
    const uint16_t High = static_cast<uint16_t>(0xD800 + Random() % 0x400);
    const uint16_t Low = static_cast<uint16_t>(0xDC00 + Random() % 0x400);
    if (Kind < 2) {
      U.insert(U.end(), Random() % 70, 'a');  // long enough for whole steps without surrogates
    } else if (Kind < 5) {
      U.push_back(Near[Random() % std::size(Near)]);
    } else if (Kind < 8 || !Noisy) {
      U.insert(U.end(), {High, Low});
    } else {
      U.push_back(Kind == 8 ? High : Low);
    }
  }
  U.resize(Length);
  return U;
}

TEST(Utf16Validate, AgreesWithTheOracleOnRandomText) {
  std::mt19937 Random(1616);
  for (int I = 0; I < RandomCases(20000); ++I) {
    ASSERT_TRUE(Matches(RandomUnits(Random), Random() % 16)) << "case " << I;
  }
}

// Pairs and lone surrogates at every position across the first two steps of 64 units.
TEST(Utf16Validate, JudgesSurrogatesAtEveryPosition) {
  const struct {
    TUnits Inserted;
    size_t BadAt;  // from the insertion point; SIZE_MAX when the text is valid
  } Rows[] = {
      {{0xD83D, 0xDE00}, SIZE_MAX},
      {{0xDBFF, 0xDFFF}, SIZE_MAX},
      {{0xD800}, 0},
      {{0xDC00}, 0},
      {{0xDC00, 0xD800}, 0},
      {{0xD800, 0xD800, 0xDC00}, 0},
      {{0xD83D, 0xDE00, 0xDE00}, 2},
      {{0xD83D, 'a', 0xDE00}, 0},
  };
  for (const auto& Row : Rows) {
    for (size_t At = 0; At <= 140; ++At) {
      for (size_t Tail : {0, 1, 70}) {
        TUnits U(At, 'a');
        U.insert(U.end(), Row.Inserted.begin(), Row.Inserted.end());
        U.insert(U.end(), Tail, 'b');
        const size_t Expected = Row.BadAt == SIZE_MAX ? U.size() : At + Row.BadAt;
        ASSERT_EQ(OracleUnpaired(U), Expected) << "at " << At;
        ASSERT_TRUE(Matches(U, At % 3)) << "at " << At << ", tail " << Tail;
      }
    }
  }
}

// Every implementation this CPU runs swaps each unit's bytes, whatever the count and alignment,
// and touches nothing around the units.
TEST(Utf16Validate, SwapsTheBytesOfEveryUnit) {
  std::mt19937 Random(2);
  for (const TSimdLevel Level : LevelsOf(Utf16ValidatorAvailable)) {
    for (size_t Count = 0; Count <= 70; ++Count) {
      std::u16string Units(Count + 2, u'\0');
      for (char16_t& C : Units) C = static_cast<char16_t>(Random());
      std::u16string Want = Units;
      for (size_t I = 1; I <= Count; ++I)
        Want[I] = static_cast<char16_t>(Units[I] << 8 | Units[I] >> 8);
      SwapUtf16BytesWith(Level, Units.data() + 1, Count);
      ASSERT_EQ(Units, Want) << SimdLevelName(Level) << ", " << Count << " units";
    }
  }
}

}  // namespace
