#pragma once
// The table of text encodings of the corvane filter: one row per encoding, with its names, BOM,
// code unit, validator, character rule and converters to and from UTF-16. Everything that
// depends on the encoding of a file asks this table: -e's names, the guess for a file without a
// BOM, the validation of each block, a console's cut characters and the copy header's path.
// Nothing is ever replaced or repaired: invalid input is reported with the offset of its first
// bad byte, and decoding valid input then encoding it again gives back the same bytes (for the
// Unicode encodings; a legacy code page may hold two codes for one character).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/io/Message.h"

enum TTextEncoding : uint8_t {
  teUtf8,     // no BOM: UTF-8 (plain ASCII included)
  teUtf8Bom,  // EF BB BF
  teUtf16LE,  // FF FE, or named
  teUtf16BE,  // FE FF, or named
  teCp932,    // code page 932 (Shift_JIS), no BOM: valid as such but not as UTF-8
  teEucJp,    // EUC-JP, no BOM: valid as such but neither as UTF-8 nor as code page 932
};

// The encoding a user asks for (-e): an encoding, or nullopt (auto) to let the BOM or the text
// decide.
using TEncodingChoice = std::optional<TTextEncoding>;

// Where and why a body is not valid text of its encoding.
struct TEncodingError {
  uint64_t Offset = 0;  // byte offset of the first bad byte, counted in the body from 0
  // miInvalidIn (of Encoding), miUnpairedSurrogate, miIncompleteUnit, miInvalidText (of the
  // guessed encodings) or miForeignBom (Other's BOM in Encoding's text).
  TMessageId Reason = miInvalidIn;
  TTextEncoding Encoding = teUtf8;
  TTextEncoding Other = teUtf8;
};

// EncodingErrorText() — the reason in words, in the chosen language: "invalid UTF-8".
[[nodiscard]] std::string EncodingErrorText(const TEncodingError& Error);

// One row of the table.
struct TEncodingRow {
  TTextEncoding Encoding;
  TMessageId Name;         // in messages: "UTF-8", "code page 932"
  std::string_view Names;  // what -e takes, the usual name first ("" for none), blank-separated
  std::string_view Bom;    // the BOM that announces it ("" for none)
  TTextEncoding NamedAs;   // the -e choice under which its BOM is its own (teUtf8Bom: teUtf8)
  uint8_t UnitSize;        // bytes per code unit: 1, or 2 for UTF-16
  // The first bad byte of a body without a BOM taken for it (Body.size() when it may be); null
  // for an encoding that is never guessed. Guesses are tried in the table's order.
  size_t (*Guess)(std::string_view Body);
  TMessageId Invalid;  // the reason a bad byte is reported with (miInvalidIn: "invalid NAME")
  // The first bad byte of Body (Body.size() when valid); whole code units for UTF-16.
  size_t (*FirstBad)(std::string_view Body);
  // The length of the character Lead starts in valid text (byte encodings; 0 for UTF-16).
  size_t (*CharLength)(unsigned char Lead);
  // Valid text to UTF-16 (appended), and back (appended; false when a character has no form).
  bool (*Decode)(std::string_view Body, std::u16string& Out);
  bool (*Encode)(std::u16string_view Text, std::string& Out);
};

// EncodingTable() — every row, in the order a file without a BOM is guessed.
[[nodiscard]] std::span<const TEncodingRow> EncodingTable();

// EncodingRow() — the row of Encoding.
[[nodiscard]] const TEncodingRow& EncodingRow(TTextEncoding Encoding);

// EncodingChoiceByName() — the encoding -e Name asks for: "auto" (an empty choice), or a name of
// a row, in any case; nullopt for another name. *EncodingChoiceByName("SJIS") == teCp932
[[nodiscard]] std::optional<TEncodingChoice> EncodingChoiceByName(std::string_view Name);

// EncodingChoiceNames() — every name -e takes, "auto" first: "auto, utf-8, ..., eucjp".
[[nodiscard]] std::string EncodingChoiceNames();

// DetectEncoding() — the encoding its BOM announces (teUtf8 without one); BomLength gets the
// number of BOM bytes (0, 2 or 3). DetectEncoding("\xFF\xFEa\0", n) == teUtf16LE, n == 2
[[nodiscard]] TTextEncoding DetectEncoding(std::string_view Bytes, size_t& BomLength);

// What the head of an input and the choice say about its body.
struct TBodyEncoding {
  TTextEncoding Encoding = teUtf8;  // the first candidate
  size_t BomLength = 0;
  uint32_t Candidates = 1;  // bit E for each encoding the body may be (guessed in auto)
  bool Refused = false;     // a named encoding and another one's BOM: Error says which
  TEncodingError Error;
};

// ChooseEncoding() — the body's encoding as Head (the input's first bytes, three will do) and
// Choice say. Auto: a BOM decides, else every guessed row is a candidate. Named: its own BOM is
// kept and no BOM is fine, but another encoding's BOM is refused at offset 0: those bytes are
// no text of the named encoding, even where they happen to be valid in it.
[[nodiscard]] TBodyEncoding ChooseEncoding(std::string_view Head, TEncodingChoice Choice);

// Checks a body of bytes block by block as each encoding it may still be: the body is valid
// while one of them holds for every block so far, and is the first of those in the table.
// Several candidates are guesses, checked by each row's Guess; one is checked by its FirstBad.
// Each block must be whole characters in every candidate (whole lines are: no multi-byte
// character of a byte encoding holds a line break).
class TBodyValidator {
 public:
  explicit TBodyValidator(uint32_t Candidates);
  // Block is at byte offset At of the input; false when no candidate holds, with Error set to
  // where the last of them stopped holding.
  bool Validate(std::string_view Block, uint64_t At, TEncodingError& Error);
  // What the body is as far as it was read.
  [[nodiscard]] TTextEncoding Encoding() const;

 private:
  uint32_t FInitial, FHolding;
  uint64_t FLastBad = 0;
};

// BomBytes() — the BOM that starts a file of this encoding ("" for teUtf8).
[[nodiscard]] inline std::string_view BomBytes(TTextEncoding Encoding) {
  return EncodingRow(Encoding).Bom;
}

// EncodingName() — "UTF-8", "UTF-8 with BOM", "UTF-16LE", "UTF-16BE", "code page 932", "EUC-JP".
// In the chosen language.
[[nodiscard]] inline std::string EncodingName(TTextEncoding Encoding) {
  return Message(EncodingRow(Encoding).Name);
}

// UnitSize() — bytes per code unit of the body: 1, or 2 for UTF-16.
[[nodiscard]] inline size_t UnitSize(TTextEncoding Encoding) {
  return EncodingRow(Encoding).UnitSize;
}

// ValidateText() — true when Body (the bytes after the BOM) is valid in Encoding; otherwise
// false with Error set. UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF,
// no cut sequence. UTF-16: whole code units, every surrogate in a high-low pair. Code page
// 932 and EUC-JP: assigned characters only (library/CodePage932, library/EucJp).
[[nodiscard]] bool ValidateText(std::string_view Body, TTextEncoding Encoding,
                                TEncodingError& Error);

// DecodeText() — appends Body (already validated) to Out as UTF-16.
// Code page 932 and EUC-JP go through the system's converter (see cli/sys/System.h).
void DecodeText(std::string_view Body, TTextEncoding Encoding, std::u16string& Out);

// EncodeText() — appends Text to Out in Encoding (no BOM). A lone surrogate, which valid
// input never yields, is written as U+FFFD in UTF-8. False, with Out unchanged, when a
// character has no form in a legacy code page (the Unicode encodings hold every character).
bool EncodeText(std::u16string_view Text, TTextEncoding Encoding, std::string& Out);
