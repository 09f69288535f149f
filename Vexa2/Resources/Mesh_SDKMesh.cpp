#include "Mesh_SDKMesh.h"

#include "VLib/FStream/vFStream.h"
#include "VLib/vLogger.h"

#include <cstring>
#include <new>

namespace
{
const wchar_t* const SourceFile = L".\\Mesh_SDKMesh";
const wchar_t* const OutOfMemory = L"Out of memory";
const wchar_t* const Overlap = L"Blocks of the file overlap: more bytes to copy than the file holds";

using SdkMeshFormat::Low32;

// The section steps in SdkMeshFormat::Section order: the function field of their entries and the
// text of a block that lies outside the file.
struct SectionStep
{
    const wchar_t* Function;
    const wchar_t* CopyFailure;
};
const SectionStep SectionSteps[] = {
    {L"Mesh_SDKMesh::LoadVertexBuffersHeaders", L"Failed to copy vertex buffers headers data"},
    {L"Mesh_SDKMesh::LoadIndexBuffersHeaders", L"Failed to copy index buffers headers data"},
    {L"Mesh_SDKMesh::LoadMeshInfo", L"Failed to copy MeshInfo data"},
    {L"Mesh_SDKMesh::LoadSubsets", L"Failed to copy subsets data"},
    {L"Mesh_SDKMesh::LoadFrames", L"Failed to copy frames data"},
    {L"Mesh_SDKMesh::LoadMaterials", L"Failed to copy materials data"},
    {L"Mesh_SDKMesh::LoadVertexBuffers", L"Failed to copy vertex buffer data"},
    {L"Mesh_SDKMesh::LoadIndexBuffers", L"Failed to copy index buffer data"},
    {L"Mesh_SDKMesh::LoadMeshesSubsets", L"Failed to copy mesh subsets data"},
    {L"Mesh_SDKMesh::LoadMeshesFrameInfluences", L"Failed to copy frame influences data"},
};
static_assert(sizeof(SectionSteps) / sizeof(SectionSteps[0]) == SdkMeshFormat::SectionCount, "one per section");

// The entry and status of a refused header.
int ReportHeader(int code, const MainHeader& header)
{
    const wchar_t* const function = L"Mesh_SDKMesh::LoadMainHeader";
    switch (code)
    {
    case SdkMeshFormat::HeaderCopyFailed:
        VLib::LogError(VLIB_HERE(function), L"Failed to copy main header data");
        return MeshCopyFailed;
    case SdkMeshFormat::HeaderBadVersion:
        VLib::LogError(VLIB_HERE(function), L"Invalid version: " + VLib::UIntToWString(header.Version) +
                                                L". Supported version is " +
                                                VLib::IntToWString(SdkMeshFormat::SupportedVersion));
        return MeshBadVersion;
    case SdkMeshFormat::HeaderBigEndian:
    default:
        VLib::LogError(VLIB_HERE(function), L"Big endian is not supported");
        return MeshBigEndian;
    }
}

// The entry and status of a refused section: out of memory, the section's own copy-failure text
// when it lies outside the file, or the overlap text.
int ReportSection(int section, int fault)
{
    const SectionStep& step = SectionSteps[section];
    int status = MeshCopyFailed;
    const wchar_t* text = step.CopyFailure;
    switch (fault)
    {
    case SdkMeshFormat::SectionNoMemory:
    case SdkMeshFormat::SectionItemNoMemory:
        status = MeshOutOfMemory;
        text = OutOfMemory;
        break;
    case SdkMeshFormat::SectionOutside:
        break;
    case SdkMeshFormat::SectionOverlap:
    default:
        text = Overlap;
        break;
    }
    VLib::LogError(VLIB_HERE(step.Function), text);
    return status;
}

const wchar_t* MeshCheckText(SdkMeshFormat::MeshCheck check)
{
    switch (check)
    {
    case SdkMeshFormat::MeshCheckNoMesh:
        return L"The file holds no mesh";
    case SdkMeshFormat::MeshCheckVertexBufferOutside:
        return L"Mesh 0 names a vertex buffer that the file does not hold";
    case SdkMeshFormat::MeshCheckIndexBufferOutside:
        return L"Mesh 0 names an index buffer that the file does not hold";
    case SdkMeshFormat::MeshCheckBadDeclaration:
        return L"The vertex declaration has no end marker or an unknown element type";
    case SdkMeshFormat::MeshCheckSubsetOutside:
        return L"Mesh 0 lists a subset that the file does not hold";
    case SdkMeshFormat::MeshCheckMaterialOutside:
        return L"A subset of mesh 0 names a material that the file does not hold";
    case SdkMeshFormat::MeshCheckVertexDataShort:
        return L"The vertex data holds fewer bytes than its vertex count needs";
    case SdkMeshFormat::MeshCheckIndexDataShort:
        return L"The index data holds fewer bytes than its index count needs";
    case SdkMeshFormat::MeshCheckIndexOutside:
    default:
        return L"An index refers past the last vertex";
    }
}

// What a locked buffer really holds, never more than the mesh implies.
template <typename Desc, typename Buffer>
std::uint64_t BufferBytes(Buffer* buffer, std::uint64_t implied)
{
    if (!buffer)
        return implied;
    Desc desc;
    std::memset(&desc, 0, sizeof(desc));
    if (SUCCEEDED(buffer->GetDesc(&desc)) && desc.Size < implied)
        implied = desc.Size;
    buffer->Release(); // the reference GetVertexBuffer / GetIndexBuffer added
    return implied;
}
} // namespace

Mesh_SDKMesh::Mesh_SDKMesh()
{
}

Mesh_SDKMesh::~Mesh_SDKMesh()
{
    SdkMeshFormat::Free(*this);
}

int Mesh_SDKMesh::LoadMesh(const std::wstring& fileName, IDirect3DDevice9* device)
{
    // Texture names are relative to the mesh file's folder; only "\" separates.
    const std::size_t slash = fileName.rfind(L'\\');
    if (!Narrow(fileName, slash == std::wstring::npos ? 0 : slash + 1, TextureDir))
    {
        VLib::LogError(VLIB_HERE(L"Mesh_SDKMesh::LoadMesh"), OutOfMemory);
        ReleaseMesh();
        return MeshOutOfMemory;
    }

    std::uint8_t* image = nullptr;
    std::uint32_t imageSize = 0;
    int status = LoadData(fileName, image, imageSize);
    if (status != MeshOk)
    {
        ReleaseMesh();
        return status;
    }

    status = LoadSections(image, imageSize);
    ::operator delete[](image);

    if (status == MeshOk)
        status = SetMesh(device);
    if (status == MeshOk)
        PreLoad();
    else
        ReleaseMesh();
    return status;
}

int Mesh_SDKMesh::LoadSections(const std::uint8_t* image, std::uint32_t imageSize)
{
    // The D3DX mesh of an earlier load goes with the tables it was built from.
    ReleaseMesh();
    const SdkMeshFormat::ImageResult result = SdkMeshFormat::LoadTables(*this, image, imageSize);
    if (result.Stage == SdkMeshFormat::ImageHeader)
        return ReportHeader(result.Code, Header);
    if (result.Stage == SdkMeshFormat::ImageSection)
        return ReportSection(result.Section, result.Code);
    return MeshOk;
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
        VLib::LogFailedCall(VLIB_HERE(function), L"FStream::Open()", openStatus);
        return MeshLoadFailed;
    }

    // The stream keeps 32 bits of the size; ask the system for all 64.
    LARGE_INTEGER size;
    size.QuadPart = 0;
    if (!GetFileSizeEx(stream.m_handle, &size))
        size.QuadPart = stream.m_size;
    if (static_cast<std::uint64_t>(size.QuadPart) > 0xFFFFFFFFu)
    {
        VLib::LogError(VLIB_HERE(function), L"File is too big");
        stream.Close();
        return MeshFileTooBig;
    }

    const std::uint32_t bytes = static_cast<std::uint32_t>(size.QuadPart);
    std::uint8_t* block = static_cast<std::uint8_t*>(::operator new[](bytes, std::nothrow));
    if (!block)
    {
        VLib::LogError(VLIB_HERE(function), OutOfMemory);
        stream.Close();
        return MeshOutOfMemory;
    }

    const int readStatus = stream.Read(block, bytes);
    if (readStatus != VLib::FStreamOk)
    {
        VLib::LogFailedCall(VLIB_HERE(function), L"FStream::Read()", readStatus);
        ::operator delete[](block);
        stream.Close();
        return MeshLoadFailed;
    }
    stream.Close();
    image = block;
    imageSize = bytes;
    return MeshOk;
}

int Mesh_SDKMesh::SetMesh(IDirect3DDevice9* device)
{
    const wchar_t* const function = L"Mesh_SDKMesh::SetMesh";
    Mesh::ReleaseMesh();
    int status = CheckMeshZero();
    if (status != MeshOk)
        return status;

    const MeshInfo& mesh = MeshInfos[0];
    const VertexBufferHeader& vb = VertexBufferHeaders[mesh.FirstVertexBuffer];
    const IndexBufferHeader& ib = IndexBufferHeaders[mesh.IndexBuffer];
    const std::uint32_t faceCount = Low32(ib.IndexCount) / 3;
    const DWORD options = D3DXMESH_MANAGED | (ib.IndexType != 0 ? D3DXMESH_32BIT : 0);
    const HRESULT created =
        D3DXCreateMesh(faceCount, Low32(vb.VertexCount), options,
                       reinterpret_cast<const D3DVERTEXELEMENT9*>(vb.Declaration), device, &D3DXMesh);
    if (created != 0)
    {
        VLib::LogFailedCall(VLIB_HERE(function), L"D3DXCreateMesh()", created);
        return MeshCreateFailed;
    }

    HRESULT locked = S_OK;
    status = CopyToBuffer(VertexBufferKind, VertexData[mesh.FirstVertexBuffer], Low32(vb.SizeBytes), locked);
    if (status == MeshLockVertexBufferFailed)
        VLib::LogFailedCall(VLIB_HERE(function), L"LockVertexBuffer()", locked);
    else if (status == MeshCopyFailed)
        VLib::LogError(VLIB_HERE(function), L"Failed to copy vertices to Vertex Buffer");
    if (status != MeshOk)
        return status;
    status = CopyToBuffer(IndexBufferKind, IndexData[mesh.IndexBuffer], Low32(ib.SizeBytes), locked);
    if (status == MeshLockIndexBufferFailed)
        VLib::LogFailedCall(VLIB_HERE(function), L"LockIndexBuffer()", locked);
    else if (status == MeshCopyFailed)
        VLib::LogError(VLIB_HERE(function), L"Failed to copy indices to Index Buffer");
    if (status != MeshOk)
        return status;
    locked = TagAttributes(faceCount);
    if (FAILED(locked))
    {
        VLib::LogFailedCall(VLIB_HERE(function), L"LockAttributeBuffer()", locked);
        return MeshLockAttributeBufferFailed;
    }

    DWORD* adjacency = nullptr;
    status = GenerateAdjacencies(adjacency);
    if (status == MeshOk)
        status = ConvertToStaticMesh(adjacency, device);
    delete[] adjacency;
    if (status != MeshOk)
        return status;
    return SetMaterials(device);
}

// Refuses what would make D3DX or this code read outside a table, or build mesh 0 from more
// vertices or indices than the file supplies, before anything is created.
int Mesh_SDKMesh::CheckMeshZero()
{
    const SdkMeshFormat::MeshCheck check = SdkMeshFormat::CheckMesh0(*this);
    if (check == SdkMeshFormat::MeshCheckOk)
        return MeshOk;
    VLib::LogError(VLIB_HERE(L"Mesh_SDKMesh::CheckMeshZero"), MeshCheckText(check));
    return MeshCopyFailed;
}

// Copies file data into the vertex or index buffer of the D3DX mesh, unchanged: all of the
// buffer or nothing. The check of mesh 0 made the data as long as the counts need; here it must
// also be no longer than what the buffer holds.
int Mesh_SDKMesh::CopyToBuffer(BufferKind kind, const std::uint8_t* data, std::uint32_t bytes, HRESULT& locked)
{
    const bool vertices = kind == VertexBufferKind;
    void* target = nullptr;
    locked = vertices ? D3DXMesh->LockVertexBuffer(0, &target) : D3DXMesh->LockIndexBuffer(0, &target);
    if (FAILED(locked))
        return vertices ? MeshLockVertexBufferFailed : MeshLockIndexBufferFailed;

    std::uint64_t room = 0;
    if (vertices)
    {
        IDirect3DVertexBuffer9* buffer = nullptr;
        if (FAILED(D3DXMesh->GetVertexBuffer(&buffer)))
            buffer = nullptr;
        room = BufferBytes<D3DVERTEXBUFFER_DESC>(buffer, std::uint64_t(D3DXMesh->GetNumVertices()) *
                                                             D3DXMesh->GetNumBytesPerVertex());
    }
    else
    {
        IDirect3DIndexBuffer9* buffer = nullptr;
        if (FAILED(D3DXMesh->GetIndexBuffer(&buffer)))
            buffer = nullptr;
        const bool wide = (D3DXMesh->GetOptions() & D3DXMESH_32BIT) != 0;
        room = BufferBytes<D3DINDEXBUFFER_DESC>(buffer, std::uint64_t(D3DXMesh->GetNumFaces()) * 3 * (wide ? 4 : 2));
    }
    const bool fits = target && bytes == room;
    if (fits && bytes > 0)
        std::memcpy(target, data, bytes);
    if (vertices)
        D3DXMesh->UnlockVertexBuffer();
    else
        D3DXMesh->UnlockIndexBuffer();
    return fits ? MeshOk : MeshCopyFailed;
}

// Subsets asking for more faces than the mesh has are cut at its last face.
HRESULT Mesh_SDKMesh::TagAttributes(std::uint32_t faceCount)
{
    DWORD* attributes = nullptr;
    const HRESULT locked = D3DXMesh->LockAttributeBuffer(0, &attributes);
    if (FAILED(locked))
        return locked;
    if (!attributes)
    {
        D3DXMesh->UnlockAttributeBuffer();
        return E_POINTER;
    }
    static_assert(sizeof(DWORD) == sizeof(std::uint32_t), "attribute ids are 32-bit");
    SdkMeshFormat::TagFaces(reinterpret_cast<std::uint32_t*>(attributes), faceCount, MeshSubsetLists[0],
                            MeshInfos[0].SubsetCount, Subsets);
    D3DXMesh->UnlockAttributeBuffer();
    return S_OK;
}

int Mesh_SDKMesh::SetMaterials(IDirect3DDevice9* device)
{
    const std::uint32_t subsetCount = MeshInfos[0].SubsetCount;
    // Sized from the file: had up front, so that no later step can throw.
    if (!SizeLists(subsetCount, SdkMeshFormat::MaterialTextureCount))
    {
        VLib::LogError(VLIB_HERE(L"Mesh_SDKMesh::SetMaterials"), OutOfMemory);
        return MeshOutOfMemory;
    }
    static_assert(sizeof(D3DMATERIAL9) == sizeof(MaterialRecord::MaterialColors), "68-byte material");
    char names[SdkMeshFormat::MaterialTextureCount][SdkMeshFormat::TextureNameSize + 1];
    for (std::uint32_t k = 0; k < subsetCount; ++k)
    {
        const MaterialRecord& record = SdkMeshFormat::Mesh0Material(*this, k);
        std::memcpy(&Materials[k], record.MaterialColors, sizeof(D3DMATERIAL9));
        SdkMeshFormat::TextureNames(record, names);
        for (const char* name : names)
        {
            const int status = AddTexture(name, TextureDir.c_str(), device);
            if (status != MeshOk && status != MeshFileNotFound)
                return status;
        }
    }
    return MeshOk;
}

void Mesh_SDKMesh::ReleaseMesh()
{
    SdkMeshFormat::Free(*this);
    Mesh::ReleaseMesh();
}
