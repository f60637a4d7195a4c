// corvane-host.exe: a Windows host editor for Corvane.dll, for tests and for trying the plug-in
// by hand under wine. It loads the DLL, opens an editor window over a HostDocument holding the
// given file, runs OnCommand once (the popup menu is driven by keyboard with --choose, or left
// to the user), and writes a key=value report of what happened.
//
//   corvane-host.exe --dll PATH --doc FILE [--select A-B] [--caret L:C] [--readonly]
//                    [--path TEXT] [--choose ID|cancel] [--wrap N] [--out FILE] [--no-run]
//                    [--info [--answer yes|no]] [--clipboard TEXT] [--interactive]
//                    [--fault sellength|caretpos] [--hold MS [--hold-note FILE]]
//                    [--pointer X:Y] [--window WxH] [--font FACE]
//
// Positions are "line:column" in the document's own lines (kind 2), both from 0; --select
// "4:3-6:2" puts the anchor at 4:3 and the caret (active end) at 6:2. README.md beside this
// file lists every option and report key.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "host/win/HostWindow.h"
#include "library/ConvertToTypeUnit/ConvertToTypeUnit.h"
#include "host/win/InfoReport.h"

namespace {

constexpr int ExitUsage = 2;
constexpr int ExitLoad = 3;
constexpr int ExitDocument = 4;

struct TOptions {
  std::wstring Dll;
  std::wstring Doc;
  std::wstring Out;
  std::optional<std::wstring> Path;
  std::optional<std::pair<THostPos, THostPos>> Select;  // anchor, active
  std::optional<THostPos> Caret;
  bool ReadOnly = false;
  std::optional<std::wstring> Choose;
  int Wrap = 0;
  bool NoRun = false;
  bool Info = false;
  bool AnswerYes = false;
  std::optional<std::wstring> Clipboard;
  bool Interactive = false;
  std::string Fault;
  int HoldMs = 0;
  std::wstring HoldNote;
  std::optional<POINT> Pointer;  // client coordinates
  int WindowWidth = 640;
  int WindowHeight = 480;
  std::wstring FontFace;
};

const char Usage[] =
    "usage: corvane-host.exe --dll PATH --doc FILE [--select L:C-L:C] [--caret L:C] [--readonly]\n"
    "                        [--path TEXT] [--choose ID|cancel] [--wrap N] [--out FILE] "
    "[--no-run]\n"
    "                        [--info [--answer yes|no]] [--clipboard TEXT] [--interactive]\n"
    "                        [--fault sellength|caretpos] [--hold MS [--hold-note FILE]]\n"
    "                        [--pointer X:Y] [--window WxH] [--font FACE]\n";

// A count or position: digits only, no sign.
bool ParseInt(std::wstring_view S, int& Value) {
  const std::optional<int32_t> V = S.empty() || S[0] == L'+' ? std::nullopt : StrToInt32(S);
  if (!V || *V < 0) return false;
  Value = *V;
  return true;
}

bool ParsePos(std::wstring_view S, THostPos& Pos) {
  const size_t Colon = S.find(L':');
  int Line = 0;
  int Column = 0;
  if (Colon == std::wstring_view::npos || !ParseInt(S.substr(0, Colon), Line) ||
      !ParseInt(S.substr(Colon + 1), Column)) {
    return false;
  }
  Pos = THostPos{Column, Line};
  return true;
}

std::string FormatPos(THostPos P) {
  return std::to_string(P.Y) + ":" + std::to_string(P.X);
}

bool Fail(const std::string& Message) {
  std::fputs(("corvane-host: " + Message + "\n").c_str(), stderr);
  std::fputs(Usage, stderr);
  return false;
}

bool ParseOptions(int argc, wchar_t** argv, TOptions& O) {
  for (int I = 1; I < argc; ++I) {
    const std::wstring Arg = argv[I];
    auto Value = [&](std::wstring& Into) {
      if (I + 1 >= argc) return false;
      Into = argv[++I];
      return true;
    };
    std::wstring V;
    if (Arg == L"--dll") {
      if (!Value(O.Dll)) return Fail("--dll needs a path");
    } else if (Arg == L"--doc") {
      if (!Value(O.Doc)) return Fail("--doc needs a file");
    } else if (Arg == L"--out") {
      if (!Value(O.Out)) return Fail("--out needs a file");
    } else if (Arg == L"--path") {
      if (!Value(V)) return Fail("--path needs a text");
      O.Path = V;
    } else if (Arg == L"--select") {
      THostPos Anchor{};
      THostPos Active{};
      size_t Dash = std::wstring::npos;
      if (!Value(V) || (Dash = V.find(L'-')) == std::wstring::npos ||
          !ParsePos(V.substr(0, Dash), Anchor) || !ParsePos(V.substr(Dash + 1), Active)) {
        return Fail("--select needs LINE:COL-LINE:COL");
      }
      O.Select = std::make_pair(Anchor, Active);
    } else if (Arg == L"--caret") {
      THostPos Caret{};
      if (!Value(V) || !ParsePos(V, Caret)) return Fail("--caret needs LINE:COL");
      O.Caret = Caret;
    } else if (Arg == L"--readonly") {
      O.ReadOnly = true;
    } else if (Arg == L"--choose") {
      int Id = 0;
      if (!Value(V) || (V != L"cancel" && !ParseInt(V, Id)))
        return Fail("--choose needs a command id or 'cancel'");
      O.Choose = V;
    } else if (Arg == L"--wrap") {
      if (!Value(V) || !ParseInt(V, O.Wrap)) return Fail("--wrap needs a number");
    } else if (Arg == L"--no-run") {
      O.NoRun = true;
    } else if (Arg == L"--info") {
      O.Info = true;
    } else if (Arg == L"--answer") {
      if (!Value(V) || (V != L"yes" && V != L"no")) return Fail("--answer needs yes or no");
      O.AnswerYes = V == L"yes";
    } else if (Arg == L"--clipboard") {
      if (!Value(V)) return Fail("--clipboard needs a text");
      O.Clipboard = V;
    } else if (Arg == L"--fault") {
      if (!Value(V) || (V != L"sellength" && V != L"caretpos"))
        return Fail("--fault needs sellength or caretpos");
      O.Fault = ToUtf8(V);
    } else if (Arg == L"--interactive") {
      O.Interactive = true;
    } else if (Arg == L"--hold") {
      if (!Value(V) || !ParseInt(V, O.HoldMs)) return Fail("--hold needs milliseconds");
    } else if (Arg == L"--hold-note") {
      if (!Value(O.HoldNote)) return Fail("--hold-note needs a file");
    } else if (Arg == L"--pointer") {
      POINT Point{};
      const size_t Colon = Value(V) ? V.find(L':') : std::wstring::npos;
      int X = 0;
      int Y = 0;
      if (Colon == std::wstring::npos || !ParseInt(V.substr(0, Colon), X) ||
          !ParseInt(V.substr(Colon + 1), Y)) {
        return Fail("--pointer needs X:Y");
      }
      Point.x = X;
      Point.y = Y;
      O.Pointer = Point;
    } else if (Arg == L"--window") {
      const size_t Cross = Value(V) ? V.find(L'x') : std::wstring::npos;
      if (Cross == std::wstring::npos || !ParseInt(V.substr(0, Cross), O.WindowWidth) ||
          !ParseInt(V.substr(Cross + 1), O.WindowHeight) || O.WindowWidth < 200 ||
          O.WindowHeight < 120) {
        return Fail("--window needs WIDTHxHEIGHT, at least 200x120");
      }
    } else if (Arg == L"--font") {
      if (!Value(O.FontFace) || O.FontFace.empty()) return Fail("--font needs a typeface name");
    } else {
      return Fail("unknown argument " + ToUtf8(Arg));
    }
  }
  if (O.Dll.empty()) return Fail("--dll is required");
  if (O.Doc.empty() && !O.Info) return Fail("--doc is required");
  if (O.Select && O.Caret)
    return Fail("--select already places the caret at its active end; give one of them");
  if (!O.HoldNote.empty() && O.HoldMs == 0) return Fail("--hold-note needs --hold");
  return true;
}

bool ReadFileBytes(const std::wstring& Name, std::string& Bytes) {
  HANDLE File =
      CreateFileW(Name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (File == INVALID_HANDLE_VALUE) return false;
  Bytes.clear();
  char Buffer[65536];
  DWORD Got = 0;
  bool Ok = true;
  while ((Ok = ReadFile(File, Buffer, sizeof(Buffer), &Got, nullptr) != 0) && Got > 0)
    Bytes.append(Buffer, Got);
  CloseHandle(File);
  return Ok;
}

bool WriteAll(HANDLE File, const std::string& Text) {
  size_t Done = 0;
  while (Done < Text.size()) {
    DWORD Wrote = 0;
    const DWORD Chunk = static_cast<DWORD>(std::min<size_t>(Text.size() - Done, 1 << 20));
    if (!WriteFile(File, Text.data() + Done, Chunk, &Wrote, nullptr) || Wrote == 0) return false;
    Done += Wrote;
  }
  return true;
}

bool WriteReport(const TOptions& O, const std::string& Text) {
  if (O.Out.empty()) return WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), Text);
  HANDLE File = CreateFileW(O.Out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) return false;
  const bool Ok = WriteAll(File, Text);
  CloseHandle(File);
  return Ok;
}

// Starts the command from a known clipboard: the given text, or empty.
void PrepareClipboard(const TOptions& O) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  if (O.Clipboard) {
    const size_t Bytes = (O.Clipboard->size() + 1) * sizeof(wchar_t);
    if (HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE, Bytes)) {
      if (void* P = GlobalLock(Block)) {
        std::memcpy(P, O.Clipboard->c_str(), Bytes);
        GlobalUnlock(Block);
        if (SetClipboardData(CF_UNICODETEXT, Block) == nullptr) GlobalFree(Block);
      } else {
        GlobalFree(Block);
      }
    }
  }
  CloseClipboard();
}

void ReportClipboard(HWND Window, THostReport& Report) {
  if (!OpenClipboard(Window)) {
    Report.Add("clipboard", "unavailable");
    return;
  }
  std::string Formats;
  for (UINT F = EnumClipboardFormats(0); F != 0; F = EnumClipboardFormats(F)) {
    if (!Formats.empty()) Formats += ",";
    Formats += std::to_string(F);
  }
  Report.Add("clipboard.formats", Formats);
  if (HANDLE Data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* Text = static_cast<const wchar_t*>(GlobalLock(Data))) {
      const size_t Limit = GlobalSize(Data) / sizeof(wchar_t);
      Report.Add("clipboard.unicode", EscapeText(std::wstring_view(Text, wcsnlen(Text, Limit))));
      Report.Add("clipboard.unicode.blocksize", static_cast<int64_t>(GlobalSize(Data)));
      GlobalUnlock(Data);
    }
  }
  if (HANDLE Data = GetClipboardData(CF_TEXT)) {
    if (const auto* Text = static_cast<const char*>(GlobalLock(Data))) {
      const size_t Limit = GlobalSize(Data);
      Report.Add("clipboard.text.hex", HexBytes(Text, strnlen(Text, Limit)));
      Report.Add("clipboard.text.blocksize", static_cast<int64_t>(Limit));
      GlobalUnlock(Data);
    }
  }
  CloseClipboard();
}

void ReportDocument(const std::u16string& Before, const TOptions& O, THostReport& Report) {
  THostApp& Host = App();
  HostDocument& Doc = Host.Doc;
  const std::u16string After = Doc.Text();
  Report.AddText("doc.before", Before);
  Report.AddText("doc.after", After);
  Report.Add("doc.changed", After != Before ? 1 : 0);
  Report.Add("doc.lines", Doc.LineCount());
  Report.Add("selection", Doc.HasSelection() ? 1 : 0);
  Report.Add("selection.anchor", FormatPos(Doc.Anchor()));
  Report.Add("selection.active", FormatPos(Doc.Caret()));
  Report.Add("selection.start", FormatPos(Doc.SelStart()));
  Report.Add("selection.end", FormatPos(Doc.SelEnd()));
  Report.Add("caret", FormatPos(Doc.Caret()));
  Report.AddText("selection.text", Doc.SelectionText());
  Report.Add("wholedocument.selected", Doc.WholeDocumentSelected() ? 1 : 0);
  Report.Add("redraw", Doc.RedrawEnabled() ? "on" : "off");
  Report.Add("redraw.switches", Doc.RedrawSwitches());
  Report.Add("edits.redraw.on", Doc.EditsWhileRedrawOn());
  Report.Add("scroll",
             std::to_string(Doc.ScrollPos().Row) + ":" + std::to_string(Doc.ScrollPos().Column));
  Report.Add("readonly", O.ReadOnly ? 1 : 0);
  Report.Add("messages", Doc.MessageCount());
  Report.Add("messages.replacesel", Doc.MessageCount(HostReplaceSel));
  for (const std::string& Anomaly : Doc.Anomalies()) {
    std::u16string Text;
    Report.AddText("anomaly", Utf8ToUtf16(Anomaly, Text) ? Text : u"(not UTF-8)");
  }
}

int Run(const TOptions& O) {
  THostApp& Host = App();
  THostReport Report;
  CaptureDebugOutput();
  Report.Add("host", sizeof(void*) == 8 ? "x64" : "x86");
  Report.Add("dll", ToUtf8(O.Dll));
  Host.Dll = LoadLibraryW(O.Dll.c_str());
  if (Host.Dll == nullptr) {
    Report.Add("dll.loaded", 0);
    Report.Add("dll.error", static_cast<int64_t>(GetLastError()));
    WriteReport(O, Report.Text());
    return ExitLoad;
  }
  Report.Add("dll.loaded", 1);
  ResolveExports(Host.Dll, Host.Exports);

  // The host shows what the plug-in's resources say, by the ids its getters return.
  const UINT MenuId =
      Host.Exports.GetMenuTextID ? static_cast<UINT>(Host.Exports.GetMenuTextID()) : 0;
  const UINT StatusId =
      Host.Exports.GetStatusMessageID ? static_cast<UINT>(Host.Exports.GetStatusMessageID()) : 0;
  const int BitmapId = Host.Exports.GetBitmapID ? Host.Exports.GetBitmapID() : 0;
  LoadResourceString(Host.Dll, MenuId, Host.MenuText);
  LoadResourceString(Host.Dll, StatusId, Host.StatusText);
  Host.Glyph =
      static_cast<HBITMAP>(LoadImageW(Host.Dll, MAKEINTRESOURCEW(BitmapId), IMAGE_BITMAP, 0, 0, 0));
  Report.AddText("menutext", Host.MenuText);
  Report.AddText("statustext", Host.StatusText);
  Report.Add("glyph", Host.Glyph != nullptr ? "loaded" : "missing");

  std::u16string Text;
  if (!O.Doc.empty()) {
    std::string Bytes;
    if (!ReadFileBytes(O.Doc, Bytes)) {
      std::fputs("corvane-host: cannot read the document\n", stderr);
      return ExitDocument;
    }
    if (!Utf8ToUtf16(Bytes, Text)) {
      std::fputs("corvane-host: the document is not valid UTF-8\n", stderr);
      return ExitDocument;
    }
  }
  Host.Doc.SetText(Text);
  Host.Doc.SetReadOnly(O.ReadOnly);
  Host.Doc.SetWrapWidth(O.Wrap);
  if (O.Path) Host.Doc.SetPath(FromWide(*O.Path));
  if (O.Select) Host.Doc.Select(O.Select->first, O.Select->second);
  if (O.Caret) Host.Doc.SetCaret(*O.Caret);
  Host.Doc.ClearLog();

  Host.WindowWidth = O.WindowWidth;
  Host.WindowHeight = O.WindowHeight;
  Host.FontFace = O.FontFace;
  if (CreateHostWindow() == nullptr) {
    std::fputs("corvane-host: cannot create the editor window\n", stderr);
    return ExitLoad;
  }
  MSG Msg;
  while (PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&Msg);

  if (O.Info) {
    ReportPlugInInfo(O.Dll, O.AnswerYes, Report);
  } else {
    const std::u16string Before = Host.Doc.Text();
    Report.Add("selection.before.anchor", FormatPos(Host.Doc.Anchor()));
    Report.Add("selection.before.active", FormatPos(Host.Doc.Caret()));
    if (!O.Choose) {
      Host.Menu.Configure(TMenuDriver::TMode::Watch, 0);
      Report.Add("choose", "user");
    } else if (*O.Choose == L"cancel") {
      Host.Menu.Configure(TMenuDriver::TMode::Cancel, 0);
      Report.Add("choose", "cancel");
    } else {
      Host.Menu.Configure(TMenuDriver::TMode::Choose, static_cast<UINT>(std::stoul(*O.Choose)));
      Report.Add("choose", ToUtf8(*O.Choose));
    }
    PrepareClipboard(O);
    Host.HoldMs = static_cast<DWORD>(O.HoldMs);
    Host.HoldNote = O.HoldNote;
    if (O.HoldMs > 0) Host.Menu.SetHold(Host.HoldMs, [] { NoteHold("menu"); });
    if (O.Pointer) PlacePointer(O.Pointer->x, O.Pointer->y);
    HoldWindow("before");
    Host.Fault = O.Fault;
    if (!O.NoRun) RunPlugInCommand();
    Host.Fault.clear();
    HoldWindow("after");
    if (O.Interactive) {
      while (GetMessageW(&Msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&Msg);
        DispatchMessageW(&Msg);
      }
    }
    Report.Add("command.runs", Host.CommandRuns);
    Report.Add("choose.result", Host.Menu.Result().empty() ? "none" : Host.Menu.Result());
    Report.Add("choose.refused", Host.Menu.Result() == "grayed" ? 1 : 0);
    Report.Add("choose.keys", Host.Menu.KeysPosted());
    if (!O.Fault.empty()) {
      Report.Add("fault", O.Fault);
      Report.Add("fault.injected", Host.FaultsInjected);
    }
    Host.Menu.Report(Report);
    ReportDocument(Before, O, Report);
    ReportClipboard(Host.Window, Report);
  }
  for (const std::u16string& Line : Host.DebugOutput) Report.AddText("debug.output", Line);
  Report.Add("end", 1);
  if (IsWindow(Host.Window)) DestroyWindow(Host.Window);
  return WriteReport(O, Report.Text()) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  TOptions O;
  if (!ParseOptions(argc, argv, O)) return ExitUsage;
  return Run(O);
}
