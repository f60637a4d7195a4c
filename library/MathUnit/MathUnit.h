#pragma once

#include <cstdint>

// IsInRange() — true when Min <= Value <= Max; always false when Min > Max.
// IsInRange(1, 1, 1) == true, IsInRange(3, 3, 2) == false
[[nodiscard]] bool IsInRange(int32_t Min, int32_t Value, int32_t Max);
