// corvane: the line-number engine as a command-line filter.

#include <algorithm>
#include <cerrno>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "cli/Main.h"
#include "cli/filter/CommandLine.h"
#include "cli/io/FileIO.h"
#include "cli/io/OutputPolicy.h"
#include "cli/io/InputSource.h"
#include "cli/io/Message.h"
#include "cli/filter/LineFilter.h"
#include "cli/nl/NlMode.h"
#include "cli/io/StdDescriptors.h"
#include "cli/sys/Locale.h"
#include "cli/sys/System.h"
#include "cli/io/TextCodec.h"

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;
constexpr int ExitInvalidText = 2;

// A message for standard error; dropped when standard error was closed.
void Report(const std::string& Text) {
  WriteStandardError("corvane: " + Text + "\n");
}

int UsageError(const std::string& Text) {
  Report(Text);
  WriteStandardError(Message(miTryHelp) + "\n");
  return ExitFailure;
}

int WriteText(const std::string& Text) {
  TStdoutSink Out;
  Out.Write(Text);
  return ExitOk;
}

// One input through the filter to Sink; the exit status it calls for.
int FilterFile(const std::string& Name, const TCommandLine& Line, TByteSink& Sink) {
  TFileSource Input;
  std::string Error;
  if (!Input.Open(Name, Error)) {
    Report(FileInMessage(Name) + ": " + Error);
    return ExitFailure;
  }
  TFilterRequest Request = Line.Request;
  if (Request.Operation == foCopy) {
    Request.CopyPath = Line.CopyPath ? *Line.CopyPath : Name == "-" ? "" : Name;
  }
  TFilterResult Result;
  try {
    Result = FilterInput(Input, Request, Sink);
  } catch (const EInputError& E) {
    Report(E.what());
    return ExitFailure;
  }
  if (!Result.Ok) {
    Report(Message(miInvalidAt, {FileInMessage(Name), EncodingErrorText(Result.Error),
                                 std::to_string(Result.Error.Offset)}));
    return ExitInvalidText;
  }
  if (Result.StartUnread) {
    Report(Message(Request.Operation == foContinue ? miNoStartContinue : miNoStartRenumber,
                   {FileInMessage(Name)}));
  }
  return ExitOk;
}

// The files an argument names, wildcards expanded on Windows; none is reported and raises
// Status.
std::vector<std::string> FileNames(const std::string& Argument, int& Status) {
  std::vector<std::string> Names = sys::ExpandFileArgument(Argument);
  if (Names.empty()) {
    Report(FileInMessage(Argument) + ": " + SystemMessage(ENOENT));
    Status = std::max(Status, ExitFailure);
  }
  return Names;
}

// --in-place on one file: replaced by its own result under -o's rules. A file that fails is
// named and left as it was; the caller goes on with the others, as sed -i does.
int EditFile(const std::string& Name, const TCommandLine& Line) {
  std::unique_ptr<TOutput> Output;
  try {
    Output = OpenInPlaceOutput(Name, *Line.InPlace);
  } catch (const EOutputError& E) {
    Report(E.what());
    return ExitFailure;
  }
  int Status = ExitFailure;
  try {
    Status = FilterFile(Name, Line, *Output);
    if (Status == ExitOk) Output->Commit();
  } catch (const EOutputError& E) {
    Report(E.what());
    Status = ExitFailure;
  }
  if (Status != ExitOk) Report(Message(miLeftUnchangedAlone, {FileInMessage(Name)}));
  return Status;
}

int Run(const std::vector<std::string>& Args) {
  TCommandLine Line;
  try {
    Line = ParseCommandLine(Args);
  } catch (const EUsageError& E) {
    return UsageError(E.what());
  }
  if (Line.Action == caHelp) return WriteText(HelpText(Line.Command));
  if (Line.Action == caVersion) return WriteText(VersionText());

  // Invalid text (2) wins over a failure (1).
  int Status = ExitOk;
  if (Line.InPlace) {
    for (const std::string& Argument : Line.Files) {
      for (const std::string& Name : FileNames(Argument, Status)) {
        Status = std::max(Status, EditFile(Name, Line));
      }
    }
    return Status;
  }

  const std::unique_ptr<TOutput> Output = OpenOutput(Line.Output.value_or(""));
  for (const std::string& Argument : Line.Files) {
    for (const std::string& Name : FileNames(Argument, Status)) {
      Status = std::max(Status, FilterFile(Name, Line, *Output));
    }
  }

  if (Output->Replaces() && Status != ExitOk) {
    Report(Message(miLeftUnchanged, {FileInMessage(Output->Name())}));
    return Status;  // the temporary file goes with Output
  }
  Output->Commit();
  return Status;
}

int Guarded(const std::vector<std::string>& Args) {
  GuardStandardDescriptors();
  SetMessageLanguage(LanguageOf(sys::UserLanguage()));
  try {
    return Run(Args);
  } catch (const EOutputError& E) {
    Report(E.what());
  } catch (const std::bad_alloc&) {
    Report(Message(miMemoryExhausted));
  } catch (const std::exception& E) {
    Report(Message(miInternalError, {E.what()}));
  }
  return ExitFailure;
}

}  // namespace

int RunProgram(const std::string& Program, const std::vector<std::string>& Args) {
  // Called as nl (a link or copy), or "corvane nl": GNU nl's interface.
  if (IsNlProgramName(Program)) return RunNl(Args, Program);
  if (!Args.empty() && Args.front() == "nl") {
    return RunNl(std::vector<std::string>(Args.begin() + 1, Args.end()), "corvane nl");
  }
  return Guarded(Args);
}
