#pragma once
// Mesh: the base of the renderable meshes. Owns one D3DX mesh in the static vertex layout
// (position, normal, one texture coordinate; 32 bytes), its world matrix, materials and textures.
#include <d3d9.h>
#include <d3dx9.h>

#include <cstddef>
#include <string>
#include <vector>

// Status codes of every mesh operation (0 = success). 14 is not used.
enum MeshStatus : int
{
    MeshOk = 0,
    MeshNoMemory = 1, // an adjacency array, a texture path or a material list cannot be had
    MeshCloneFailed = 2,
    MeshAdjacencyFailed = 3,
    MeshNormalsFailed = 4,
    MeshOptimizeFailed = 5,
    MeshTextureFailed = 6,
    MeshFileNotFound = 7,
    MeshLoadFailed = 8,
    MeshFileTooBig = 9,
    MeshOutOfMemory = 10,
    MeshCopyFailed = 11,
    MeshBadVersion = 12,
    MeshBigEndian = 13,
    MeshCreateFailed = 15,
    MeshLockVertexBufferFailed = 16,
    MeshLockIndexBufferFailed = 17,
    MeshLockAttributeBufferFailed = 18,
};

class Mesh
{
public:
    Mesh();

    virtual int LoadMesh(const std::wstring& fileName, IDirect3DDevice9* device) = 0;
    // Releases what a load created; harmless on an empty mesh and when called twice.
    virtual void ReleaseMesh();

    // Allocates 3 DWORDs per face with new (std::nothrow); the caller delete[]s it.
    int GenerateAdjacencies(DWORD*& adjacency);
    int ConvertToStaticMesh(DWORD* adjacency, IDirect3DDevice9* device);
    // adjacency comes back null when it could not follow the new face order (no memory); an
    // array it had been given stays its giver's to free.
    int OptimizeForTriangleList(DWORD*& adjacency);
    int AddTexture(const char* fileName, const char* directory, IDirect3DDevice9* device);
    // Starts the upload of the buffers and textures of a loaded mesh. Managed resources are
    // otherwise uploaded by the first frame that draws them; started here, the device uploads
    // while the next asset loads.
    void PreLoad();

    ID3DXMesh* D3DXMesh;
    D3DXMATRIX World;
    std::vector<D3DMATERIAL9> Materials;
    std::vector<IDirect3DTexture9*> Textures;

protected:
    ~Mesh() = default; // meshes are never destroyed through the base

    // 3 DWORDs per face, or null when they cannot be had; freed with delete[].
    static DWORD* NewAdjacency(DWORD faceCount);
    // The first `length` characters of `wide`, each kept to its low 8 bits (texture folders are
    // handed to the ANSI texture loader); false when the text cannot be had.
    static bool Narrow(const std::wstring& wide, std::size_t length, std::string& narrow);
    // Sizes Materials to materialCount entries (new ones zero) and makes room for that many times
    // texturesPerMaterial more Textures, so that filling them cannot throw; false when the
    // memory cannot be had.
    bool SizeLists(std::size_t materialCount, std::size_t texturesPerMaterial);
};
