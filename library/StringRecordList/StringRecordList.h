#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

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

// CR LF, CR, LF: the line breaks, in order of preference.
inline constexpr std::u16string_view LineBreaks[3] = {u"\r\n", u"\r", u"\n"};

// A TRecordList that converts to and from whole texts.
class TCommonStringRecordList : public TRecordList {
 public:
  // All items joined, nothing added between them.
  [[nodiscard]] std::u16string Text() const;
  // Splits Value into lines at CR LF, CR or LF; every line keeps its own break and a final
  // break gives no empty line after it.
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
