#pragma once
// Number-to-text conversion with a fixed minimum width.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

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

// StrToInt32() — the value of a decimal number: one optional sign, then one or more ASCII
// digits, nothing else. Nothing when S is not such a number or its value lies outside int32;
// OutOfRange, when given, tells the second case from the first ("99999999999x" is no number).
//   StrToInt32(u"+007") == 7; StrToInt32("2147483648", &R) is nothing, R == true
template <typename TChar>
[[nodiscard]] std::optional<int32_t> StrToInt32(std::basic_string_view<TChar> S,
                                                bool* OutOfRange = nullptr) {
  if (OutOfRange != nullptr) *OutOfRange = false;
  size_t Pos = 0;
  const bool Negative = !S.empty() && S[0] == TChar('-');
  if (!S.empty() && (S[0] == TChar('+') || Negative)) Pos = 1;
  if (Pos == S.size()) return std::nullopt;
  const int64_t Limit = int64_t{std::numeric_limits<int32_t>::max()} + (Negative ? 1 : 0);
  int64_t Magnitude = 0;
  for (; Pos < S.size(); ++Pos) {
    if (S[Pos] < TChar('0') || S[Pos] > TChar('9')) return std::nullopt;
    // Read on past the limit, without overflow, so a later non-digit still makes it no number.
    if (Magnitude <= Limit) Magnitude = Magnitude * 10 + (S[Pos] - TChar('0'));
  }
  if (Magnitude > Limit) {
    if (OutOfRange != nullptr) *OutOfRange = true;
    return std::nullopt;
  }
  return static_cast<int32_t>(Negative ? -Magnitude : Magnitude);
}
