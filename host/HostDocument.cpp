// The document model of HostDocument: lines, positions, selection, view lines, state and log;
// HostMessages.cpp answers the host messages on top of it.

#include "host/HostDocument.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "library/LineBreak/LineBreak.h"

namespace {

// Length of the line break a stored line ends with: 2 for CR LF, 1 for CR or LF, else 0.
int32_t BreakLength(std::u16string_view Line) {
  return static_cast<int32_t>(LineBreakLength(Line));
}

// Splits after every CR LF, lone CR or lone LF. The piece after the last break is always
// appended, also when empty, so the result has one piece more than the text has breaks.
std::vector<std::u16string> SplitAfterBreaks(std::u16string_view Text) {
  std::vector<std::u16string> Pieces;
  ForEachLine(Text, true, [&Pieces](std::u16string_view Line) { Pieces.emplace_back(Line); });
  if (Pieces.empty() || BreakLength(Pieces.back()) > 0) Pieces.emplace_back();
  return Pieces;
}

std::string Describe(const char* What, THostPos P) {
  return std::string(What) + " (" + std::to_string(P.X) + ", " + std::to_string(P.Y) + ")";
}

constexpr size_t CountSlot(uint32_t Msg) {
  return Msg >= HostQueryCommand && Msg - HostQueryCommand < 63 ? Msg - HostQueryCommand : 63;
}

}  // namespace

HostDocument::HostDocument() : FLines(1) {}

HostDocument::HostDocument(std::u16string_view Text) : HostDocument() {
  SetText(Text);
}

std::u16string HostDocument::Text() const {
  size_t Total = 0;
  for (const auto& L : FLines) Total += L.size();
  std::u16string Result;
  Result.reserve(Total);
  for (const auto& L : FLines) Result += L;
  return Result;
}

void HostDocument::SetText(std::u16string_view Text) {
  FLines = SplitAfterBreaks(Text);
  FAnchor = FActive = {0, 0};
  FWholeSelected = false;
  FScroll = {0, 0};
  InvalidateView(0);
}

int32_t HostDocument::LineCount() const {
  return static_cast<int32_t>(FLines.size());
}

std::u16string_view HostDocument::Line(int32_t Y) const {
  if (Y < 0 || Y >= LineCount()) return {};
  return FLines[Y];
}

int32_t HostDocument::LineLength(int32_t Y) const {
  if (Y < 0 || Y >= LineCount()) return 0;
  return static_cast<int32_t>(FLines[Y].size()) - BreakLength(FLines[Y]);
}

// ---- positions ----

HostDocument::TLoc HostDocument::ClampQuiet(THostPos P) const {
  TLoc L{std::clamp(P.Y, 0, LineCount() - 1), 0};
  L.X = std::clamp(P.X, 0, LineLength(L.Y));
  return L;
}

HostDocument::TLoc HostDocument::Clamp(THostPos P, const char* What) {
  const TLoc L = ClampQuiet(P);
  if (L.X != P.X || L.Y != P.Y) Anomaly(Describe(What, P) + " lies outside the document");
  return L;
}

HostDocument::TLoc HostDocument::FromKind(uintptr_t Kind, THostPos P, const char* What) {
  if (Kind == HostPosKindView) {
    bool Valid = true;
    const TLoc L = ViewToLoc(P, &Valid);
    if (!Valid) Anomaly(Describe(What, P) + " lies outside the view");
    return L;
  }
  if (Kind != HostPosKindFile) {
    Anomaly(std::string(What) + ": unknown position kind " + std::to_string(Kind));
  }
  return Clamp(P, What);
}

THostPos HostDocument::ToKind(uintptr_t Kind, TLoc L) const {
  if (Kind == HostPosKindView) return LocToView(L);
  return {L.X, L.Y};
}

HostDocument::TLoc HostDocument::StartLoc() const {
  return (FAnchor.Y < FActive.Y || (FAnchor.Y == FActive.Y && FAnchor.X <= FActive.X)) ? FAnchor
                                                                                       : FActive;
}

HostDocument::TLoc HostDocument::EndLoc() const {
  return (FAnchor.Y < FActive.Y || (FAnchor.Y == FActive.Y && FAnchor.X <= FActive.X)) ? FActive
                                                                                       : FAnchor;
}

// Moves Count UTF-16 units forward, a CR LF counting 2; the cost is the lines passed over.
HostDocument::TLoc HostDocument::Advance(TLoc From, int64_t Count) {
  if (Count < 0) {
    Anomaly("negative character count " + std::to_string(Count));
    return From;
  }
  TLoc L = From;
  while (true) {
    const int64_t Content = LineLength(L.Y);
    const int64_t Whole = static_cast<int64_t>(FLines[L.Y].size());
    if (Count <= Content - L.X) {
      L.X += static_cast<int32_t>(Count);
      return L;
    }
    if (L.Y == LineCount() - 1) {
      Anomaly("character count runs past the end of the document by " +
              std::to_string(Count - (Content - L.X)));
      L.X = static_cast<int32_t>(Content);
      return L;
    }
    if (Count < Whole - L.X) {
      // Between the CR and the LF of a CR LF: a host keeps the pair together.
      Anomaly("character count ends inside the CR LF of line " + std::to_string(L.Y));
      return {L.Y + 1, 0};
    }
    Count -= Whole - L.X;
    L = {L.Y + 1, 0};
  }
}

std::u16string HostDocument::TextBetween(TLoc From, TLoc To) const {
  if (From.Y == To.Y) return FLines[From.Y].substr(From.X, To.X - From.X);
  std::u16string Result = FLines[From.Y].substr(From.X);
  for (int32_t Y = From.Y + 1; Y < To.Y; ++Y) Result += FLines[Y];
  Result.append(FLines[To.Y], 0, To.X);
  return Result;
}

// Replaces From..To by Text, touching only the lines From.Y..To.Y; the caret ends after the
// inserted text with nothing selected.
void HostDocument::Replace(TLoc From, TLoc To, std::u16string_view Text) {
  if (From.Y == To.Y && Text.find_first_of(u"\r\n") == std::u16string_view::npos) {
    // Inside one line and no break inserted: the line is edited in place.
    FLines[From.Y].replace(From.X, To.X - From.X, Text);
    const TLoc Caret{From.Y, From.X + static_cast<int32_t>(Text.size())};
    InvalidateView(From.Y);
    if (FRedraw) ++FEditsWhileRedrawOn;
    MoveCaret(Caret, Caret);
    return;
  }
  std::u16string Joined;
  const std::u16string& Last = FLines[To.Y];
  Joined.reserve(From.X + Text.size() + Last.size() - To.X);
  Joined.append(FLines[From.Y], 0, From.X);
  Joined.append(Text);
  const size_t CaretOffset = Joined.size();
  Joined.append(Last, To.X);
  const bool TouchesLastLine = To.Y == LineCount() - 1;

  std::vector<std::u16string> Pieces = SplitAfterBreaks(Joined);
  // Every line but the document's last ends with a break, so nothing follows it here.
  if (!TouchesLastLine) Pieces.pop_back();

  // Where the caret lands: the end of the inserted text, or the next line when the text's
  // final CR joined an LF that followed the selection.
  TLoc Caret{From.Y, 0};
  size_t Offset = CaretOffset;
  for (const auto& P : Pieces) {
    if (Offset <= P.size() - BreakLength(P)) {
      Caret.X = static_cast<int32_t>(Offset);
      break;
    }
    if (Offset < P.size()) {
      Caret = {Caret.Y + 1, 0};
      break;
    }
    Offset -= P.size();
    ++Caret.Y;
  }

  const size_t OldCount = static_cast<size_t>(To.Y - From.Y + 1);
  const size_t NewCount = Pieces.size();
  const size_t Common = std::min(OldCount, NewCount);
  const auto Base = FLines.begin() + From.Y;
  std::move(Pieces.begin(), Pieces.begin() + Common, Base);
  if (NewCount > OldCount) {
    FLines.insert(Base + Common, std::make_move_iterator(Pieces.begin() + Common),
                  std::make_move_iterator(Pieces.end()));
  } else if (NewCount < OldCount) {
    FLines.erase(Base + Common, Base + OldCount);
  }
  if (FLines.empty()) FLines.emplace_back();

  InvalidateView(From.Y);
  if (FRedraw) ++FEditsWhileRedrawOn;
  MoveCaret(Caret, Caret);
}

void HostDocument::MoveCaret(TLoc Anchor, TLoc Active) {
  FAnchor = Anchor;
  FActive = Active;
  ScrollToCaret();
}

void HostDocument::ScrollToCaret() {
  if (FViewHeight <= 0) return;
  const int32_t Row = LocToView(FActive).Y;
  if (Row < FScroll.Row) FScroll.Row = Row;
  if (Row >= FScroll.Row + FViewHeight) FScroll.Row = Row - FViewHeight + 1;
}

// ---- view lines ----

void HostDocument::InvalidateView(int32_t FromLine) {
  FViewValid = std::min(FViewValid, FromLine);
}

int32_t HostDocument::ViewRowsOf(int32_t Y) const {
  if (FWrapWidth <= 0) return 1;
  const int32_t Content = LineLength(Y);
  return Content == 0 ? 1 : (Content + FWrapWidth - 1) / FWrapWidth;
}

int32_t HostDocument::ViewStart(int32_t Y) const {
  if (FWrapWidth <= 0) return Y;
  if (FViewStart.size() != FLines.size()) FViewStart.resize(FLines.size());
  FViewValid = std::max(FViewValid, 0);
  if (FViewValid == 0 && Y >= 0) {
    FViewStart[0] = 0;
    FViewValid = 1;
  }
  while (FViewValid <= Y) {
    FViewStart[FViewValid] = FViewStart[FViewValid - 1] + ViewRowsOf(FViewValid - 1);
    ++FViewValid;
  }
  return FViewStart[Y];
}

int32_t HostDocument::ViewLineCount() const {
  return ViewStart(LineCount() - 1) + ViewRowsOf(LineCount() - 1);
}

HostDocument::TLoc HostDocument::ViewToLoc(THostPos P, bool* Valid) const {
  if (FWrapWidth <= 0) {
    const TLoc L = ClampQuiet(P);
    if (Valid != nullptr) *Valid = L.X == P.X && L.Y == P.Y;
    return L;
  }
  const int32_t Row = std::clamp(P.Y, 0, ViewLineCount() - 1);
  // The line whose rows hold Row: the last one starting at or before it.
  const auto It = std::upper_bound(FViewStart.begin(), FViewStart.begin() + LineCount(), Row);
  const int32_t Y = static_cast<int32_t>(It - FViewStart.begin()) - 1;
  const int32_t RowStart = (Row - FViewStart[Y]) * FWrapWidth;
  const int32_t RowLength = std::min(FWrapWidth, LineLength(Y) - RowStart);
  const int32_t X = std::clamp(P.X, 0, RowLength);
  if (Valid != nullptr) *Valid = Row == P.Y && X == P.X;
  return {Y, RowStart + X};
}

THostPos HostDocument::LocToView(TLoc L) const {
  if (FWrapWidth <= 0) return {L.X, L.Y};
  int32_t R = L.X / FWrapWidth;
  if (L.X > 0 && L.X == LineLength(L.Y) && L.X % FWrapWidth == 0) --R;
  return {L.X - R * FWrapWidth, ViewStart(L.Y) + R};
}

THostPos HostDocument::ToView(THostPos FilePos) const {
  return LocToView(ClampQuiet(FilePos));
}

THostPos HostDocument::ToFile(THostPos ViewPos) const {
  const TLoc L = ViewToLoc(ViewPos);
  return {L.X, L.Y};
}

void HostDocument::SetWrapWidth(int32_t Width) {
  FWrapWidth = std::max(Width, 0);
  FViewValid = 0;
}

int32_t HostDocument::WrapWidth() const {
  return FWrapWidth;
}

void HostDocument::SetViewHeight(int32_t Rows) {
  FViewHeight = Rows;
}

THostScrollPos HostDocument::ScrollPos() const {
  return FScroll;
}

void HostDocument::SetScrollPos(THostScrollPos Pos) {
  FScroll = Pos;
}

// ---- selection accessors ----

void HostDocument::Select(THostPos Anchor, THostPos Active) {
  FAnchor = ClampQuiet(Anchor);
  FActive = ClampQuiet(Active);
  FWholeSelected = false;
}

void HostDocument::SetCaret(THostPos P) {
  Select(P, P);
}

THostPos HostDocument::Caret() const {
  return {FActive.X, FActive.Y};
}

THostPos HostDocument::Anchor() const {
  return {FAnchor.X, FAnchor.Y};
}

bool HostDocument::HasSelection() const {
  return FAnchor.X != FActive.X || FAnchor.Y != FActive.Y;
}

THostPos HostDocument::SelStart() const {
  return {StartLoc().X, StartLoc().Y};
}

THostPos HostDocument::SelEnd() const {
  return {EndLoc().X, EndLoc().Y};
}

std::u16string HostDocument::SelectionText() const {
  return TextBetween(StartLoc(), EndLoc());
}

bool HostDocument::WholeDocumentSelected() const {
  return FWholeSelected;
}

// ---- state ----

void HostDocument::SetReadOnly(bool ReadOnly) {
  FReadOnly = ReadOnly;
}
bool HostDocument::ReadOnly() const {
  return FReadOnly;
}
void HostDocument::SetPath(std::u16string_view Path) {
  FPath = Path;
}
const std::u16string& HostDocument::Path() const {
  return FPath;
}
bool HostDocument::RedrawEnabled() const {
  return FRedraw;
}
int32_t HostDocument::RedrawSwitches() const {
  return FRedrawSwitches;
}
int32_t HostDocument::EditsWhileRedrawOn() const {
  return FEditsWhileRedrawOn;
}
uintptr_t HostDocument::LastEventValue() const {
  return FEventValue;
}
int32_t HostDocument::EventValueCount() const {
  return FEventValueCount;
}

// ---- log ----

const std::vector<THostLogEntry>& HostDocument::Log() const {
  return FLog;
}

void HostDocument::ClearLog() {
  FLog.clear();
  FMessageCount = 0;
  FCounts.fill(0);
  FAnomalies.clear();
}

void HostDocument::SetLogEnabled(bool Enabled) {
  FLogEnabled = Enabled;
}

int64_t HostDocument::MessageCount() const {
  return FMessageCount;
}

int64_t HostDocument::MessageCount(uint32_t Msg) const {
  const size_t Slot = CountSlot(Msg);
  if (Slot == 63) {
    int64_t N = 0;
    for (const auto& E : FLog) N += E.Msg == Msg;
    return N;
  }
  return FCounts[Slot];
}

const std::vector<std::string>& HostDocument::Anomalies() const {
  return FAnomalies;
}

void HostDocument::Anomaly(std::string What) {
  FAnomalies.push_back(std::move(What));
}

// Every message is counted and, while the log is on, recorded with its answer.
intptr_t HostDocument::Handle(uint32_t Msg, uintptr_t wParam, intptr_t lParam) {
  THostLogEntry Entry;
  Entry.Msg = Msg;
  Entry.WParam = wParam;
  Entry.LParam = lParam;
  const intptr_t Result = Dispatch(Entry);
  Entry.Result = Result;
  ++FMessageCount;
  ++FCounts[CountSlot(Msg)];
  if (FLogEnabled) FLog.push_back(std::move(Entry));
  return Result;
}
