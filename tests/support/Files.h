#pragma once
// Whole files by their Windows path, for tests that write inputs or read outputs byte for byte.
#include <cstddef>
#include <string>
#include <vector>

// False when the file cannot be opened; bytes then stays empty. Opened with read and write
// sharing, so a file another handle keeps open for writing can be read.
bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes);
// The file's bytes; empty when it is missing.
std::vector<unsigned char> ReadFileBytes(const std::wstring& path);
// Creates or truncates the file; true when every byte was written.
bool WriteFileBytes(const std::wstring& path, const void* data, std::size_t size);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool WriteFileBytes(const std::wstring& path, const std::vector<unsigned char>& bytes);
bool FileExists(const std::wstring& path);
