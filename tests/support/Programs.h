#pragma once
// Running a helper program from a test and waiting for its exit code.
#include <string>

// Starts exe with the arguments (the command line is "exe" arguments), waits up to timeoutMs and
// returns its exit code, or 0xDEAD when it cannot start.
unsigned long RunProgram(const std::wstring& exe, const std::wstring& arguments, unsigned long timeoutMs);
