// The host message protocol of HostDocument: one small handler per message, found by its id in
// one table that also names the messages for the log.

#include <algorithm>
#include <cstring>
#include <iterator>

#include "host/HostDocument.h"

namespace {

size_t ZeroEndedLength(const char16_t* S) {
  size_t N = 0;
  while (S[N] != 0) ++N;
  return N;
}

}  // namespace

const HostDocument::TMessage* HostDocument::FindMessage(uint32_t Msg) {
  static constexpr TMessage Messages[] = {
      {HostQueryCommand, "HostQueryCommand", &HostDocument::OnQueryCommand},
      {HostSendEventValue, "HostSendEventValue", &HostDocument::OnSendEventValue},
      {HostGetLineCount, "HostGetLineCount", &HostDocument::OnGetLineCount},
      {HostGetCaretPos, "HostGetCaretPos", &HostDocument::OnGetCaretPos},
      {HostGetScrollPos, "HostGetScrollPos", &HostDocument::OnGetScrollPos},
      {HostConvertPos, "HostConvertPos", &HostDocument::OnConvertPos},
      {HostSetCaretPos, "HostSetCaretPos", &HostDocument::OnSetCaretPos},
      {HostSetScrollPos, "HostSetScrollPos", &HostDocument::OnSetScrollPos},
      {HostExecCommand, "HostExecCommand", &HostDocument::OnExecCommand},
      {HostGetSelStart, "HostGetSelStart", &HostDocument::OnGetSelStart},
      {HostGetSelEnd, "HostGetSelEnd", &HostDocument::OnGetSelEnd},
      {HostSelectChars, "HostSelectChars", &HostDocument::OnSelectChars},
      {HostSetSelection, "HostSetSelection", &HostDocument::OnSetSelection},
      {HostSetRedraw, "HostSetRedraw", &HostDocument::OnSetRedraw},
      {HostHasSelection, "HostHasSelection", &HostDocument::OnHasSelection},
      {HostGetSelText, "HostGetSelText", &HostDocument::OnGetSelText},
      {HostGetLineText, "HostGetLineText", &HostDocument::OnGetLineText},
      {HostReplaceSel, "HostReplaceSel", &HostDocument::OnReplaceSel},
      {HostGetDocInfo, "HostGetDocInfo", &HostDocument::OnGetDocInfo},
  };
  const auto It = std::find_if(std::begin(Messages), std::end(Messages),
                               [Msg](const TMessage& M) { return M.Msg == Msg; });
  return It == std::end(Messages) ? nullptr : It;
}

const char* HostDocument::MessageName(uint32_t Msg) {
  const TMessage* M = FindMessage(Msg);
  return M != nullptr ? M->Name : "unknown message";
}

intptr_t HostDocument::Dispatch(THostLogEntry& Entry) {
  const TMessage* M = FindMessage(Entry.Msg);
  if (M == nullptr) {
    Anomaly("unknown message " + std::to_string(Entry.Msg));
    return 0;
  }
  return (this->*M->Handler)(Entry);
}

// ---- shared by the handlers ----

bool HostDocument::ReadPos(intptr_t P, const char* Name, THostPos& Out) {
  if (P == 0) {
    Anomaly(std::string(Name) + ": null position");
    return false;
  }
  std::memcpy(&Out, reinterpret_cast<const void*>(P), sizeof Out);
  return true;
}

// Answers a position into lParam; the log keeps it even when lParam is null.
intptr_t HostDocument::WritePos(THostLogEntry& Entry, const char* Name, THostPos P) {
  Entry.Pos = P;
  if (Entry.LParam == 0) {
    Anomaly(std::string(Name) + ": null position");
    return 0;
  }
  std::memcpy(reinterpret_cast<void*>(Entry.LParam), &P, sizeof P);
  return 1;
}

// Writes at most Size characters of Text and a terminating zero after them: Size counts the
// characters, the caller's buffer has room for the zero as well.
intptr_t HostDocument::CopyOut(std::u16string_view Text, uintptr_t Size, intptr_t Buffer,
                               THostLogEntry& Entry) {
  if (Buffer == 0) return static_cast<intptr_t>(Text.size());
  const size_t N = std::min<size_t>(Text.size(), Size);
  auto* Out = reinterpret_cast<char16_t*>(Buffer);
  std::copy_n(Text.data(), N, Out);
  Out[N] = 0;
  Entry.Text.assign(Text.data(), N);
  return static_cast<intptr_t>(N);
}

// ---- one handler per message ----

intptr_t HostDocument::OnQueryCommand(THostLogEntry& Entry) {
  uint8_t Answer = 0;
  if (Entry.WParam == HostCmdCanEdit) {
    Answer = FReadOnly ? 0 : 1;
  } else if (Entry.WParam == HostCmdSelectAll || Entry.WParam == HostCmdEndSelectAll) {
    Answer = 1;
  }
  if (Entry.LParam != 0) {
    *reinterpret_cast<uint8_t*>(Entry.LParam) = Answer;
  } else {
    Anomaly("HostQueryCommand without its scratch byte");
  }
  return Answer;
}

intptr_t HostDocument::OnSendEventValue(THostLogEntry& Entry) {
  FEventValue = Entry.WParam;
  ++FEventValueCount;
  return 0;
}

intptr_t HostDocument::OnGetLineCount(THostLogEntry& Entry) {
  if (Entry.WParam == HostPosKindFile) return LineCount();
  if (Entry.WParam == HostPosKindView) return ViewLineCount();
  Anomaly("HostGetLineCount: unknown position kind " + std::to_string(Entry.WParam));
  return 0;
}

intptr_t HostDocument::OnGetCaretPos(THostLogEntry& Entry) {
  return WritePos(Entry, "HostGetCaretPos", ToKind(Entry.WParam, FActive));
}

intptr_t HostDocument::OnGetSelStart(THostLogEntry& Entry) {
  return WritePos(Entry, "HostGetSelStart", ToKind(Entry.WParam, StartLoc()));
}

intptr_t HostDocument::OnGetSelEnd(THostLogEntry& Entry) {
  return WritePos(Entry, "HostGetSelEnd", ToKind(Entry.WParam, EndLoc()));
}

intptr_t HostDocument::OnConvertPos(THostLogEntry& Entry) {
  THostPos In{};
  if (!ReadPos(static_cast<intptr_t>(Entry.WParam), "HostConvertPos", In)) return 0;
  Entry.Pos = In;
  const THostPos Out = LocToView(Clamp(In, "HostConvertPos"));
  Entry.Pos2 = Out;
  if (Entry.LParam == 0) {
    Anomaly("HostConvertPos: null output");
    return 0;
  }
  std::memcpy(reinterpret_cast<void*>(Entry.LParam), &Out, sizeof Out);
  return 1;
}

intptr_t HostDocument::OnSetCaretPos(THostLogEntry& Entry) {
  THostPos P{};
  if (!ReadPos(Entry.LParam, "HostSetCaretPos", P)) return 0;
  Entry.Pos = P;
  const TLoc L = FromKind(Entry.WParam, P, "HostSetCaretPos");
  MoveCaret(L, L);
  return 1;
}

intptr_t HostDocument::OnGetScrollPos(THostLogEntry& Entry) {
  if (Entry.LParam == 0) {
    Anomaly("HostGetScrollPos: null record");
    return 0;
  }
  std::memcpy(reinterpret_cast<void*>(Entry.LParam), &FScroll, sizeof FScroll);
  return 1;
}

intptr_t HostDocument::OnSetScrollPos(THostLogEntry& Entry) {
  if (Entry.LParam == 0) {
    Anomaly("HostSetScrollPos: null record");
    return 0;
  }
  std::memcpy(&FScroll, reinterpret_cast<const void*>(Entry.LParam), sizeof FScroll);
  return 1;
}

intptr_t HostDocument::OnExecCommand(THostLogEntry& Entry) {
  if (Entry.WParam == HostCmdSelectAll) {
    const TLoc End{LineCount() - 1, LineLength(LineCount() - 1)};
    MoveCaret({0, 0}, End);
    FWholeSelected = true;
  } else if (Entry.WParam == HostCmdEndSelectAll) {
    if (!FWholeSelected) Anomaly("host command 4187 without 4136 before it");
    FWholeSelected = false;
    MoveCaret(FActive, FActive);
  } else {
    Anomaly("HostExecCommand: unknown command " + std::to_string(Entry.WParam));
  }
  return 0;
}

intptr_t HostDocument::OnSelectChars(THostLogEntry& Entry) {
  const int64_t Count = static_cast<int64_t>(static_cast<intptr_t>(Entry.WParam));
  Entry.Pos = {static_cast<int32_t>(Count), 0};
  const TLoc From = FActive;
  MoveCaret(From, Advance(From, Count));
  return 1;
}

intptr_t HostDocument::OnSetSelection(THostLogEntry& Entry) {
  THostPos A{};
  THostPos B{};
  if (!ReadPos(static_cast<intptr_t>(Entry.WParam), "HostSetSelection anchor", A) ||
      !ReadPos(Entry.LParam, "HostSetSelection active", B)) {
    return 0;
  }
  Entry.Pos = A;
  Entry.Pos2 = B;
  const TLoc LA = FromKind(HostPosKindView, A, "HostSetSelection anchor");
  const TLoc LB = FromKind(HostPosKindView, B, "HostSetSelection active");
  MoveCaret(LA, LB);
  return 1;
}

intptr_t HostDocument::OnSetRedraw(THostLogEntry& Entry) {
  if (Entry.WParam > 1) Anomaly("HostSetRedraw: switch " + std::to_string(Entry.WParam));
  FRedraw = Entry.WParam != 0;
  ++FRedrawSwitches;
  return 0;
}

intptr_t HostDocument::OnHasSelection(THostLogEntry& /*Entry*/) {
  return HasSelection() ? 1 : 0;
}

intptr_t HostDocument::OnGetSelText(THostLogEntry& Entry) {
  return CopyOut(SelectionText(), Entry.WParam, Entry.LParam, Entry);
}

intptr_t HostDocument::OnGetLineText(THostLogEntry& Entry) {
  if (Entry.WParam == 0) {
    Anomaly("HostGetLineText: null request");
    return 0;
  }
  THostLineRequest Req{};
  std::memcpy(&Req, reinterpret_cast<const void*>(Entry.WParam), sizeof Req);
  Entry.Pos = {Req.Length, Req.Line};
  Entry.Pos2 = {Req.Options, 0};
  if (Req.Line < 0 || Req.Line >= LineCount()) {
    Anomaly("HostGetLineText: line " + std::to_string(Req.Line) + " does not exist");
    if (Entry.LParam != 0) *reinterpret_cast<char16_t*>(Entry.LParam) = 0;
    return 0;
  }
  std::u16string_view Text = Line(Req.Line);
  // Option 2 asks for the line with its break; without it the break is left out.
  if ((Req.Options & 2) == 0) Text = Text.substr(0, LineLength(Req.Line));
  if (Entry.LParam != 0 && Req.Length < 0) {
    Anomaly("HostGetLineText: negative buffer length");
    return 0;
  }
  return CopyOut(Text, static_cast<uintptr_t>(std::max(Req.Length, 0)), Entry.LParam, Entry);
}

intptr_t HostDocument::OnReplaceSel(THostLogEntry& Entry) {
  if (Entry.LParam == 0) {
    Anomaly("HostReplaceSel: null text");
    return 0;
  }
  const auto* T = reinterpret_cast<const char16_t*>(Entry.LParam);
  Entry.Text.assign(T, ZeroEndedLength(T));
  if (FReadOnly) {
    Anomaly("HostReplaceSel on a read-only document");
    return 0;
  }
  Replace(StartLoc(), EndLoc(), Entry.Text);
  return 1;
}

intptr_t HostDocument::OnGetDocInfo(THostLogEntry& Entry) {
  if (Entry.WParam != HostDocInfoFullPath) {
    Anomaly("HostGetDocInfo: unknown info code " + std::to_string(Entry.WParam));
    return 0;
  }
  return CopyOut(std::u16string_view(FPath).substr(0, HostDocPathLength - 1), HostDocPathLength - 1,
                 Entry.LParam, Entry);
}
