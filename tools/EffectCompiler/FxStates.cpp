#include "FxStates.h"

#include <cctype>

namespace EffectCompiler
{

namespace
{

bool SameNoCase(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == 0;
}

const EnumValue ZBuffer[] = {{"USEW", 2}, {nullptr, 0}};
const EnumValue Fill[] = {{"POINT", 1}, {"WIREFRAME", 2}, {"SOLID", 3}, {nullptr, 0}};
const EnumValue Shade[] = {{"FLAT", 1}, {"GOURAUD", 2}, {"PHONG", 3}, {nullptr, 0}};
const EnumValue Blend[] = {
    {"ZERO", 1},         {"ONE", 2},           {"SRCCOLOR", 3},         {"INVSRCCOLOR", 4},  {"SRCALPHA", 5},
    {"INVSRCALPHA", 6},  {"DESTALPHA", 7},     {"INVDESTALPHA", 8},     {"DESTCOLOR", 9},    {"INVDESTCOLOR", 10},
    {"SRCALPHASAT", 11}, {"BOTHSRCALPHA", 12}, {"BOTHINVSRCALPHA", 13}, {"BLENDFACTOR", 14}, {"INVBLENDFACTOR", 15},
    {nullptr, 0}};
const EnumValue Cull[] = {{"NONE", 1}, {"CW", 2}, {"CCW", 3}, {nullptr, 0}};
const EnumValue Compare[] = {{"NEVER", 1},    {"LESS", 2},         {"EQUAL", 3},  {"LESSEQUAL", 4}, {"GREATER", 5},
                             {"NOTEQUAL", 6}, {"GREATEREQUAL", 7}, {"ALWAYS", 8}, {nullptr, 0}};
const EnumValue BlendOp[] = {{"ADD", 1}, {"SUBTRACT", 2}, {"REVSUBTRACT", 3}, {"MIN", 4}, {"MAX", 5}, {nullptr, 0}};
const EnumValue Address[] = {{"WRAP", 1}, {"MIRROR", 2}, {"CLAMP", 3}, {"BORDER", 4}, {"MIRRORONCE", 5}, {nullptr, 0}};
const EnumValue Filter[] = {{"NONE", 0},          {"POINT", 1},        {"LINEAR", 2}, {"ANISOTROPIC", 3},
                            {"PYRAMIDALQUAD", 6}, {"GAUSSIANQUAD", 7}, {nullptr, 0}};

// Operation numbers: D3DX's fixed state table (render states 0..102 are not in D3DRS order).
const StateInfo States[] = {
    {"ZEnable", 0, StateType::Int, ZBuffer, false, 0},
    {"FillMode", 1, StateType::Int, Fill, false, 0},
    {"ShadeMode", 2, StateType::Int, Shade, false, 0},
    {"ZWriteEnable", 3, StateType::Int, nullptr, false, 0},
    {"AlphaTestEnable", 4, StateType::Int, nullptr, false, 0},
    {"SrcBlend", 6, StateType::Int, Blend, false, 0},
    {"DestBlend", 7, StateType::Int, Blend, false, 0},
    {"CullMode", 8, StateType::Int, Cull, false, 0},
    {"ZFunc", 9, StateType::Int, Compare, false, 0},
    {"AlphaRef", 10, StateType::Int, nullptr, false, 0},
    {"AlphaFunc", 11, StateType::Int, Compare, false, 0},
    {"AlphaBlendEnable", 13, StateType::Int, nullptr, false, 0},
    {"FogEnable", 14, StateType::Int, nullptr, false, 0},
    {"Wrap0", 31, StateType::Int, nullptr, false, 0},
    {"Wrap1", 32, StateType::Int, nullptr, false, 0},
    {"Wrap2", 33, StateType::Int, nullptr, false, 0},
    {"Wrap3", 34, StateType::Int, nullptr, false, 0},
    {"Wrap4", 35, StateType::Int, nullptr, false, 0},
    {"Wrap5", 36, StateType::Int, nullptr, false, 0},
    {"Wrap6", 37, StateType::Int, nullptr, false, 0},
    {"Wrap7", 38, StateType::Int, nullptr, false, 0},
    {"Wrap8", 39, StateType::Int, nullptr, false, 0},
    {"Wrap9", 40, StateType::Int, nullptr, false, 0},
    {"Wrap10", 41, StateType::Int, nullptr, false, 0},
    {"Wrap11", 42, StateType::Int, nullptr, false, 0},
    {"Wrap12", 43, StateType::Int, nullptr, false, 0},
    {"Wrap13", 44, StateType::Int, nullptr, false, 0},
    {"Wrap14", 45, StateType::Int, nullptr, false, 0},
    {"Wrap15", 46, StateType::Int, nullptr, false, 0},
    {"Clipping", 47, StateType::Int, nullptr, false, 0},
    {"Lighting", 48, StateType::Int, nullptr, false, 0},
    {"PointSize", 60, StateType::Float, nullptr, false, 0},
    {"PointSize_Min", 61, StateType::Float, nullptr, false, 0},
    {"PointSize_Max", 62, StateType::Float, nullptr, false, 0},
    {"PointSpriteEnable", 63, StateType::Int, nullptr, false, 0},
    {"PointScaleEnable", 64, StateType::Int, nullptr, false, 0},
    {"PointScale_A", 65, StateType::Float, nullptr, false, 0},
    {"PointScale_B", 66, StateType::Float, nullptr, false, 0},
    {"PointScale_C", 67, StateType::Float, nullptr, false, 0},
    {"ColorWriteEnable", 73, StateType::Int, nullptr, false, 0},
    {"BlendOp", 75, StateType::Int, BlendOp, false, 0},
    {"SeparateAlphaBlendEnable", 99, StateType::Int, nullptr, false, 0},
    {"VertexShader", 146, StateType::VertexShader, nullptr, false, 0},
    {"PixelShader", 147, StateType::PixelShader, nullptr, false, 0},
    {"VertexShaderConstantF", 148, StateType::VsConstant, nullptr, false, 0},
    {"VertexShaderConstantB", 149, StateType::Unsupported, nullptr, false, 0},
    {"VertexShaderConstantI", 150, StateType::Unsupported, nullptr, false, 0},
    {"VertexShaderConstant", 151, StateType::VsConstant, nullptr, false, 0},
    {"VertexShaderConstant1", 152, StateType::VsConstant, nullptr, false, 1},
    {"VertexShaderConstant2", 153, StateType::VsConstant, nullptr, false, 2},
    {"VertexShaderConstant3", 154, StateType::VsConstant, nullptr, false, 3},
    {"VertexShaderConstant4", 155, StateType::VsConstant, nullptr, false, 4},
    {"PixelShaderConstantF", 156, StateType::PsConstant, nullptr, false, 0},
    {"PixelShaderConstantB", 157, StateType::Unsupported, nullptr, false, 0},
    {"PixelShaderConstantI", 158, StateType::Unsupported, nullptr, false, 0},
    {"PixelShaderConstant", 159, StateType::PsConstant, nullptr, false, 0},
    {"PixelShaderConstant1", 160, StateType::PsConstant, nullptr, false, 1},
    {"PixelShaderConstant2", 161, StateType::PsConstant, nullptr, false, 2},
    {"PixelShaderConstant3", 162, StateType::PsConstant, nullptr, false, 3},
    {"PixelShaderConstant4", 163, StateType::PsConstant, nullptr, false, 4},
    {"Texture", 164, StateType::Texture, nullptr, true, 0},
    {"AddressU", 165, StateType::Int, Address, true, 0},
    {"AddressV", 166, StateType::Int, Address, true, 0},
    {"AddressW", 167, StateType::Int, Address, true, 0},
    {"BorderColor", 168, StateType::Int, nullptr, true, 0},
    {"MagFilter", 169, StateType::Int, Filter, true, 0},
    {"MinFilter", 170, StateType::Int, Filter, true, 0},
    {"MipFilter", 171, StateType::Int, Filter, true, 0},
    {"MipMapLodBias", 172, StateType::Float, nullptr, true, 0},
    {"MaxMipLevel", 173, StateType::Int, nullptr, true, 0},
    {"MaxAnisotropy", 174, StateType::Int, nullptr, true, 0},
    {"SRGBTexture", 175, StateType::Int, nullptr, true, 0},
    {"Sampler", 178, StateType::Sampler, nullptr, false, 0},
};

} // namespace

const StateInfo* FindState(const std::string& name)
{
    for (const StateInfo& s : States)
        if (SameNoCase(name, s.Name))
            return &s;
    return nullptr;
}

bool FindEnumValue(const StateInfo& state, const std::string& name, uint32_t& value)
{
    if (state.Enums)
        for (const EnumValue* e = state.Enums; e->Name; ++e)
            if (SameNoCase(name, e->Name))
            {
                value = e->Value;
                return true;
            }
    if (SameNoCase(name, "TRUE"))
    {
        value = 1;
        return true;
    }
    if (SameNoCase(name, "FALSE"))
    {
        value = 0;
        return true;
    }
    return false;
}

} // namespace EffectCompiler
