#pragma once
// What the filter needs of the line forms (LineNumberUnit/LineForm.h): the separators in the
// body's own code units, a reader that settles on a form at the first numbered line, the lines
// number's -b selects, and the plan that writes numbers as the options and the form read say.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "LineNumberUnit/LineForm.h"
#include "cli/filter/LineFilter.h"
#include "cli/io/TextCodec.h"
#include "cli/nl/NlRegex.h"

// EncodeUnits() — S in a body's code units: UTF-16 as it is, bytes in Encoding. Nothing when
// the encoding (code page 932, EUC-JP) lacks one of its characters.
template <LineUnit TChar>
std::optional<std::basic_string<TChar>> EncodeUnits(std::u16string_view S, TTextEncoding Encoding) {
  if constexpr (sizeof(TChar) == 2) {
    (void)Encoding;
    return std::u16string(S);
  } else {
    std::string Bytes;
    if (!EncodeText(S, Encoding, Bytes)) return std::nullopt;
    return Bytes;
  }
}

// IsAsciiText() — whether S is the same units in every encoding corvane reads.
inline bool IsAsciiText(std::u16string_view S) {
  for (const char16_t C : S) {
    if (C >= 0x80) return false;
  }
  return true;
}

// The form an operation reads: --form, or its default.
inline TFormChoice ReadFormOf(const TFilterRequest& Request) {
  if (Request.Form.Read != fcDefault) return Request.Form.Read;
  const bool Renumbers = Request.Operation == foContinue || Request.Operation == foRenumber;
  return Renumbers ? fcAuto : fcColon;
}

// Cuts lines in the chosen form; auto settles on the form of the first numbered line, and nl
// learns there how wide the blanks of its unnumbered lines are.
template <LineUnit TChar>
class TFormSense {
 public:
  using TView = std::basic_string_view<TChar>;

  TFormSense(TFormChoice Choice, TView NlSeparator) : FNlSeparator(NlSeparator) {
    if (Choice != fcAuto) {
      FReader.emplace(Choice == fcNl ? fkNl : Choice == fcList ? fkList : fkColon, NlSeparator);
    }
  }
  [[nodiscard]] TLineCut<TChar> Cut(TView Line, size_t Readable = 0) {
    if (!FReader) {
      const std::optional<TFormKind> Kind = DetectForm<TChar>(Line, FNlSeparator);
      if (!Kind) return {};
      FReader.emplace(*Kind, FNlSeparator);
    }
    const TLineCut<TChar> Cut = FReader->Cut(Line, Readable);
    FReader->Learn(Cut);
    FSettled = FSettled || Cut.Numbered;
    return Cut;
  }

  // Settled() — whether a numbered line was seen, so the form is known, and for nl one that
  // shows how wide the blanks of its unnumbered lines are.
  [[nodiscard]] bool Settled() const {
    return FSettled && (FReader->Kind() != fkNl || FReader->Learnt());
  }
  [[nodiscard]] const std::optional<TFormReader<TChar>>& Reader() const { return FReader; }

 private:
  std::basic_string<TChar> FNlSeparator;
  std::optional<TFormReader<TChar>> FReader;
  bool FSettled = false;
};

// The lines number's -b numbers: all, those with text, or those a pattern matches (in UTF-8,
// whatever the body's encoding).
template <LineUnit TChar>
class TBodySelector {
 public:
  using TView = std::basic_string_view<TChar>;

  TBodySelector(const TFormRequest& Form, TTextEncoding Encoding)
      : FChoice(Form.Body), FEncoding(Encoding) {
    std::string Error;
    if (FChoice == bcPattern && !FRegex.Compile(Form.Pattern, Error)) {
      throw std::invalid_argument(Error);
    }
  }

  [[nodiscard]] bool Numbers(TView Line) {
    const TView Body = Line.substr(0, Line.size() - LineBreakLength(Line));
    if (FChoice == bcAll) return true;
    if (FChoice == bcText) return !Body.empty();
    FWide.clear();
    if constexpr (sizeof(TChar) == 2) {
      FWide.assign(Body);
    } else {
      if (FEncoding == teUtf8 || FEncoding == teUtf8Bom) return FRegex.Matches(Body);
      DecodeText(Body, FEncoding, FWide);
    }
    FNarrow.clear();
    (void)EncodeText(FWide, teUtf8, FNarrow);
    return FRegex.Matches(FNarrow);
  }

 private:
  TBodyChoice FChoice;
  TTextEncoding FEncoding;
  TNlRegex FRegex;
  std::u16string FWide;
  std::string FNarrow;
};

// PlanWrite() — the plan for numbers from Start: the field read (or the plug-in's), changed by
// the options given; zero-filled to ZeroDigits as the plug-in does while no option says
// otherwise. Lines bounds the values and sizes a field the run decides.
inline std::optional<TNumberPlan> PlanWrite(const TFormRequest& Form, int32_t Start, int32_t Step,
                                            TLineNumberOptions Options, int32_t ZeroDigits,
                                            TNumberField Field, size_t SeparatorLength,
                                            uint64_t Lines) {
  if (Form.Align) Field.Align = *Form.Align;
  if (Form.Width > 0) Field.Width = Form.Width;
  Field.AfterIndent = Field.AfterIndent || Form.AfterIndent;
  if (ZeroDigits > 0 && !Form.Align && Form.Width == 0) {
    std::optional<TNumberPlan> Plan =
        PlanPaddedLineNumbers(Start, ZeroDigits, Step, Options, Lines);
    if (Plan) {
      Plan->AfterIndent = Field.AfterIndent;
      Plan->PrefixWidth += static_cast<int64_t>(SeparatorLength) - 1;
    }
    return Plan;
  }
  return PlanFieldNumbers(Start, Step, Options, Field, SeparatorLength, Lines);
}
