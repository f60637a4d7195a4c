#include "library/ConvertToTypeUnit/ConvertToTypeUnit.h"

#include <algorithm>
#include <cstddef>

#include "library/AssertUnit/AssertUnit.h"

namespace {

// Source name and line that the width assertion reports, fixed so the message never changes.
constexpr std::u16string_view DigitAssertSource = u"ConvertToTypeUnit/ConvertToTypeUnit";
constexpr int32_t DigitAssertLine = 320;

// Writes the decimal digits of Magnitude backwards, ending at End; returns the first digit.
char16_t* WriteDigits(uint64_t Magnitude, char16_t* End) {
  do {
    *--End = static_cast<char16_t>(u'0' + Magnitude % 10);
    Magnitude /= 10;
  } while (Magnitude != 0);
  return End;
}

}  // namespace

std::u16string IntToStrDigitChar(int32_t Digit, TDigitFill Fill, TDigitOptions Options,
                                 int64_t Value) {
  if (Digit < 1) {
    AssertionFailed(u"function IntToStrDigitChar", DigitAssertSource, DigitAssertLine);
  }
  // Unsigned magnitude: the negation of INT64_MIN does not fit in int64_t.
  const uint64_t Magnitude =
      Value < 0 ? uint64_t{0} - static_cast<uint64_t>(Value) : static_cast<uint64_t>(Value);
  char16_t Buffer[20];  // 2^64 has 20 decimal digits
  char16_t* const End = Buffer + std::size(Buffer);
  const char16_t* const First = WriteDigits(Magnitude, End);
  const size_t DigitCount = static_cast<size_t>(End - First);
  const bool Plus = (Options & doPlusSign) != 0;

  char16_t Sign = 0;  // 0: no sign character at all
  if (Value < 0) {
    Sign = u'-';
  } else if (Plus && Value > 0) {
    Sign = u'+';
  } else if (Plus && Fill == dfZero) {
    Sign = u' ';  // zero keeps the sign column in dfZero
  }

  const size_t Width = static_cast<size_t>(Digit);
  std::u16string S;
  if (Fill == dfZero) {
    const size_t Zeros = Width > DigitCount ? Width - DigitCount : 0;
    S.reserve((Sign != 0 ? 1 : 0) + Zeros + DigitCount);
    if (Sign != 0) S.push_back(Sign);
    S.append(Zeros, u'0');
  } else {
    const size_t Natural = DigitCount + (Sign != 0 ? 1 : 0);
    const size_t Blanks = Width > Natural ? Width - Natural : 0;
    S.reserve(Blanks + Natural);
    S.append(Blanks, u' ');
    if (Sign != 0) S.push_back(Sign);
  }
  S.append(First, DigitCount);
  return S;
}
