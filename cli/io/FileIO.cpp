#include "cli/io/FileIO.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/io/ReplacedFile.h"
#include "cli/io/StdDescriptors.h"
#include "cli/sys/System.h"
#include "library/UtfUnit/UtfUnit.h"

namespace {

// A descriptor written directly: a device, a FIFO, a socket, a descriptor alias.
class TDescriptorOutput : public TOutput {
 public:
  TDescriptorOutput(int Fd, std::string Name) : FFd(Fd), FName(std::move(Name)) {}
  ~TDescriptorOutput() override {
    if (FFd >= 0) sys::Close(FFd);
  }
  TDescriptorOutput(const TDescriptorOutput&) = delete;
  TDescriptorOutput& operator=(const TDescriptorOutput&) = delete;

  void Write(std::string_view Bytes) override {
    if (!sys::WriteAll(FFd, Bytes.data(), Bytes.size())) {
      throw EOutputError(FName + ": " + SystemMessage(errno));
    }
  }
  void Commit() override {
    const int Fd = FFd;
    FFd = -1;
    if (Fd >= 0 && sys::Close(Fd) != 0 && errno != EINTR) {
      throw EOutputError(FName + ": " + SystemMessage(errno));
    }
  }
  [[nodiscard]] bool Replaces() const override { return false; }
  [[nodiscard]] const std::string& Name() const override { return FName; }

 private:
  int FFd;
  std::string FName;
};

class TStandardOutput : public TOutput {
 public:
  void Write(std::string_view Bytes) override { FSink.Write(Bytes); }
  void SetEncoding(TTextEncoding Encoding) override { FSink.SetEncoding(Encoding); }
  void Commit() override {}
  [[nodiscard]] bool Replaces() const override { return false; }
  [[nodiscard]] const std::string& Name() const override { return FName; }

 private:
  TStdoutSink FSink;
  std::string FName = "-";
};

}  // namespace

std::string SystemMessage(int Errno) {
  return std::strerror(Errno);
}

TStdoutSink::TStdoutSink() {
  sys::SetBinary(1);
  if (!StandardDescriptorClosed(1) && sys::IsConsole(1)) FConsole.emplace();
}

void TStdoutSink::Write(std::string_view Bytes) {
  if (StandardDescriptorClosed(1)) throw EOutputError("write error: " + SystemMessage(EBADF));
  if (FConsole) {
    std::u16string Text;
    FConsole->Decode(Bytes, Text);
    return ShowOnConsole(Text);
  }
  if (!sys::WriteAll(1, Bytes.data(), Bytes.size())) {
    throw EOutputError("write error: " + SystemMessage(errno));
  }
}

void TStdoutSink::SetEncoding(TTextEncoding Encoding) {
  if (!FConsole) return;
  std::u16string Text;
  FConsole->SetEncoding(Encoding, Text);
  ShowOnConsole(Text);
}

void TStdoutSink::ShowOnConsole(std::u16string_view Text) {
  if (!Text.empty() && !sys::WriteConsoleText(1, Text)) {
    throw EOutputError("write error: " + SystemMessage(errno));
  }
}

void WriteStandardError(std::string_view Message) {
  if (StandardDescriptorClosed(2)) return;
  if (sys::IsConsole(2) && sys::WriteConsoleText(2, Utf8ToUtf16Lenient(Message))) return;
  std::fwrite(Message.data(), 1, Message.size(), stderr);
}

void TReplacedFile::Fail(const std::string& Message) {
  Discard();
  throw EOutputError(Message);
}

void TReplacedFile::Write(std::string_view Bytes) {
  if (!sys::WriteAll(FFd, Bytes.data(), Bytes.size())) Fail(FName + ": " + SystemMessage(errno));
}

std::unique_ptr<TOutput> DescriptorOutput(int Fd, std::string Name) {
  return std::make_unique<TDescriptorOutput>(Fd, std::move(Name));
}

std::unique_ptr<TOutput> OpenOutput(const std::string& Name) {
  if (Name.empty() || Name == "-") return std::make_unique<TStandardOutput>();
  return sys::OpenFileOutput(Name);
}
