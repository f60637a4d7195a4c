#pragma once
// Output of the corvane filter: standard output, or an atomically replaced file. Nothing is
// translated: on Windows every stream is binary.

#include <stdexcept>
#include <string>
#include <string_view>

#include "cli/LineFilter.h"

// A failed write or commit; what() is the complete message after "corvane: ".
class EOutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes straight to standard output; a failed write throws EOutputError.
class TStdoutSink : public TByteSink {
 public:
  TStdoutSink();
  void Write(std::string_view Bytes) override;
};

// Writes to a temporary file beside Target; Commit() flushes it to disk and renames it over
// Target, so Target holds either its old content or the complete new one. Without Commit()
// the temporary file is removed and Target never changes.
class TAtomicFile : public TByteSink {
 public:
  explicit TAtomicFile(std::string Target);  // throws EOutputError
  ~TAtomicFile() override;
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  void Write(std::string_view Bytes) override;
  void Commit();  // throws EOutputError; the temporary file is gone either way
  const std::string& Target() const { return FTarget; }

 private:
  void Discard() noexcept;
  std::string FTarget;
  std::string FTempName;
  int FFd = -1;
};
