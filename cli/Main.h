#pragma once
// The program's one portable entry; main() or wmain() in cli/sys/ calls it with the arguments
// as UTF-8, whatever form the system hands them over in.

#include <string>
#include <vector>

// RunProgram() — corvane (or nl, when Program names it) on Args, which follow the program
// name; the exit status.
[[nodiscard]] int RunProgram(const std::string& Program, const std::vector<std::string>& Args);
