#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/TemplateList/ListClone.h"

// An ordered list of strings, each in a heap cell of its own held by pointer in FList.
// The list owns its cells. Indexes are 0-based and checked as TListClone checks them,
// before anything changes.
class TRecordList {
 public:
  TRecordList() = default;
  virtual ~TRecordList();
  TRecordList(const TRecordList&) = delete;
  TRecordList& operator=(const TRecordList&) = delete;

  // Appends a cell holding Item; returns its index.
  int32_t Add(std::u16string Item);
  // Places a cell holding Item at Index (0..Count).
  void Insert(int32_t Index, std::u16string Item);
  void Delete(int32_t Index);
  // Disposes every cell; count and capacity become 0.
  void Clear();
  void Exchange(int32_t Index1, int32_t Index2);
  void Move(int32_t CurIndex, int32_t NewIndex);
  // Replaces the content by Source's strings; a nil Source, or the list itself, changes
  // nothing.
  virtual void Assign(const TRecordList* Source);
  // Index of the first item equal to Value (exact, code unit by code unit), -1 if none.
  [[nodiscard]] int32_t IndexOf(std::u16string_view Value) const;

  [[nodiscard]] int32_t Count() const { return FList.Count(); }
  // Larger: appends empty strings. Smaller: deletes from the end down to NewCount.
  // Negative: deletes every item, then raises the list fault.
  void SetCount(int32_t NewCount);
  [[nodiscard]] const std::u16string& Items(int32_t Index) const;
  void SetItems(int32_t Index, std::u16string Value);

 protected:
  [[nodiscard]] std::u16string* Cell(int32_t Index) const {
    return static_cast<std::u16string*>(FList.GetItem(Index));
  }

  TListClone FList;
};

// How SplitText treats the delimiters it finds.
enum TSplitMode : uint8_t {
  smAttach = 0,             // a delimiter stays at the end of the piece before it
  smDrop = 1,               // delimiters removed, empty pieces kept
  smDropSkipEmpty = 2,      // delimiters removed, empty pieces skipped
  smSeparate = 3,           // each delimiter a piece of its own, empty pieces kept
  smSeparateSkipEmpty = 4,  // each delimiter a piece of its own, empty pieces skipped
};

// Where a delimiter was found: Position in the text (0-based) and the delimiter's Length.
// Length 0: no delimiter from the search position on; Position is then the text's length.
struct TDelimiterMatch {
  size_t Position;
  size_t Length;
};

// Finds delimiters the way the splitter tries them: at each position the delimiters in array
// order, the first that lies wholly in the text and matches code unit by code unit wins; an
// empty delimiter never matches. Holds a view of Delimiters, which must outlive it.
class TDelimiterFinder {
 public:
  explicit TDelimiterFinder(std::span<const std::u16string_view> Delimiters);

  // The first match in S at or after From (From <= S.size()).
  [[nodiscard]] TDelimiterMatch Next(std::u16string_view S, size_t From) const;

 private:
  // Length of the delimiter that wins at P, 0 if none does.
  [[nodiscard]] size_t MatchAt(std::u16string_view S, size_t P) const;

  std::span<const std::u16string_view> FDelimiters;
  // The distinct first code units of the non-empty delimiters, the last one repeated to fill
  // the array; FFirstCount 0: no delimiter can ever match.
  char16_t FFirst[4] = {};
  size_t FFirstCount = 0;
  // More than four distinct first code units: positions are screened by low byte instead.
  bool FManyFirst = false;
  bool FMayStart[256] = {};
};

// ForEachPiece() — the pieces of S as SplitText makes them, in order, handed to Visit as views
// over S (nothing is copied). Scanning from the start, the winning delimiter D at a position
// ends the current piece; by Mode:
//   smAttach            piece up to and including D; a non-empty tail is the last piece
//   smDrop              piece before D (even empty), D dropped; the tail always follows
//   smDropSkipEmpty     piece before D if non-empty, D dropped; a non-empty tail follows
//   smSeparate          piece before D (even empty), then D; the tail always follows
//   smSeparateSkipEmpty piece before D if non-empty, then D; a non-empty tail follows
// So smDrop gives n + 1 pieces for n delimiters, and smAttach pieces join back to S.
// With the one delimiter "," in mode smDrop, u"a,,b" is visited as u"a", u"", u"b".
template <typename TVisit>
void ForEachPiece(std::u16string_view S, std::span<const std::u16string_view> Delimiters,
                  TSplitMode Mode, TVisit&& Visit) {
  const TDelimiterFinder Finder(Delimiters);
  const bool KeepEmpty = Mode == smDrop || Mode == smSeparate;
  size_t Start = 0;
  for (;;) {
    const TDelimiterMatch M = Finder.Next(S, Start);
    if (M.Length == 0) break;
    if (Mode == smAttach) {
      Visit(S.substr(Start, M.Position + M.Length - Start));
    } else {
      if (KeepEmpty || M.Position > Start) Visit(S.substr(Start, M.Position - Start));
      if (Mode == smSeparate || Mode == smSeparateSkipEmpty) Visit(S.substr(M.Position, M.Length));
    }
    Start = M.Position + M.Length;
  }
  // The tail after the last delimiter; empty when S ends with one.
  if (KeepEmpty || Start < S.size()) Visit(S.substr(Start));
}

// SplitPieces() — the pieces of ForEachPiece() collected in order. With the delimiters "::"
// then ":" in mode smDrop, u"x::y:z" gives {u"x", u"y", u"z"}.
[[nodiscard]] std::vector<std::u16string_view> SplitPieces(
    std::u16string_view S, std::span<const std::u16string_view> Delimiters, TSplitMode Mode);

// SplitLines() — the lines of Text exactly as TCommonStringRecordList::SetText stores them,
// as views over Text (ForEachLine's rule: CR LF, lone CR or lone LF, each line keeping its own
// break, no empty line after a final break, none at all for the empty text). Joined, they give
// Text.
//   SplitLines(u"a\r\n\nb\r") == {u"a\r\n", u"\n", u"b\r"}
[[nodiscard]] std::vector<std::u16string_view> SplitLines(std::u16string_view Text);

// CheckLineCount() — raises the list's capacity fault when Count lines could not be held in one
// line list, for the places that hold their lines as views but keep the list's limit.
void CheckLineCount(uint64_t Count);

// A TRecordList that converts to and from whole texts.
class TCommonStringRecordList : public TRecordList {
 public:
  // All items joined, nothing added between them.
  [[nodiscard]] std::u16string Text() const;
  // Splits Value into lines by ForEachLine's rule (CR LF, CR or LF); every line keeps its own
  // break and a final break gives no empty line after it.
  void SetText(std::u16string_view Value);

  // Items joined with Delimiter between neighbours.
  [[nodiscard]] std::u16string GetDelimitedText(std::u16string_view Delimiter) const;
  // Replaces the content by the pieces of Value between delimiters: n matched delimiters
  // give n + 1 items. At one position the earlier delimiter wins; an empty one never matches.
  void SetDelimitedText(std::u16string_view Value, std::span<const std::u16string_view> Delimiters);
  void SetDelimitedText(std::u16string_view Value,
                        std::initializer_list<std::u16string_view> Delimiters);

 protected:
  // Clears the list, then fills it with the pieces of S.
  void SplitText(std::u16string_view S, std::span<const std::u16string_view> Delimiters,
                 TSplitMode Mode);
};
