#pragma once
// Spy: watches a few calls of a live Direct3D device, of the vertex buffers it creates and of
// D3DX meshes through forwarding objects (Forwarding.h) put in front of the real ones. The
// watched methods record the call into the fakes' journal (Fake::Journal()) and either fail with
// a scripted result or forward to the real method; every other call goes straight through.
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
};

// The record every spied object writes into; a test resets it.
SpyRecord& Spied();

// A device that watches CreateVertexBuffer (its buffers watch Lock and Unlock),
// CreateVertexDeclaration, SetVertexDeclaration, SetStreamSource and DrawPrimitive of `device`.
// It takes over the caller's reference and is used in its place (one reference).
IDirect3DDevice9* SpyOnDevice(IDirect3DDevice9* device);
// A mesh that watches DrawSubset of `mesh`, written "<name>.DrawSubset <id>"; as SpyOnDevice.
ID3DXMesh* SpyOnMesh(ID3DXMesh* mesh, const std::string& name);
