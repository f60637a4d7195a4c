#pragma once
// What the corvane filter must write for a request: the plug-in's whole-text engine functions
// composed on the decoded text. Shared by the filter's tests and its fuzz target.

#include <algorithm>
#include <string>
#include <string_view>

#include "LineNumberUnit/ContinueRule.h"
#include "LineNumberUnit/FileHeader.h"
#include "LineNumberUnit/LineNumberUnit.h"
#include "LineNumberUnit/LineSteps.h"
#include "cli/filter/LineFilter.h"
#include "library/LineBreak/LineBreak.h"
#include "library/UtfUnit/UtfUnit.h"

namespace filter_oracle {

// What one whole-text engine call makes of Text.
inline std::u16string Expected(const TFilterRequest& R, std::u16string_view Text) {
  const TNumbering& N = R.Numbering;
  int32_t Width = 0;
  switch (R.Operation) {
    case foNumber:
      return N.ZeroDigits > 0
                 ? AddPaddedLineNumbers(Text, N.Start, N.ZeroDigits, N.Step, N.Options, Width)
                 : AddLineNumbers(Text, N.Start, N.Step, N.Options, Width);
    case foContinue:
      return ContinueNumbering(Text, R.ContinueStep, Width).NewText;
    case foDelete:
      return DeleteLineNumbers(Text);
    case foDeleteNumberOnly:
      return DeleteNumberOnlyLines(Text);
    case foDedent:
      return DeleteIndentAfterNumber(Text);
    case foTidy:
      return DeleteIndentAfterNumber(DeleteNumberOnlyLines(Text));
    case foRenumber: {
      // The first line's number, if it carries one; then delete, then number on from it. Digits
      // that are no start leave the text as it is.
      TContinueStart Start{1, 1, false, 0};
      bool Unread = false;
      ForEachLine(Text, true, [&](std::u16string_view Line) {
        const TLineCut<char16_t> Cut = CutLine(Line);
        if (Cut.Numbered && Cut.HasSeparator) {
          const std::optional<TContinueStart> Read = ReadContinueStart(Cut.Head);
          Unread = !Read && Cut.Head.find_first_of(u"0123456789") != std::u16string_view::npos;
          Start = Read.value_or(Start);
        }
        return false;
      });
      if (Unread) return std::u16string(Text);
      const std::u16string Bare = DeleteLineNumbers(Text);
      return Start.ZeroFill
                 ? AddPaddedLineNumbers(Bare, Start.Number, Start.Digits, N.Step, 0, Width)
                 : AddLineNumbers(Bare, Start.Number, N.Step, 0, Width);
    }
    case foCopy:
      break;
  }
  std::u16string Break = u"\r\n";
  ForEachLine(Text, true, [&Break](std::u16string_view Line) {
    if (const size_t B = LineBreakLength(Line)) Break = Line.substr(Line.size() - B);
    return false;
  });
  const std::u16string Numbered = AddLineNumbers(Text, N.Start, 1, 0, Width);
  std::u16string Path;
  (void)Utf8ToUtf16(R.CopyPath, Path);
  const std::u16string Head = R.CopyHeading == chFull   ? CopyHeader(Path, Break)
                              : R.CopyHeading == chName ? Path.substr(FileNameStart(Path)) + Break
                                                        : u"";
  const std::u16string Body =
      R.CopyTidy ? DeleteIndentAfterNumber(DeleteNumberOnlyLines(Numbered)) : Numbered;
  if (!R.CopyFence) return Head + Body;
  // The fence outgrows every run of backticks; a last line without a break gets one before it.
  size_t Run = 0;
  for (size_t At = Text.find(u'`'); At != Text.npos; At = Text.find(u'`', At)) {
    const size_t End = std::min(Text.find_first_not_of(u'`', At), Text.size());
    Run = std::max(Run, End - At);
    At = End;
  }
  const std::u16string Fence(std::max<size_t>(3, Run + 1), u'`');
  const bool Open = !Body.empty() && Body.back() != u'\n' && Body.back() != u'\r';
  return Head + Fence + *R.CopyFence + Break + Body + (Open ? Break + Fence : Fence + Break);
}

}  // namespace filter_oracle
