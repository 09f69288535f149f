#pragma once
// ParticleManager: a fountain of point sprites animated on the GPU. The CPU only ages the
// particles and re-emits the dead ones; "particleEffect.fx" computes where each one is now
// from its start record, the current time and gravity.
#include "Vexa2/Resources/Effect.h"

#include <d3d9.h>
#include <d3dx9.h>

#include <string>

class Camera;

// Status codes of OnLoad and OnReset (0 = success).
enum ParticleStatus : int
{
    ParticleOk = 0,
    ParticleOutOfMemory = 1,
    ParticleDeclarationFailed = 2,
    ParticleVertexBufferFailed = 3,
    ParticleLockFailed = 4,
    ParticleUnlockFailed = 5,
    ParticleEffectFailed = 6,
    ParticleTextureFailed = 7,
};

// One particle's start record in the vertex buffer (28 bytes).
struct ParticleVertex
{
    D3DXVECTOR3 Position; // relative to the emitter; always zero
    float BirthTime;
    D3DXVECTOR3 Velocity;
};

class ParticleManager
{
public:
    ParticleManager(const D3DXVECTOR3& emitter, const D3DXVECTOR3& velocity, const D3DXVECTOR3& gravity, float lifeBase,
                    Camera* camera, const std::wstring& textureFile);
    ~ParticleManager();
    ParticleManager(const ParticleManager&) = delete;
    ParticleManager& operator=(const ParticleManager&) = delete;

    int OnLoad(IDirect3DDevice9* device);
    int OnReset();
    void OnLost();
    void OnRelease();
    void Update(float dt);
    void Render();

    IDirect3DVertexDeclaration9* Declaration;
    IDirect3DVertexBuffer9* VertexBuffer;
    IDirect3DDevice9* Device;
    IDirect3DTexture9* Texture;
    UINT Count;
    float* Life;
    float LifeBase;
    float Time;
    D3DXVECTOR3 Emitter;
    D3DXVECTOR3 BaseVelocity;
    D3DXVECTOR3 Gravity;
    Effect ParticleEffect;
    std::wstring TextureFile;
    Camera* ViewCamera;
};
