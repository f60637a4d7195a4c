#pragma once
// How many random cases a property test runs: all of them in the plain builds, which check the
// results against their oracles; a quarter under the sanitizers, whose runs cost several times
// more and look for memory faults, which the same paths show in fewer cases.

constexpr int RandomCases(int All) {
#if defined(CORVANE_TEST_SANITIZED)
  return All / 4;
#else
  return All;
#endif
}
