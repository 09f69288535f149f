#include "SdkMeshFormat.h"

#include <cstring>
#include <new>

namespace SdkMeshFormat
{
namespace
{
constexpr std::uint16_t EndStream = 0xFF;

// Bytes of each D3DDECLTYPE, FLOAT1 (0) to FLOAT16_4 (16).
constexpr std::uint8_t TypeSizes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};

// Raw storage of plain records. Not new T[count]: that refuses arrays above PTRDIFF_MAX
// bytes by throwing, even in its nothrow form.
template <typename T>
T* Allocate(std::uint32_t bytes)
{
    return static_cast<T*>(::operator new[](bytes, std::nothrow));
}

template <typename T>
void Release(T*& storage)
{
    ::operator delete[](storage);
    storage = nullptr;
}

template <typename Element>
void ReleaseBlocks(Element**& blocks, std::uint32_t count)
{
    if (!blocks)
        return;
    for (std::uint32_t i = 0; i < count; ++i)
        ::operator delete[](blocks[i]);
    Release(blocks);
}

// Where one table or block lies in the file, and how many bytes it has.
struct Place
{
    std::uint64_t Bytes; // above 0xFFFFFFFF: cannot be had
    std::uint64_t Offset;
};

// Adds a table or block to what the load has copied, refusing it when the file does not hold
// it or when the load would copy more bytes than the file has: every byte of the file is worth
// at most one byte of copy, whatever points at it.
SectionFault Claim(Tables& tables, std::uint64_t imageSize, const Place& place)
{
    if (!InsideImage(imageSize, Low32(place.Offset), place.Bytes))
        return SectionOutside;
    const std::uint64_t left = imageSize - sizeof(MainHeader) - tables.CopiedBytes; // header read
    if (imageSize < sizeof(MainHeader) + tables.CopiedBytes || place.Bytes > left)
        return SectionOverlap;
    tables.CopiedBytes += place.Bytes;
    return SectionOk;
}

// First kind of section: one table of count records, copied as one block.
template <typename Record>
SectionFault LoadTable(Tables& tables, const void* image, std::uint64_t imageSize, std::uint32_t count,
                       std::uint64_t offset, Record*& table)
{
    std::uint32_t bytes = 0;
    if (!TableBytes(count, sizeof(Record), bytes))
        return SectionNoMemory;
    const SectionFault claimed = Claim(tables, imageSize, Place{bytes, offset});
    if (claimed != SectionOk)
        return claimed;
    table = Allocate<Record>(bytes);
    if (!table)
        return SectionNoMemory;
    CopyBlock(image, imageSize, Low32(offset), bytes, table);
    return SectionOk;
}

// Second kind: one block per item, item i placed by place(i). The array of count pointers is
// had only once the file has shown to hold the count records it stands for (place checks none:
// the records were loaded before).
template <typename Element, typename Placer>
SectionFault LoadBlocks(Tables& tables, const void* image, std::uint64_t imageSize, std::uint32_t count,
                        Element**& blocks, Placer place)
{
    std::uint32_t arrayBytes = 0;
    if (TableBytes(count, sizeof(Element*), arrayBytes))
        blocks = Allocate<Element*>(arrayBytes);
    if (!blocks)
        return SectionNoMemory;
    for (std::uint32_t i = 0; i < count; ++i)
        blocks[i] = nullptr;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const Place where = place(i);
        if (where.Bytes > 0xFFFFFFFFu)
            return SectionItemNoMemory;
        const SectionFault claimed = Claim(tables, imageSize, where);
        if (claimed != SectionOk)
            return claimed;
        blocks[i] = Allocate<Element>(static_cast<std::uint32_t>(where.Bytes));
        if (!blocks[i])
            return SectionItemNoMemory;
        CopyBlock(image, imageSize, Low32(where.Offset), where.Bytes, blocks[i]);
    }
    return SectionOk;
}
} // namespace

bool TableBytes(std::uint64_t count, std::uint64_t recordSize, std::uint32_t& bytes)
{
    bytes = 0;
    // Both factors are at most 32 bits wide here, so the product cannot wrap.
    if (count > 0xFFFFFFFFu || recordSize > 0xFFFFFFFFu)
        return false;
    const std::uint64_t total = count * recordSize;
    if (total > 0xFFFFFFFFu)
        return false;
    bytes = static_cast<std::uint32_t>(total);
    return true;
}

bool InsideImage(std::uint64_t imageSize, std::uint64_t offset, std::uint64_t size)
{
    return size == 0 || (offset <= imageSize && size <= imageSize - offset);
}

bool CopyBlock(const void* image, std::uint64_t imageSize, std::uint64_t offset, std::uint64_t size, void* destination)
{
    if (size == 0)
        return true;
    if (!image || !destination || !InsideImage(imageSize, offset, size))
        return false;
    std::memcpy(destination, static_cast<const std::uint8_t*>(image) + offset, static_cast<std::size_t>(size));
    return true;
}

HeaderStatus ReadMainHeader(const void* image, std::uint64_t imageSize, MainHeader& header)
{
    if (!image || !CopyBlock(image, imageSize, 0, sizeof(MainHeader), &header))
        return HeaderCopyFailed;
    if (header.Version != SupportedVersion)
        return HeaderBadVersion;
    if (header.IsBigEndian != 0)
        return HeaderBigEndian;
    return HeaderOk;
}

bool DeclarationLength(const VertexElement* declaration, std::uint32_t& length)
{
    for (std::uint32_t i = 0; i < MaxDeclarationElements; ++i)
    {
        if (declaration[i].Stream == EndStream)
        {
            length = i;
            return true;
        }
    }
    length = 0;
    return false;
}

bool DeclarationVertexSize(const VertexElement* declaration, std::uint32_t& size)
{
    size = 0;
    std::uint32_t length = 0;
    if (!DeclarationLength(declaration, length))
        return false;
    for (std::uint32_t i = 0; i < length; ++i)
    {
        const VertexElement& element = declaration[i];
        if (element.Type >= sizeof(TypeSizes))
            return false;
        if (element.Stream != 0)
            continue;
        const std::uint32_t end = static_cast<std::uint32_t>(element.Offset) + TypeSizes[element.Type];
        if (end > size)
            size = end;
    }
    return true;
}

void TextureName(const char (&field)[TextureNameSize], char (&name)[TextureNameSize + 1])
{
    std::memcpy(name, field, TextureNameSize);
    name[TextureNameSize] = '\0';
}

SectionFault LoadSection(Tables& tables, const void* image, std::uint64_t imageSize, Section section)
{
    const MainHeader& h = tables.Header;
    const VertexBufferHeader* vbs = tables.VertexBufferHeaders;
    const IndexBufferHeader* ibs = tables.IndexBufferHeaders;
    const MeshInfo* meshes = tables.MeshInfos;
    switch (section)
    {
    case SectionVertexBuffersHeaders:
        return LoadTable(tables, image, imageSize, h.VertexBufferCount, h.VertexBufferHeadersOffset,
                         tables.VertexBufferHeaders);
    case SectionIndexBuffersHeaders:
        return LoadTable(tables, image, imageSize, h.IndexBufferCount, h.IndexBufferHeadersOffset,
                         tables.IndexBufferHeaders);
    case SectionMeshInfo:
        return LoadTable(tables, image, imageSize, h.MeshCount, h.MeshInfosOffset, tables.MeshInfos);
    case SectionSubsets:
        return LoadTable(tables, image, imageSize, h.TotalSubsetCount, h.SubsetsOffset, tables.Subsets);
    case SectionFrames:
        return LoadTable(tables, image, imageSize, h.FrameRecordCount, h.FramesOffset, tables.Frames);
    case SectionMaterials:
        return LoadTable(tables, image, imageSize, h.MaterialCount, h.MaterialsOffset, tables.MaterialRecords);
    case SectionVertexBuffers:
        return LoadBlocks(tables, image, imageSize, h.VertexBufferCount, tables.VertexData, [vbs](std::uint32_t i) {
            return Place{Low32(vbs[i].SizeBytes), vbs[i].DataOffset};
        });
    case SectionIndexBuffers:
        return LoadBlocks(tables, image, imageSize, h.IndexBufferCount, tables.IndexData, [ibs](std::uint32_t i) {
            return Place{Low32(ibs[i].SizeBytes), ibs[i].DataOffset};
        });
    case SectionMeshesSubsets:
        return LoadBlocks(tables, image, imageSize, h.MeshCount, tables.MeshSubsetLists, [meshes](std::uint32_t i) {
            return Place{std::uint64_t(meshes[i].SubsetCount) * 4, meshes[i].SubsetListOffset};
        });
    case SectionMeshesFrameInfluences:
    default:
        return LoadBlocks(
            tables, image, imageSize, h.MeshCount, tables.MeshFrameInfluenceLists, [meshes](std::uint32_t i) {
                return Place{std::uint64_t(meshes[i].FrameInfluenceCount) * 4, meshes[i].FrameInfluenceListOffset};
            });
    }
}

void Free(Tables& tables)
{
    ReleaseBlocks(tables.VertexData, tables.Header.VertexBufferCount);
    ReleaseBlocks(tables.IndexData, tables.Header.IndexBufferCount);
    ReleaseBlocks(tables.MeshSubsetLists, tables.Header.MeshCount);
    ReleaseBlocks(tables.MeshFrameInfluenceLists, tables.Header.MeshCount);
    Release(tables.VertexBufferHeaders);
    Release(tables.IndexBufferHeaders);
    Release(tables.MeshInfos);
    Release(tables.Subsets);
    Release(tables.Frames);
    Release(tables.MaterialRecords);
    std::memset(&tables.Header, 0, sizeof(tables.Header));
    tables.CopiedBytes = 0;
}

namespace
{
// Indices into the tables: mesh 0's buffers, its subset list and their materials.
MeshCheck CheckMesh0Indices(const Tables& t)
{
    const MainHeader& h = t.Header;
    if (h.MeshCount == 0 || !t.MeshInfos || !t.MeshSubsetLists)
        return MeshCheckNoMesh;
    const MeshInfo& mesh = t.MeshInfos[0];
    if (mesh.FirstVertexBuffer >= h.VertexBufferCount || !t.VertexBufferHeaders || !t.VertexData)
        return MeshCheckVertexBufferOutside;
    if (mesh.IndexBuffer >= h.IndexBufferCount || !t.IndexBufferHeaders || !t.IndexData)
        return MeshCheckIndexBufferOutside;
    std::uint32_t vertexSize = 0;
    if (!DeclarationVertexSize(t.VertexBufferHeaders[mesh.FirstVertexBuffer].Declaration, vertexSize))
        return MeshCheckBadDeclaration;
    const std::uint32_t* list = t.MeshSubsetLists[0];
    if (mesh.SubsetCount > 0 && (!list || !t.Subsets))
        return MeshCheckSubsetOutside;
    for (std::uint32_t k = 0; k < mesh.SubsetCount; ++k)
    {
        if (list[k] >= h.TotalSubsetCount)
            return MeshCheckSubsetOutside;
    }
    for (std::uint32_t k = 0; k < mesh.SubsetCount; ++k)
    {
        if (t.Subsets[list[k]].MaterialId >= h.MaterialCount || !t.MaterialRecords)
            return MeshCheckMaterialOutside;
    }
    return MeshCheckOk;
}
} // namespace

MeshCheck CheckMesh0(const Tables& tables)
{
    const MeshCheck indices = CheckMesh0Indices(tables);
    if (indices != MeshCheckOk)
        return indices;
    // Every vertex and every index the mesh is created with must come from the file.
    const MeshInfo& mesh = tables.MeshInfos[0];
    const VertexBufferHeader& vb = tables.VertexBufferHeaders[mesh.FirstVertexBuffer];
    const IndexBufferHeader& ib = tables.IndexBufferHeaders[mesh.IndexBuffer];
    std::uint32_t vertexSize = 0;
    DeclarationVertexSize(vb.Declaration, vertexSize);
    if (Low32(vb.SizeBytes) < std::uint64_t(Low32(vb.VertexCount)) * vertexSize)
        return MeshCheckVertexDataShort;
    const bool wide = ib.IndexType != 0;
    const std::uint32_t indexCount = Low32(ib.IndexCount) / 3 * 3;
    if (Low32(ib.SizeBytes) < std::uint64_t(indexCount) * (wide ? 4 : 2))
        return MeshCheckIndexDataShort;
    if (!IndicesInRange(tables.IndexData[mesh.IndexBuffer], wide, indexCount, Low32(vb.VertexCount)))
        return MeshCheckIndexOutside;
    return MeshCheckOk;
}

std::uint64_t TagFaces(std::uint32_t* attributes, std::uint32_t faceCount, const std::uint32_t* subsetList,
                       std::uint32_t subsetCount, const SubsetRecord* subsets)
{
    std::uint64_t asked = 0;
    std::uint32_t next = 0;
    for (std::uint32_t k = 0; k < subsetCount; ++k)
    {
        const SubsetRecord& subset = subsets[subsetList[k]];
        const std::uint64_t faces = subset.IndexCount / 3;
        asked = faces > ~asked ? ~std::uint64_t(0) : asked + faces; // saturates
        const std::uint32_t room = faceCount - next;
        const std::uint32_t run = faces < room ? static_cast<std::uint32_t>(faces) : room;
        for (std::uint32_t f = 0; f < run; ++f)
            attributes[next + f] = subset.MaterialId;
        next += run;
    }
    for (; next < faceCount; ++next)
        attributes[next] = 0;
    return asked;
}

bool IndicesInRange(const void* indices, bool wide, std::uint32_t count, std::uint32_t vertexCount)
{
    if (wide)
    {
        const std::uint32_t* values = static_cast<const std::uint32_t*>(indices);
        for (std::uint32_t i = 0; i < count; ++i)
            if (values[i] >= vertexCount)
                return false;
    }
    else
    {
        const std::uint16_t* values = static_cast<const std::uint16_t*>(indices);
        for (std::uint32_t i = 0; i < count; ++i)
            if (values[i] >= vertexCount)
                return false;
    }
    return true;
}

ImageResult LoadTables(Tables& tables, const void* image, std::uint64_t imageSize)
{
    // A header read over a load would size the old tables by the new counts.
    Free(tables);
    const HeaderStatus header = ReadMainHeader(image, imageSize, tables.Header);
    if (header != HeaderOk)
        return ImageResult{ImageHeader, 0, header};
    for (int section = 0; section < SectionCount; ++section)
    {
        const SectionFault fault = LoadSection(tables, image, imageSize, static_cast<Section>(section));
        if (fault != SectionOk)
            return ImageResult{ImageSection, section, fault};
    }
    return ImageResult{ImageAccepted, 0, 0};
}

const MaterialRecord& Mesh0Material(const Tables& tables, std::uint32_t k)
{
    return tables.MaterialRecords[tables.Subsets[tables.MeshSubsetLists[0][k]].MaterialId];
}

void TextureNames(const MaterialRecord& record, char (&names)[MaterialTextureCount][TextureNameSize + 1])
{
    TextureName(record.DiffuseTexture, names[0]);
    TextureName(record.SpecularTexture, names[1]);
    TextureName(record.NormalTexture, names[2]);
}

ImageResult CheckImage(const void* image, std::uint64_t imageSize)
{
    Tables tables;
    ImageResult result = LoadTables(tables, image, imageSize);
    const MeshCheck mesh = result.Stage == ImageAccepted ? CheckMesh0(tables) : MeshCheckOk;
    if (mesh != MeshCheckOk)
        result = ImageResult{ImageMesh0, 0, mesh};
    if (result.Stage == ImageAccepted)
    {
        const MeshInfo& m = tables.MeshInfos[0];
        const std::uint32_t faces = Low32(tables.IndexBufferHeaders[m.IndexBuffer].IndexCount) / 3;
        std::uint32_t bytes = 0;
        std::uint32_t* attributes = TableBytes(faces, 4, bytes) ? Allocate<std::uint32_t>(bytes) : nullptr;
        if (attributes || faces == 0)
            TagFaces(attributes, faces, tables.MeshSubsetLists[0], m.SubsetCount, tables.Subsets);
        else
            result = ImageResult{ImageTagging, 0, 1};
        Release(attributes);
        char names[MaterialTextureCount][TextureNameSize + 1];
        for (std::uint32_t k = 0; k < m.SubsetCount && result.Stage == ImageAccepted; ++k)
            TextureNames(Mesh0Material(tables, k), names);
    }
    Free(tables);
    return result;
}
} // namespace SdkMeshFormat
