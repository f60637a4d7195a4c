#pragma once
// The standard descriptors 0, 1 and 2 as corvane found them. One that was closed at start is
// filled with the null device, so no file corvane opens can take its number and have output
// or messages meant for it; corvane still treats it as closed: standard input fails to read,
// standard output fails to write, and messages to standard error are dropped.

// GuardStandardDescriptors() — call first thing in main().
void GuardStandardDescriptors();

// StandardDescriptorClosed() — Fd (0, 1 or 2) was closed when corvane started.
[[nodiscard]] bool StandardDescriptorClosed(int Fd);
