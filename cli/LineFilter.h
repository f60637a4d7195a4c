#pragma once
// The corvane filter: one file's bytes in, the engine's result out, in the file's own
// encoding and with its own line breaks. The line-by-line operations (numbering, continuing,
// deleting numbers or number-only lines, copy without tidying) hand the engine a run of whole
// lines at a time, so a large file never exists as UTF-16 all at once; the tidying operations
// need every line before they can change one and take the whole text in one call.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "LineNumberUnit/LineNumberUnit.h"
#include "cli/TextCodec.h"

enum TFilterOperation : uint8_t {
  foNumber,            // AddLineNumbers / AddPaddedLineNumbers
  foContinue,          // numbering on from the start written at the head of the first line
  foDelete,            // DeleteLineNumbers
  foDeleteNumberOnly,  // DeleteNumberOnlyLines
  foDedent,            // DeleteIndentAfterNumber
  foTidy,              // DeleteNumberOnlyLines, then DeleteIndentAfterNumber
  foCopy,              // header (folder, indented name), then the lines numbered from 1
};

// How a run of lines is numbered.
struct TNumbering {
  int32_t Start = 1;
  int32_t Step = 1;
  int32_t ZeroDigits = 0;  // 0: blank-aligned (AddLineNumbers); else AddPaddedLineNumbers' Digits
  TLineNumberOptions Options = 0;
};

struct TFilterRequest {
  TFilterOperation Operation = foNumber;
  TNumbering Numbering;      // foNumber
  int32_t ContinueStep = 1;  // foContinue
  bool CopyTidy = false;     // foCopy: number, then both tidyings
  std::u16string CopyPath;   // foCopy: the path whose folder and name head the copy
  // UTF-16 units handed to the engine per call on the line-by-line operations (rounded up
  // to whole lines); small values in tests exercise the seams between runs.
  size_t ChunkUnits = size_t{1} << 16;
};

// Receives the output in pieces, in order.
class TByteSink {
 public:
  virtual ~TByteSink() = default;
  virtual void Write(std::string_view Bytes) = 0;
};

struct TFilterResult {
  bool Ok = true;        // false: invalid input, nothing was written to the sink
  TEncodingError Error;  // when !Ok; Offset counts from the start of the file
  TTextEncoding Encoding = teUtf8;
  bool ContinueApplied = false;  // foContinue: the head held a start (else text unchanged)
};

// FilterText() — validates File as a whole (nothing is written when it is invalid), then
// writes its BOM, if any, and the transformed text to Sink.
[[nodiscard]] TFilterResult FilterText(std::string_view File, const TFilterRequest& Request,
                                       TByteSink& Sink);

// CopyHeader() — the two header lines of a copy: the folder (up to and including the last
// "/", "\" or ":"), then two blanks and the name, each ended by Break.
//   CopyHeader(u"\\docs\\memo.txt", u"\r\n") == u"\\docs\\\r\n  memo.txt\r\n"
[[nodiscard]] std::u16string CopyHeader(std::u16string_view Path, std::u16string_view Break);
