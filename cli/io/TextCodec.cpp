// The table of encodings, and what walks it: names, BOMs, the guess, validation, conversion.
#include "cli/io/TextCodec.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "cli/sys/System.h"
#include "library/CodePage932/Cp932.h"
#include "library/EucJp/EucJp.h"
#include "library/UtfUnit/Utf16Validate.h"
#include "library/UtfUnit/Utf8Validate.h"
#include "library/UtfUnit/UtfRules.h"
#include "library/UtfUnit/UtfUnit.h"

namespace {

template <TTextEncoding Order>
char16_t ReadUnit(const unsigned char* P) {
  return Order == teUtf16LE ? static_cast<char16_t>(P[0] | (P[1] << 8))
                            : static_cast<char16_t>((P[0] << 8) | P[1]);
}

template <TTextEncoding Order>
constexpr bool NativeOrder = (Order == teUtf16LE) == (std::endian::native == std::endian::little);

size_t FirstBadUtf8(std::string_view Body) {
  size_t Bad = 0;
  (void)ValidateUtf8(Body, Bad);
  return Bad;
}

size_t FirstBadCp932(std::string_view Body) {
  size_t Bad = 0;
  (void)ValidateCp932(Body, Bad);
  return Bad;
}

size_t FirstBadEucJp(std::string_view Body) {
  size_t Bad = 0;
  (void)ValidateEucJp(Body, Bad);
  return Bad;
}

// C1 controls are valid EUC-JP, but in a file without a BOM they are lead bytes of code page
// 932 or another encoding far more often than controls: such text is not taken for EUC-JP.
size_t GuessEucJp(std::string_view Body) {
  size_t Bad = 0;
  (void)ValidateEucJp(Body, Bad, false);
  return Bad;
}

// The first unpaired surrogate's byte offset among the whole units of Body.
template <TTextEncoding Order>
size_t FirstBadUtf16(std::string_view Body) {
  const size_t Bad =
      FirstUnpairedSurrogate(Body, Order == teUtf16LE ? std::endian::little : std::endian::big);
  return Bad == Body.size() / 2 ? Body.size() : 2 * Bad;
}

bool DecodeUtf8Text(std::string_view Body, std::u16string& Out) {
  std::u16string Text;
  if (!Utf8ToUtf16(Body, Text)) return false;
  Out += Text;
  return true;
}

bool EncodeUtf8Text(std::u16string_view Text, std::string& Out) {
  Out += Utf16ToUtf8(Text);
  return true;
}

template <TTextEncoding Order>
bool DecodeUtf16(std::string_view Body, std::u16string& Out) {
  const size_t Units = Body.size() / 2;
  const size_t Old = Out.size();
  Out.resize(Old + Units);
  if constexpr (NativeOrder<Order>) {
    if (Units > 0) std::memcpy(Out.data() + Old, Body.data(), Units * 2);
  } else {
    const auto* P = reinterpret_cast<const unsigned char*>(Body.data());
    for (size_t I = 0; I < Units; ++I) Out[Old + I] = ReadUnit<Order>(P + 2 * I);
  }
  return Body.size() % 2 == 0;
}

template <TTextEncoding Order>
bool EncodeUtf16(std::u16string_view Text, std::string& Out) {
  const size_t Old = Out.size();
  Out.resize(Old + 2 * Text.size());
  if constexpr (NativeOrder<Order>) {
    if (!Text.empty()) std::memcpy(Out.data() + Old, Text.data(), 2 * Text.size());
  } else {
    for (size_t I = 0; I < Text.size(); ++I) {
      Out[Old + 2 * I] = static_cast<char>(Order == teUtf16LE ? Text[I] & 0xFF : Text[I] >> 8);
      Out[Old + 2 * I + 1] = static_cast<char>(Order == teUtf16LE ? Text[I] >> 8 : Text[I] & 0xFF);
    }
  }
  return true;
}

// A legacy code page converts through the system.
template <const sys::TCodePage& Page>
bool DecodeSystem(std::string_view Body, std::u16string& Out) {
  return sys::ToUtf16(Page, Body, Out);
}

// What the system writes must be valid in the table, which is glibc's: a system that knows more
// characters (Windows' 20932 has user-defined rows) must not write them.
template <const sys::TCodePage& Page, size_t (*FirstBad)(std::string_view)>
bool EncodeSystem(std::u16string_view Text, std::string& Out) {
  std::string Bytes;
  if (!sys::FromUtf16(Page, Text, Bytes) || FirstBad(Bytes) != Bytes.size()) return false;
  Out += Bytes;
  return true;
}

constexpr sys::TCodePage Cp932Page = {"CP932", 932};
constexpr sys::TCodePage EucJpPage = {"EUC-JP", 20932};

size_t Cp932CharLength(unsigned char Lead) {
  return IsCp932Lead(Lead) ? 2 : 1;
}

constexpr TEncodingRow Table[] = {
    {.Encoding = teUtf8,
     .Name = miNameUtf8,
     .Names = "utf-8",
     .Bom = "",
     .NamedAs = teUtf8,
     .UnitSize = 1,
     .Guess = FirstBadUtf8,
     .Invalid = miInvalidIn,
     .FirstBad = FirstBadUtf8,
     .CharLength = Utf8SequenceLength,
     .Decode = DecodeUtf8Text,
     .Encode = EncodeUtf8Text},
    {.Encoding = teUtf8Bom,
     .Name = miNameUtf8Bom,
     .Names = "",
     .Bom = "\xEF\xBB\xBF",
     .NamedAs = teUtf8,
     .UnitSize = 1,
     .Guess = nullptr,
     .Invalid = miInvalidIn,
     .FirstBad = FirstBadUtf8,
     .CharLength = Utf8SequenceLength,
     .Decode = DecodeUtf8Text,
     .Encode = EncodeUtf8Text},
    {.Encoding = teUtf16LE,
     .Name = miNameUtf16LE,
     .Names = "utf-16le",
     .Bom = "\xFF\xFE",
     .NamedAs = teUtf16LE,
     .UnitSize = 2,
     .Guess = nullptr,
     .Invalid = miUnpairedSurrogate,
     .FirstBad = FirstBadUtf16<teUtf16LE>,
     .CharLength = nullptr,
     .Decode = DecodeUtf16<teUtf16LE>,
     .Encode = EncodeUtf16<teUtf16LE>},
    {.Encoding = teUtf16BE,
     .Name = miNameUtf16BE,
     .Names = "utf-16be",
     .Bom = "\xFE\xFF",
     .NamedAs = teUtf16BE,
     .UnitSize = 2,
     .Guess = nullptr,
     .Invalid = miUnpairedSurrogate,
     .FirstBad = FirstBadUtf16<teUtf16BE>,
     .CharLength = nullptr,
     .Decode = DecodeUtf16<teUtf16BE>,
     .Encode = EncodeUtf16<teUtf16BE>},
    {.Encoding = teCp932,
     .Name = miNameCp932,
     .Names = "cp932 sjis shift_jis",
     .Bom = "",
     .NamedAs = teCp932,
     .UnitSize = 1,
     .Guess = FirstBadCp932,
     .Invalid = miInvalidIn,
     .FirstBad = FirstBadCp932,
     .CharLength = Cp932CharLength,
     .Decode = DecodeSystem<Cp932Page>,
     .Encode = EncodeSystem<Cp932Page, FirstBadCp932>},
    {.Encoding = teEucJp,
     .Name = miNameEucJp,
     .Names = "euc-jp eucjp",
     .Bom = "",
     .NamedAs = teEucJp,
     .UnitSize = 1,
     .Guess = GuessEucJp,
     .Invalid = miInvalidIn,
     .FirstBad = FirstBadEucJp,
     .CharLength = EucJpCharLength,
     .Decode = DecodeSystem<EucJpPage>,
     .Encode = EncodeSystem<EucJpPage, FirstBadEucJp>},
};
static_assert(
    [] {
      for (size_t I = 0; I < std::size(Table); ++I) {
        if (Table[I].Encoding != I) return false;
      }
      return true;
    }(),
    "the table's rows are in the order of TTextEncoding");

std::string Lowered(std::string_view Name) {
  std::string Lower(Name);
  for (char& C : Lower) {
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  }
  return Lower;
}

// Calls OnName(Row, Name) for each -e name of each row.
template <typename TOnName>
void ForEachName(TOnName&& OnName) {
  for (const TEncodingRow& Row : Table) {
    for (std::string_view Names = Row.Names; !Names.empty();) {
      const size_t Blank = std::min(Names.find(' '), Names.size());
      OnName(Row, Names.substr(0, Blank));
      Names.remove_prefix(std::min(Blank + 1, Names.size()));
    }
  }
}

constexpr uint32_t Bit(TTextEncoding Encoding) {
  return uint32_t{1} << Encoding;
}

}  // namespace

std::span<const TEncodingRow> EncodingTable() {
  return Table;
}

const TEncodingRow& EncodingRow(TTextEncoding Encoding) {
  return Table[Encoding < std::size(Table) ? Encoding : teUtf8];
}

std::optional<TEncodingChoice> EncodingChoiceByName(std::string_view Name) {
  const std::string Lower = Lowered(Name);
  if (Lower == "auto") return TEncodingChoice();
  std::optional<TEncodingChoice> Found;
  ForEachName([&](const TEncodingRow& Row, std::string_view Each) {
    if (Each == Lower) Found = Row.Encoding;
  });
  return Found;
}

std::string EncodingChoiceNames() {
  std::string Names = "auto";
  ForEachName([&](const TEncodingRow&, std::string_view Each) {
    Names += ", ";
    Names += Each;
  });
  return Names;
}

TTextEncoding DetectEncoding(std::string_view Bytes, size_t& BomLength) {
  for (const TEncodingRow& Row : Table) {
    if (!Row.Bom.empty() && Bytes.substr(0, Row.Bom.size()) == Row.Bom) {
      BomLength = Row.Bom.size();
      return Row.Encoding;
    }
  }
  BomLength = 0;
  return teUtf8;
}

TBodyEncoding ChooseEncoding(std::string_view Head, TEncodingChoice Choice) {
  TBodyEncoding Body;
  const TTextEncoding Announced = DetectEncoding(Head, Body.BomLength);
  if (!Choice) {
    Body.Encoding = Announced;
    Body.Candidates = Bit(Announced);
    if (Body.BomLength == 0) {
      Body.Candidates = 0;
      for (const TEncodingRow& Row : Table) Body.Candidates |= Row.Guess ? Bit(Row.Encoding) : 0;
    }
    return Body;
  }
  Body.Encoding = *Choice;
  if (Body.BomLength > 0 && EncodingRow(Announced).NamedAs == *Choice) {
    Body.Encoding = Announced;
  } else if (Body.BomLength > 0) {
    Body.Refused = true;
    Body.Error = {0, miForeignBom, *Choice, EncodingRow(Announced).NamedAs};
    Body.BomLength = 0;
  }
  Body.Candidates = Bit(Body.Encoding);
  return Body;
}

TBodyValidator::TBodyValidator(uint32_t Candidates) : FInitial(Candidates), FHolding(Candidates) {}

bool TBodyValidator::Validate(std::string_view Block, uint64_t At, TEncodingError& Error) {
  // Text all of whose candidates agree needs one look, not one per candidate.
  if (!std::has_single_bit(FHolding)) {
    const size_t Ascii = AsciiPrefix(Block);
    Block.remove_prefix(Ascii);
    At += Ascii;
  }
  const bool Guessing = !std::has_single_bit(FInitial);
  for (uint32_t Left = FHolding; Left != 0 && !Block.empty(); Left &= Left - 1) {
    const TEncodingRow& Row = Table[std::countr_zero(Left)];
    const size_t Bad = Guessing ? Row.Guess(Block) : Row.FirstBad(Block);
    if (Bad == Block.size()) continue;
    FHolding &= ~Bit(Row.Encoding);
    FLastBad = std::max(FLastBad, At + Bad);
  }
  if (FHolding != 0) return true;
  const TEncodingRow& Row = Table[std::countr_zero(FInitial)];
  // Guessing: neither holds from the later of the first bad bytes on.
  Error = {FLastBad, Guessing ? miInvalidText : Row.Invalid, Row.Encoding};
  return false;
}

TTextEncoding TBodyValidator::Encoding() const {
  const uint32_t Holding = FHolding != 0 ? FHolding : FInitial;
  return static_cast<TTextEncoding>(std::countr_zero(Holding));
}

bool ValidateText(std::string_view Body, TTextEncoding Encoding, TEncodingError& Error) {
  const TEncodingRow& Row = EncodingRow(Encoding);
  const size_t Bad = Row.FirstBad(Body);
  if (Bad != Body.size()) {
    Error = {Bad, Row.Invalid, Encoding};
    return false;
  }
  if (Body.size() % Row.UnitSize != 0) {
    Error = {Body.size() - 1, miIncompleteUnit, Encoding};
    return false;
  }
  return true;
}

void DecodeText(std::string_view Body, TTextEncoding Encoding, std::u16string& Out) {
  (void)EncodingRow(Encoding).Decode(Body, Out);  // validated: it converts
}

bool EncodeText(std::u16string_view Text, TTextEncoding Encoding, std::string& Out) {
  return EncodingRow(Encoding).Encode(Text, Out);
}

std::string EncodingErrorText(const TEncodingError& Error) {
  switch (Error.Reason) {
    case miInvalidIn:
      return Message(miInvalidIn, {EncodingName(EncodingRow(Error.Encoding).NamedAs)});
    case miForeignBom:
      return Message(miForeignBom, {EncodingName(Error.Other), EncodingName(Error.Encoding)});
    case miInvalidText: {
      std::string Names;
      for (const TEncodingRow& Row : Table) {
        if (Row.Guess == nullptr) continue;
        Names += (Names.empty() ? "" : Message(miNor)) + EncodingName(Row.Encoding);
      }
      return Message(miInvalidText, {Names});
    }
    default:
      return Message(Error.Reason);
  }
}
