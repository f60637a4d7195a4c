#pragma once
// What -o and --in-place do with each kind of target, decided once from the facts the system
// layer gives (sys::InspectTarget); docs/cli.md has the table.

#include <memory>
#include <string>

#include "cli/io/FileIO.h"

// OpenFileOutput() — the output -o Name asks for (Name neither "" nor "-"). Throws
// EOutputError.
[[nodiscard]] std::unique_ptr<TOutput> OpenFileOutput(const std::string& Name);

// OpenInPlaceOutput() — the output that replaces the regular file Name by its own result, as
// -o Name replaces a regular file; with Suffix its old content stays as Name's final target
// followed by Suffix. Anything else (missing, a device, a FIFO) is refused. Throws EOutputError
// with a message that names Name.
[[nodiscard]] std::unique_ptr<TOutput> OpenInPlaceOutput(const std::string& Name,
                                                         const std::string& Suffix);
