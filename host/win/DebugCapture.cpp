// Catches what this process writes with OutputDebugString, for the report.

#include "host/win/DebugCapture.h"

#include <algorithm>
#include <string>

#include "host/win/HostText.h"

namespace {

LONG CALLBACK DebugOutputHandler(EXCEPTION_POINTERS* Info) {
  constexpr DWORD PrintAnsi = 0x40010006;  // DBG_PRINTEXCEPTION_C: length, char*
  constexpr DWORD PrintWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C: length, wchar_t*
  const EXCEPTION_RECORD* Record = Info->ExceptionRecord;
  if (Record->NumberParameters < 2 || Record->ExceptionInformation[1] == 0)
    return EXCEPTION_CONTINUE_SEARCH;
  auto& Output = CapturedDebugOutput();
  std::u16string Text;
  if (Record->ExceptionCode == PrintWide) {
    Text = FromWide(reinterpret_cast<const wchar_t*>(Record->ExceptionInformation[1]));
  } else if (Record->ExceptionCode == PrintAnsi) {
    const auto* Ansi = reinterpret_cast<const char*>(Record->ExceptionInformation[1]);
    const int Length = MultiByteToWideChar(CP_ACP, 0, Ansi, -1, nullptr, 0);
    std::wstring Wide(static_cast<size_t>(std::max(Length, 1)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, Ansi, -1, Wide.data(), Length);
    Text = FromWide(Wide.c_str());
    // Windows raises the ANSI form too when nobody handled the wide one.
    if (!Output.empty() && Output.back() == Text) return EXCEPTION_CONTINUE_SEARCH;
  } else {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  Output.push_back(Text);
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

std::vector<std::u16string>& CapturedDebugOutput() {
  static std::vector<std::u16string> Output;
  return Output;
}

void CaptureDebugOutput() {
  AddVectoredExceptionHandler(1, DebugOutputHandler);
}
