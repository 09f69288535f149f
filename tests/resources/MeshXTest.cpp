// Mesh and Mesh_X on the real D3DX of the platform (under Wine, every load also goes through the
// hand-made vertex-cache ordering, since OptimizeInplace answers E_NOTIMPL there).
#include "tests/support/LogCapture.h"
#include "testkit/RefusedNew.h"
#include "ResourceTestSupport.h"

#include "Vexa2/Resources/Mesh_X.h"
#include "testkit/CacheAnalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

using namespace ResourceTest;

namespace
{
const std::wstring MeshHead = L"[.\\Mesh | Mesh::";
const std::wstring MeshXHead = L"[.\\Mesh_X | Mesh_X::";

XMaterial Material(float r, float g, float b, const std::string& texture)
{
    XMaterial material = {{r, g, b, 1.0f}, 8.0f, {0.25f, 0.5f, 0.75f}, {0.0f, 0.125f, 0.0f}, texture};
    return material;
}

// Level 0, texel (0, 0), without the unused byte.
std::uint32_t FirstTexel(IDirect3DTexture9* texture)
{
    D3DLOCKED_RECT locked;
    if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)))
        return 0xDEADBEEF;
    const std::uint32_t texel = *static_cast<const std::uint32_t*>(locked.pBits) & 0x00FFFFFF;
    texture->UnlockRect(0);
    return texel;
}

bool Near(float a, float b)
{
    return std::fabs(a - b) < 1e-4f;
}

class MeshXReal : public ::testing::Test
{
protected:
    MeshXReal() : Folder(::testing::UnitTest::GetInstance()->current_test_info()->name()), Log() {}
    void SetUp() override { ASSERT_TRUE(Device.Ok()) << "no Direct3D device"; }
    void TearDown() override { Quads.ReleaseMesh(); }

    // Writes quads.x (quad q has material quadMaterials[q]) and loads it into Quads.
    int LoadQuads(const int quadMaterials[4], const std::vector<XMaterial>& materials,
                  const std::wstring& name = L"quads.x")
    {
        EXPECT_TRUE(WriteFileBytes(name, QuadsXFile(quadMaterials, materials)));
        return Quads.LoadMesh(name, Device.Device);
    }

    WorkingFolder Folder;
    LogCapture Log;
    TestDevice Device{ScreenSize, ScreenSize};
    Mesh_X Quads;
};

TEST_F(MeshXReal, ThreeMaterialsOfWhichTheSecondNamesAMissingTexture)
{
    ASSERT_TRUE(WriteBmp(L"tex_a.bmp", 0xFF0000));
    ASSERT_TRUE(WriteBmp(L"tex_c.bmp", 0x0000FF));
    const int quadMaterials[4] = {2, 0, 1, 0};
    const std::vector<XMaterial> materials = {Material(1.0f, 0.0f, 0.0f, "tex_a.bmp"),
                                              Material(0.0f, 1.0f, 0.0f, "missing.bmp"),
                                              Material(0.0f, 0.0f, 1.0f, "tex_c.bmp")};
    ASSERT_EQ(LoadQuads(quadMaterials, materials), MeshOk);

    ASSERT_EQ(Quads.Materials.size(), 3u);
    ASSERT_EQ(Quads.Textures.size(), 2u);
    EXPECT_EQ(FirstTexel(Quads.Textures[0]), 0xFF0000u);
    EXPECT_EQ(FirstTexel(Quads.Textures[1]), 0x0000FFu);

    // Materials are what D3DX returns for the file, byte for byte.
    ID3DXBuffer* buffer = nullptr;
    DWORD count = 0;
    ID3DXMesh* reference = nullptr;
    ASSERT_EQ(
        D3DXLoadMeshFromXW(L"quads.x", D3DXMESH_MANAGED, Device.Device, nullptr, &buffer, nullptr, &count, &reference),
        S_OK);
    ASSERT_EQ(count, 3u);
    const D3DXMATERIAL* expected = static_cast<const D3DXMATERIAL*>(buffer->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i)
    {
        EXPECT_EQ(std::memcmp(&Quads.Materials[i], &expected[i].MatD3D, sizeof(D3DMATERIAL9)), 0) << i;
        EXPECT_FLOAT_EQ(Quads.Materials[i].Diffuse.r, materials[i].Diffuse[0]);
        EXPECT_FLOAT_EQ(Quads.Materials[i].Diffuse.b, materials[i].Diffuse[2]);
        EXPECT_FLOAT_EQ(Quads.Materials[i].Power, 8.0f);
    }
    buffer->Release();
    reference->Release();

    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], MeshHead + L"AddTexture | LINE: *] >>  >> Cannot load texture from file: "
                                     L"missing.bmp. The is no such a file.");
}

TEST_F(MeshXReal, LoadedMeshHasTheStaticLayoutAndRecomputedNormals)
{
    const int quadMaterials[4] = {0, 0, 0, 0};
    ASSERT_EQ(LoadQuads(quadMaterials, {Material(1.0f, 1.0f, 1.0f, "")}), MeshOk);

    ID3DXMesh* mesh = Quads.D3DXMesh;
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 32u);
    EXPECT_EQ(mesh->GetOptions(), static_cast<DWORD>(D3DXMESH_MANAGED));
    EXPECT_EQ(mesh->GetNumFaces(), 8u);

    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(mesh->GetDeclaration(declaration), S_OK);
    const D3DVERTEXELEMENT9 expected[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
        {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
        D3DDECL_END(),
    };
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(declaration[i].Stream, expected[i].Stream) << i;
        EXPECT_EQ(declaration[i].Offset, expected[i].Offset) << i;
        EXPECT_EQ(declaration[i].Type, expected[i].Type) << i;
        EXPECT_EQ(declaration[i].Method, expected[i].Method) << i;
        EXPECT_EQ(declaration[i].Usage, expected[i].Usage) << i;
        EXPECT_EQ(declaration[i].UsageIndex, expected[i].UsageIndex) << i;
    }

    // The file says (0, 1, 0); the faces, wound up then right, face -z.
    const std::vector<Vertex> vertices = ReadVertices(mesh);
    ASSERT_EQ(vertices.size(), 16u);
    for (const Vertex& vertex : vertices)
    {
        EXPECT_TRUE(Near(vertex.Normal[0], 0.0f) && Near(vertex.Normal[1], 0.0f) && Near(vertex.Normal[2], -1.0f))
            << vertex.Normal[0] << " " << vertex.Normal[1] << " " << vertex.Normal[2];
        // The texture coordinate travelled with its position.
        bool found = false;
        for (int i = 0; i < 16; ++i)
        {
            const Vertex original = QuadsXFileVertex(i);
            if (Near(original.Position[0], vertex.Position[0]) && Near(original.Position[1], vertex.Position[1]) &&
                Near(original.Position[2], vertex.Position[2]))
            {
                found = true;
                EXPECT_FLOAT_EQ(vertex.TexCoord[0], original.TexCoord[0]);
                EXPECT_FLOAT_EQ(vertex.TexCoord[1], original.TexCoord[1]);
            }
        }
        EXPECT_TRUE(found);
    }
    EXPECT_TRUE(Log.Entries().empty());
}

TEST_F(MeshXReal, DrawSubsetDrawsTheFacesOfEachMaterial)
{
    const int quadMaterials[4] = {2, 0, 1, 0};
    ASSERT_EQ(LoadQuads(quadMaterials, {Material(1, 0, 0, ""), Material(0, 1, 0, ""), Material(0, 0, 1, "")}), MeshOk);

    for (DWORD subset = 0; subset < 4; ++subset)
    {
        const std::vector<std::uint32_t> pixels = DrawSubset(Device, Quads.D3DXMesh, subset);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(ScreenSize * ScreenSize));
        for (int quad = 0; quad < 4; ++quad)
            EXPECT_EQ(QuadrantPixel(pixels, quad), quadMaterials[quad] == static_cast<int>(subset) ? 0xFFFFFFu : 0u)
                << "subset " << subset << " quad " << quad;
        EXPECT_EQ(pixels[(ScreenSize / 2) * ScreenSize + ScreenSize / 2], 0u); // the gap
    }

    // Faces grouped per attribute, one range each.
    const std::vector<D3DXATTRIBUTERANGE> table = ReadAttributeTable(Quads.D3DXMesh);
    ASSERT_EQ(table.size(), 3u);
    const DWORD faceCounts[3] = {4, 2, 2};
    DWORD faceStart = 0;
    for (DWORD id = 0; id < 3; ++id)
    {
        EXPECT_EQ(table[id].AttribId, id);
        EXPECT_EQ(table[id].FaceStart, faceStart);
        EXPECT_EQ(table[id].FaceCount, faceCounts[id]);
        faceStart += faceCounts[id];
    }
}

TEST_F(MeshXReal, MaterialsWithoutTexturesLoadNoTexture)
{
    const int quadMaterials[4] = {0, 1, 0, 1};
    ASSERT_EQ(LoadQuads(quadMaterials, {Material(1, 0, 0, ""), Material(0, 1, 0, "")}), MeshOk);
    EXPECT_EQ(Quads.Materials.size(), 2u);
    EXPECT_TRUE(Quads.Textures.empty());
    EXPECT_TRUE(Log.Entries().empty());
}

TEST_F(MeshXReal, FileWithoutMaterialListKeepsTheOneDefaultMaterialOfD3DX)
{
    // D3DX hands a mesh without a material list one material (grey diffuse and specular of 0.5,
    // all else 0, no texture), and every face has attribute 0: the mesh keeps it as it came.
    const int quadMaterials[4] = {0, 0, 0, 0};
    ASSERT_TRUE(WriteFileBytes(L"plain.x", QuadsXFile(quadMaterials, {}, false)));
    ASSERT_EQ(Quads.LoadMesh(L"plain.x", Device.Device), MeshOk);
    D3DMATERIAL9 grey = {};
    grey.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
    grey.Specular = {0.5f, 0.5f, 0.5f, 0.0f};
    ASSERT_EQ(Quads.Materials.size(), 1u);
    EXPECT_EQ(0, std::memcmp(&Quads.Materials[0], &grey, sizeof(grey)));
    EXPECT_TRUE(Quads.Textures.empty());
    EXPECT_TRUE(Log.Entries().empty());
}

TEST_F(MeshXReal, NoMemoryForTheMaterialListIsStatus1)
{
    const int quadMaterials[4] = {0, 1, 2, 0};
    TestKit::RefusedNew refused(3 * sizeof(D3DMATERIAL9));
    EXPECT_EQ(LoadQuads(quadMaterials, {Material(1, 0, 0, ""), Material(0, 1, 0, ""), Material(0, 0, 1, "")}), 1);
    EXPECT_EQ(Log.Entries(), std::vector<std::wstring>{MeshXHead + L"SetMaterials | LINE: *] >> Not enough memory"});
    EXPECT_EQ(Quads.D3DXMesh, nullptr);
    EXPECT_TRUE(Quads.Materials.empty());
}

TEST_F(MeshXReal, NoMemoryForATexturePathIsStatus1)
{
    // "textures\here\" and "wall.bmp": a path of 22 characters, 23 bytes with its end.
    TestKit::RefusedNew refused(23);
    EXPECT_EQ(Quads.AddTexture("wall.bmp", "textures\\here\\", Device.Device), 1);
    EXPECT_EQ(Log.Entries(), std::vector<std::wstring>{MeshHead + L"AddTexture | LINE: *] >> Not enough memory"});
    EXPECT_TRUE(Quads.Textures.empty());
}

TEST_F(MeshXReal, TexturesAreLookedForBesideABackslashPathOnly)
{
    ASSERT_TRUE(CreateDirectoryW(L"media", nullptr));
    ASSERT_TRUE(WriteBmp(L"media\\tex_a.bmp", 0x00FF00));
    const int quadMaterials[4] = {0, 0, 0, 0};
    ASSERT_TRUE(WriteFileBytes(L"media\\quads.x", QuadsXFile(quadMaterials, {Material(1, 1, 1, "tex_a.bmp")})));

    ASSERT_EQ(Quads.LoadMesh(L"media\\quads.x", Device.Device), MeshOk);
    ASSERT_EQ(Quads.Textures.size(), 1u);
    EXPECT_EQ(FirstTexel(Quads.Textures[0]), 0x00FF00u);

    Mesh_X forwardSlash;
    EXPECT_EQ(forwardSlash.LoadMesh(L"media/quads.x", Device.Device), MeshOk);
    EXPECT_TRUE(forwardSlash.Textures.empty());
    EXPECT_EQ(forwardSlash.Materials.size(), 1u);
    forwardSlash.ReleaseMesh();

    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], MeshHead + L"AddTexture | LINE: *] >>  >> Cannot load texture from file: tex_a.bmp. "
                                     L"The is no such a file.");
}

TEST_F(MeshXReal, ReleaseMeshTwiceReturnsTheDeviceToItsBaseline)
{
    ASSERT_TRUE(WriteBmp(L"tex_a.bmp", 0xFFFFFF));
    const ULONG baseline = RefCount(Device.Device);
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 1.0f, 2.0f, 3.0f);
    Quads.World = world;

    const int quadMaterials[4] = {0, 0, 0, 0};
    ASSERT_EQ(LoadQuads(quadMaterials, {Material(1, 1, 1, "tex_a.bmp")}), MeshOk);
    EXPECT_EQ(RefCount(Device.Device), baseline + 5); // mesh, its buffers and declaration; one texture

    Quads.ReleaseMesh();
    EXPECT_EQ(RefCount(Device.Device), baseline);
    EXPECT_EQ(Quads.D3DXMesh, nullptr);
    EXPECT_TRUE(Quads.Materials.empty());
    EXPECT_TRUE(Quads.Textures.empty());

    Quads.ReleaseMesh();
    EXPECT_EQ(RefCount(Device.Device), baseline);
    EXPECT_EQ(std::memcmp(&Quads.World, &world, sizeof world), 0);
}

TEST_F(MeshXReal, FailedLoadsLeaveTheMeshEmpty)
{
    // Wine answers D3DXERR_INVALIDDATA for a missing file; it is still reported as missing.
    const int missing = Quads.LoadMesh(L"missing.x", Device.Device);
    // An integer where a float belongs makes the loader fail.
    ASSERT_TRUE(WriteFileBytes(L"bad.x", "xof 0303txt 0032\nMesh m {\n 3;\n -1;-1;0;,\n 0;1;0;,\n 1;-1;0;;\n"
                                         " 1;\n 3;0,1,2;;\n}\n"));
    const int bad = Quads.LoadMesh(L"bad.x", Device.Device);
    EXPECT_EQ(Quads.D3DXMesh, nullptr);
    EXPECT_TRUE(Quads.Materials.empty());

    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], MeshXHead + L"LoadMesh | LINE: *] >> File not found :missing.x");
    const std::wstring head = MeshXHead + L"LoadMesh | LINE: *] >> Function \"D3DXLoadMeshFromX\" returned an "
                                          L"error. Error Code: 0x";
    EXPECT_EQ(entries[1].compare(0, head.size(), head), 0) << entries[1];
    EXPECT_EQ(missing, MeshFileNotFound);
    EXPECT_EQ(bad, MeshLoadFailed);
}

TEST_F(MeshXReal, AddTextureBuildsThePathFromDirectoryAndName)
{
    ASSERT_TRUE(CreateDirectoryW(L"media", nullptr));
    ASSERT_TRUE(WriteBmp(L"media\\a.bmp", 0x123456));

    EXPECT_EQ(Quads.AddTexture(nullptr, "media\\", Device.Device), MeshOk);
    EXPECT_EQ(Quads.AddTexture("", "media\\", Device.Device), MeshOk);
    EXPECT_TRUE(Quads.Textures.empty());

    EXPECT_EQ(Quads.AddTexture("a.bmp", "media\\", Device.Device), MeshOk);
    ASSERT_EQ(Quads.Textures.size(), 1u);
    EXPECT_EQ(FirstTexel(Quads.Textures[0]), 0x123456u);

    EXPECT_EQ(Quads.AddTexture("a.bmp", "", Device.Device), MeshFileNotFound); // not in the working directory
    EXPECT_EQ(Quads.Textures.size(), 1u);

    const std::vector<std::wstring> entries = Log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0],
              MeshHead + L"AddTexture | LINE: *] >>  >> Cannot load texture from file: a.bmp. The is no such a file.");
}

TEST_F(MeshXReal, ConvertToStaticMeshClonesEvenAStaticMesh)
{
    ID3DXMesh* grid = CreateGridMesh(Device.Device, 3, 1, false);
    ASSERT_NE(grid, nullptr);
    Quads.D3DXMesh = grid;
    ASSERT_EQ(Quads.ConvertToStaticMesh(nullptr, Device.Device), MeshOk);
    EXPECT_NE(Quads.D3DXMesh, grid);
    EXPECT_EQ(Quads.D3DXMesh->GetNumBytesPerVertex(), 32u);
    for (const Vertex& vertex : ReadVertices(Quads.D3DXMesh))
        EXPECT_TRUE(Near(vertex.Normal[2], -1.0f)) << vertex.Normal[2];

    // A position-only mesh comes out in the static layout as well.
    ID3DXMesh* positions = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, D3DFVF_XYZ, Device.Device, &positions), S_OK);
    float* corners = nullptr;
    ASSERT_EQ(positions->LockVertexBuffer(0, reinterpret_cast<void**>(&corners)), S_OK);
    const float triangle[9] = {0, 0, 0.5f, 0, 1, 0.5f, 1, 1, 0.5f};
    std::memcpy(corners, triangle, sizeof triangle);
    positions->UnlockVertexBuffer();
    WORD* indices = nullptr;
    ASSERT_EQ(positions->LockIndexBuffer(0, reinterpret_cast<void**>(&indices)), S_OK);
    indices[0] = 0, indices[1] = 1, indices[2] = 2;
    positions->UnlockIndexBuffer();

    Mesh_X small;
    small.D3DXMesh = positions;
    ASSERT_EQ(small.ConvertToStaticMesh(nullptr, Device.Device), MeshOk);
    EXPECT_EQ(small.D3DXMesh->GetNumBytesPerVertex(), 32u);
    const std::vector<Vertex> vertices = ReadVertices(small.D3DXMesh);
    ASSERT_EQ(vertices.size(), 3u);
    EXPECT_TRUE(Near(vertices[0].Normal[2], -1.0f));
    small.ReleaseMesh();
    EXPECT_TRUE(Log.Entries().empty());
}

// The hand-made vertex-cache ordering, on 16- and 32-bit index buffers.
class VertexCacheFallback : public MeshXReal, public ::testing::WithParamInterface<bool>
{
};

bool SameFace(const FaceCorners& a, const FaceCorners& b)
{
    return a.Attribute == b.Attribute && std::memcmp(a.Corner, b.Corner, sizeof a.Corner) == 0;
}

TEST_P(VertexCacheFallback, ReordersFacesVerticesAttributesAndAdjacencyConsistently)
{
    const bool wide = GetParam();
    ID3DXMesh* grid = CreateGridMesh(Device.Device, 6, 3, wide);
    ASSERT_NE(grid, nullptr);
    const std::vector<FaceCorners> before = ReadFaces(grid);
    const std::vector<Vertex> verticesBefore = ReadVertices(grid);
    std::vector<DWORD> adjacency(grid->GetNumFaces() * 3);
    ASSERT_EQ(grid->GenerateAdjacency(1e-6f, adjacency.data()), S_OK);

    Quads.D3DXMesh = grid;
    DWORD* array = adjacency.data();
    ASSERT_EQ(Quads.OptimizeForTriangleList(array), MeshOk);
    EXPECT_EQ(array, adjacency.data());
    EXPECT_EQ(Quads.D3DXMesh, grid); // in place
    EXPECT_EQ(grid->GetOptions() & D3DXMESH_32BIT, wide ? static_cast<DWORD>(D3DXMESH_32BIT) : 0u);

    // The same faces, grouped by attribute.
    const std::vector<FaceCorners> after = ReadFaces(grid);
    ASSERT_EQ(after.size(), before.size());
    std::vector<bool> used(before.size(), false);
    for (std::size_t face = 0; face < after.size(); ++face)
    {
        if (face > 0)
        {
            EXPECT_LE(after[face - 1].Attribute, after[face].Attribute) << face;
        }
        bool matched = false;
        for (std::size_t old = 0; old < before.size() && !matched; ++old)
            if (!used[old] && SameFace(after[face], before[old]))
                used[old] = matched = true;
        EXPECT_TRUE(matched) << "face " << face;
    }

    // Every vertex is still there once; the first face starts with vertex 0 (first-use order).
    const std::vector<Vertex> verticesAfter = ReadVertices(grid);
    ASSERT_EQ(verticesAfter.size(), verticesBefore.size());
    for (const Vertex& vertex : verticesBefore)
        EXPECT_EQ(
            std::count_if(verticesAfter.begin(), verticesAfter.end(),
                          [&vertex](const Vertex& other) { return std::memcmp(&vertex, &other, sizeof vertex) == 0; }),
            1);
    const std::vector<DWORD> indices = ReadIndices(grid);
    EXPECT_EQ(indices[0], 0u);

    // The adjacency array follows the new order.
    std::vector<DWORD> regenerated(grid->GetNumFaces() * 3);
    ASSERT_EQ(grid->GenerateAdjacency(1e-6f, regenerated.data()), S_OK);
    EXPECT_EQ(adjacency, regenerated);

    // One attribute range per id, covering its faces and the vertices they use.
    const std::vector<D3DXATTRIBUTERANGE> table = ReadAttributeTable(grid);
    ASSERT_EQ(table.size(), 3u);
    DWORD faceStart = 0;
    for (DWORD id = 0; id < 3; ++id)
    {
        const D3DXATTRIBUTERANGE& range = table[id];
        EXPECT_EQ(range.AttribId, id);
        EXPECT_EQ(range.FaceStart, faceStart);
        EXPECT_EQ(range.FaceCount, 24u);
        for (DWORD face = range.FaceStart; face < range.FaceStart + range.FaceCount; ++face)
        {
            EXPECT_EQ(after[face].Attribute, id);
            for (int corner = 0; corner < 3; ++corner)
            {
                EXPECT_GE(indices[face * 3 + corner], range.VertexStart);
                EXPECT_LT(indices[face * 3 + corner], range.VertexStart + range.VertexCount);
            }
        }
        faceStart += range.FaceCount;
    }

    // And each subset still draws its own faces only: subset pixels never overlap.
    std::vector<std::uint32_t> covered(ScreenSize * ScreenSize, 0);
    for (DWORD id = 0; id < 3; ++id)
    {
        const std::vector<std::uint32_t> pixels = DrawSubset(Device, grid, id);
        ASSERT_EQ(pixels.size(), covered.size());
        std::size_t lit = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i)
            if (pixels[i])
            {
                ++lit;
                ++covered[i];
            }
        EXPECT_GT(lit, 0u) << id;
    }
    EXPECT_EQ(std::count_if(covered.begin(), covered.end(), [](std::uint32_t n) { return n > 1; }), 0);
    EXPECT_TRUE(Log.Entries().empty());
}

TEST_P(VertexCacheFallback, BuildsTheAdjacencyWhenGivenNone)
{
    ID3DXMesh* grid = CreateGridMesh(Device.Device, 4, 2, GetParam());
    ASSERT_NE(grid, nullptr);
    Quads.D3DXMesh = grid;
    DWORD* adjacency = nullptr;
    ASSERT_EQ(Quads.OptimizeForTriangleList(adjacency), MeshOk);
    ASSERT_NE(adjacency, nullptr);
    std::vector<DWORD> regenerated(grid->GetNumFaces() * 3);
    ASSERT_EQ(grid->GenerateAdjacency(1e-6f, regenerated.data()), S_OK);
    EXPECT_EQ(std::vector<DWORD>(adjacency, adjacency + regenerated.size()), regenerated);
    delete[] adjacency;
    EXPECT_EQ(ReadAttributeTable(grid).size(), 2u);
}

TEST_P(VertexCacheFallback, ScrambledFacesComeBackCacheFriendly)
{
    const bool wide = GetParam();
    ID3DXMesh* grid = CreateGridMesh(Device.Device, 12, 1, wide);
    ASSERT_NE(grid, nullptr);
    const DWORD faces = grid->GetNumFaces();

    // Faces in a fixed pseudo-random order.
    std::vector<DWORD> indices = ReadIndices(grid);
    std::vector<DWORD> order(faces);
    for (DWORD i = 0; i < faces; ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(12345));
    void* data = nullptr;
    ASSERT_EQ(grid->LockIndexBuffer(0, &data), S_OK);
    std::vector<std::uint32_t> scrambled;
    for (DWORD face = 0; face < faces; ++face)
        for (int corner = 0; corner < 3; ++corner)
        {
            const DWORD index = indices[order[face] * 3 + corner];
            scrambled.push_back(index);
            if (wide)
                static_cast<DWORD*>(data)[face * 3 + corner] = index;
            else
                static_cast<WORD*>(data)[face * 3 + corner] = static_cast<WORD>(index);
        }
    grid->UnlockIndexBuffer();
    const double before = VertexCacheAnalysis::AverageCacheMissRatio(scrambled.data(), faces, 16);

    Quads.D3DXMesh = grid;
    DWORD* adjacency = nullptr;
    ASSERT_EQ(Quads.OptimizeForTriangleList(adjacency), MeshOk);
    delete[] adjacency;
    indices = ReadIndices(grid);
    const std::vector<std::uint32_t> optimized(indices.begin(), indices.end());
    const double after = VertexCacheAnalysis::AverageCacheMissRatio(optimized.data(), faces, 16);
    std::printf("ACMR (16-entry FIFO) of a scrambled 12 x 12 grid: %.3f before, %.3f after\n", before, after);
    EXPECT_LT(after, before * 0.75);
    EXPECT_LT(after, 1.0);
}

TEST_F(MeshXReal, AShortAdjacencyBufferLeavesTheRestOpen)
{
    ID3DXMesh* grid = CreateGridMesh(Device.Device, 2, 1, false);
    ASSERT_NE(grid, nullptr);
    Quads.D3DXMesh = grid;
    ID3DXBuffer* buffer = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(3 * sizeof(DWORD), &buffer), S_OK);
    DWORD* entries = static_cast<DWORD*>(buffer->GetBufferPointer());
    entries[0] = 1, entries[1] = 2, entries[2] = 3;
    DWORD* adjacency = nullptr;
    ASSERT_EQ(Quads.GetAdjacencies(adjacency, buffer), MeshOk);
    ASSERT_NE(adjacency, nullptr);
    EXPECT_EQ(adjacency[0], 1u);
    EXPECT_EQ(adjacency[2], 3u);
    for (DWORD i = 3; i < grid->GetNumFaces() * 3; ++i)
        EXPECT_EQ(adjacency[i], 0xFFFFFFFFu) << i;
    delete[] adjacency;
}

INSTANTIATE_TEST_SUITE_P(IndexWidths, VertexCacheFallback, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Indices32" : "Indices16";
                         });
} // namespace
