// Turns a parsed effect into an fx_2_0 binary that D3DXCreateEffect* loads.
#pragma once

#include "FxAst.h"

#include <cstdint>
#include <string>
#include <vector>

namespace EffectCompiler
{

// One parameter bound to shader float registers through the shader's constant table.
struct ConstantBinding
{
    std::string Name;
    TypeDesc Type;
    uint32_t Register = 0;
    int Line = 0;
};

// Float registers the parameter occupies in a shader (matrices: columns unless row_major).
uint32_t RegisterCount(const TypeDesc& type);

// The constant-table comment block (comment token, 'CTAB', table) for a shader of the given version.
std::vector<uint32_t> BuildConstantTable(uint32_t version, const std::vector<ConstantBinding>& constants);

// Assembles shader text with D3DXAssembleShader (FxAssembler.cpp, the only part that needs D3DX;
// a build without D3DX links its own). On failure, errorLine is the line within the text
// (1-based, 0 if unknown) and error the assembler's message.
bool AssembleShader(const std::string& text, std::vector<uint32_t>& tokens, int& errorLine, std::string& error);

// Writes the binary. On failure returns false with the source line and message.
bool WriteEffect(const EffectSource& effect, std::vector<uint8_t>& binary, int& errorLine, std::string& error);

} // namespace EffectCompiler
