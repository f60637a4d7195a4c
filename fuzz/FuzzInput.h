#pragma once
// Turns a fuzzer's bytes into the arguments of one engine call: fixed-size numbers from the
// front, then the text. Text bytes below 0x80 are ASCII code units (so CR, LF, ":", digits,
// blanks and tabs are one byte each); the others stand for characters the engine must treat
// as plain text.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}

  uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }

  int32_t Int32() {
    uint32_t V = 0;
    for (int I = 0; I < 4; ++I) V = (V << 8) | Byte();
    return static_cast<int32_t>(V);
  }

  // Everything not yet read, as text.
  std::u16string Text() {
    static constexpr char16_t Wide[] = {0x3000, 0xFF10, 0xFF11, 0xFF1A, 0xD800,
                                        0xDC00, 0x0085, 0x2028, 0xFFFF, 0x00A0};
    std::u16string S;
    S.reserve(FSize - FPos);
    for (; FPos < FSize; ++FPos) {
      const uint8_t B = FData[FPos];
      S += B < 0x80 ? static_cast<char16_t>(B) : Wide[(B - 0x80) % std::size(Wide)];
    }
    return S;
  }

 private:
  const uint8_t* FData;
  size_t FSize;
  size_t FPos = 0;
};

// An oracle's verdict: an empty text passes, anything else stops the run with a crash.
inline void Require(const std::string& Failure) {
  if (Failure.empty()) return;
  std::fprintf(stderr, "engine oracle failed: %s\n", Failure.c_str());
  std::abort();
}
