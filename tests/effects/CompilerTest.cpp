// The effect compiler with D3DX's assembler: exact bytes, assembled shaders and the assembler's
// diagnostics; and the command-line tool's exit code, stderr and output file. The rest of the
// compiler is tested natively in FrontEndTest.cpp.
#include "CompilerTestSupport.h"
#include "tools/EffectCompiler/FxCompiler.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

using namespace EffectCompiler;
using namespace FxTest;

// A one-parameter, one-pass effect, laid out record by record as D3DX reads it.
TEST(EffectCompilerBinary, MinimalEffectHasTheExpectedBytes)
{
    const std::vector<uint8_t> binary = Compile("float4 g_color = {0.25, 0.5, 1.0, 1.0};\n"
                                                "technique T { pass P { ZEnable = FALSE;\n"
                                                "    PixelShaderConstantF[0] = <g_color>;\n"
                                                "    PixelShader = asm { ps_2_0  mov oC0, c0 }; } }\n");
    const std::vector<uint32_t> expected = {
        0xFEFF0901, 0x00000084,
        0x00000000,                                                                         // empty string at base 0
        0x00000003, 0x00000001, 0x00000020, 0x00000000, 0x00000000, 0x00000004, 0x00000001, // float4 typedef
        0x00000008, 0x6F635F67, 0x00726F6C,                                                 // "g_color"
        0x3E800000, 0x3F000000, 0x3F800000, 0x3F800000,                                     // default value
        0x00000002, 0x00000002, 0x00000000, 0x00000000, 0x00000000, 0x00000001, 0x00000001, // INT state typedef
        0x00000000,                                                                         // ZEnable FALSE
        0x0000000F, 0x00000004, 0x00000000, 0x00000000, 0x00000000,                         // PIXELSHADER typedef
        0x00000001,                                                                         // object id 1
        0x00000002, 0x00000054,                                                             // "T"
        0x00000002, 0x00000050,                                                             // "P"
        0x00000001, 0x00000001, 0x00000002, 0x00000002,                                     // header counts
        0x00000004, 0x0000002C, 0x00000000, 0x00000000,                                     // parameter
        0x00000074, 0x00000000, 0x00000001,                                                 // technique
        0x0000007C, 0x00000000, 0x00000002,                                                 // pass
        0x00000000, 0x00000000, 0x0000003C, 0x00000058,                                     // ZEnable
        0x00000093, 0x00000000, 0x0000005C, 0x00000070,                                     // PixelShader
        0x00000000, 0x00000001,                                                             // 0 objects, 1 resource
        0x00000000, 0x00000000, 0xFFFFFFFF, 0x00000001, 0x00000000, 0x00000074,             // shader blob, 116 bytes
        0xFFFF0200,                                                                         // ps_2_0
        0x0017FFFE, 0x42415443,                                                             // comment, 'CTAB'
        0x0000001C, 0x00000048, 0xFFFF0200, 0x00000001, 0x0000001C, 0x00000000, 0x00000050,
        0x00000030, 0x00000002, 0x00000001, 0x00000038, 0x00000000, // g_color -> c0
        0x6F635F67, 0x00726F6C,                                     // "g_color"
        0x00030001, 0x00040001, 0x00000001, 0x00000000,             // float4 type info
        0x61786556, 0x00786632, 0x325F7370, 0xAB00305F,             // "Vexa2fx" "ps_2_0"
        0x02000001, 0x800F0800, 0xA0E40000, 0x0000FFFF};            // mov oC0, c0; end
    ASSERT_EQ(binary.size(), 376u);
    EXPECT_EQ(Dwords(binary), expected);
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
    const uint32_t expected[][3] = {{0, 0, 1},  {8, 0, 3},         {6, 0, 5},  {7, 0, 2},
                                    {75, 0, 1}, {60, 0, Bits(16)}, {170, 2, 2}};
    for (size_t i = 0; i < 7; ++i)
    {
        EXPECT_EQ(s[i].Op, expected[i][0]) << i;
        EXPECT_EQ(s[i].Index, expected[i][1]) << i;
        EXPECT_EQ(s[i].Value, std::vector<uint32_t>({expected[i][2]})) << i;
    }
    EXPECT_EQ(s[5].Type.Type, 3u); // float state
    EXPECT_EQ(s[0].Type.Type, 2u); // int state
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
    EXPECT_EQ(code[1] & 0xFFFF, 0xFFFEu); // the constant table comes right after the version
    EXPECT_EQ(code[2], 0x42415443u);
    EXPECT_EQ(code.back(), 0x0000FFFFu);
    // Pixel shader without bindings: no table.
    EXPECT_EQ(Dwords(fx.Resources[4].Data)[1] & 0xFFFF, 0x0001u);
    // 1 sampler + 3 passes + 2 shader states.
    EXPECT_EQ(fx.ShaderCount, 6u);
    // Object ids of g_t, g_s's texture, Texture[1], VertexShader, PixelShader: 1..5.
    EXPECT_EQ(fx.ObjectCount, 6u);
}

// The assembler's own message, at the line of the source it names.
TEST(EffectCompilerErrors, AssemblerDiagnosticsNameTheSourceLine)
{
    const char* const head = "float4x4 g_m;\ntexture g_t;\nfloat4 g_c;\n"; // lines 1-3
    EXPECT_EQ(
        CompileError(std::string(head) +
                     "technique T { pass P {\n PixelShader = asm {\n  ps_2_0\n  mov oC0, c0\n  bogus r0\n }; } }\n"),
        "test.fx:8: shader assembly failed: Error \"syntax error\" from bison");
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
    if (err == INVALID_HANDLE_VALUE)
        return 0xFFFFFFFF;
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

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

} // namespace

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
