// The effect compiler's front end and binary writer, natively: the binary structure it writes, its
// constant tables and its diagnostics. Shaders go through FakeAssembler.cpp; what depends on
// D3DX's own assembler (exact shader bytes, its messages) and the command-line tool are tested
// under Wine in CompilerTest.cpp.
#include "CompilerTestSupport.h"
#include "tools/EffectCompiler/FxCompiler.h"
#include "tools/EffectCompiler/FxLexer.h"
#include "tools/EffectCompiler/FxParser.h"
#include "tools/EffectCompiler/FxWriter.h"

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

using namespace EffectCompiler;
using namespace FxTest;

TEST(EffectCompilerBinary, ParametersOfEveryKindAreEncoded)
{
    const FxBinary fx = Decode(Compile(R"FX(
struct Light { float3 Position; float4 Color; float3 Attenuation; };
float g_f = -2;
float3 g_v : POSITION = float3(1, 2.5, 3);
float4x4 g_m = {1,0,0,0, 0,1,0,0, 0,0,1,0, 5,6,7,1};
int g_i <int UIMin = 3;> = 7;
bool g_b = true;
float2 g_a[3];
Light g_light <int Bytes = 40;>;
shared float g_s;
texture g_t;
sampler2D g_samp = sampler_state { Texture = <g_t>; MinFilter = Linear; AddressU = Clamp; MipMapLodBias = 0.5; };
technique T { pass { } }
)FX"));
    ASSERT_EQ(fx.Parameters.size(), 10u);
    const FxParameter& f = fx.Parameters[0];
    EXPECT_EQ(f.Type.Name, "g_f");
    EXPECT_EQ(f.Type.Type, 3u);
    EXPECT_EQ(f.Type.Class, 0u);
    EXPECT_EQ(f.Value, std::vector<uint32_t>({Bits(-2.0f)}));
    const FxParameter& v = fx.Parameters[1];
    EXPECT_EQ(v.Type.Class, 1u);
    EXPECT_EQ(v.Type.Columns, 3u);
    EXPECT_EQ(v.Type.Rows, 1u);
    EXPECT_EQ(v.Type.Semantic, "POSITION");
    EXPECT_EQ(v.Value, std::vector<uint32_t>({Bits(1), Bits(2.5f), Bits(3)}));
    const FxParameter& m = fx.Parameters[2];
    EXPECT_EQ(m.Type.Class, 2u); // matrices are always stored by rows
    EXPECT_EQ(m.Type.Rows, 4u);
    EXPECT_EQ(m.Type.Columns, 4u);
    ASSERT_EQ(m.Value.size(), 16u);
    EXPECT_EQ(m.Value[12], Bits(5));
    const FxParameter& i = fx.Parameters[3];
    EXPECT_EQ(i.Type.Type, 2u);
    EXPECT_EQ(i.Value, std::vector<uint32_t>({7}));
    ASSERT_EQ(i.Annotations.size(), 1u);
    EXPECT_EQ(i.Annotations[0].first.Name, "UIMin");
    EXPECT_EQ(i.Annotations[0].second, std::vector<uint32_t>({3}));
    EXPECT_EQ(fx.Parameters[4].Type.Type, 1u);
    EXPECT_EQ(fx.Parameters[4].Value, std::vector<uint32_t>({1}));
    const FxParameter& a = fx.Parameters[5];
    EXPECT_EQ(a.Type.Elements, 3u);
    EXPECT_EQ(a.Value.size(), 6u);
    const FxParameter& light = fx.Parameters[6];
    EXPECT_EQ(light.Type.Class, 5u);
    ASSERT_EQ(light.Type.Members.size(), 3u);
    EXPECT_EQ(light.Type.Members[0].Name, "Position");
    EXPECT_EQ(light.Type.Members[1].Columns, 4u);
    EXPECT_EQ(light.Type.Members[2].Name, "Attenuation");
    EXPECT_EQ(light.Value.size(), 10u); // 40 bytes, packed
    EXPECT_EQ(fx.Parameters[7].Flags, 1u);
    const FxParameter& t = fx.Parameters[8];
    EXPECT_EQ(t.Type.Type, 5u);
    EXPECT_EQ(t.Type.Class, 4u);
    ASSERT_EQ(t.Value.size(), 1u);
    const FxParameter& s = fx.Parameters[9];
    EXPECT_EQ(s.Type.Type, 12u);
    ASSERT_EQ(s.SamplerStates.size(), 4u);
    EXPECT_EQ(s.SamplerStates[0].Op, 164u);
    EXPECT_EQ(s.SamplerStates[0].Index, 256u);
    EXPECT_EQ(s.SamplerStates[1].Op, 170u);
    EXPECT_EQ(s.SamplerStates[1].Value, std::vector<uint32_t>({2}));
    EXPECT_EQ(s.SamplerStates[2].Value, std::vector<uint32_t>({3}));
    EXPECT_EQ(s.SamplerStates[3].Value, std::vector<uint32_t>({Bits(0.5f)}));

    // Object ids: unique, from 1, below the object count; the texture is listed without data.
    const uint32_t texId = t.Value[0];
    const uint32_t samplerTexId = s.SamplerStates[0].Value[0];
    EXPECT_GE(texId, 1u);
    EXPECT_NE(texId, samplerTexId);
    EXPECT_LT(std::max(texId, samplerTexId), fx.ObjectCount);
    ASSERT_EQ(fx.Objects.size(), 1u);
    EXPECT_EQ(fx.Objects[0].first, texId);
    EXPECT_TRUE(fx.Objects[0].second.empty());
    // The sampler's texture names g_t through a resource addressed by parameter index.
    ASSERT_EQ(fx.Resources.size(), 1u);
    EXPECT_EQ(fx.Resources[0].Technique, 0xFFFFFFFFu);
    EXPECT_EQ(fx.Resources[0].Index, 9u);
    EXPECT_EQ(fx.Resources[0].State, 0u);
    EXPECT_EQ(fx.Resources[0].Usage, 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(fx.Resources[0].Data.data())), "g_t");
    // One sampler parameter + one pass, no shader states.
    EXPECT_EQ(fx.ShaderCount, 2u);
}

TEST(EffectCompilerConstantTable, StructAndMatrixEntriesFollowTheShaderConstantLayout)
{
    ConstantBinding light;
    light.Name = "g_light";
    light.Type.Class = ClassStruct;
    light.Register = 8;
    Member position{"Position", {}}, color{"Color", {}}, attenuation{"Attenuation", {}};
    position.Type.Type = color.Type.Type = attenuation.Type.Type = TypeFloat;
    position.Type.Class = color.Type.Class = attenuation.Type.Class = ClassVector;
    position.Type.Columns = attenuation.Type.Columns = 3;
    color.Type.Columns = 4;
    light.Type.Members = {position, color, attenuation};
    ConstantBinding matrix;
    matrix.Name = "m";
    matrix.Type.Type = TypeFloat;
    matrix.Type.Class = ClassMatrixRows;
    matrix.Type.Rows = 4;
    matrix.Type.Columns = 3;
    ConstantBinding rowMajor = matrix;
    rowMajor.Name = "r";
    rowMajor.Type.RowMajor = true;
    rowMajor.Register = 20;

    EXPECT_EQ(RegisterCount(light.Type), 3u);
    EXPECT_EQ(RegisterCount(matrix.Type), 3u);   // a column per register
    EXPECT_EQ(RegisterCount(rowMajor.Type), 4u); // a row per register

    const std::vector<uint32_t> table = BuildConstantTable(0xFFFE0200, {light, matrix, rowMajor});
    ASSERT_GT(table.size(), 2u);
    EXPECT_EQ(table[0] & 0xFFFF, 0xFFFEu);
    EXPECT_EQ(table[0] >> 16, table.size() - 1);
    EXPECT_EQ(table[1], 0x42415443u);
    std::vector<uint8_t> t(reinterpret_cast<const uint8_t*>(&table[2]),
                           reinterpret_cast<const uint8_t*>(table.data() + table.size()));
    auto u32 = [&t](uint32_t at) {
        uint32_t v;
        std::memcpy(&v, &t[at], 4);
        return v;
    };
    auto u16 = [&t](uint32_t at) { return static_cast<uint32_t>(t[at] | (t[at + 1] << 8)); };
    auto str = [&t](uint32_t at) { return std::string(reinterpret_cast<const char*>(&t[at])); };
    EXPECT_EQ(u32(0), 28u);
    EXPECT_EQ(str(u32(4)), "Vexa2fx");
    EXPECT_EQ(u32(8), 0xFFFE0200u);
    EXPECT_EQ(u32(12), 3u);
    EXPECT_EQ(u32(16), 28u);
    EXPECT_EQ(str(u32(24)), "vs_2_0");
    // Light: float4 registers c8..c10, a struct of 10 floats and 3 members.
    EXPECT_EQ(str(u32(28)), "g_light");
    EXPECT_EQ(u16(32), 2u);
    EXPECT_EQ(u16(34), 8u);
    EXPECT_EQ(u16(36), 3u);
    const uint32_t lightType = u32(40);
    EXPECT_EQ(u16(lightType), 5u);
    EXPECT_EQ(u16(lightType + 6), 10u);
    EXPECT_EQ(u16(lightType + 8), 1u);
    EXPECT_EQ(u16(lightType + 10), 3u);
    const uint32_t members = u32(lightType + 12);
    EXPECT_EQ(str(u32(members)), "Position");
    EXPECT_EQ(str(u32(members + 16)), "Attenuation");
    EXPECT_EQ(u16(u32(members + 12) + 6), 4u); // Color: 4 columns
    // Matrices: column class unless row_major.
    EXPECT_EQ(u16(u32(48 + 12)), 3u);
    EXPECT_EQ(u16(48 + 8), 3u);
    EXPECT_EQ(u16(u32(68 + 12)), 2u);
    EXPECT_EQ(u16(68 + 6), 20u);
    EXPECT_EQ(u16(68 + 8), 4u);
}

struct ErrorCase
{
    const char* Source;
    const char* Message;
};

TEST(EffectCompilerErrors, DiagnosticsNameTheFileLineAndCause)
{
    const char* const head = "float4x4 g_m;\ntexture g_t;\nfloat4 g_c;\n"; // lines 1-3
    const ErrorCase cases[] = {
        {"technique T {\n pass P { ZEnable = TRUE }\n}\n", "test.fx:5: syntax error: expected ';' but found '}'"},
        {"technique T { pass P {\n\n ZEnabel = TRUE; } }\n", "test.fx:6: unknown state 'ZEnabel'"},
        {"technique T { pass P {\n Texture[0] = <g_nothing>; } }\n", "test.fx:5: unknown parameter 'g_nothing'"},
        {"technique T { pass P {\n CullMode = Linear; } }\n", "test.fx:5: 'Linear' is not a value of CullMode"},
        {"technique T { pass P {\n PointSize = Linear; } }\n", "test.fx:5: PointSize expects one number"},
        {"technique T { pass P {\n Texture[0] = <g_c>; } }\n", "test.fx:5: 'g_c' is not a texture"},
        {"technique T { pass P {\n VertexShaderConstant1[0] = <g_m>;\n VertexShader = asm { vs_2_0 mov oPos, c0 }; } "
         "}\n",
         "test.fx:5: 'g_m' needs 4 registers, VertexShaderConstant1 sets 1"},
        {"technique T { pass P {\n VertexShaderConstant4[0] = <g_m>; } }\n",
         "test.fx:5: vertex shader constants need a VertexShader = asm { ... } in the same pass"},
        {"technique T { pass P {\n VertexShaderConstant4[0] = <g_m>;\n VertexShaderConstant1[3] = <g_c>;\n"
         " VertexShader = asm { vs_2_0 mov oPos, c0 }; } }\n",
         "test.fx:6: 'g_c' overlaps the registers of 'g_m'"},
        {"technique T { pass P {\n VertexShader = asm { ps_2_0 mov oC0, c0 }; } }\n",
         "test.fx:5: VertexShader needs a vs_ shader"},
        {"technique T { pass P {\n VertexShader = compile vs_2_0 main(); } }\n",
         "test.fx:5: HLSL shaders ('compile') are not supported: write the shader as asm { ... }"},
        {"technique T { pass P {\n VertexShaderConstantB[0] = <g_c>; } }\n",
         "test.fx:5: state 'VertexShaderConstantB' is not supported"},
        {"float3 g_x = {1, 2};\ntechnique T { pass P { } }\n",
         "test.fx:4: initial value of 'g_x' has 2 values, its type needs 3"},
        {"float4 g_c;\ntechnique T { pass P { } }\n", "test.fx:4: parameter 'g_c' is declared twice"},
        {"matrix g_x;\n", "test.fx:4: type 'matrix' is not supported"},
        {"sampler s = sampler_state { Sampler = <g_t>; };\ntechnique T { pass P { } }\n",
         "test.fx:4: 'Sampler' cannot be used inside sampler_state"},
        {"float4 main(float4 p : POSITION) : POSITION { return p; }\n",
         "test.fx:4: HLSL functions are not supported: write shaders as asm { ... }"},
        {"/* open\n\n", "test.fx:4: unterminated comment"},
        {"float g_y @ 2;\n", "test.fx:4: unexpected character '@'"},
        {"#include \"x.fxh\"\n", "test.fx:4: preprocessor directives are not supported"},
        {"float g_y;\n", "test.fx:5: the effect has no technique"},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(CompileError(std::string(head) + c.Source), c.Message) << c.Source;
}

// Byte sizes the demo relies on can be stated in the source; a struct that SetValue would fill
// with a different number of bytes is then refused at build time.
TEST(EffectCompilerErrors, ByteSizeAnnotationMustMatchThePackedSize)
{
    const char* const good = "struct L { float3 P; float4 C; float3 A; };\nL g_light <int Bytes = 40;>;\n"
                             "technique T { pass { } }\n";
    Compile(good);
    EXPECT_EQ(CompileError("struct L { float3 P; float4 C; float2 A; };\nL g_light <int Bytes = 40;>;\n"
                           "technique T { pass { } }\n"),
              "test.fx:2: 'g_light' is 36 bytes, its Bytes annotation says 40");
    EXPECT_EQ(CompileError(
                  "struct M { float4 D; float4 A; float4 S; float4 E; float4 P; };\n\nM g_material <int Bytes = 68;>;\n"
                  "technique T { pass { } }\n"),
              "test.fx:3: 'g_material' is 80 bytes, its Bytes annotation says 68");
}

TEST(EffectCompilerParser, DeclarationsKeepTheirShape)
{
    std::vector<Token> tokens;
    int line = 0;
    std::string error;
    ASSERT_TRUE(Tokenize("struct S { float2 a; row_major float3x4 m; };\n"
                         "S g_s[2];\ncolumn_major float2x3 g_m;\nsampler g_p;\n"
                         "technique T { pass P { VertexShader = asm { vs_2_0\n mov oPos, c0\n }; } }\n",
                         tokens, line, error))
        << error;
    EffectSource fx;
    ASSERT_TRUE(ParseEffect(tokens, fx, line, error)) << error;
    ASSERT_EQ(fx.Parameters.size(), 3u);
    const TypeDesc& s = fx.Parameters[0].Type;
    EXPECT_EQ(s.Class, ClassStruct);
    EXPECT_EQ(s.Elements, 2u);
    ASSERT_EQ(s.Members.size(), 2u);
    EXPECT_TRUE(s.Members[1].Type.RowMajor);
    EXPECT_EQ(s.Members[1].Type.Rows, 3u);
    EXPECT_EQ(s.Members[1].Type.Columns, 4u);
    EXPECT_EQ(ValueBytes(s), 2u * (8 + 48));
    EXPECT_EQ(RegisterCount(s), 2u * (1 + 3));
    const TypeDesc& m = fx.Parameters[1].Type;
    EXPECT_FALSE(m.RowMajor);
    EXPECT_EQ(RegisterCount(m), 3u);
    EXPECT_EQ(fx.Parameters[2].Type.Type, TypeSampler);
    EXPECT_EQ(fx.Parameters[2].Line, 4);
    const StateAssignment& vs = fx.Techniques[0].Passes[0].States[0];
    EXPECT_EQ(vs.Value.Kind, ValueKind::Asm);
    EXPECT_EQ(vs.Value.Line, 5);
    EXPECT_EQ(vs.Value.Text, " vs_2_0\n mov oPos, c0\n ");
}

// Sizes, integers and nesting the binary cannot hold, or that would take memory or stack out of
// proportion to the source, are refused at their line; the largest accepted ones still compile.
TEST(EffectCompilerErrors, ValuesBeyondTheBinarysBoundsAreRefused)
{
    const std::string technique = "technique T { pass { } }\n";
    std::string structs, nested = "float g_n = ";
    for (int i = 0; i < 16; ++i)
        structs += "struct S" + std::to_string(i + 1) + " { " + (i ? "S" + std::to_string(i) : std::string("float")) +
                   " m; };\n";
    nested += std::string(16, '{') + "1" + std::string(16, '}') + ";\n";
    Compile("float4 g_a[4000];\nsampler g_p[65535];\nint g_i = -2147483648;\nint g_u = 0xFFFFFFFF;\n" + structs +
            nested + "S16 g_s;\n" + "technique T { pass { ColorWriteEnable = 4294967295; } }\n");

    const ErrorCase cases[] = {
        {"float g_a[65536];\n", "test.fx:1: array 'g_a' has 65536 elements, at most 65535"},
        {"float4x4 g_a[1025];\n", "test.fx:1: array 'g_a' is larger than 65536 bytes"},
        {"struct L { float4x4 a[1024];\n float b; };\n", "test.fx:2: struct 'L' is larger than 65536 bytes"},
        {"struct L { float4 a[4096]; };\nstruct M { L a[17]; };\n", "test.fx:2: array 'a' is larger than 65536 bytes"},
        {"float g_n = {{{{{{{{{{{{{{{{{1}}}}}}}}}}}}}}}}};\n", "test.fx:1: values are nested more than 16 levels deep"},
        {"int g_i = 4294967296;\n", "test.fx:1: initial value of 'g_i' does not fit in 32 bits"},
        {"int g_i = -2147483649;\n", "test.fx:1: initial value of 'g_i' does not fit in 32 bits"},
        {"float g_f <int UIMax = 99999999999999999999;>;\n", "test.fx:1: annotation 'UIMax' does not fit in 32 bits"},
        {"float g_f <float Bytes = 1e20;>;\n",
         "test.fx:1: 'g_f' is 4 bytes, its Bytes annotation says 100000000000000000000.000000"},
        {"float g_f;\ntechnique T { pass {\n ZEnable = 18446744073709551615; } }\n",
         "test.fx:3: ZEnable value does not fit in 32 bits"},
        {"float4x4 g_a[1024];\nfloat g_b;\n", "test.fx:2: the effect declares more than 65536 bytes of values"},
        {"struct L { float4x4 a[512]; };\nstruct M { L a; float b; };\n",
         "test.fx:2: the effect declares more than 65536 bytes of values"},
        {"float g_f;\ntechnique T { pass {\n MinFilter[65536] = Linear; } }\n",
         "test.fx:3: index of 'MinFilter' is 65536, at most 65535"},
        {"float4x4 g_m;\ntechnique T { pass {\n VertexShaderConstantF[65533] = <g_m>;\n VertexShader = asm { vs_2_0 }; "
         "} }\n",
         "test.fx:3: 'g_m' needs 4 registers from 65533, past the last register 65535"},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(
            CompileError(c.Source + (std::string(c.Source).find("technique") == std::string::npos ? technique : "")),
            c.Message)
            << c.Source;
    EXPECT_EQ(CompileError(structs + "struct S17 { S16 m; };\n" + technique),
              "test.fx:17: struct 'S17' nests more than 16 structs");
}
