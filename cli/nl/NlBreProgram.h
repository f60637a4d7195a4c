#pragma once
// What the pBRE matcher's compiler (NlBreCompile.cpp) and its search (NlBre.cpp) share: the
// instruction set, the assertions and classes, and the character tests on sets.

#include <cstddef>
#include <cstdint>

#include "cli/nl/NlBre.h"

enum TBre::TOp : uint8_t {
  opChar,
  opAny,
  opSet,
  opAssert,
  opSplit,  // go on at A; on failure at B
  opJmp,
  opSave,     // capture slot A := position
  opBackref,  // group A's text again
  opMark,     // loop register A := position
  opCheck,    // back to the loop at B; after a pass that took nothing (register A), out of it
  opMatch,
};

namespace nlbre {

constexpr char32_t InvalidByte = 0x110000;  // + the byte: a byte that starts no character
constexpr size_t Unset = static_cast<size_t>(-1);

enum TAssertion : uint8_t {
  asLineStart,
  asLineEnd,
  asWordStart,
  asWordEnd,
  asWordBoundary,
  asNotWordBoundary
};

enum TClass : uint8_t {
  ccAlnum,
  ccAlpha,
  ccBlank,
  ccCntrl,
  ccDigit,
  ccGraph,
  ccLower,
  ccPrint,
  ccPunct,
  ccSpace,
  ccUpper,
  ccXdigit,
  ccWord,  // \w: alnum or '_'
};

// InClass() — whether C belongs to character class Class (a TClass) in the locale.
[[nodiscard]] bool InClass(uint8_t Class, char32_t C);
// SetHas() — whether bracket expression Set takes C.
[[nodiscard]] bool SetHas(const TBre::TSet& Set, char32_t C);

}  // namespace nlbre
