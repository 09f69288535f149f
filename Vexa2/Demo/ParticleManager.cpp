#include "ParticleManager.h"

#include "Camera.h"
#include "VLib/vLogger.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace
{
const wchar_t* const SourceFile = L".\\ParticleManager";

const D3DVERTEXELEMENT9 ParticleElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT1, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 16, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
    D3DDECL_END()};

const UINT ParticleCount = 500;
const UINT Stride = sizeof(ParticleVertex);

// A velocity offset in [-2.5, 2.45], steps of 0.05.
float Spread()
{
    return static_cast<float>((std::rand() % 100 - 50) * static_cast<double>(0.05f));
}
} // namespace

ParticleManager::ParticleManager(const D3DXVECTOR3& emitter, const D3DXVECTOR3& velocity, const D3DXVECTOR3& gravity,
                                 float lifeBase, Camera* camera, const std::wstring& textureFile)
    : Declaration(nullptr), VertexBuffer(nullptr), Device(nullptr), Texture(nullptr), Count(ParticleCount),
      Life(nullptr), LifeBase(lifeBase), Time(0.0f), Emitter(emitter), BaseVelocity(velocity), Gravity(gravity),
      TextureFile(textureFile), ViewCamera(camera)
{
}

ParticleManager::~ParticleManager()
{
    // Device objects are gone after OnRelease; only the life array may be left after a failed load.
    delete[] Life;
}

int ParticleManager::OnLoad(IDirect3DDevice9* device)
{
    Device = device;

    if (ParticleEffect.LoadEffect(L"particleEffect.fx", device) != 0)
        return ParticleEffectFailed;

    HRESULT hr = D3DXCreateTextureFromFileExW(device, TextureFile.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                              D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_BOX,
                                              0xFF000000, nullptr, nullptr, &Texture);
    if (hr != 0)
    {
        VLib::LogFailedCall(VLIB_HERE(L"ParticleManager::OnLoad"), L"D3DXCreateTextureFromFileEx()", hr);
        return ParticleTextureFailed;
    }

    hr = Device->CreateVertexDeclaration(ParticleElements, &Declaration);
    if (hr != 0)
    {
        VLib::LogFailedCall(VLIB_HERE(L"ParticleManager::OnLoad"), L"CreateVertexDeclaration()", hr);
        return ParticleDeclarationFailed;
    }

    delete[] Life;
    Life = new (std::nothrow) float[Count];
    if (Life == nullptr)
    {
        VLib::LogError(VLIB_HERE(L"ParticleManager::OnLoad"), L"Out of memory");
        return ParticleOutOfMemory;
    }
    // Every particle starts with its life just spent: the first Update with time passing
    // emits them all, matching the zeroed records that OnReset writes.
    for (UINT j = 0; j < Count; ++j)
        Life[j] = 0.0f;
    return ParticleOk;
}

int ParticleManager::OnReset()
{
    HRESULT hr = Device->CreateVertexBuffer(Count * Stride, D3DUSAGE_DYNAMIC | D3DUSAGE_POINTS | D3DUSAGE_WRITEONLY, 0,
                                            D3DPOOL_DEFAULT, &VertexBuffer, nullptr);
    if (hr != 0)
    {
        VLib::LogFailedCall(VLIB_HERE(L"ParticleManager::OnReset"), L"CreateVertexBuffer()", hr);
        return ParticleVertexBufferFailed;
    }

    void* data = nullptr;
    hr = VertexBuffer->Lock(0, 0, &data, D3DLOCK_DISCARD);
    if (hr != 0)
    {
        VLib::LogFailedCall(VLIB_HERE(L"ParticleManager::OnReset"), L"Lock()", hr);
        return ParticleLockFailed;
    }
    std::memset(data, 0, Count * Stride);
    hr = VertexBuffer->Unlock();
    if (hr != 0)
    {
        VLib::LogFailedCall(VLIB_HERE(L"ParticleManager::OnReset"), L"Unlock()", hr);
        return ParticleUnlockFailed;
    }

    if (ParticleEffect.Fx != nullptr)
        ParticleEffect.Fx->OnResetDevice();
    return ParticleOk;
}

void ParticleManager::OnLost()
{
    if (VertexBuffer != nullptr)
    {
        VertexBuffer->Release();
        VertexBuffer = nullptr;
    }
    if (ParticleEffect.Fx != nullptr)
        ParticleEffect.Fx->OnLostDevice();
}

void ParticleManager::OnRelease()
{
    delete[] Life;
    Life = nullptr;
    if (Declaration != nullptr)
    {
        Declaration->Release();
        Declaration = nullptr;
    }
    if (Texture != nullptr)
    {
        Texture->Release();
        Texture = nullptr;
    }
    if (ParticleEffect.Fx != nullptr)
    {
        ParticleEffect.Fx->Release();
        ParticleEffect.Fx = nullptr;
    }
}

void ParticleManager::Update(float dt)
{
    Time += dt;
    if (Life == nullptr)
        return;

    // Without a buffer (a failed reset) the lives still age and draw the same random numbers;
    // only the records are not written.
    ParticleVertex* records = nullptr;
    if (VertexBuffer != nullptr)
    {
        void* data = nullptr;
        if (VertexBuffer->Lock(0, 0, &data, 0) == 0)
            records = static_cast<ParticleVertex*>(data);
    }

    for (UINT j = 0; j < Count; ++j)
    {
        Life[j] -= dt;
        if (Life[j] < 0.0f)
        {
            const int r = std::rand() % 50;
            Life[j] = static_cast<float>((r - 25) * static_cast<double>(0.06f) + static_cast<double>(LifeBase));
            const float dx = Spread();
            const float dy = Spread();
            const float dz = Spread();
            if (records != nullptr)
            {
                ParticleVertex& v = records[j];
                v.Position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
                v.Velocity = D3DXVECTOR3(BaseVelocity.x + dx, BaseVelocity.y + dy, BaseVelocity.z + dz);
                v.BirthTime = Time;
            }
        }
    }

    if (records != nullptr)
        VertexBuffer->Unlock();
}

void ParticleManager::Render()
{
    ID3DXEffect* fx = ParticleEffect.Fx;
    if (fx == nullptr || VertexBuffer == nullptr || ViewCamera == nullptr)
        return;

    D3DXMATRIX world, worldView, worldViewProj;
    D3DXMatrixTranslation(&world, Emitter.x, Emitter.y, Emitter.z);
    D3DXMatrixMultiply(&worldView, &world, &ViewCamera->View);
    fx->SetMatrix("g_mWorldView", &worldView);
    D3DXMatrixMultiply(&worldViewProj, &worldView, &ViewCamera->Projection);
    fx->SetMatrix("g_mWorldViewProj", &worldViewProj);

    fx->SetFloat("g_time", Time);
    fx->SetValue("g_gravity", &Gravity, sizeof(Gravity));

    const D3DXVECTOR3 d = ViewCamera->Position - Emitter;
    const float squared = d.x * d.x + d.y * d.y + d.z * d.z;
    fx->SetFloat("g_camDistance", std::sqrt(squared));

    fx->SetTexture("g_texture", Texture);

    UINT passes = 0;
    fx->Begin(&passes, 0);
    for (UINT i = 0; i < passes; ++i)
    {
        fx->BeginPass(i);
        Device->SetVertexDeclaration(Declaration);
        Device->SetStreamSource(0, VertexBuffer, 0, Stride);
        Device->DrawPrimitive(D3DPT_POINTLIST, 0, Count);
        fx->EndPass();
    }
    fx->End();
}
