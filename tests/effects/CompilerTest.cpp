// The effect compiler as a library: exact bytes, the binary structure it writes, its constant tables
// and its diagnostics; and the command-line tool's exit code, stderr and output file.
#include "BinaryReader.h"
#include "FxCompiler.h"
#include "FxLexer.h"
#include "FxParser.h"
#include "FxWriter.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

using namespace EffectCompiler;

namespace
{

std::vector<uint8_t> Compile(const std::string& source)
{
    std::vector<uint8_t> binary;
    std::string error;
    EXPECT_TRUE(CompileEffect(source, "test.fx", binary, error)) << error;
    return binary;
}

std::string CompileError(const std::string& source)
{
    std::vector<uint8_t> binary;
    std::string error;
    EXPECT_FALSE(CompileEffect(source, "test.fx", binary, error));
    EXPECT_TRUE(binary.empty());
    return error;
}

FxBinary Decode(const std::vector<uint8_t>& binary)
{
    FxBinary fx;
    std::string why;
    EXPECT_TRUE(ReadFxBinary(binary, fx, why)) << why;
    EXPECT_TRUE(fx.ReachedEnd);
    return fx;
}

uint32_t Bits(float f)
{
    uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

std::vector<uint32_t> Dwords(const std::vector<uint8_t>& bytes)
{
    std::vector<uint32_t> d(bytes.size() / 4);
    std::memcpy(d.data(), bytes.data(), d.size() * 4);
    return d;
}

}  // namespace

// A one-parameter, one-pass effect, laid out record by record as D3DX reads it.
TEST(EffectCompilerBinary, MinimalEffectHasTheExpectedBytes)
{
    const std::vector<uint8_t> binary = Compile(
        "float4 g_color = {0.25, 0.5, 1.0, 1.0};\n"
        "technique T { pass P { ZEnable = FALSE;\n"
        "    PixelShaderConstantF[0] = <g_color>;\n"
        "    PixelShader = asm { ps_2_0  mov oC0, c0 }; } }\n");
    const std::vector<uint32_t> expected = {
        0xFEFF0901, 0x00000084,
        0x00000000,                                                                    // empty string at base 0
        0x00000003, 0x00000001, 0x00000020, 0x00000000, 0x00000000, 0x00000004, 0x00000001,  // float4 typedef
        0x00000008, 0x6F635F67, 0x00726F6C,                                            // "g_color"
        0x3E800000, 0x3F000000, 0x3F800000, 0x3F800000,                                // default value
        0x00000002, 0x00000002, 0x00000000, 0x00000000, 0x00000000, 0x00000001, 0x00000001,  // INT state typedef
        0x00000000,                                                                    // ZEnable FALSE
        0x0000000F, 0x00000004, 0x00000000, 0x00000000, 0x00000000,                    // PIXELSHADER typedef
        0x00000001,                                                                    // object id 1
        0x00000002, 0x00000054,                                                        // "T"
        0x00000002, 0x00000050,                                                        // "P"
        0x00000001, 0x00000001, 0x00000002, 0x00000002,                                // header counts
        0x00000004, 0x0000002C, 0x00000000, 0x00000000,                                // parameter
        0x00000074, 0x00000000, 0x00000001,                                            // technique
        0x0000007C, 0x00000000, 0x00000002,                                            // pass
        0x00000000, 0x00000000, 0x0000003C, 0x00000058,                                // ZEnable
        0x00000093, 0x00000000, 0x0000005C, 0x00000070,                                // PixelShader
        0x00000000, 0x00000001,                                                        // 0 objects, 1 resource
        0x00000000, 0x00000000, 0xFFFFFFFF, 0x00000001, 0x00000000, 0x00000074,        // shader blob, 116 bytes
        0xFFFF0200,                                                                    // ps_2_0
        0x0017FFFE, 0x42415443,                                                        // comment, 'CTAB'
        0x0000001C, 0x00000048, 0xFFFF0200, 0x00000001, 0x0000001C, 0x00000000, 0x00000050,
        0x00000030, 0x00000002, 0x00000001, 0x00000038, 0x00000000,                    // g_color -> c0
        0x6F635F67, 0x00726F6C,                                                        // "g_color"
        0x00030001, 0x00040001, 0x00000001, 0x00000000,                                // float4 type info
        0x61786556, 0x00786632, 0x325F7370, 0xAB00305F,                                // "Vexa2fx" "ps_2_0"
        0x02000001, 0x800F0800, 0xA0E40000, 0x0000FFFF};                               // mov oC0, c0; end
    ASSERT_EQ(binary.size(), 376u);
    EXPECT_EQ(Dwords(binary), expected);
}

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
    EXPECT_EQ(m.Type.Class, 2u);  // matrices are always stored by rows
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
    EXPECT_EQ(light.Value.size(), 10u);  // 40 bytes, packed
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

TEST(EffectCompilerBinary, PassStatesAreEncodedWithTheirOperationsAndValues)
{
    const FxBinary fx = Decode(Compile(R"FX(
texture g_t;
sampler2D g_s = sampler_state { Texture = <g_t>; };
float4x4 g_m;
technique A
{
    pass One
    {
        zenable = true; CullMode = CCW; SrcBlend = SrcAlpha; DestBlend = One; BlendOp = Add;
        PointSize = 16; MinFilter[2] = Linear; Texture[1] = <g_t>; Sampler[0] = <g_s>;
        VertexShaderConstant4[0] = <g_m>;
        VertexShader = asm { vs_2_0
            dcl_position v0
            m4x4 oPos, v0, c0 };
        PixelShader = asm { ps_2_0
            mov oC0, c0 };
    }
    pass Two { ZWriteEnable = FALSE; }
}
technique B { pass { AlphaBlendEnable = TRUE; } }
)FX"));
    ASSERT_EQ(fx.Techniques.size(), 2u);
    EXPECT_EQ(fx.Techniques[0].Name, "A");
    ASSERT_EQ(fx.Techniques[0].Passes.size(), 2u);
    EXPECT_EQ(fx.Techniques[0].Passes[0].Name, "One");
    EXPECT_EQ(fx.Techniques[1].Passes[0].Name, "");
    const std::vector<FxState>& s = fx.Techniques[0].Passes[0].States;
    // The constant binding is not a state: it lives in the vertex shader's constant table.
    ASSERT_EQ(s.size(), 11u);
    const uint32_t expected[][3] = {{0, 0, 1}, {8, 0, 3}, {6, 0, 5}, {7, 0, 2}, {75, 0, 1},
                                    {60, 0, Bits(16)}, {170, 2, 2}};
    for (size_t i = 0; i < 7; ++i)
    {
        EXPECT_EQ(s[i].Op, expected[i][0]) << i;
        EXPECT_EQ(s[i].Index, expected[i][1]) << i;
        EXPECT_EQ(s[i].Value, std::vector<uint32_t>({expected[i][2]})) << i;
    }
    EXPECT_EQ(s[5].Type.Type, 3u);  // float state
    EXPECT_EQ(s[0].Type.Type, 2u);  // int state
    EXPECT_EQ(s[7].Op, 164u);
    EXPECT_EQ(s[7].Index, 1u);
    EXPECT_EQ(s[8].Op, 178u);
    EXPECT_EQ(s[8].Type.Type, 12u);
    EXPECT_EQ(s[9].Op, 146u);
    EXPECT_EQ(s[10].Op, 147u);
    EXPECT_EQ(fx.Techniques[0].Passes[1].States[0].Op, 3u);
    EXPECT_EQ(fx.Techniques[1].Passes[0].States[0].Op, 13u);

    // Resources: texture and sampler by name, shaders as blobs.
    ASSERT_EQ(fx.Resources.size(), 5u);
    const FxResource& tex = fx.Resources[1];
    EXPECT_EQ(tex.Technique, 0u);
    EXPECT_EQ(tex.Index, 0u);
    EXPECT_EQ(tex.State, 7u);
    EXPECT_EQ(tex.Usage, 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tex.Data.data())), "g_t");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(fx.Resources[2].Data.data())), "g_s");
    const FxResource& vs = fx.Resources[3];
    EXPECT_EQ(vs.State, 9u);
    EXPECT_EQ(vs.Usage, 0u);
    const std::vector<uint32_t> code = Dwords(vs.Data);
    ASSERT_GT(code.size(), 3u);
    EXPECT_EQ(code[0], 0xFFFE0200u);
    EXPECT_EQ(code[1] & 0xFFFF, 0xFFFEu);  // the constant table comes right after the version
    EXPECT_EQ(code[2], 0x42415443u);
    EXPECT_EQ(code.back(), 0x0000FFFFu);
    // Pixel shader without bindings: no table.
    EXPECT_EQ(Dwords(fx.Resources[4].Data)[1] & 0xFFFF, 0x0001u);
    // 1 sampler + 3 passes + 2 shader states.
    EXPECT_EQ(fx.ShaderCount, 6u);
    // Object ids of g_t, g_s's texture, Texture[1], VertexShader, PixelShader: 1..5.
    EXPECT_EQ(fx.ObjectCount, 6u);
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
    EXPECT_EQ(RegisterCount(matrix.Type), 3u);    // a column per register
    EXPECT_EQ(RegisterCount(rowMajor.Type), 4u);  // a row per register

    const std::vector<uint32_t> table = BuildConstantTable(0xFFFE0200, {light, matrix, rowMajor});
    ASSERT_GT(table.size(), 2u);
    EXPECT_EQ(table[0] & 0xFFFF, 0xFFFEu);
    EXPECT_EQ(table[0] >> 16, table.size() - 1);
    EXPECT_EQ(table[1], 0x42415443u);
    std::vector<uint8_t> t(reinterpret_cast<const uint8_t*>(&table[2]), reinterpret_cast<const uint8_t*>(table.data() + table.size()));
    auto u32 = [&t](uint32_t at) { uint32_t v; std::memcpy(&v, &t[at], 4); return v; };
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
    EXPECT_EQ(u16(u32(members + 12) + 6), 4u);  // Color: 4 columns
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
    const char* const head = "float4x4 g_m;\ntexture g_t;\nfloat4 g_c;\n";  // lines 1-3
    const ErrorCase cases[] = {
        {"technique T {\n pass P { ZEnable = TRUE }\n}\n",
         "test.fx:5: syntax error: expected ';' but found '}'"},
        {"technique T { pass P {\n\n ZEnabel = TRUE; } }\n", "test.fx:6: unknown state 'ZEnabel'"},
        {"technique T { pass P {\n Texture[0] = <g_nothing>; } }\n", "test.fx:5: unknown parameter 'g_nothing'"},
        {"technique T { pass P {\n CullMode = Linear; } }\n", "test.fx:5: 'Linear' is not a value of CullMode"},
        {"technique T { pass P {\n PointSize = Linear; } }\n", "test.fx:5: PointSize expects one number"},
        {"technique T { pass P {\n Texture[0] = <g_c>; } }\n", "test.fx:5: 'g_c' is not a texture"},
        {"technique T { pass P {\n VertexShaderConstant1[0] = <g_m>;\n VertexShader = asm { vs_2_0 mov oPos, c0 }; } }\n",
         "test.fx:5: 'g_m' needs 4 registers, VertexShaderConstant1 sets 1"},
        {"technique T { pass P {\n VertexShaderConstant4[0] = <g_m>; } }\n",
         "test.fx:5: vertex shader constants need a VertexShader = asm { ... } in the same pass"},
        {"technique T { pass P {\n VertexShaderConstant4[0] = <g_m>;\n VertexShaderConstant1[3] = <g_c>;\n"
         " VertexShader = asm { vs_2_0 mov oPos, c0 }; } }\n",
         "test.fx:6: 'g_c' overlaps the registers of 'g_m'"},
        {"technique T { pass P {\n PixelShader = asm {\n  ps_2_0\n  mov oC0, c0\n  bogus r0\n }; } }\n",
         "test.fx:8: shader assembly failed: Error \"syntax error\" from bison"},
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
    EXPECT_EQ(CompileError("struct M { float4 D; float4 A; float4 S; float4 E; float4 P; };\n\nM g_material <int Bytes = 68;>;\n"
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
                         tokens, line, error)) << error;
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

TEST(EffectCompilerBinary, TheDemoEffectsCompileToTheSameBytesEveryTime)
{
    for (const char* name : {"effect.fx", "light.fx", "particleEffect.fx"})
    {
        SCOPED_TRACE(name);
        std::ifstream in(std::string(EFFECT_SOURCES_DIR) + "/" + name, std::ios::binary);
        ASSERT_TRUE(in.good());
        const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::vector<uint8_t> first = Compile(source);
        EXPECT_EQ(Compile(source), first);
        const FxBinary fx = Decode(first);
        EXPECT_FALSE(fx.Techniques.empty());
    }
}

namespace
{

// Runs the command-line compiler; returns its exit code and what it wrote to stderr.
DWORD RunTool(const std::string& arguments, std::string& errors)
{
    const std::string errFile = std::string(TEST_WORK_DIR) + "/tool_stderr.txt";
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE err = CreateFileA(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    if (err == INVALID_HANDLE_VALUE) return 0xFFFFFFFF;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdError = err;
    si.hStdOutput = err;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::string command = "\"" + std::string(EFFECT_COMPILER_EXE) + "\" " + arguments;
    DWORD code = 0xFFFFFFFF;
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
    {
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(err);
    std::ifstream in(errFile, std::ios::binary);
    errors.assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return code;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace

TEST(EffectCompilerTool, WritesTheBinaryOrReportsWithoutLeavingAFile)
{
    const std::string dir = TEST_WORK_DIR;
    const std::string good = dir + "/tool_good.fx";
    const std::string bad = dir + "/tool_bad.fx";
    const std::string out = dir + "/tool_out.fxo";
    const std::string source = "float4 g_c;\ntechnique T { pass P { CullMode = None; } }\n";
    WriteText(good, source);
    WriteText(bad, "float4 g_c;\n\ntechnique T { pass P { CullMode = Sideways; } }\n");
    DeleteFileA(out.c_str());

    std::string errors;
    EXPECT_EQ(RunTool("\"" + bad + "\" \"" + out + "\"", errors), 1u);
    // One line on stderr (the C runtime writes CR LF in text mode).
    const std::string message = bad + ":3: 'Sideways' is not a value of CullMode";
    EXPECT_TRUE(errors == message + "\r\n" || errors == message + "\n") << errors;
    EXPECT_FALSE(Exists(out));
    EXPECT_FALSE(Exists(out + ".tmp"));

    EXPECT_EQ(RunTool("\"" + good + "\" \"" + out + "\"", errors), 0u) << errors;
    std::ifstream in(out, std::ios::binary);
    const std::vector<uint8_t> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    EXPECT_EQ(written, Compile(source));
    EXPECT_FALSE(Exists(out + ".tmp"));

    // A failed rebuild leaves the previous complete binary in place.
    EXPECT_EQ(RunTool("\"" + bad + "\" \"" + out + "\"", errors), 1u);
    std::ifstream again(out, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()), written);

    EXPECT_EQ(RunTool("\"" + dir + "/missing.fx\" \"" + out + "\"", errors), 1u);
    EXPECT_NE(errors.find("missing.fx:0: cannot open the file"), std::string::npos) << errors;
    EXPECT_EQ(RunTool("", errors), 2u);
}
