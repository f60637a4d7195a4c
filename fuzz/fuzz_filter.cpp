// The corvane filter on any bytes: every operation on UTF-8, code page 932 or EUC-JP bytes or
// UTF-16 units, the encoding found or named, read in blocks of any size from a file or a pipe.
// Valid input gives exactly what the plug-in's whole-text engine gives on the decoded text, valid
// in the same encoding, and delete takes back what number inserted; invalid input is refused at the
// offset where validating the whole body at once stops.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "cli/filter/LineFilter.h"
#include "fuzz/FuzzInput.h"
#include "tests/cli/filter/FilterOracle.h"

namespace {

class TStringSink : public TByteSink {
 public:
  void Write(std::string_view Bytes) override { Text.append(Bytes); }
  std::string Text;
};

void Fail(const char* What) {
  std::fprintf(stderr, "filter check failed: %s\n", What);
  std::abort();
}

// A legacy code page through Unicode does not come back the same: code page 932's NEC-selected
// IBM extensions (lead ED, EE) and IBM extensions (FA-FC) name the same characters, and going
// back picks one of them. The engine only ever looks at ASCII, so the oracle gives every other
// character an opaque stand-in of its own: U+F0000 plus its bytes (EUC-JP's 8F xx yy as
// 0x10000 + xx yy), a surrogate pair the engine leaves be.
void Decode(std::string_view Body, TTextEncoding Encoding, std::u16string& Text) {
  if (Encoding != teCp932 && Encoding != teEucJp) return DecodeText(Body, Encoding, Text);
  const TEncodingRow& Row = EncodingRow(Encoding);
  for (size_t I = 0; I < Body.size(); ++I) {
    const auto Byte = static_cast<unsigned char>(Body[I]);
    if (Byte < 0x80) {
      Text += static_cast<char16_t>(Byte);
      continue;
    }
    uint32_t Code = Byte;
    const size_t Length = Row.CharLength(Byte);
    if (Length == 3) Code = 1;  // 8F: the stand-in's bit 16
    for (size_t K = 1; K < Length; ++K) Code = Code << 8 | static_cast<unsigned char>(Body[++I]);
    Text += static_cast<char16_t>(0xDB80 | Code >> 10);  // U+F0000 + Code
    Text += static_cast<char16_t>(0xDC00 | (Code & 0x3FF));
  }
}

void Encode(std::u16string_view Text, TTextEncoding Encoding, std::string& Out) {
  if (Encoding != teCp932 && Encoding != teEucJp) {
    (void)EncodeText(Text, Encoding, Out);
    return;
  }
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] < 0x80) {
      Out += static_cast<char>(Text[I]);
      continue;
    }
    const uint32_t Code = (Text[I] & 0x7Fu) << 10 | (Text[I + 1] & 0x3FFu);
    ++I;
    if (Code > 0xFFFF) Out += '\x8F';
    if (Code > 0xFF) Out += static_cast<char>(Code >> 8);
    Out += static_cast<char>(Code & 0xFF);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FuzzInput In(Data, Size);
  TFilterRequest R;
  R.Operation = static_cast<TFilterOperation>(In.Byte() % 8);
  R.BlockUnits = 1 + In.Byte() % 64;
  const uint8_t Reading = In.Byte();
  const bool Pipe = (Reading & 1) != 0;
  const size_t Piece = 1 + (Reading >> 1) % 32;
  R.Numbering.Start = In.Int32();
  R.Numbering.Step = static_cast<int8_t>(In.Byte());
  R.Numbering.ZeroDigits = In.Byte() % 5;
  const uint8_t Options = In.Byte();
  R.Numbering.Options = Options % 4;
  constexpr TEncodingChoice Choices[] = {std::nullopt, teUtf8,  teUtf16LE,
                                         teUtf16BE,    teCp932, teEucJp};
  R.Encoding = Choices[(Options >> 2) % std::size(Choices)];
  R.ContinueStep = R.Numbering.Step;
  R.CopyTidy = (Reading & 0x80) != 0;
  // The engine's tidying reads '-3:' as no number; copy -t tidies whatever the sign.
  if (R.Operation == foCopy && R.CopyTidy) R.Numbering.Start = std::max(R.Numbering.Start, 0);
  R.CopyPath = "dir/file";
  R.Form.Read = fcColon;  // what the whole-text engine reads
  const std::string_view File(reinterpret_cast<const char*>(Data) + std::min<size_t>(Size, 10),
                              Size - std::min<size_t>(Size, 10));

  TStringSink Sink;
  TMemorySource Source(File, Piece, !Pipe);
  const TFilterResult Result = FilterInput(Source, R, Sink);

  // The head rule (BOMs, a foreign one refused) is ChooseEncoding's; the body is checked whole.
  const TBodyEncoding Head = ChooseEncoding(File.substr(0, 3), R.Encoding);
  const size_t Bom = Head.BomLength;
  TTextEncoding Encoding = Head.Encoding;
  TEncodingError Whole;
  bool Valid = !Head.Refused && ValidateText(File.substr(Bom), Encoding, Whole);
  if (!R.Encoding && Bom == 0) {
    // Bytes without a BOM are the first guess they are valid in; if none, the text is
    // invalid from the last of the first bad bytes on.
    Valid = false;
    Whole.Offset = 0;
    for (const TEncodingRow& Row : EncodingTable()) {
      if (Row.Guess == nullptr) continue;
      const size_t Bad = Row.Guess(File);
      if (Bad == File.size()) {
        Valid = true;
        Encoding = Row.Encoding;
        break;
      }
      Whole.Offset = std::max<uint64_t>(Whole.Offset, Bad);
    }
  }
  if (Valid != Result.Ok) Fail("the blocks and the whole body disagree on validity");
  if (Valid && Result.Encoding != Encoding) Fail("a different encoding");
  if (!Valid) {
    if (Result.Error.Offset != Whole.Offset + Bom) Fail("a different first bad byte");
    return 0;
  }
  std::u16string Text;
  Decode(File.substr(Bom), Encoding, Text);
  std::string Want(File.substr(0, Bom));
  Encode(filter_oracle::Expected(R, Text), Encoding, Want);
  if (Sink.Text != Want) Fail("output differs from the whole-text engine");
  TEncodingError Unused;
  if (!ValidateText(std::string_view(Sink.Text).substr(Bom), Encoding, Unused)) {
    Fail("valid input gave invalid output");
  }

  // Numbers of digits alone (no sign) are what delete takes away again.
  const TNumbering& N = R.Numbering;
  if (R.Operation == foNumber && N.Start >= 0 && N.Step >= 0 && (N.Options & lnoPlusSign) == 0) {
    TFilterRequest Delete = R;
    Delete.Operation = foDelete;
    TStringSink Back;
    TMemorySource Numbered(Sink.Text, Piece, !Pipe);
    if (!FilterInput(Numbered, Delete, Back).Ok || Back.Text != File) {
      Fail("delete did not give back what number was given");
    }
  }
  return 0;
}
