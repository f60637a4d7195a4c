#pragma once
// The one block reader of both programs: an input's bytes read in large blocks as code units,
// handed out as runs of whole lines by a line rule, with a digest of every byte read. Each unit
// is searched for a line break about once, so a line of any length costs time in proportion
// to it, from a pipe (a few KiB a read) as from a file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "cli/io/ContentDigest.h"
#include "cli/io/InputSource.h"
#include "cli/io/OutputBuffer.h"
#include "library/LineBreak/LineBreak.h"
#include "library/UtfUnit/Utf16Validate.h"

// Line rules: LinesEnd(Text) is where the last line that surely ends in Text ends, 0 when none
// does; a unit at Text's end may still be the first of a two-unit break.
// The filter's: CR LF, lone CR and lone LF.
struct TEveryBreak {
  template <LineUnit TChar>
  static size_t LinesEnd(std::basic_string_view<TChar> Text) {
    return CompleteLinesEnd(Text);
  }
};
// nl's: LF alone.
struct TLfBreak {
  static size_t LinesEnd(std::string_view Text) {
    const size_t At = Text.rfind('\n');
    return At == std::string_view::npos ? 0 : At + 1;
  }
};

template <typename TChar, typename TRule>
class TBlockReader {
 public:
  using TView = std::basic_string_view<TChar>;
  // Bytes readable past the last pending unit (initialised, never text), so a line's head is
  // read sixteen units at a time and a short piece copied as one 64-byte block.
  static constexpr size_t PaddingBytes = 64;

  // Capacity: units held before a line longer than that makes the buffer grow. Initial: bytes
  // read from Source before (a BOM search). Swapped: UTF-16 units in the other byte order.
  TBlockReader(TInputSource& Source, size_t Capacity, std::string_view Initial = {},
               bool Swapped = false)
      : FSource(Source),
        FSwapped(Swapped),
        FCapacity(std::max<size_t>(Capacity, 2)),
        FData(NewBuffer(FCapacity)),
        FInitial(Initial) {}

  // PassOnBeforeWaiting() — Out is flushed before every read that may wait for a writer, so
  // a program in a pipeline answers each block before it waits for the next.
  void PassOnBeforeWaiting(TOutputBuffer* Out) { FOut = Out; }
  // Digested() — every byte read from here on goes into Digest() (Initial included).
  void Digested() { FDigested = true; }
  // MarkTrail() — Digested(), and Trail marked at the end of every read, for a later reading.
  void MarkTrail(TDigestTrail& Trail) {
    FDigested = true;
    FMark = &Trail;
  }
  // FollowTrail() — Digested(), compared with what an earlier reading marked in Trail.
  void FollowTrail(TDigestTrail& Trail) {
    FDigested = true;
    FFollow = &Trail;
  }
  // SameBytes() — how many first bytes (Initial included) are shown to be the same as those
  // of the reading FollowTrail() follows; 0 without one.
  [[nodiscard]] uint64_t SameBytes() const { return FFollow != nullptr ? FFollow->Same() : 0; }

  // Fill() — reads once more behind the pending units, growing the buffer when they fill it;
  // AtEnd() once the input has ended. Throws EInputError.
  void Fill() {
    if (FAtEnd) return;
    if (FBegin > 0) {
      // The pending units, and the odd byte after them, move to the front.
      std::memmove(Bytes(0), Bytes(FBegin), (FEnd - FBegin) * sizeof(TChar) + FOdd);
      FEnd -= FBegin;
      FBegin = 0;
    }
    if (FEnd == FCapacity) Grow();
    if (FOut != nullptr && FSource.Waits()) FOut->Flush();
    char* const To = Bytes(FEnd) + FOdd;
    const size_t Room = (FCapacity - FEnd) * sizeof(TChar) - FOdd;
    size_t Got = std::min(Room, FInitial.size());
    if (Got > 0) std::memcpy(To, FInitial.data(), Got);
    FInitial.remove_prefix(Got);
    if (Got < Room) {
      const size_t More = FSource.Read(To + Got, Room - Got);
      FAtEnd = More == 0;
      Got += More;
    }
    if (FFollow != nullptr) {
      FFollow->Follow(FDigest, To, Got);
    } else if (FDigested) {
      FDigest.Add(To, Got);
    }
    if (FMark != nullptr) FMark->Mark(FDigest);
    const size_t Total = FOdd + Got;
    const size_t NewUnits = Total / sizeof(TChar);
    if constexpr (sizeof(TChar) == 2) {
      if (FSwapped) SwapUtf16Bytes(reinterpret_cast<char16_t*>(FData.get() + FEnd), NewUnits);
    }
    FEnd += NewUnits;
    FOdd = Total % sizeof(TChar);
  }

  [[nodiscard]] TView Pending() const { return {FData.get() + FBegin, FEnd - FBegin}; }
  // LinesEnd() — where the complete lines at the head of Pending() end (0: none). Only what
  // was read since the last call is searched.
  [[nodiscard]] size_t LinesEnd() {
    const TView P = Pending();
    if (P.size() > FSearched) {
      const size_t From = FSearched > 0 ? FSearched - 1 : 0;  // that unit may be a CR
      const size_t End = TRule::LinesEnd(P.substr(From));
      if (End > 0) FLinesEnd = From + End;
      FSearched = P.size();
    }
    return FLinesEnd;
  }
  [[nodiscard]] bool AtEnd() const { return FAtEnd; }
  // Full() — the pending units fill the buffer: the next Fill() grows it.
  [[nodiscard]] bool Full() const { return FEnd - FBegin == FCapacity; }
  void Consume(size_t Units) {
    FBegin += Units;
    FConsumed += Units;
    FLinesEnd = FLinesEnd > Units ? FLinesEnd - Units : 0;
    FSearched = FSearched > Units ? FSearched - Units : 0;
  }
  // Consumed() — units consumed so far: the position of Pending() in the input.
  [[nodiscard]] uint64_t Consumed() const { return FConsumed; }
  // OddByte() — a byte left over at the end of UTF-16: half a code unit.
  [[nodiscard]] bool OddByte() const { return FOdd != 0; }
  [[nodiscard]] bool Waits() const { return FSource.Waits(); }
  [[nodiscard]] uint64_t Digest() const { return FDigest.Value(); }

 private:
  static std::unique_ptr<TChar[]> NewBuffer(size_t Units) {
    return std::unique_ptr<TChar[]>(new TChar[Units + PaddingBytes / sizeof(TChar)]());
  }
  char* Bytes(size_t Unit) { return reinterpret_cast<char*>(FData.get() + Unit); }

  void Grow() {
    std::unique_ptr<TChar[]> Larger = NewBuffer(2 * FCapacity);
    std::memcpy(Larger.get(), FData.get(), FEnd * sizeof(TChar) + FOdd);
    FData = std::move(Larger);
    FCapacity *= 2;
  }

  TInputSource& FSource;
  bool FSwapped;
  size_t FCapacity;
  std::unique_ptr<TChar[]> FData;
  std::string_view FInitial;
  TOutputBuffer* FOut = nullptr;
  size_t FBegin = 0, FEnd = 0;
  size_t FOdd = 0;       // a byte after FEnd that is not a whole unit yet
  size_t FLinesEnd = 0;  // within Pending()
  size_t FSearched = 0;  // units of Pending() searched for breaks
  bool FAtEnd = false;
  bool FDigested = false;
  TDigestTrail* FMark = nullptr;
  TDigestTrail* FFollow = nullptr;
  uint64_t FConsumed = 0;
  TContentDigest FDigest;
};
