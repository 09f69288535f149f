#pragma once
// Vertex-cache ordering of a D3DX mesh done by hand, for a D3DX whose OptimizeInplace
// does not implement D3DXMESHOPT_VERTEXCACHE (E_NOTIMPL under Wine).
#include <d3d9.h>
#include <d3dx9.h>

struct MeshOptimizerFailure
{
    const wchar_t* Call; // the call that failed, as it reads in a log entry; null when no
                         // platform call failed (an index out of range, or no memory)
    HRESULT Result;      // that call's result
};

// Sorts the faces by attribute id, orders them for the vertex cache, renumbers the vertices by
// first use, rewrites the index, vertex and attribute buffers, the adjacency array (3 per face)
// and installs one attribute range per attribute id. Returns false and fills failure when it
// could not; the mesh is unchanged unless the final SetAttributeTable was the failing call.
// When there is no memory to rewrite the adjacency array, the mesh is ordered all the same and
// adjacency is set to null: the array, still in the old face order, is dropped, not freed.
bool OptimizeMeshForVertexCache(ID3DXMesh* mesh, DWORD*& adjacency, MeshOptimizerFailure& failure);
