#pragma once
// The one output buffer of both programs: bytes collected and passed to a sink in large writes,
// before every read that may wait (see TBlockReader), and per line when the output is a
// terminal someone watches.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "cli/io/ByteSink.h"
#include "library/UtfUnit/Utf16Validate.h"

class TOutputBuffer {
 public:
  static constexpr size_t Capacity = size_t{1} << 17;
  // A piece of up to Slack bytes may be copied as one fixed-size block (a few vector moves, no
  // call): the buffer keeps that much room past its end.
  static constexpr size_t Slack = 64;

  // LineBuffered: EndLine() passes each line on as soon as it is complete.
  explicit TOutputBuffer(TByteSink& Sink, bool LineBuffered = false)
      : FSink(Sink), FData(new char[Capacity + Slack]), FLineBuffered(LineBuffered) {}

  void Append(const char* Bytes, size_t Size) {
    if (Size <= Capacity - FUsed) {
      if (Size > 0) std::memcpy(FData.get() + FUsed, Bytes, Size);  // Bytes may be null then
      FUsed += Size;
      return;
    }
    Flush();
    if (Size >= Capacity && !FSwapPairs) return FSink.Write({Bytes, Size});
    for (; Size > Capacity; Bytes += Capacity, Size -= Capacity) {
      std::memcpy(FData.get(), Bytes, Capacity);
      FUsed = Capacity;
      Flush();
    }
    std::memcpy(FData.get(), Bytes, Size);
    FUsed = Size;
  }
  void Append(std::string_view Bytes) { Append(Bytes.data(), Bytes.size()); }
  // Append() of bytes that may be read Slack bytes from their start, whatever Size is.
  void AppendFromSlack(const char* Bytes, size_t Size) {
    if (Size > Slack || Size > Capacity - FUsed) return Append(Bytes, Size);
    std::memcpy(FData.get() + FUsed, Bytes, Slack);
    FUsed += Size;
  }
  // Reserve() — room for Size bytes (at most Capacity); Commit() keeps what was written there.
  char* Reserve(size_t Size) {
    if (Size > Capacity - FUsed) Flush();
    return FData.get() + FUsed;
  }
  void Commit(size_t Size) { FUsed += Size; }
  // Fill() — Count bytes C.
  void Fill(char C, uint64_t Count) {
    while (Count > 0) {
      const size_t Part = static_cast<size_t>(std::min<uint64_t>(Count, Capacity));
      std::memset(Reserve(Part), C, Part);
      Commit(Part);
      Count -= Part;
    }
  }
  void EndLine() {
    if (FLineBuffered) Flush();
  }
  // Flush() — what is held goes to the sink (which may throw); the buffer is empty afterwards
  // either way.
  void Flush() {
    const size_t Size = FUsed;
    FUsed = 0;
    if (Size == 0) return;
    if (FSwapPairs) SwapUtf16Bytes(reinterpret_cast<char16_t*>(FData.get()), Size / 2);
    FSink.Write({FData.get(), Size});
  }
  // SwapPairs() — from here on the two bytes of each pair are swapped on their way to the sink,
  // in one pass over the buffer: UTF-16 written in this machine's byte order goes out in the
  // other. Only whole pairs may be appended then.
  void SwapPairs(bool Swap) {
    Flush();
    FSwapPairs = Swap;
  }
  [[nodiscard]] TByteSink& Sink() { return FSink; }

 private:
  TByteSink& FSink;
  std::unique_ptr<char[]> FData;
  size_t FUsed = 0;
  bool FLineBuffered;
  bool FSwapPairs = false;
};
