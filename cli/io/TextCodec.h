#pragma once
// Text file encodings of the corvane filter: UTF-8 (with or without BOM), UTF-16 LE/BE
// (recognised by their BOM, or named) and code page 932 (Shift_JIS), decoded to and encoded
// from UTF-16 text. Nothing is ever replaced or repaired: invalid input is reported with the
// offset of its first bad byte, and decoding valid input then encoding it again gives back the
// same bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "library/UtfUnit/UtfUnit.h"

enum TTextEncoding : uint8_t {
  teUtf8,     // no BOM: UTF-8 (plain ASCII included)
  teUtf8Bom,  // EF BB BF
  teUtf16LE,  // FF FE
  teUtf16BE,  // FE FF
  teCp932,    // code page 932 (Shift_JIS), no BOM: valid as such but not as UTF-8
};

// The encoding a user asks for (-e): ecAuto lets the BOM decide, else UTF-8, else code page
// 932, whichever the whole input is valid in.
enum TEncodingChoice : uint8_t { ecAuto, ecUtf8, ecUtf16LE, ecUtf16BE, ecCp932 };

// EncodingChoiceByName() — "auto", "utf-8", "utf-16le", "utf-16be", "cp932" and its aliases
// "sjis" and "shift_jis", in any case; nullopt for another name.
[[nodiscard]] std::optional<TEncodingChoice> EncodingChoiceByName(std::string_view Name);

// DetectEncoding() — the encoding its BOM announces (teUtf8 without one); BomLength gets the
// number of BOM bytes (0, 2 or 3). DetectEncoding("\xFF\xFEa\0", n) == teUtf16LE, n == 2
[[nodiscard]] TTextEncoding DetectEncoding(std::string_view Bytes, size_t& BomLength);

// BomBytes() — the BOM that starts a file of this encoding ("" for teUtf8).
[[nodiscard]] std::string_view BomBytes(TTextEncoding Encoding);

// EncodingName() — "UTF-8", "UTF-8 with BOM", "UTF-16LE", "UTF-16BE", "code page 932".
[[nodiscard]] const char* EncodingName(TTextEncoding Encoding);

// UnitSize() — bytes per code unit of the body: 1 for UTF-8, 2 for UTF-16.
[[nodiscard]] inline size_t UnitSize(TTextEncoding Encoding) {
  return Encoding == teUtf16LE || Encoding == teUtf16BE ? 2 : 1;
}

// Where and why a body is not valid text of its encoding.
struct TEncodingError {
  uint64_t Offset = 0;      // byte offset of the first bad byte, counted in the body from 0
  const char* Reason = "";  // "invalid UTF-8", "unpaired surrogate", ...
};

// ValidateText() — true when Body (the bytes after the BOM) is valid in Encoding; otherwise
// false with Error set. UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF,
// no cut sequence. UTF-16: whole code units, every surrogate in a high-low pair. Code page
// 932: assigned characters only (library/CodePage932/Cp932.h).
[[nodiscard]] bool ValidateText(std::string_view Body, TTextEncoding Encoding,
                                TEncodingError& Error);

// DecodeText() — appends Body (already validated) to Out as UTF-16.
// Code page 932 goes through the system's converter (see cli/sys/System.h).
void DecodeText(std::string_view Body, TTextEncoding Encoding, std::u16string& Out);

// EncodeText() — appends Text to Out in Encoding (no BOM). A lone surrogate, which valid
// input never yields, is written as U+FFFD in UTF-8. False, with Out unchanged, when a
// character has no code page 932 form (the Unicode encodings hold every character).
bool EncodeText(std::u16string_view Text, TTextEncoding Encoding, std::string& Out);
