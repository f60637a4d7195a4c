#include "cli/io/InputSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "cli/io/FileIO.h"
#include "cli/io/Message.h"
#include "cli/io/StdDescriptors.h"
#include "cli/sys/System.h"

namespace {

// Reads until Size bytes or the end; retries interrupted reads.
size_t ReadRetrying(int Fd, char* Buffer, size_t Size, const std::string& Name) {
  for (;;) {
    const int64_t Got = sys::Read(Fd, Buffer, Size);
    if (Got >= 0) return static_cast<size_t>(Got);
    if (errno != EINTR) throw EInputError(Name, SystemMessage(errno));
  }
}

// Limit as people write it: "4G", "512M", "1000".
std::string SizeText(uint64_t Limit) {
  static constexpr char Suffixes[] = "KMGT";
  int Power = 0;
  while (Power < 4 && Limit % 1024 == 0) {
    Limit /= 1024;
    ++Power;
  }
  return std::to_string(Limit) + (Power > 0 ? std::string(1, Suffixes[Power - 1]) : "");
}

}  // namespace

EInputError::EInputError(const std::string& Name, const std::string& Reason)
    : std::runtime_error(FileInMessage(Name) + ": " + Reason), FReason(Reason) {}

TFileSource::~TFileSource() {
  if (FOwned && FFd >= 0) sys::Close(FFd);
}

bool TFileSource::Open(const std::string& Name, std::string& Error) {
  FName = Name;
  if (Name == "-") {
    if (StandardDescriptorClosed(0)) {
      Error = SystemMessage(EBADF);
      return false;
    }
    sys::SetBinary(0);
    FFd = 0;
    FOwned = false;
  } else {
    FFd = sys::OpenForReading(Name);
    if (FFd < 0) {
      Error = SystemMessage(errno);
      return false;
    }
    FOwned = true;
  }
  sys::TFileFacts Facts;
  if (!sys::Facts(FFd, Facts)) {
    Error = SystemMessage(errno);
    return false;
  }
  if (Facts.Directory) {
    Error = SystemMessage(EISDIR);
    return false;
  }
  // Standard input redirected from a file is a regular file too: it can be read twice, from
  // where whoever had it before left it.
  FStart = Facts.Regular ? sys::Tell(FFd) : -1;
  FRegular = FStart >= 0;
  FSize = Facts.Size;
  FModified = Facts.Modified;
  return true;
}

size_t TFileSource::Read(char* Buffer, size_t Size) {
  return ReadRetrying(FFd, Buffer, Size, FName);
}

bool TFileSource::Unchanged() const {
  sys::TFileFacts Facts;
  return !FRegular ||
         (sys::Facts(FFd, Facts) && Facts.Size == FSize && Facts.Modified == FModified);
}

void TFileSource::Rewind() {
  if (!Unchanged()) throw EInputError(FName, Message(miFileChanged));
  if (!sys::Seek(FFd, FStart)) throw EInputError(FName, SystemMessage(errno));
}

size_t TMemorySource::Read(char* Buffer, size_t Size) {
  const size_t N = std::min({Size, FPiece, FBytes.size() - FPos});
  if (N > 0) std::memcpy(Buffer, FBytes.data() + FPos, N);
  FPos += N;
  return N;
}

void TMemorySource::Rewind() {
  if (!FRewindable) throw EInputError(FName, Message(miCannotReadTwice));
  FPos = 0;
}

TSpooledSource::TSpooledSource(TInputSource& Inner, uint64_t Limit, size_t MemoryLimit)
    : FInner(Inner), FLimit(Limit), FMemoryLimit(MemoryLimit) {}

TSpooledSource::~TSpooledSource() {
  if (FFileFd >= 0) sys::Close(FFileFd);
}

void TSpooledSource::Keep(const char* Bytes, size_t Size) {
  FKept += Size;
  if (FKept > FLimit) {
    throw EInputError(FInner.Name(), Message(miSpoolLimit, {SizeText(FLimit)}));
  }
  const size_t InMemory = std::min(Size, FMemoryLimit - std::min(FMemoryLimit, FMemory.size()));
  FMemory.append(Bytes, InMemory);
  Bytes += InMemory;
  Size -= InMemory;
  if (Size == 0) return;
  if (FFileFd < 0) {
    FFileFd = sys::OpenSpoolFile();
    if (FFileFd < 0) {
      throw EInputError(FInner.Name(), Message(miSpoolCreate, {SystemMessage(errno)}));
    }
  }
  if (!sys::WriteAll(FFileFd, Bytes, Size)) {
    throw EInputError(FInner.Name(), Message(miSpoolWrite, {SystemMessage(errno)}));
  }
}

size_t TSpooledSource::Read(char* Buffer, size_t Size) {
  if (!FReplaying) {
    const size_t Got = FInner.Read(Buffer, Size);
    Keep(Buffer, Got);
    return Got;
  }
  if (FReplayPos < FMemory.size()) {
    const size_t N = std::min(Size, FMemory.size() - FReplayPos);
    std::memcpy(Buffer, FMemory.data() + FReplayPos, N);
    FReplayPos += N;
    return N;
  }
  return FFileFd < 0 ? 0 : ReadRetrying(FFileFd, Buffer, Size, FInner.Name());
}

void TSpooledSource::Rewind() {
  FReplaying = true;
  FReplayPos = 0;
  if (FFileFd >= 0 && !sys::Seek(FFileFd, 0)) {
    throw EInputError(FInner.Name(), SystemMessage(errno));
  }
  // The memory part is replayed first; it no longer grows.
}
