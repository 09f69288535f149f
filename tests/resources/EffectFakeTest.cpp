// Effect paths that need a scripted D3DX: compiler output with and without a failure code that
// means "not found", other failures, and the pass loop of DrawMeshSubset.
#include "tests/support/LogCapture.h"
#include "ResourceTestSupport.h"

#include "tests/fakes/FakeCom.h"
#include "tests/fakes/FakeD3DX.h"
#include "tests/fakes/RecordingEffect.h"
#include "Vexa2/Resources/Effect.h"
#include "Vexa2/Resources/Mesh_X.h"

#include <gtest/gtest.h>

using namespace ResourceTest;

namespace
{
const std::wstring EffectHead = L"[.\\Effect | Effect::LoadEffect | LINE: ";

class EffectFake : public ::testing::Test
{
protected:
    EffectFake() : Folder(::testing::UnitTest::GetInstance()->current_test_info()->name()), Log() {}
    void SetUp() override { FakeD3DX::Reset(); }
    void TearDown() override
    {
        if (Fx.Fx)
            Fx.Fx->Release();
        Quads.ReleaseMesh();
        FakeD3DX::Reset();
    }

    WorkingFolder Folder;
    LogCapture Log;
    Effect Fx;
    Mesh_X Quads;
};

TEST_F(EffectFake, CompilerOutputIsLoggedAndTheBufferReleased)
{
    FakeD3DX::Script& script = FakeD3DX::Current();
    script.CreateEffect.Result = E_FAIL;
    script.EffectErrorBuffer = true;
    script.EffectErrors = "effect.fx(3,9): error X3000: syntax error\nsecond line";
    EXPECT_EQ(Fx.LoadEffect(L"effect.fx", nullptr), EffectCompileErrors);
    EXPECT_EQ(Fx.Fx, nullptr);
    ASSERT_NE(FakeD3DX::LastErrorBuffer(), nullptr);
    EXPECT_EQ(FakeD3DX::LastErrorBuffer()->RefCount, 0u);
    EXPECT_EQ(FakeD3DX::Calls().EffectFlags, 0x8000u);
    EXPECT_EQ(FakeD3DX::Calls().EffectFile, L"effect.fx");

    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], EffectHead + L"*] >> Function \"D3DXCreateEffectFromFile()\" returned an error. "
                                       L"Error Code: 0x80004005");
    EXPECT_EQ(entries[1], EffectHead + L"*] >> Effect compilation errors: \r\n\r\neffect.fx(3,9): error X3000: "
                                       L"syntax error\r\nsecond line");
}

TEST_F(EffectFake, CompilerOutputWinsOverInvalidData)
{
    FakeD3DX::Script& script = FakeD3DX::Current();
    script.CreateEffect.Result = D3DXERR_INVALIDDATA;
    script.EffectErrorBuffer = true;
    script.EffectErrors = "bad";
    EXPECT_EQ(Fx.LoadEffect(L"effect.fx", nullptr), EffectCompileErrors);
    EXPECT_EQ(FakeD3DX::LastErrorBuffer()->RefCount, 0u);
    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1], EffectHead + L"*] >> Effect compilation errors: \r\n\r\nbad");
}

TEST_F(EffectFake, InvalidDataWithoutOutputIsFileNotFound)
{
    FakeD3DX::Current().CreateEffect.Result = D3DXERR_INVALIDDATA;
    EXPECT_EQ(Fx.LoadEffect(L"dir\\light.fx", nullptr), EffectFileNotFound);
    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1], EffectHead + L"*] >> File not found: dir\\light.fx");
}

TEST_F(EffectFake, OtherFailuresWithoutOutputAreStatus3)
{
    FakeD3DX::Current().CreateEffect.Result = E_OUTOFMEMORY;
    EXPECT_EQ(Fx.LoadEffect(L"effect.fx", nullptr), EffectLoadFailed);
    EXPECT_EQ(Fx.Fx, nullptr);
    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], EffectHead + L"*] >> Function \"D3DXCreateEffectFromFile()\" returned an error. "
                                       L"Error Code: 0x8007000E");
}

TEST_F(EffectFake, SuccessWritesNothing)
{
    FakeD3DX::Current().FakeEffectPasses = 1;
    EXPECT_EQ(Fx.LoadEffect(L"effect.fx", nullptr), EffectOk);
    EXPECT_NE(Fx.Fx, nullptr);
    EXPECT_TRUE(Log.Entries().empty());
}

TEST_F(EffectFake, ASecondLoadReleasesTheEffectItHeld)
{
    RecordingEffect held(1);
    Fx.Fx = &held;
    FakeD3DX::Current().FakeEffectPasses = 1;
    EXPECT_EQ(Fx.LoadEffect(L"effect.fx", nullptr), EffectOk);
    EXPECT_EQ(held.References, 0u);
    EXPECT_NE(Fx.Fx, &held);
}

class DrawMeshSubsetPasses : public EffectFake, public ::testing::WithParamInterface<unsigned>
{
};

TEST_P(DrawMeshSubsetPasses, DrawsTheSubsetOncePerPass)
{
    TestDevice device(ScreenSize, ScreenSize);
    ASSERT_TRUE(device.Ok());
    ID3DXMesh* grid = CreateGridMesh(device.Device, 2, 4, false);
    ASSERT_NE(grid, nullptr);
    Quads.D3DXMesh = FakeD3DX::WrapMesh(grid);
    Fx.Fx = FakeD3DX::CreateFakeEffect(GetParam());

    device.Device->BeginScene();
    Fx.DrawMeshSubset(Quads, 3);
    device.Device->EndScene();

    std::vector<std::string> expected = {"Effect.Begin"};
    for (unsigned pass = 0; pass < GetParam(); ++pass)
    {
        expected.push_back("Effect.BeginPass");
        expected.push_back("Mesh.DrawSubset 3");
        expected.push_back("Effect.EndPass");
    }
    expected.push_back("Effect.End");
    EXPECT_EQ(Fake::Journal(), expected);
    // Begin without flags; the passes by their index, in order.
    const RecordingEffect& effect = *static_cast<RecordingEffect*>(Fx.Fx);
    const DWORD noFlags = 0;
    ASSERT_EQ(effect.Find("Begin").size(), 1u);
    EXPECT_EQ(effect.Find("Begin")[0].Bytes,
              std::vector<unsigned char>(reinterpret_cast<const unsigned char*>(&noFlags),
                                         reinterpret_cast<const unsigned char*>(&noFlags + 1)));
    const std::vector<EffectCall> passes = effect.Find("BeginPass");
    ASSERT_EQ(passes.size(), GetParam());
    for (unsigned pass = 0; pass < GetParam(); ++pass)
        EXPECT_EQ(passes[pass].Index, pass);
    Quads.ReleaseMesh();
}

INSTANTIATE_TEST_SUITE_P(Counts, DrawMeshSubsetPasses, ::testing::Values(0u, 1u, 2u));
} // namespace
