// corvane_completions DIR: writes corvane's completions for bash, zsh and fish into DIR, made
// from the same option tables as its parsing and --help (run at build time).

#include <cstdio>
#include <fstream>
#include <string>

#include "cli/filter/CommandLine.h"
#include "cli/io/Completion.h"

namespace {

bool WriteFile(const std::string& Path, const std::string& Text) {
  std::ofstream Out(Path, std::ios::binary);
  Out << Text;
  Out.close();
  if (Out) return true;
  std::fprintf(stderr, "corvane_completions: cannot write %s\n", Path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: corvane_completions DIR\n");
    return 1;
  }
  const std::string Dir = argv[1];
  const TProgramSpec Program = CorvaneProgram();
  const bool Ok = WriteFile(Dir + "/corvane.bash", BashCompletion(Program)) &&
                  WriteFile(Dir + "/_corvane", ZshCompletion(Program)) &&
                  WriteFile(Dir + "/corvane.fish", FishCompletion(Program));
  return Ok ? 0 : 1;
}
