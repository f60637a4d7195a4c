#pragma once
// Where the corvane filter reads its bytes: files and standard input through read() in blocks
// (never mapped, so a file that changes under us is an error, not a signal), memory for the
// tests, and a spool that lets a pipe be read twice.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A failed read of the input Name; what() is the complete message after "corvane: ", the name
// quoted as messages show it, then Reason.
class EInputError : public std::runtime_error {
 public:
  EInputError(const std::string& Name, const std::string& Reason);
  [[nodiscard]] const std::string& Reason() const { return FReason; }

 private:
  std::string FReason;
};

class TInputSource {
 public:
  virtual ~TInputSource() = default;
  // Up to Size bytes into Buffer, at least one unless the input has ended. Throws EInputError.
  virtual size_t Read(char* Buffer, size_t Size) = 0;
  // Whether Rewind() can deliver the same bytes again from the first one.
  [[nodiscard]] virtual bool CanRewind() const = 0;
  // Starts again from the first byte read. Throws EInputError when the input changed meanwhile.
  virtual void Rewind() = 0;
  // Whether the input is still what it was when opened, as far as the system tells (size and
  // modification time).
  [[nodiscard]] virtual bool Unchanged() const { return true; }
  // Whether a read may wait for a writer (a pipe, a terminal): output is then passed on
  // before each read, so a filter in a pipeline answers line block by line block.
  [[nodiscard]] virtual bool Waits() const = 0;
  // The name in messages.
  [[nodiscard]] virtual const std::string& Name() const = 0;
};

// A file, or standard input for "-". A regular file can be rewound; any other kind is read once.
// Standard input is read from its current offset, as cat reads it, and left at its end.
class TFileSource : public TInputSource {
 public:
  TFileSource() = default;
  ~TFileSource() override;
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;

  // Opens Name; false with Error set to the system's reason ("No such file or directory").
  [[nodiscard]] bool Open(const std::string& Name, std::string& Error);

  size_t Read(char* Buffer, size_t Size) override;
  [[nodiscard]] bool CanRewind() const override { return FRegular; }
  void Rewind() override;
  [[nodiscard]] bool Unchanged() const override;
  [[nodiscard]] bool Waits() const override { return !FRegular; }
  [[nodiscard]] const std::string& Name() const override { return FName; }

 private:
  std::string FName;
  int FFd = -1;
  bool FOwned = false;  // false for standard input, which stays open
  bool FRegular = false;
  int64_t FStart = 0;  // the offset of the first byte read
  int64_t FSize = 0;   // a regular file's size and modification time when opened
  int64_t FModified = 0;
};

// Bytes in memory, delivered at most Piece bytes a read (small pieces test the seams).
class TMemorySource : public TInputSource {
 public:
  explicit TMemorySource(std::string_view Bytes, size_t Piece = SIZE_MAX, bool Rewindable = true)
      : FBytes(Bytes), FPiece(Piece == 0 ? 1 : Piece), FRewindable(Rewindable) {}

  size_t Read(char* Buffer, size_t Size) override;
  [[nodiscard]] bool CanRewind() const override { return FRewindable; }
  void Rewind() override;
  [[nodiscard]] bool Waits() const override { return !FRewindable; }
  [[nodiscard]] const std::string& Name() const override { return FName; }

 private:
  std::string_view FBytes;
  size_t FPiece;
  bool FRewindable;
  size_t FPos = 0;
  std::string FName = "-";
};

// Reads Inner once and keeps what it read, so Rewind() can replay it: in memory up to
// MemoryLimit bytes, the rest in an anonymous temporary file that vanishes with the spool.
// More than Limit bytes in all is an EInputError.
class TSpooledSource : public TInputSource {
 public:
  TSpooledSource(TInputSource& Inner, uint64_t Limit, size_t MemoryLimit = size_t{16} << 20);
  ~TSpooledSource() override;
  TSpooledSource(const TSpooledSource&) = delete;
  TSpooledSource& operator=(const TSpooledSource&) = delete;

  size_t Read(char* Buffer, size_t Size) override;
  [[nodiscard]] bool CanRewind() const override { return true; }
  void Rewind() override;
  [[nodiscard]] bool Waits() const override { return !FReplaying && FInner.Waits(); }
  [[nodiscard]] const std::string& Name() const override { return FInner.Name(); }

 private:
  void Keep(const char* Bytes, size_t Size);

  TInputSource& FInner;
  uint64_t FLimit;
  uint64_t FKept = 0;
  size_t FMemoryLimit;
  std::string FMemory;
  int FFileFd = -1;  // the part beyond MemoryLimit
  bool FReplaying = false;
  size_t FReplayPos = 0;  // within FMemory, then the file
};
