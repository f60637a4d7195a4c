#include "host/win/HostWindow.h"

#include <algorithm>

#include "plugin/plugin.h"

namespace {

constexpr wchar_t WindowClass[] = L"CorvaneHostWindow";
constexpr int ButtonId = 100;
constexpr int ToolbarHeight = 28;
constexpr int StatusHeight = 22;

BOOL CALLBACK CollectButtons(HWND Child, LPARAM Param) {
  auto* Ids = reinterpret_cast<std::string*>(Param);
  wchar_t Class[32] = {};
  GetClassNameW(Child, Class, 32);
  if (IsWindowVisible(Child) && lstrcmpiW(Class, L"Button") == 0) {
    if (!Ids->empty()) *Ids += ",";
    *Ids += std::to_string(GetDlgCtrlID(Child));
  }
  return TRUE;
}

struct TBoxSearch {
  HWND Owner;
  HWND Found;
};

BOOL CALLBACK FindBox(HWND Candidate, LPARAM Param) {
  auto* Search = reinterpret_cast<TBoxSearch*>(Param);
  wchar_t Class[32] = {};
  GetClassNameW(Candidate, Class, 32);
  if (lstrcmpW(Class, L"#32770") == 0 && GetWindow(Candidate, GW_OWNER) == Search->Owner &&
      IsWindowVisible(Candidate)) {
    Search->Found = Candidate;
    return FALSE;
  }
  return TRUE;
}

std::u16string WindowText(HWND Window) {
  const int Length = GetWindowTextLengthW(Window);
  std::wstring Text(static_cast<size_t>(std::max(Length, 0)) + 1, L'\0');
  const int Got = GetWindowTextW(Window, Text.data(), Length + 1);
  Text.resize(static_cast<size_t>(std::max(Got, 0)));
  return FromWide(Text);
}

struct TBoxContent {
  std::u16string Text;
  std::string Icon = "none";
};

BOOL CALLBACK ReadStatics(HWND Child, LPARAM Param) {
  auto* Content = reinterpret_cast<TBoxContent*>(Param);
  wchar_t Class[32] = {};
  GetClassNameW(Child, Class, 32);
  if (lstrcmpiW(Class, L"Static") != 0) return TRUE;
  if ((GetWindowLongW(Child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    const auto Icon = reinterpret_cast<HICON>(SendMessageW(Child, STM_GETICON, 0, 0));
    if (Icon != nullptr)
      Content->Icon = Icon == LoadIconW(nullptr, IDI_QUESTION) ? "question" : "other";
  } else {
    const std::u16string Text = WindowText(Child);
    if (!Text.empty()) Content->Text = Text;
  }
  return TRUE;
}

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
  if (Host.DocumentFont != nullptr) SelectObject(Dc, Host.DocumentFont);
  DrawTextW(Dc, Document.c_str(), static_cast<int>(Document.size()), &Text,
            DT_LEFT | DT_TOP | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(Dc, Font);

  RECT Status = {Client.left, Client.bottom - StatusHeight, Client.right, Client.bottom};
  FillRect(Dc, &Status, GetSysColorBrush(COLOR_BTNFACE));
  // The status text's first line is the status message; the second is the button's tip.
  const std::u16string Message = Host.StatusText.substr(0, Host.StatusText.find(u'\n'));
  const THostPos Caret = Host.Doc.Caret();
  const std::wstring Line = ToWide(Message) + L"    " + std::to_wstring(Caret.Y + 1) + L" : " +
                            std::to_wstring(Caret.X + 1);
  Status.left += 4;
  DrawTextW(Dc, Line.c_str(), static_cast<int>(Line.size()), &Status,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);

  SelectObject(Dc, OldFont);
  EndPaint(Window, &Paint);
}

// The wrong answers --fault can give: the length asked for first in the two-call protocol of
// HostGetSelText, or the caret position.
bool AnswerWrongly(THostApp& Host, UINT Msg, WPARAM wParam, LPARAM lParam, LRESULT& Result) {
  if (Host.Fault == "sellength" && Msg == HostGetSelText && wParam == 0) {
    Result = -7;
  } else if (Host.Fault == "caretpos" && Msg == HostGetCaretPos && lParam != 0) {
    *reinterpret_cast<THostPos*>(lParam) = THostPos{-1, -1};
    Result = 0;
  } else {
    return false;
  }
  ++Host.FaultsInjected;
  return true;
}

LONG CALLBACK DebugOutputHandler(EXCEPTION_POINTERS* Info) {
  constexpr DWORD PrintAnsi = 0x40010006;  // DBG_PRINTEXCEPTION_C: length, char*
  constexpr DWORD PrintWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C: length, wchar_t*
  const EXCEPTION_RECORD* Record = Info->ExceptionRecord;
  if (Record->NumberParameters < 2 || Record->ExceptionInformation[1] == 0)
    return EXCEPTION_CONTINUE_SEARCH;
  auto& Output = App().DebugOutput;
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

LRESULT CALLBACK HostWindowProc(HWND Window, UINT Msg, WPARAM wParam, LPARAM lParam) {
  THostApp& Host = App();
  if (Msg >= HostQueryCommand && Msg <= HostGetDocInfo) {
    LRESULT Wrong = 0;
    if (AnswerWrongly(Host, Msg, wParam, lParam, Wrong)) return Wrong;
    const intptr_t Result =
        Host.Doc.Handle(Msg, static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam));
    if (Host.Doc.RedrawEnabled()) InvalidateRect(Window, nullptr, TRUE);
    return static_cast<LRESULT>(Result);
  }
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
      if (Host.DocumentFont != nullptr) DeleteObject(Host.DocumentFont);
      Host.DocumentFont = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(Window, Msg, wParam, lParam);
  }
}

struct TShownMenus {
  DWORD Thread;
  RECT Bounds;
};

// Widens the bounds by every visible popup menu window ("#32768") of this thread.
BOOL CALLBACK AddShownMenu(HWND Candidate, LPARAM Param) {
  auto* Menus = reinterpret_cast<TShownMenus*>(Param);
  wchar_t Class[32] = {};
  GetClassNameW(Candidate, Class, 32);
  RECT Rect;
  if (lstrcmpW(Class, L"#32768") == 0 && IsWindowVisible(Candidate) &&
      GetWindowThreadProcessId(Candidate, nullptr) == Menus->Thread &&
      GetWindowRect(Candidate, &Rect)) {
    UnionRect(&Menus->Bounds, &Menus->Bounds, &Rect);
  }
  return TRUE;
}

template <typename TProc>
TProc ResolveOne(HMODULE Dll, const char* Name) {
  return reinterpret_cast<TProc>(reinterpret_cast<void*>(GetProcAddress(Dll, Name)));
}

}  // namespace

void CaptureDebugOutput() {
  AddVectoredExceptionHandler(1, DebugOutputHandler);
}

THostApp& App() {
  static THostApp Host;
  return Host;
}

void TBoxAnswerer::Arm(HWND Owner, bool AnswerYes) {
  FArmed = true;
  FAnswerYes = AnswerYes;
  FSeen = false;
  FTicks = 0;
  FCaption.clear();
  FText.clear();
  FButtons.clear();
  FIcon = "none";
  SetTimer(Owner, TimerId, 100, nullptr);
}

void TBoxAnswerer::Disarm(HWND Owner) {
  FArmed = false;
  KillTimer(Owner, TimerId);
}

void TBoxAnswerer::OnTimer(HWND Owner) {
  if (!FArmed || FSeen) return;
  ++FTicks;
  TBoxSearch Search{Owner, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&Search));
  if (Search.Found == nullptr) return;
  FSeen = true;
  FCaption = WindowText(Search.Found);
  TBoxContent Content;
  EnumChildWindows(Search.Found, ReadStatics, reinterpret_cast<LPARAM>(&Content));
  FText = Content.Text;
  FIcon = Content.Icon;
  EnumChildWindows(Search.Found, CollectButtons, reinterpret_cast<LPARAM>(&FButtons));
  const int Answer = FAnswerYes ? IDYES : IDNO;
  PostMessageW(Search.Found, WM_COMMAND, MAKEWPARAM(Answer, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(Search.Found, Answer)));
}

void ResolveExports(HMODULE Dll, TPlugInExports& Exports) {
  Exports.OnCommand = ResolveOne<TOnCommandProc>(Dll, "OnCommand");
  Exports.QueryStatus = ResolveOne<TQueryStatusProc>(Dll, "QueryStatus");
  Exports.OnEvents = ResolveOne<TOnEventsProc>(Dll, "OnEvents");
  Exports.GetMenuTextID = ResolveOne<TGetIdProc>(Dll, "GetMenuTextID");
  Exports.GetStatusMessageID = ResolveOne<TGetIdProc>(Dll, "GetStatusMessageID");
  Exports.GetBitmapID = ResolveOne<TGetIdProc>(Dll, "GetBitmapID");
  Exports.PlugInProc = ResolveOne<TPlugInProc>(Dll, "PlugInProc");
}

bool LoadResourceString(HMODULE Module, UINT Id, std::u16string& Text) {
  // With a zero buffer size LoadStringW hands out a pointer into the resource and its length,
  // so the text is read whole and exactly.
  const wchar_t* Resource = nullptr;
  const int Length = LoadStringW(Module, Id, reinterpret_cast<LPWSTR>(&Resource), 0);
  if (Length <= 0 || Resource == nullptr) {
    Text.clear();
    return false;
  }
  Text = FromWide(std::wstring_view(Resource, static_cast<size_t>(Length)));
  return true;
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

  const std::wstring Title = L"Corvane host - " + ToWide(Host.MenuText);
  Host.Window =
      CreateWindowExW(0, WindowClass, Title.c_str(), WS_OVERLAPPEDWINDOW, 40, 40, Host.WindowWidth,
                      Host.WindowHeight, nullptr, nullptr, Instance, nullptr);
  if (Host.Window == nullptr) return nullptr;
  if (!Host.FontFace.empty()) {
    Host.DocumentFont = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    FIXED_PITCH | FF_MODERN, Host.FontFace.c_str());
  }
  Host.Button =
      CreateWindowExW(0, L"BUTTON", ToWide(Host.MenuText).c_str(),
                      WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_BITMAP, 2, 2, 24, 24, Host.Window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(ButtonId)), Instance, nullptr);
  if (Host.Button != nullptr && Host.Glyph != nullptr) {
    SendMessageW(Host.Button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(Host.Glyph));
  }
  ShowWindow(Host.Window, SW_SHOWNORMAL);
  UpdateWindow(Host.Window);
  SetForegroundWindow(Host.Window);
  return Host.Window;
}

void RunPlugInCommand() {
  THostApp& Host = App();
  if (Host.Exports.OnCommand == nullptr) return;
  ++Host.CommandRuns;
  Host.Exports.OnCommand(Host.Window);
  InvalidateRect(Host.Window, nullptr, TRUE);
}

void NoteHold(const char* Stage) {
  THostApp& Host = App();
  if (Host.HoldNote.empty()) return;
  TShownMenus Menus{GetCurrentThreadId(), {}};
  GetWindowRect(Host.Window, &Menus.Bounds);
  EnumWindows(AddShownMenu, reinterpret_cast<LPARAM>(&Menus));
  const RECT& B = Menus.Bounds;
  const std::string Line = std::string(Stage) + " " + std::to_string(B.left) + " " +
                           std::to_string(B.top) + " " + std::to_string(B.right) + " " +
                           std::to_string(B.bottom) + "\n";
  HANDLE File = CreateFileW(Host.HoldNote.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) return;
  DWORD Wrote = 0;
  WriteFile(File, Line.data(), static_cast<DWORD>(Line.size()), &Wrote, nullptr);
  CloseHandle(File);
}

void HoldWindow(const char* Stage) {
  THostApp& Host = App();
  if (Host.HoldMs == 0 || !IsWindow(Host.Window)) return;
  UpdateWindow(Host.Window);
  const DWORD Start = GetTickCount();
  const DWORD NoteAfter = std::min<DWORD>(Host.HoldMs / 2, 400);  // time to paint first
  bool Noted = false;
  for (DWORD Elapsed = 0; Elapsed < Host.HoldMs; Elapsed = GetTickCount() - Start) {
    if (!Noted && Elapsed >= NoteAfter) {
      NoteHold(Stage);
      Noted = true;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(Host.HoldMs - Elapsed, 50),
                              QS_ALLINPUT);
    MSG Msg;
    while (PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) {
      if (Msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(Msg.wParam));  // left for the loop that owns it
        return;
      }
      TranslateMessage(&Msg);
      DispatchMessageW(&Msg);
    }
  }
  if (!Noted) NoteHold(Stage);
}

void PlacePointer(int X, int Y) {
  POINT Point{X, Y};
  ClientToScreen(App().Window, &Point);
  SetCursorPos(Point.x, Point.y);
}
