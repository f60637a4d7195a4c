// AddLineNumbers: one prefix of exactly the prefix width per line, the right value in it,
// the line untouched after it, the field as wide as the widest number, and the text back
// from DeleteLineNumbers when no value is negative and no "+" is written.
#include "fuzz/FuzzInput.h"
#include "tests/LineNumberUnit/EngineOracles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FuzzInput In(Data, Size);
  const int32_t Start = In.Int32();
  const int32_t Step = In.Int32();
  const auto Options = static_cast<TLineNumberOptions>(In.Byte() & 3);
  Require(engine_oracle::CheckAddLineNumbers(In.Text(), Start, Step, Options));
  return 0;
}
