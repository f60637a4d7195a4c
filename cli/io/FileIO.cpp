#include "cli/io/FileIO.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/io/Message.h"
#include "cli/io/OutputPolicy.h"
#include "cli/io/StdDescriptors.h"
#include "cli/sys/System.h"
#include "library/UtfUnit/UtfUnit.h"

namespace {

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
  const std::string Text = sys::ErrorText(Errno, MessageLanguage());
  if (!Text.empty()) return Text;
  // Windows has no text for a folder read as a file; it reads as the C library says it.
  return Errno == EISDIR ? Message(miIsDirectory) : sys::ErrorText(Errno, sys::lgEnglish);
}

TStdoutSink::TStdoutSink() {
  sys::SetBinary(1);
  if (!StandardDescriptorClosed(1) && sys::IsConsole(1)) FConsole.emplace();
}

void TStdoutSink::Write(std::string_view Bytes) {
  if (StandardDescriptorClosed(1)) {
    throw EOutputError(Message(miWriteError, {SystemMessage(EBADF)}));
  }
  if (FConsole) {
    std::u16string Text;
    FConsole->Decode(Bytes, Text);
    return ShowOnConsole(Text);
  }
  if (!sys::WriteAll(1, Bytes.data(), Bytes.size())) {
    throw EOutputError(Message(miWriteError, {SystemMessage(errno)}));
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
    throw EOutputError(Message(miWriteError, {SystemMessage(errno)}));
  }
}

void WriteStandardError(std::string_view Message) {
  if (StandardDescriptorClosed(2)) return;
  if (sys::IsConsole(2) && sys::WriteConsoleText(2, Utf8ToUtf16Lenient(Message))) return;
  std::fwrite(Message.data(), 1, Message.size(), stderr);
}

std::unique_ptr<TOutput> OpenOutput(const std::string& Name) {
  if (Name.empty() || Name == "-") return std::make_unique<TStandardOutput>();
  return OpenFileOutput(Name);
}
