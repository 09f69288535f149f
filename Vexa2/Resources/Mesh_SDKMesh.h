#pragma once
// Mesh_SDKMesh: a Mesh read from an .sdkmesh file by our own parser. Every table, list and data
// block of the file is copied into storage the mesh owns; the first mesh record becomes the D3DX
// mesh, created with the file's own vertex declaration and then brought to the static layout.
#include "Mesh.h"
#include "SdkMeshFormat.h"

#include <cstdint>
#include <string>

// The tables it copies out of the file are its fields (SdkMeshFormat::Tables: Header,
// VertexBufferHeaders, ..., MeshFrameInfluenceLists).
class Mesh_SDKMesh : public Mesh, public SdkMeshFormat::Tables
{
public:
    Mesh_SDKMesh();
    // Frees the copied tables; device objects must have gone with ReleaseMesh before.
    ~Mesh_SDKMesh();
    Mesh_SDKMesh(const Mesh_SDKMesh&) = delete;
    Mesh_SDKMesh& operator=(const Mesh_SDKMesh&) = delete;

    int LoadMesh(const std::wstring& fileName, IDirect3DDevice9* device) override;
    void ReleaseMesh() override;

    // The steps of LoadMesh. The image is the whole file, imageSize bytes; LoadData hands out a
    // block from ::operator new[] that the caller frees with ::operator delete[] and keeps nothing
    // in the mesh.
    int LoadData(const std::wstring& fileName, std::uint8_t*& image, std::uint32_t& imageSize);
    // LoadMainHeader, then the ten section steps in load order, up to the first that fails.
    // A mesh that holds a load lets all of it go first.
    int LoadSections(const std::uint8_t* image, std::uint32_t imageSize);
    // Builds mesh 0 of the tables; the D3DX mesh, materials and textures of an earlier build go
    // first.
    int SetMesh(IDirect3DDevice9* device);

    std::string TextureDir;

private:
    enum BufferKind
    {
        VertexBufferKind,
        IndexBufferKind
    };
    int CheckMeshZero();
    int CopyToBuffer(BufferKind kind, const std::uint8_t* data, std::uint32_t bytes, HRESULT& locked);
    HRESULT TagAttributes(std::uint32_t faceCount);
    int SetMaterials(IDirect3DDevice9* device);
};
