// What the filter's core tests share: a sink that keeps the bytes, conversions between UTF-8
// and UTF-16 text, and one run of the filter over bytes read as a file or as a pipe.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "cli/filter/LineFilter.h"
#include "cli/io/TextCodec.h"

namespace corvane_test {

class TStringSink : public TByteSink {
 public:
  void Write(std::string_view Bytes) override { Text.append(Bytes); }
  std::string Text;
};

inline std::string Utf8(std::u16string_view Text, TTextEncoding Encoding = teUtf8) {
  std::string Out;
  EncodeText(Text, Encoding, Out);
  return Out;
}

inline std::u16string Utf16Of(std::string_view Utf8Text) {
  std::u16string Out;
  DecodeText(Utf8Text, teUtf8, Out);
  return Out;
}

// The filter's output; Piece > 0 reads the input as a pipe, at most Piece bytes a read.
inline std::string Filter(std::string_view File, const TFilterRequest& Request, size_t Piece = 0) {
  TStringSink Sink;
  TMemorySource Input(File, Piece == 0 ? SIZE_MAX : Piece, Piece == 0);
  const TFilterResult Result = FilterInput(Input, Request, Sink);
  EXPECT_TRUE(Result.Ok);
  return Sink.Text;
}

}  // namespace corvane_test
