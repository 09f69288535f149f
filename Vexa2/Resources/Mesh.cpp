#include "Mesh.h"

#include "MeshOptimizer.h"
#include "VLib/vLogger.h"

#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <string>

namespace
{
const wchar_t* const SourceFile = L".\\Mesh";

// Two vertex positions closer than this are one position for adjacency.
const float AdjacencyEpsilon = 1e-6f;

// The one vertex layout of every loaded mesh: position, normal, one texture coordinate.
const D3DVERTEXELEMENT9 StaticDeclaration[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};
} // namespace

Mesh::Mesh() : D3DXMesh(nullptr)
{
    D3DXMatrixIdentity(&World);
}

DWORD* Mesh::NewAdjacency(DWORD faceCount)
{
    // D3DX hands adjacency over in buffers of 32-bit sizes, so an array that does not fit in 32
    // bits of bytes is refused like any failed allocation, on every platform.
    const std::uint64_t bytes = static_cast<std::uint64_t>(faceCount) * 3 * sizeof(DWORD);
    if (bytes > 0xFFFFFFFFu)
        return nullptr;
    return new (std::nothrow) DWORD[static_cast<std::size_t>(faceCount) * 3];
}

bool Mesh::Narrow(const std::wstring& wide, std::size_t length, std::string& narrow)
{
    try
    {
        narrow.assign(length, '\0');
    }
    catch (const std::exception&)
    {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i)
        narrow[i] = static_cast<char>(wide[i] & 0xFF);
    return true;
}

bool Mesh::SizeLists(std::size_t materialCount, std::size_t texturesPerMaterial)
{
    if (texturesPerMaterial != 0 && materialCount > (Textures.max_size() - Textures.size()) / texturesPerMaterial)
        return false;
    try
    {
        Materials.resize(materialCount);
        Textures.reserve(Textures.size() + materialCount * texturesPerMaterial);
    }
    catch (const std::exception&)
    {
        return false;
    }
    return true;
}

int Mesh::GenerateAdjacencies(DWORD*& adjacency)
{
    const DWORD faceCount = D3DXMesh->GetNumFaces();

    adjacency = NewAdjacency(faceCount);
    if (!adjacency)
    {
        VLib::LogError(VLIB_HERE(L"Mesh::GenerateAdjacencies"), L"Not enough memory");
        return MeshNoMemory;
    }

    const HRESULT hr = D3DXMesh->GenerateAdjacency(AdjacencyEpsilon, adjacency);
    if (FAILED(hr))
    {
        VLib::LogFailedCall(VLIB_HERE(L"Mesh::GenerateAdjacencies"), L"GenerateAdjacency()", hr);
        return MeshAdjacencyFailed;
    }
    return MeshOk;
}

int Mesh::ConvertToStaticMesh(DWORD* adjacency, IDirect3DDevice9* device)
{
    ID3DXMesh* clone = nullptr;
    HRESULT hr = D3DXMesh->CloneMesh(D3DXMesh->GetOptions(), StaticDeclaration, device, &clone);
    if (FAILED(hr))
    {
        VLib::LogFailedCall(VLIB_HERE(L"Mesh::ConvertToStaticMesh"), L"CloneMeshFVF()", hr);
        return MeshCloneFailed;
    }
    D3DXMesh->Release();
    D3DXMesh = clone;

    hr = D3DXComputeNormals(D3DXMesh, adjacency);
    if (FAILED(hr))
    {
        VLib::LogFailedCall(VLIB_HERE(L"Mesh::ConvertToStaticMesh"), L"D3DXComputeNormals()", hr);
        return MeshNormalsFailed;
    }

    // An array built here for a caller that had none is ours to free.
    DWORD* optimizeAdjacency = adjacency;
    const int status = OptimizeForTriangleList(optimizeAdjacency);
    if (optimizeAdjacency != adjacency)
        delete[] optimizeAdjacency;
    return status;
}

int Mesh::OptimizeForTriangleList(DWORD*& adjacency)
{
    DWORD* generated = nullptr;
    if (!adjacency)
    {
        const int status = GenerateAdjacencies(adjacency);
        if (status != MeshOk)
            return status;
        generated = adjacency;
    }

    const HRESULT hr = D3DXMesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE, adjacency, adjacency, nullptr, nullptr);
    if (hr == E_NOTIMPL)
    {
        // This D3DX cannot order for the vertex cache: the same job by hand.
        MeshOptimizerFailure failure = {nullptr, S_OK};
        if (OptimizeMeshForVertexCache(D3DXMesh, adjacency, failure))
        {
            // A dropped array that was made here has no other owner.
            if (!adjacency)
                delete[] generated;
            return MeshOk;
        }
        if (!failure.Call)
            VLib::LogError(VLIB_HERE(L"Mesh::OptimizeForTriangleList"),
                           L"Cannot order the mesh for the vertex cache: bad indices or not enough memory");
        else
            VLib::LogFailedCall(VLIB_HERE(L"Mesh::OptimizeForTriangleList"), failure.Call, failure.Result);
        return MeshOptimizeFailed;
    }
    if (FAILED(hr))
    {
        VLib::LogFailedCall(VLIB_HERE(L"Mesh::OptimizeForTriangleList"), L"OptimizeInplace()", hr);
        return MeshOptimizeFailed;
    }
    return MeshOk;
}

void Mesh::PreLoad()
{
    if (!D3DXMesh)
        return;
    IDirect3DVertexBuffer9* vertices = nullptr;
    if (SUCCEEDED(D3DXMesh->GetVertexBuffer(&vertices)) && vertices)
    {
        vertices->PreLoad();
        vertices->Release();
    }
    IDirect3DIndexBuffer9* indices = nullptr;
    if (SUCCEEDED(D3DXMesh->GetIndexBuffer(&indices)) && indices)
    {
        indices->PreLoad();
        indices->Release();
    }
    for (IDirect3DTexture9* texture : Textures)
        if (texture)
            texture->PreLoad();
}

int Mesh::AddTexture(const char* fileName, const char* directory, IDirect3DDevice9* device)
{
    if (!fileName || !*fileName)
        return MeshOk;

    // The path and the texture's slot are had before the texture is: nothing after it can throw.
    std::string path;
    try
    {
        const char* const folder = directory ? directory : "";
        const std::size_t folderLength = std::strlen(folder), nameLength = std::strlen(fileName);
        path = std::string(folderLength + nameLength, '\0'); // one block of the exact length
        std::memcpy(&path[0], folder, folderLength);
        std::memcpy(&path[folderLength], fileName, nameLength);
        Textures.push_back(nullptr);
    }
    catch (const std::exception&)
    {
        VLib::LogError(VLIB_HERE(L"Mesh::AddTexture"), L"Not enough memory");
        return MeshNoMemory;
    }

    IDirect3DTexture9* texture = nullptr;
    const HRESULT hr = D3DXCreateTextureFromFileA(device, path.c_str(), &texture);
    if (SUCCEEDED(hr))
    {
        Textures.back() = texture;
        return MeshOk;
    }
    Textures.pop_back();
    if (texture) // not expected of a failed call, but never leak it
        texture->Release();

    if (hr == D3DXERR_INVALIDDATA)
    {
        VLib::LogError(VLIB_HERE(L"Mesh::AddTexture"), L" >> Cannot load texture from file: " +
                                                           VLib::AnsiToWString(path.c_str()) +
                                                           L". The is no such a file.");
        return MeshFileNotFound;
    }
    VLib::LogError(VLIB_HERE(L"Mesh::AddTexture"),
                   L" >> Cannot load texture from file: " + VLib::AnsiToWString(path.c_str()) +
                       L". Function \"D3DXCreateTextureFromFileA()\" returned an error code: " +
                       VLib::ErrorCodeToWString(hr));
    return MeshTextureFailed;
}

void Mesh::ReleaseMesh()
{
    if (D3DXMesh)
    {
        D3DXMesh->Release();
        D3DXMesh = nullptr;
    }
    for (IDirect3DTexture9* texture : Textures)
        if (texture)
            texture->Release();
    Textures.clear();
    Materials.clear();
}
