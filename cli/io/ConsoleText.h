#pragma once
// Output bytes as the UTF-16 text a Windows console shows. The filter writes its output in
// pieces cut anywhere, in the input's own encoding; a console takes whole characters in UTF-16
// (WriteConsoleW), so a character cut at the end of a piece waits here for the rest.

#include <string>
#include <string_view>

#include "cli/io/TextCodec.h"

class TConsoleDecoder {
 public:
  // SetEncoding() — the bytes that follow are in Encoding. A change to a later guessed encoding
  // (UTF-8 to code page 932 or EUC-JP, code page 932 to EUC-JP) goes on with the same input, a
  // streamed one found to be that on the way: a waiting cut character is read again in it. Any
  // other call starts an input, whose BOM is not shown; a character the last input left cut is
  // shown as U+FFFD in Out.
  void SetEncoding(TTextEncoding Encoding, std::u16string& Out);

  // Decode() — appends the text of the waiting bytes and Bytes to Out, up to the last whole
  // character; the bytes of a cut one wait for the next call. Bytes that form no character
  // come out as U+FFFD.
  //   SetEncoding(teUtf8, Out); Decode("a\xE8\xA1", Out) gives u"a"; Decode("\x8C", Out) u"行"
  void Decode(std::string_view Bytes, std::u16string& Out);

  // Waiting() — the bytes of a cut character that wait for the next piece.
  [[nodiscard]] std::string_view Waiting() const { return FWaiting; }

 private:
  TTextEncoding FEncoding = teUtf8;
  std::string FWaiting;
  bool FAtStart = false;  // the next character is the input's first: a BOM there is dropped
};
