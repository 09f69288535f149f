// The generated files in the run folder, loaded the way the demo loads them: through D3DX and
// through the engine's Mesh_X, Mesh_SDKMesh and texture loading, on a real device of a hidden
// window. A good load writes nothing to the log.
#include "tools/AssetGenerator/AssetDesign.h"
#include "tools/AssetGenerator/Assets.h"
#include "AssetTestSupport.h"
#include "tools/AssetGenerator/Models.h"
#include "Vexa2/Resources/Mesh_SDKMesh.h"
#include "Vexa2/Resources/Mesh_X.h"
#include "tests/support/TestDevice.h"
#include "VLib/vLogger.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace AssetTest;

namespace
{
// One device for the whole suite; the working directory is the run folder, as for the demo.
class AssetLoad : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        wchar_t previous[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, previous);
        PreviousDirectory = previous;
        LogFolder = MakeTempFolder("log");
        LogPath = LogFolder + "assets.log";
        VLib::Logger::Initialize(Widen(LogPath));
        SetCurrentDirectoryW(Widen(WindowsPath(ASSET_RUN_DIR)).c_str());

        Screen = new TestDevice(320, 240, true);
        Device = Screen->Device;
    }

    static void TearDownTestSuite()
    {
        Device = nullptr;
        delete Screen;
        Screen = nullptr;
        SetCurrentDirectoryW(PreviousDirectory.c_str());
    }

    void SetUp() override
    {
        ASSERT_NE(nullptr, Device) << "no Direct3D device";
        LogBefore = LogSize();
        ASSERT_GT(LogBefore, 0u) << "the log is open";
    }

    // The log is held open without sharing, so only its size can be looked at from here.
    static DWORD LogSize()
    {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        return GetFileAttributesExA(LogPath.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
    }

    // Nothing was appended to the log since the test began (entries are flushed one by one).
    void ExpectNoLogEntry() { EXPECT_EQ(LogBefore, LogSize()) << "the load wrote to the log"; }

    static Assets::Box VertexBox(ID3DXMesh* mesh)
    {
        Assets::Box box = {{1e30, 1e30, 1e30}, {-1e30, -1e30, -1e30}};
        void* data = nullptr;
        if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data)))
            return box;
        const DWORD stride = mesh->GetNumBytesPerVertex();
        for (DWORD v = 0; v < mesh->GetNumVertices(); ++v)
        {
            const float* p = reinterpret_cast<const float*>(static_cast<const std::uint8_t*>(data) + v * stride);
            box.Min = {std::min<double>(box.Min.x, p[0]), std::min<double>(box.Min.y, p[1]),
                       std::min<double>(box.Min.z, p[2])};
            box.Max = {std::max<double>(box.Max.x, p[0]), std::max<double>(box.Max.y, p[1]),
                       std::max<double>(box.Max.z, p[2])};
        }
        mesh->UnlockVertexBuffer();
        return box;
    }

    static void ExpectBox(const AssetDesign::Box& design, ID3DXMesh* mesh, const char* name)
    {
        Assets::Box box = VertexBox(mesh);
        // The .x text keeps six decimals; floats keep about seven digits.
        const double tolerance = 2e-6 * (design.MaxZ - design.MinZ) + 1e-6;
        EXPECT_NEAR(design.MinX, box.Min.x, tolerance) << name;
        EXPECT_NEAR(design.MinY, box.Min.y, tolerance) << name;
        EXPECT_NEAR(design.MinZ, box.Min.z, tolerance) << name;
        EXPECT_NEAR(design.MaxX, box.Max.x, tolerance) << name;
        EXPECT_NEAR(design.MaxY, box.Max.y, tolerance) << name;
        EXPECT_NEAR(design.MaxZ, box.Max.z, tolerance) << name;
    }

    // The files carry no normals: every normal of the static layout (floats 3 to 5 of each
    // 32-byte vertex) must have been computed by the load.
    static void ExpectUnitNormals(ID3DXMesh* mesh, const char* name)
    {
        void* data = nullptr;
        ASSERT_EQ(S_OK, mesh->LockVertexBuffer(D3DLOCK_READONLY, &data)) << name;
        DWORD wrong = 0;
        for (DWORD v = 0; v < mesh->GetNumVertices(); ++v)
        {
            const float* n = reinterpret_cast<const float*>(static_cast<const std::uint8_t*>(data) + 32 * v) + 3;
            wrong += std::fabs(n[0] * n[0] + n[1] * n[1] + n[2] * n[2] - 1.0f) > 1e-3f;
        }
        mesh->UnlockVertexBuffer();
        EXPECT_EQ(0u, wrong) << name;
    }

    static void ExpectTriangles(ID3DXMesh* mesh, std::uint32_t designed, const char* name)
    {
        EXPECT_EQ(designed, mesh->GetNumFaces()) << name;
        EXPECT_GE(mesh->GetNumFaces(), static_cast<DWORD>(AssetDesign::MinTriangles)) << name;
        EXPECT_LE(mesh->GetNumFaces(), static_cast<DWORD>(AssetDesign::MaxTriangles)) << name;
    }

    static std::wstring PreviousDirectory;
    static std::string LogFolder, LogPath;
    static TestDevice* Screen;
    static IDirect3DDevice9* Device;
    DWORD LogBefore = 0;
};

std::wstring AssetLoad::PreviousDirectory;
std::string AssetLoad::LogFolder, AssetLoad::LogPath;
TestDevice* AssetLoad::Screen = nullptr;
IDirect3DDevice9* AssetLoad::Device = nullptr;

struct XAsset
{
    const wchar_t* File;
    const char* Name;
    AssetDesign::Box Design;
    const char* Texture; // of material 0, or null
};
const XAsset XAssets[] = {
    {L"skullocc.x", "skull", AssetDesign::SkullBox, nullptr},
    {L"venus.x", "venus", AssetDesign::VenusBox, nullptr},
    {L"ball.x", "ball", AssetDesign::BallBox, nullptr},
    {L"tiny.x", "tiny", AssetDesign::TinyBox, AssetDesign::TinyTexture},
};

std::uint32_t DesignedFaces(const char* name)
{
    static const std::uint32_t skull = Assets::BuildSkull().FaceCount(), venus = Assets::BuildVenus().FaceCount(),
                               ball = Assets::BuildBall().FaceCount(), tiny = Assets::BuildTiny().FaceCount();
    std::string n = name;
    return n == "skull" ? skull : n == "venus" ? venus : n == "ball" ? ball : tiny;
}
} // namespace

TEST_F(AssetLoad, D3DXReadsEveryXFileWithItsMaterial)
{
    for (const XAsset& a : XAssets)
    {
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* adjacency = nullptr;
        ID3DXBuffer* materials = nullptr;
        DWORD materialCount = 0;
        HRESULT hr = D3DXLoadMeshFromXW(a.File, D3DXMESH_MANAGED, Device, &adjacency, &materials, nullptr,
                                        &materialCount, &mesh);
        ASSERT_EQ(S_OK, hr) << a.Name;
        ExpectTriangles(mesh, DesignedFaces(a.Name), a.Name);
        EXPECT_EQ(static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_TEX1), mesh->GetFVF()) << a.Name;
        ExpectBox(a.Design, mesh, a.Name);
        ASSERT_EQ(1u, materialCount) << a.Name;
        const D3DXMATERIAL* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
        EXPECT_GT(m[0].MatD3D.Diffuse.r, 0.4f) << a.Name;
        if (a.Texture)
        {
            ASSERT_NE(nullptr, m[0].pTextureFilename) << a.Name;
            EXPECT_STREQ(a.Texture, m[0].pTextureFilename) << a.Name;
        }
        else
            EXPECT_EQ(nullptr, m[0].pTextureFilename) << a.Name;
        // Every face's adjacency is known: the surfaces are closed.
        const DWORD* adj = static_cast<const DWORD*>(adjacency->GetBufferPointer());
        DWORD open = 0;
        for (DWORD i = 0; i < 3 * mesh->GetNumFaces(); ++i)
            open += adj[i] == 0xFFFFFFFF;
        EXPECT_EQ(0u, open) << a.Name;
        adjacency->Release();
        materials->Release();
        mesh->Release();
    }
    ExpectNoLogEntry();
}

TEST_F(AssetLoad, BinaryXFilesLoadWithTheCountsOfTheirTextForms)
{
    struct Loaded
    {
        ID3DXMesh* Mesh = nullptr;
        ID3DXBuffer* Materials = nullptr;
        DWORD MaterialCount = 0;
        ~Loaded()
        {
            if (Materials)
                Materials->Release();
            if (Mesh)
                Mesh->Release();
        }
    };
    for (const Assets::XModel& model : Assets::XModels())
    {
        const char* name = model.File;
        std::vector<std::uint8_t> file;
        ASSERT_TRUE(ReadWholeFile(std::string(ASSET_RUN_DIR) + "/" + name, file)) << name;
        ASSERT_EQ("xof 0303bin 0032", std::string(file.begin(), file.begin() + 16)) << name;
        const std::string text = Assets::EncodeXFile(model.Mesh, model.Materials, model.Name);
        Loaded binary, reference;
        ASSERT_EQ(S_OK, D3DXLoadMeshFromXW(Widen(name).c_str(), D3DXMESH_MANAGED, Device, nullptr, &binary.Materials,
                                           nullptr, &binary.MaterialCount, &binary.Mesh))
            << name;
        ASSERT_EQ(S_OK, D3DXLoadMeshFromXInMemory(text.data(), static_cast<DWORD>(text.size()), D3DXMESH_MANAGED,
                                                  Device, nullptr, &reference.Materials, nullptr,
                                                  &reference.MaterialCount, &reference.Mesh))
            << name;
        EXPECT_EQ(reference.Mesh->GetNumVertices(), binary.Mesh->GetNumVertices()) << name;
        EXPECT_EQ(reference.Mesh->GetNumFaces(), binary.Mesh->GetNumFaces()) << name;
        EXPECT_EQ(model.Mesh.FaceCount(), binary.Mesh->GetNumFaces()) << name;
        EXPECT_EQ(reference.Mesh->GetFVF(), binary.Mesh->GetFVF()) << name;
        ASSERT_EQ(reference.MaterialCount, binary.MaterialCount) << name;
        const D3DXMATERIAL* r = static_cast<const D3DXMATERIAL*>(reference.Materials->GetBufferPointer());
        const D3DXMATERIAL* b = static_cast<const D3DXMATERIAL*>(binary.Materials->GetBufferPointer());
        EXPECT_EQ(0, std::memcmp(&r[0].MatD3D, &b[0].MatD3D, sizeof(D3DMATERIAL9))) << name;
        EXPECT_EQ(std::string(r[0].pTextureFilename ? r[0].pTextureFilename : ""),
                  std::string(b[0].pTextureFilename ? b[0].pTextureFilename : ""))
            << name;
    }
    ExpectNoLogEntry();
}

TEST_F(AssetLoad, MeshXLoadsEveryModelWithoutALogEntry)
{
    for (const XAsset& a : XAssets)
    {
        Mesh_X mesh;
        ASSERT_EQ(0, mesh.LoadMesh(a.File, Device)) << a.Name;
        ASSERT_NE(nullptr, mesh.D3DXMesh);
        ExpectTriangles(mesh.D3DXMesh, DesignedFaces(a.Name), a.Name);
        ASSERT_EQ(32u, mesh.D3DXMesh->GetNumBytesPerVertex()) << a.Name;
        ExpectBox(a.Design, mesh.D3DXMesh, a.Name);
        ExpectUnitNormals(mesh.D3DXMesh, a.Name);
        EXPECT_EQ(1u, mesh.Materials.size()) << a.Name;
        EXPECT_EQ(a.Texture ? 1u : 0u, mesh.Textures.size()) << a.Name;
        mesh.ReleaseMesh();
    }
    ExpectNoLogEntry();
}

TEST_F(AssetLoad, TinysTextureIsThe256SquareSkin)
{
    Mesh_X tiny;
    ASSERT_EQ(0, tiny.LoadMesh(L"tiny.x", Device));
    ASSERT_EQ(1u, tiny.Textures.size());
    D3DSURFACE_DESC desc = {};
    ASSERT_EQ(S_OK, tiny.Textures[0]->GetLevelDesc(0, &desc));
    EXPECT_EQ(256u, desc.Width);
    EXPECT_EQ(256u, desc.Height);
    EXPECT_EQ(D3DFMT_X8R8G8B8, desc.Format);
    tiny.ReleaseMesh();
    ExpectNoLogEntry();
}

TEST_F(AssetLoad, LizardLoadsWithTwoSubsetsAndTwoTextures)
{
    Assets::TriMesh design = Assets::BuildLizard();
    std::uint32_t designedBelly = 0;
    for (std::uint32_t a : design.Attributes)
        designedBelly += a;

    Mesh_SDKMesh lizard;
    ASSERT_EQ(0, lizard.LoadMesh(L"lizardSIG.sdkmesh", Device));
    ASSERT_NE(nullptr, lizard.D3DXMesh);
    ExpectTriangles(lizard.D3DXMesh, design.FaceCount(), "lizard");
    EXPECT_EQ(32u, lizard.D3DXMesh->GetNumBytesPerVertex());
    ExpectBox(AssetDesign::LizardBox, lizard.D3DXMesh, "lizard");
    EXPECT_EQ(2u, lizard.Header.TotalSubsetCount);
    EXPECT_EQ(2u, lizard.Header.MaterialCount);
    EXPECT_EQ(2u, lizard.Materials.size());
    ASSERT_EQ(2u, lizard.Textures.size());
    EXPECT_NE(lizard.Textures[0], lizard.Textures[1]);
    D3DSURFACE_DESC skin = {}, belly = {};
    lizard.Textures[0]->GetLevelDesc(0, &skin);
    lizard.Textures[1]->GetLevelDesc(0, &belly);
    EXPECT_EQ(256u, skin.Width) << "subset 0: skin";
    EXPECT_EQ(128u, belly.Width) << "subset 1: belly";

    DWORD* attributes = nullptr;
    ASSERT_EQ(S_OK, lizard.D3DXMesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes));
    std::uint32_t counts[3] = {0, 0, 0};
    for (DWORD f = 0; f < lizard.D3DXMesh->GetNumFaces(); ++f)
        ++counts[attributes[f] < 2 ? attributes[f] : 2];
    lizard.D3DXMesh->UnlockAttributeBuffer();
    EXPECT_EQ(design.FaceCount() - designedBelly, counts[0]);
    EXPECT_EQ(designedBelly, counts[1]);
    EXPECT_EQ(0u, counts[2]);
    lizard.ReleaseMesh();
    ExpectNoLogEntry();
}

TEST_F(AssetLoad, ParticleBorderBecomesTransparentAndItsCentreStaysBright)
{
    // Loaded as the particle system loads it: A8R8G8B8, colour key opaque black.
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(S_OK, D3DXCreateTextureFromFileExW(Device, L"particle.bmp", D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                 D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_BOX,
                                                 0xFF000000, nullptr, nullptr, &texture));
    D3DSURFACE_DESC desc = {};
    texture->GetLevelDesc(0, &desc);
    const UINT size = static_cast<UINT>(AssetDesign::ParticleSize);
    ASSERT_EQ(size, desc.Width);
    ASSERT_EQ(size, desc.Height);
    D3DLOCKED_RECT rect = {};
    ASSERT_EQ(S_OK, texture->LockRect(0, &rect, nullptr, D3DLOCK_READONLY));
    auto texel = [&rect](UINT x, UINT y) {
        return reinterpret_cast<const DWORD*>(static_cast<const std::uint8_t*>(rect.pBits) + y * rect.Pitch)[x];
    };
    int visibleBorder = 0;
    for (UINT i = 0; i < size; ++i)
        visibleBorder +=
            (texel(i, 0) != 0) + (texel(i, size - 1) != 0) + (texel(0, i) != 0) + (texel(size - 1, i) != 0);
    EXPECT_EQ(0, visibleBorder) << "border texels are transparent black";
    DWORD centre = texel(size / 2, size / 2);
    EXPECT_EQ(0xFFu, centre >> 24) << "opaque centre";
    EXPECT_EQ(0xFFu, (centre >> 16) & 0xFF) << "bright red channel";
    EXPECT_GT((centre >> 8) & 0xFF, 200u);
    texture->UnlockRect(0);
    texture->Release();
    ExpectNoLogEntry();
}
