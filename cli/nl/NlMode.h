#pragma once
// corvane nl: GNU nl's interface and output, byte for byte, as "corvane nl" or as a program
// named nl.

#include <string>
#include <string_view>
#include <vector>

// RunNl() — Args without the program name; Program names it in messages and in the usage
// line ("nl", "corvane nl"). Returns the exit status; never throws.
[[nodiscard]] int RunNl(const std::vector<std::string>& Args, const std::string& Program);

// IsNlProgramName() — whether Argv0 names nl: its base name is "nl" or "nl.exe" (in any case
// on Windows). IsNlProgramName("/usr/local/bin/nl") is true.
[[nodiscard]] bool IsNlProgramName(std::string_view Argv0);
