// The loaded plug-in's exports and resource strings, as the host editor reads them.

#include "host/win/PlugInExports.h"

#include "host/win/HostText.h"

namespace {

template <typename TProc>
TProc ResolveOne(HMODULE Dll, const char* Name) {
  return reinterpret_cast<TProc>(reinterpret_cast<void*>(GetProcAddress(Dll, Name)));
}

}  // namespace

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
