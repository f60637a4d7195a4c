// main() on POSIX: the arguments are bytes already, passed on as they are.
#include <string>
#include <vector>

#include "cli/Main.h"

int main(int argc, char** argv) {
  const std::string Program = argc > 0 ? argv[0] : "";
  return RunProgram(Program, std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
