#pragma once
// The corvane filter: one input's bytes in, the engine's result out, in the input's own
// encoding and with its own line breaks. The text is never transcoded: UTF-8 runs through the
// engine as bytes, UTF-16 as its own units. The input is read in blocks; a command that needs a
// plan first (the number field's width, the shared indentation, the continue start) reads it
// twice, a pipe through a spool; delete and delete-number-only on a pipe write as they read.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "LineNumberUnit/LineNumberUnit.h"
#include "LineNumberUnit/LineSteps.h"
#include "cli/io/ByteSink.h"
#include "cli/io/InputSource.h"
#include "cli/io/TextCodec.h"

enum TFilterOperation : uint8_t {
  foNumber,            // AddLineNumbers / AddPaddedLineNumbers
  foContinue,          // numbering on from the start written at the head of the first line
  foDelete,            // DeleteLineNumbers
  foDeleteNumberOnly,  // DeleteNumberOnlyLines
  foDedent,            // DeleteIndentAfterNumber
  foTidy,              // DeleteNumberOnlyLines, then DeleteIndentAfterNumber
  foCopy,              // header (folder, indented name), then the lines numbered from -s
  foRenumber,          // numbers deleted, then numbering on from the first line's number
};

// How the lines are numbered.
struct TNumbering {
  int32_t Start = 1;
  int32_t Step = 1;
  int32_t ZeroDigits = 0;  // 0: blank-aligned (AddLineNumbers); else AddPaddedLineNumbers' Digits
  TLineNumberOptions Options = 0;
};

// Which form the numbered lines are read in (LineNumberUnit/LineForm.h).
enum TFormChoice : uint8_t {
  fcDefault,  // auto for continue and renumber, colon for the others
  fcColon,
  fcNl,
  fcList,
  fcAuto,  // the first numbered line decides
};

// Which lines number numbers (nl's -b).
enum TBodyChoice : uint8_t { bcAll, bcText, bcPattern };

// How numbers are written and read beyond the plug-in's "N:".
struct TFormRequest {
  std::u16string Separator;          // -S; empty: ":" to write, a tab after nl's field
  std::optional<TFieldAlign> Align;  // -n; unset: right-aligned with blanks
  int64_t Width = 0;                 // -w; 0: as wide as the run's widest number
  bool AfterIndent = false;          // the number after the line's blanks and tabs
  TFormChoice Read = fcDefault;
  TBodyChoice Body = bcAll;
  std::string Pattern;  // bcPattern: a basic regular expression, as nl reads it
};

// What heads a copy: the folder and the indented name, the name alone, or nothing.
enum TCopyHeading : uint8_t { chFull, chName, chNone };

struct TFilterRequest {
  TFilterOperation Operation = foNumber;
  TNumbering Numbering;      // foNumber; foRenumber takes its Step, foCopy its Start
  int32_t ContinueStep = 1;  // foContinue
  TFormRequest Form;
  bool CopyTidy = false;  // foCopy: number, then both tidyings
  // foCopy: the path whose folder and name head the copy, as given (UTF-8 on Windows; on POSIX
  // the name's bytes, which may be in another encoding).
  std::string CopyPath;
  TCopyHeading CopyHeading = chFull;
  // foCopy: the numbered lines inside a Markdown code fence with this info string ("cpp").
  std::optional<std::u16string> CopyFence;
  TEncodingChoice Encoding;  // none: auto
  // The most of a pipe kept for the second reading (--spool-limit): an endless pipe would
  // otherwise fill the temporary folder.
  uint64_t SpoolLimit = uint64_t{4} << 30;
  // Code units read per block; a line longer than that grows the block. Small values in tests
  // exercise the seams between blocks.
  size_t BlockUnits = size_t{1} << 17;
};

struct TFilterResult {
  bool Ok = true;        // false: invalid input (see docs/cli.md for what was written)
  TEncodingError Error;  // when !Ok; Offset counts from the start of the input, BOM included
  TTextEncoding Encoding = teUtf8;
  // continue, renumber: the first line's number is no start, so the text is left unchanged
  bool StartUnread = false;
};

// NeedsPlan() — whether the operation must see every line before it writes one.
[[nodiscard]] bool NeedsPlan(const TFilterRequest& Request);

// FilterInput() — reads Input and writes its BOM, if any, and the transformed text to Sink.
// An input that can be read twice is validated as a whole before anything is written; so is
// any input of an operation with a plan. Throws EInputError on read errors, on a file that
// changed between its two readings and on numbers beyond 64 bits.
[[nodiscard]] TFilterResult FilterInput(TInputSource& Input, const TFilterRequest& Request,
                                        TByteSink& Sink);

// FilterText() — FilterInput() on bytes in memory.
[[nodiscard]] TFilterResult FilterText(std::string_view File, const TFilterRequest& Request,
                                       TByteSink& Sink);
