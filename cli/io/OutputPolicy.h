#pragma once
// What -o does with each kind of target, decided once from the facts the system layer gives
// (sys::InspectTarget); docs/cli.md has the table.

#include <memory>
#include <string>

#include "cli/io/FileIO.h"

// OpenFileOutput() — the output -o Name asks for (Name neither "" nor "-"). Throws
// EOutputError.
[[nodiscard]] std::unique_ptr<TOutput> OpenFileOutput(const std::string& Name);
