// -o and --in-place by what their target is: written through a descriptor corvane holds, written
// directly, replaced, or refused. The facts come from the system layer; the decisions are all here.
#include "cli/io/OutputPolicy.h"

#include <cerrno>

#include "cli/io/Message.h"
#include "cli/io/Quote.h"
#include "cli/io/ReplacedFile.h"
#include "cli/io/StdDescriptors.h"
#include "cli/sys/System.h"

namespace {

// A descriptor written directly: a device, a FIFO, a socket, a descriptor corvane holds.
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
      throw EOutputError(FileInMessage(FName) + ": " + SystemMessage(errno));
    }
  }
  void Commit() override {
    const int Fd = FFd;
    FFd = -1;
    if (Fd >= 0 && sys::Close(Fd) != 0 && errno != EINTR) {
      throw EOutputError(FileInMessage(FName) + ": " + SystemMessage(errno));
    }
  }
  [[nodiscard]] bool Replaces() const override { return false; }
  [[nodiscard]] const std::string& Name() const override { return FName; }

 private:
  int FFd;
  std::string FName;
};

[[noreturn]] void Refuse(const std::string& Name, int Errno) {
  throw EOutputError(FileInMessage(Name) + ": " + SystemMessage(Errno));
}

// The descriptor corvane holds open on the very file Facts describe, however Name spells it:
// the one Name spells, else standard output, else standard error; -1 for none. Writing through
// it keeps its offset and append mode, where replacing the file would cut it from the file
// (>> log.txt would lose what log.txt held) and reopening a pipe or socket may not work.
int HeldDescriptor(const sys::TTargetFacts& Facts, int Spelled) {
  for (const int Fd : {Spelled, 1, 2}) {
    if (Fd < 0 || StandardDescriptorClosed(Fd)) continue;
    if (sys::DescriptorIdentity(Fd).Same(Facts.Identity)) return Fd;
  }
  return -1;
}

}  // namespace

TReplacedFile::TReplacedFile(std::string Name, std::string Target, bool Existing,
                             std::string KeepAs)
    : FName(std::move(Name)), FTarget(std::move(Target)), FKeepAs(std::move(KeepAs)) {
  std::string Reason;
  if (!FFile.Create(FTarget, Reason)) {
    throw EOutputError(Message(miTempCreate, {QuoteArgument(FFile.Folder(), mtUtf8), Reason}));
  }
  // A file that cannot keep what it had is not replaced: it would change hands or rights.
  if (Existing && !FFile.KeepMetadataOf(FTarget, Reason)) {
    Fail(Message(miKeepMetadata, {FileInMessage(FName), Reason}));
  }
}

void TReplacedFile::Fail(const std::string& Message) {
  FFile.Discard();
  throw EOutputError(Message);
}

void TReplacedFile::Write(std::string_view Bytes) {
  if (!sys::WriteAll(FFile.Fd(), Bytes.data(), Bytes.size())) {
    Fail(FileInMessage(FName) + ": " + SystemMessage(errno));
  }
}

void TReplacedFile::Commit() {
  std::string Reason;
  if (!FFile.Commit(Reason, FKeepAs)) Fail(FileInMessage(FName) + ": " + Reason);
}

namespace {

// What no name can be replaced as: one that cannot be followed, a dangling link, a directory.
void RefuseUnreachable(const std::string& Name, const sys::TTargetFacts& Facts) {
  if (Facts.Error != 0) Refuse(Name, Facts.Error);
  if (Facts.Dangling) {
    throw EOutputError(
        Facts.PointsTo.empty()
            ? Message(miDangling, {FileInMessage(Name)})
            : Message(miDanglingTo, {FileInMessage(Name), QuoteArgument(Facts.PointsTo, mtUtf8)}));
  }
  if (Facts.Kind == sys::fkDirectory) Refuse(Name, EISDIR);
}

// A regular file replaced through a temporary one, unless other names would keep the old text.
std::unique_ptr<TOutput> ReplaceRegular(const std::string& Name, const sys::TTargetFacts& Facts,
                                        const std::string& KeepAs) {
  if (Facts.Links > 1) {
    throw EOutputError(Message(miHardLinks, {FileInMessage(Name), std::to_string(Facts.Links)}));
  }
  return std::make_unique<TReplacedFile>(Name, Facts.Final, true, KeepAs);
}

}  // namespace

std::unique_ptr<TOutput> OpenFileOutput(const std::string& Name) {
  const sys::TTargetFacts Facts = sys::InspectTarget(Name);
  const int Spelled = sys::SpelledDescriptor(Name);
  if (const int Held = HeldDescriptor(Facts, Spelled); Held >= 0) {
    const int Copy = sys::Duplicate(Held);
    if (Copy < 0) Refuse(Name, errno);
    return std::make_unique<TDescriptorOutput>(Copy, Name);
  }
  // A descriptor name that reaches no descriptor of ours: closed, or closed at start.
  if (Spelled >= 0) Refuse(Name, EBADF);
  RefuseUnreachable(Name, Facts);
  switch (Facts.Kind) {
    case sys::fkMissing:
      return std::make_unique<TReplacedFile>(Name, Name, false);
    case sys::fkDirectory:
      break;
    case sys::fkRegular:
      return ReplaceRegular(Name, Facts, "");
    case sys::fkDevice:
    case sys::fkFifo:
    case sys::fkSocket:
      break;
  }
  // A device, FIFO or socket is written, never replaced; a FIFO waits for its reader.
  const int Fd = sys::OpenForWriting(Facts.Final);
  if (Fd < 0) Refuse(Name, errno);
  return std::make_unique<TDescriptorOutput>(Fd, Name);
}

std::unique_ptr<TOutput> OpenInPlaceOutput(const std::string& Name, const std::string& Suffix) {
  const sys::TTargetFacts Facts = sys::InspectTarget(Name);
  RefuseUnreachable(Name, Facts);
  if (Facts.Kind == sys::fkMissing) Refuse(Name, ENOENT);
  // A device, FIFO or socket has no text to put back, as sed -i says too.
  if (Facts.Kind != sys::fkRegular) {
    throw EOutputError(Message(miNotRegular, {FileInMessage(Name)}));
  }
  const std::string KeepAs = Suffix.empty() ? "" : Facts.Final + Suffix;
  // A rename cannot put the original where a folder stands; said before anything is written.
  if (!KeepAs.empty() && sys::InspectTarget(KeepAs).Kind == sys::fkDirectory) {
    throw EOutputError(Message(miKeepOriginal, {FileInMessage(Name), QuoteArgument(KeepAs, mtUtf8),
                                                SystemMessage(EISDIR)}));
  }
  try {
    return ReplaceRegular(Name, Facts, KeepAs);
  } catch (const EOutputError& E) {
    const std::string Text = E.what();
    // Every message names the file: several are edited in one run.
    if (Text.starts_with(FileInMessage(Name) + ": ")) throw;
    throw EOutputError(FileInMessage(Name) + ": " + Text);
  }
}
