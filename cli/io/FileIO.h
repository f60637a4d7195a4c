#pragma once
// Where corvane's output goes: standard output, or what -o names, handled by what it is.
//   a regular file (or a symbolic link's final target) is replaced atomically through a
//     temporary file in its folder, keeping its mode, owner and group; one with other hard
//     links is refused, so the other names never silently keep the old text;
//   the file standard output or standard error is open on, however it is named, and what
//     /dev/fd/N or /proc/self/fd/N stands for, is written through that descriptor;
//   a character or block device, FIFO or socket is written directly, never replaced (on
//     Windows NUL, CON and the other device names);
//   "-" is standard output.
// Nothing is translated: on Windows every stream is binary. A Windows console is the one
// exception: it takes text, not bytes, so what goes to one is decoded and written as UTF-16.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "cli/io/ConsoleText.h"
#include "cli/io/ByteSink.h"

// A failed open, write or commit; what() is the complete message after "corvane: ".
class EOutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes straight to standard output; a failed write throws EOutputError. A Windows console
// gets the text of the bytes, read in the encoding SetEncoding() last named (UTF-8 before).
class TStdoutSink : public TByteSink {
 public:
  TStdoutSink();
  void Write(std::string_view Bytes) override;
  void SetEncoding(TTextEncoding Encoding) override;

 private:
  void ShowOnConsole(std::u16string_view Text);

  std::optional<TConsoleDecoder> FConsole;  // when standard output is a console
};

class TOutput : public TByteSink {
 public:
  // Makes what was written final: a replaced file takes the target's place. Throws
  // EOutputError; without it a replaced file stays as it was.
  virtual void Commit() = 0;
  // Whether the target stays untouched until Commit(): true for a replaced file.
  [[nodiscard]] virtual bool Replaces() const = 0;
  [[nodiscard]] virtual const std::string& Name() const = 0;
};

// OpenOutput() — the output -o Name asks for (OutputPolicy.h); "" is standard output. Throws
// EOutputError.
[[nodiscard]] std::unique_ptr<TOutput> OpenOutput(const std::string& Name);

// WriteStandardError() — Message (UTF-8) to standard error: to a console as UTF-16, so that it
// reads right whatever the console's code page, else its bytes. Dropped when standard error
// was closed at start.
void WriteStandardError(std::string_view Message);

// SystemMessage() — the system's text for an errno value, as strerror() gives it, in the chosen
// language (cli/io/Message.h).
[[nodiscard]] std::string SystemMessage(int Errno);
