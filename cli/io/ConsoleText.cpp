// Output bytes as console text: whole characters decoded to UTF-16, a cut one kept back.
#include "cli/io/ConsoleText.h"

#include "cli/sys/System.h"
#include "library/CodePage932/Cp932.h"
#include "library/UtfUnit/UtfUnit.h"

namespace {

// The length of the UTF-8 sequence that Lead starts; 1 for a byte that starts none, which the
// lenient decoder turns into U+FFFD on its own.
size_t Utf8SequenceLength(unsigned char Lead) {
  if (Lead >= 0xC0 && Lead <= 0xDF) return 2;
  if (Lead >= 0xE0 && Lead <= 0xEF) return 3;
  if (Lead >= 0xF0 && Lead <= 0xF7) return 4;
  return 1;
}

// How many of the leading bytes of Bytes form whole characters; the rest is a cut one.
size_t WholeCharacters(std::string_view Bytes, TTextEncoding Encoding) {
  const size_t Size = Bytes.size();
  const auto Byte = [&](size_t I) { return static_cast<unsigned char>(Bytes[I]); };
  switch (Encoding) {
    case teUtf16LE:
    case teUtf16BE: {
      size_t Whole = Size & ~size_t{1};
      if (Whole == 0) return 0;
      const char16_t Last = Encoding == teUtf16LE
                                ? static_cast<char16_t>(Byte(Whole - 2) | Byte(Whole - 1) << 8)
                                : static_cast<char16_t>(Byte(Whole - 2) << 8 | Byte(Whole - 1));
      if (Last >= 0xD800 && Last <= 0xDBFF) Whole -= 2;  // its low surrogate is still to come
      return Whole;
    }
    case teCp932: {
      // A trail byte may take a lead byte's value, so the pairs are counted from the start.
      size_t At = 0;
      while (At < Size) {
        if (!IsCp932Lead(Byte(At))) {
          ++At;
        } else if (At + 1 == Size) {
          return At;
        } else {
          At += 2;
        }
      }
      return Size;
    }
    case teUtf8:
    case teUtf8Bom:
      break;
  }
  // UTF-8: a cut sequence has its lead byte among the last three bytes.
  for (size_t Back = 1; Back <= 3 && Back <= Size; ++Back) {
    const unsigned char B = Byte(Size - Back);
    if ((B & 0xC0) == 0x80) continue;
    return Utf8SequenceLength(B) > Back ? Size - Back : Size;
  }
  return Size;
}

// Code page 932 that the system refuses as a whole: one character at a time, U+FFFD for each
// byte it refuses. Checked input never comes here, but a console must not fail on it.
void DecodeCp932Lenient(std::string_view Bytes, std::u16string& Out) {
  for (size_t At = 0; At < Bytes.size();) {
    const size_t Length =
        IsCp932Lead(static_cast<unsigned char>(Bytes[At])) && At + 1 < Bytes.size() ? 2 : 1;
    if (sys::Cp932ToUtf16(Bytes.substr(At, Length), Out)) {
      At += Length;
    } else {
      Out += u'\uFFFD';
      ++At;  // the byte after a refused lead byte may start a character of its own
    }
  }
}

void DecodeWhole(std::string_view Bytes, TTextEncoding Encoding, std::u16string& Out) {
  if (Bytes.empty()) return;
  switch (Encoding) {
    case teUtf16LE:
    case teUtf16BE:
      DecodeText(Bytes, Encoding, Out);
      return;
    case teCp932:
      if (!sys::Cp932ToUtf16(Bytes, Out)) DecodeCp932Lenient(Bytes, Out);
      return;
    case teUtf8:
    case teUtf8Bom:
      break;
  }
  std::u16string Text;
  if (!Utf8ToUtf16(Bytes, Text)) Text = Utf8ToUtf16Lenient(Bytes);
  Out += Text;
}

}  // namespace

void TConsoleDecoder::SetEncoding(TTextEncoding Encoding, std::u16string& Out) {
  const bool SameInput = FEncoding == teUtf8 && Encoding == teCp932;
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
  const size_t Whole = WholeCharacters(Bytes, FEncoding);
  const size_t Old = Out.size();
  DecodeWhole(Bytes.substr(0, Whole), FEncoding, Out);
  FWaiting.assign(Bytes.substr(Whole));
  if (FAtStart && Out.size() > Old) {
    if (Out[Old] == u'\uFEFF') Out.erase(Old, 1);
    FAtStart = false;
  }
}
