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
#include "cli/filter/MarkdownLists.h"
#include "cli/io/BlockReader.h"
#include "cli/io/OutputBuffer.h"
#include "library/LineBreak/LineBreak.h"
#include "library/UtfUnit/Utf16Validate.h"
#include "library/UtfUnit/UtfRules.h"
#include "library/UtfUnit/UtfUnit.h"
#include "cli/filter/FirstReading.h"
#include "cli/filter/UnitStream.h"

using namespace linefilter;

namespace {
[[noreturn]] void TooManyLines(const TInputSource& Input);

TNumberPlan RequirePlan(std::optional<TNumberPlan> Plan, const TInputSource& Input) {
  if (!Plan) TooManyLines(Input);
  return *Plan;
}

// The header --header asks for: the folder and the indented name, or the name alone.
template <typename TChar, typename... TCharLength>
std::basic_string<TChar> Heading(TCopyHeading Kind, std::basic_string_view<TChar> Path,
                                 std::basic_string_view<TChar> Break, TCharLength... CharLength) {
  if (Kind == chFull) return CopyHeader(Path, Break, CharLength...);
  std::basic_string<TChar> Name(Path.substr(FileNameStart(Path, CharLength...)));
  return Name.append(Break);
}

// The header of a copy in the body's code units and encoding. A path that is valid UTF-8 is
// text (Windows gives every name so, and so does a UTF-8 locale) and is converted; one that is
// not keeps its own bytes where the body's encoding reads them (a code page 932 name on a code
// page 932 file). A path that can be neither is an error, never a '?' or U+FFFD.
template <LineUnit TChar>
void AppendCopyHeader(const TFilterRequest& Request, std::u16string_view Break,
                      TTextEncoding Encoding, const TInputSource& Input, TUnitWriter<TChar>& Out) {
  if (Request.CopyHeading == chNone) return;
  const std::string_view Path = Request.CopyPath;
  const TEncodingRow& Row = EncodingRow(Encoding);
  std::u16string Text;
  if (!Utf8ToUtf16(Path, Text)) {
    if constexpr (sizeof(TChar) == 1) {
      if (Row.FirstBad(Path) == Path.size()) {
        const std::string Bytes(Break.begin(), Break.end());
        Out.append(Heading<char>(Request.CopyHeading, Path, Bytes, Row.CharLength));
        return;
      }
    }
    const bool Unicode = Row.UnitSize == 2 || Row.FirstBad == EncodingRow(teUtf8).FirstBad;
    throw EInputError(Input.Name(), Unicode
                                        ? Message(miCopyPathNotUtf8)
                                        : Message(miCopyPathNotUtf8Nor, {EncodingName(Encoding)}));
  }
  const std::u16string Header = Heading<char16_t>(Request.CopyHeading, Text, Break);
  if (const auto Units = EncodeUnits<TChar>(Header, Encoding)) return Out.append(*Units);
  throw EInputError(Input.Name(), Message(miCopyPathLacks, {EncodingName(Encoding)}));
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
      return Plan(N.Start, 1, 0, 0, {}, Facts->Lines);
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
  throw EInputError(Input.Name(), Message(miTooManyLines));
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
  // A stream has no count: the K-th value written (0-based) is kept within 64 bits line by line.
  void Within(uint64_t K, uint64_t Limit) const {
    if (K >= Limit) TooManyLines(FInput);
  }
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
          FOut.appendPadded(Kept, static_cast<size_t>(From - Kept));  // of the reader's buffer
          Kept = From + Gap.Length;
        }
        ++FLine;
      });
      FOut.appendPadded(Kept, static_cast<size_t>(Lines.data() + Lines.size() - Kept));
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
bool Renumber(TBodyWriter<TChar>& W, uint64_t Limit, TLineNumberer<TChar>& Numberer,
              TUnitWriter<TChar>& Out) {
  TRenumberedLines<TChar> Renumbered;
  uint64_t K = 0;
  return W.Lines([&](std::basic_string_view<TChar> Line) {
    const std::basic_string_view<TChar> Rest = RenumberRest(Line);
    if (Renumbered.Numbers(Rest)) {
      W.Within(K, Limit);
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
  const uint64_t Limit = RunLimit(Plan);
  return W.Lines([&](std::basic_string_view<TChar> Line) {
    const TLineCut<TChar> Cut = Reader.Cut(Line, Padding);
    if (!Cut.Numbered) return Out.append(Line);
    W.Within(K, Limit);
    const size_t FieldEnd = Cut.From + Cut.Head.size();
    Out.append(Line.data(), Cut.From);
    Numberer.AppendNumber(Plan.Value(K++), Out);
    Out.append(Line.data() + FieldEnd, Line.size() - FieldEnd);
  });
}

// renumber in the list form: the ordered lists of the text as CommonMark reads it, each
// counted on from its first item; -n rz -w N zero-fills their digits.
template <LineUnit TChar>
bool RenumberLists(TBodyWriter<TChar>& W, const TFilterRequest& Request, TUnitWriter<TChar>& Out) {
  const TFormRequest& Form = Request.Form;
  const int32_t ZeroWidth = Form.Align == faZero ? static_cast<int32_t>(Form.Width) : 0;
  markdown::TListRenumberer<TChar> Lists({Request.Numbering.Step, ZeroWidth});
  return W.Lines([&](std::basic_string_view<TChar> Line) { Lists.Line(Line, Out); });
}

// Line I of the run, numbered, for a line that lies in the reader's buffer (readable past its
// end): the field, then the line as whole padded moves, with no jump on its length.
template <LineUnit TChar>
void AppendBufferLine(const TNumberPlan& Plan, TLineNumberer<TChar>& Numberer, uint64_t I,
                      std::basic_string_view<TChar> Line, TUnitWriter<TChar>& Out) {
  if (Plan.AfterIndent) return Numberer.Append(I, Line, Out);
  Numberer.AppendNumber(Plan.Value(I), Out);
  Out.appendPadded(Line.data(), Line.size());
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
      AppendBufferLine(Plan, Numberer, W.Line(), Line, Out);
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
bool Continue(TBodyWriter<TChar>& W, const TBodyFacts<TChar>& Facts, const TNumberPlan& Plan,
              TLineNumberer<TChar>& Numberer, TUnitWriter<TChar>& Out) {
  using TView = std::basic_string_view<TChar>;
  const uint64_t Limit = RunLimit(Plan);
  if (Facts.FormContinue) {
    return W.Lines([&](TView Line) {
      W.Within(W.Line(), Limit);
      if (W.Line() > 0) return AppendBufferLine(Plan, Numberer, W.Line(), Line, Out);
      std::basic_string<TChar> First;
      AppendWithoutGap(Line, Facts.FirstGap, First);
      Numberer.Append(0, First, Out);
    });
  }
  return W.Lines([&](TView Line) {
    W.Within(W.Line(), Limit);
    if (W.Line() > 0 || Facts.ContinueWholeLine) {
      AppendBufferLine(Plan, Numberer, W.Line(), Line, Out);
    } else if (Line.size() > Facts.ContinueHeadUnits + 1) {
      Numberer.Append(0, Line.substr(Facts.ContinueHeadUnits + 1), Out);
    }
  });
}

// copy: the header, the numbered lines (tidied with -t) and, with --fence, a fence around
// them that no run of backticks in them reaches. The fence's lines end with the header's break;
// the last line gets one before the closing fence when it has none, and the closing fence then
// has none, so the copy ends with a break exactly when the text does.
template <LineUnit TChar>
bool Copy(TBodyWriter<TChar>& W, const TFilterRequest& Request, const TBodyFacts<TChar>& Facts,
          const TNumberPlan& Plan, TLineNumberer<TChar>& Numberer, const TInputSource& Input,
          TUnitWriter<TChar>& Out) {
  using TView = std::basic_string_view<TChar>;
  AppendCopyHeader(Request, Facts.FirstBreak, Facts.Encoding, Input, Out);
  const std::basic_string<TChar> Break(Facts.FirstBreak.begin(), Facts.FirstBreak.end());
  std::basic_string<TChar> Fence;
  if (Request.CopyFence) {
    const size_t Run = Facts.Encoding == teCp932 ? Facts.Cp932Backticks : Facts.Backticks;
    Fence.assign(std::max<size_t>(3, Run + 1), TChar('`'));
    const auto Info = EncodeUnits<TChar>(*Request.CopyFence, Facts.Encoding);
    if (!Info) {
      throw EInputError(Input.Name(), Message(miFenceLacks, {EncodingName(Facts.Encoding)}));
    }
    Out.append(Fence + *Info + Break);
  }
  bool Open = false;  // the last line written has no break
  std::basic_string<TChar> Rest;
  const bool Valid = W.Lines([&](TView Line) {
    if (Request.CopyTidy) {
      if (IsBlankRest(Line)) return;
      Rest.clear();
      AppendDedentedRest(Facts.RestIndent, Line, Rest);
      Numberer.Append(W.Line(), Rest, Out);
      Open = LineBreakLength<TChar>(Rest) == 0;
      return;
    }
    Open = LineBreakLength(Line) == 0;
    AppendBufferLine(Plan, Numberer, W.Line(), Line, Out);
  });
  if (!Valid || !Request.CopyFence) return Valid;
  if (Open) Out.append(Break);
  Out.append(Fence);
  if (!Open) Out.append(Break);
  return true;
}

// The second reading (the only one of a stream): every line transformed as Request and Facts
// say. Each operation runs its own loop, so nothing a plan decided is decided again per line.
// Counted: Facts are of a whole first reading, which this one must match (else of the first
// line alone, read ahead by a stream).
template <LineUnit TChar>
bool WriteBody(TUnitReader<TChar>& Reader, const TBodyInfo& Info, const TFilterRequest& Request,
               const TBodySeparators<TChar>& Separators, const TBodyFacts<TChar>* Facts,
               bool Counted, TInputSource& Input, TUnitWriter<TChar>& Out, TEncodingError& Error) {
  using TView = std::basic_string_view<TChar>;
  TBodyWriter<TChar> W(Reader, Info, Counted ? Facts : nullptr, Input, Out, Error);
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
      if (Request.Operation == foRenumber && FormReader.Kind() == fkList) {
        return RenumberLists(W, Request, Out);
      }
      if (!Numberer) return W.Lines([&](TView Line) { Out.append(Line); });
      if (Request.Operation == foContinue) {
        return Continue(W, *Facts, *Plan, *Numberer, Out);
      }
      if (Facts->FormStart) return RenumberInForm(W, FormReader, *Plan, *Numberer, Out);
      return Renumber(W, RunLimit(*Plan), *Numberer, Out);
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
    case foCopy:
      return Copy(W, Request, *Facts, *Plan, *Numberer, Input, Out);
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

// continue, renumber: whether the first line's number is no start, so the text stays as it is.
template <LineUnit TChar>
bool StartUnreadOf(const TFilterRequest& Request, const TBodyFacts<TChar>& Facts) {
  if (Request.Operation == foContinue)
    return Facts.FormContinue ? !Facts.FormStart : !Facts.Continue;
  return Facts.StartUnread;
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
    // continue and renumber stream when the first line tells all their plan needs.
    std::optional<TBodyFacts<TChar>> First;
    if (Request.Operation == foContinue || Request.Operation == foRenumber) {
      First = FirstLineFacts(Reader, Request, Separators);
      Result.StartUnread = StartUnreadOf(Request, *First);
    }
    Result.Ok = WriteBody<TChar>(Reader, Info, Request, Separators, First ? &*First : nullptr,
                                 false, Input, Out, Result.Error);
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
  TDigestTrail Trail;
  for (TBodyInfo Reading = Info;;) {
    TUnitReader<TChar> Reader(Input, Capacity, AfterBom, Info.Swapped);
    Trail = TDigestTrail();
    Reader.MarkTrail(Trail);
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
  Result.StartUnread = StartUnreadOf(Request, Facts);
  Result.Encoding = Facts.Encoding;
  // The second reading checks the body as what the first one found it to be.
  TBodyInfo Proven = Info;
  Proven.Encoding = Facts.Encoding;
  Proven.Candidates = uint32_t{1} << Facts.Encoding;
  TUnitWriter<TChar> Out(Buffer, Facts.Encoding, Info.Swapped, Bom);
  RewindHead(Input, Head);
  // Only bytes that were validated ever reach the output, even when the file changed in a way
  // its size and time do not show: what the digests do not show to be the bytes of the first
  // reading is validated again.
  TUnitReader<TChar> Reader(Input, Capacity, AfterBom, Info.Swapped);
  Reader.FollowTrail(Trail);
  TEncodingError Changed;
  if (!WriteBody<TChar>(Reader, Proven, Request, Separators, &Facts, true, Input, Out, Changed)) {
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
    case foContinue:
    case foRenumber:
      // The list form follows the text's structure line by line.
      if (Request.Operation == foRenumber && ReadFormOf(Request) == fcList) return false;
      // A fixed width needs no count, and the first line holds the start, unless renumber
      // reads nl's form, whose first numbered line may come anywhere.
      return Form.Width == 0 || EncodingMatters(Request) ||
             (Request.Operation == foRenumber && ReadFormOf(Request) == fcNl);
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
