#pragma once
// CopyShortBytes() — copies Bytes (at most a few hundred) from S to D, which do not overlap, as
// fixed-size moves the compiler writes inline: 64 bytes a step, or two moves of one size that
// overlap in the middle. SimdCopyShort() (SimdUnit.h) has it made with vector moves.

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "library/SimdUnit/CopyShort.inc"
