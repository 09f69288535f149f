#include "Mesh_X.h"

#include "VLib/vLogger.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace
{
const wchar_t* const SourceFile = L".\\Mesh_X";

// What .x loading reports for a missing file on Windows.
const HRESULT FileNotFound = static_cast<HRESULT>(0x88760389);

// Wine's D3DX reports a missing file as D3DXERR_INVALIDDATA; asking the file system after a
// failed load reports it as the missing file it is, as on Windows.
bool IsMissingFile(HRESULT hr, const std::wstring& fileName)
{
    return hr == FileNotFound || GetFileAttributesW(fileName.c_str()) == INVALID_FILE_ATTRIBUTES;
}

void ReleaseBuffer(ID3DXBuffer* buffer)
{
    if (buffer)
        buffer->Release();
}
} // namespace

int Mesh_X::LoadMesh(const std::wstring& fileName, IDirect3DDevice9* device)
{
    ID3DXBuffer* adjacencyBuffer = nullptr;
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD materialCount = 0;
    ID3DXMesh* mesh = nullptr;
    const HRESULT hr = D3DXLoadMeshFromXW(fileName.c_str(), D3DXMESH_MANAGED, device, &adjacencyBuffer, &materialBuffer,
                                          nullptr, &materialCount, &mesh);
    if (hr != S_OK)
    {
        // A failed load owns nothing, whatever the outputs say.
        if (IsMissingFile(hr, fileName))
        {
            VLib::LogError(VLIB_HERE(L"Mesh_X::LoadMesh"), L"File not found :" + fileName);
            return MeshFileNotFound;
        }
        VLib::LogFailedCall(VLIB_HERE(L"Mesh_X::LoadMesh"), L"D3DXLoadMeshFromX", hr);
        return MeshLoadFailed;
    }
    D3DXMesh = mesh;

    DWORD* adjacency = nullptr;
    int status = GetAdjacencies(adjacency, adjacencyBuffer);
    if (status != MeshOk)
    {
        delete[] adjacency;
        ReleaseBuffer(materialBuffer);
        ReleaseMesh();
        return status;
    }

    status = ConvertToStaticMesh(adjacency, device);
    delete[] adjacency;
    if (status != MeshOk)
    {
        ReleaseBuffer(materialBuffer);
        ReleaseMesh();
        return status;
    }

    // Textures are looked for beside the file; only a backslash separates folders here.
    const std::wstring::size_type separator = fileName.rfind(L'\\');
    const std::wstring folder = separator == std::wstring::npos ? std::wstring() : fileName.substr(0, separator + 1);

    status = SetMaterials(device, materialBuffer, materialCount, folder);
    if (status != MeshOk)
    {
        ReleaseMesh();
        return status;
    }
    PreLoad();
    return MeshOk;
}

int Mesh_X::GetAdjacencies(DWORD*& adjacency, ID3DXBuffer* adjacencyBuffer)
{
    adjacency = nullptr;
    if (!adjacencyBuffer || adjacencyBuffer->GetBufferSize() == 0)
    {
        ReleaseBuffer(adjacencyBuffer);
        return GenerateAdjacencies(adjacency);
    }

    const DWORD faceCount = D3DXMesh->GetNumFaces();
    adjacency = NewAdjacency(faceCount);
    if (!adjacency)
    {
        VLib::LogError(VLIB_HERE(L"Mesh_X::GetAdjacencies"), L"Out of memory");
        adjacencyBuffer->Release();
        return MeshNoMemory;
    }

    const DWORD bytes = faceCount * 3 * sizeof(DWORD); // fits: the block was allocated
    DWORD copyBytes = adjacencyBuffer->GetBufferSize();
    if (copyBytes > bytes)
        copyBytes = bytes;
    std::memcpy(adjacency, adjacencyBuffer->GetBufferPointer(), copyBytes);
    // A short buffer leaves no entry undefined: the rest are open edges.
    for (std::uint64_t offset = copyBytes; offset + sizeof(DWORD) <= bytes; offset += sizeof(DWORD))
        adjacency[offset / sizeof(DWORD)] = 0xFFFFFFFF;
    adjacencyBuffer->Release();
    return MeshOk;
}

int Mesh_X::SetMaterials(IDirect3DDevice9* device, ID3DXBuffer* materialBuffer, DWORD materialCount,
                         const std::wstring& folder)
{
    if (!materialBuffer || materialBuffer->GetBufferSize() == 0)
    {
        ReleaseBuffer(materialBuffer);
        return MeshOk;
    }

    std::string narrowFolder;
    if (!SizeLists(materialCount, 1) || !Narrow(folder, folder.size(), narrowFolder))
    {
        VLib::LogError(VLIB_HERE(L"Mesh_X::SetMaterials"), L"Not enough memory");
        materialBuffer->Release();
        return MeshNoMemory;
    }

    const D3DXMATERIAL* materials = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
    for (DWORD i = 0; i < materialCount; ++i)
    {
        Materials[i] = materials[i].MatD3D;
        const int status = AddTexture(materials[i].pTextureFilename, narrowFolder.c_str(), device);
        if (status != MeshOk && status != MeshFileNotFound)
        {
            materialBuffer->Release();
            return status;
        }
    }
    materialBuffer->Release();
    return MeshOk;
}
