#pragma once
// The file -o and --in-place replace: written beside its target and put in its place at Commit().
// The temporary file is the system layer's (sys::TTemporaryFile); what is kept and what a failure
// means is decided here, once for every system.

#include <string>
#include <string_view>

#include "cli/io/FileIO.h"
#include "cli/sys/System.h"

// Writes to a temporary file beside Target; Commit() flushes it to disk and renames it over
// Target, so Target holds either its old content or the complete new one. Without Commit()
// nothing remains of the temporary file and Target never changes. Existing: Target is there,
// and the new file keeps its mode, owner and group (attributes and access list on Windows).
// KeepAs not empty: Commit() keeps the old Target under that name. Throws EOutputError.
class TReplacedFile : public TOutput {
 public:
  TReplacedFile(std::string Name, std::string Target, bool Existing, std::string KeepAs = "");

  void Write(std::string_view Bytes) override;
  void Commit() override;
  [[nodiscard]] bool Replaces() const override { return true; }
  [[nodiscard]] const std::string& Name() const override { return FName; }

 private:
  [[noreturn]] void Fail(const std::string& Message);

  std::string FName;    // as the user wrote it
  std::string FTarget;  // the file replaced: the final target of a symbolic link
  std::string FKeepAs;  // where the old Target goes; empty: nowhere
  sys::TTemporaryFile FFile;
};
