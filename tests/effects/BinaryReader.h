// Test-side decoder of fx_2_0 binaries: walks the header block the way the loader does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FxTypedef
{
    uint32_t Type = 0, Class = 0, Elements = 0, Rows = 0, Columns = 0;
    std::string Name, Semantic;
    std::vector<FxTypedef> Members;
};

struct FxState
{
    uint32_t Op = 0, Index = 0;
    FxTypedef Type;
    std::vector<uint32_t> Value; // the value's DWORDs (size from the typedef; 1 for objects)
};

struct FxParameter
{
    FxTypedef Type;
    uint32_t ValueOffset = 0;
    uint32_t Flags = 0;
    std::vector<uint32_t> Value;
    std::vector<FxState> SamplerStates;
    std::vector<std::pair<FxTypedef, std::vector<uint32_t>>> Annotations;
};

struct FxPass
{
    std::string Name;
    std::vector<FxState> States;
};

struct FxTechnique
{
    std::string Name;
    std::vector<FxPass> Passes;
};

struct FxResource
{
    uint32_t Technique, Index, Element, State, Usage;
    std::vector<uint8_t> Data;
};

struct FxBinary
{
    uint32_t ShaderCount = 0, ObjectCount = 0;
    std::vector<FxParameter> Parameters;
    std::vector<FxTechnique> Techniques;
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> Objects;
    std::vector<FxResource> Resources;
    bool ReachedEnd = false; // the sections end exactly at the end of the file
};

// Decodes the binary; returns false (with a reason) on anything out of bounds.
bool ReadFxBinary(const std::vector<uint8_t>& bytes, FxBinary& out, std::string& why);
