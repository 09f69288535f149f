#pragma once
// Files for the .sdkmesh tests (small BMP textures, sparse files) and log entry matching; the
// scratch folder, the device and reference counts come from the shared test support.
#include "tests/support/Files.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestDevice.h"

#include <cstdint>
#include <string>
#include <vector>

// A 4x4 24-bit BMP written to folder\name; returns its path.
std::wstring WriteBmp(const ScratchFolder& folder, const std::wstring& name);
// Creates an empty file and sets its end at size bytes (sparse on the Unix side).
bool WriteSparse(const std::wstring& path, std::uint64_t size);

std::string Narrow(const std::wstring& text);

// An entry of the loader, as LogCapture::Entries() gives it (its line checked there).
bool EntryMatches(const std::wstring& entry, const std::wstring& function, const std::wstring& text);
