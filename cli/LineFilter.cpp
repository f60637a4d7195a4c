#include "cli/LineFilter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "LineNumberUnit/ContinueRule.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char16_t CR = u'\r';
constexpr char16_t LF = u'\n';

// Scratch memory reused from one run of lines to the next; never zero-filled.
template <typename T>
class TScratch {
 public:
  T* Room(size_t N) {
    if (N > FCapacity) {
      FData.reset(new T[N]);
      FCapacity = N;
    }
    return FData.get();
  }

 private:
  std::unique_ptr<T[]> FData;
  size_t FCapacity = 0;
};

// The body of a file (BOM removed) seen as code units of its encoding.
class TBody {
 public:
  TBody(std::string_view Bytes, TTextEncoding Encoding)
      : FBytes(Bytes), FEncoding(Encoding), FUnit(UnitSize(Encoding)) {}

  size_t Units() const { return FBytes.size() / FUnit; }
  TTextEncoding Encoding() const { return FEncoding; }
  std::string_view Bytes() const { return FBytes; }

  // Only CR, LF and ":" are ever looked for; they are ASCII, so in UTF-8 a byte comparison
  // never matches inside a multi-byte sequence.
  char16_t Unit(size_t I) const {
    const auto* P = reinterpret_cast<const unsigned char*>(FBytes.data()) + I * FUnit;
    if (FUnit == 1) return P[0];
    return FEncoding == teUtf16LE ? static_cast<char16_t>(P[0] | (P[1] << 8))
                                  : static_cast<char16_t>((P[0] << 8) | P[1]);
  }

  TBody Sub(size_t FromUnit, size_t ToUnit) const {
    return TBody(FBytes.substr(FromUnit * FUnit, (ToUnit - FromUnit) * FUnit), FEncoding);
  }

  size_t Find(char16_t C, size_t From = 0) const {
    if (FUnit == 1) {
      const void* Hit =
          From < FBytes.size()
              ? std::memchr(FBytes.data() + From, static_cast<int>(C), FBytes.size() - From)
              : nullptr;
      return Hit ? static_cast<size_t>(static_cast<const char*>(Hit) - FBytes.data())
                 : std::string_view::npos;
    }
    for (size_t I = From; I < Units(); ++I) {
      if (Unit(I) == C) return I;
    }
    return std::string_view::npos;
  }

  void Decode(std::u16string& Out) const {
    Out.clear();
    DecodeText(FBytes, FEncoding, Out);
  }

  std::u16string_view Decode(TScratch<char16_t>& Scratch) const {
    char16_t* Room = Scratch.Room(FBytes.size());
    return std::u16string_view(Room, DecodeTextTo(FBytes, FEncoding, Room));
  }

 private:
  std::string_view FBytes;
  TTextEncoding FEncoding;
  size_t FUnit;
};

// Lines in N units as the engine's line list splits them: one per CR LF, lone CR or lone LF
// before the last unit, plus the last line. Branch-free, so it vectorises.
template <typename TUnitAt>
size_t CountLinesIn(size_t N, TUnitAt At) {
  if (N == 0) return 0;
  size_t Breaks = 0;
  for (size_t I = 0; I + 1 < N; ++I) {
    const char16_t C = At(I);
    Breaks += static_cast<size_t>(C == LF) + static_cast<size_t>((C == CR) & (At(I + 1) != LF));
  }
  // The last unit either is the last line's break or lies in the last line.
  return Breaks + 1;
}

// CountLinesIn() for UTF-8, sixteen bytes at a time where SSE2 exists: lines = LF + CR -
// (CR followed by LF).
size_t CountLinesUtf8(const unsigned char* P, size_t N) {
  if (N == 0) return 0;
  size_t LFCount = 0, CRCount = 0, CRLFCount = 0, I = 0;
  bool PrevCR = false;  // the byte before I was a CR
#if defined(__SSE2__)
  // Sixteen bytes a step: per-byte counters of breaks (LF, or CR without LF after it),
  // summed every 255 steps before they could overflow. Breaks go to LFCount.
  const __m128i VLF = _mm_set1_epi8('\n');
  const __m128i VCR = _mm_set1_epi8('\r');
  while (I + 17 <= N) {
    __m128i Acc = _mm_setzero_si128();
    for (int Step = 0; Step < 255 && I + 17 <= N; ++Step, I += 16) {
      const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + I));
      const __m128i Next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P + I + 1));
      const __m128i Breaks =
          _mm_or_si128(_mm_cmpeq_epi8(V, VLF),
                       _mm_andnot_si128(_mm_cmpeq_epi8(Next, VLF), _mm_cmpeq_epi8(V, VCR)));
      Acc = _mm_sub_epi8(Acc, Breaks);  // a match is -1
    }
    const __m128i Sums = _mm_sad_epu8(Acc, _mm_setzero_si128());
    LFCount += static_cast<size_t>(_mm_cvtsi128_si32(Sums)) +
               static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(Sums, 8)));
  }
  // A CR just before I was settled above, together with the byte after it.
#endif
  for (; I < N; ++I) {
    LFCount += P[I] == LF;
    CRCount += P[I] == CR;
    CRLFCount += PrevCR && P[I] == LF;
    PrevCR = P[I] == CR;
  }
  // Every break ends a line; text after the last break is one more.
  const size_t Breaks = LFCount + CRCount - CRLFCount;
  return P[N - 1] == LF || P[N - 1] == CR ? Breaks : Breaks + 1;
}

size_t CountLines(const TBody& Body) {
  const std::string_view B = Body.Bytes();
  const auto* P = reinterpret_cast<const unsigned char*>(B.data());
  switch (Body.Encoding()) {
    case teUtf16LE:
      return CountLinesIn(B.size() / 2, [P](size_t I) {
        return static_cast<char16_t>(P[2 * I] | (P[2 * I + 1] << 8));
      });
    case teUtf16BE:
      return CountLinesIn(B.size() / 2, [P](size_t I) {
        return static_cast<char16_t>((P[2 * I] << 8) | P[2 * I + 1]);
      });
    default:
      return CountLinesUtf8(P, B.size());
  }
}

// The first line start at or after Target (or the end): never between the CR and LF of one
// break, so every run of lines splits exactly as the whole text would.
size_t NextLineStart(const TBody& Body, size_t Target) {
  const size_t N = Body.Units();
  if (Target >= N) return N;
  for (size_t I = Target == 0 ? 0 : Target - 1; I < N; ++I) {
    const char16_t C = Body.Unit(I);
    if (C == LF) return I + 1;
    if (C == CR) return I + 1 < N && Body.Unit(I + 1) == LF ? I + 2 : I + 1;
  }
  return N;
}

// The break that ends the first line, for the copy header; CR LF when there is none.
std::u16string FirstLineBreak(const TBody& Body) {
  const size_t End = NextLineStart(Body, 1);
  if (End == 0 || End > Body.Units()) return u"\r\n";
  const char16_t Last = Body.Unit(End - 1);
  if (Last == LF) return End >= 2 && Body.Unit(End - 2) == CR ? u"\r\n" : u"\n";
  return Last == CR ? u"\r" : u"\r\n";
}

// The first CR or LF in [P, End), or End.
const char16_t* FindBreak(const char16_t* P, const char16_t* End) {
#if defined(__SSE2__)
  const __m128i VLF = _mm_set1_epi16(LF);
  const __m128i VCR = _mm_set1_epi16(CR);
  for (; End - P >= 8; P += 8) {
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
    const int Mask =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(V, VLF), _mm_cmpeq_epi16(V, VCR)));
    if (Mask != 0) return P + (__builtin_ctz(static_cast<unsigned>(Mask)) >> 1);
  }
#endif
  while (P < End && *P != LF && *P != CR) ++P;
  return P;
}

// Encodes Text with Pad blanks in front of every line into Out, which has room for
// MaxEncodedSize(Text.size() + Pad * lines). The engine's output lines start exactly where
// its input lines did: after each CR LF, lone CR or lone LF. Returns the bytes written.
size_t EncodePadded(std::u16string_view Text, int32_t Pad, TTextEncoding Encoding, char* Out) {
  if (Pad <= 0) return EncodeTextTo(Text, Encoding, Out);
  const std::u16string Blanks(static_cast<size_t>(Pad), u' ');
  char* Dst = Out;
  const char16_t* P = Text.data();
  const char16_t* End = P + Text.size();
  while (P < End) {
    const char16_t* LineEnd = FindBreak(P, End);
    if (LineEnd < End) LineEnd += (*LineEnd == CR && LineEnd + 1 < End && LineEnd[1] == LF) ? 2 : 1;
    Dst += EncodeTextTo(Blanks, Encoding, Dst);
    Dst += EncodeTextTo(std::u16string_view(P, static_cast<size_t>(LineEnd - P)), Encoding, Dst);
    P = LineEnd;
  }
  return static_cast<size_t>(Dst - Out);
}

// A run of whole lines handed to the engine in one call.
struct TRun {
  size_t From, To;  // units of the body
  size_t Lines;
};

// Cuts the body into runs of about ChunkUnits units, counting each run's lines once.
std::vector<TRun> SplitRuns(const TBody& Body, size_t ChunkUnits) {
  std::vector<TRun> Runs;
  for (size_t From = 0; From < Body.Units();) {
    const size_t To = NextLineStart(Body, From + std::max<size_t>(ChunkUnits, 1));
    Runs.push_back({From, To, CountLines(Body.Sub(From, To))});
    From = To;
  }
  return Runs;
}

// One run through Transform, encoded into Out (with the blanks Transform asks for).
template <typename TTransform>
std::string_view FilterRun(const TBody& Body, const TRun& Run, size_t LinesBefore,
                           TTransform& Transform, TScratch<char16_t>& Text, TScratch<char>& Out) {
  int32_t Pad = 0;
  const std::u16string Result =
      Transform(Body.Sub(Run.From, Run.To).Decode(Text), LinesBefore, Run.Lines, Pad);
  const size_t Units = Result.size() + static_cast<size_t>(std::max(Pad, 0)) * Run.Lines;
  char* Room = Out.Room(MaxEncodedSize(Units, Body.Encoding()));
  return std::string_view(Room, EncodePadded(Result, Pad, Body.Encoding(), Room));
}

// Writes the runs in order, Transform giving each run's output and the blanks to put in
// front of each of its lines. The scratch memory of one run is reused by the next.
template <typename TTransform>
void FilterInRuns(const TBody& Body, const std::vector<TRun>& Runs, TByteSink& Sink,
                  TTransform&& Transform) {
  TScratch<char16_t> Text;
  TScratch<char> Out;
  size_t LinesBefore = 0;
  for (const TRun& Run : Runs) {
    Sink.Write(FilterRun(Body, Run, LinesBefore, Transform, Text, Out));
    LinesBefore += Run.Lines;
  }
}

void FilterWhole(const TBody& Body, TByteSink& Sink,
                 std::u16string (*Transform)(std::u16string_view)) {
  std::u16string Text;
  Body.Decode(Text);
  const std::u16string Result = Transform(Text);
  Text = std::u16string();  // the input is not needed any more: lower the peak
  std::string Out;
  EncodeText(Result, Body.Encoding(), Out);
  Sink.Write(Out);
}

bool FitsInt32(int64_t V) {
  return V >= INT32_MIN && V <= INT32_MAX;
}

// One engine call on Text with the run's options.
std::u16string NumberRun(std::u16string_view Text, const TNumbering& N, int32_t Start,
                         int32_t Digits, TLineNumberOptions Options, int32_t& PrefixWidth) {
  return N.ZeroDigits > 0 ? AddPaddedLineNumbers(Text, Start, Digits, N.Step, Options, PrefixWidth)
                          : AddLineNumbers(Text, Start, N.Step, Options, PrefixWidth);
}

// Prefix width the engine gives a single line numbered V.
int32_t SingleLineWidth(const TNumbering& N, int64_t V, int32_t Digits,
                        TLineNumberOptions Options) {
  int32_t Width = 0;
  (void)NumberRun(u"x", N, static_cast<int32_t>(V), Digits, Options & lnoPlusSign, Width);
  return Width;
}

// Numbers the body as one run: the first line (or the last, with lnoReverse) gets N.Start.
void NumberBody(const TBody& Body, const TNumbering& N, size_t ChunkUnits, TByteSink& Sink) {
  const std::vector<TRun> Runs = SplitRuns(Body, ChunkUnits);
  size_t LineCount = 0;
  for (const TRun& Run : Runs) LineCount += Run.Lines;
  if (LineCount == 0) return;
  const int64_t First = N.Start;
  const int64_t Last = int64_t{N.Start} + int64_t{N.Step} * static_cast<int64_t>(LineCount - 1);
  // Runs whose values leave 32 bits (the engine counts them in 64) and runs of more lines
  // than one engine call can hold are the rare case; they go to the engine in one piece.
  const bool WholeText = !FitsInt32(Last) || LineCount > INT32_MAX ||
                         (N.ZeroDigits > 0 && (First == INT32_MIN || Last == INT32_MIN));
  if (WholeText) {
    std::u16string Text;
    Body.Decode(Text);
    int32_t Width = 0;
    const std::u16string Result = NumberRun(Text, N, N.Start, N.ZeroDigits, N.Options, Width);
    Text = std::u16string();
    std::string Out;
    EncodeText(Result, Body.Encoding(), Out);
    Sink.Write(Out);
    return;
  }

  // Every run of lines must come out exactly as the whole text would: same digit count, same
  // sign column, same field width. The values are monotonic, so the widest field of the whole
  // text belongs to its first or its last value; each run is numbered with at least that many
  // digits and its lines are then widened by blanks to the whole text's prefix width.
  int32_t Digits = N.ZeroDigits;
  int32_t FullWidth = 0;
  if (N.ZeroDigits > 0) {
    // Digit count: a value's magnitude alone, numbered without any sign column.
    for (const int64_t V : {First, Last}) {
      Digits = std::max(Digits, SingleLineWidth(N, V < 0 ? -V : V, N.ZeroDigits, 0) - 1);
    }
    // Sign column: a negative end or lnoPlusSign give it to the whole text.
    for (const int64_t V : {First, Last}) {
      FullWidth = std::max(FullWidth, SingleLineWidth(N, V, Digits, N.Options));
    }
  } else {
    for (const int64_t V : {First, Last}) {
      FullWidth = std::max(FullWidth, SingleLineWidth(N, V, 0, N.Options));
    }
  }

  const bool Reverse = (N.Options & lnoReverse) != 0;
  FilterInRuns(Body, Runs, Sink,
               [&](std::u16string_view Run, size_t LinesBefore, size_t Lines, int32_t& Pad) {
                 // With lnoReverse the run's last line has the smallest numbering position.
                 const size_t FirstPosition =
                     Reverse ? LineCount - LinesBefore - Lines : LinesBefore;
                 const int64_t RunStart =
                     int64_t{N.Start} + int64_t{N.Step} * static_cast<int64_t>(FirstPosition);
                 int32_t Width = 0;
                 std::u16string Result =
                     NumberRun(Run, N, static_cast<int32_t>(RunStart), Digits, N.Options, Width);
                 Pad = FullWidth - Width;
                 if (Pad < 0 || (N.ZeroDigits > 0 && Pad > 1)) {
                   throw std::logic_error("line number widths of a run and the text disagree");
                 }
                 return Result;
               });
}

// A copy of the bytes, unchanged (the continue rule found no start).
void WriteUnchanged(const TBody& Body, TByteSink& Sink) {
  if (!Body.Bytes().empty()) Sink.Write(Body.Bytes());
}

std::u16string Tidy(std::u16string_view Text) {
  return DeleteIndentAfterNumber(DeleteNumberOnlyLines(Text));
}

std::u16string NumberAndTidy(std::u16string_view Text) {
  int32_t Width = 0;
  return Tidy(AddLineNumbers(Text, 1, 1, 0, Width));
}

}  // namespace

std::u16string CopyHeader(std::u16string_view Path, std::u16string_view Break) {
  const size_t Cut = Path.find_last_of(u"/\\:");
  const size_t NameStart = Cut == std::u16string_view::npos ? 0 : Cut + 1;
  std::u16string Header(Path.substr(0, NameStart));
  Header += Break;
  Header += u"  ";
  Header += Path.substr(NameStart);
  Header += Break;
  return Header;
}

TFilterResult FilterText(std::string_view File, const TFilterRequest& Request, TByteSink& Sink) {
  TFilterResult Result;
  size_t BomLength = 0;
  Result.Encoding = DetectEncoding(File, BomLength);
  const TBody Body(File.substr(BomLength), Result.Encoding);
  if (!ValidateText(Body.Bytes(), Result.Encoding, Result.Error)) {
    Result.Ok = false;
    Result.Error.Offset += BomLength;
    return Result;
  }
  if (BomLength > 0) Sink.Write(File.substr(0, BomLength));

  switch (Request.Operation) {
    case foNumber:
      NumberBody(Body, Request.Numbering, Request.ChunkUnits, Sink);
      break;
    case foContinue: {
      // The head is everything before the first ":", the whole text when there is none.
      const size_t Colon = Body.Find(u':');
      const bool HasColon = Colon != std::string_view::npos;
      std::u16string Head;
      Body.Sub(0, HasColon ? Colon : Body.Units()).Decode(Head);
      const std::optional<TContinueStart> Start = ReadContinueStart(Head);
      if (!Start) {
        WriteUnchanged(Body, Sink);
        break;
      }
      Result.ContinueApplied = true;
      TNumbering N;
      N.Start = Start->Number;
      N.Step = Request.ContinueStep;
      N.ZeroDigits = Start->ZeroFill ? Start->Digits : 0;
      N.Options = Start->Options;
      NumberBody(HasColon ? Body.Sub(Colon + 1, Body.Units()) : Body, N, Request.ChunkUnits, Sink);
      break;
    }
    case foDelete:
      FilterInRuns(
          Body, SplitRuns(Body, Request.ChunkUnits), Sink,
          [](std::u16string_view Run, size_t, size_t, int32_t&) { return DeleteLineNumbers(Run); });
      break;
    case foDeleteNumberOnly:
      // Each line is kept or dropped on its own, so runs of lines give the same result.
      FilterInRuns(Body, SplitRuns(Body, Request.ChunkUnits), Sink,
                   [](std::u16string_view Run, size_t, size_t, int32_t&) {
                     return DeleteNumberOnlyLines(Run);
                   });
      break;
    case foDedent:
      // The common indentation is only known after the last line.
      FilterWhole(Body, Sink,
                  [](std::u16string_view Text) { return DeleteIndentAfterNumber(Text); });
      break;
    case foTidy:
      FilterWhole(Body, Sink, Tidy);
      break;
    case foCopy: {
      std::string Header;
      EncodeText(CopyHeader(Request.CopyPath, FirstLineBreak(Body)), Result.Encoding, Header);
      Sink.Write(Header);
      if (Request.CopyTidy) {
        FilterWhole(Body, Sink, NumberAndTidy);
      } else {
        NumberBody(Body, TNumbering{}, Request.ChunkUnits, Sink);
      }
      break;
    }
  }
  return Result;
}
