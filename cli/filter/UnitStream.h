#pragma once
// The filter's code units in and out: the writer in the input's units and byte order, and the
// validated blocks of whole lines it reads.

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>
#include <type_traits>

#include "LineNumberUnit/ContinueRule.h"
#include "LineNumberUnit/FileHeader.h"
#include "LineNumberUnit/LineSteps.h"
#include "cli/filter/FilterForms.h"
#include "cli/io/BlockReader.h"
#include "cli/io/OutputBuffer.h"
#include "library/LineBreak/LineBreak.h"
#include "library/SimdUnit/CopyBytes.h"
#include "library/SimdUnit/SimdUnit.h"
#include "library/UtfUnit/Utf16Validate.h"
#include "library/UtfUnit/UtfRules.h"
#include "library/UtfUnit/UtfUnit.h"

// Pieces of LineFilter.cpp, which alone includes this header.
namespace linefilter {

constexpr bool LittleEndianHost = std::endian::native == std::endian::little;

// Units readable after the last pending unit, so CutLine() reads a line's head sixteen units
// at a time however short the line is.
constexpr size_t Padding = 16;

[[noreturn]] void ChangedWhileRead(const TInputSource& Input) {
  throw EInputError(Input.Name(), Message(miFileChanged));
}

// The encoding of an input and the bytes its BOM takes.
struct TBodyInfo {
  TTextEncoding Encoding = teUtf8;
  size_t BomLength = 0;
  // A body of bytes without a BOM may still be any guessed encoding until one reading shows
  // which it is valid in; the first in the table wins (plain ASCII is UTF-8).
  uint32_t Candidates = 1;
  // The byte order of UTF-16 units differs from this machine's: they are swapped on the way
  // in and on the way out.
  bool Swapped = false;
};

// Pieces up to this many bytes are copied inline (CopyUnits()).
constexpr size_t InlineCopy = 512;

// Copies N units from P to Out. Most pieces (a number field, a line) are short: they go as
// fixed-size moves the compiler inlines (CopyBytes.h), not as a call, which costs more than the
// copy in some C runtimes (wine's among them). A build whose baseline has no vector moves (the
// 32-bit one) would move four bytes at a time: it calls the copy made for the best moves of
// this CPU instead.
template <LineUnit TChar>
inline void CopyUnits(TChar* Out, const TChar* P, size_t N) {
  auto* D = reinterpret_cast<char*>(Out);
  const auto* S = reinterpret_cast<const char*>(P);
  const size_t Bytes = N * sizeof(TChar);
  if (Bytes > InlineCopy) {
    std::memcpy(D, S, Bytes);
  } else {
#if CORVANE_SIMD_X86 && !defined(__SSE2__)
    SimdCopyShort(D, S, Bytes);
#else
    CopyShortBytes(D, S, Bytes);
#endif
  }
}

template <LineUnit TChar>
using TUnitReader = TBlockReader<TChar, TEveryBreak>;
static_assert(Padding * 2 <= TUnitReader<char16_t>::PaddingBytes);

// The move of TUnitWriter's padded appends, which may read and write this many bytes less one
// past a piece: the reader's padding and the output buffer's slack take them. A build whose
// baseline has no vector moves (the 32-bit one) would make it of four-byte moves: it calls the
// move made for the best moves of this CPU instead.
constexpr size_t PaddedCopy = 64;
static_assert(PaddedCopy <= TUnitReader<char>::PaddingBytes && PaddedCopy <= TOutputBuffer::Slack);

// The output in the input's code units and byte order, through the output buffer (which swaps
// the bytes of UTF-16 units in the other byte order as it passes them on).
template <LineUnit TChar>
class TUnitWriter {
 public:
  // Prefix (a BOM) goes out in front of the first units written, or at Finish().
  // Encoding is told to the sink at once.
  TUnitWriter(TOutputBuffer& Out, TTextEncoding Encoding, bool Swapped, std::string_view Prefix)
      : FOut(Out), FEncoding(Encoding), FSwapped(Swapped), FPrefix(Prefix) {
    FOut.Sink().SetEncoding(Encoding);
    FOut.SwapPairs(Swapped);
  }

  [[nodiscard]] TTextEncoding Encoding() const { return FEncoding; }
  [[nodiscard]] TOutputBuffer& Buffer() { return FOut; }

  // What was written so far goes out in the old encoding, what follows in the new one.
  void SetEncoding(TTextEncoding Encoding) {
    if (Encoding == FEncoding) return;
    FOut.Flush();
    FEncoding = Encoding;
    FOut.Sink().SetEncoding(Encoding);
  }

  void append(const TChar* P, size_t N) {
    if (N == 0) return;  // P may be null then
    if (!FPrefix.empty()) WritePrefix();
    // Most pieces are short: copied inline into the buffer, not through a C runtime call.
    if (N * sizeof(TChar) <= InlineCopy) {
      CopyUnits(reinterpret_cast<TChar*>(FOut.Reserve(N * sizeof(TChar))), P, N);
      return FOut.Commit(N * sizeof(TChar));
    }
    FOut.Append(reinterpret_cast<const char*>(P), N * sizeof(TChar));
  }
  void append(std::basic_string_view<TChar> S) { append(S.data(), S.size()); }
  // append() of units that may be read PaddedCopy bytes past their end (a line in the reader's
  // padded buffer): a piece up to InlineCopy goes in as whole PaddedCopy-byte moves, the last
  // one running on into the buffer's slack, with no jump on the piece's size.
  void appendPadded(const TChar* P, size_t N) {
    const size_t Bytes = N * sizeof(TChar);
    if (!FPrefix.empty() || Bytes > InlineCopy) return append(P, N);
    MovePadded(FOut.Reserve(Bytes), P, Bytes);
    FOut.Commit(Bytes);
  }
  // appendPadded(P, N) with the units from At on replaced by the DN units at D (At + DN <= N):
  // a short line goes in as one copy, then patched in the buffer.
  void appendPaddedReplacing(const TChar* P, size_t N, size_t At, const TChar* D, size_t DN) {
    const size_t Bytes = N * sizeof(TChar);
    if (!FPrefix.empty() || Bytes > InlineCopy) {
      append(P, At);
      append(D, DN);
      return append(P + At + DN, N - At - DN);
    }
    char* const Room = FOut.Reserve(Bytes);
    MovePadded(Room, P, Bytes);
    CopyUnits(reinterpret_cast<TChar*>(Room) + At, D, DN);
    FOut.Commit(Bytes);
  }

  void Flush() { FOut.Flush(); }

  // The output is complete: the prefix goes out even when nothing follows it.
  void Finish() {
    WritePrefix();
    FOut.Flush();
  }

 private:
  void WritePrefix() {
    // The buffer swaps the pairs of swapped UTF-16 on their way out: the BOM goes in swapped.
    std::string Prefix(FPrefix);
    for (size_t I = 0; FSwapped && I + 1 < Prefix.size(); I += 2)
      std::swap(Prefix[I], Prefix[I + 1]);
    FOut.Append(Prefix);
    FPrefix = {};
  }

  static void MovePadded(char* D, const TChar* P, size_t Bytes) {
    const auto* const S = reinterpret_cast<const char*>(P);
#if CORVANE_SIMD_X86 && !defined(__SSE2__)
    static_assert(PaddedCopy == 64);
    SimdMovePadded(D, S, Bytes);
#else
    for (size_t I = 0; I < Bytes; I += PaddedCopy) std::memcpy(D + I, S + I, PaddedCopy);
#endif
  }

  TOutputBuffer& FOut;
  TTextEncoding FEncoding;
  bool FSwapped;
  std::string_view FPrefix;
};

// Validates a body block by block, each block whole lines at byte offset At of the input.
template <LineUnit TChar>
class TBlockValidator;

template <>
class TBlockValidator<char16_t> {
 public:
  explicit TBlockValidator(const TBodyInfo& Info) : FEncoding(Info.Encoding) {}

  bool Validate(std::u16string_view Lines, uint64_t At, TEncodingError& Error) {
    const size_t Bad = FirstUnpairedSurrogate(Lines.data(), Lines.size());
    if (Bad == Lines.size()) return true;
    Error = {At + Bad * 2, miUnpairedSurrogate, FEncoding};
    return false;
  }
  [[nodiscard]] TTextEncoding Encoding() const { return FEncoding; }

 private:
  TTextEncoding FEncoding;
};

// Bytes are checked as each encoding they may still be (see TBodyValidator).
template <>
class TBlockValidator<char> : public TBodyValidator {
 public:
  explicit TBlockValidator(const TBodyInfo& Info) : TBodyValidator(Info.Candidates) {}
};

// Hands OnLines the body block by block, each block whole lines (the last may lack its break)
// and validated first. Writer, when given, is flushed before every read that may wait, and
// told when the body turns out to be a later guess (code page 932, EUC-JP). False on invalid text,
// with Error's offset counted from the input's start.
template <LineUnit TChar, typename TOnLines>
bool ScanBody(TUnitReader<TChar>& Reader, const TBodyInfo& Info, TBlockValidator<TChar>& Validator,
              TUnitWriter<TChar>* Writer, TEncodingError& Error, TOnLines&& OnLines) {
  if (Writer != nullptr) Reader.PassOnBeforeWaiting(&Writer->Buffer());
  for (;;) {
    Reader.Fill();
    const std::basic_string_view<TChar> Pending = Reader.Pending();
    const bool AtEnd = Reader.AtEnd();
    // Half a code unit at the end spoils its line: only the lines before it may go out.
    const std::basic_string_view<TChar> Lines =
        AtEnd && !Reader.OddByte() ? Pending : Pending.substr(0, Reader.LinesEnd());
    // Whole lines the digests show to be bytes an earlier reading validated are valid.
    const bool Same =
        !AtEnd && (Reader.Consumed() + Lines.size()) * sizeof(TChar) <= Reader.SameBytes();
    if (!Same && !Validator.Validate(AtEnd ? Pending : Lines,
                                     Info.BomLength + Reader.Consumed() * sizeof(TChar), Error)) {
      return false;
    }
    if (Writer != nullptr) Writer->SetEncoding(Validator.Encoding());
    if (!Lines.empty()) OnLines(Lines);
    Reader.Consume(Lines.size());
    if (AtEnd) break;
  }
  if (Reader.OddByte()) {
    Error = {Info.BomLength + (Reader.Consumed() + Reader.Pending().size()) * 2, miIncompleteUnit,
             Info.Encoding};
    return false;
  }
  return true;
}

}  // namespace linefilter
