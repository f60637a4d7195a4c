#pragma once
// Byte-exact file access for the corvane filter: whole files in, standard output or an
// atomically replaced file out. Nothing is translated: on Windows every stream is binary.

#include <stdexcept>
#include <string>
#include <string_view>

#include "cli/LineFilter.h"

// A failed write or commit; what() is the complete message after "corvane: ".
class EOutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The bytes of one input: a read-only mapping of a regular file where the system has one,
// else a copy read into memory.
class TInputData {
 public:
  TInputData() = default;
  ~TInputData() { Release(); }
  TInputData(const TInputData&) = delete;
  TInputData& operator=(const TInputData&) = delete;

  std::string_view View() const {
    return FMapped ? std::string_view(FMapped, FMappedSize) : FBytes;
  }
  void Release() noexcept;

 private:
  friend bool ReadInput(const std::string& Name, TInputData& Data, std::string& Error);
  std::string FBytes;
  const char* FMapped = nullptr;
  size_t FMappedSize = 0;
};

// ReadInput() — the whole file Name, or all of standard input for "-". On failure false,
// with Error set to the system's reason ("No such file or directory").
[[nodiscard]] bool ReadInput(const std::string& Name, TInputData& Data, std::string& Error);

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
