#pragma once
// Writes every asset of the demo into one folder.
#include <string>

namespace Assets
{
// folder: existing directory, with or without a trailing separator. Returns 0 on success,
// otherwise the 1-based position of the first file that could not be written.
int GenerateAll(const std::string& folder);
} // namespace Assets
