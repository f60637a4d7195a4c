#include "cli/filter/LineFilter.h"

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
#include "library/UtfUnit/Utf16Validate.h"
#include "library/UtfUnit/UtfRules.h"
#include "library/UtfUnit/UtfUnit.h"

namespace {

constexpr bool LittleEndianHost = std::endian::native == std::endian::little;

// Units readable after the last pending unit, so CutLine() reads a line's head sixteen units
// at a time however short the line is.
constexpr size_t Padding = 16;

[[noreturn]] void ChangedWhileRead(const TInputSource& Input) {
  throw EInputError(Input.Name() + ": file changed while it was being read");
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

// Copies N units from P to Out. Most pieces (a number field, a line) are short: they go as two
// overlapping fixed-size moves the compiler inlines, not as a call, which costs more than the
// copy in some C runtimes (wine's 32-bit one among them).
template <LineUnit TChar>
inline void CopyUnits(TChar* Out, const TChar* P, size_t N) {
  auto* D = reinterpret_cast<char*>(Out);
  const auto* S = reinterpret_cast<const char*>(P);
  const size_t Bytes = N * sizeof(TChar);
  const auto Two = [&](auto Size) {  // Size <= Bytes <= 2 Size
    std::memcpy(D, S, Size);
    std::memcpy(D + Bytes - Size, S + Bytes - Size, Size);
  };
  if (Bytes > 64) {
    std::memcpy(D, S, Bytes);
  } else if (Bytes >= 32) {
    Two(std::integral_constant<size_t, 32>());
  } else if (Bytes >= 16) {
    Two(std::integral_constant<size_t, 16>());
  } else if (Bytes >= 8) {
    Two(std::integral_constant<size_t, 8>());
  } else if (Bytes >= 4) {
    Two(std::integral_constant<size_t, 4>());
  } else {  // 1 to 3 bytes
    D[0] = S[0];
    D[Bytes / 2] = S[Bytes / 2];
    D[Bytes - 1] = S[Bytes - 1];
  }
}

template <LineUnit TChar>
using TUnitReader = TBlockReader<TChar, TEveryBreak>;
static_assert(Padding * 2 <= TUnitReader<char16_t>::PaddingBytes);

// The output in the input's code units and byte order, through the output buffer.
template <LineUnit TChar>
class TUnitWriter {
 public:
  // Prefix (a BOM) goes out in front of the first units written, or at Finish().
  // Encoding is told to the sink at once.
  TUnitWriter(TOutputBuffer& Out, TTextEncoding Encoding, bool Swapped, std::string_view Prefix)
      : FOut(Out), FEncoding(Encoding), FSwapped(Swapped), FPrefix(Prefix) {
    FOut.Sink().SetEncoding(Encoding);
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
    if constexpr (sizeof(TChar) == 2) {
      if (FSwapped) return AppendSwapped(P, N);
    }
    // Most pieces are short: copied inline into the buffer, not through a C runtime call.
    if (N * sizeof(TChar) <= 64) {
      CopyUnits(reinterpret_cast<TChar*>(FOut.Reserve(N * sizeof(TChar))), P, N);
      return FOut.Commit(N * sizeof(TChar));
    }
    FOut.Append(reinterpret_cast<const char*>(P), N * sizeof(TChar));
  }
  void append(std::basic_string_view<TChar> S) { append(S.data(), S.size()); }

  void Flush() { FOut.Flush(); }

  // The output is complete: the prefix goes out even when nothing follows it.
  void Finish() {
    WritePrefix();
    FOut.Flush();
  }

 private:
  void WritePrefix() {
    FOut.Append(FPrefix);
    FPrefix = {};
  }

  void AppendSwapped(const TChar* P, size_t N) {
    while (N > 0) {
      const size_t Part = std::min(N, TOutputBuffer::Capacity / sizeof(TChar));
      auto* To = reinterpret_cast<char16_t*>(FOut.Reserve(Part * sizeof(TChar)));
      std::memcpy(To, P, Part * sizeof(TChar));
      SwapUtf16Bytes(To, Part);
      FOut.Commit(Part * sizeof(TChar));
      P += Part;
      N -= Part;
    }
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
    Error = {At + Bad * 2, "unpaired surrogate in UTF-16"};
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
    if (!Validator.Validate(AtEnd ? Pending : Lines,
                            Info.BomLength + Reader.Consumed() * sizeof(TChar), Error)) {
      return false;
    }
    if (Writer != nullptr) Writer->SetEncoding(Validator.Encoding());
    if (!Lines.empty()) OnLines(Lines);
    Reader.Consume(Lines.size());
    if (AtEnd) break;
  }
  if (Reader.OddByte()) {
    Error = {Info.BomLength + (Reader.Consumed() + Reader.Pending().size()) * 2,
             "incomplete UTF-16 code unit"};
    return false;
  }
  return true;
}

// What the first reading learns about a body.
template <LineUnit TChar>
struct TBodyFacts {
  TTextEncoding Encoding = teUtf8;  // what the body proved to be
  uint64_t Lines = 0;
  uint64_t Units = 0;
  std::u16string FirstBreak = u"\r\n";  // the first line's break; CR LF when it has none
  std::optional<TContinueStart> Continue;
  bool ContinueWholeLine = false;  // the start is the whole text: no ":", no break
  size_t ContinueHeadUnits = 0;    // units before the first ":"
  TIndentPlan Indent;              // dedent: numbered lines; tidy: those not number-only
  TIndentPlan RestIndent;          // copy --tidy: the lines as they are after the number
  uint64_t RenumberedLines = 0;    // renumber: the lines left to number once numbers are gone
  bool StartUnread = false;        // renumber: the first line's number is no start
  std::optional<TFormReader<TChar>> Form;      // the form read, once a numbered line showed it
  bool FormContinue = false;                   // continue: the first line in nl's or list form
  std::optional<TFormStart<TChar>> FormStart;  // continue, renumber: the start in that form
  TLineGap FirstGap;                           // continue: what the first line's number takes
  uint64_t Selected = 0;                       // number -b: the lines it numbers
};

// The separators in the body's code units.
template <LineUnit TChar>
struct TBodySeparators {
  std::basic_string<TChar> Write;  // between a number and its line
  std::basic_string<TChar> Nl;     // after the field of nl's form
};

template <LineUnit TChar>
TBodySeparators<TChar> EncodeSeparators(const TFormRequest& Form, TTextEncoding Encoding,
                                        const TInputSource& Input) {
  const std::u16string_view Given = Form.Separator;
  const auto Write = EncodeUnits<TChar>(Given.empty() ? LineNumberSeparator : Given, Encoding);
  const auto Nl = EncodeUnits<TChar>(Given.empty() ? u"\t" : Given, Encoding);
  if (!Write || !Nl) {
    throw EInputError(Input.Name() + ": the separator holds characters " + EncodingName(Encoding) +
                      " lacks");
  }
  return {*Write, *Nl};
}

// Whether what the options say depends on the encoding a body of bytes turns out to have.
bool EncodingMatters(const TFilterRequest& Request) {
  return !IsAsciiText(Request.Form.Separator) || Request.Form.Body == bcPattern;
}

// ASCII units of a line as UTF-16 (other units come out as values no rule accepts).
template <LineUnit TChar>
std::u16string Widen(std::basic_string_view<TChar> S) {
  std::u16string Out(S.size(), u'\0');
  for (size_t I = 0; I < S.size(); ++I) {
    Out[I] = static_cast<char16_t>(static_cast<std::make_unsigned_t<TChar>>(S[I]));
  }
  return Out;
}

// The head the continue rule reads: the text before the first ":". On the first line, or the
// whole text when that is one line without ":" and without a break; otherwise there is none.
template <LineUnit TChar>
void ReadFirstLine(TBodyFacts<TChar>& Facts, std::basic_string_view<TChar> Line,
                   TFilterOperation Operation) {
  if (const size_t Break = LineBreakLength(Line); Break > 0) {
    Facts.FirstBreak = Widen(Line.substr(Line.size() - Break));
  }
  if (Operation == foRenumber) {
    // The first line's own number, when it carries one in front of a separator.
    const TLineCut<TChar> Cut = CutLine(Line);
    if (Cut.Numbered && Cut.HasSeparator) {
      Facts.Continue = ReadContinueStart(Widen(Cut.Head));
      // Digits that are no start (a tab before them, a blank inside, beyond 32 bits) are not 1.
      Facts.StartUnread = !Facts.Continue &&
                          std::any_of(Cut.Head.begin(), Cut.Head.end(),
                                      [](TChar C) { return C >= TChar('0') && C <= TChar('9'); });
    }
    return;
  }
  if (Operation != foContinue) return;
  const size_t Colon = Line.find(TChar(LineNumberSeparator[0]));
  if (Colon != Line.npos) {
    Facts.ContinueHeadUnits = Colon;
    Facts.Continue = ReadContinueStart(Widen(Line.substr(0, Colon)));
  } else if (LineBreakLength(Line) == 0) {
    Facts.ContinueWholeLine = true;
    Facts.Continue = ReadContinueStart(Widen(Line));
  }
}

// continue in nl's or the list form: the first line's number, when the first line is in it.
template <LineUnit TChar>
void ReadFormFirstLine(TBodyFacts<TChar>& Facts, std::basic_string_view<TChar> Line,
                       TFormChoice Form, std::basic_string_view<TChar> NlSeparator) {
  TFormSense<TChar> Sense(Form, NlSeparator);
  const TLineCut<TChar> Cut = Sense.Cut(Line);
  const bool Colon = Sense.Reader() ? Sense.Reader()->Kind() == fkColon : Form == fcAuto;
  if (Colon) return;
  Facts.FormContinue = true;
  if (!Cut.Numbered) return;
  Facts.Form = Sense.Reader();
  Facts.FormStart = ReadFormStart(*Facts.Form, Line, Cut);
  Facts.FirstGap = NumberGap(Line, Cut);
}

template <LineUnit TChar>
bool IsBlankRest(std::basic_string_view<TChar> Rest) {
  return std::all_of(Rest.begin(), Rest.end(), line_steps_detail::IsBlankOrControl<TChar>);
}

// What is left of a line once renumber deletes its number.
template <LineUnit TChar>
std::basic_string_view<TChar> RenumberRest(std::basic_string_view<TChar> Line) {
  return Line.substr(NumberGap(Line, CutLine(Line, Padding)).Length);
}

// Which lines renumber numbers: those of the text that deleting the numbers leaves. A last
// line that was a number alone is gone, and an LF left alone after a lone CR joins it into one
// CR LF, so renumber numbers exactly what delete and then number would.
template <LineUnit TChar>
class TRenumberedLines {
 public:
  // Takes the rest of the next line; true when it starts a line to number.
  bool Numbers(std::basic_string_view<TChar> Rest) {
    const bool JoinsCR = FAfterLoneCR && Rest.size() == 1 && Rest[0] == TChar('\n');
    if (!Rest.empty()) FAfterLoneCR = !JoinsCR && Rest.back() == TChar('\r');
    return !Rest.empty() && !JoinsCR;
  }

 private:
  bool FAfterLoneCR = false;
};

// renumber: the lines left once the numbers are gone ("N:"), and in another form the start
// its first numbered line holds (with auto, the first line's).
template <LineUnit TChar>
void GatherRenumber(TBodyFacts<TChar>& Facts, std::basic_string_view<TChar> Lines, TFormChoice Form,
                    TFormSense<TChar>& Sense, TRenumberedLines<TChar>& Renumbered) {
  ForEachLine(Lines, true, [&](std::basic_string_view<TChar> Line) {
    ++Facts.Lines;
    if (Renumbered.Numbers(RenumberRest(Line))) ++Facts.RenumberedLines;
    // auto: the first line decides, so a text that does not begin in another form is
    // renumbered as "N:" text always was.
    if (Form == fcColon || Facts.FormStart || Facts.StartUnread) return;
    if (Form == fcAuto && Facts.Lines > 1) return;
    const TLineCut<TChar> Cut = Sense.Cut(Line);
    if (!Cut.Numbered || Sense.Reader()->Kind() == fkColon) return;
    Facts.FormStart = ReadFormStart(*Sense.Reader(), Line, Cut);
    Facts.StartUnread = !Facts.FormStart;
  });
}

// One reading of the whole body: validates it and gathers what the operation's plan needs.
template <LineUnit TChar>
bool GatherFacts(TUnitReader<TChar>& Reader, const TBodyInfo& Info, const TFilterRequest& Request,
                 const TBodySeparators<TChar>& Separators, TBodyFacts<TChar>& Facts,
                 TEncodingError& Error) {
  using TView = std::basic_string_view<TChar>;
  const TFilterOperation Operation = Request.Operation;
  const TFormChoice Form = ReadFormOf(Request);
  auto Scan = [&](auto&& OnLines) {
    TBlockValidator<TChar> Validator(Info);
    const bool Valid = ScanBody<TChar>(Reader, Info, Validator, nullptr, Error, [&](TView Lines) {
      if (Facts.Units == 0) {
        ForEachLine(Lines, true, [&](TView Line) {
          ReadFirstLine(Facts, Line, Operation);
          if (Operation == foContinue && Form != fcColon) {
            ReadFormFirstLine<TChar>(Facts, Line, Form, Separators.Nl);
          }
          return false;  // the first line is all it takes
        });
      }
      Facts.Units += Lines.size();
      OnLines(Lines);
    });
    Facts.Encoding = Validator.Encoding();
    return Valid;
  };
  // The lines as the form read cuts them; "N:" the quick way.
  TFormSense<TChar> Sense(Form, Separators.Nl);
  auto Cut = [&](TView Line) {
    return Form == fcColon ? CutLine(Line, Padding) : Sense.Cut(Line, Padding);
  };
  // Only the tidying operations, renumber and number -b look at every line; the others need
  // the count alone.
  const bool Valid = [&] {
    switch (Operation) {
      case foDedent:
      case foTidy:
        return Scan([&](TView Lines) {
          // No indentation shared: nothing will be cut, whatever the other lines hold.
          if (Facts.Indent.MinIndent == 0) {
            Facts.Lines += CountLines(Lines);
            return;
          }
          ForEachLine(Lines, true, [&](TView Line) {
            ++Facts.Lines;
            const TLineCut<TChar> C = Cut(Line);
            if (Operation == foDedent || !IsNumberOnly(C)) MeasureIndent(Facts.Indent, C);
          });
        });
      case foRenumber: {
        TRenumberedLines<TChar> Renumbered;
        return Scan([&](TView Lines) { GatherRenumber(Facts, Lines, Form, Sense, Renumbered); });
      }
      case foNumber:
        if (Request.Form.Body != bcAll) {
          TBodySelector<TChar> Selector(Request.Form, Info.Encoding);
          return Scan([&](TView Lines) {
            ForEachLine(Lines, true, [&](TView Line) {
              ++Facts.Lines;
              if (Selector.Numbers(Line)) ++Facts.Selected;
            });
          });
        }
        break;
      case foCopy:
        if (Request.CopyTidy) {
          // Numbered, a line is the rest after a number: measured as the dedent would see it.
          return Scan([&](TView Lines) {
            if (Facts.RestIndent.MinIndent == 0) {
              Facts.Lines += CountLines(Lines);
              return;
            }
            ForEachLine(Lines, true, [&](TView Line) {
              ++Facts.Lines;
              if (!IsBlankRest(Line)) MeasureRestIndent(Facts.RestIndent, Line);
            });
          });
        }
        break;
      case foDelete:
      case foDeleteNumberOnly:
        // Here only for a form that the first numbered line settles.
        return Scan([&](TView Lines) {
          if (Sense.Settled()) {
            Facts.Lines += CountLines(Lines);
            return;
          }
          ForEachLine(Lines, true, [&](TView Line) {
            ++Facts.Lines;
            if (!Sense.Settled()) (void)Sense.Cut(Line);
          });
        });
      default:
        break;
    }
    return Scan([&](TView Lines) { Facts.Lines += CountLines(Lines); });
  }();
  if (Operation != foContinue && Form != fcColon) Facts.Form = Sense.Reader();
  return Valid;
}

[[noreturn]] void TooManyLines(const TInputSource& Input);

TNumberPlan RequirePlan(std::optional<TNumberPlan> Plan, const TInputSource& Input) {
  if (!Plan) TooManyLines(Input);
  return *Plan;
}

// The header of a copy in the body's code units and encoding. A path that is valid UTF-8 is
// text (Windows gives every name so, and so does a UTF-8 locale) and is converted; one that is
// not keeps its own bytes where the body's encoding reads them (a code page 932 name on a code
// page 932 file). A path that can be neither is an error, never a '?' or U+FFFD.
template <LineUnit TChar>
void AppendCopyHeader(std::string_view Path, std::u16string_view Break, TTextEncoding Encoding,
                      const TInputSource& Input, TUnitWriter<TChar>& Out) {
  const TEncodingRow& Row = EncodingRow(Encoding);
  std::u16string Text;
  if (!Utf8ToUtf16(Path, Text)) {
    if constexpr (sizeof(TChar) == 1) {
      if (Row.FirstBad(Path) == Path.size()) {
        const std::string Header =
            CopyHeader(Path, std::string(Break.begin(), Break.end()), Row.CharLength);
        Out.append(Header.data(), Header.size());
        return;
      }
    }
    const bool Unicode = Row.UnitSize == 2 || Row.FirstBad == EncodingRow(teUtf8).FirstBad;
    throw EInputError(Input.Name() + ": the copy's path is not valid UTF-8" +
                      (Unicode ? std::string() : std::string(" nor ") + Row.Name));
  }
  const std::u16string Header = CopyHeader(Text, Break);
  if constexpr (sizeof(TChar) == 2) {
    Out.append(Header.data(), Header.size());
  } else {
    std::string Bytes;
    if (!EncodeText(Header, Encoding, Bytes)) {
      throw EInputError(Input.Name() + ": the copy's path holds characters " + Row.Name + " lacks");
    }
    Out.append(Bytes.data(), Bytes.size());
  }
}

// The numbers the second reading writes, planned from what the first one learnt (nothing
// learnt: number streaming a fixed width); nothing for the operations that write none, and for
// continue and renumber without a start.
template <LineUnit TChar>
std::optional<TNumberPlan> PlanOutput(const TFilterRequest& Request, const TBodyFacts<TChar>* Facts,
                                      size_t SeparatorLength, const TInputSource& Input) {
  const TFormRequest& Form = Request.Form;
  const TNumbering& N = Request.Numbering;
  auto Plan = [&](int32_t Start, int32_t Step, TLineNumberOptions Options, int32_t ZeroDigits,
                  TNumberField Field, uint64_t Lines) {
    return RequirePlan(
        PlanWrite(Form, Start, Step, Options, ZeroDigits, Field, SeparatorLength, Lines), Input);
  };
  if (Facts == nullptr) {
    return Request.Operation == foNumber ? Plan(N.Start, N.Step, N.Options, N.ZeroDigits, {}, 0)
                                         : std::optional<TNumberPlan>();
  }
  switch (Request.Operation) {
    case foNumber:
      return Plan(N.Start, N.Step, N.Options, N.ZeroDigits, {},
                  Form.Body == bcAll ? Facts->Lines : Facts->Selected);
    case foCopy:
      return Plan(1, 1, 0, 0, {}, Facts->Lines);
    case foContinue: {
      if (Facts->FormContinue) {
        if (!Facts->FormStart) return std::nullopt;
        const TContinueStart& Start = Facts->FormStart->Start;
        return Plan(Start.Number, Request.ContinueStep, Start.Options, 0, Facts->FormStart->Field,
                    Facts->Lines);
      }
      if (!Facts->Continue) return std::nullopt;
      // The first line loses its head and ":"; an empty rest is no line of the body.
      const TContinueStart& Start = *Facts->Continue;
      const bool EmptyFirst = !Facts->ContinueWholeLine && Facts->Lines == 1 &&
                              Facts->Units == Facts->ContinueHeadUnits + 1;
      return Plan(Start.Number, Request.ContinueStep, Start.Options,
                  Start.ZeroFill ? Start.Digits : 0, {}, Facts->Lines - (EmptyFirst ? 1 : 0));
    }
    case foRenumber: {
      if (Facts->StartUnread) return std::nullopt;
      if (Facts->FormStart) {
        const TContinueStart& Start = Facts->FormStart->Start;
        return Plan(Start.Number, N.Step, Start.Options, 0, Facts->FormStart->Field, Facts->Lines);
      }
      // Another form chosen, and no line in it: nothing to renumber.
      if (ReadFormOf(Request) == fcNl || ReadFormOf(Request) == fcList) return std::nullopt;
      // From the first line's number, zero-filled as it was written; from 1 without one.
      const TContinueStart Start = Facts->Continue.value_or(TContinueStart{1, 1, false, 0});
      return Plan(Start.Number, N.Step, 0, Start.ZeroFill ? Start.Digits : 0, {},
                  Facts->RenumberedLines);
    }
    default:
      return std::nullopt;
  }
}

// The separator the numbers are written with: the form's that continue read unless -S says
// otherwise; none where renumber keeps each line's own.
template <LineUnit TChar>
std::basic_string_view<TChar> OutputSeparator(const TFilterRequest& Request,
                                              const TBodyFacts<TChar>* Facts,
                                              const TBodySeparators<TChar>& Separators) {
  if (Facts != nullptr && Facts->FormStart) {
    if (Request.Operation == foRenumber) return {};
    if (Request.Form.Separator.empty()) return Facts->FormStart->Separator;
  }
  return Separators.Write;
}

// The reader of the removals and tidyings: the form the first reading settled on, else the
// one chosen ("N:" when auto found no numbered line).
template <LineUnit TChar>
TFormReader<TChar> OutputReader(const TFilterRequest& Request, const TBodyFacts<TChar>* Facts,
                                const TBodySeparators<TChar>& Separators) {
  if (Facts != nullptr && Facts->Form) return *Facts->Form;
  const TFormChoice Form = ReadFormOf(Request);
  return TFormReader<TChar>(Form == fcNl ? fkNl : Form == fcList ? fkList : fkColon, Separators.Nl);
}

[[noreturn]] void TooManyLines(const TInputSource& Input) {
  throw EInputError(Input.Name() + ": too many lines: the numbers would leave 64 bits");
}

// The loops of the second reading: over blocks of lines, over lines, or over the parts of
// lines a removal takes out. Facts, when given, holds the first reading's count and length; a
// difference means the input changed meanwhile.
template <LineUnit TChar>
class TBodyWriter {
 public:
  using TView = std::basic_string_view<TChar>;

  TBodyWriter(TUnitReader<TChar>& Reader, const TBodyInfo& Info, const TBodyFacts<TChar>* Facts,
              TInputSource& Input, TUnitWriter<TChar>& Out, TEncodingError& Error)
      : FReader(Reader), FInfo(Info), FFacts(Facts), FInput(Input), FOut(Out), FError(Error) {}

  // The number of the line being visited (0-based), or of the lines visited so far.
  [[nodiscard]] uint64_t Line() const { return FLine; }
  void Skip(uint64_t Lines) { FLine += Lines; }

  template <typename TOnBlock>
  bool Blocks(TOnBlock&& OnBlock) {
    TBlockValidator<TChar> Validator(FInfo);
    const bool Valid = ScanBody<TChar>(FReader, FInfo, Validator, &FOut, FError, [&](TView Lines) {
      FUnits += Lines.size();
      if (FFacts != nullptr && FUnits > FFacts->Units) Changed();
      OnBlock(Lines);
    });
    if (FFacts != nullptr && Valid && (FUnits != FFacts->Units || FLine != FFacts->Lines)) {
      Changed();
    }
    return Valid;
  }

  template <typename TOnLine>
  bool Lines(TOnLine&& OnLine) {
    return Blocks([&](TView Lines) {
      ForEachLine(Lines, true, [&](TView Line) {
        OnLine(Line);
        ++FLine;
      });
    });
  }

  // A run of lines the removal leaves alone costs one copy, not one per line.
  template <typename TGapOf>
  bool Gaps(TGapOf&& GapOf) {
    return Blocks([&](TView Lines) {
      const TChar* Kept = Lines.data();
      ForEachLine(Lines, true, [&](TView Line) {
        const TLineGap Gap = GapOf(Line);
        if (Gap.Length > 0) {
          const TChar* From = Line.data() + Gap.From;
          FOut.append(Kept, static_cast<size_t>(From - Kept));
          Kept = From + Gap.Length;
        }
        ++FLine;
      });
      FOut.append(Kept, static_cast<size_t>(Lines.data() + Lines.size() - Kept));
    });
  }

 private:
  [[noreturn]] void Changed() { ChangedWhileRead(FInput); }

  TUnitReader<TChar>& FReader;
  const TBodyInfo& FInfo;
  const TBodyFacts<TChar>* FFacts;
  TInputSource& FInput;
  TUnitWriter<TChar>& FOut;
  TEncodingError& FError;
  uint64_t FLine = 0;
  uint64_t FUnits = 0;
};

// Every line loses its number; the lines left are numbered from the plan's start.
template <LineUnit TChar>
bool Renumber(TBodyWriter<TChar>& W, TLineNumberer<TChar>& Numberer, TUnitWriter<TChar>& Out) {
  TRenumberedLines<TChar> Renumbered;
  uint64_t K = 0;
  return W.Lines([&](std::basic_string_view<TChar> Line) {
    const std::basic_string_view<TChar> Rest = RenumberRest(Line);
    if (Renumbered.Numbers(Rest)) {
      Numberer.Append(K++, Rest, Out);
    } else {
      Out.append(Rest);
    }
  });
}

// renumber in nl's or the list form: the numbered lines get the plan's numbers in place of
// theirs, each keeping its indentation and separator; the others stay as they are.
template <LineUnit TChar>
bool RenumberInForm(TBodyWriter<TChar>& W, const TFormReader<TChar>& Reader,
                    const TNumberPlan& Plan, TLineNumberer<TChar>& Numberer,
                    TUnitWriter<TChar>& Out) {
  uint64_t K = 0;
  return W.Lines([&](std::basic_string_view<TChar> Line) {
    const TLineCut<TChar> Cut = Reader.Cut(Line, Padding);
    if (!Cut.Numbered) return Out.append(Line);
    const size_t FieldEnd = Cut.From + Cut.Head.size();
    Out.append(Line.data(), Cut.From);
    Numberer.AppendNumber(Plan.Value(K++), Out);
    Out.append(Line.data() + FieldEnd, Line.size() - FieldEnd);
  });
}

// number: every line, or those -b selects, counted on their own.
template <LineUnit TChar>
bool NumberLines(TBodyWriter<TChar>& W, const TFilterRequest& Request, TTextEncoding Encoding,
                 const TNumberPlan& Plan, TLineNumberer<TChar>& Numberer, const TInputSource& Input,
                 TUnitWriter<TChar>& Out) {
  using TView = std::basic_string_view<TChar>;
  // A stream has no count: its values are kept within 64 bits line by line.
  const uint64_t Limit = RunLimit(Plan);
  if (Request.Form.Body == bcAll) {
    return W.Lines([&](TView Line) {
      if (W.Line() >= Limit) TooManyLines(Input);
      Numberer.Append(W.Line(), Line, Out);
    });
  }
  TBodySelector<TChar> Selector(Request.Form, Encoding);
  uint64_t K = 0;
  return W.Lines([&](TView Line) {
    if (!Selector.Numbers(Line)) return Out.append(Line);
    if (K >= Limit) TooManyLines(Input);
    Numberer.Append(K++, Line, Out);
  });
}

// continue: the first line loses its number and separator, then every line is numbered.
template <LineUnit TChar>
bool Continue(TBodyWriter<TChar>& W, const TBodyFacts<TChar>& Facts, TLineNumberer<TChar>& Numberer,
              TUnitWriter<TChar>& Out) {
  using TView = std::basic_string_view<TChar>;
  if (Facts.FormContinue) {
    return W.Lines([&](TView Line) {
      if (W.Line() > 0) return Numberer.Append(W.Line(), Line, Out);
      std::basic_string<TChar> First;
      AppendWithoutGap(Line, Facts.FirstGap, First);
      Numberer.Append(0, First, Out);
    });
  }
  return W.Lines([&](TView Line) {
    if (W.Line() > 0 || Facts.ContinueWholeLine) {
      Numberer.Append(W.Line(), Line, Out);
    } else if (Line.size() > Facts.ContinueHeadUnits + 1) {
      Numberer.Append(0, Line.substr(Facts.ContinueHeadUnits + 1), Out);
    }
  });
}

// The second reading (the only one of a stream): every line transformed as Request and Facts
// say. Each operation runs its own loop, so nothing a plan decided is decided again per line.
template <LineUnit TChar>
bool WriteBody(TUnitReader<TChar>& Reader, const TBodyInfo& Info, const TFilterRequest& Request,
               const TBodySeparators<TChar>& Separators, const TBodyFacts<TChar>* Facts,
               TInputSource& Input, TUnitWriter<TChar>& Out, TEncodingError& Error) {
  using TView = std::basic_string_view<TChar>;
  TBodyWriter<TChar> W(Reader, Info, Facts, Input, Out, Error);
  const TView Separator = OutputSeparator(Request, Facts, Separators);
  const std::optional<TNumberPlan> Plan = PlanOutput(Request, Facts, Separator.size(), Input);
  std::optional<TLineNumberer<TChar>> Numberer;
  if (Plan) Numberer.emplace(*Plan, Separator);
  const TFormReader<TChar> FormReader = OutputReader(Request, Facts, Separators);
  const bool Colon = FormReader.Kind() == fkColon;
  auto Cut = [&](TView Line) {
    return Colon ? CutLine(Line, Padding) : FormReader.Cut(Line, Padding);
  };
  auto WholeLine = [](TView Line) { return TLineGap{0, Line.size()}; };
  switch (Request.Operation) {
    case foNumber:
      return NumberLines(W, Request, Info.Encoding, *Plan, *Numberer, Input, Out);
    case foContinue:
    case foRenumber:
      if (!Numberer) return W.Lines([&](TView Line) { Out.append(Line); });
      if (Request.Operation == foContinue) return Continue(W, *Facts, *Numberer, Out);
      if (Facts->FormStart) return RenumberInForm(W, FormReader, *Plan, *Numberer, Out);
      return Renumber(W, *Numberer, Out);
    case foDelete:
      return W.Gaps([&](TView Line) { return NumberGap(Line, Cut(Line)); });
    case foDeleteNumberOnly:
      return W.Gaps(
          [&](TView Line) { return IsNumberOnly(Cut(Line)) ? WholeLine(Line) : TLineGap{}; });
    case foDedent:
      if (!Facts->Indent.Cuts()) {
        return W.Blocks([&](TView Lines) {
          Out.append(Lines);
          W.Skip(CountLines(Lines));
        });
      }
      return W.Gaps([&](TView Line) { return DedentGap(Facts->Indent, Cut(Line)); });
    case foTidy:
      return W.Gaps([&](TView Line) {
        const TLineCut<TChar> C = Cut(Line);
        return IsNumberOnly(C) ? WholeLine(Line) : DedentGap(Facts->Indent, C);
      });
    case foCopy: {
      AppendCopyHeader(Request.CopyPath, Facts->FirstBreak, Facts->Encoding, Input, Out);
      if (!Request.CopyTidy) {
        return W.Lines([&](TView Line) { Numberer->Append(W.Line(), Line, Out); });
      }
      std::basic_string<TChar> Rest;
      return W.Lines([&](TView Line) {
        if (IsBlankRest(Line)) return;
        Rest.clear();
        AppendDedentedRest(Facts->RestIndent, Line, Rest);
        Numberer->Append(W.Line(), Rest, Out);
      });
    }
  }
  return false;
}

// Reads until Head holds the first three bytes (or the whole input when shorter).
std::string ReadHead(TInputSource& Input) {
  std::string Head(3, '\0');
  size_t Got = 0;
  while (Got < Head.size()) {
    const size_t N = Input.Read(Head.data() + Got, Head.size() - Got);
    if (N == 0) break;
    Got += N;
  }
  Head.resize(Got);
  return Head;
}

// The encoding of a body as the choice and the head (the first bytes) say.
TBodyInfo ReadBodyInfo(const TBodyEncoding& Body) {
  TBodyInfo Info;
  Info.Encoding = Body.Encoding;
  Info.BomLength = Body.BomLength;
  Info.Candidates = Body.Candidates;
  Info.Swapped = Info.Encoding == (LittleEndianHost ? teUtf16BE : teUtf16LE);
  return Info;
}

// Reads the input again from the start, which must begin as it did.
void RewindHead(TInputSource& Input, std::string_view Head) {
  Input.Rewind();
  if (ReadHead(Input) != Head) ChangedWhileRead(Input);
}

template <LineUnit TChar>
TFilterResult FilterBody(TInputSource& Input, const TBodyInfo& Info, std::string_view Head,
                         const TFilterRequest& Request, TByteSink& Sink) {
  TFilterResult Result;
  const std::string_view Bom = Head.substr(0, Info.BomLength);
  const std::string_view AfterBom = Head.substr(Info.BomLength);
  const size_t Capacity = 2 * std::max<size_t>(Request.BlockUnits, 1);
  TOutputBuffer Buffer(Sink);

  if (!Input.CanRewind()) {
    // Only the line-by-line operations get here: they write as they read.
    Result.Encoding = TBlockValidator<TChar>(Info).Encoding();
    TUnitWriter<TChar> Out(Buffer, Result.Encoding, Info.Swapped, Bom);
    TUnitReader<TChar> Reader(Input, Capacity, AfterBom, Info.Swapped);
    // The lines of the blocks before an invalid one are written; the BOM only with them.
    // Only ASCII separators stream, so the body's encoding does not change them.
    const TBodySeparators<TChar> Separators = EncodeSeparators<TChar>(Request.Form, teUtf8, Input);
    Result.Ok =
        WriteBody<TChar>(Reader, Info, Request, Separators, nullptr, Input, Out, Result.Error);
    Result.Encoding = Out.Encoding();
    if (Result.Ok) {
      Out.Finish();
    } else {
      Out.Flush();
    }
    return Result;
  }

  TBodyFacts<TChar> Facts;
  // The first reading takes the body for the first encoding it may be.
  TTextEncoding Assumed = Info.Encoding;
  TBodySeparators<TChar> Separators = EncodeSeparators<TChar>(Request.Form, Assumed, Input);
  uint64_t FirstDigest = 0;
  for (TBodyInfo Reading = Info;;) {
    TUnitReader<TChar> Reader(Input, Capacity, AfterBom, Info.Swapped);
    Reader.Digested();
    if (!GatherFacts(Reader, Reading, Request, Separators, Facts, Result.Error)) {
      Result.Ok = false;
      return Result;
    }
    FirstDigest = Reader.Digest();
    // Bytes that proved to be another encoding are read again when the options meant UTF-8.
    if (Facts.Encoding == Assumed || !EncodingMatters(Request)) break;
    Assumed = Facts.Encoding;
    Separators = EncodeSeparators<TChar>(Request.Form, Assumed, Input);
    Facts = TBodyFacts<TChar>();
    Reading.Encoding = Assumed;
    Reading.Candidates = uint32_t{1} << Assumed;
    RewindHead(Input, Head);
  }
  Result.StartUnread = Request.Operation == foContinue
                           ? (Facts.FormContinue ? !Facts.FormStart : !Facts.Continue)
                           : Facts.StartUnread;
  Result.Encoding = Facts.Encoding;
  // The second reading checks the body as what the first one found it to be.
  TBodyInfo Proven = Info;
  Proven.Encoding = Facts.Encoding;
  Proven.Candidates = uint32_t{1} << Facts.Encoding;
  TUnitWriter<TChar> Out(Buffer, Facts.Encoding, Info.Swapped, Bom);
  RewindHead(Input, Head);
  // Validated again: only bytes that were validated ever reach the output, even when the
  // file changed in a way its size and time do not show.
  TUnitReader<TChar> Reader(Input, Capacity, AfterBom, Info.Swapped);
  Reader.Digested();
  TEncodingError Changed;
  if (!WriteBody<TChar>(Reader, Proven, Request, Separators, &Facts, Input, Out, Changed)) {
    ChangedWhileRead(Input);
  }
  // A rewrite of the same size and line count shows in the content alone: both readings must
  // have read the same bytes, before the output is made final.
  if (Reader.Digest() != FirstDigest || !Input.Unchanged()) ChangedWhileRead(Input);
  Out.Finish();
  return Result;
}

}  // namespace

bool NeedsPlan(const TFilterRequest& Request) {
  const TFormRequest& Form = Request.Form;
  switch (Request.Operation) {
    case foDelete:
    case foDeleteNumberOnly:
      // nl's blank lines and auto need the first numbered line before any line is written.
      return ReadFormOf(Request) == fcNl || ReadFormOf(Request) == fcAuto ||
             !IsAsciiText(Form.Separator);
    case foNumber:
      // A fixed width needs no count; a separator or pattern beyond ASCII needs the encoding.
      return Form.Width == 0 || (Request.Numbering.Options & lnoReverse) != 0 ||
             Request.Numbering.ZeroDigits > 0 || EncodingMatters(Request);
    default:
      return true;
  }
}

TFilterResult FilterInput(TInputSource& Input, const TFilterRequest& Request, TByteSink& Sink) {
  // A pipe is kept while it is read the first time, so an operation with a plan can read it
  // again.
  std::unique_ptr<TSpooledSource> Spool;
  TInputSource* Source = &Input;
  if (!Input.CanRewind() && NeedsPlan(Request)) {
    Spool = std::make_unique<TSpooledSource>(Input, Request.SpoolLimit);
    Source = Spool.get();
  }
  const std::string Head = ReadHead(*Source);
  const TBodyEncoding Body = ChooseEncoding(Head, Request.Encoding);
  if (Body.Refused) return TFilterResult{false, Body.Error, Body.Encoding, false};
  const TBodyInfo Info = ReadBodyInfo(Body);
  if (UnitSize(Info.Encoding) == 2) return FilterBody<char16_t>(*Source, Info, Head, Request, Sink);
  return FilterBody<char>(*Source, Info, Head, Request, Sink);
}

TFilterResult FilterText(std::string_view File, const TFilterRequest& Request, TByteSink& Sink) {
  TMemorySource Input(File);
  return FilterInput(Input, Request, Sink);
}
