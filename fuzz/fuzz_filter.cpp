// The corvane filter on any bytes: every operation on UTF-8 bytes or UTF-16 units, read in
// blocks of any size from a file or a pipe. Valid input gives exactly what the plug-in's
// whole-text engine gives on the decoded text, valid in the same encoding, and delete takes
// back what number inserted; invalid input is refused at the offset where validating the
// whole body at once stops.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "cli/LineFilter.h"
#include "fuzz/FuzzInput.h"
#include "tests/cli/FilterOracle.h"

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
  R.Numbering.Options = In.Byte() % 4;
  R.ContinueStep = R.Numbering.Step;
  R.CopyTidy = (Reading & 0x80) != 0;
  R.CopyPath = u"dir/file";
  const std::string_view File(reinterpret_cast<const char*>(Data) + std::min<size_t>(Size, 10),
                              Size - std::min<size_t>(Size, 10));

  TStringSink Sink;
  TMemorySource Source(File, Piece, !Pipe);
  const TFilterResult Result = FilterInput(Source, R, Sink);

  size_t Bom = 0;
  TTextEncoding Encoding = DetectEncoding(File, Bom);
  TEncodingError Whole;
  bool Valid = ValidateText(File.substr(Bom), Encoding, Whole);
  if (!Valid && Encoding == teUtf8) {
    // Bytes without a BOM that are not UTF-8 may be code page 932; if not, the text is
    // invalid from the later of the two first bad bytes on.
    TEncodingError AsCp932;
    Valid = ValidateText(File, teCp932, AsCp932);
    if (Valid) Encoding = teCp932;
    Whole.Offset = std::max(Whole.Offset, AsCp932.Offset);
  }
  if (Valid != Result.Ok) Fail("the blocks and the whole body disagree on validity");
  if (Valid && Result.Encoding != Encoding) Fail("a different encoding");
  if (!Valid) {
    if (Result.Error.Offset != Whole.Offset + Bom) Fail("a different first bad byte");
    return 0;
  }
  std::u16string Text;
  DecodeText(File.substr(Bom), Encoding, Text);
  std::string Want(File.substr(0, Bom));
  EncodeText(filter_oracle::Expected(R, Text), Encoding, Want);
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
