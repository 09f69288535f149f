// The .sdkmesh format layer and the loader's file and section steps, without a device.
#include "Mesh_SDKMesh.h"
#include "SdkMeshFormat.h"
#include "SdkMeshWriter.h"
#include "SdkTestSupport.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
std::wstring Entry(int line, const std::wstring& function, const std::wstring& text)
{
    return L"[.\\Mesh_SDKMesh | Mesh_SDKMesh::" + function + L" | LINE: " + std::to_wstring(line) +
           L"] >> " + text;
}

std::wstring CallEntry(int line, const std::wstring& function, const std::wstring& call,
                       const std::wstring& code)
{
    return Entry(line, function, L"Function \"" + call + L"\" returned an error. Error Code: " + code);
}

using Messages = std::vector<std::wstring>;

// One mesh, one subset, one material, one frame, one frame influence: every table non-empty.
SdkWriter::File FullFile()
{
    SdkWriter::File file = SdkWriter::GridFile(2, 1, false);
    file.Subsets.push_back({0, 12});
    file.Materials.push_back(SdkWriter::Material());
    file.FrameCount = 1;
    file.Meshes[0].Subsets = {0};
    file.Meshes[0].FrameInfluences = {0};
    return file;
}

bool IsEmpty(const Mesh_SDKMesh& mesh)
{
    MainHeader zero;
    std::memset(&zero, 0, sizeof(zero));
    return std::memcmp(&mesh.Header, &zero, sizeof(zero)) == 0 && !mesh.VertexBufferHeaders &&
           !mesh.IndexBufferHeaders && !mesh.MeshInfos && !mesh.Subsets && !mesh.Frames &&
           !mesh.MaterialRecords && !mesh.VertexData && !mesh.IndexData && !mesh.MeshSubsetLists &&
           !mesh.MeshFrameInfluenceLists && !mesh.D3DXMesh && mesh.Materials.empty() &&
           mesh.Textures.empty();
}

// The file and section steps in load order, on an image in memory; 0 when all succeed.
int RunSections(Mesh_SDKMesh& mesh, const std::vector<std::uint8_t>& image)
{
    const std::uint8_t* p = image.empty() ? nullptr : image.data();
    const std::uint32_t n = static_cast<std::uint32_t>(image.size());
    typedef int (Mesh_SDKMesh::*Step)(const std::uint8_t*, std::uint32_t);
    const Step steps[] = {&Mesh_SDKMesh::LoadMainHeader,      &Mesh_SDKMesh::LoadVertexBuffersHeaders,
                          &Mesh_SDKMesh::LoadIndexBuffersHeaders, &Mesh_SDKMesh::LoadMeshInfo,
                          &Mesh_SDKMesh::LoadSubsets,         &Mesh_SDKMesh::LoadFrames,
                          &Mesh_SDKMesh::LoadMaterials,       &Mesh_SDKMesh::LoadVertexBuffers,
                          &Mesh_SDKMesh::LoadIndexBuffers,    &Mesh_SDKMesh::LoadMeshesSubsets,
                          &Mesh_SDKMesh::LoadMeshesFrameInfluences};
    for (Step step : steps)
    {
        const int status = (mesh.*step)(p, n);
        if (status != 0)
            return status;
    }
    return 0;
}
} // namespace

// ---- Pure format layer ----

TEST(SdkFormatCopyBlock, CopiesOnlyBlocksWhollyInsideTheImage)
{
    const std::uint8_t image[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    std::uint8_t out[16];
    std::memset(out, 0xEE, sizeof(out));
    EXPECT_TRUE(SdkMeshFormat::CopyBlock(image, 16, 12, 4, out));
    EXPECT_EQ(out[0], 12);
    EXPECT_EQ(out[3], 15);
    EXPECT_EQ(out[4], 0xEE);
    EXPECT_TRUE(SdkMeshFormat::CopyBlock(image, 16, 0, 16, out));

    std::memset(out, 0xEE, sizeof(out));
    EXPECT_FALSE(SdkMeshFormat::CopyBlock(image, 16, 13, 4, out));
    EXPECT_FALSE(SdkMeshFormat::CopyBlock(image, 16, 17, 1, out));
    EXPECT_FALSE(SdkMeshFormat::CopyBlock(image, 16, 0xFFFFFFFFFFFFFFF8ull, 0x10, out)); // would wrap
    EXPECT_FALSE(SdkMeshFormat::CopyBlock(image, 16, 8, 0xFFFFFFFFFFFFFFFFull, out));
    EXPECT_FALSE(SdkMeshFormat::CopyBlock(nullptr, 16, 0, 1, out));
    EXPECT_EQ(out[0], 0xEE) << "a refused copy writes nothing";
}

TEST(SdkFormatCopyBlock, EmptyBlockSucceedsAnywhere)
{
    std::uint8_t out = 0x42;
    EXPECT_TRUE(SdkMeshFormat::CopyBlock(nullptr, 0, 0xFFFFFFFFull, 0, &out));
    EXPECT_EQ(out, 0x42);
}

TEST(SdkFormatTableBytes, RefusesTablesAbove32Bits)
{
    std::uint32_t bytes = 1;
    EXPECT_TRUE(SdkMeshFormat::TableBytes(0, 1256, bytes));
    EXPECT_EQ(bytes, 0u);
    EXPECT_TRUE(SdkMeshFormat::TableBytes(0xFFFFFFFFu, 1, bytes));
    EXPECT_EQ(bytes, 0xFFFFFFFFu);
    EXPECT_TRUE(SdkMeshFormat::TableBytes(0xE38E38u, 288, bytes));
    EXPECT_EQ(bytes, 0xFFFFFF00u);
    EXPECT_FALSE(SdkMeshFormat::TableBytes(0xE38E39u, 288, bytes));
    EXPECT_FALSE(SdkMeshFormat::TableBytes(0xFFFFFFFFu, 4, bytes));
}

TEST(SdkFormatHeader, VersionIsCheckedBeforeByteOrder)
{
    SdkWriter::File file;
    std::vector<std::uint8_t> image = SdkWriter::Build(file);
    MainHeader header;
    EXPECT_EQ(SdkMeshFormat::ReadMainHeader(image.data(), image.size(), header), SdkMeshFormat::HeaderOk);
    EXPECT_EQ(header.Version, 101u);

    image[0] = 102;
    image[4] = 1;
    EXPECT_EQ(SdkMeshFormat::ReadMainHeader(image.data(), image.size(), header),
              SdkMeshFormat::HeaderBadVersion);
    image[0] = 101;
    image[4] = 2;
    EXPECT_EQ(SdkMeshFormat::ReadMainHeader(image.data(), image.size(), header),
              SdkMeshFormat::HeaderBigEndian);
    EXPECT_EQ(SdkMeshFormat::ReadMainHeader(image.data(), 103, header), SdkMeshFormat::HeaderCopyFailed);
    EXPECT_EQ(SdkMeshFormat::ReadMainHeader(nullptr, 104, header), SdkMeshFormat::HeaderCopyFailed);
}

TEST(SdkFormatHeader, OnlyVersionAndByteOrderDecide)
{
    std::vector<std::uint8_t> image(104, 0xFF);
    SdkWriter::Put32(image, 0, 101);
    image[4] = 0;
    MainHeader header;
    EXPECT_EQ(SdkMeshFormat::ReadMainHeader(image.data(), image.size(), header), SdkMeshFormat::HeaderOk);
    EXPECT_EQ(header.VertexBufferCount, 0xFFFFFFFFu);
    EXPECT_EQ(header.MaterialsOffset, 0xFFFFFFFFFFFFFFFFull);
}

TEST(SdkFormatDeclaration, SizesLikeD3DXAndNeedsAnEndMarker)
{
    VertexElement decl[32];
    std::memset(decl, 0, sizeof(decl));
    const VertexElement end = {0xFF, 0, 17, 0, 0, 0};
    const VertexElement stat[] = {{0, 0, 2, 0, 0, 0}, {0, 12, 2, 0, 3, 0}, {0, 24, 1, 0, 5, 0}, end};
    std::memcpy(decl, stat, sizeof(stat));
    std::uint32_t size = 0, length = 0;
    EXPECT_TRUE(SdkMeshFormat::DeclarationVertexSize(decl, size));
    EXPECT_EQ(size, 32u);
    EXPECT_TRUE(SdkMeshFormat::DeclarationLength(decl, length));
    EXPECT_EQ(length, 3u);

    decl[1] = {1, 40, 3, 0, 3, 0}; // another stream does not count
    EXPECT_TRUE(SdkMeshFormat::DeclarationVertexSize(decl, size));
    EXPECT_EQ(size, 32u);
    decl[1] = {0, 36, 16, 0, 3, 0}; // FLOAT16_4 at 36 ends at 44
    EXPECT_TRUE(SdkMeshFormat::DeclarationVertexSize(decl, size));
    EXPECT_EQ(size, 44u);
    decl[1] = {0, 12, 18, 0, 3, 0}; // no such type
    EXPECT_FALSE(SdkMeshFormat::DeclarationVertexSize(decl, size));

    for (int i = 0; i < 32; ++i)
        decl[i] = {0, 0, 2, 0, 0, 0};
    EXPECT_FALSE(SdkMeshFormat::DeclarationLength(decl, length));
    EXPECT_FALSE(SdkMeshFormat::DeclarationVertexSize(decl, size));
    decl[31] = end; // the marker counts as one of the 32
    EXPECT_TRUE(SdkMeshFormat::DeclarationLength(decl, length));
    EXPECT_EQ(length, 31u);
}

TEST(SdkFormatTextureName, UnterminatedNameIsCutAt260)
{
    char field[260];
    std::memset(field, 'a', sizeof(field));
    char name[261];
    std::memset(name, 'z', sizeof(name));
    SdkMeshFormat::TextureName(field, name);
    EXPECT_EQ(std::strlen(name), 260u);
    std::strcpy(field, "lizard.dds");
    SdkMeshFormat::TextureName(field, name);
    EXPECT_STREQ(name, "lizard.dds");
}

TEST(SdkFormatTagFaces, ConsecutiveRunsInListOrderFromFaceZero)
{
    SubsetRecord subsets[3];
    std::memset(subsets, 0, sizeof(subsets));
    subsets[0].MaterialId = 5;
    subsets[0].IndexCount = 6;
    subsets[1].MaterialId = 7;
    subsets[1].IndexCount = 7; // 2 faces, remainder dropped
    subsets[2].MaterialId = 9;
    subsets[2].IndexCount = 3;
    const std::uint32_t list[] = {2, 0, 1};
    std::uint32_t attributes[7];
    std::memset(attributes, 0xCC, sizeof(attributes));
    EXPECT_EQ(SdkMeshFormat::TagFaces(attributes, 6, list, 3, subsets), 5u);
    const std::uint32_t expected[] = {9, 5, 5, 7, 7, 0, 0xCCCCCCCCu};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(attributes[i], expected[i]) << "face " << i;
}

TEST(SdkFormatTagFaces, NeverWritesPastTheLastFace)
{
    SubsetRecord subsets[2];
    std::memset(subsets, 0, sizeof(subsets));
    subsets[0].MaterialId = 1;
    subsets[0].IndexCount = 9;
    subsets[1].MaterialId = 2;
    subsets[1].IndexCount = 0xFFFFFFFFFFFFFFFFull;
    const std::uint32_t list[] = {0, 1, 1};
    std::uint32_t attributes[5];
    std::memset(attributes, 0xCC, sizeof(attributes));
    EXPECT_EQ(SdkMeshFormat::TagFaces(attributes, 4, list, 3, subsets), 3 + 2 * (0xFFFFFFFFFFFFFFFFull / 3));
    const std::uint32_t expected[] = {1, 1, 1, 2, 0xCCCCCCCCu};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(attributes[i], expected[i]) << "face " << i;
}

TEST(SdkFormatIndices, RangeCheckBothWidths)
{
    const std::uint16_t narrow[] = {0, 3, 2};
    const std::uint32_t wide[] = {0, 70000, 2};
    EXPECT_TRUE(SdkMeshFormat::IndicesInRange(narrow, false, 3, 4));
    EXPECT_FALSE(SdkMeshFormat::IndicesInRange(narrow, false, 3, 3));
    EXPECT_TRUE(SdkMeshFormat::IndicesInRange(wide, true, 3, 70001));
    EXPECT_FALSE(SdkMeshFormat::IndicesInRange(wide, true, 3, 70000));
}

TEST(SdkFormatMesh0, EveryIndexMustLieInsideItsTable)
{
    Mesh_SDKMesh mesh;
    SdkWriter::File file = FullFile();
    file.Subsets.push_back({1, 3});
    file.Materials.push_back(SdkWriter::Material());
    file.Meshes[0].Subsets = {0, 1};
    ASSERT_EQ(RunSections(mesh, SdkWriter::Build(file)), 0);
    const std::uint32_t* list = mesh.MeshSubsetLists[0];
    auto check = [&] {
        return SdkMeshFormat::CheckMesh0(mesh.Header, mesh.MeshInfos, mesh.VertexBufferHeaders, mesh.Subsets,
                                         list);
    };
    EXPECT_EQ(check(), SdkMeshFormat::MeshCheckOk);
    mesh.Subsets[1].MaterialId = 2;
    EXPECT_EQ(check(), SdkMeshFormat::MeshCheckMaterialOutside);
    mesh.MeshSubsetLists[0][1] = 2;
    EXPECT_EQ(check(), SdkMeshFormat::MeshCheckSubsetOutside);
    mesh.VertexBufferHeaders[0].Declaration[3].Stream = 0;
    EXPECT_EQ(check(), SdkMeshFormat::MeshCheckBadDeclaration);
    mesh.MeshInfos[0].IndexBuffer = 1;
    EXPECT_EQ(check(), SdkMeshFormat::MeshCheckIndexBufferOutside);
    mesh.MeshInfos[0].FirstVertexBuffer = 1;
    EXPECT_EQ(check(), SdkMeshFormat::MeshCheckVertexBufferOutside);
    mesh.Header.MeshCount = 0;
    EXPECT_EQ(check(), SdkMeshFormat::MeshCheckNoMesh);
    mesh.Header.MeshCount = 1; // back, so that ReleaseMesh frees the lists
    mesh.ReleaseMesh();
}

// ---- Section steps: what they copy ----

TEST(SdkSections, RecordsReadAtTheirFileOffsets)
{
    SdkWriter::File file = SdkWriter::GridFile(3, 2, true);
    file.VertexBuffers[0].SizeBytesHigh = 0xABCD; // high bits of a size are ignored
    file.Subsets = {{2, 18}, {0, 18}};
    file.FrameCount = 2;
    for (int m = 0; m < 3; ++m)
    {
        SdkWriter::Material material;
        material.Diffuse = "diffuse" + std::to_string(m) + ".bmp";
        material.Normal = "normal" + std::to_string(m) + ".bmp";
        material.Specular = "specular" + std::to_string(m) + ".bmp";
        for (int c = 0; c < 17; ++c)
            material.Colors[c] = float(m * 100 + c);
        file.Materials.push_back(material);
    }
    file.Meshes[0].Subsets = {1, 0};
    file.Meshes[0].FrameInfluences = {1, 0, 1};
    SdkWriter::Layout layout;
    const std::vector<std::uint8_t> image = SdkWriter::Build(file, &layout);

    Mesh_SDKMesh mesh;
    ASSERT_EQ(RunSections(mesh, image), 0);
    EXPECT_EQ(mesh.Header.VertexBufferCount, 1u);
    EXPECT_EQ(mesh.Header.MaterialCount, 3u);
    EXPECT_EQ(mesh.VertexBufferHeaders[0].VertexCount, 12u);
    EXPECT_EQ(mesh.VertexBufferHeaders[0].Declaration[2].Offset, 24u);
    EXPECT_EQ(mesh.VertexBufferHeaders[0].Declaration[3].Stream, 0xFFu);
    EXPECT_EQ(mesh.IndexBufferHeaders[0].IndexCount, 36u);
    EXPECT_EQ(mesh.IndexBufferHeaders[0].IndexType, 1u);
    EXPECT_EQ(mesh.MeshInfos[0].SubsetCount, 2u);
    EXPECT_EQ(mesh.MeshInfos[0].FrameInfluenceCount, 3u);
    EXPECT_EQ(mesh.Subsets[1].MaterialId, 0u);
    EXPECT_EQ(mesh.Subsets[0].IndexCount, 18u);
    EXPECT_EQ(0, std::memcmp(mesh.Frames, &image[layout.Frames], 2 * 184));
    EXPECT_EQ(0, std::memcmp(mesh.VertexData[0], file.VertexBuffers[0].Data.data(),
                             file.VertexBuffers[0].Data.size()));
    EXPECT_EQ(0, std::memcmp(mesh.IndexData[0], file.IndexBuffers[0].Data.data(),
                             file.IndexBuffers[0].Data.size()));
    EXPECT_EQ(mesh.MeshSubsetLists[0][0], 1u);
    EXPECT_EQ(mesh.MeshFrameInfluenceLists[0][2], 1u);
    // Materials are 1256 bytes apart: the third one reads right.
    for (int m = 0; m < 3; ++m)
    {
        EXPECT_STREQ(mesh.MaterialRecords[m].DiffuseTexture, file.Materials[m].Diffuse.c_str());
        EXPECT_STREQ(mesh.MaterialRecords[m].NormalTexture, file.Materials[m].Normal.c_str());
        EXPECT_STREQ(mesh.MaterialRecords[m].SpecularTexture, file.Materials[m].Specular.c_str());
        EXPECT_EQ(0, std::memcmp(mesh.MaterialRecords[m].MaterialColors, file.Materials[m].Colors, 68));
    }
    mesh.ReleaseMesh();
    EXPECT_TRUE(IsEmpty(mesh));
}

TEST(SdkSections, HighHalvesOfOffsetsAreIgnored)
{
    SdkWriter::File file = FullFile();
    SdkWriter::Layout layout;
    std::vector<std::uint8_t> image = SdkWriter::Build(file, &layout);
    SdkWriter::Put32(image, 56 + 4, 0xDEAD);                              // vertex buffer headers
    SdkWriter::Put32(image, layout.VertexBufferHeaders + 280 + 4, 0x1);   // vertex data
    SdkWriter::Put32(image, layout.Meshes + 208 + 4, 0xFFFFFFFF);         // subset list
    Mesh_SDKMesh mesh;
    LogCapture log;
    EXPECT_EQ(RunSections(mesh, image), 0);
    EXPECT_EQ(mesh.MeshSubsetLists[0][0], 0u);
    EXPECT_TRUE(log.Messages().empty());
    mesh.ReleaseMesh();
}

TEST(SdkSections, TwoMeshesKeepBothListSets)
{
    SdkWriter::File file = FullFile();
    file.VertexBuffers.push_back(SdkWriter::GridVertices(1, 1));
    file.IndexBuffers.push_back(SdkWriter::GridIndices(1, 1, true));
    file.Subsets.push_back({0, 6});
    SdkWriter::MeshRecord second;
    second.FirstVertexBuffer = 1;
    second.IndexBuffer = 1;
    second.Subsets = {1, 0};
    second.FrameInfluences = {7, 8, 9};
    file.Meshes.push_back(second);
    Mesh_SDKMesh mesh;
    ASSERT_EQ(RunSections(mesh, SdkWriter::Build(file)), 0);
    ASSERT_EQ(mesh.Header.MeshCount, 2u);
    EXPECT_EQ(mesh.MeshSubsetLists[1][0], 1u);
    EXPECT_EQ(mesh.MeshSubsetLists[1][1], 0u);
    EXPECT_EQ(mesh.MeshFrameInfluenceLists[1][2], 9u);
    EXPECT_EQ(mesh.MeshInfos[1].IndexBuffer, 1u);
    mesh.ReleaseMesh();
    EXPECT_TRUE(IsEmpty(mesh));
}

// ---- LoadMesh failure rows that end before a device is needed ----

class SdkLoadFailure : public ::testing::Test
{
protected:
    int Load(const std::vector<std::uint8_t>& bytes)
    {
        const std::wstring path = folder.Write(L"m.sdkmesh", bytes);
        return mesh.LoadMesh(path, nullptr);
    }
    ScratchFolder folder{"sdkmesh"};
    Mesh_SDKMesh mesh;
};

TEST_F(SdkLoadFailure, MissingFile)
{
    LogCapture log;
    const std::wstring path = folder.File(L"missing.sdkmesh");
    EXPECT_EQ(mesh.LoadMesh(path, nullptr), 8);
    EXPECT_EQ(log.Messages(),
              (Messages{L"[.\\VLib\\FStream\\vFStream | VLib::FStream::Open | LINE: 243] >> File not found at: \"" +
                            path + L"\".",
                        CallEntry(122, L"LoadData", L"FStream::Open()", L"0x2")}));
    EXPECT_TRUE(IsEmpty(mesh));
}

TEST_F(SdkLoadFailure, HeaderRows)
{
    struct Row
    {
        std::uint32_t Version;
        std::uint8_t BigEndian;
        std::size_t Size;
        int Status;
        std::wstring Entry;
    };
    const Row rows[] = {
        {100, 0, 104, 12, Entry(165, L"LoadMainHeader", L"Invalid version: 100. Supported version is 101")},
        {102, 1, 104, 12, Entry(165, L"LoadMainHeader", L"Invalid version: 102. Supported version is 101")},
        {101, 2, 104, 13, Entry(171, L"LoadMainHeader", L"Big endian is not supported")},
        {101, 0, 103, 11, Entry(159, L"LoadMainHeader", L"Failed to copy main header data")},
        {101, 0, 0, 11, Entry(159, L"LoadMainHeader", L"Failed to copy main header data")},
    };
    for (const Row& row : rows)
    {
        SdkWriter::File file = FullFile();
        file.Version = row.Version;
        file.IsBigEndian = row.BigEndian;
        std::vector<std::uint8_t> image = SdkWriter::Build(file);
        image.resize(row.Size);
        LogCapture log;
        EXPECT_EQ(Load(image), row.Status) << row.Size;
        EXPECT_EQ(log.Messages(), Messages{row.Entry});
        EXPECT_TRUE(IsEmpty(mesh)) << "no table is left after a refused header";
    }
}

TEST_F(SdkLoadFailure, TableRows)
{
    struct Row
    {
        std::size_t CountField, OffsetField;
        int AllocationLine, CopyLine;
        std::wstring Step, Text;
    };
    const Row rows[] = {
        {32, 56, 183, 189, L"LoadVertexBuffersHeaders", L"Failed to copy vertex buffers headers data"},
        {36, 64, 201, 207, L"LoadIndexBuffersHeaders", L"Failed to copy index buffers headers data"},
        {40, 72, 219, 225, L"LoadMeshInfo", L"Failed to copy MeshInfo data"},
        {44, 80, 237, 243, L"LoadSubsets", L"Failed to copy subsets data"},
        {48, 88, 255, 261, L"LoadFrames", L"Failed to copy frames data"},
        {52, 96, 273, 279, L"LoadMaterials", L"Failed to copy materials data"},
    };
    for (const Row& row : rows)
    {
        const std::vector<std::uint8_t> good = SdkWriter::Build(FullFile());
        {
            std::vector<std::uint8_t> image = good;
            SdkWriter::Put64(image, row.OffsetField, image.size() - 8); // runs past the end
            LogCapture log;
            EXPECT_EQ(Load(image), 11) << row.CopyLine;
            EXPECT_EQ(log.Messages(), Messages{Entry(row.CopyLine, row.Step, row.Text)});
            EXPECT_TRUE(IsEmpty(mesh));
        }
        {
            std::vector<std::uint8_t> image = good;
            SdkWriter::Put32(image, row.CountField, 0xFFFFFFFFu); // more than 32 bits of bytes
            LogCapture log;
            EXPECT_EQ(Load(image), 10) << row.AllocationLine;
            EXPECT_EQ(log.Messages(), Messages{Entry(row.AllocationLine, row.Step, L"Out of memory")});
            EXPECT_TRUE(IsEmpty(mesh));
        }
    }
}

TEST_F(SdkLoadFailure, BlockRows)
{
    SdkWriter::Layout layout;
    const std::vector<std::uint8_t> good = SdkWriter::Build(FullFile(), &layout);
    struct Row
    {
        std::size_t SizeField; // 0: none
        bool SizeIs64;
        std::size_t OffsetField;
        int ItemLine, CopyLine;
        std::wstring Step, Text;
    };
    const Row rows[] = {
        {layout.VertexBufferHeaders + 8, true, layout.VertexBufferHeaders + 280, 303, 309, L"LoadVertexBuffers",
         L"Failed to copy vertex buffer data"},
        {layout.IndexBufferHeaders + 8, true, layout.IndexBufferHeaders + 24, 334, 340, L"LoadIndexBuffers",
         L"Failed to copy index buffer data"},
        {layout.Meshes + 172, false, layout.Meshes + 208, 365, 371, L"LoadMeshesSubsets",
         L"Failed to copy mesh subsets data"},
        {layout.Meshes + 176, false, layout.Meshes + 216, 396, 402, L"LoadMeshesFrameInfluences",
         L"Failed to copy frame influences data"},
    };
    for (const Row& row : rows)
    {
        {
            std::vector<std::uint8_t> image = good;
            SdkWriter::Put64(image, row.OffsetField, image.size() - 2);
            LogCapture log;
            EXPECT_EQ(Load(image), 11) << row.CopyLine;
            EXPECT_EQ(log.Messages(), Messages{Entry(row.CopyLine, row.Step, row.Text)});
            EXPECT_TRUE(IsEmpty(mesh));
        }
        {
            // 0xFFFFFFFF bytes cannot be had by a 32-bit process; 0xFFFFFFFF list entries do
            // not even fit in 32 bits of bytes.
            std::vector<std::uint8_t> image = good;
            if (row.SizeIs64)
                SdkWriter::Put64(image, row.SizeField, 0xFFFFFFFFull);
            else
                SdkWriter::Put32(image, row.SizeField, 0xFFFFFFFFu);
            LogCapture log;
            EXPECT_EQ(Load(image), 10) << row.ItemLine;
            EXPECT_EQ(log.Messages(), Messages{Entry(row.ItemLine, row.Step, L"Out of memory")});
            EXPECT_TRUE(IsEmpty(mesh));
        }
    }
}

TEST_F(SdkLoadFailure, FileOf4GiBIsTooBig)
{
    ASSERT_TRUE(WriteSparse(folder.File(L"big.sdkmesh"), 0x100000001ull));
    LogCapture log;
    EXPECT_EQ(mesh.LoadMesh(folder.File(L"big.sdkmesh"), nullptr), 9);
    EXPECT_EQ(log.Messages(), Messages{Entry(130, L"LoadData", L"File is too big")});
    EXPECT_TRUE(IsEmpty(mesh));
}

TEST_F(SdkLoadFailure, NoMemoryForTheImage)
{
    // Just under 4 GiB: passes the size check, but a 32-bit process cannot hold it.
    ASSERT_TRUE(WriteSparse(folder.File(L"huge.sdkmesh"), 0xF0000000ull));
    LogCapture log;
    EXPECT_EQ(mesh.LoadMesh(folder.File(L"huge.sdkmesh"), nullptr), 10);
    EXPECT_EQ(log.Messages(), Messages{Entry(139, L"LoadData", L"Out of memory")});
    EXPECT_TRUE(IsEmpty(mesh));
}

TEST_F(SdkLoadFailure, Mesh0OutsideItsTablesIsRefusedBeforeD3DX)
{
    SdkWriter::Layout layout;
    const std::vector<std::uint8_t> good = SdkWriter::Build(FullFile(), &layout);
    struct Row
    {
        std::size_t Field;
        std::uint32_t Value;
        std::wstring Text;
    };
    const Row rows[] = {
        {40, 0, L"Failed to copy MeshInfo data"},
        {layout.Meshes + 104, 1, L"Failed to copy vertex buffer data"},
        {layout.Meshes + 168, 1, L"Failed to copy index buffer data"},
        {layout.SubsetLists[0], 1, L"Failed to copy subsets data"},
        {layout.Subsets + 100, 1, L"Failed to copy materials data"},
        {layout.VertexBufferHeaders + 24 + 3 * 8, 0, L"Failed to copy vertices to Vertex Buffer"},
    };
    for (const Row& row : rows)
    {
        std::vector<std::uint8_t> image = good;
        SdkWriter::Put32(image, row.Field, row.Value);
        LogCapture log;
        EXPECT_EQ(Load(image), 11) << Narrow(row.Text);
        const Messages messages = log.Messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(EntryMatches(messages[0], L"Mesh_SDKMesh::SetMesh", row.Text)) << Narrow(messages[0]);
        EXPECT_TRUE(IsEmpty(mesh));
    }
}

// ---- Mutations: corrupted variants of valid files load or fail with one logged status ----

TEST(SdkMutation, SectionStepsSurviveThousandsOfCorruptedFiles)
{
    SdkWriter::File file = FullFile();
    file.Subsets.push_back({0, 6});
    file.Materials.push_back(SdkWriter::Material());
    SdkWriter::MeshRecord second;
    second.Subsets = {1};
    second.FrameInfluences = {0, 0};
    file.Meshes.push_back(second);
    file.Meshes[0].Subsets = {0, 1};
    SdkWriter::Layout layout;
    const std::vector<std::uint8_t> good = SdkWriter::Build(file, &layout);
    const std::vector<SdkWriter::Field> fields = SdkWriter::Fields(file, layout);

    SdkWriter::Random random{0x5EED1234u};
    LogCapture log;
    int failures = 0, refused = 0;
    const int variants = 20000;
    for (int v = 0; v < variants; ++v)
    {
        const std::vector<std::uint8_t> image = SdkWriter::Mutate(good, fields, random);
        Mesh_SDKMesh mesh;
        int status = RunSections(mesh, image);
        if (status == 0)
        {
            // Where the steps succeed, mesh 0 must check out before anything reads through it.
            const std::uint32_t* list = mesh.Header.MeshCount ? mesh.MeshSubsetLists[0] : nullptr;
            if (SdkMeshFormat::CheckMesh0(mesh.Header, mesh.MeshInfos, mesh.VertexBufferHeaders,
                                          mesh.Subsets, list) != SdkMeshFormat::MeshCheckOk)
                ++refused;
        }
        else
        {
            ++failures;
            EXPECT_TRUE(status >= 10 && status <= 13) << "variant " << v << " status " << status;
        }
        mesh.ReleaseMesh();
        ASSERT_TRUE(IsEmpty(mesh));
    }
    EXPECT_EQ(log.Messages().size(), static_cast<std::size_t>(failures)) << "one entry per failure";
    EXPECT_GT(failures, variants / 4);
    EXPECT_GT(refused, 0);
}

TEST(SdkSteps, LoadDataReadsTheWholeFile)
{
    ScratchFolder folder{"sdkmesh"};
    const std::vector<std::uint8_t> bytes = SdkWriter::Build(FullFile());
    const std::wstring path = folder.Write(L"m.sdkmesh", bytes);
    Mesh_SDKMesh mesh;
    std::uint8_t* image = nullptr;
    std::uint32_t size = 0;
    LogCapture log;
    ASSERT_EQ(mesh.LoadData(path, image, size), 0);
    ASSERT_EQ(size, bytes.size());
    EXPECT_EQ(0, std::memcmp(image, bytes.data(), size));
    ::operator delete[](image);
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_TRUE(IsEmpty(mesh)) << "LoadData keeps nothing in the mesh";
}

TEST(SdkSteps, SetMeshWithoutSectionsIsRefused)
{
    Mesh_SDKMesh mesh;
    LogCapture log;
    EXPECT_EQ(mesh.SetMesh(nullptr), 11);
    const Messages messages = log.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(EntryMatches(messages[0], L"Mesh_SDKMesh::SetMesh", L"Failed to copy MeshInfo data"))
        << Narrow(messages[0]);
    EXPECT_EQ(mesh.D3DXMesh, nullptr);
}
