// The loader's file and section steps and its refusals, through LoadMesh and the log, without a
// device. (The format layer itself is tested natively: FormatTest.cpp.)
#include "Vexa2/Resources/Mesh_SDKMesh.h"
#include "Vexa2/Resources/SdkMeshFormat.h"
#include "testkit/SdkMeshWriter.h"
#include "SdkTestSupport.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>

namespace
{
// An entry of the loader as LogCapture::Entries() gives it (its line checked there).
std::wstring Entry(const std::wstring& function, const std::wstring& text)
{
    return L"[.\\Mesh_SDKMesh | Mesh_SDKMesh::" + function + L" | LINE: *] >> " + text;
}

std::wstring CallEntry(const std::wstring& function, const std::wstring& call, const std::wstring& code)
{
    return Entry(function, L"Function \"" + call + L"\" returned an error. Error Code: " + code);
}

using Messages = std::vector<std::wstring>;

using SdkWriter::FullFile;

bool IsEmpty(const Mesh_SDKMesh& mesh)
{
    MainHeader zero;
    std::memset(&zero, 0, sizeof(zero));
    return std::memcmp(&mesh.Header, &zero, sizeof(zero)) == 0 && !mesh.VertexBufferHeaders &&
           !mesh.IndexBufferHeaders && !mesh.MeshInfos && !mesh.Subsets && !mesh.Frames && !mesh.MaterialRecords &&
           !mesh.VertexData && !mesh.IndexData && !mesh.MeshSubsetLists && !mesh.MeshFrameInfluenceLists &&
           !mesh.D3DXMesh && mesh.Materials.empty() && mesh.Textures.empty();
}

// The file and section steps in load order, on an image in memory; 0 when all succeed.
int RunSections(Mesh_SDKMesh& mesh, const std::vector<std::uint8_t>& image)
{
    const std::uint8_t* p = image.empty() ? nullptr : image.data();
    const std::uint32_t n = static_cast<std::uint32_t>(image.size());
    return mesh.LoadSections(p, n);
}

const std::wstring OverlapText = L"Blocks of the file overlap: more bytes to copy than the file holds";
} // namespace

// The image of a file just under 4 GiB: a 32-bit process cannot have it, and a 64-bit one is not
// given it here (every storage of the loader comes from this form of new[]), so that both show
// the loader's answer to a failed allocation.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (size >= 0xF0000000u)
        return nullptr;
    try
    {
        return ::operator new[](size);
    }
    catch (...)
    {
        return nullptr;
    }
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
    EXPECT_EQ(log.Entries(),
              (Messages{L"[.\\VLib\\FStream\\vFStream | VLib::FStream::Open | LINE: *] >> File not found at: \"" +
                            path + L"\".",
                        CallEntry(L"LoadData", L"FStream::Open()", L"0x2")}));
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
        {100, 0, 104, 12, Entry(L"LoadMainHeader", L"Invalid version: 100. Supported version is 101")},
        {102, 1, 104, 12, Entry(L"LoadMainHeader", L"Invalid version: 102. Supported version is 101")},
        {101, 2, 104, 13, Entry(L"LoadMainHeader", L"Big endian is not supported")},
        {101, 0, 103, 11, Entry(L"LoadMainHeader", L"Failed to copy main header data")},
        {101, 0, 0, 11, Entry(L"LoadMainHeader", L"Failed to copy main header data")},
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
        EXPECT_EQ(log.Entries(), Messages{row.Entry});
        EXPECT_TRUE(IsEmpty(mesh)) << "no table is left after a refused header";
    }
}

TEST_F(SdkLoadFailure, TableRows)
{
    struct Row
    {
        std::size_t CountField, OffsetField;
        std::wstring Step, Text;
    };
    const Row rows[] = {
        {32, 56, L"LoadVertexBuffersHeaders", L"Failed to copy vertex buffers headers data"},
        {36, 64, L"LoadIndexBuffersHeaders", L"Failed to copy index buffers headers data"},
        {40, 72, L"LoadMeshInfo", L"Failed to copy MeshInfo data"},
        {44, 80, L"LoadSubsets", L"Failed to copy subsets data"},
        {48, 88, L"LoadFrames", L"Failed to copy frames data"},
        {52, 96, L"LoadMaterials", L"Failed to copy materials data"},
    };
    for (const Row& row : rows)
    {
        const std::vector<std::uint8_t> good = SdkWriter::Build(FullFile());
        {
            std::vector<std::uint8_t> image = good;
            SdkWriter::Put64(image, row.OffsetField, image.size() - 8); // runs past the end
            LogCapture log;
            EXPECT_EQ(Load(image), 11) << Narrow(row.Step);
            EXPECT_EQ(log.Entries(), Messages{Entry(row.Step, row.Text)});
            EXPECT_TRUE(IsEmpty(mesh));
        }
        {
            std::vector<std::uint8_t> image = good;
            SdkWriter::Put32(image, row.CountField, 0xFFFFFFFFu); // more than 32 bits of bytes
            LogCapture log;
            EXPECT_EQ(Load(image), 10) << Narrow(row.Step);
            EXPECT_EQ(log.Entries(), Messages{Entry(row.Step, L"Out of memory")});
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
        std::wstring Step, Text;
    };
    const Row rows[] = {
        {layout.VertexBufferHeaders + 8, true, layout.VertexBufferHeaders + 280, L"LoadVertexBuffers",
         L"Failed to copy vertex buffer data"},
        {layout.IndexBufferHeaders + 8, true, layout.IndexBufferHeaders + 24, L"LoadIndexBuffers",
         L"Failed to copy index buffer data"},
        {layout.Meshes + 172, false, layout.Meshes + 208, L"LoadMeshesSubsets", L"Failed to copy mesh subsets data"},
        {layout.Meshes + 176, false, layout.Meshes + 216, L"LoadMeshesFrameInfluences",
         L"Failed to copy frame influences data"},
    };
    for (const Row& row : rows)
    {
        {
            std::vector<std::uint8_t> image = good;
            SdkWriter::Put64(image, row.OffsetField, image.size() - 2);
            LogCapture log;
            EXPECT_EQ(Load(image), 11) << Narrow(row.Step);
            EXPECT_EQ(log.Entries(), Messages{Entry(row.Step, row.Text)});
            EXPECT_TRUE(IsEmpty(mesh));
        }
        {
            // A block of 0xFFFFFFFF bytes does not lie in the file: refused before anything is
            // allocated for it. 0xFFFFFFFF list entries do not even fit in 32 bits of bytes.
            std::vector<std::uint8_t> image = good;
            if (row.SizeIs64)
                SdkWriter::Put64(image, row.SizeField, 0xFFFFFFFFull);
            else
                SdkWriter::Put32(image, row.SizeField, 0xFFFFFFFFu);
            LogCapture log;
            EXPECT_EQ(Load(image), row.SizeIs64 ? 11 : 10) << Narrow(row.Step);
            EXPECT_EQ(log.Entries(),
                      Messages{row.SizeIs64 ? Entry(row.Step, row.Text) : Entry(row.Step, L"Out of memory")});
            EXPECT_TRUE(IsEmpty(mesh));
        }
        {
            // The block of the first item again: the file holds it once, not twice.
            std::vector<std::uint8_t> image = good;
            SdkWriter::Put64(image, row.OffsetField, row.SizeIs64 ? 0 : 104);
            if (row.SizeIs64)
                SdkWriter::Put64(image, row.SizeField, image.size());
            else
                SdkWriter::Put32(image, row.SizeField, static_cast<std::uint32_t>(image.size() - 104) / 4);
            LogCapture log;
            EXPECT_EQ(Load(image), 11) << Narrow(row.Step);
            EXPECT_EQ(log.Entries(), Messages{Entry(row.Step, OverlapText)});
            EXPECT_TRUE(IsEmpty(mesh));
        }
    }
}

TEST_F(SdkLoadFailure, FileOf4GiBIsTooBig)
{
    ASSERT_TRUE(WriteSparse(folder.File(L"big.sdkmesh"), 0x100000001ull));
    LogCapture log;
    EXPECT_EQ(mesh.LoadMesh(folder.File(L"big.sdkmesh"), nullptr), 9);
    EXPECT_EQ(log.Entries(), Messages{Entry(L"LoadData", L"File is too big")});
    EXPECT_TRUE(IsEmpty(mesh));
}

TEST_F(SdkLoadFailure, NoMemoryForTheImage)
{
    // Just under 4 GiB: passes the size check, but its image cannot be had (see operator new[]).
    ASSERT_TRUE(WriteSparse(folder.File(L"huge.sdkmesh"), 0xF0000000ull));
    LogCapture log;
    EXPECT_EQ(mesh.LoadMesh(folder.File(L"huge.sdkmesh"), nullptr), 10);
    EXPECT_EQ(log.Entries(), Messages{Entry(L"LoadData", L"Out of memory")});
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
        {40, 0, L"The file holds no mesh"},
        {layout.Meshes + 104, 1, L"Mesh 0 names a vertex buffer that the file does not hold"},
        {layout.Meshes + 168, 1, L"Mesh 0 names an index buffer that the file does not hold"},
        {layout.SubsetLists[0], 1, L"Mesh 0 lists a subset that the file does not hold"},
        {layout.Subsets + 100, 1, L"A subset of mesh 0 names a material that the file does not hold"},
        {layout.VertexBufferHeaders + 24 + 3 * 8, 0,
         L"The vertex declaration has no end marker or an unknown element type"},
        // Counts the data does not supply: 3 000 000 vertices or indices from a file of 2 KB.
        {layout.VertexBufferHeaders, 3000000, L"The vertex data holds fewer bytes than its vertex count needs"},
        {layout.IndexBufferHeaders, 3000000, L"The index data holds fewer bytes than its index count needs"},
        {layout.IndexData[0] + 22, 6, L"An index refers past the last vertex"}, // last index of the last face
    };
    for (const Row& row : rows)
    {
        std::vector<std::uint8_t> image = good;
        if (row.Field == layout.IndexData[0] + 22)
            image[row.Field] = static_cast<std::uint8_t>(row.Value);
        else
            SdkWriter::Put32(image, row.Field, row.Value);
        LogCapture log;
        EXPECT_EQ(Load(image), 11) << Narrow(row.Text);
        const Messages messages = log.Entries();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(EntryMatches(messages[0], L"Mesh_SDKMesh::CheckMeshZero", row.Text)) << Narrow(messages[0]);
        EXPECT_TRUE(IsEmpty(mesh));
    }
}

TEST_F(SdkLoadFailure, LoadOnALoadedMeshReleasesTheLoadFirst)
{
    // A refused header whose counts are far above those of the tables held must not free them.
    SdkWriter::File file = FullFile();
    ASSERT_EQ(RunSections(mesh, SdkWriter::Build(file)), 0);
    file.Version = 100;
    std::vector<std::uint8_t> image = SdkWriter::Build(file);
    for (std::size_t field = 32; field < 56; field += 4)
        SdkWriter::Put32(image, field, 100000);
    LogCapture log;
    EXPECT_EQ(Load(image), 12);
    EXPECT_EQ(log.Entries(), Messages{Entry(L"LoadMainHeader", L"Invalid version: 100. Supported version is 101")});
    EXPECT_TRUE(IsEmpty(mesh));
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
            if (SdkMeshFormat::CheckMesh0(mesh) != SdkMeshFormat::MeshCheckOk)
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
    EXPECT_EQ(log.Entries().size(), static_cast<std::size_t>(failures)) << "one entry per failure";
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
    EXPECT_TRUE(log.Entries().empty());
    EXPECT_TRUE(IsEmpty(mesh)) << "LoadData keeps nothing in the mesh";
}

TEST(SdkSteps, SetMeshWithoutSectionsIsRefused)
{
    Mesh_SDKMesh mesh;
    LogCapture log;
    EXPECT_EQ(mesh.SetMesh(nullptr), 11);
    const Messages messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(EntryMatches(messages[0], L"Mesh_SDKMesh::CheckMeshZero", L"The file holds no mesh"))
        << Narrow(messages[0]);
    EXPECT_EQ(mesh.D3DXMesh, nullptr);
}
