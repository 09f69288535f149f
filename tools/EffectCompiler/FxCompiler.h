// Effect compiler entry point: FX source text -> fx_2_0 binary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace EffectCompiler
{

// Compiles FX source. On failure returns false and sets error to "file:line: message".
bool CompileEffect(const std::string& source, const std::string& fileName, std::vector<uint8_t>& binary,
                   std::string& error);

} // namespace EffectCompiler
