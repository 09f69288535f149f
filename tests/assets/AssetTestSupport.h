#pragma once
// Small helpers shared by the asset tests: Unix paths as Wine sees them, whole files, temp folders.
#include <cstdint>
#include <string>
#include <vector>

namespace AssetTest
{
// "/a/b" -> "Z:\a\b" (Wine maps the Unix root to drive Z:); other paths unchanged.
std::string WindowsPath(const std::string& path);
std::wstring Widen(const std::string& text);
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes);
// A new empty folder under the temp directory, with a trailing backslash; removed by RemoveFolder.
std::string MakeTempFolder(const char* tag);
void RemoveFolder(const std::string& folder);
// Runs a program with a command line; returns its exit code, or 0xDEAD when it cannot start.
unsigned long RunProgram(const std::string& exe, const std::string& arguments);
} // namespace AssetTest
