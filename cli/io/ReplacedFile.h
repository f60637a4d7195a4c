#pragma once
// The file -o replaces: written beside its target and renamed over it. Declared once; the
// creation, cleanup and commit differ by system (SystemPosix.cpp, SystemWin32.cpp), writing
// does not (FileIO.cpp).

#include <string>
#include <string_view>

#include "cli/io/FileIO.h"

struct stat;

// Writes to a temporary file beside Target; Commit() flushes it to disk and renames it over
// Target, so Target holds either its old content or the complete new one. Without Commit()
// the temporary file is removed and Target never changes. Existing: Target's mode, owner and
// group (null when Target does not exist yet).
class TReplacedFile : public TOutput {
 public:
  TReplacedFile(std::string Name, std::string Target, const struct stat* Existing);
  ~TReplacedFile() override { Discard(); }
  TReplacedFile(const TReplacedFile&) = delete;
  TReplacedFile& operator=(const TReplacedFile&) = delete;

  void Write(std::string_view Bytes) override;
  void Commit() override;
  [[nodiscard]] bool Replaces() const override { return true; }
  [[nodiscard]] const std::string& Name() const override { return FName; }

 private:
  [[noreturn]] void Fail(const std::string& Message);
  void Discard() noexcept;

  std::string FName;    // as the user wrote it
  std::string FTarget;  // the file replaced: the final target of a symbolic link
  std::string FTempName;
  int FFd = -1;
};
