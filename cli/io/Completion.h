#pragma once
// Shell completions made from a program's option tables, so that bash, zsh and fish offer the
// commands and options --help prints, and the values an option takes (words or files).

#include <string>

#include "cli/io/Options.h"

// BashCompletion() — a script for bash-completion's completions/NAME (or ~/.bashrc).
[[nodiscard]] std::string BashCompletion(const TProgramSpec& Program);
// ZshCompletion() — a #compdef function for zsh's site-functions/_NAME.
[[nodiscard]] std::string ZshCompletion(const TProgramSpec& Program);
// FishCompletion() — complete commands for fish's vendor_completions.d/NAME.fish.
[[nodiscard]] std::string FishCompletion(const TProgramSpec& Program);
