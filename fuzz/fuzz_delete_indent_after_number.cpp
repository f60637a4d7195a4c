// DeleteIndentAfterNumber against the reference; a second pass changes nothing and the
// lines stay the same lines.
#include "fuzz/FuzzInput.h"
#include "tests/LineNumberUnit/EngineOracles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::u16string Text = FuzzInput(Data, Size).Text();
  Require(engine_oracle::CheckDeleteIndentAfterNumber(Text));
  return 0;
}
