#pragma once
// Where a program's output goes, piece by piece: standard output, a replaced file, memory.

#include <string_view>

#include "cli/io/TextCodec.h"

// Receives the output in pieces, in order.
class TByteSink {
 public:
  virtual ~TByteSink() = default;
  virtual void Write(std::string_view Bytes) = 0;
  // Told the encoding of the bytes that follow: before an input's first Write, and again when
  // a streamed input turns out to be code page 932 after blocks valid in UTF-8 as well. A
  // console needs it to show the text; files and pipes take the bytes as they are.
  virtual void SetEncoding(TTextEncoding /*Encoding*/) {}
};
