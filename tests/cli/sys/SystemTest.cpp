// What the system layer reports of a file.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "cli/sys/System.h"

namespace {

// A rewrite within the same second shows in a file's facts: the time is the file system's
// own, not whole seconds.
TEST(SystemFacts, ShowARewriteWithinASecond) {
  const std::filesystem::path Path =
      std::filesystem::temp_directory_path() / ("corvane-facts-" + std::to_string(std::rand()));
  auto Write = [&Path](const char* Text) { std::ofstream(Path, std::ios::binary) << Text; };
  Write("one\n");
  const int Fd = sys::OpenForReading(Path.string());
  ASSERT_GE(Fd, 0);
  sys::TFileFacts Before, After;
  ASSERT_TRUE(sys::Facts(Fd, Before));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  Write("two\n");
  ASSERT_TRUE(sys::Facts(Fd, After));
  EXPECT_EQ(After.Size, Before.Size);
  EXPECT_NE(After.Modified, Before.Modified);
  (void)sys::Close(Fd);
  std::filesystem::remove(Path);
}

// A file rewritten in place with the same size and lines once Switch bytes were read in all,

}  // namespace
