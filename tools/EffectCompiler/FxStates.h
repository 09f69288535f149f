// The D3DX effect state table entries the compiler knows, with their value encodings.
#pragma once

#include <cstdint>
#include <string>

namespace EffectCompiler
{

enum class StateType
{
    Int,     // render/sampler state taking an integer or an enum name
    Float,   // render/sampler state taking a float (stored as IEEE bits)
    Texture, // Texture[n] = <texture>
    Sampler, // Sampler[n] = <sampler>
    VertexShader,
    PixelShader,
    VsConstant, // VertexShaderConstant*[n] = <parameter>
    PsConstant, // PixelShaderConstant*[n] = <parameter>
    Unsupported
};

struct EnumValue
{
    const char* Name;
    uint32_t Value;
};

struct StateInfo
{
    const char* Name;
    uint32_t Op; // position in D3DX's state table
    StateType Type;
    const EnumValue* Enums; // names accepted for Int states (null-terminated list), may be null
    bool SamplerState;      // may appear inside sampler_state { }
    uint32_t MaxRegisters;  // constants: registers the state sets (0 = as many as the parameter needs)
};

// Case-insensitive lookup; null when the name is unknown.
const StateInfo* FindState(const std::string& name);
// Case-insensitive lookup of an enum name for an Int state (TRUE/FALSE always accepted).
bool FindEnumValue(const StateInfo& state, const std::string& name, uint32_t& value);

} // namespace EffectCompiler
