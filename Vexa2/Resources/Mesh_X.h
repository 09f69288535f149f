#pragma once
// Mesh_X: a Mesh loaded from a DirectX .x file through D3DX.
#include "Mesh.h"

class Mesh_X final : public Mesh
{
public:
    int LoadMesh(const std::wstring& fileName, IDirect3DDevice9* device) override;

    // Copies the adjacency D3DX returned, or builds it when there is none. Consumes (releases)
    // adjacencyBuffer; the caller delete[]s the array.
    int GetAdjacencies(DWORD*& adjacency, ID3DXBuffer* adjacencyBuffer);
    // Copies materialCount D3DXMATERIAL records into Materials and loads their textures from
    // folder (narrowed byte by byte). Consumes (releases) materialBuffer.
    int SetMaterials(IDirect3DDevice9* device, ID3DXBuffer* materialBuffer, DWORD materialCount,
                     const std::wstring& folder);
};
