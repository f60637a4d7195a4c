#pragma once
// The filter's first reading: what it learns of a body for the plan (line count, shared
// indentation, the continue and renumber starts), validating every block on the way.

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
#include "cli/filter/UnitStream.h"
#include "cli/io/BlockReader.h"
#include "cli/io/OutputBuffer.h"
#include "library/LineBreak/LineBreak.h"
#include "library/UtfUnit/Utf16Validate.h"
#include "library/UtfUnit/UtfRules.h"
#include "library/UtfUnit/UtfUnit.h"

// Pieces of LineFilter.cpp, which alone includes this header.
namespace linefilter {

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
  size_t Backticks = 0;                        // copy --fence: the longest run of '`' units
  size_t Cp932Backticks = 0;  // the same over code page 932's characters, whose trail may be '`'
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
    throw EInputError(Input.Name(), Message(miSeparatorLacks, {EncodingName(Encoding)}));
  }
  return {*Write, *Nl};
}

// Whether what the options say depends on the encoding a body of bytes turns out to have.
inline bool EncodingMatters(const TFilterRequest& Request) {
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
  // Whether the last line taken ended in a lone CR (an LF alone next would join it).
  [[nodiscard]] bool AfterLoneCR() const { return FAfterLoneCR; }
  // Numbers() of a whole line, cut only where the cut can matter: after a lone CR, or on a last
  // line without a break (another line's rest holds its break, so it is no lone LF nor empty).
  bool NumbersLine(std::basic_string_view<TChar> Line) {
    if (FAfterLoneCR || LineBreakLength(Line) == 0) return Numbers(RenumberRest(Line));
    FAfterLoneCR = Line.back() == TChar('\r');
    return true;
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
    if (Renumbered.NumbersLine(Line)) ++Facts.RenumberedLines;
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

// copy --fence: the longest run of backticks, which the fence around the lines must outgrow.
// '`' (0x60) may be a code page 932 trail byte, only ever the first of a run (no lead byte is
// '`'), so that encoding's run may be one shorter. Whether it is one is found by walking the
// characters from the block's start (a line's), once for the whole block.
template <LineUnit TChar>
void MeasureBackticks(TBodyFacts<TChar>& Facts, std::basic_string_view<TChar> Lines) {
  size_t Walked = 0;  // the start of a code page 932 character
  for (size_t At = Lines.find(TChar('`')); At != Lines.npos;) {
    const size_t End = std::min(Lines.find_first_not_of(TChar('`'), At), Lines.size());
    Facts.Backticks = std::max(Facts.Backticks, End - At);
    if constexpr (sizeof(TChar) == 1) {
      if (At > 0 && static_cast<unsigned char>(Lines[At - 1]) >= 0x81) {
        while (Walked < At) {
          Walked += EncodingRow(teCp932).CharLength(static_cast<unsigned char>(Lines[Walked]));
        }
      }
      const size_t Run = End - At - (Walked > At ? 1 : 0);
      Facts.Cp932Backticks = std::max(Facts.Cp932Backticks, Run);
    }
    At = Lines.find(TChar('`'), End);
  }
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
      if (Operation == foCopy && Request.CopyFence) MeasureBackticks(Facts, Lines);
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
        if (Form == fcList) break;  // the lists are followed in the second reading alone
        TRenumberedLines<TChar> Renumbered;
        return Scan([&](TView Lines) {
          // auto settled on the list form by the first line: the count is all that is left.
          if (Form == fcAuto && Facts.Lines > 0 && Sense.Reader() &&
              Sense.Reader()->Kind() == fkList) {
            Facts.Lines += CountLines(Lines);
            return;
          }
          // Once nothing is left to learn of the form, lines that each end in an LF or a CR LF
          // are all numbered again: counted from the break masks, not visited.
          const bool Learnt = Form == fcColon || (Form == fcAuto && Facts.Lines > 0);
          if (Learnt && !Renumbered.AfterLoneCR() && !Lines.empty() &&
              Lines.back() == TChar('\n')) {
            if (const std::optional<uint64_t> Count = CountLinesUnlessLoneCR(Lines)) {
              Facts.Lines += *Count;
              Facts.RenumberedLines += *Count;
              return;
            }
          }
          GatherRenumber(Facts, Lines, Form, Sense, Renumbered);
        });
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

// What continue and renumber learn from the first line alone, when a fixed width makes the
// count needless and they stream: the reader reads until that line is whole (or the input
// ends), consuming nothing. The counts stay 0, for an endless run.
template <LineUnit TChar>
TBodyFacts<TChar> FirstLineFacts(TUnitReader<TChar>& Reader, const TFilterRequest& Request,
                                 const TBodySeparators<TChar>& Separators) {
  do {
    Reader.Fill();
  } while (Reader.LinesEnd() == 0 && !Reader.AtEnd());
  const std::basic_string_view<TChar> Pending = Reader.Pending();
  const std::basic_string_view<TChar> Lines =
      Reader.AtEnd() ? Pending : Pending.substr(0, Reader.LinesEnd());
  TBodyFacts<TChar> Facts;
  const TFormChoice Form = ReadFormOf(Request);
  TFormSense<TChar> Sense(Form, Separators.Nl);
  ForEachLine(Lines, true, [&](std::basic_string_view<TChar> Line) {
    ReadFirstLine(Facts, Line, Request.Operation);
    if (Request.Operation == foContinue && Form != fcColon) {
      ReadFormFirstLine<TChar>(Facts, Line, Form, Separators.Nl);
    } else if (Request.Operation == foRenumber) {
      TRenumberedLines<TChar> Renumbered;
      GatherRenumber(Facts, Line, Form, Sense, Renumbered);
      if (Form != fcColon) Facts.Form = Sense.Reader();
    }
    return false;
  });
  Facts.Lines = Facts.RenumberedLines = 0;
  return Facts;
}

}  // namespace linefilter
