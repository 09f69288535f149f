// D3DX failures that Wine does not produce on its own, through the scripted D3DX fakes
// (tests/fakes): every other call goes to the real D3DX on a real device.
#include "Vexa2/Resources/Mesh_SDKMesh.h"
#include "testkit/SdkMeshWriter.h"
#include "SdkTestSupport.h"
#include "tests/fakes/FakeD3DX.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace
{
using Messages = std::vector<std::wstring>;

// A failed-call entry as LogCapture::Entries() gives it (its line checked there).
std::wstring CallEntry(const std::wstring& file, const std::wstring& function, const std::wstring& call,
                       const std::wstring& code)
{
    return L"[" + file + L" | " + function + L" | LINE: *] >> Function \"" + call +
           L"\" returned an error. Error Code: " + code;
}

class SdkFakeD3DX : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FakeD3DX::Reset();
        ASSERT_NE(device.Device, nullptr);
        baseline = RefCount(device.Device);
        // A textured two-subset mesh.
        file = SdkWriter::GridFile(2, 1, false);
        SdkWriter::Material material;
        material.Diffuse = "t.bmp";
        file.Materials = {material};
        file.Subsets = {{0, 6}, {0, 6}};
        file.Meshes[0].Subsets = {0, 1};
        WriteBmp(folder, L"t.bmp");
        path = folder.Write(L"m.sdkmesh", SdkWriter::Build(file));
    }
    void TearDown() override
    {
        mesh.ReleaseMesh();
        FakeD3DX::Reset();
        if (device.Device)
        {
            EXPECT_EQ(RefCount(device.Device), baseline) << "every object released";
        }
    }
    void ExpectEmpty()
    {
        EXPECT_EQ(mesh.D3DXMesh, nullptr);
        EXPECT_TRUE(mesh.Materials.empty());
        EXPECT_TRUE(mesh.Textures.empty());
        EXPECT_EQ(mesh.VertexData, nullptr);
        EXPECT_EQ(mesh.Header.MeshCount, 0u);
    }

    TestDevice device{64, 64, true};
    ScratchFolder folder{"sdkmesh"};
    SdkWriter::File file;
    std::wstring path;
    Mesh_SDKMesh mesh;
    ULONG baseline = 0;
};
} // namespace

TEST_F(SdkFakeD3DX, UnscriptedFakesLoadNormally)
{
    ASSERT_EQ(mesh.LoadMesh(path, device.Device), 0);
    EXPECT_EQ(FakeD3DX::Calls().CreateMesh, 1u);
    EXPECT_EQ(FakeD3DX::Calls().TextureFiles,
              (std::vector<std::string>{Narrow(folder.Path()) + "\\t.bmp", Narrow(folder.Path()) + "\\t.bmp"}));
    EXPECT_EQ(mesh.Textures.size(), 2u);
}

TEST_F(SdkFakeD3DX, CreateMeshFails)
{
    FakeD3DX::Current().CreateMesh.Result = E_OUTOFMEMORY;
    LogCapture log;
    EXPECT_EQ(mesh.LoadMesh(path, device.Device), 15);
    EXPECT_EQ(log.Entries(),
              (Messages{CallEntry(L".\\Mesh_SDKMesh", L"Mesh_SDKMesh::SetMesh", L"D3DXCreateMesh()", L"0x8007000E")}));
    ExpectEmpty();
}

TEST_F(SdkFakeD3DX, LockFailures)
{
    struct Row
    {
        FakeD3DX::Fault FakeD3DX::MeshScript::*Lock;
        const wchar_t* Call;
        int Status;
    };
    const Row rows[] = {
        {&FakeD3DX::MeshScript::LockVertexBuffer, L"LockVertexBuffer()", 16},
        {&FakeD3DX::MeshScript::LockIndexBuffer, L"LockIndexBuffer()", 17},
        {&FakeD3DX::MeshScript::LockAttributeBuffer, L"LockAttributeBuffer()", 18},
    };
    for (const Row& row : rows)
    {
        FakeD3DX::Reset();
        FakeD3DX::Current().WrapMeshes = true;
        (FakeD3DX::Current().Mesh.*row.Lock).Result = D3DERR_INVALIDCALL;
        LogCapture log;
        EXPECT_EQ(mesh.LoadMesh(path, device.Device), row.Status);
        EXPECT_EQ(log.Entries(),
                  (Messages{CallEntry(L".\\Mesh_SDKMesh", L"Mesh_SDKMesh::SetMesh", row.Call, L"0x8876086C")}));
        ExpectEmpty();
        EXPECT_EQ(RefCount(device.Device), baseline);
    }
}

TEST_F(SdkFakeD3DX, SharedStepFailuresPassThrough)
{
    {
        FakeD3DX::Current().WrapMeshes = true;
        FakeD3DX::Current().Mesh.GenerateAdjacency.Result = E_FAIL;
        LogCapture log;
        EXPECT_EQ(mesh.LoadMesh(path, device.Device), 3);
        EXPECT_EQ(log.Entries(), (Messages{CallEntry(L".\\Mesh", L"Mesh::GenerateAdjacencies", L"GenerateAdjacency()",
                                                     L"0x80004005")}));
        ExpectEmpty();
    }
    {
        FakeD3DX::Reset();
        FakeD3DX::Current().ComputeNormals.Result = E_FAIL;
        LogCapture log;
        EXPECT_EQ(mesh.LoadMesh(path, device.Device), 4);
        EXPECT_EQ(log.Entries(), (Messages{CallEntry(L".\\Mesh", L"Mesh::ConvertToStaticMesh", L"D3DXComputeNormals()",
                                                     L"0x80004005")}));
        ExpectEmpty();
    }
}

TEST_F(SdkFakeD3DX, TextureThatCannotBeLoadedEndsTheLoad)
{
    // The first subset's texture loads, the second one's fails for another reason than absence.
    FakeD3DX::Current().CreateTextureFromFile = {E_OUTOFMEMORY, 1, 1};
    LogCapture log;
    EXPECT_EQ(mesh.LoadMesh(path, device.Device), 6);
    EXPECT_EQ(log.Entries(), (Messages{L"[.\\Mesh | Mesh::AddTexture | LINE: *] >>  >> Cannot load texture "
                                       L"from file: " +
                                       folder.Path() +
                                       L"\\t.bmp. Function \"D3DXCreateTextureFromFileA()\" returned an "
                                       L"error code: 0x8007000E"}));
    ExpectEmpty();
}
