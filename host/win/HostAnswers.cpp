// The document's answers to the plug-in's host messages, sent to the editor window: HostDocument
// answers them, except the wrong answers --fault asks for.

#include "host/win/HostAnswers.h"

#include "host/win/HostWindow.h"
#include "plugin/plugin.h"

namespace {

// The wrong answers --fault can give: the length asked for first in the two-call protocol of
// HostGetSelText, or the caret position.
bool AnswerWrongly(THostFaults& Faults, UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  if (Faults.Name == "sellength" && Msg == HostGetSelText && wParam == 0) {
    Result = -7;
  } else if (Faults.Name == "caretpos" && Msg == HostGetCaretPos && lParam != 0) {
    *reinterpret_cast<THostPos*>(lParam) = THostPos{-1, -1};
    Result = 0;
  } else {
    return false;
  }
  ++Faults.Injected;
  return true;
}

}  // namespace

bool IsHostMessage(UINT Msg) {
  return Msg >= HostQueryCommand && Msg <= HostGetDocInfo;
}

LRESULT AnswerHostMessage(HWND Window, UINT Msg, WPARAM wParam, LPARAM lParam) {
  THostApp& Host = App();
  LRESULT Wrong = 0;
  if (AnswerWrongly(Host.Faults, Msg, wParam, lParam, Wrong)) return Wrong;
  const intptr_t Result =
      Host.Doc.Handle(Msg, static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam));
  if (Host.Doc.RedrawEnabled()) InvalidateRect(Window, nullptr, TRUE);
  return static_cast<LRESULT>(Result);
}
