// Mesh and Mesh_X failure paths that the platform's D3DX never takes, reached through the D3DX
// fakes (tests/fakes/FakeD3DX.h); everything not scripted still runs on the real D3DX.
#include "tests/support/LogCapture.h"
#include "ResourceTestSupport.h"

#include "tests/fakes/FakeD3DX.h"
#include "Vexa2/Resources/Mesh_X.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace ResourceTest;

namespace
{
const std::wstring MeshHead = L"[.\\Mesh | Mesh::";
const std::wstring MeshXHead = L"[.\\Mesh_X | Mesh_X::";

bool StartsWith(const std::wstring& text, const std::wstring& head)
{
    return text.compare(0, head.size(), head) == 0;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class MeshFake : public ::testing::Test
{
protected:
    MeshFake() : Folder(::testing::UnitTest::GetInstance()->current_test_info()->name()), Log() {}
    void SetUp() override
    {
        FakeD3DX::Reset();
        ASSERT_TRUE(Device.Ok()) << "no Direct3D device";
    }
    void TearDown() override
    {
        Quads.ReleaseMesh();
        FakeD3DX::Reset();
    }

    // quads.x: three materials with textures a, b, c (all present) on quads 0, 1, 2, 0.
    void WriteQuads()
    {
        ASSERT_TRUE(WriteBmp(L"a.bmp", 0xFF0000));
        ASSERT_TRUE(WriteBmp(L"b.bmp", 0x00FF00));
        ASSERT_TRUE(WriteBmp(L"c.bmp", 0x0000FF));
        const int quadMaterials[4] = {0, 1, 2, 0};
        std::vector<XMaterial> materials;
        for (const char* texture : {"a.bmp", "b.bmp", "c.bmp"})
            materials.push_back(XMaterial{{1, 1, 1, 1}, 4, {0, 0, 0}, {0, 0, 0}, texture});
        ASSERT_TRUE(WriteFileBytes(L"quads.x", QuadsXFile(quadMaterials, materials)));
    }

    // A wrapped 4 x 4 grid with two attributes, owned by Quads.
    ID3DXMesh* WrappedGrid(bool wide = false)
    {
        ID3DXMesh* grid = CreateGridMesh(Device.Device, 4, 2, wide);
        Quads.D3DXMesh = grid ? FakeD3DX::WrapMesh(grid) : nullptr;
        return Quads.D3DXMesh;
    }

    void ExpectEmpty()
    {
        EXPECT_EQ(Quads.D3DXMesh, nullptr);
        EXPECT_TRUE(Quads.Materials.empty());
        EXPECT_TRUE(Quads.Textures.empty());
    }

    WorkingFolder Folder;
    LogCapture Log;
    TestDevice Device{ScreenSize, ScreenSize};
    Mesh_X Quads;
};

TEST_F(MeshFake, MissingXFileIsStatus7WithItsName)
{
    FakeD3DX::Current().LoadMeshFromX.Result = static_cast<HRESULT>(0x88760389);
    EXPECT_EQ(Quads.LoadMesh(L"missing.x", Device.Device), MeshFileNotFound);
    ExpectEmpty();
    EXPECT_EQ(FakeD3DX::Calls().LoadMeshOptions, static_cast<DWORD>(D3DXMESH_MANAGED));
    EXPECT_EQ(FakeD3DX::Calls().LoadMeshFile, L"missing.x");
    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], MeshXHead + L"LoadMesh | LINE: *] >> File not found :missing.x");
}

TEST_F(MeshFake, OtherLoaderFailuresAreStatus8)
{
    ASSERT_TRUE(WriteFileBytes(L"any.x", "xof 0303txt 0032\n")); // present: the failure is not a missing file
    FakeD3DX::Current().LoadMeshFromX.Result = E_OUTOFMEMORY;
    EXPECT_EQ(Quads.LoadMesh(L"any.x", Device.Device), MeshLoadFailed);
    ExpectEmpty();
    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], MeshXHead + L"LoadMesh | LINE: *] >> Function \"D3DXLoadMeshFromX\" returned an error. "
                                      L"Error Code: 0x8007000E");
}

class MeshFakeLoadFailure : public MeshFake, public ::testing::WithParamInterface<int>
{
};

// Each step of a load failing in turn: the status, one entry, an empty mesh, the device back to
// its count before the load.
TEST_P(MeshFakeLoadFailure, EndsWithAnEmptyMesh)
{
    WriteQuads();
    const ULONG baseline = RefCount(Device.Device);
    FakeD3DX::Script& script = FakeD3DX::Current();
    script.WrapMeshes = true;
    int expected = MeshOk;
    std::wstring entry;
    switch (GetParam())
    {
    case 0:
        script.Mesh.CloneMesh.Result = E_OUTOFMEMORY;
        expected = MeshCloneFailed;
        entry = MeshHead + L"ConvertToStaticMesh | LINE: *] >> Function \"CloneMeshFVF()\" returned an error. "
                           L"Error Code: 0x8007000E";
        break;
    case 1:
        script.ComputeNormals.Result = D3DERR_INVALIDCALL;
        expected = MeshNormalsFailed;
        entry = MeshHead + L"ConvertToStaticMesh | LINE: *] >> Function \"D3DXComputeNormals()\" returned an error. "
                           L"Error Code: 0x8876086C";
        break;
    case 2:
        script.Mesh.OptimizeInplace.Result = E_FAIL;
        expected = MeshOptimizeFailed;
        entry = MeshHead + L"OptimizeForTriangleList | LINE: *] >> Function \"OptimizeInplace()\" returned an "
                           L"error. Error Code: 0x80004005";
        break;
    case 3:
        script.CreateTextureFromFile = {E_OUTOFMEMORY, 1, 1}; // the second texture
        expected = MeshTextureFailed;
        entry = MeshHead + L"AddTexture | LINE: *] >>  >> Cannot load texture from file: b.bmp. Function "
                           L"\"D3DXCreateTextureFromFileA()\" returned an error code: 0x8007000E";
        break;
    case 4:
        script.NoAdjacencyBuffer = true;
        script.Mesh.GenerateAdjacency.Result = E_FAIL;
        expected = MeshAdjacencyFailed;
        entry = MeshHead + L"GenerateAdjacencies | LINE: *] >> Function \"GenerateAdjacency()\" returned an error. "
                           L"Error Code: 0x80004005";
        break;
    }
    EXPECT_EQ(Quads.LoadMesh(L"quads.x", Device.Device), expected);
    ExpectEmpty();
    EXPECT_EQ(RefCount(Device.Device), baseline);
    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], entry);
}

std::string StepName(const ::testing::TestParamInfo<int>& info)
{
    const char* const names[] = {"Clone", "Normals", "Optimize", "Texture", "Adjacency"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Steps, MeshFakeLoadFailure, ::testing::Range(0, 5), StepName);

TEST_F(MeshFake, LoaderWithoutAdjacencyOrMaterialsStillLoads)
{
    WriteQuads();
    FakeD3DX::Script& script = FakeD3DX::Current();
    script.NoAdjacencyBuffer = true;
    script.NoMaterialBuffer = true;
    ASSERT_EQ(Quads.LoadMesh(L"quads.x", Device.Device), MeshOk);
    ASSERT_NE(Quads.D3DXMesh, nullptr);
    EXPECT_EQ(Quads.D3DXMesh->GetNumBytesPerVertex(), 32u);
    EXPECT_TRUE(Quads.Materials.empty());
    EXPECT_TRUE(Quads.Textures.empty());
    EXPECT_EQ(FakeD3DX::Calls().CreateTextureFromFile, 0u);
    EXPECT_TRUE(FakeD3DX::Calls().ComputeNormalsAdjacency); // built by GenerateAdjacencies
    EXPECT_EQ(ReadAttributeTable(Quads.D3DXMesh).size(), 3u);
    EXPECT_TRUE(Log.Entries().empty());
}

TEST_F(MeshFake, TexturesLoadInMaterialOrderFromTheFileFolder)
{
    WriteQuads();
    ASSERT_EQ(Quads.LoadMesh(L"quads.x", Device.Device), MeshOk);
    EXPECT_EQ(FakeD3DX::Calls().TextureFiles, (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp"}));
    EXPECT_EQ(Quads.Textures.size(), 3u);
    Quads.ReleaseMesh();

    ASSERT_TRUE(CreateDirectoryW(L"media", nullptr));
    ASSERT_TRUE(CopyFileW(L"quads.x", L"media\\quads.x", FALSE));
    FakeD3DX::Calls().TextureFiles.clear();
    ASSERT_EQ(Quads.LoadMesh(L"media\\quads.x", Device.Device), MeshOk); // media\ has no textures
    EXPECT_EQ(FakeD3DX::Calls().TextureFiles,
              (std::vector<std::string>{"media\\a.bmp", "media\\b.bmp", "media\\c.bmp"}));
    EXPECT_EQ(Quads.Materials.size(), 3u);
    EXPECT_TRUE(Quads.Textures.empty());
    EXPECT_EQ(Log.Entries().size(), 3u);
}

TEST_F(MeshFake, AddTextureOtherFailureIsStatus6)
{
    FakeD3DX::Current().CreateTextureFromFile.Result = E_OUTOFMEMORY;
    EXPECT_EQ(Quads.AddTexture("x.dds", "media\\", Device.Device), MeshTextureFailed);
    EXPECT_TRUE(Quads.Textures.empty());
    EXPECT_EQ(FakeD3DX::Calls().TextureFiles, std::vector<std::string>{"media\\x.dds"});
    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], MeshHead + L"AddTexture | LINE: *] >>  >> Cannot load texture from file: media\\x.dds. "
                                     L"Function \"D3DXCreateTextureFromFileA()\" returned an error code: 0x8007000E");
}

TEST_F(MeshFake, CloneFailureKeepsTheMesh)
{
    ID3DXMesh* mesh = WrappedGrid();
    ASSERT_NE(mesh, nullptr);
    FakeD3DX::Current().Mesh.CloneMesh.Result = E_OUTOFMEMORY;
    EXPECT_EQ(Quads.ConvertToStaticMesh(nullptr, Device.Device), MeshCloneFailed);
    EXPECT_EQ(Quads.D3DXMesh, mesh);
    EXPECT_EQ(Log.Entries().size(), 1u);
}

TEST_F(MeshFake, NormalsFailureKeepsTheClone)
{
    ID3DXMesh* mesh = WrappedGrid();
    ASSERT_NE(mesh, nullptr);
    FakeD3DX::Current().ComputeNormals.Result = E_FAIL;
    EXPECT_EQ(Quads.ConvertToStaticMesh(nullptr, Device.Device), MeshNormalsFailed);
    ASSERT_NE(Quads.D3DXMesh, nullptr);
    EXPECT_NE(Quads.D3DXMesh, mesh);
    EXPECT_TRUE(FakeD3DX::IsWrappedMesh(Quads.D3DXMesh));
    EXPECT_EQ(Quads.D3DXMesh->GetNumBytesPerVertex(), 32u);
    EXPECT_EQ(Log.Entries().size(), 1u);
}

TEST_F(MeshFake, AdjacencyArraysThatDoNotFitIn32BitsAreStatus1)
{
    ASSERT_NE(WrappedGrid(), nullptr);
    FakeD3DX::Current().Mesh.NumFaces = 0x20000000; // 12 bytes each: 6 GiB
    DWORD* adjacency = reinterpret_cast<DWORD*>(1);
    EXPECT_EQ(Quads.GenerateAdjacencies(adjacency), MeshNoMemory);
    EXPECT_EQ(adjacency, nullptr);
    EXPECT_EQ(Quads.OptimizeForTriangleList(adjacency), MeshNoMemory); // passed on

    ID3DXBuffer* buffer = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(12, &buffer), S_OK);
    buffer->AddRef();
    EXPECT_EQ(Quads.GetAdjacencies(adjacency, buffer), MeshNoMemory);
    EXPECT_EQ(adjacency, nullptr);
    EXPECT_EQ(buffer->Release(), 0u); // consumed

    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], MeshHead + L"GenerateAdjacencies | LINE: *] >> Not enough memory");
    EXPECT_EQ(entries[1], entries[0]);
    EXPECT_EQ(entries[2], MeshXHead + L"GetAdjacencies | LINE: *] >> Out of memory");
}

TEST_F(MeshFake, GetAdjacenciesCopiesTheBufferOrGeneratesWithoutOne)
{
    ID3DXMesh* mesh = WrappedGrid();
    ASSERT_NE(mesh, nullptr);
    const DWORD faces = mesh->GetNumFaces();
    ID3DXBuffer* buffer = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(faces * 12, &buffer), S_OK);
    for (DWORD i = 0; i < faces * 3; ++i)
        static_cast<DWORD*>(buffer->GetBufferPointer())[i] = i * 7;
    buffer->AddRef();
    DWORD* adjacency = nullptr;
    ASSERT_EQ(Quads.GetAdjacencies(adjacency, buffer), MeshOk);
    EXPECT_EQ(buffer->Release(), 0u);
    ASSERT_NE(adjacency, nullptr);
    for (DWORD i = 0; i < faces * 3; ++i)
        EXPECT_EQ(adjacency[i], i * 7);
    delete[] adjacency;

    std::vector<DWORD> expected(faces * 3);
    ASSERT_EQ(mesh->GenerateAdjacency(1e-6f, expected.data()), S_OK);
    adjacency = nullptr;
    ASSERT_EQ(Quads.GetAdjacencies(adjacency, nullptr), MeshOk);
    ASSERT_NE(adjacency, nullptr);
    EXPECT_EQ(std::vector<DWORD>(adjacency, adjacency + faces * 3), expected);
    delete[] adjacency;
    EXPECT_TRUE(Log.Entries().empty());
}

class FallbackLockFailure : public MeshFake, public ::testing::WithParamInterface<int>
{
};

// A failure inside the hand-made ordering: status 5 naming the call, the mesh unchanged.
TEST_P(FallbackLockFailure, LeavesTheMeshAsItWas)
{
    ID3DXMesh* mesh = WrappedGrid(GetParam() % 2 == 1);
    ASSERT_NE(mesh, nullptr);
    const std::vector<FaceCorners> before = ReadFaces(mesh);
    const std::vector<DWORD> indicesBefore = ReadIndices(mesh);
    std::vector<DWORD> adjacency(mesh->GetNumFaces() * 3);
    ASSERT_EQ(mesh->GenerateAdjacency(1e-6f, adjacency.data()), S_OK);
    const std::vector<DWORD> adjacencyBefore = adjacency;

    FakeD3DX::MeshScript& script = FakeD3DX::Current().Mesh;
    const wchar_t* call = nullptr;
    switch (GetParam() / 2)
    {
    case 0:
        script.LockIndexBuffer.Result = D3DERR_INVALIDCALL;
        call = L"LockIndexBuffer()";
        break;
    case 1:
        script.LockVertexBuffer.Result = D3DERR_INVALIDCALL;
        call = L"LockVertexBuffer()";
        break;
    case 2:
        script.LockAttributeBuffer.Result = D3DERR_INVALIDCALL;
        call = L"LockAttributeBuffer()";
        break;
    }
    DWORD* array = adjacency.data();
    EXPECT_EQ(Quads.OptimizeForTriangleList(array), MeshOptimizeFailed);
    FakeD3DX::Reset();

    const std::vector<FaceCorners> after = ReadFaces(mesh);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t face = 0; face < after.size(); ++face)
        EXPECT_TRUE(after[face].Attribute == before[face].Attribute &&
                    std::memcmp(after[face].Corner, before[face].Corner, sizeof after[face].Corner) == 0)
            << face;
    EXPECT_EQ(ReadIndices(mesh), indicesBefore);
    EXPECT_EQ(adjacency, adjacencyBefore);
    EXPECT_TRUE(ReadAttributeTable(mesh).empty());

    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(StartsWith(entries[0], MeshHead + L"OptimizeForTriangleList | LINE: ")) << entries[0];
    EXPECT_TRUE(EndsWith(entries[0],
                         std::wstring(L"] >> Function \"") + call + L"\" returned an error. Error Code: 0x8876086C"))
        << entries[0];
}

std::string LockName(const ::testing::TestParamInfo<int>& info)
{
    const char* const names[] = {"Index", "Vertex", "Attribute"};
    return std::string(names[info.param / 2]) + (info.param % 2 ? "32" : "16");
}

INSTANTIATE_TEST_SUITE_P(Locks, FallbackLockFailure, ::testing::Range(0, 6), LockName);

TEST_F(MeshFake, FallbackAttributeTableFailureIsStatus5)
{
    ASSERT_NE(WrappedGrid(), nullptr);
    FakeD3DX::Current().Mesh.SetAttributeTable.Result = E_OUTOFMEMORY;
    DWORD* adjacency = nullptr;
    EXPECT_EQ(Quads.OptimizeForTriangleList(adjacency), MeshOptimizeFailed);
    delete[] adjacency;
    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(
        EndsWith(entries[0], L"] >> Function \"SetAttributeTable()\" returned an error. Error Code: 0x8007000E"))
        << entries[0];
}

TEST_F(MeshFake, FallbackRefusesIndicesOutOfRange)
{
    const D3DVERTEXELEMENT9 layout[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
        {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
        D3DDECL_END(),
    };
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMesh(1, 3, D3DXMESH_MANAGED, layout, Device.Device, &mesh), S_OK);
    WORD* indices = nullptr;
    ASSERT_EQ(mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&indices)), S_OK);
    indices[0] = 0, indices[1] = 7, indices[2] = 2;
    mesh->UnlockIndexBuffer();
    Quads.D3DXMesh = FakeD3DX::WrapMesh(mesh);

    FakeD3DX::Current().Mesh.OptimizeInplace.Result = E_NOTIMPL; // as Wine answers
    DWORD adjacency[3] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    DWORD* array = adjacency;
    EXPECT_EQ(Quads.OptimizeForTriangleList(array), MeshOptimizeFailed);
    EXPECT_EQ(ReadIndices(Quads.D3DXMesh), (std::vector<DWORD>{0, 7, 2}));
    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(StartsWith(entries[0], MeshHead + L"OptimizeForTriangleList | LINE: ")) << entries[0];
    EXPECT_TRUE(
        EndsWith(entries[0], L"] >> Cannot order the mesh for the vertex cache: bad indices or not enough memory"))
        << entries[0];
}

TEST_F(MeshFake, FallbackRunsOnlyWhenD3DXAnswersNotImplemented)
{
    ID3DXMesh* mesh = WrappedGrid();
    ASSERT_NE(mesh, nullptr);
    const std::vector<DWORD> indicesBefore = ReadIndices(mesh);
    FakeD3DX::Current().Mesh.OptimizeInplaceSucceeds = true; // a D3DX that can do it
    DWORD* adjacency = nullptr;
    EXPECT_EQ(Quads.OptimizeForTriangleList(adjacency), MeshOk);
    delete[] adjacency;
    EXPECT_EQ(ReadIndices(mesh), indicesBefore);
    EXPECT_TRUE(ReadAttributeTable(mesh).empty());
    EXPECT_TRUE(Log.Entries().empty());
}

} // namespace
