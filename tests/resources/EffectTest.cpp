// Effect on the real D3DX of the platform: a missing file, a source the compiler rejects, and a
// compiled fx_2_0 effect that loads and draws.
#include "tests/support/LogCapture.h"
#include "ResourceTestSupport.h"

#include "Vexa2/Resources/Effect.h"
#include "Vexa2/Resources/Mesh_X.h"

#include <gtest/gtest.h>

using namespace ResourceTest;

namespace
{
const std::wstring EffectHead = L"[.\\Effect | Effect::LoadEffect | LINE: ";

class EffectReal : public ::testing::Test
{
protected:
    EffectReal() : Folder(::testing::UnitTest::GetInstance()->current_test_info()->name()), Log() {}
    void SetUp() override { ASSERT_TRUE(Device.Ok()) << "no Direct3D device"; }
    void TearDown() override
    {
        if (Fx.Fx)
            Fx.Fx->Release();
        Quads.ReleaseMesh();
    }

    WorkingFolder Folder;
    LogCapture Log;
    TestDevice Device{ScreenSize, ScreenSize};
    Effect Fx;
    Mesh_X Quads;
};

TEST_F(EffectReal, MissingFileIsReportedTwice)
{
    EXPECT_EQ(Fx.LoadEffect(L"nothing.fx", Device.Device), EffectFileNotFound);
    EXPECT_EQ(Fx.Fx, nullptr);
    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], EffectHead + L"*] >> Function \"D3DXCreateEffectFromFile()\" returned an error. "
                                       L"Error Code: 0x88760B59");
    EXPECT_EQ(entries[1], EffectHead + L"*] >> File not found: nothing.fx");
}

TEST_F(EffectReal, CompilerOutputIsLoggedAfterTheFailedCall)
{
    ASSERT_TRUE(WriteFileBytes(L"broken.fx", "float4 c;\nfloat4 PS() : COLOR { return c }\n"
                                             "technique T { pass P { PixelShader = compile ps_2_0 PS(); } }\n"));
    EXPECT_EQ(Fx.LoadEffect(L"broken.fx", Device.Device), EffectCompileErrors);
    EXPECT_EQ(Fx.Fx, nullptr);
    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    const std::wstring call = EffectHead + L"*] >> Function \"D3DXCreateEffectFromFile()\" returned an error. "
                                           L"Error Code: 0x";
    EXPECT_EQ(entries[0].compare(0, call.size(), call), 0) << entries[0];
    const std::wstring output = EffectHead + L"*] >> Effect compilation errors: \r\n\r\n";
    ASSERT_EQ(entries[1].compare(0, output.size(), output), 0) << entries[1];
    EXPECT_NE(entries[1].find(L"error", output.size()), std::wstring::npos) << entries[1];
}

TEST_F(EffectReal, CompiledEffectLoadsSilentlyAndDrawsASubset)
{
    const std::vector<std::uint32_t> binary = ColorEffectBinary();
    ASSERT_TRUE(WriteFileBytes(L"color.fxo", binary.data(), binary.size() * sizeof(binary[0])));
    const int quadMaterials[4] = {1, 0, 1, 1};
    XMaterial white = {{1, 1, 1, 1}, 1, {0, 0, 0}, {0, 0, 0}, ""};
    ASSERT_TRUE(WriteFileBytes(L"quads.x", QuadsXFile(quadMaterials, {white, white})));
    ASSERT_EQ(Quads.LoadMesh(L"quads.x", Device.Device), MeshOk);

    ASSERT_EQ(Fx.LoadEffect(L"color.fxo", Device.Device), EffectOk);
    ASSERT_NE(Fx.Fx, nullptr);
    ASSERT_EQ(Fx.Fx->SetTechnique("T"), S_OK);

    Device.Device->SetRenderState(D3DRS_LIGHTING, FALSE);
    Device.Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    Device.Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    Device.Device->BeginScene();
    Fx.DrawMeshSubset(Quads, 0);
    Device.Device->EndScene();
    const std::vector<std::uint32_t> pixels = ReadColours(Device);
    EXPECT_EQ(QuadrantPixel(pixels, 0), 0u);
    EXPECT_EQ(QuadrantPixel(pixels, 1), 0x4080FFu); // g_color (0.25, 0.5, 1)
    EXPECT_EQ(QuadrantPixel(pixels, 2), 0u);
    EXPECT_EQ(QuadrantPixel(pixels, 3), 0u);

    EXPECT_TRUE(Log.Entries().empty());
}
} // namespace
