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
#include "host/win/InfoReport.h"
#include "library/ConvertToTypeUnit/ConvertToTypeUnit.h"
#include "win32/Guards.h"

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

// Reads "A<Sep>B" as two counts: "4:3", "640x480".
bool ParsePair(std::wstring_view S, wchar_t Sep, int& A, int& B) {
  const size_t At = S.find(Sep);
  return At != std::wstring_view::npos && ParseInt(S.substr(0, At), A) &&
         ParseInt(S.substr(At + 1), B);
}

bool ParsePos(std::wstring_view S, THostPos& Pos) {
  int Line = 0;
  int Column = 0;
  if (!ParsePair(S, L':', Line, Column)) return false;
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

// One command-line option: a switch (no value) or an option whose value Apply checks and keeps;
// Needs is the complaint when the value is missing or Apply refuses it.
struct TOptionRule {
  std::wstring_view Name;
  const char* Needs;  // null for a switch
  bool (*Apply)(const std::wstring& Value, TOptions& O);
};

bool Keep(std::wstring& Into, const std::wstring& Value) {
  Into = Value;
  return true;
}

constexpr TOptionRule OptionRules[] = {
    {L"--dll", "--dll needs a path", [](const auto& V, TOptions& O) { return Keep(O.Dll, V); }},
    {L"--doc", "--doc needs a file", [](const auto& V, TOptions& O) { return Keep(O.Doc, V); }},
    {L"--out", "--out needs a file", [](const auto& V, TOptions& O) { return Keep(O.Out, V); }},
    {L"--path", "--path needs a text",
     [](const auto& V, TOptions& O) { return Keep(O.Path.emplace(), V); }},
    {L"--select", "--select needs LINE:COL-LINE:COL",
     [](const auto& V, TOptions& O) {
       THostPos Anchor{};
       THostPos Active{};
       const size_t Dash = V.find(L'-');
       if (Dash == std::wstring::npos || !ParsePos(V.substr(0, Dash), Anchor) ||
           !ParsePos(V.substr(Dash + 1), Active)) {
         return false;
       }
       O.Select = std::make_pair(Anchor, Active);
       return true;
     }},
    {L"--caret", "--caret needs LINE:COL",
     [](const auto& V, TOptions& O) { return ParsePos(V, O.Caret.emplace()); }},
    {L"--readonly", nullptr, [](const auto&, TOptions& O) { return O.ReadOnly = true; }},
    {L"--choose", "--choose needs a command id or 'cancel'",
     [](const auto& V, TOptions& O) {
       int Id = 0;
       return (V == L"cancel" || ParseInt(V, Id)) && Keep(O.Choose.emplace(), V);
     }},
    {L"--wrap", "--wrap needs a number",
     [](const auto& V, TOptions& O) { return ParseInt(V, O.Wrap); }},
    {L"--no-run", nullptr, [](const auto&, TOptions& O) { return O.NoRun = true; }},
    {L"--info", nullptr, [](const auto&, TOptions& O) { return O.Info = true; }},
    {L"--answer", "--answer needs yes or no",
     [](const auto& V, TOptions& O) {
       O.AnswerYes = V == L"yes";
       return V == L"yes" || V == L"no";
     }},
    {L"--clipboard", "--clipboard needs a text",
     [](const auto& V, TOptions& O) { return Keep(O.Clipboard.emplace(), V); }},
    {L"--fault", "--fault needs sellength or caretpos",
     [](const auto& V, TOptions& O) {
       O.Fault = ToUtf8(V);
       return V == L"sellength" || V == L"caretpos";
     }},
    {L"--interactive", nullptr, [](const auto&, TOptions& O) { return O.Interactive = true; }},
    {L"--hold", "--hold needs milliseconds",
     [](const auto& V, TOptions& O) { return ParseInt(V, O.HoldMs); }},
    {L"--hold-note", "--hold-note needs a file",
     [](const auto& V, TOptions& O) { return Keep(O.HoldNote, V); }},
    {L"--pointer", "--pointer needs X:Y",
     [](const auto& V, TOptions& O) {
       int X = 0;
       int Y = 0;
       if (!ParsePair(V, L':', X, Y)) return false;
       O.Pointer = POINT{X, Y};
       return true;
     }},
    {L"--window", "--window needs WIDTHxHEIGHT, at least 200x120",
     [](const auto& V, TOptions& O) {
       return ParsePair(V, L'x', O.WindowWidth, O.WindowHeight) && O.WindowWidth >= 200 &&
              O.WindowHeight >= 120;
     }},
    {L"--font", "--font needs a typeface name",
     [](const auto& V, TOptions& O) { return Keep(O.FontFace, V) && !V.empty(); }},
};

bool ParseOptions(int argc, wchar_t** argv, TOptions& O) {
  for (int I = 1; I < argc; ++I) {
    const std::wstring Arg = argv[I];
    const auto Rule = std::find_if(std::begin(OptionRules), std::end(OptionRules),
                                   [&](const TOptionRule& R) { return R.Name == Arg; });
    if (Rule == std::end(OptionRules)) return Fail("unknown argument " + ToUtf8(Arg));
    if (Rule->Needs == nullptr) {
      Rule->Apply(std::wstring(), O);
    } else if (I + 1 >= argc || !Rule->Apply(argv[++I], O)) {
      return Fail(Rule->Needs);
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
  const TUniqueFile File(
      CreateFileW(Name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!File) return false;
  Bytes.clear();
  char Buffer[65536];
  DWORD Got = 0;
  bool Ok = true;
  while ((Ok = ReadFile(File.get(), Buffer, sizeof(Buffer), &Got, nullptr) != 0) && Got > 0)
    Bytes.append(Buffer, Got);
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
  const TUniqueFile File(CreateFileW(O.Out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  return File && WriteAll(File.get(), Text);
}

// Starts the command from a known clipboard: the given text, or empty.
void PrepareClipboard(const TOptions& O) {
  const TClipboardOpen Clipboard(nullptr);
  if (!Clipboard) return;
  EmptyClipboard();
  if (!O.Clipboard) return;
  const size_t Bytes = (O.Clipboard->size() + 1) * sizeof(wchar_t);
  TUniqueGlobal Block(GlobalAlloc(GMEM_MOVEABLE, Bytes));
  if (!Block) return;
  {
    const TGlobalLock Lock(Block.get());
    if (!Lock) return;
    std::memcpy(Lock.data(), O.Clipboard->c_str(), Bytes);
  }  // unlocked before the clipboard takes it
  if (SetClipboardData(CF_UNICODETEXT, Block.get()) != nullptr) Block.release();
}

void ReportClipboard(HWND Window, THostReport& Report) {
  const TClipboardOpen Clipboard(Window);
  if (!Clipboard) {
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
    const TGlobalLock Lock(Data);
    if (const auto* Text = static_cast<const wchar_t*>(Lock.data())) {
      const size_t Limit = GlobalSize(Data) / sizeof(wchar_t);
      Report.Add("clipboard.unicode", EscapeText(std::wstring_view(Text, wcsnlen(Text, Limit))));
      Report.Add("clipboard.unicode.blocksize", static_cast<int64_t>(GlobalSize(Data)));
    }
  }
  if (HANDLE Data = GetClipboardData(CF_TEXT)) {
    const TGlobalLock Lock(Data);
    if (const auto* Text = static_cast<const char*>(Lock.data())) {
      const size_t Limit = GlobalSize(Data);
      Report.Add("clipboard.text.hex", HexBytes(Text, strnlen(Text, Limit)));
      Report.Add("clipboard.text.blocksize", static_cast<int64_t>(Limit));
    }
  }
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

// Loads the DLL and what the host shows of it: the menu text, the status text and the glyph,
// by the ids its getters return. False, with the report written, when it does not load.
bool LoadPlugIn(const TOptions& O, THostReport& Report) {
  THostApp& Host = App();
  Host.PlugIn.Dll = LoadLibraryW(O.Dll.c_str());
  if (Host.PlugIn.Dll == nullptr) {
    Report.Add("dll.loaded", 0);
    Report.Add("dll.error", static_cast<int64_t>(GetLastError()));
    WriteReport(O, Report.Text());
    return false;
  }
  Report.Add("dll.loaded", 1);
  ResolveExports(Host.PlugIn.Dll, Host.PlugIn.Exports);

  const UINT MenuId = Host.PlugIn.Exports.GetMenuTextID
                          ? static_cast<UINT>(Host.PlugIn.Exports.GetMenuTextID())
                          : 0;
  const UINT StatusId = Host.PlugIn.Exports.GetStatusMessageID
                            ? static_cast<UINT>(Host.PlugIn.Exports.GetStatusMessageID())
                            : 0;
  const int BitmapId = Host.PlugIn.Exports.GetBitmapID ? Host.PlugIn.Exports.GetBitmapID() : 0;
  LoadResourceString(Host.PlugIn.Dll, MenuId, Host.PlugIn.MenuText);
  LoadResourceString(Host.PlugIn.Dll, StatusId, Host.PlugIn.StatusText);
  Host.PlugIn.Glyph = static_cast<HBITMAP>(
      LoadImageW(Host.PlugIn.Dll, MAKEINTRESOURCEW(BitmapId), IMAGE_BITMAP, 0, 0, 0));
  Report.AddText("menutext", Host.PlugIn.MenuText);
  Report.AddText("statustext", Host.PlugIn.StatusText);
  Report.Add("glyph", Host.PlugIn.Glyph != nullptr ? "loaded" : "missing");
  return true;
}

// Fills the document from --doc and the options that shape it; false when it cannot be read.
bool LoadDocument(const TOptions& O) {
  HostDocument& Doc = App().Doc;
  std::u16string Text;
  if (!O.Doc.empty()) {
    std::string Bytes;
    if (!ReadFileBytes(O.Doc, Bytes)) {
      std::fputs("corvane-host: cannot read the document\n", stderr);
      return false;
    }
    if (!Utf8ToUtf16(Bytes, Text)) {
      std::fputs("corvane-host: the document is not valid UTF-8\n", stderr);
      return false;
    }
  }
  Doc.SetText(Text);
  Doc.SetReadOnly(O.ReadOnly);
  Doc.SetWrapWidth(O.Wrap);
  if (O.Path) Doc.SetPath(FromWide(*O.Path));
  if (O.Select) Doc.Select(O.Select->first, O.Select->second);
  if (O.Caret) Doc.SetCaret(*O.Caret);
  Doc.ClearLog();
  return true;
}

// --choose: how the popup menu is driven, by keyboard or left to the user.
void ConfigureMenu(const TOptions& O, THostReport& Report) {
  TMenuDriver& Menu = App().Menu;
  if (!O.Choose) {
    Menu.Configure(TMenuDriver::TMode::Watch, 0);
    Report.Add("choose", "user");
  } else if (*O.Choose == L"cancel") {
    Menu.Configure(TMenuDriver::TMode::Cancel, 0);
    Report.Add("choose", "cancel");
  } else {
    Menu.Configure(TMenuDriver::TMode::Choose, static_cast<UINT>(std::stoul(*O.Choose)));
    Report.Add("choose", ToUtf8(*O.Choose));
  }
}

// Runs the plug-in's command once (and then as often as a person presses the button with
// --interactive) and reports the menu, the document and the clipboard afterwards.
void RunCommand(const TOptions& O, THostReport& Report) {
  THostApp& Host = App();
  const std::u16string Before = Host.Doc.Text();
  Report.Add("selection.before.anchor", FormatPos(Host.Doc.Anchor()));
  Report.Add("selection.before.active", FormatPos(Host.Doc.Caret()));
  ConfigureMenu(O, Report);
  PrepareClipboard(O);
  Host.Hold.Ms = static_cast<DWORD>(O.HoldMs);
  Host.Hold.Note = O.HoldNote;
  if (O.HoldMs > 0) Host.Menu.SetHold(Host.Hold.Ms, [] { NoteHold("menu"); });
  if (O.Pointer) PlacePointer(O.Pointer->x, O.Pointer->y);
  HoldWindow("before");
  Host.Faults.Name = O.Fault;
  if (!O.NoRun) RunPlugInCommand();
  Host.Faults.Name.clear();
  HoldWindow("after");
  if (O.Interactive) {
    MSG Msg;
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
    Report.Add("fault.injected", Host.Faults.Injected);
  }
  Host.Menu.Report(Report);
  ReportDocument(Before, O, Report);
  ReportClipboard(Host.Window, Report);
}

int Run(const TOptions& O) {
  THostApp& Host = App();
  THostReport Report;
  CaptureDebugOutput();
  Report.Add("host", sizeof(void*) == 8 ? "x64" : "x86");
  Report.Add("dll", ToUtf8(O.Dll));
  if (!LoadPlugIn(O, Report)) return ExitLoad;
  if (!LoadDocument(O)) return ExitDocument;

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
    RunCommand(O, Report);
  }
  for (const std::u16string& Line : CapturedDebugOutput()) Report.AddText("debug.output", Line);
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
