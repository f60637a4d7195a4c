#include "cli/LineFilter.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "cli/ContinueRule.h"

namespace {

constexpr char16_t CR = u'\r';
constexpr char16_t LF = u'\n';

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

 private:
  std::string_view FBytes;
  TTextEncoding FEncoding;
  size_t FUnit;
};

// Number of lines as the engine's line list splits them: one per CR LF, lone CR or lone LF,
// plus the text after the last break when there is any.
size_t CountLines(const TBody& Body) {
  const size_t N = Body.Units();
  if (N == 0) return 0;
  size_t Lines = 0;
  for (size_t I = Body.Find(LF); I != std::string_view::npos; I = Body.Find(LF, I + 1)) ++Lines;
  // A CR ends a line of its own unless an LF follows (then the LF was counted).
  for (size_t I = Body.Find(CR); I != std::string_view::npos; I = Body.Find(CR, I + 1)) {
    if (I + 1 >= N || Body.Unit(I + 1) != LF) ++Lines;
  }
  const char16_t Last = Body.Unit(N - 1);
  return Last == LF || Last == CR ? Lines : Lines + 1;
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

// Encodes Text with Pad blanks in front of every line; the engine's output lines start
// exactly where its input lines did, after each CR LF, lone CR or lone LF.
void EncodePadded(std::u16string_view Text, int32_t Pad, TTextEncoding Encoding, std::string& Out) {
  if (Pad <= 0) {
    EncodeText(Text, Encoding, Out);
    return;
  }
  const std::u16string Blanks(static_cast<size_t>(Pad), u' ');
  size_t Pos = 0;
  while (Pos < Text.size()) {
    size_t End = Text.find_first_of(u"\r\n", Pos);
    if (End == std::u16string_view::npos) {
      End = Text.size();
    } else {
      End += (Text[End] == CR && End + 1 < Text.size() && Text[End + 1] == LF) ? 2 : 1;
    }
    EncodeText(Blanks, Encoding, Out);
    EncodeText(Text.substr(Pos, End - Pos), Encoding, Out);
    Pos = End;
  }
}

// Writes the text in runs of whole lines, Transform giving each run's output and the blanks
// to put in front of each of its lines.
template <typename TTransform>
void FilterInRuns(const TBody& Body, size_t ChunkUnits, TByteSink& Sink, TTransform&& Transform) {
  std::u16string Run;
  std::string Out;
  size_t LinesBefore = 0;
  for (size_t From = 0; From < Body.Units();) {
    const size_t To = NextLineStart(Body, From + std::max<size_t>(ChunkUnits, 1));
    const TBody Piece = Body.Sub(From, To);
    const size_t Lines = CountLines(Piece);
    Piece.Decode(Run);
    int32_t Pad = 0;
    const std::u16string Result = Transform(std::u16string_view(Run), LinesBefore, Lines, Pad);
    Out.clear();
    EncodePadded(Result, Pad, Body.Encoding(), Out);
    Sink.Write(Out);
    LinesBefore += Lines;
    From = To;
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
  const size_t LineCount = CountLines(Body);
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
  FilterInRuns(Body, ChunkUnits, Sink,
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
          Body, Request.ChunkUnits, Sink,
          [](std::u16string_view Run, size_t, size_t, int32_t&) { return DeleteLineNumbers(Run); });
      break;
    case foDeleteNumberOnly:
      // Each line is kept or dropped on its own, so runs of lines give the same result.
      FilterInRuns(Body, Request.ChunkUnits, Sink,
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
