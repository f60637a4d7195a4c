#include "library/MathUnit/MathUnit.h"

bool IsInRange(int32_t Min, int32_t Value, int32_t Max) {
  return Min <= Value && Value <= Max;
}
