// wmain() on Windows: the arguments arrive as UTF-16, so that file names outside the ANSI code
// page survive, and go on as UTF-8.
#include <string>
#include <vector>

#include "cli/Main.h"
#include "cli/io/TextCodec.h"
#include "library/UtfUnit/UtfUnit.h"

extern "C" int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> Args;
  for (int I = 0; I < argc; ++I) {
    std::string Arg;
    const std::wstring_view W(argv[I]);
    EncodeText(std::u16string_view(reinterpret_cast<const char16_t*>(W.data()), W.size()), teUtf8,
               Arg);
    Args.push_back(std::move(Arg));
  }
  const std::string Program = Args.empty() ? std::string() : Args.front();
  if (!Args.empty()) Args.erase(Args.begin());
  return RunProgram(Program, Args);
}
