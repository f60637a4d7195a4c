// AddPaddedLineNumbers: the insertion oracles of AddLineNumbers, plus zero-filled digits
// and a sign column exactly when "+" is asked for or some value is negative.
#include "fuzz/FuzzInput.h"
#include "tests/LineNumberUnit/EngineOracles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FuzzInput In(Data, Size);
  const int32_t Start = In.Int32();
  const int32_t Step = In.Int32();
  const int32_t Digits = 1 + In.Byte() % 24;
  const auto Options = static_cast<TLineNumberOptions>(In.Byte() & 3);
  Require(engine_oracle::CheckAddPaddedLineNumbers(In.Text(), Start, Digits, Step, Options));
  return 0;
}
