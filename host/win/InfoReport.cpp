#include "host/win/InfoReport.h"

#include <cstring>
#include <vector>

#include "host/win/HostWindow.h"
#include "win32/Guards.h"
#include "plugin/plugin.h"

namespace {

constexpr WORD JapaneseLanguage = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);  // 0x0411

void ReportExports(THostApp& Host, THostReport& Report) {
  const TPlugInExports& E = Host.PlugIn.Exports;
  const std::pair<const char*, const void*> Exports[] = {
      {"OnCommand", reinterpret_cast<const void*>(E.OnCommand)},
      {"QueryStatus", reinterpret_cast<const void*>(E.QueryStatus)},
      {"OnEvents", reinterpret_cast<const void*>(E.OnEvents)},
      {"GetMenuTextID", reinterpret_cast<const void*>(E.GetMenuTextID)},
      {"GetStatusMessageID", reinterpret_cast<const void*>(E.GetStatusMessageID)},
      {"GetBitmapID", reinterpret_cast<const void*>(E.GetBitmapID)},
      {"PlugInProc", reinterpret_cast<const void*>(E.PlugInProc)},
  };
  for (const auto& [Name, Proc] : Exports)
    Report.Add(std::string("export.") + Name, Proc != nullptr ? "found" : "missing");
  // The x86 stdcall names must not leak out decorated.
  const char* Decorated[] = {"_OnCommand@4", "OnCommand@4", "_PlugInProc@16", "PlugInProc@16",
                             "_GetBitmapID@0"};
  std::string Found;
  for (const char* Name : Decorated) {
    if (GetProcAddress(Host.PlugIn.Dll, Name) == nullptr) continue;
    if (!Found.empty()) Found += ",";
    Found += Name;
  }
  Report.Add("export.decorated", Found.empty() ? "none" : Found);
}

void ReportStrings(HMODULE Dll, THostReport& Report) {
  for (UINT Id : {1u, 2u, 65444u, 65445u, 65446u}) {
    std::u16string Text;
    const std::string Key = "string." + std::to_string(Id);
    if (!LoadResourceString(Dll, Id, Text)) {
      Report.Add(Key, "missing");
      continue;
    }
    Report.AddText(Key, Text);
    Report.Add(Key + ".length", static_cast<int64_t>(Text.size()));
    // Strings live in blocks of 16: block Id / 16 + 1.
    const bool Japanese = FindResourceExW(Dll, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(Id / 16 + 1),
                                          JapaneseLanguage) != nullptr;
    Report.Add(Key + ".language", Japanese ? "0411" : "other");
  }
}

void ReportBitmap(HMODULE Dll, int Id, THostReport& Report) {
  HRSRC Info = FindResourceExW(Dll, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(Id), JapaneseLanguage);
  Report.Add("bitmap.language", Info != nullptr ? "0411" : "other");
  if (Info == nullptr) Info = FindResourceW(Dll, MAKEINTRESOURCEW(Id), MAKEINTRESOURCEW(2));
  if (Info == nullptr) {
    Report.Add("bitmap", "missing");
    return;
  }
  const DWORD Size = SizeofResource(Dll, Info);
  const void* Data = LockResource(LoadResource(Dll, Info));
  Report.Add("bitmap.resource.size", Size);
  if (Data == nullptr || Size < sizeof(BITMAPINFOHEADER)) return;
  BITMAPINFOHEADER Header;
  std::memcpy(&Header, Data, sizeof(Header));
  Report.Add("bitmap.header.size", Header.biSize);
  Report.Add("bitmap.width", Header.biWidth);
  Report.Add("bitmap.height", Header.biHeight);
  Report.Add("bitmap.planes", Header.biPlanes);
  Report.Add("bitmap.bitcount", Header.biBitCount);
  Report.Add("bitmap.compression", Header.biCompression);
  Report.Add("bitmap.sizeimage", Header.biSizeImage);
  Report.Add("bitmap.clrused", Header.biClrUsed);
  Report.Add("bitmap.pixels.size",
             static_cast<int64_t>(Size) - static_cast<int64_t>(Header.biSize));
  Report.Add("bitmap.hex", HexBytes(Data, Size));
  // And through the loader, as a host's toolbar takes it.
  const TUniqueHandle<HBITMAP, DeleteObject> Loaded(static_cast<HBITMAP>(
      LoadImageW(Dll, MAKEINTRESOURCEW(Id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  BITMAP Object = {};
  if (Loaded && GetObjectW(Loaded.get(), sizeof(Object), &Object) == sizeof(Object)) {
    Report.Add("bitmap.loaded", std::to_string(Object.bmWidth) + "x" +
                                    std::to_string(Object.bmHeight) + "x" +
                                    std::to_string(Object.bmBitsPixel));
  } else {
    Report.Add("bitmap.loaded", "failed");
  }
}

std::string VersionText(DWORD High, DWORD Low) {
  return std::to_string(HIWORD(High)) + "." + std::to_string(LOWORD(High)) + "." +
         std::to_string(HIWORD(Low)) + "." + std::to_string(LOWORD(Low));
}

void ReportVersion(const std::wstring& DllPath, HMODULE Dll, THostReport& Report) {
  Report.Add("version.language", FindResourceExW(Dll, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1),
                                                 JapaneseLanguage) != nullptr
                                     ? "0411"
                                     : "other");
  DWORD Ignored = 0;
  const DWORD Size = GetFileVersionInfoSizeW(DllPath.c_str(), &Ignored);
  if (Size == 0) {
    Report.Add("version", "missing");
    return;
  }
  std::vector<unsigned char> Block(Size);
  if (!GetFileVersionInfoW(DllPath.c_str(), 0, Size, Block.data())) {
    Report.Add("version", "unreadable");
    return;
  }
  VS_FIXEDFILEINFO* Fixed = nullptr;
  UINT Length = 0;
  if (VerQueryValueW(Block.data(), L"\\", reinterpret_cast<void**>(&Fixed), &Length) &&
      Fixed != nullptr) {
    Report.Add("version.signature", HexNumber(Fixed->dwSignature));
    Report.Add("version.file", VersionText(Fixed->dwFileVersionMS, Fixed->dwFileVersionLS));
    Report.Add("version.product",
               VersionText(Fixed->dwProductVersionMS, Fixed->dwProductVersionLS));
    Report.Add("version.flagsmask", HexNumber(Fixed->dwFileFlagsMask));
    Report.Add("version.flags", HexNumber(Fixed->dwFileFlags));
    Report.Add("version.os", HexNumber(Fixed->dwFileOS));
    Report.Add("version.type", HexNumber(Fixed->dwFileType));
    Report.Add("version.subtype", HexNumber(Fixed->dwFileSubtype));
    Report.Add("version.date",
               HexNumber((static_cast<uint64_t>(Fixed->dwFileDateMS) << 32) | Fixed->dwFileDateLS));
  }
  const wchar_t* Keys[] = {L"FileVersion",      L"FileDescription", L"CompanyName",
                           L"ProductName",      L"ProductVersion",  L"InternalName",
                           L"OriginalFilename", L"LegalCopyright",  L"LegalTrademarks"};
  for (const wchar_t* Key : Keys) {
    const std::wstring Query = std::wstring(L"\\StringFileInfo\\041104b0\\") + Key;
    wchar_t* Value = nullptr;
    UINT Chars = 0;
    const std::string ReportKey = "version.string." + ToUtf8(Key);
    if (VerQueryValueW(Block.data(), Query.c_str(), reinterpret_cast<void**>(&Value), &Chars) &&
        Value != nullptr) {
      Report.Add(ReportKey, "present:" + EscapeText(std::wstring_view(Value)));
    } else {
      Report.Add(ReportKey, "missing");
    }
  }
  WORD* Translation = nullptr;
  if (VerQueryValueW(Block.data(), L"\\VarFileInfo\\Translation",
                     reinterpret_cast<void**>(&Translation), &Length) &&
      Translation != nullptr && Length >= 4) {
    Report.Add("version.translation", HexNumber(Translation[0]) + "," + HexNumber(Translation[1]));
  } else {
    Report.Add("version.translation", "missing");
  }
}

// One name/version query: the result and the first bytes of a buffer filled with 0xCC before.
void ReportStringQuery(THostApp& Host, UINT Code, WPARAM Size, bool WithBuffer,
                       THostReport& Report) {
  unsigned char Buffer[32];
  std::memset(Buffer, 0xCC, sizeof(Buffer));
  const LRESULT Result = Host.PlugIn.Exports.PlugInProc(
      Host.Window, Code, Size, WithBuffer ? reinterpret_cast<LPARAM>(Buffer) : 0);
  const std::string Key = "plugin." + std::to_string(Code) + "." +
                          (WithBuffer ? "buffer" : "nobuffer") + "." + std::to_string(Size);
  Report.Add(Key, static_cast<int64_t>(Result));
  if (WithBuffer) Report.Add(Key + ".bytes", HexBytes(Buffer, 16));
}

void ReportPlugInProc(THostApp& Host, bool AnswerYes, THostReport& Report) {
  if (Host.PlugIn.Exports.PlugInProc == nullptr) return;
  for (UINT Code : {2306u, 2308u}) {
    ReportStringQuery(Host, Code, 0, false, Report);
    ReportStringQuery(Host, Code, 32, false, Report);
    ReportStringQuery(Host, Code, 32, true, Report);
    ReportStringQuery(Host, Code, 5, true, Report);
    ReportStringQuery(Host, Code, 1, true, Report);
    ReportStringQuery(Host, Code, 0, true, Report);
  }
  Report.Add("plugin.2310",
             static_cast<int64_t>(Host.PlugIn.Exports.PlugInProc(Host.Window, 2310, 0, 0)));
  std::string Others;
  for (UINT Code : {0u, 1u, 2305u, 2307u, 2309u, 2312u, 0xFFFFFFFFu}) {
    if (!Others.empty()) Others += ",";
    Others += std::to_string(Code) + ":" +
              std::to_string(Host.PlugIn.Exports.PlugInProc(Host.Window, Code, 32, 0));
  }
  Report.Add("plugin.others", Others);

  Host.Box.Arm(Host.Window, AnswerYes);
  const LRESULT Answer = Host.PlugIn.Exports.PlugInProc(Host.Window, 2311, 0, 0);
  Host.Box.Disarm(Host.Window);
  Report.Add("plugin.2311.answer", AnswerYes ? "yes" : "no");
  Report.Add("plugin.2311", static_cast<int64_t>(Answer));
  Report.Add("plugin.2311.box", Host.Box.Seen() ? "seen" : "none");
  Report.AddText("plugin.2311.box.caption", Host.Box.Caption());
  Report.AddText("plugin.2311.box.text", Host.Box.Text());
  Report.Add("plugin.2311.box.buttons", Host.Box.Buttons());
  Report.Add("plugin.2311.box.icon", Host.Box.Icon());
}

void ReportEvents(THostApp& Host, THostReport& Report) {
  if (Host.PlugIn.Exports.OnEvents == nullptr) return;
  struct TStep {
    UINT Flags;
    LPARAM Value;
  };
  std::vector<TStep> Steps = {
      {0x40, 5}, {0x400, 1234}, {0x40, 99}, {0x440, 77}, {~0x440u, 5}, {0x440, -1},
  };
  if (sizeof(LPARAM) == 8) Steps.push_back({0x440, static_cast<LPARAM>(0x123456789LL)});
  int Index = 0;
  for (const TStep& Step : Steps) {
    const int32_t Before = Host.Doc.EventValueCount();
    Host.PlugIn.Exports.OnEvents(Host.Window, Step.Flags, Step.Value);
    const int32_t Sent = Host.Doc.EventValueCount() - Before;
    std::string Line = "flags=" + HexNumber(Step.Flags) +
                       " value=" + HexNumber(static_cast<uintptr_t>(Step.Value)) + " sent=";
    if (Sent == 0) {
      Line += "none";
    } else {
      Line += HexNumber(Host.Doc.LastEventValue());
      if (Sent > 1) Line += " times=" + std::to_string(Sent);
    }
    Report.Add("onevents." + std::to_string(Index++), Line);
  }
}

}  // namespace

void ReportPlugInInfo(const std::wstring& DllPath, bool AnswerYes, THostReport& Report) {
  THostApp& Host = App();
  ReportExports(Host, Report);
  ReportStrings(Host.PlugIn.Dll, Report);
  if (Host.PlugIn.Exports.GetMenuTextID != nullptr)
    Report.Add("getmenutextid", Host.PlugIn.Exports.GetMenuTextID());
  if (Host.PlugIn.Exports.GetStatusMessageID != nullptr)
    Report.Add("getstatusmessageid", Host.PlugIn.Exports.GetStatusMessageID());
  if (Host.PlugIn.Exports.GetBitmapID != nullptr)
    Report.Add("getbitmapid", Host.PlugIn.Exports.GetBitmapID());
  ReportBitmap(Host.PlugIn.Dll,
               Host.PlugIn.Exports.GetBitmapID != nullptr ? Host.PlugIn.Exports.GetBitmapID() : 101,
               Report);
  ReportVersion(DllPath, Host.PlugIn.Dll, Report);
  ReportPlugInProc(Host, AnswerYes, Report);
  if (Host.PlugIn.Exports.QueryStatus != nullptr) {
    Report.Add("querystatus",
               static_cast<int64_t>(Host.PlugIn.Exports.QueryStatus(Host.Window, 0)));
  }
  ReportEvents(Host, Report);
}
