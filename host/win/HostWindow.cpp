// The editor window of the Windows test host: its class, its procedure and its painting.

#include "host/win/HostWindow.h"

#include "host/win/HostAnswers.h"
#include "plugin/plugin.h"

namespace {

constexpr wchar_t WindowClass[] = L"CorvaneHostWindow";
constexpr int ButtonId = 100;
constexpr int ToolbarHeight = 28;
constexpr int StatusHeight = 22;

void PaintWindow(HWND Window) {
  THostApp& Host = App();
  PAINTSTRUCT Paint;
  HDC Dc = BeginPaint(Window, &Paint);
  RECT Client;
  GetClientRect(Window, &Client);
  HFONT Font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HGDIOBJ OldFont = SelectObject(Dc, Font);
  SetBkMode(Dc, TRANSPARENT);

  RECT Text = {Client.left + 4, Client.top + ToolbarHeight + 2, Client.right - 4,
               Client.bottom - StatusHeight};
  const std::wstring Document = ToWide(Host.Doc.Text());
  if (Host.DocumentFont) SelectObject(Dc, Host.DocumentFont.get());
  DrawTextW(Dc, Document.c_str(), static_cast<int>(Document.size()), &Text,
            DT_LEFT | DT_TOP | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(Dc, Font);

  RECT Status = {Client.left, Client.bottom - StatusHeight, Client.right, Client.bottom};
  FillRect(Dc, &Status, GetSysColorBrush(COLOR_BTNFACE));
  // The status text's first line is the status message; the second is the button's tip.
  const std::u16string Message =
      Host.PlugIn.StatusText.substr(0, Host.PlugIn.StatusText.find(u'\n'));
  const THostPos Caret = Host.Doc.Caret();
  const std::wstring Line = ToWide(Message) + L"    " + std::to_wstring(Caret.Y + 1) + L" : " +
                            std::to_wstring(Caret.X + 1);
  Status.left += 4;
  DrawTextW(Dc, Line.c_str(), static_cast<int>(Line.size()), &Status,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);

  SelectObject(Dc, OldFont);
  EndPaint(Window, &Paint);
}

LRESULT CALLBACK HostWindowProc(HWND Window, UINT Msg, WPARAM wParam, LPARAM lParam) {
  THostApp& Host = App();
  if (IsHostMessage(Msg)) return AnswerHostMessage(Window, Msg, wParam, lParam);
  switch (Msg) {
    case WM_ENTERMENULOOP:
      Host.Menu.OnEnterMenuLoop(Window);
      return 0;
    case WM_INITMENUPOPUP:
      Host.Menu.OnInitMenuPopup(Window, reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_MENUSELECT:
      Host.Menu.OnMenuSelect(Window, wParam, lParam);
      return 0;
    case WM_EXITMENULOOP:
      Host.Menu.OnExitMenuLoop(Window);
      return 0;
    case WM_TIMER:
      if (wParam == TMenuDriver::TimerId) Host.Menu.OnTimer(Window);
      if (wParam == TBoxAnswerer::TimerId) Host.Box.OnTimer(Window);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == ButtonId && HIWORD(wParam) == BN_CLICKED) RunPlugInCommand();
      return 0;
    case WM_PAINT:
      PaintWindow(Window);
      return 0;
    case WM_DESTROY:
      Host.DocumentFont = TFontHandle();
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(Window, Msg, wParam, lParam);
  }
}

}  // namespace

THostApp& App() {
  static THostApp Host;
  return Host;
}

HWND CreateHostWindow() {
  THostApp& Host = App();
  HINSTANCE Instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW Class = {};
  Class.cbSize = sizeof(Class);
  Class.lpfnWndProc = HostWindowProc;
  Class.hInstance = Instance;
  Class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  Class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  Class.lpszClassName = WindowClass;
  RegisterClassExW(&Class);

  const std::wstring Title = L"Corvane host - " + ToWide(Host.PlugIn.MenuText);
  Host.Window =
      CreateWindowExW(0, WindowClass, Title.c_str(), WS_OVERLAPPEDWINDOW, 40, 40, Host.WindowWidth,
                      Host.WindowHeight, nullptr, nullptr, Instance, nullptr);
  if (Host.Window == nullptr) return nullptr;
  if (!Host.FontFace.empty()) {
    Host.DocumentFont = TFontHandle(CreateFontW(
        -16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, Host.FontFace.c_str()));
  }
  Host.Button =
      CreateWindowExW(0, L"BUTTON", ToWide(Host.PlugIn.MenuText).c_str(),
                      WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_BITMAP, 2, 2, 24, 24, Host.Window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(ButtonId)), Instance, nullptr);
  if (Host.Button != nullptr && Host.PlugIn.Glyph != nullptr) {
    SendMessageW(Host.Button, BM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(Host.PlugIn.Glyph));
  }
  ShowWindow(Host.Window, SW_SHOWNORMAL);
  UpdateWindow(Host.Window);
  SetForegroundWindow(Host.Window);
  return Host.Window;
}

void RunPlugInCommand() {
  THostApp& Host = App();
  if (Host.PlugIn.Exports.OnCommand == nullptr) return;
  ++Host.CommandRuns;
  Host.PlugIn.Exports.OnCommand(Host.Window);
  InvalidateRect(Host.Window, nullptr, TRUE);
}
