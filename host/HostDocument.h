#pragma once

// A model of the host editor's document that answers the host messages of plugin/plugin.h:
// lines keeping their own breaks, an anchor/active selection, the caret, two position kinds,
// the two-call text protocol, the host commands, the scroll record, the redraw switch, the
// read-only flag and the path. It logs every message it receives so tests can assert exactly
// what a plug-in touched. Portable: no <windows.h>; a fake SendMessageW (native tests) or a
// real window procedure (the Windows test host) forwards messages to Handle().
//
// Document lines (position kind 2): the text split after every CR LF, lone CR or lone LF;
// a text that ends with a line break has an empty last line after it, so there is always at
// least one line. Column X counts UTF-16 units of the line without its break.
// View lines (position kind 0): the document lines wrapped every WrapWidth() characters
// (wrapping is off by default, and then both kinds agree). A position at a wrap point belongs
// to the start of the next view line, except at the very end of a document line.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/plugin.h"

// One received message, decoded enough to assert on.
struct THostLogEntry {
  uint32_t Msg = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
  // Get/SetCaretPos, GetSelStart/End: the position read or written (in the message's kind);
  // HostSetSelection: the anchor; HostConvertPos: the kind 2 input; HostSelectChars: X = the
  // count; HostGetLineText: X = the request's length, Y = its line.
  THostPos Pos{0, 0};
  // HostSetSelection: the active end; HostConvertPos: the kind 0 output; HostGetLineText:
  // X = the request's options.
  THostPos Pos2{0, 0};
  // HostReplaceSel: the text received; HostGetSelText / HostGetLineText / HostGetDocInfo with a
  // buffer: the characters written into it (without the terminating zero).
  std::u16string Text;
};

class HostDocument {
 public:
  HostDocument();
  explicit HostDocument(std::u16string_view Text);

  // Answers one message. wParam / lParam carry numbers or pointers (THostPos*, buffers, texts)
  // exactly as on Windows; texts received are zero-ended UTF-16.
  intptr_t Handle(uint32_t Msg, uintptr_t wParam, intptr_t lParam);

  // Text. SetText puts the caret at (0, 0) with nothing selected; the log is kept.
  [[nodiscard]] std::u16string Text() const;
  void SetText(std::u16string_view Text);
  [[nodiscard]] int32_t LineCount() const;
  [[nodiscard]] std::u16string_view Line(int32_t Y) const;  // with its line break
  [[nodiscard]] int32_t LineLength(int32_t Y) const;        // without its line break

  // Selection and caret in kind 2. The caret is the active end; positions are clamped.
  void Select(THostPos Anchor, THostPos Active);
  void SetCaret(THostPos P);  // nothing selected afterwards
  [[nodiscard]] THostPos Caret() const;
  [[nodiscard]] THostPos Anchor() const;
  [[nodiscard]] bool HasSelection() const;
  [[nodiscard]] THostPos SelStart() const;
  [[nodiscard]] THostPos SelEnd() const;
  [[nodiscard]] std::u16string SelectionText() const;
  [[nodiscard]] bool WholeDocumentSelected() const;  // between host commands 4136 and 4187

  // View (kind 0). Width 0 turns wrapping off.
  void SetWrapWidth(int32_t Width);
  [[nodiscard]] int32_t WrapWidth() const;
  [[nodiscard]] THostPos ToView(THostPos FilePos) const;
  [[nodiscard]] THostPos ToFile(THostPos ViewPos) const;
  [[nodiscard]] int32_t ViewLineCount() const;
  // The view shows ViewHeight rows from ScrollPos().Row; a caret moved by a message outside
  // them scrolls the view, as an editor does.
  void SetViewHeight(int32_t Rows);
  [[nodiscard]] THostScrollPos ScrollPos() const;
  void SetScrollPos(THostScrollPos Pos);

  // Editor state.
  void SetReadOnly(bool ReadOnly);  // HostQueryCommand(4201) answers 0; edits are refused
  [[nodiscard]] bool ReadOnly() const;
  void SetPath(std::u16string_view Path);  // at most 260 characters are handed out
  [[nodiscard]] const std::u16string& Path() const;
  [[nodiscard]] bool RedrawEnabled() const;
  [[nodiscard]] int32_t RedrawSwitches() const;      // HostSetRedraw messages received
  [[nodiscard]] int32_t EditsWhileRedrawOn() const;  // text changes made with redraw on
  [[nodiscard]] uintptr_t LastEventValue() const;    // from HostSendEventValue
  [[nodiscard]] int32_t EventValueCount() const;

  // Log. Counting goes on when the detailed log is switched off (for long benchmarks).
  [[nodiscard]] const std::vector<THostLogEntry>& Log() const;
  void ClearLog();  // clears the entries, the counters and the anomalies
  void SetLogEnabled(bool Enabled);
  [[nodiscard]] int64_t MessageCount() const;
  [[nodiscard]] int64_t MessageCount(uint32_t Msg) const;
  // Requests a real host would reject or misread: positions out of range, a selection ending
  // inside a CR LF, an edit of a read-only document, unknown messages or ids, null pointers.
  [[nodiscard]] const std::vector<std::string>& Anomalies() const;
  [[nodiscard]] static const char* MessageName(uint32_t Msg);

 private:
  // A position as a line index and a column within the line's text (break excluded).
  struct TLoc {
    int32_t Y;
    int32_t X;
  };

  TLoc Clamp(THostPos P, const char* What);
  [[nodiscard]] TLoc ClampQuiet(THostPos P) const;
  [[nodiscard]] TLoc FromKind(uintptr_t Kind, THostPos P, const char* What);
  [[nodiscard]] THostPos ToKind(uintptr_t Kind, TLoc L) const;
  [[nodiscard]] TLoc StartLoc() const;
  [[nodiscard]] TLoc EndLoc() const;
  [[nodiscard]] TLoc Advance(TLoc From, int64_t Count);
  [[nodiscard]] std::u16string TextBetween(TLoc From, TLoc To) const;
  void Replace(TLoc From, TLoc To, std::u16string_view Text);
  void MoveCaret(TLoc Anchor, TLoc Active);
  void ScrollToCaret();
  void InvalidateView(int32_t FromLine);
  [[nodiscard]] int32_t ViewRowsOf(int32_t Y) const;
  [[nodiscard]] int32_t ViewStart(int32_t Y) const;
  [[nodiscard]] TLoc ViewToLoc(THostPos ViewPos, bool* Valid = nullptr) const;
  [[nodiscard]] THostPos LocToView(TLoc L) const;
  void Anomaly(std::string What);

  // The protocol (HostMessages.cpp): one handler per message, found by Dispatch in a table.
  // A handler reads wParam and lParam from the entry and records what it decoded there.
  using THandler = intptr_t (HostDocument::*)(THostLogEntry& Entry);
  struct TMessage {
    uint32_t Msg;
    const char* Name;
    THandler Handler;
  };
  [[nodiscard]] static const TMessage* FindMessage(uint32_t Msg);
  intptr_t Dispatch(THostLogEntry& Entry);
  bool ReadPos(intptr_t P, const char* Name, THostPos& Out);
  intptr_t WritePos(THostLogEntry& Entry, const char* Name, THostPos P);
  intptr_t CopyOut(std::u16string_view Text, uintptr_t Size, intptr_t Buffer, THostLogEntry& Entry);
  intptr_t OnQueryCommand(THostLogEntry& Entry);
  intptr_t OnSendEventValue(THostLogEntry& Entry);
  intptr_t OnGetLineCount(THostLogEntry& Entry);
  intptr_t OnGetCaretPos(THostLogEntry& Entry);
  intptr_t OnGetScrollPos(THostLogEntry& Entry);
  intptr_t OnConvertPos(THostLogEntry& Entry);
  intptr_t OnSetCaretPos(THostLogEntry& Entry);
  intptr_t OnSetScrollPos(THostLogEntry& Entry);
  intptr_t OnExecCommand(THostLogEntry& Entry);
  intptr_t OnGetSelStart(THostLogEntry& Entry);
  intptr_t OnGetSelEnd(THostLogEntry& Entry);
  intptr_t OnSelectChars(THostLogEntry& Entry);
  intptr_t OnSetSelection(THostLogEntry& Entry);
  intptr_t OnSetRedraw(THostLogEntry& Entry);
  intptr_t OnHasSelection(THostLogEntry& Entry);
  intptr_t OnGetSelText(THostLogEntry& Entry);
  intptr_t OnGetLineText(THostLogEntry& Entry);
  intptr_t OnReplaceSel(THostLogEntry& Entry);
  intptr_t OnGetDocInfo(THostLogEntry& Entry);

  std::vector<std::u16string> FLines;  // each keeps its break; the last one has none
  TLoc FAnchor{0, 0};
  TLoc FActive{0, 0};
  bool FWholeSelected = false;
  int32_t FWrapWidth = 0;
  int32_t FViewHeight = 40;
  THostScrollPos FScroll{0, 0};
  bool FReadOnly = false;
  std::u16string FPath;
  bool FRedraw = true;
  int32_t FRedrawSwitches = 0;
  int32_t FEditsWhileRedrawOn = 0;
  uintptr_t FEventValue = 0;
  int32_t FEventValueCount = 0;
  bool FLogEnabled = true;
  std::vector<THostLogEntry> FLog;
  int64_t FMessageCount = 0;
  std::array<int64_t, 64> FCounts{};  // by Msg - HostQueryCommand; others in the last slot
  std::vector<std::string> FAnomalies;
  // First view row of every line, valid for lines below FViewValid (wrapping only).
  mutable std::vector<int32_t> FViewStart;
  mutable int32_t FViewValid = 0;
};
