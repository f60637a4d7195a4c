// Runs a fuzz target once over every file of the given corpus directories (or files), so
// the normal test builds replay the checked-in corpus without libFuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> Files;
  for (int I = 1; I < argc; ++I) {
    const fs::path Arg(argv[I]);
    if (fs::is_directory(Arg)) {
      for (const fs::directory_entry& Entry : fs::directory_iterator(Arg)) {
        if (Entry.is_regular_file()) Files.push_back(Entry.path());
      }
    } else {
      Files.push_back(Arg);
    }
  }
  std::sort(Files.begin(), Files.end());
  // An empty corpus would pass without checking anything.
  if (Files.empty()) {
    std::fprintf(stderr, "no corpus files given\n");
    return 1;
  }
  for (const fs::path& File : Files) {
    std::ifstream Stream(File, std::ios::binary);
    if (!Stream) {
      std::fprintf(stderr, "cannot read %s\n", File.string().c_str());
      return 1;
    }
    const std::vector<uint8_t> Bytes((std::istreambuf_iterator<char>(Stream)),
                                     std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(Bytes.data(), Bytes.size());
  }
  std::printf("%zu inputs replayed\n", Files.size());
  return 0;
}
