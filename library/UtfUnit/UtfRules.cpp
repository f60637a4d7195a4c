// One UTF-8 character decoded; the first unpaired UTF-16 surrogate of a block.
#include "library/UtfUnit/UtfRules.h"

#include "library/UtfUnit/Utf16Validate.h"

#include <algorithm>

size_t DecodeUtf8(std::string_view Text, size_t Pos, char32_t& Code) {
  const auto Byte = [&](size_t I) { return static_cast<unsigned char>(Text[Pos + I]); };
  const unsigned char Lead = Byte(0);
  if (Lead < 0x80) {
    Code = Lead;
    return 1;
  }
  const size_t Length = Utf8SequenceLength(Lead);
  if (Length == 1 || Text.size() - Pos < Length) return 0;
  constexpr char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
  Code = Lead & (0x7F >> Length);
  for (size_t I = 1; I < Length; ++I) {
    if ((Byte(I) & 0xC0) != 0x80) return 0;
    Code = Code << 6 | (Byte(I) & 0x3F);
  }
  if (Code < Least[Length] || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF)) return 0;
  return Length;
}

size_t FirstUnpairedSurrogate(const char16_t* P, size_t N) {
  return FirstUnpairedSurrogate(std::string_view(reinterpret_cast<const char*>(P), 2 * N),
                                std::endian::native);
}
