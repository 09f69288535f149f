#include "Mesh_SDKMesh.h"

#include "VLib/FStream/vFStream.h"
#include "VLib/vLogger.h"

#include <cstring>
#include <new>

namespace
{
const wchar_t* const SourceFile = L".\\Mesh_SDKMesh";
const wchar_t* const OutOfMemory = L"Out of memory";

using SdkMeshFormat::CopyBlock;
using SdkMeshFormat::Low32;
using SdkMeshFormat::TableBytes;

// Raw storage of plain records. Not new T[count]: that refuses arrays above PTRDIFF_MAX
// bytes by throwing, even in its nothrow form.
template <typename T>
T* Allocate(std::uint32_t bytes)
{
    return static_cast<T*>(::operator new[](bytes, std::nothrow));
}

template <typename T>
void Free(T* storage)
{
    ::operator delete[](storage);
}

// First kind of section step: one table of count records copied as one block.
template <typename Record>
int LoadTable(const std::uint8_t* image, std::uint32_t imageSize, std::uint32_t count,
              std::uint64_t offset, Record*& table, const wchar_t* function, int allocationLine,
              int copyLine, const wchar_t* copyText)
{
    std::uint32_t bytes = 0;
    if (TableBytes(count, sizeof(Record), bytes))
        table = Allocate<Record>(bytes);
    if (!table)
    {
        VLib::LogError(SourceFile, function, allocationLine, OutOfMemory);
        return MeshOutOfMemory;
    }
    if (!CopyBlock(image, imageSize, Low32(offset), bytes, table))
    {
        VLib::LogError(SourceFile, function, copyLine, copyText);
        return MeshCopyFailed;
    }
    return MeshOk;
}

struct BlockPlace
{
    std::uint64_t Bytes;
    std::uint64_t Offset;
};

// Second kind: one block per item, item i placed by place(i). Blocks filled before a failure
// stay in the array for ReleaseMesh.
template <typename Element, typename Place>
int LoadBlocks(const std::uint8_t* image, std::uint32_t imageSize, std::uint32_t count,
               Element**& blocks, Place place, const wchar_t* function, int arrayLine, int itemLine,
               int copyLine, const wchar_t* copyText)
{
    std::uint32_t arrayBytes = 0;
    if (TableBytes(count, sizeof(Element*), arrayBytes))
        blocks = Allocate<Element*>(arrayBytes);
    if (blocks)
        for (std::uint32_t i = 0; i < count; ++i)
            blocks[i] = nullptr;
    if (!blocks)
    {
        VLib::LogError(SourceFile, function, arrayLine, OutOfMemory);
        return MeshOutOfMemory;
    }
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const BlockPlace where = place(i);
        std::uint32_t bytes = 0;
        if (TableBytes(where.Bytes, 1, bytes))
            blocks[i] = Allocate<Element>(bytes);
        if (!blocks[i])
        {
            VLib::LogError(SourceFile, function, itemLine, OutOfMemory);
            return MeshOutOfMemory;
        }
        if (!CopyBlock(image, imageSize, Low32(where.Offset), bytes, blocks[i]))
        {
            VLib::LogError(SourceFile, function, copyLine, copyText);
            return MeshCopyFailed;
        }
    }
    return MeshOk;
}

template <typename Element>
void FreeBlocks(Element**& blocks, std::uint32_t count)
{
    if (!blocks)
        return;
    for (std::uint32_t i = 0; i < count; ++i)
        Free(blocks[i]);
    Free(blocks);
    blocks = nullptr;
}

template <typename Record>
void FreeTable(Record*& table)
{
    Free(table);
    table = nullptr;
}

// Room in a locked buffer: what the buffer really holds, never more than the mesh implies.
// Takes over the reference that GetVertexBuffer / GetIndexBuffer added.
std::uint64_t BufferBytes(IDirect3DVertexBuffer9* buffer, std::uint64_t implied, bool& known)
{
    known = false;
    if (!buffer)
        return implied;
    D3DVERTEXBUFFER_DESC desc;
    std::memset(&desc, 0, sizeof(desc));
    known = SUCCEEDED(buffer->GetDesc(&desc));
    buffer->Release();
    return known && desc.Size < implied ? desc.Size : implied;
}

std::uint64_t BufferBytes(IDirect3DIndexBuffer9* buffer, std::uint64_t implied, bool& known)
{
    known = false;
    if (!buffer)
        return implied;
    D3DINDEXBUFFER_DESC desc;
    std::memset(&desc, 0, sizeof(desc));
    known = SUCCEEDED(buffer->GetDesc(&desc));
    buffer->Release();
    return known && desc.Size < implied ? desc.Size : implied;
}
} // namespace

Mesh_SDKMesh::Mesh_SDKMesh()
    : VertexBufferHeaders(nullptr), IndexBufferHeaders(nullptr), MeshInfos(nullptr), Subsets(nullptr),
      Frames(nullptr), MaterialRecords(nullptr), VertexData(nullptr), IndexData(nullptr),
      MeshSubsetLists(nullptr), MeshFrameInfluenceLists(nullptr)
{
    std::memset(&Header, 0, sizeof(Header));
}

Mesh_SDKMesh::~Mesh_SDKMesh()
{
    FreeTables();
}

int Mesh_SDKMesh::LoadMesh(const std::wstring& fileName, IDirect3DDevice9* device)
{
    // Texture names are relative to the mesh file's folder; only "\" separates.
    const std::size_t slash = fileName.rfind(L'\\');
    TextureDir.clear();
    if (slash != std::wstring::npos)
        for (std::size_t i = 0; i <= slash; ++i)
            TextureDir.push_back(static_cast<char>(fileName[i] & 0xFF));

    std::uint8_t* image = nullptr;
    std::uint32_t imageSize = 0;
    int status = LoadData(fileName, image, imageSize);
    if (status != MeshOk)
    {
        ReleaseMesh();
        return status;
    }

    typedef int (Mesh_SDKMesh::*Step)(const std::uint8_t*, std::uint32_t);
    static const Step steps[] = {
        &Mesh_SDKMesh::LoadMainHeader,      &Mesh_SDKMesh::LoadVertexBuffersHeaders,
        &Mesh_SDKMesh::LoadIndexBuffersHeaders, &Mesh_SDKMesh::LoadMeshInfo,
        &Mesh_SDKMesh::LoadSubsets,         &Mesh_SDKMesh::LoadFrames,
        &Mesh_SDKMesh::LoadMaterials,       &Mesh_SDKMesh::LoadVertexBuffers,
        &Mesh_SDKMesh::LoadIndexBuffers,    &Mesh_SDKMesh::LoadMeshesSubsets,
        &Mesh_SDKMesh::LoadMeshesFrameInfluences,
    };
    for (Step step : steps)
    {
        status = (this->*step)(image, imageSize);
        if (status != MeshOk)
            break;
    }
    Free(image);

    if (status == MeshOk)
        status = SetMesh(device);
    if (status != MeshOk)
        ReleaseMesh();
    return status;
}

int Mesh_SDKMesh::LoadData(const std::wstring& fileName, std::uint8_t*& image, std::uint32_t& imageSize)
{
    const wchar_t* const function = L"Mesh_SDKMesh::LoadData";
    image = nullptr;
    imageSize = 0;

    VLib::FStream stream(true);
    const int openStatus = stream.Open(fileName, 1);
    if (openStatus != VLib::FStreamOk)
    {
        VLib::LogFailedCall(SourceFile, function, 122, L"FStream::Open()", openStatus);
        return MeshLoadFailed;
    }

    // The stream keeps 32 bits of the size; ask the system for all 64.
    LARGE_INTEGER size;
    size.QuadPart = 0;
    if (!GetFileSizeEx(stream.m_handle, &size))
        size.QuadPart = stream.m_size;
    if (static_cast<std::uint64_t>(size.QuadPart) > 0xFFFFFFFFu)
    {
        VLib::LogError(SourceFile, function, 130, L"File is too big");
        stream.Close();
        return MeshFileTooBig;
    }

    const std::uint32_t bytes = static_cast<std::uint32_t>(size.QuadPart);
    std::uint8_t* block = Allocate<std::uint8_t>(bytes);
    if (!block)
    {
        VLib::LogError(SourceFile, function, 139, OutOfMemory);
        stream.Close();
        return MeshOutOfMemory;
    }

    const int readStatus = stream.Read(block, bytes);
    if (readStatus != VLib::FStreamOk)
    {
        VLib::LogFailedCall(SourceFile, function, 145, L"FStream::Read()", readStatus);
        Free(block);
        stream.Close();
        return MeshLoadFailed;
    }
    stream.Close();
    image = block;
    imageSize = bytes;
    return MeshOk;
}

int Mesh_SDKMesh::LoadMainHeader(const std::uint8_t* image, std::uint32_t imageSize)
{
    const wchar_t* const function = L"Mesh_SDKMesh::LoadMainHeader";
    switch (SdkMeshFormat::ReadMainHeader(image, imageSize, Header))
    {
    case SdkMeshFormat::HeaderOk:
        return MeshOk;
    case SdkMeshFormat::HeaderCopyFailed:
        VLib::LogError(SourceFile, function, 159, L"Failed to copy main header data");
        return MeshCopyFailed;
    case SdkMeshFormat::HeaderBadVersion:
        VLib::LogError(SourceFile, function, 165,
                       L"Invalid version: " + VLib::UIntToWString(Header.Version) +
                           L". Supported version is " +
                           VLib::IntToWString(SdkMeshFormat::SupportedVersion));
        return MeshBadVersion;
    case SdkMeshFormat::HeaderBigEndian:
    default:
        VLib::LogError(SourceFile, function, 171, L"Big endian is not supported");
        return MeshBigEndian;
    }
}

int Mesh_SDKMesh::LoadVertexBuffersHeaders(const std::uint8_t* image, std::uint32_t imageSize)
{
    return LoadTable(image, imageSize, Header.VertexBufferCount, Header.VertexBufferHeadersOffset,
                     VertexBufferHeaders, L"Mesh_SDKMesh::LoadVertexBuffersHeaders", 183, 189,
                     L"Failed to copy vertex buffers headers data");
}

int Mesh_SDKMesh::LoadIndexBuffersHeaders(const std::uint8_t* image, std::uint32_t imageSize)
{
    return LoadTable(image, imageSize, Header.IndexBufferCount, Header.IndexBufferHeadersOffset,
                     IndexBufferHeaders, L"Mesh_SDKMesh::LoadIndexBuffersHeaders", 201, 207,
                     L"Failed to copy index buffers headers data");
}

int Mesh_SDKMesh::LoadMeshInfo(const std::uint8_t* image, std::uint32_t imageSize)
{
    return LoadTable(image, imageSize, Header.MeshCount, Header.MeshInfosOffset, MeshInfos,
                     L"Mesh_SDKMesh::LoadMeshInfo", 219, 225, L"Failed to copy MeshInfo data");
}

int Mesh_SDKMesh::LoadSubsets(const std::uint8_t* image, std::uint32_t imageSize)
{
    return LoadTable(image, imageSize, Header.TotalSubsetCount, Header.SubsetsOffset, Subsets,
                     L"Mesh_SDKMesh::LoadSubsets", 237, 243, L"Failed to copy subsets data");
}

int Mesh_SDKMesh::LoadFrames(const std::uint8_t* image, std::uint32_t imageSize)
{
    return LoadTable(image, imageSize, Header.FrameRecordCount, Header.FramesOffset, Frames,
                     L"Mesh_SDKMesh::LoadFrames", 255, 261, L"Failed to copy frames data");
}

int Mesh_SDKMesh::LoadMaterials(const std::uint8_t* image, std::uint32_t imageSize)
{
    return LoadTable(image, imageSize, Header.MaterialCount, Header.MaterialsOffset, MaterialRecords,
                     L"Mesh_SDKMesh::LoadMaterials", 273, 279, L"Failed to copy materials data");
}

int Mesh_SDKMesh::LoadVertexBuffers(const std::uint8_t* image, std::uint32_t imageSize)
{
    const VertexBufferHeader* headers = VertexBufferHeaders;
    return LoadBlocks(
        image, imageSize, Header.VertexBufferCount, VertexData,
        [headers](std::uint32_t i) {
            return BlockPlace{Low32(headers[i].SizeBytes), headers[i].DataOffset};
        },
        L"Mesh_SDKMesh::LoadVertexBuffers", 291, 303, 309, L"Failed to copy vertex buffer data");
}

int Mesh_SDKMesh::LoadIndexBuffers(const std::uint8_t* image, std::uint32_t imageSize)
{
    const IndexBufferHeader* headers = IndexBufferHeaders;
    return LoadBlocks(
        image, imageSize, Header.IndexBufferCount, IndexData,
        [headers](std::uint32_t i) {
            return BlockPlace{Low32(headers[i].SizeBytes), headers[i].DataOffset};
        },
        L"Mesh_SDKMesh::LoadIndexBuffers", 322, 334, 340, L"Failed to copy index buffer data");
}

int Mesh_SDKMesh::LoadMeshesSubsets(const std::uint8_t* image, std::uint32_t imageSize)
{
    const MeshInfo* meshes = MeshInfos;
    return LoadBlocks(
        image, imageSize, Header.MeshCount, MeshSubsetLists,
        [meshes](std::uint32_t i) {
            return BlockPlace{std::uint64_t(meshes[i].SubsetCount) * 4, meshes[i].SubsetListOffset};
        },
        L"Mesh_SDKMesh::LoadMeshesSubsets", 353, 365, 371, L"Failed to copy mesh subsets data");
}

int Mesh_SDKMesh::LoadMeshesFrameInfluences(const std::uint8_t* image, std::uint32_t imageSize)
{
    const MeshInfo* meshes = MeshInfos;
    return LoadBlocks(
        image, imageSize, Header.MeshCount, MeshFrameInfluenceLists,
        [meshes](std::uint32_t i) {
            return BlockPlace{std::uint64_t(meshes[i].FrameInfluenceCount) * 4,
                              meshes[i].FrameInfluenceListOffset};
        },
        L"Mesh_SDKMesh::LoadMeshesFrameInfluences", 384, 396, 402,
        L"Failed to copy frame influences data");
}

int Mesh_SDKMesh::SetMesh(IDirect3DDevice9* device)
{
    const wchar_t* const function = L"Mesh_SDKMesh::SetMesh";

    // Refuse what would make D3DX or this code read outside a table, before anything is created.
    // The section steps leave every table allocated, empty ones included.
    const bool loaded = VertexBufferHeaders && IndexBufferHeaders && MeshInfos && Subsets && MaterialRecords &&
                        VertexData && IndexData && MeshSubsetLists;
    const std::uint32_t* subsetList = (loaded && Header.MeshCount > 0) ? MeshSubsetLists[0] : nullptr;
    switch (loaded ? SdkMeshFormat::CheckMesh0(Header, MeshInfos, VertexBufferHeaders, Subsets, subsetList)
                   : SdkMeshFormat::MeshCheckNoMesh)
    {
    case SdkMeshFormat::MeshCheckOk:
        break;
    case SdkMeshFormat::MeshCheckNoMesh:
        VLib::LogError(SourceFile, function, __LINE__, L"Failed to copy MeshInfo data");
        return MeshCopyFailed;
    case SdkMeshFormat::MeshCheckVertexBufferOutside:
        VLib::LogError(SourceFile, function, __LINE__, L"Failed to copy vertex buffer data");
        return MeshCopyFailed;
    case SdkMeshFormat::MeshCheckIndexBufferOutside:
        VLib::LogError(SourceFile, function, __LINE__, L"Failed to copy index buffer data");
        return MeshCopyFailed;
    case SdkMeshFormat::MeshCheckBadDeclaration:
        VLib::LogError(SourceFile, function, __LINE__, L"Failed to copy vertices to Vertex Buffer");
        return MeshCopyFailed;
    case SdkMeshFormat::MeshCheckSubsetOutside:
        VLib::LogError(SourceFile, function, __LINE__, L"Failed to copy subsets data");
        return MeshCopyFailed;
    case SdkMeshFormat::MeshCheckMaterialOutside:
    default:
        VLib::LogError(SourceFile, function, __LINE__, L"Failed to copy materials data");
        return MeshCopyFailed;
    }

    const MeshInfo& mesh = MeshInfos[0];
    const VertexBufferHeader& vb = VertexBufferHeaders[mesh.FirstVertexBuffer];
    const IndexBufferHeader& ib = IndexBufferHeaders[mesh.IndexBuffer];
    const std::uint32_t faceCount = Low32(ib.IndexCount) / 3;
    const std::uint32_t vertexCount = Low32(vb.VertexCount);
    DWORD options = D3DXMESH_MANAGED;
    if (ib.IndexType != 0)
        options |= D3DXMESH_32BIT;

    D3DXMesh = nullptr;
    const HRESULT created = D3DXCreateMesh(faceCount, vertexCount, options,
                                           reinterpret_cast<const D3DVERTEXELEMENT9*>(vb.Declaration),
                                           device, &D3DXMesh);
    if (created != 0)
    {
        VLib::LogFailedCall(SourceFile, function, 422, L"D3DXCreateMesh()", created);
        return MeshCreateFailed;
    }

    std::uint32_t usableVertices = 0;
    int status = CopyVertices(vb, VertexData[mesh.FirstVertexBuffer], usableVertices);
    if (status == MeshOk)
        status = CopyIndices(ib, IndexData[mesh.IndexBuffer], faceCount,
                             usableVertices < vertexCount ? usableVertices : vertexCount);
    if (status == MeshOk)
        status = TagAttributes(faceCount);
    if (status != MeshOk)
        return status;

    DWORD* adjacency = nullptr;
    status = GenerateAdjacencies(adjacency);
    if (status == MeshOk)
        status = ConvertToStaticMesh(adjacency, device);
    delete[] adjacency;
    if (status != MeshOk)
        return status;

    return SetMaterials(device);
}

int Mesh_SDKMesh::CopyVertices(const VertexBufferHeader& vb, const std::uint8_t* data,
                               std::uint32_t& usableVertices)
{
    usableVertices = 0;
    const wchar_t* const function = L"Mesh_SDKMesh::SetMesh";
    void* vertices = nullptr;
    const HRESULT locked = D3DXMesh->LockVertexBuffer(0, &vertices);
    if (FAILED(locked))
    {
        VLib::LogFailedCall(SourceFile, function, 431, L"LockVertexBuffer()", locked);
        return MeshLockVertexBufferFailed;
    }

    IDirect3DVertexBuffer9* buffer = nullptr;
    if (FAILED(D3DXMesh->GetVertexBuffer(&buffer)))
        buffer = nullptr;
    bool known = false;
    const std::uint64_t room = BufferBytes(
        buffer, std::uint64_t(D3DXMesh->GetNumVertices()) * D3DXMesh->GetNumBytesPerVertex(), known);
    const std::uint32_t bytes = Low32(vb.SizeBytes);
    if (bytes > room || !vertices)
    {
        D3DXMesh->UnlockVertexBuffer();
        VLib::LogError(SourceFile, function, 439, L"Failed to copy vertices to Vertex Buffer");
        return MeshCopyFailed;
    }
    if (bytes > 0)
        std::memcpy(vertices, data, bytes);
    // Vertices the file leaves out are zero, not whatever the new buffer held.
    if (known)
        std::memset(static_cast<std::uint8_t*>(vertices) + bytes, 0, static_cast<std::size_t>(room - bytes));
    const DWORD stride = D3DXMesh->GetNumBytesPerVertex();
    if (stride > 0)
        usableVertices = static_cast<std::uint32_t>(room / stride);
    D3DXMesh->UnlockVertexBuffer();
    return MeshOk;
}

int Mesh_SDKMesh::CopyIndices(const IndexBufferHeader& ib, const std::uint8_t* data,
                              std::uint32_t faceCount, std::uint32_t vertexCount)
{
    const wchar_t* const function = L"Mesh_SDKMesh::SetMesh";
    void* indices = nullptr;
    const HRESULT locked = D3DXMesh->LockIndexBuffer(0, &indices);
    if (FAILED(locked))
    {
        VLib::LogFailedCall(SourceFile, function, 449, L"LockIndexBuffer()", locked);
        return MeshLockIndexBufferFailed;
    }

    const bool wide = ib.IndexType != 0;
    const std::uint64_t implied = std::uint64_t(faceCount) * 3 * (wide ? 4 : 2);
    IDirect3DIndexBuffer9* buffer = nullptr;
    if (FAILED(D3DXMesh->GetIndexBuffer(&buffer)))
        buffer = nullptr;
    bool known = false;
    const std::uint64_t room = BufferBytes(buffer, implied, known);
    const std::uint32_t bytes = Low32(ib.SizeBytes);
    if (bytes > room || !indices)
    {
        D3DXMesh->UnlockIndexBuffer();
        VLib::LogError(SourceFile, function, 457, L"Failed to copy indices to Index Buffer");
        return MeshCopyFailed;
    }
    if (bytes > 0)
        std::memcpy(indices, data, bytes);
    if (known)
        std::memset(static_cast<std::uint8_t*>(indices) + bytes, 0, static_cast<std::size_t>(room - bytes));

    // An index past the last vertex the buffer really holds would make D3DX read outside it later.
    const bool whole = room == implied;
    if (!whole || !SdkMeshFormat::IndicesInRange(indices, wide, faceCount * 3, vertexCount))
    {
        D3DXMesh->UnlockIndexBuffer();
        VLib::LogError(SourceFile, function, __LINE__, L"Failed to copy indices to Index Buffer");
        return MeshCopyFailed;
    }
    D3DXMesh->UnlockIndexBuffer();
    return MeshOk;
}

int Mesh_SDKMesh::TagAttributes(std::uint32_t faceCount)
{
    DWORD* attributes = nullptr;
    const HRESULT locked = D3DXMesh->LockAttributeBuffer(0, &attributes);
    if (FAILED(locked) || !attributes)
    {
        VLib::LogFailedCall(SourceFile, L"Mesh_SDKMesh::SetMesh", 467, L"LockAttributeBuffer()",
                            FAILED(locked) ? locked : E_POINTER);
        if (SUCCEEDED(locked))
            D3DXMesh->UnlockAttributeBuffer();
        return MeshLockAttributeBufferFailed;
    }
    // Subsets asking for more faces than the mesh has are cut at its last face.
    const MeshInfo& mesh = MeshInfos[0];
    static_assert(sizeof(DWORD) == sizeof(std::uint32_t), "attribute ids are 32-bit");
    SdkMeshFormat::TagFaces(reinterpret_cast<std::uint32_t*>(attributes), faceCount, MeshSubsetLists[0],
                            mesh.SubsetCount, Subsets);
    D3DXMesh->UnlockAttributeBuffer();
    return MeshOk;
}

int Mesh_SDKMesh::SetMaterials(IDirect3DDevice9* device)
{
    const MeshInfo& mesh = MeshInfos[0];
    Materials.assign(mesh.SubsetCount, D3DMATERIAL9());
    static_assert(sizeof(D3DMATERIAL9) == sizeof(MaterialRecord::MaterialColors), "68-byte material");
    char name[SdkMeshFormat::TextureNameSize + 1];
    for (std::uint32_t k = 0; k < mesh.SubsetCount; ++k)
    {
        const SubsetRecord& subset = Subsets[MeshSubsetLists[0][k]];
        const MaterialRecord& record = MaterialRecords[subset.MaterialId];
        std::memcpy(&Materials[k], record.MaterialColors, sizeof(D3DMATERIAL9));

        const char (*const textures[3])[SdkMeshFormat::TextureNameSize] = {
            &record.DiffuseTexture, &record.SpecularTexture, &record.NormalTexture};
        for (const auto* texture : textures)
        {
            SdkMeshFormat::TextureName(*texture, name);
            const int status = AddTexture(name, TextureDir.c_str(), device);
            if (status != MeshOk && status != MeshFileNotFound)
                return status;
        }
    }
    return MeshOk;
}

void Mesh_SDKMesh::FreeTables()
{
    FreeBlocks(VertexData, Header.VertexBufferCount);
    FreeBlocks(IndexData, Header.IndexBufferCount);
    FreeBlocks(MeshSubsetLists, Header.MeshCount);
    FreeBlocks(MeshFrameInfluenceLists, Header.MeshCount);
    FreeTable(VertexBufferHeaders);
    FreeTable(IndexBufferHeaders);
    FreeTable(MeshInfos);
    FreeTable(Subsets);
    FreeTable(Frames);
    FreeTable(MaterialRecords);
}

void Mesh_SDKMesh::ReleaseMesh()
{
    FreeTables();
    std::memset(&Header, 0, sizeof(Header));
    Mesh::ReleaseMesh();
}
