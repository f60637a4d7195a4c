// DeleteNumberOnlyLines against the reference; a second pass finds nothing more to delete.
#include "fuzz/FuzzInput.h"
#include "tests/LineNumberUnit/EngineOracles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::u16string Text = FuzzInput(Data, Size).Text();
  Require(engine_oracle::CheckDeleteNumberOnlyLines(Text));
  const std::u16string Once = DeleteNumberOnlyLines(Text);
  Require(DeleteNumberOnlyLines(Once) == Once ? "" : "a second pass deletes more");
  return 0;
}
