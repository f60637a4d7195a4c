// Output bytes as console text: whole characters decoded to UTF-16, a cut one kept back.
#include "cli/io/ConsoleText.h"

#include <algorithm>

namespace {

// How many of the leading bytes of Bytes form whole characters; the rest is a cut one.
size_t WholeCharacters(std::string_view Bytes, const TEncodingRow& Row) {
  const size_t Size = Bytes.size();
  const auto Byte = [&](size_t I) { return static_cast<unsigned char>(Bytes[I]); };
  if (Row.UnitSize == 2) {
    size_t Whole = Size & ~size_t{1};
    if (Whole == 0) return 0;
    const size_t High = Row.Encoding == teUtf16LE ? Whole - 1 : Whole - 2;
    if (Byte(High) >= 0xD8 && Byte(High) <= 0xDB) Whole -= 2;  // its low surrogate is to come
    return Whole;
  }
  // A trail byte may take a lead byte's value, so the characters are counted from the start.
  size_t At = 0;
  while (At < Size) {
    const size_t Length = Row.CharLength(Byte(At));
    if (Size - At < Length) return At;
    At += Length;
  }
  return Size;
}

// Bytes that do not convert as a whole: one character at a time, U+FFFD for each byte that
// starts none. Checked input never comes here, but a console must not fail on it.
void DecodeLenient(std::string_view Bytes, const TEncodingRow& Row, std::u16string& Out) {
  for (size_t At = 0; At < Bytes.size();) {
    const size_t Length =
        std::min(Row.CharLength(static_cast<unsigned char>(Bytes[At])), Bytes.size() - At);
    if (Row.FirstBad(Bytes.substr(At, Length)) == Length &&
        Row.Decode(Bytes.substr(At, Length), Out)) {
      At += Length;
    } else {
      Out += u'\uFFFD';
      ++At;  // the byte after a refused lead byte may start a character of its own
    }
  }
}

void DecodeWhole(std::string_view Bytes, const TEncodingRow& Row, std::u16string& Out) {
  if (Bytes.empty()) return;
  if (Row.UnitSize == 2) {
    DecodeText(Bytes, Row.Encoding, Out);  // a lone surrogate is the console's to show
  } else if (Row.FirstBad(Bytes) != Bytes.size() || !Row.Decode(Bytes, Out)) {
    DecodeLenient(Bytes, Row, Out);
  }
}

}  // namespace

void TConsoleDecoder::SetEncoding(TTextEncoding Encoding, std::u16string& Out) {
  // A streamed input is guessed in the table's order: a later guess goes on with the same input.
  const TEncodingRow& Old = EncodingRow(FEncoding);
  const bool SameInput = Old.Guess && EncodingRow(Encoding).Guess && Encoding > FEncoding;
  FEncoding = Encoding;
  if (SameInput) return;
  if (!FWaiting.empty()) Out += u'\uFFFD';
  FWaiting.clear();
  FAtStart = true;
}

void TConsoleDecoder::Decode(std::string_view Bytes, std::u16string& Out) {
  std::string Joined;
  if (!FWaiting.empty()) {
    Joined = FWaiting;
    Joined += Bytes;
    Bytes = Joined;
  }
  const TEncodingRow& Row = EncodingRow(FEncoding);
  const size_t Whole = WholeCharacters(Bytes, Row);
  const size_t Old = Out.size();
  DecodeWhole(Bytes.substr(0, Whole), Row, Out);
  FWaiting.assign(Bytes.substr(Whole));
  if (FAtStart && Out.size() > Old) {
    if (Out[Old] == u'\uFEFF') Out.erase(Old, 1);
    FAtStart = false;
  }
}
