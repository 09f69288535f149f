// The .sdkmesh format layer: the header, the ten sections with their bounds, mesh 0's checks
// and the whole-image check that the loader and the fuzz target share. Portable: runs natively.
#include "Vexa2/Resources/SdkMeshFormat.h"
#include "testkit/SdkMeshWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>

namespace
{
using SdkWriter::FullFile;

bool IsEmpty(const SdkMeshFormat::Tables& tables)
{
    MainHeader zero;
    std::memset(&zero, 0, sizeof(zero));
    return std::memcmp(&tables.Header, &zero, sizeof(zero)) == 0 && !tables.VertexBufferHeaders &&
           !tables.IndexBufferHeaders && !tables.MeshInfos && !tables.Subsets && !tables.Frames &&
           !tables.MaterialRecords && !tables.VertexData && !tables.IndexData && !tables.MeshSubsetLists &&
           !tables.MeshFrameInfluenceLists && tables.CopiedBytes == 0;
}

// The header and the ten sections in load order (the loader's LoadTables); 0 when all succeed,
// else 100 + the header status or the section's fault + 10 * its number.
int RunSections(SdkMeshFormat::Tables& tables, const std::vector<std::uint8_t>& image)
{
    const SdkMeshFormat::ImageResult result =
        SdkMeshFormat::LoadTables(tables, image.empty() ? nullptr : image.data(), image.size());
    if (result.Stage == SdkMeshFormat::ImageHeader)
        return 100 + result.Code;
    return result.Stage == SdkMeshFormat::ImageSection ? result.Code + 10 * result.Section : 0;
}

// Bytes asked of ::operator new[](size, std::nothrow), the storage of every table and block.
std::uint64_t RequestedBytes = 0;

SdkMeshFormat::ImageResult Check(const std::vector<std::uint8_t>& image, std::uint64_t* requested = nullptr)
{
    RequestedBytes = 0;
    const SdkMeshFormat::ImageResult result = SdkMeshFormat::CheckImage(image.data(), image.size());
    if (requested)
        *requested = RequestedBytes;
    return result;
}
} // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    RequestedBytes += size;
    try
    {
        return ::operator new[](size);
    }
    catch (...)
    {
        return nullptr;
    }
}

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
    EXPECT_EQ(SdkMeshFormat::ReadMainHeader(image.data(), image.size(), header), SdkMeshFormat::HeaderBadVersion);
    image[0] = 101;
    image[4] = 2;
    EXPECT_EQ(SdkMeshFormat::ReadMainHeader(image.data(), image.size(), header), SdkMeshFormat::HeaderBigEndian);
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
    SdkMeshFormat::Tables mesh;
    SdkWriter::File file = FullFile();
    file.Subsets.push_back({1, 3});
    file.Materials.push_back(SdkWriter::Material());
    file.Meshes[0].Subsets = {0, 1};
    ASSERT_EQ(RunSections(mesh, SdkWriter::Build(file)), 0);
    auto check = [&] { return SdkMeshFormat::CheckMesh0(mesh); };
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
    mesh.Header.MeshCount = 1; // back, so that Free frees the lists
    SdkMeshFormat::Free(mesh);
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

    SdkMeshFormat::Tables mesh;
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
    EXPECT_EQ(0, std::memcmp(mesh.VertexData[0], file.VertexBuffers[0].Data.data(), file.VertexBuffers[0].Data.size()));
    EXPECT_EQ(0, std::memcmp(mesh.IndexData[0], file.IndexBuffers[0].Data.data(), file.IndexBuffers[0].Data.size()));
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
    SdkMeshFormat::Free(mesh);
    EXPECT_TRUE(IsEmpty(mesh));
}

TEST(SdkSections, HighHalvesOfOffsetsAreIgnored)
{
    SdkWriter::File file = FullFile();
    SdkWriter::Layout layout;
    std::vector<std::uint8_t> image = SdkWriter::Build(file, &layout);
    SdkWriter::Put32(image, 56 + 4, 0xDEAD);                            // vertex buffer headers
    SdkWriter::Put32(image, layout.VertexBufferHeaders + 280 + 4, 0x1); // vertex data
    SdkWriter::Put32(image, layout.Meshes + 208 + 4, 0xFFFFFFFF);       // subset list
    SdkMeshFormat::Tables mesh;
    EXPECT_EQ(RunSections(mesh, image), 0);
    EXPECT_EQ(mesh.MeshSubsetLists[0][0], 0u);
    SdkMeshFormat::Free(mesh);
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
    SdkMeshFormat::Tables mesh;
    ASSERT_EQ(RunSections(mesh, SdkWriter::Build(file)), 0);
    ASSERT_EQ(mesh.Header.MeshCount, 2u);
    EXPECT_EQ(mesh.MeshSubsetLists[1][0], 1u);
    EXPECT_EQ(mesh.MeshSubsetLists[1][1], 0u);
    EXPECT_EQ(mesh.MeshFrameInfluenceLists[1][2], 9u);
    EXPECT_EQ(mesh.MeshInfos[1].IndexBuffer, 1u);
    // A load over a load lets it go first: the one-mesh header must not size the old tables.
    ASSERT_EQ(RunSections(mesh, SdkWriter::Build(FullFile())), 0);
    EXPECT_EQ(mesh.Header.MeshCount, 1u);
    SdkMeshFormat::Free(mesh);
    EXPECT_TRUE(IsEmpty(mesh));
}

// ---- The whole image as the loader checks it: every fault class refused, bounded ----

TEST(SdkImage, FilesOfTheWriterAreAcceptedWithCopiesWithinTheirSize)
{
    SdkWriter::File two = FullFile();
    two.VertexBuffers.push_back(SdkWriter::GridVertices(1, 1));
    two.IndexBuffers.push_back(SdkWriter::GridIndices(1, 1, true));
    SdkWriter::MeshRecord second;
    second.FirstVertexBuffer = 1;
    second.IndexBuffer = 1;
    second.FrameInfluences = {3, 4};
    two.Meshes.push_back(second);
    const SdkWriter::File files[] = {FullFile(), SdkWriter::GridFile(3, 2, true), SdkWriter::GridFile(1, 1, false),
                                     two};
    for (const SdkWriter::File& file : files)
    {
        const std::vector<std::uint8_t> image = SdkWriter::Build(file);
        std::uint64_t requested = 0;
        const SdkMeshFormat::ImageResult result = Check(image, &requested);
        EXPECT_EQ(result.Stage, SdkMeshFormat::ImageAccepted) << result.Section << " " << result.Code;
        EXPECT_LE(requested, image.size() + 256) << "tables, blocks, pointer arrays and face tags";
    }
}

TEST(SdkImage, TableOrBlockTheFileDoesNotHoldIsNeverAllocated)
{
    // A header alone asks for 0xE38E38 vertex buffer headers: 0xFFFFFF00 bytes, within 32 bits.
    std::vector<std::uint8_t> image = SdkWriter::Build(SdkWriter::File());
    SdkWriter::Put32(image, 32, 0xE38E38u);
    SdkWriter::Put64(image, 56, 104);
    std::uint64_t requested = 1;
    SdkMeshFormat::ImageResult result = Check(image, &requested);
    EXPECT_EQ(result.Stage, SdkMeshFormat::ImageSection);
    EXPECT_EQ(result.Section, SdkMeshFormat::SectionVertexBuffersHeaders);
    EXPECT_EQ(result.Code, SdkMeshFormat::SectionOutside);
    EXPECT_EQ(requested, 0u);

    // A vertex buffer whose data block claims 0xFFFFFFFF bytes.
    SdkWriter::Layout layout;
    image = SdkWriter::Build(FullFile(), &layout);
    SdkWriter::Put64(image, layout.VertexBufferHeaders + 8, 0xFFFFFFFFull);
    result = Check(image, &requested);
    EXPECT_EQ(result.Section, SdkMeshFormat::SectionVertexBuffers);
    EXPECT_EQ(result.Code, SdkMeshFormat::SectionOutside);
    EXPECT_LT(requested, image.size());
}

TEST(SdkImage, QuarterMegabyteOfOverlappingBlocksIsRefusedWithBoundedMemory)
{
    // 640 vertex buffer headers, all pointing at the same 64 KiB of vertex data: a loader that
    // copies every block would copy 40 MiB out of 248 KiB.
    SdkWriter::File file = SdkWriter::GridFile(1, 1, false);
    file.VertexBuffers[0].Data.assign(65536, 7);
    file.VertexBuffers[0].VertexCount = 2048;
    file.VertexBuffers.resize(640, SdkWriter::VertexBuffer());
    SdkWriter::Layout layout;
    std::vector<std::uint8_t> image = SdkWriter::Build(file, &layout);
    for (std::uint32_t i = 1; i < 640; ++i)
    {
        SdkWriter::Put64(image, layout.VertexBufferHeaders + 288 * i + 8, 65536);
        SdkWriter::Put64(image, layout.VertexBufferHeaders + 288 * i + 280, layout.VertexData[0]);
    }
    ASSERT_GT(image.size(), 240000u);
    ASSERT_LT(image.size(), 262144u);
    std::uint64_t requested = 0;
    const SdkMeshFormat::ImageResult result = Check(image, &requested);
    EXPECT_EQ(result.Stage, SdkMeshFormat::ImageSection);
    EXPECT_EQ(result.Section, SdkMeshFormat::SectionVertexBuffers);
    EXPECT_EQ(result.Code, SdkMeshFormat::SectionOverlap);
    EXPECT_LE(requested, image.size() + 640 * sizeof(void*)) << "copies and the block pointers";
}

TEST(SdkImage, CountsBeyondTheDataAreRefused)
{
    SdkWriter::Layout layout;
    const std::vector<std::uint8_t> good = SdkWriter::Build(FullFile(), &layout); // 6 vertices, 12 indices
    ASSERT_EQ(Check(good).Stage, SdkMeshFormat::ImageAccepted);
    struct Row
    {
        std::size_t Field;
        std::uint32_t Value;
        SdkMeshFormat::MeshCheck Check;
    };
    const Row rows[] = {
        {layout.VertexBufferHeaders + 0, 7, SdkMeshFormat::MeshCheckVertexDataShort},
        {layout.VertexBufferHeaders + 0, 3000000, SdkMeshFormat::MeshCheckVertexDataShort},
        {layout.IndexBufferHeaders + 0, 15, SdkMeshFormat::MeshCheckIndexDataShort},
        {layout.IndexBufferHeaders + 0, 3000000, SdkMeshFormat::MeshCheckIndexDataShort},
        {layout.IndexBufferHeaders + 0, 14, SdkMeshFormat::MeshCheckOk}, // 4 faces: 12 indices
    };
    for (const Row& row : rows)
    {
        std::vector<std::uint8_t> image = good;
        SdkWriter::Put32(image, row.Field, row.Value);
        const SdkMeshFormat::ImageResult result = Check(image);
        EXPECT_EQ(result.Stage, row.Check ? SdkMeshFormat::ImageMesh0 : SdkMeshFormat::ImageAccepted) << row.Value;
        EXPECT_EQ(result.Code, row.Check) << row.Value;
    }
}

TEST(SdkImage, IndexOutOfRangeInTheLastFaceOnlyIsRefused)
{
    for (bool wide : {false, true})
    {
        SdkWriter::File file = SdkWriter::GridFile(3, 2, wide); // 12 vertices, 12 faces
        SdkWriter::IndexBuffer& ib = file.IndexBuffers[0];
        const std::size_t last = ib.Data.size() - (wide ? 4 : 2);
        ASSERT_EQ(Check(SdkWriter::Build(file)).Stage, SdkMeshFormat::ImageAccepted);
        ib.Data[last] = 12;
        const SdkMeshFormat::ImageResult result = Check(SdkWriter::Build(file));
        EXPECT_EQ(result.Stage, SdkMeshFormat::ImageMesh0) << wide;
        EXPECT_EQ(result.Code, SdkMeshFormat::MeshCheckIndexOutside) << wide;
        ib.Data[last] = 11;
        EXPECT_EQ(Check(SdkWriter::Build(file)).Stage, SdkMeshFormat::ImageAccepted) << wide;
    }
}

TEST(SdkImage, FreeAfterAFailedSectionReleasesWhatWasFilled)
{
    // The second vertex buffer's block lies outside: the first stays filled until Free.
    SdkWriter::File file = FullFile();
    file.VertexBuffers.push_back(SdkWriter::GridVertices(1, 1));
    SdkWriter::Layout layout;
    std::vector<std::uint8_t> image = SdkWriter::Build(file, &layout);
    SdkWriter::Put64(image, layout.VertexBufferHeaders + 288 + 280, image.size() - 4);
    SdkMeshFormat::Tables tables;
    EXPECT_EQ(RunSections(tables, image), SdkMeshFormat::SectionOutside + 10 * SdkMeshFormat::SectionVertexBuffers);
    ASSERT_NE(tables.VertexData, nullptr);
    EXPECT_NE(tables.VertexData[0], nullptr);
    EXPECT_EQ(tables.VertexData[1], nullptr);
    SdkMeshFormat::Free(tables);
    EXPECT_TRUE(IsEmpty(tables));
}
