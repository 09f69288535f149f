// Whole loads through Wine's real D3DX on a hidden window's device.
#include "Vexa2/Resources/Mesh_SDKMesh.h"
#include "testkit/SdkMeshWriter.h"
#include "SdkTestSupport.h"
#include "tests/support/Bitmap.h"
#include "tests/support/LogCapture.h"
#include "testkit/RefusedNew.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <new>

namespace
{
using Messages = std::vector<std::wstring>;

// An entry of the loader as LogCapture::Entries() gives it (its line checked there).
std::wstring Entry(const std::wstring& function, const std::wstring& text)
{
    return L"[.\\Mesh_SDKMesh | Mesh_SDKMesh::" + function + L" | LINE: *] >> " + text;
}

SdkWriter::Material Colored(float base, const std::string& diffuse = "")
{
    SdkWriter::Material material;
    material.Diffuse = diffuse;
    for (int c = 0; c < 17; ++c)
        material.Colors[c] = base + c * 0.01f;
    return material;
}

struct Face
{
    float CenterX, CenterY;
    DWORD Attribute;
};

// Every face of the loaded mesh with the centre of its three positions and its attribute id.
std::vector<Face> Faces(ID3DXMesh* mesh)
{
    std::vector<Face> faces;
    const DWORD count = mesh->GetNumFaces();
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    const DWORD stride = mesh->GetNumBytesPerVertex();
    void* vertices = nullptr;
    void* indices = nullptr;
    DWORD* attributes = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices)))
        return faces;
    if (SUCCEEDED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indices)))
    {
        if (SUCCEEDED(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes)))
        {
            for (DWORD f = 0; f < count; ++f)
            {
                Face face = {0, 0, attributes[f]};
                for (int k = 0; k < 3; ++k)
                {
                    const DWORD index = wide ? static_cast<const DWORD*>(indices)[3 * f + k]
                                             : static_cast<const WORD*>(indices)[3 * f + k];
                    const float* p =
                        reinterpret_cast<const float*>(static_cast<const BYTE*>(vertices) + index * stride);
                    face.CenterX += p[0] / 3;
                    face.CenterY += p[1] / 3;
                }
                faces.push_back(face);
            }
            mesh->UnlockAttributeBuffer();
        }
        mesh->UnlockIndexBuffer();
    }
    mesh->UnlockVertexBuffer();
    return faces;
}

} // namespace

namespace
{
class SdkDevice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(device.Device, nullptr);
        baseline = RefCount(device.Device);
    }
    void TearDown() override
    {
        mesh.ReleaseMesh();
        if (device.Device)
        {
            EXPECT_EQ(RefCount(device.Device), baseline) << "every object released";
        }
    }
    int Load(const SdkWriter::File& file, const std::wstring& name = L"m.sdkmesh")
    {
        return mesh.LoadMesh(folder.Write(name, SdkWriter::Build(file)), device.Device);
    }
    // A grid of one subset over all its faces whose material has the texture t.bmp, written here.
    SdkWriter::File TexturedGrid(std::uint32_t columns, std::uint32_t rows, bool wide)
    {
        SdkWriter::File file = SdkWriter::GridFile(columns, rows, wide);
        file.Materials = {Colored(0.3f, "t.bmp")};
        file.Subsets = {{0, columns * rows * 6}};
        file.Meshes[0].Subsets = {0};
        WriteBmp(folder, L"t.bmp");
        return file;
    }

    TestDevice device{64, 64, true};
    ScratchFolder folder{"sdkmesh"};
    Mesh_SDKMesh mesh;
    ULONG baseline = 0;
};
} // namespace

TEST_F(SdkDevice, TwoSubsetsWithTexturesInTheStaticLayout)
{
    // A 2 x 2 grid: the first row's faces belong to subset 0 (material 1), the second row's to
    // subset 1 (material 0).
    SdkWriter::File file = SdkWriter::GridFile(2, 2, false);
    file.Subsets = {{1, 12}, {0, 12}};
    file.Materials = {Colored(0.1f, "b.bmp"), Colored(0.5f, "a.bmp")};
    file.Meshes[0].Subsets = {0, 1};
    WriteBmp(folder, L"a.bmp");
    WriteBmp(folder, L"b.bmp");

    LogCapture log;
    ASSERT_EQ(Load(file), 0);
    EXPECT_TRUE(log.Entries().empty());
    EXPECT_EQ(mesh.TextureDir, Narrow(folder.Path()) + "\\");
    ASSERT_NE(mesh.D3DXMesh, nullptr);
    EXPECT_EQ(mesh.D3DXMesh->GetNumBytesPerVertex(), 32u);
    EXPECT_EQ(mesh.D3DXMesh->GetOptions(), 0x220u);
    EXPECT_EQ(mesh.D3DXMesh->GetNumFaces(), 8u);
    EXPECT_EQ(mesh.D3DXMesh->GetNumVertices(), 9u);

    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(mesh.D3DXMesh->GetDeclaration(decl), D3D_OK);
    const D3DVERTEXELEMENT9 expected[] = {
        {0, 0, 2, 0, 0, 0}, {0, 12, 2, 0, 3, 0}, {0, 24, 1, 0, 5, 0}, {0xFF, 0, 17, 0, 0, 0}};
    EXPECT_EQ(0, std::memcmp(decl, expected, sizeof(expected)));

    const std::vector<Face> faces = Faces(mesh.D3DXMesh);
    ASSERT_EQ(faces.size(), 8u);
    for (const Face& face : faces)
        EXPECT_EQ(face.Attribute, face.CenterY < 1.0f ? 1u : 0u) << face.CenterX << "," << face.CenterY;

    ASSERT_EQ(mesh.Materials.size(), 2u);
    EXPECT_EQ(0, std::memcmp(&mesh.Materials[0], file.Materials[1].Colors, 68));
    EXPECT_EQ(0, std::memcmp(&mesh.Materials[1], file.Materials[0].Colors, 68));
    EXPECT_EQ(mesh.Textures.size(), 2u);

    // Normals come from D3DX, not from the file (which said 1, 1, 1).
    void* vertices = nullptr;
    ASSERT_EQ(mesh.D3DXMesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices), D3D_OK);
    const float* normal = static_cast<const float*>(vertices) + 3;
    EXPECT_NEAR(std::fabs(normal[2]), 1.0f, 1e-4f);
    EXPECT_NEAR(normal[0], 0.0f, 1e-4f);
    mesh.D3DXMesh->UnlockVertexBuffer();

    mesh.ReleaseMesh();
    mesh.ReleaseMesh();
    EXPECT_EQ(mesh.D3DXMesh, nullptr);
    EXPECT_TRUE(mesh.Materials.empty());
    EXPECT_TRUE(mesh.Textures.empty());
    EXPECT_EQ(mesh.MeshInfos, nullptr);
    EXPECT_EQ(mesh.Header.Version, 0u);
}

TEST_F(SdkDevice, WideIndicesStayWide)
{
    SdkWriter::File file = SdkWriter::GridFile(3, 1, true);
    ASSERT_EQ(Load(file), 0);
    EXPECT_EQ(mesh.D3DXMesh->GetOptions(), 0x221u);
    EXPECT_EQ(mesh.D3DXMesh->GetNumFaces(), 6u);
    EXPECT_EQ(mesh.D3DXMesh->GetNumBytesPerVertex(), 32u);
    mesh.ReleaseMesh();

    file.IndexBuffers[0].IndexType = 2; // any non-zero type is 32-bit
    ASSERT_EQ(Load(file), 0);
    EXPECT_EQ(mesh.D3DXMesh->GetOptions(), 0x221u);
    std::map<DWORD, int> perAttribute;
    for (const Face& face : Faces(mesh.D3DXMesh))
        ++perAttribute[face.Attribute];
    EXPECT_EQ(perAttribute, (std::map<DWORD, int>{{0, 6}}));
}

TEST_F(SdkDevice, AnotherSourceLayoutEndsIn32ByteVertices)
{
    SdkWriter::File file = SdkWriter::GridFile(1, 1, false);
    SdkWriter::VertexBuffer& vb = file.VertexBuffers[0];
    vb.Declaration = SdkWriter::PositionTexDeclaration();
    vb.Data.clear();
    for (int i = 0; i < 4; ++i)
    {
        const float v[5] = {float(i % 2), float(i / 2), 0.0f, 0.5f, 0.5f};
        const std::uint8_t* p = reinterpret_cast<const std::uint8_t*>(v);
        vb.Data.insert(vb.Data.end(), p, p + sizeof(v));
    }
    ASSERT_EQ(Load(file), 0);
    EXPECT_EQ(mesh.D3DXMesh->GetNumBytesPerVertex(), 32u);
    EXPECT_EQ(mesh.D3DXMesh->GetNumVertices(), 4u);
}

TEST_F(SdkDevice, ThirdOfThreeMaterialsReadsRight)
{
    SdkWriter::File file = SdkWriter::GridFile(3, 1, false);
    file.Materials = {Colored(0.1f), Colored(0.2f), Colored(0.3f)};
    file.Subsets = {{2, 6}, {0, 6}, {1, 6}};
    file.Meshes[0].Subsets = {0, 1, 2};
    ASSERT_EQ(Load(file), 0);
    ASSERT_EQ(mesh.Materials.size(), 3u);
    EXPECT_EQ(0, std::memcmp(&mesh.Materials[0], file.Materials[2].Colors, 68));
    EXPECT_EQ(0, std::memcmp(&mesh.Materials[1], file.Materials[0].Colors, 68));
    EXPECT_EQ(0, std::memcmp(&mesh.Materials[2], file.Materials[1].Colors, 68));
    EXPECT_FLOAT_EQ(mesh.Materials[0].Power, 0.3f + 16 * 0.01f);
    std::map<DWORD, int> perAttribute;
    for (const Face& face : Faces(mesh.D3DXMesh))
        ++perAttribute[face.Attribute];
    EXPECT_EQ(perAttribute, (std::map<DWORD, int>{{0, 2}, {1, 2}, {2, 2}}));
}

TEST_F(SdkDevice, OnlyMeshZeroIsBuilt)
{
    SdkWriter::File file = SdkWriter::GridFile(1, 1, false);
    file.VertexBuffers.push_back(SdkWriter::GridVertices(4, 4));
    file.IndexBuffers.push_back(SdkWriter::GridIndices(4, 4, true));
    file.Subsets = {{0, 6}, {0, 96}};
    file.Materials = {Colored(0.4f)};
    SdkWriter::MeshRecord second;
    second.FirstVertexBuffer = 1;
    second.IndexBuffer = 1;
    second.Subsets = {1};
    second.FrameInfluences = {3, 4};
    file.Meshes[0].Subsets = {0};
    file.Meshes.push_back(second);
    ASSERT_EQ(Load(file), 0);
    EXPECT_EQ(mesh.D3DXMesh->GetNumFaces(), 2u);
    EXPECT_EQ(mesh.D3DXMesh->GetOptions(), 0x220u);
    EXPECT_EQ(mesh.Materials.size(), 1u);
    ASSERT_EQ(mesh.Header.MeshCount, 2u);
    EXPECT_EQ(mesh.MeshSubsetLists[1][0], 1u);
    EXPECT_EQ(mesh.MeshFrameInfluenceLists[1][1], 4u);
    EXPECT_EQ(mesh.IndexBufferHeaders[1].IndexType, 1u);
}

TEST_F(SdkDevice, MeshWithoutSubsets)
{
    SdkWriter::File file = SdkWriter::GridFile(2, 2, false);
    LogCapture log;
    ASSERT_EQ(Load(file), 0);
    EXPECT_TRUE(mesh.Materials.empty());
    EXPECT_TRUE(mesh.Textures.empty());
    EXPECT_EQ(mesh.Header.TotalSubsetCount, 0u);
    EXPECT_TRUE(log.Entries().empty());
    for (const Face& face : Faces(mesh.D3DXMesh))
        EXPECT_EQ(face.Attribute, 0u);
}

TEST_F(SdkDevice, AbsentTextureIsLoggedAndSkipped)
{
    SdkWriter::File file = SdkWriter::GridFile(1, 1, false);
    SdkWriter::Material material = Colored(0.7f, "missing.bmp");
    material.Normal = "n.bmp";
    material.Specular = "s.bmp";
    file.Materials = {material};
    file.Subsets = {{0, 6}};
    file.Meshes[0].Subsets = {0};
    WriteBmp(folder, L"n.bmp");
    WriteBmp(folder, L"s.bmp");
    LogCapture log;
    ASSERT_EQ(Load(file), 0);
    EXPECT_EQ(log.Entries(), Messages{L"[.\\Mesh | Mesh::AddTexture | LINE: *] >>  >> Cannot load texture "
                                      L"from file: " +
                                      folder.Path() + L"\\missing.bmp. The is no such a file."});
    EXPECT_EQ(mesh.Textures.size(), 2u);
    EXPECT_EQ(mesh.Materials.size(), 1u);
}

TEST_F(SdkDevice, MaterialUsedTwiceLoadsItsTextureTwice)
{
    SdkWriter::File file = SdkWriter::GridFile(2, 1, false);
    file.Materials = {Colored(0.7f, "t.bmp")};
    file.Subsets = {{0, 6}, {0, 6}};
    file.Meshes[0].Subsets = {0, 1};
    WriteBmp(folder, L"t.bmp");
    ASSERT_EQ(Load(file), 0);
    EXPECT_EQ(mesh.Textures.size(), 2u);
    EXPECT_EQ(mesh.Materials.size(), 2u);
}

TEST_F(SdkDevice, OnlyBackslashSeparatesTheTextureFolder)
{
    SdkWriter::File file = SdkWriter::GridFile(1, 1, false);
    file.Materials = {Colored(0.7f, "nowhere-h4.bmp")};
    file.Subsets = {{0, 6}};
    file.Meshes[0].Subsets = {0};
    folder.Write(L"m.sdkmesh", SdkWriter::Build(file));
    std::wstring slashed = folder.File(L"m.sdkmesh");
    for (wchar_t& c : slashed)
        if (c == L'\\')
            c = L'/';
    LogCapture log;
    ASSERT_EQ(mesh.LoadMesh(slashed, device.Device), 0);
    EXPECT_EQ(mesh.TextureDir, "");
    EXPECT_EQ(log.Entries(), Messages{L"[.\\Mesh | Mesh::AddTexture | LINE: *] >>  >> Cannot load texture "
                                      L"from file: nowhere-h4.bmp. The is no such a file."});
}

TEST_F(SdkDevice, SubsetsAskingForMoreFacesAreCutAtTheLastFace)
{
    SdkWriter::File file = SdkWriter::GridFile(2, 1, false); // 4 faces
    file.Materials = {Colored(0.1f), Colored(0.2f)};
    file.Subsets = {{1, 9}, {0, 0xFFFFFFFFFFull}};
    file.Meshes[0].Subsets = {0, 1, 1};
    ASSERT_EQ(Load(file), 0);
    std::map<DWORD, int> perAttribute;
    for (const Face& face : Faces(mesh.D3DXMesh))
        ++perAttribute[face.Attribute];
    EXPECT_EQ(perAttribute, (std::map<DWORD, int>{{0, 1}, {1, 3}}));
    EXPECT_EQ(mesh.Materials.size(), 3u);
}

TEST_F(SdkDevice, DataThatDoesNotFitTheMesh)
{
    {
        SdkWriter::File file = SdkWriter::GridFile(1, 1, false);
        file.VertexBuffers[0].Data.resize(5 * 32); // 4 vertices, 5 vertices of data
        LogCapture log;
        EXPECT_EQ(Load(file), 11);
        EXPECT_EQ(log.Entries(), Messages{Entry(L"SetMesh", L"Failed to copy vertices to Vertex Buffer")});
        EXPECT_EQ(mesh.D3DXMesh, nullptr);
    }
    {
        SdkWriter::File file = SdkWriter::GridFile(1, 1, false);
        file.IndexBuffers[0].IndexCount = 5; // one face, six indices of data
        LogCapture log;
        EXPECT_EQ(Load(file), 11);
        EXPECT_EQ(log.Entries(), Messages{Entry(L"SetMesh", L"Failed to copy indices to Index Buffer")});
        EXPECT_EQ(mesh.D3DXMesh, nullptr);
    }
    {
        SdkWriter::File file = SdkWriter::GridFile(1, 1, true);
        file.IndexBuffers[0].Data[4] = 9; // index 9 of 4 vertices
        LogCapture log;
        EXPECT_EQ(Load(file), 11);
        const Messages messages = log.Entries();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(EntryMatches(messages[0], L"Mesh_SDKMesh::CheckMeshZero", L"An index refers past the last vertex"))
            << Narrow(messages[0]);
        EXPECT_EQ(mesh.D3DXMesh, nullptr);
    }
}

TEST_F(SdkDevice, D3DXCreateMeshRefusesNoFaces)
{
    SdkWriter::File file = SdkWriter::GridFile(1, 1, false);
    file.IndexBuffers[0].IndexCount = 2; // 0 faces
    file.IndexBuffers[0].Data.clear();
    LogCapture log;
    EXPECT_EQ(Load(file), 15);
    EXPECT_EQ(log.Entries(), Messages{Entry(L"SetMesh", L"Function \"D3DXCreateMesh()\" returned an "
                                                        L"error. Error Code: 0x8876086C")});
    EXPECT_EQ(mesh.D3DXMesh, nullptr);
    EXPECT_EQ(mesh.VertexData, nullptr);
}

TEST_F(SdkDevice, ReloadAfterReleaseGivesTheSameMesh)
{
    SdkWriter::File file = SdkWriter::GridFile(2, 2, true);
    file.Materials = {Colored(0.3f)};
    file.Subsets = {{0, 24}};
    file.Meshes[0].Subsets = {0};
    ASSERT_EQ(Load(file), 0);
    const DWORD faces = mesh.D3DXMesh->GetNumFaces();
    mesh.ReleaseMesh();
    ASSERT_EQ(Load(file), 0);
    EXPECT_EQ(mesh.D3DXMesh->GetNumFaces(), faces);
    EXPECT_EQ(mesh.Materials.size(), 1u);
}

TEST_F(SdkDevice, CorruptedFilesLoadOrFailWithALoggedStatus)
{
    SdkWriter::File file = SdkWriter::GridFile(3, 2, false);
    file.Materials = {Colored(0.1f), Colored(0.2f)};
    file.Subsets = {{1, 18}, {0, 18}};
    file.FrameCount = 1;
    file.Meshes[0].Subsets = {0, 1};
    file.Meshes[0].FrameInfluences = {0};
    SdkWriter::Layout layout;
    const std::vector<std::uint8_t> good = SdkWriter::Build(file, &layout);
    const std::vector<SdkWriter::Field> fields = SdkWriter::Fields(file, layout);

    SdkWriter::Random random{0xC0FFEEu};
    LogCapture log;
    int failures = 0, loads = 0;
    const int variants = 400;
    for (int v = 0; v < variants; ++v)
    {
        // Counts beyond the file's data are refused before D3DX sees them (on x64 a vertex count
        // whose buffer wraps 32 bits made GenerateAdjacency write outside its arrays).
        const std::vector<std::uint8_t> image = SdkWriter::Mutate(good, fields, random);
        const std::wstring path = folder.Write(L"v.sdkmesh", image);
        const int status = mesh.LoadMesh(path, device.Device);
        if (status == 0)
        {
            ++loads;
            ASSERT_NE(mesh.D3DXMesh, nullptr);
            EXPECT_EQ(mesh.D3DXMesh->GetNumBytesPerVertex(), 32u);
            mesh.ReleaseMesh();
        }
        else
        {
            ++failures;
            EXPECT_TRUE((status >= 1 && status <= 6) || (status >= 8 && status <= 13) || (status >= 15 && status <= 18))
                << "variant " << v << " status " << status;
            ASSERT_EQ(mesh.D3DXMesh, nullptr);
            ASSERT_EQ(mesh.VertexBufferHeaders, nullptr);
        }
    }
    // One entry per failure; a flipped byte in an empty texture name only adds absent-texture notes.
    std::size_t entries = 0;
    const std::wstring absent = L"[.\\Mesh | Mesh::AddTexture | LINE: *] >> ";
    for (const std::wstring& message : log.Entries())
        if (message.compare(0, absent.size(), absent) != 0)
            ++entries;
    EXPECT_EQ(entries, static_cast<std::size_t>(failures));
    EXPECT_GT(loads, 0);
    EXPECT_GT(failures, 0);
}

TEST_F(SdkDevice, OnlyOutOfRangeIndexInTheLastFaceIsRefused)
{
    for (bool wide : {false, true})
    {
        SdkWriter::File file = SdkWriter::GridFile(3, 2, wide); // 12 vertices, 12 faces
        std::vector<std::uint8_t>& data = file.IndexBuffers[0].Data;
        data[data.size() - (wide ? 4 : 2)] = 12;
        LogCapture log;
        EXPECT_EQ(Load(file), 11) << wide;
        const Messages messages = log.Entries();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(EntryMatches(messages[0], L"Mesh_SDKMesh::CheckMeshZero", L"An index refers past the last vertex"))
            << Narrow(messages[0]);
        EXPECT_EQ(mesh.D3DXMesh, nullptr);
        data[data.size() - (wide ? 4 : 2)] = 11;
        EXPECT_EQ(Load(file), 0) << wide;
        mesh.ReleaseMesh();
    }
}

TEST_F(SdkDevice, LoadOnALoadedMeshReleasesTheFirstLoad)
{
    // TearDown's reference count shows that the first D3DX mesh and its texture went.
    ASSERT_EQ(Load(TexturedGrid(2, 2, true), L"first.sdkmesh"), 0);
    ASSERT_EQ(mesh.Textures.size(), 1u);
    ASSERT_EQ(Load(SdkWriter::GridFile(1, 1, false), L"second.sdkmesh"), 0);
    EXPECT_EQ(mesh.D3DXMesh->GetNumFaces(), 2u);
    EXPECT_TRUE(mesh.Textures.empty());
    EXPECT_TRUE(mesh.Materials.empty());
    EXPECT_EQ(mesh.Header.TotalSubsetCount, 0u);
}

TEST_F(SdkDevice, MaterialListThatCannotBeHadIsAStatus)
{
    // 40 subsets: the material list asks for 40 x 68 bytes, which fails here (on Win32 a list of
    // some 32 million entries fails for real); no exception may leave the loader.
    SdkWriter::File file = SdkWriter::GridFile(2, 1, false);
    file.Materials = {Colored(0.2f)};
    file.Subsets = {{0, 3}};
    file.Meshes[0].Subsets.assign(40, 0);
    LogCapture log;
    {
        TestKit::RefusedNew refused(40 * sizeof(D3DMATERIAL9));
        EXPECT_EQ(Load(file), 10);
    }
    const Messages messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(EntryMatches(messages[0], L"Mesh_SDKMesh::SetMaterials", L"Out of memory")) << Narrow(messages[0]);
    EXPECT_EQ(mesh.D3DXMesh, nullptr);
    EXPECT_TRUE(mesh.Materials.empty());
}

TEST_F(SdkDevice, TextureFolderThatCannotBeHadIsAStatus)
{
    const std::wstring name = L"m.sdkmesh";
    const std::wstring path = folder.Write(name, SdkWriter::Build(SdkWriter::GridFile(2, 1, false)));
    const std::size_t folderLength = path.size() - name.size();
    ASSERT_GT(folderLength, 15u); // past the string's own small buffer: the folder is allocated
    LogCapture log;
    {
        TestKit::RefusedNew refused(folderLength + 1); // the narrowed folder and its terminator
        EXPECT_EQ(mesh.LoadMesh(path, device.Device), 10);
    }
    const Messages messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(EntryMatches(messages[0], L"Mesh_SDKMesh::LoadMesh", L"Out of memory")) << Narrow(messages[0]);
    EXPECT_EQ(mesh.D3DXMesh, nullptr);
}

TEST_F(SdkDevice, TexturesAreAppendedDiffuseSpecularNormalSubsetBySubset)
{
    // Each texture is told by its width.
    const struct
    {
        const wchar_t* Name;
        UINT Width;
    } widths[] = {{L"d0.bmp", 2}, {L"s0.bmp", 4}, {L"n0.bmp", 8}, {L"d1.bmp", 16}, {L"n1.bmp", 32}};
    for (const auto& texture : widths)
        folder.Write(texture.Name, BlankBmp24(texture.Width, 1));
    SdkWriter::File file = SdkWriter::GridFile(2, 1, false);
    SdkWriter::Material first = Colored(0.1f, "d0.bmp"), second = Colored(0.2f, "d1.bmp");
    first.Specular = "s0.bmp";
    first.Normal = "n0.bmp";
    second.Normal = "n1.bmp";
    file.Materials = {first, second};
    file.Subsets = {{0, 6}, {1, 6}};
    file.Meshes[0].Subsets = {0, 1};
    ASSERT_EQ(Load(file), 0);
    std::vector<UINT> loaded;
    for (IDirect3DTexture9* texture : mesh.Textures)
    {
        D3DSURFACE_DESC desc;
        ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
        loaded.push_back(desc.Width);
    }
    EXPECT_EQ(loaded, (std::vector<UINT>{2, 4, 8, 16, 32}));
}

TEST_F(SdkDevice, StepsOnALoadedMeshLetWhatTheyReplaceGo)
{
    // TearDown's reference count shows that no D3DX mesh or texture was left behind.
    ASSERT_EQ(Load(TexturedGrid(2, 1, false)), 0);
    ASSERT_EQ(mesh.SetMesh(device.Device), 0);
    EXPECT_EQ(mesh.Textures.size(), 1u);
    EXPECT_EQ(mesh.Materials.size(), 1u);

    const std::vector<std::uint8_t> image = SdkWriter::Build(SdkWriter::GridFile(1, 1, false));
    ASSERT_EQ(mesh.LoadSections(image.data(), static_cast<std::uint32_t>(image.size())), 0);
    EXPECT_EQ(mesh.D3DXMesh, nullptr);
    EXPECT_TRUE(mesh.Textures.empty());
    EXPECT_EQ(mesh.Header.TotalSubsetCount, 0u);
    ASSERT_EQ(mesh.SetMesh(device.Device), 0);
    EXPECT_EQ(mesh.D3DXMesh->GetNumFaces(), 2u);
}
