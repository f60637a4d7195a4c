#pragma once

#include <string>

#include "host/win/HostText.h"

// --info: what the host reads from the loaded DLL by itself: the exports by name, the string,
// bitmap and version resources, the answers of PlugInProc (the uninstall box answered Yes or
// No automatically), QueryStatus, the resource-id getters and OnEvents' HostSendEventValue.
void ReportPlugInInfo(const std::wstring& DllPath, bool AnswerYes, THostReport& Report);
