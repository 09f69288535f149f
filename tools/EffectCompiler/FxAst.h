// What the parser hands to the binary writer: parameters, techniques, passes and state assignments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace EffectCompiler
{

// D3DXPARAMETER_TYPE / D3DXPARAMETER_CLASS values as stored in the binary.
enum : uint32_t
{
    TypeVoid = 0,
    TypeBool = 1,
    TypeInt = 2,
    TypeFloat = 3,
    TypeString = 4,
    TypeTexture = 5,
    TypeTexture1D = 6,
    TypeTexture2D = 7,
    TypeTexture3D = 8,
    TypeTextureCube = 9,
    TypeSampler = 10,
    TypeSampler1D = 11,
    TypeSampler2D = 12,
    TypeSampler3D = 13,
    TypeSamplerCube = 14,
    TypePixelShader = 15,
    TypeVertexShader = 16
};
enum : uint32_t
{
    ClassScalar = 0,
    ClassVector = 1,
    ClassMatrixRows = 2,
    ClassMatrixColumns = 3,
    ClassObject = 4,
    ClassStruct = 5
};

struct Member;

struct TypeDesc
{
    uint32_t Type = TypeVoid;
    uint32_t Class = ClassScalar;
    uint32_t Rows = 1;
    uint32_t Columns = 1;
    uint32_t Elements = 0; // 0 = not an array
    bool RowMajor = false; // only decides how shaders see a matrix (constant table class)
    std::string StructName;
    std::vector<Member> Members;
};

struct Member
{
    std::string Name;
    TypeDesc Type;
};

enum class ValueKind
{
    Numbers,    // 1, -2.5, {1, 2}, float4(1, 2, 3, 4)
    Identifier, // an enum value such as Linear, TRUE, CCW
    Reference,  // <g_texture> or (g_texture)
    Asm         // asm { ... }
};

struct StateValue
{
    ValueKind Kind = ValueKind::Numbers;
    std::vector<double> Numbers;
    bool AllIntegers = true;
    std::string Text; // identifier, referenced parameter name or shader source
    int Line = 0;     // for asm: line of the opening brace
};

struct StateAssignment
{
    std::string Name;
    bool HasIndex = false;
    uint32_t Index = 0;
    StateValue Value;
    int Line = 0;
};

struct Annotation
{
    std::string Name;
    TypeDesc Type;
    std::vector<double> Numbers;
    int Line = 0;
};

struct Parameter
{
    std::string Name;
    std::string Semantic;
    TypeDesc Type;
    bool Shared = false;
    bool HasInit = false;
    std::vector<double> Init;                   // flattened numeric initialiser
    std::vector<StateAssignment> SamplerStates; // sampler_state { ... }
    std::vector<Annotation> Annotations;
    int Line = 0;
};

struct Pass
{
    std::string Name;
    std::vector<StateAssignment> States;
    int Line = 0;
};

struct Technique
{
    std::string Name;
    std::vector<Pass> Passes;
    int Line = 0;
};

struct EffectSource
{
    std::vector<Parameter> Parameters;
    std::vector<Technique> Techniques;
};

// Packed byte size of one value of the type (arrays included), as SetValue copies it.
uint32_t ValueBytes(const TypeDesc& type);
// Number of floats of a numeric or struct type (arrays included).
uint32_t FloatCount(const TypeDesc& type);
bool IsSamplerType(uint32_t type);
bool IsTextureType(uint32_t type);

} // namespace EffectCompiler
