#include "SdkMeshFormat.h"

#include <cstring>

namespace SdkMeshFormat
{
namespace
{
constexpr std::uint16_t EndStream = 0xFF;

// Bytes of each D3DDECLTYPE, FLOAT1 (0) to FLOAT16_4 (16).
constexpr std::uint8_t TypeSizes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};
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

bool CopyBlock(const void* image, std::uint64_t imageSize, std::uint64_t offset, std::uint64_t size,
               void* destination)
{
    if (size == 0)
        return true;
    if (!image || !destination)
        return false;
    if (offset > imageSize || size > imageSize - offset)
        return false;
    std::memcpy(destination, static_cast<const std::uint8_t*>(image) + offset,
                static_cast<std::size_t>(size));
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

MeshCheck CheckMesh0(const MainHeader& header, const MeshInfo* meshInfos,
                     const VertexBufferHeader* vertexBufferHeaders, const SubsetRecord* subsets,
                     const std::uint32_t* subsetList)
{
    if (header.MeshCount == 0 || !meshInfos)
        return MeshCheckNoMesh;
    const MeshInfo& mesh = meshInfos[0];
    if (mesh.FirstVertexBuffer >= header.VertexBufferCount || !vertexBufferHeaders)
        return MeshCheckVertexBufferOutside;
    if (mesh.IndexBuffer >= header.IndexBufferCount)
        return MeshCheckIndexBufferOutside;
    std::uint32_t vertexSize = 0;
    if (!DeclarationVertexSize(vertexBufferHeaders[mesh.FirstVertexBuffer].Declaration, vertexSize))
        return MeshCheckBadDeclaration;
    if (mesh.SubsetCount > 0 && (!subsetList || !subsets))
        return MeshCheckSubsetOutside;
    for (std::uint32_t k = 0; k < mesh.SubsetCount; ++k)
    {
        if (subsetList[k] >= header.TotalSubsetCount)
            return MeshCheckSubsetOutside;
    }
    for (std::uint32_t k = 0; k < mesh.SubsetCount; ++k)
    {
        if (subsets[subsetList[k]].MaterialId >= header.MaterialCount)
            return MeshCheckMaterialOutside;
    }
    return MeshCheckOk;
}

std::uint64_t TagFaces(std::uint32_t* attributes, std::uint32_t faceCount,
                       const std::uint32_t* subsetList, std::uint32_t subsetCount,
                       const SubsetRecord* subsets)
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
} // namespace SdkMeshFormat
