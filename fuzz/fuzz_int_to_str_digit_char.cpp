// IntToStrDigitChar: the field parses back to the value, is exactly as wide as the rules
// say, and a width below 1 is always an assertion, never a result.
#include <algorithm>

#include "fuzz/FuzzInput.h"
#include "library/AssertUnit/AssertUnit.h"
#include "library/ConvertToTypeUnit/ConvertToTypeUnit.h"
#include "tests/LineNumberUnit/EngineOracles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FuzzInput In(Data, Size);
  const int32_t Digit = static_cast<int8_t>(In.Byte());  // -128..127 keeps the fields small
  const auto Fill = static_cast<TDigitFill>(In.Byte() & 1);
  const TDigitOptions Options = In.Byte() & doPlusSign;
  const int64_t Value =
      (static_cast<int64_t>(In.Int32()) << 32) | static_cast<uint32_t>(In.Int32());

  std::u16string S;
  try {
    S = IntToStrDigitChar(Digit, Fill, Options, Value);
  } catch (const EAssertionFailed&) {
    Require(Digit < 1 ? "" : "assertion for a width of at least 1");
    return 0;
  }
  Require(Digit >= 1 ? "" : "no assertion for a width below 1");

  int64_t Parsed = 0;
  Require(engine_oracle::ParseField(S, Parsed) && Parsed == Value ? "" : "does not parse back");
  const size_t Digits = engine_oracle::DecimalLength(Value);
  const bool Plus = Options & doPlusSign;
  const size_t Width = static_cast<size_t>(Digit);
  if (Fill == dfSpace) {
    const size_t Natural = Digits + (Value < 0 || (Plus && Value > 0) ? 1 : 0);
    Require(S.size() == std::max(Width, Natural) ? "" : "dfSpace width");
    Require(S.find(u'0') != 0 || Value == 0 ? "" : "dfSpace zero fill");
  } else {
    const bool SignColumn = Value < 0 || Plus;
    Require(S.size() == std::max(Width, Digits) + (SignColumn ? 1 : 0) ? "" : "dfZero width");
    Require(S.find(u' ', SignColumn ? 1 : 0) == std::u16string::npos ? "" : "dfZero blank");
    Require(!SignColumn || S[0] == (Value < 0   ? u'-'
                                    : Value > 0 ? u'+'
                                                : u' ')
                ? ""
                : "sign column");
  }
  return 0;
}
