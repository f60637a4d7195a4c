// DeleteLineNumbers against the reference, and never more text than it was given.
#include "fuzz/FuzzInput.h"
#include "tests/LineNumberUnit/EngineOracles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::u16string Text = FuzzInput(Data, Size).Text();
  Require(engine_oracle::CheckDeleteLineNumbers(Text));
  Require(DeleteLineNumbers(Text).size() <= Text.size() ? "" : "result longer than the text");
  return 0;
}
