#pragma once
// Effect: one compiled D3DX effect. The owner sets techniques and parameters on Fx directly,
// forwards device loss and reset to it, and releases it.
#include <d3d9.h>
#include <d3dx9.h>

#include <string>

class Mesh;

enum EffectStatus : int
{
    EffectOk = 0,
    EffectCompileErrors = 1,
    EffectFileNotFound = 2,
    EffectLoadFailed = 3,
};

class Effect
{
public:
    Effect();

    int LoadEffect(const std::wstring& fileName, IDirect3DDevice9* device);
    // Draws one subset once per pass of the current technique.
    void DrawMeshSubset(const Mesh& mesh, DWORD subset);

    ID3DXEffect* Fx;
};
