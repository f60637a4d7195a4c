#pragma once
// The instruction-set levels an implementation table has on this CPU, for tests that hold every
// vector version to the scalar one.

#include <gtest/gtest.h>

#include <vector>

#include "library/SimdUnit/SimdUnit.h"

// Every level Available() says this build and CPU run, scalar first.
inline std::vector<TSimdLevel> LevelsOf(bool (*Available)(TSimdLevel)) {
  std::vector<TSimdLevel> Levels;
  for (TSimdLevel L : {slScalar, slSse2, slSsse3, slAvx2}) {
    if (Available(L)) Levels.push_back(L);
  }
  return Levels;
}
