#include "plugin/PluginLibrary.h"

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

}  // namespace

THostPos GetHostPos(HWND hwnd, uint32_t Msg, uint32_t Kind) {
  THostPos P{0, 0};
  SendMessageW(hwnd, Msg, Kind, ParamCast<LPARAM>(&P));
  if (P.X < 0 || P.Y < 0) {
    throw EHostAnswerError("the host reported the position (" + std::to_string(P.X) + ", " +
                           std::to_string(P.Y) + ")");
  }
  return P;
}

std::u16string GetSelectedText(HWND hwnd) {
  const LRESULT Length = SendMessageW(hwnd, HostGetSelText, 0, 0);
  return ReadHostText(Length, "HostGetSelText", [hwnd](size_t Size, char16_t* Buffer) {
    SendMessageW(hwnd, HostGetSelText, Size, ParamCast<LPARAM>(WideCast<WCHAR>(Buffer)));
  });
}

std::u16string GetLineText(HWND hwnd, int32_t Line, TLineOptions Options) {
  THostLineRequest Request{0, Options, Line};
  const LRESULT Length = SendMessageW(hwnd, HostGetLineText, ParamCast<WPARAM>(&Request), 0);
  return ReadHostText(Length, "HostGetLineText", [&](size_t Size, char16_t* Buffer) {
    Request.Length = static_cast<int32_t>(Size);  // at most HostTextLimit
    SendMessageW(hwnd, HostGetLineText, ParamCast<WPARAM>(&Request),
                 ParamCast<LPARAM>(WideCast<WCHAR>(Buffer)));
  });
}

bool IsCaretAtSelectionEnd(HWND hwnd) {
  const THostPos S = GetHostPos(hwnd, HostGetSelStart, HostPosKindView);
  const THostPos E = GetHostPos(hwnd, HostGetSelEnd, HostPosKindView);
  const THostPos P = GetHostPos(hwnd, HostGetCaretPos, HostPosKindView);
  if (SamePos(P, S)) return false;
  return SamePos(P, E);
}

bool SamePos(THostPos A, THostPos B) {
  return A.X == B.X && A.Y == B.Y;
}

std::u16string GetDocumentPath(HWND hwnd) {
  std::vector<char16_t> Buffer(HostDocPathLength + 1, u'\0');
  SendMessageW(hwnd, HostGetDocInfo, HostDocInfoFullPath,
               ParamCast<LPARAM>(WideCast<WCHAR>(Buffer.data())));
  const std::u16string_view Path(Buffer.data(), HostDocPathLength);
  return std::u16string(Path.substr(0, Path.find(u'\0')));
}

int32_t MinInt(int32_t A, int32_t B) {
  return A < B ? A : B;
}

bool CanEditDocument(HWND hwnd) {
  uint8_t Scratch[1] = {0};  // the host may write into it; it is never read
  const LRESULT Answer =
      SendMessageW(hwnd, HostQueryCommand, HostCmdCanEdit, ParamCast<LPARAM>(Scratch));
  return (static_cast<uintptr_t>(Answer) & 0xFF) == 1;
}

TEditorState ReadEditorState(HWND hwnd) {
  TEditorState State;
  State.SelStart = GetHostPos(hwnd, HostGetSelStart, HostPosKindFile);
  State.SelEnd = GetHostPos(hwnd, HostGetSelEnd, HostPosKindFile);
  SendMessageW(hwnd, HostGetScrollPos, 0, ParamCast<LPARAM>(&State.Scroll));
  State.NothingSelected = SendMessageW(hwnd, HostHasSelection, 0, 0) == 0;
  State.CanEdit = CanEditDocument(hwnd);
  return State;
}
