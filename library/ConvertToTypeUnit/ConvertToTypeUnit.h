#pragma once
// Number-to-text conversion with a fixed minimum width.

#include <cstdint>
#include <string>

// How IntToStrDigitChar fills a number up to its width.
enum TDigitFill : uint8_t {
  dfSpace,  // blanks in front of the whole number, sign included: "  -7"
  dfZero,   // "0" in front of the digits, the sign in its own column: "-007"
};

enum TDigitOption : uint8_t { doPlusSign = 1 };  // positive values carry "+"
using TDigitOptions = uint8_t;

// IntToStrDigitChar() — Value in decimal, at least Digit wide; never cut when longer.
// dfSpace: Digit counts the whole field, sign included; 0 never carries a sign.
//   IntToStrDigitChar(3, dfSpace, doPlusSign, 7) == u" +7"
// dfZero: Digit counts the digits only; with doPlusSign a sign column is always written
// ("+" above zero, a blank for zero), and a negative value always carries "-".
//   IntToStrDigitChar(3, dfZero, doPlusSign, 0) == u" 000"
// A Digit below 1 is a caller bug and fails an assertion (EAssertionFailed).
[[nodiscard]] std::u16string IntToStrDigitChar(int32_t Digit, TDigitFill Fill,
                                               TDigitOptions Options, int64_t Value);
