#include "plugin/PluginLibrary.h"

#include <limits>
#include <string_view>
#include <vector>

namespace {

// Second call of the two-call protocol: Length is the first call's answer; Fetch fills a
// zeroed buffer of Length characters plus a zero. The text ends at the first zero character.
template <typename TFetch>
std::u16string ReadHostText(LRESULT Length, const char* What, TFetch Fetch) {
  if (Length < 0 || Length > HostTextLimit) {
    throw EHostAnswerError(std::string(What) + " reported the text length " +
                           std::to_string(Length));
  }
  const size_t N = static_cast<size_t>(Length);
  // A heap block of exactly N + 1 units, so a sanitizer sees any write beyond it.
  std::vector<char16_t> Buffer(N + 1, u'\0');
  Fetch(N, Buffer.data());
  const std::u16string_view Text(Buffer.data(), N);
  return std::u16string(Text.substr(0, Text.find(u'\0')));
}

template <typename T>
WPARAM AsWParam(T* P) {
  return reinterpret_cast<WPARAM>(P);
}

template <typename T>
LPARAM AsLParam(T* P) {
  return reinterpret_cast<LPARAM>(P);
}

}  // namespace

LRESULT SendHost(HWND hwnd, uint32_t Msg, WPARAM wParam, LPARAM lParam) {
  return SendMessageW(hwnd, Msg, wParam, lParam);
}

THostPos GetHostPos(HWND hwnd, uint32_t Msg, uint32_t Kind) {
  THostPos P{0, 0};
  SendHost(hwnd, Msg, Kind, AsLParam(&P));
  if (P.X < 0 || P.Y < 0) {
    throw EHostAnswerError("the host reported the position (" + std::to_string(P.X) + ", " +
                           std::to_string(P.Y) + ")");
  }
  return P;
}

void SetHostCaretPos(HWND hwnd, uint32_t Kind, THostPos Pos) {
  SendHost(hwnd, HostSetCaretPos, Kind, AsLParam(&Pos));
}

std::u16string GetSelectedText(HWND hwnd) {
  const LRESULT Length = SendHost(hwnd, HostGetSelText, 0, 0);
  return ReadHostText(Length, "HostGetSelText", [hwnd](size_t Size, char16_t* Buffer) {
    SendHost(hwnd, HostGetSelText, Size, AsLParam(WideCast<WCHAR>(Buffer)));
  });
}

std::u16string GetLineText(HWND hwnd, int32_t Line, TLineOptions Options) {
  THostLineRequest Request{0, Options, Line};
  const LRESULT Length = SendHost(hwnd, HostGetLineText, AsWParam(&Request), 0);
  return ReadHostText(Length, "HostGetLineText", [&](size_t Size, char16_t* Buffer) {
    Request.Length = static_cast<int32_t>(Size);  // at most HostTextLimit
    SendHost(hwnd, HostGetLineText, AsWParam(&Request), AsLParam(WideCast<WCHAR>(Buffer)));
  });
}

void SelectWholeLines(HWND hwnd) {
  THostPos S = GetHostPos(hwnd, HostGetSelStart, HostPosKindFile);
  THostPos E = GetHostPos(hwnd, HostGetSelEnd, HostPosKindFile);
  const bool CaretAtEnd = IsCaretAtSelectionEnd(hwnd);
  S.X = 0;
  if (E.Y == S.Y || E.X != 0) {
    const LRESULT LineCount = SendHost(hwnd, HostGetLineCount, HostPosKindFile, 0);
    if (int64_t{E.Y} == int64_t{LineCount} - 1) {
      // The last line has no break to include: the selection ends at its end.
      E.X = static_cast<int32_t>(GetLineText(hwnd, E.Y, loDocumentLine).size());
    } else {
      if (E.Y == std::numeric_limits<int32_t>::max()) {
        throw EHostAnswerError("the selection ends on the last possible line");
      }
      E.Y += 1;
      E.X = 0;
    }
  }
  SendHost(hwnd, HostConvertPos, AsWParam(&S), AsLParam(&S));
  SendHost(hwnd, HostConvertPos, AsWParam(&E), AsLParam(&E));
  SendHost(hwnd, HostSetSelection, AsWParam(&S), AsLParam(&E));
  RestoreSelectionDirection(hwnd, CaretAtEnd);
}

bool IsCaretAtSelectionEnd(HWND hwnd) {
  const THostPos S = GetHostPos(hwnd, HostGetSelStart, HostPosKindView);
  const THostPos E = GetHostPos(hwnd, HostGetSelEnd, HostPosKindView);
  const THostPos P = GetHostPos(hwnd, HostGetCaretPos, HostPosKindView);
  if (SamePos(P, S)) return false;
  return SamePos(P, E);
}

void RestoreSelectionDirection(HWND hwnd, bool CaretAtEnd) {
  const THostPos S = GetHostPos(hwnd, HostGetSelStart, HostPosKindView);
  const THostPos E = GetHostPos(hwnd, HostGetSelEnd, HostPosKindView);
  if (CaretAtEnd) {
    ApplySelection(hwnd, S, E);
  } else {
    ApplySelection(hwnd, E, S);
  }
}

void ApplySelection(HWND hwnd, THostPos Anchor, THostPos Active) {
  if (SamePos(Anchor, Active)) {
    SetHostCaretPos(hwnd, HostPosKindView, Anchor);
  } else {
    SendHost(hwnd, HostSetSelection, AsWParam(&Anchor), AsLParam(&Active));
  }
}

bool SamePos(THostPos A, THostPos B) {
  return A.X == B.X && A.Y == B.Y;
}

std::u16string GetDocumentPath(HWND hwnd) {
  std::vector<char16_t> Buffer(HostDocPathLength + 1, u'\0');
  SendHost(hwnd, HostGetDocInfo, HostDocInfoFullPath, AsLParam(WideCast<WCHAR>(Buffer.data())));
  const std::u16string_view Path(Buffer.data(), HostDocPathLength);
  return std::u16string(Path.substr(0, Path.find(u'\0')));
}

int32_t MinInt(int32_t A, int32_t B) {
  return A < B ? A : B;
}
