#pragma once
// Spy: watches a few methods of live Direct3D / D3DX objects. The object gets a private copy of
// its method table with chosen entries replaced; the replacements record the call into the
// fakes' journal (Fake::Journal()) and either fail with a scripted result or forward to the
// real method.
// Tables are never handed back: an object keeps its copy until it is destroyed.
#include <d3d9.h>
#include <d3dx9.h>

#include "tests/fakes/FakeCom.h" // Fake::Journal(): "Device.DrawPrimitive 1 0 500", "Mesh2.DrawSubset 1", ...

#include <string>
#include <vector>

struct SpyScript
{
    // Non-zero: the method fails with this result instead of running.
    HRESULT CreateVertexBuffer = 0;
    HRESULT CreateVertexDeclaration = 0;
    HRESULT Lock = 0;
    HRESULT Unlock = 0;
};

struct SpyRecord
{
    SpyScript Script;
    // Arguments kept whole.
    std::vector<D3DVERTEXELEMENT9> Elements; // the last CreateVertexDeclaration's, up to the end marker
    IDirect3DVertexDeclaration9* LastDeclaration = nullptr;
    IDirect3DVertexBuffer9* LastVertexBuffer = nullptr;
};

// The record every spied object writes into; a test resets it.
SpyRecord& Spied();

// Watch CreateVertexBuffer (buffers are watched in turn: Lock and Unlock), CreateVertexDeclaration,
// SetVertexDeclaration, SetStreamSource and DrawPrimitive of a real device.
void SpyOnDevice(IDirect3DDevice9* device);
// Watch DrawSubset of a D3DX mesh; its calls read "<name>.DrawSubset <id>".
void SpyOnMesh(ID3DXMesh* mesh, const std::string& name);
