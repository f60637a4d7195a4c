// Which implementations each vector algorithm's table offers on this CPU.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "library/CodePage932/Cp932.h"
#include "library/LineBreak/LineBreak.h"
#include "library/SimdUnit/CopyBytes.h"
#include "library/SimdUnit/SimdUnit.h"
#include "library/UtfUnit/Utf16Validate.h"
#include "library/UtfUnit/Utf8Validate.h"

namespace {

// Each table has the levels it was built for wherever the CPU runs them: a missing entry would
// leave a vector version untested and unused.
TEST(SimdUnit, EveryImplementationTableHasItsLevels) {
  const struct {
    const char* Name;
    bool (*Available)(TSimdLevel);
    std::vector<TSimdLevel> Built;
  } Tables[] = {
      {"UTF-8", Utf8ValidatorAvailable, {slScalar, slSsse3, slAvx2}},
      {"UTF-16", Utf16ValidatorAvailable, {slScalar, slSse2, slAvx2}},
      {"code page 932", Cp932ValidatorAvailable, {slScalar, slSse2, slAvx2}},
      {"line breaks", line_break_detail::BreakMasksAvailable, {slScalar, slSse2, slAvx2}},
  };
  for (const auto& Table : Tables) {
    for (TSimdLevel L : {slScalar, slSse2, slSsse3, slAvx2}) {
      const bool Built = std::find(Table.Built.begin(), Table.Built.end(), L) != Table.Built.end();
      const bool Expected = Built && (CORVANE_SIMD_X86 || L == slScalar) && SimdLevelAvailable(L);
      EXPECT_EQ(Table.Available(L), Expected) << Table.Name << ", " << SimdLevelName(L);
    }
  }
}

// The short copies, inline and made for this CPU, at every length they take and at odd
// addresses: the bytes copied, none before or after touched.
TEST(SimdUnit, ShortCopiesMoveExactlyTheirBytes) {
  std::string Source(700, '\0');
  for (size_t I = 0; I < Source.size(); ++I) Source[I] = static_cast<char>('A' + I % 53);
  for (auto Copy : {CopyShortBytes, SimdCopyShort}) {
    for (size_t Bytes = 0; Bytes <= 600; ++Bytes) {
      for (size_t Shift : {0, 1, 3}) {
        std::string Target(Bytes + 16, '.');
        Copy(Target.data() + 8, Source.data() + Shift, Bytes);
        const std::string Want =
            std::string(8, '.') + Source.substr(Shift, Bytes) + std::string(8, '.');
        ASSERT_EQ(Target, Want) << Bytes << " bytes from +" << Shift;
      }
    }
  }
}

// The padded move: its bytes copied as whole 64-byte moves, nothing written before them nor
// past the last move.
TEST(SimdUnit, PaddedMoveWritesWholeBlocks) {
  std::string Source(700, '\0');
  for (size_t I = 0; I < Source.size(); ++I) Source[I] = static_cast<char>('A' + I % 53);
  for (size_t Bytes = 0; Bytes <= 600; ++Bytes) {
    const size_t Moved = (Bytes + 63) / 64 * 64;
    std::string Target(Moved + 16, '.');
    SimdMovePadded(Target.data() + 8, Source.data() + 1, Bytes);
    ASSERT_EQ(Target, std::string(8, '.') + Source.substr(1, Moved) + std::string(8, '.'))
        << Bytes << " bytes";
  }
}

}  // namespace
