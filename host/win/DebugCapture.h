#pragma once

// Catches what this process writes with OutputDebugString, for the report.

#include <string>
#include <vector>

// Catches the debug-output exceptions OutputDebugString raises, so the report can show what
// the plug-in wrote there; the exceptions then go on to the system's own handler.
void CaptureDebugOutput();

// What the process wrote there since CaptureDebugOutput (the plug-in's failure reports).
std::vector<std::u16string>& CapturedDebugOutput();
