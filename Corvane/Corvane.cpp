// The exports of Corvane.dll: the host's general queries, the event value, the resource ids and
// the entry of the plug-in's command. Each export that can fail runs its body inside
// CallGuarded, so no exception ever reaches the host.

#include "Corvane/Corvane.h"

#include <climits>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "Corvane/CommandMenu.h"
#include "library/AssertUnit/AssertUnit.h"
#include "library/UtfUnit/UtfUnit.h"
#include "plugin/plugin.h"

namespace {

// Single-byte strings in code page 932, handed to the host by PlugInProc.
constexpr char PlugInName[] = "Corvane";
constexpr char PlugInVersion[] = "Version 2.4.2";
constexpr UINT PlugInCodePage = 932;

// The last value given with PlugInEventStoreValue; pointer-sized so x64 passes it on whole.
LPARAM EventValue = 0;

// The failure goes to the debugger's output only: the plug-in shows no errors of its own.
void ReportFailure(const char16_t* Export, std::u16string_view Message) noexcept {
  try {
    std::u16string Line = u"Corvane: ";
    Line += Export;
    Line += u": ";
    Line += Message;
    Line += u"\n";
    OutputDebugStringW(WideCast<const WCHAR>(Line.c_str()));
  } catch (...) {
    OutputDebugStringW(WideCast<const WCHAR>(u"Corvane: failure while reporting a failure\n"));
  }
}

// Text in the plug-in's own code page (its name strings) as UTF-16.
std::u16string FromCodePage(UINT CodePage, const char* Text) {
  const int Length = MultiByteToWideChar(CodePage, 0, Text, -1, nullptr, 0);
  if (Length <= 1) return {};
  std::u16string Result(static_cast<size_t>(Length), u'\0');
  MultiByteToWideChar(CodePage, 0, Text, -1, WideCast<WCHAR>(Result.data()), Length);
  Result.resize(static_cast<size_t>(Length - 1));
  return Result;
}

// Runs Body; any exception it lets out is reported and goes no further.
template <typename TBody>
void CallGuarded(const char16_t* Export, TBody&& Body) noexcept {
  try {
    Body();
  } catch (const EAssertionFailed& E) {
    ReportFailure(Export, E.Message());
  } catch (const std::exception& E) {
    try {
      ReportFailure(Export, Utf8ToUtf16Lenient(E.what()));
    } catch (...) {
      ReportFailure(Export, u"exception");
    }
  } catch (...) {
    ReportFailure(Export, u"unknown exception");
  }
}

// Runs Body and returns its result, or OnFailure when it lets an exception out.
template <typename TResult, typename TBody>
TResult CallGuarded(const char16_t* Export, TResult OnFailure, TBody&& Body) noexcept {
  TResult Result = OnFailure;
  CallGuarded(Export, [&] { Result = Body(); });
  return Result;
}

// Name and version queries: the byte length, and a copy with lstrcpynA's cut when a buffer is
// given. A buffer of size 0 gets nothing written.
LRESULT AnswerString(const char* Value, WPARAM BufferSize, LPARAM Buffer) {
  if (Buffer != 0 && BufferSize > 0) {
    const int Count =
        BufferSize > static_cast<WPARAM>(INT_MAX) ? INT_MAX : static_cast<int>(BufferSize);
    lstrcpynA(ParamCast<LPSTR>(Buffer), Value, Count);
  }
  return static_cast<LRESULT>(std::strlen(Value));
}

LRESULT AskUninstall(HWND hwnd) {
  const std::u16string Caption = FromCodePage(PlugInCodePage, PlugInName);
  const int Answer =
      MessageBoxW(hwnd, WideCast<const WCHAR>(u"アンインストールしますか？"),
                  WideCast<const WCHAR>(Caption.c_str()), MB_YESNO | MB_ICONQUESTION);
  return Answer == IDYES ? 1 : 0;
}

}  // namespace

extern "C" {

void WINAPI OnCommand(HWND hwnd) noexcept {
  CallGuarded(u"OnCommand", [hwnd] { ExecuteCommandMenu(hwnd); });
}

BOOL WINAPI QueryStatus(HWND /*hwnd*/, LPARAM /*lParam*/) noexcept {
  return -1;
}

void WINAPI OnEvents(HWND hwnd, UINT Event, LPARAM Value) noexcept {
  CallGuarded(u"OnEvents", [hwnd, Event, Value] {
    // Storing first: an event carrying both flags passes on its own value.
    if ((Event & PlugInEventStoreValue) != 0) EventValue = Value;
    if ((Event & PlugInEventSendValue) != 0) {
      SendMessageW(hwnd, HostSendEventValue, static_cast<WPARAM>(EventValue), 0);
    }
  });
}

int WINAPI GetMenuTextID() noexcept {
  return PlugInMenuTextId;
}

int WINAPI GetStatusMessageID() noexcept {
  return PlugInStatusTextId;
}

int WINAPI GetBitmapID() noexcept {
  return PlugInBitmapId;
}

LRESULT WINAPI PlugInProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) noexcept {
  return CallGuarded(u"PlugInProc", LRESULT{0}, [=]() -> LRESULT {
    switch (Msg) {
      case PlugInQueryName:
        return AnswerString(PlugInName, wParam, lParam);
      case PlugInQueryVersion:
        return AnswerString(PlugInVersion, wParam, lParam);
      case PlugInQueryFixed:
        return 1;
      case PlugInQueryUninstall:
        return AskUninstall(hwnd);
      default:
        return 0;
    }
  });
}

}  // extern "C"
