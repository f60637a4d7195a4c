// IsLineNumberHead against the plain rule: non-empty, ASCII digits, blanks and tabs only.
#include "fuzz/FuzzInput.h"
#include "tests/LineNumberUnit/EngineOracles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::u16string Head = FuzzInput(Data, Size).Text();
  Require(IsLineNumberHead(Head) == engine_oracle::RefIsNumberHead(Head) ? "" : "wrong answer");
  return 0;
}
