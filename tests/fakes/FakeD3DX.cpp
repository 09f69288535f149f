#include "FakeD3DX.h"

#include "FakeCom.h"
#include "Forwarding.h"
#include "RecordingEffect.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

namespace FakeD3DX
{
namespace
{
Script g_script;
CallLog g_calls;
std::vector<std::unique_ptr<FakeBuffer>> g_buffers;
std::set<const ID3DXBaseMesh*> g_wrappedMeshes;

ID3DXMesh* WrapIfScripted(ID3DXMesh* mesh)
{
    return (mesh && g_script.WrapMeshes) ? WrapMesh(mesh) : mesh;
}

// A forwarding mesh (Forwarding.h) with the scripted methods and DrawSubset in the journal.
class FakeMesh final : public Fake::ForwardingMesh
{
public:
    explicit FakeMesh(ID3DXMesh* inner) : ForwardingMesh(inner) { g_wrappedMeshes.insert(this); }
    ~FakeMesh() override { g_wrappedMeshes.erase(this); }

    ID3DXMesh* Inner() const { return Real; }

    STDMETHOD(DrawSubset)(DWORD attribId) override
    {
        Fake::Journal().push_back("Mesh.DrawSubset " + std::to_string(attribId));
        return Real->DrawSubset(attribId);
    }
    STDMETHOD_(DWORD, GetNumFaces)() override
    {
        return g_script.Mesh.NumFaces ? g_script.Mesh.NumFaces : Real->GetNumFaces();
    }
    STDMETHOD(CloneMeshFVF)(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** clone) override
    {
        const HRESULT failure = g_script.Mesh.CloneMesh.Result;
        if (g_script.Mesh.CloneMesh.Fire())
            return failure;
        return Wrapped(Real->CloneMeshFVF(options, fvf, device, clone), clone);
    }
    STDMETHOD(CloneMesh)(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                         ID3DXMesh** clone) override
    {
        const HRESULT failure = g_script.Mesh.CloneMesh.Result;
        if (g_script.Mesh.CloneMesh.Fire())
            return failure;
        return Wrapped(Real->CloneMesh(options, declaration, device, clone), clone);
    }
    STDMETHOD(LockVertexBuffer)(DWORD flags, void** data) override
    {
        const HRESULT failure = g_script.Mesh.LockVertexBuffer.Result;
        if (g_script.Mesh.LockVertexBuffer.Fire())
            return failure;
        return Real->LockVertexBuffer(flags, data);
    }
    STDMETHOD(LockIndexBuffer)(DWORD flags, void** data) override
    {
        const HRESULT failure = g_script.Mesh.LockIndexBuffer.Result;
        if (g_script.Mesh.LockIndexBuffer.Fire())
            return failure;
        return Real->LockIndexBuffer(flags, data);
    }
    STDMETHOD(GenerateAdjacency)(FLOAT epsilon, DWORD* adjacency) override
    {
        const HRESULT failure = g_script.Mesh.GenerateAdjacency.Result;
        if (g_script.Mesh.GenerateAdjacency.Fire())
            return failure;
        return Real->GenerateAdjacency(epsilon, adjacency);
    }
    STDMETHOD(LockAttributeBuffer)(DWORD flags, DWORD** data) override
    {
        const HRESULT failure = g_script.Mesh.LockAttributeBuffer.Result;
        if (g_script.Mesh.LockAttributeBuffer.Fire())
            return failure;
        return Real->LockAttributeBuffer(flags, data);
    }
    STDMETHOD(Optimize)(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                        ID3DXBuffer** vertexRemap, ID3DXMesh** optimized) override
    {
        return Wrapped(Real->Optimize(flags, adjacencyIn, adjacencyOut, faceRemap, vertexRemap, optimized), optimized);
    }
    STDMETHOD(OptimizeInplace)(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                               ID3DXBuffer** vertexRemap) override
    {
        const HRESULT failure = g_script.Mesh.OptimizeInplace.Result;
        if (g_script.Mesh.OptimizeInplace.Fire())
            return failure;
        if (g_script.Mesh.OptimizeInplaceSucceeds)
            return S_OK;
        return Real->OptimizeInplace(flags, adjacencyIn, adjacencyOut, faceRemap, vertexRemap);
    }
    STDMETHOD(SetAttributeTable)(const D3DXATTRIBUTERANGE* table, DWORD size) override
    {
        const HRESULT failure = g_script.Mesh.SetAttributeTable.Result;
        if (g_script.Mesh.SetAttributeTable.Fire())
            return failure;
        return Real->SetAttributeTable(table, size);
    }

private:
    static HRESULT Wrapped(HRESULT hr, ID3DXMesh** mesh)
    {
        if (SUCCEEDED(hr) && mesh && *mesh)
            *mesh = WrapMesh(*mesh);
        return hr;
    }
};

HMODULE RealModule()
{
    static HMODULE module = LoadLibraryW(L"d3dx9_40.dll");
    return module;
}

template <typename Function>
Function Real(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(RealD3DX(name)));
}

FakeBuffer* NewBuffer(const std::string& bytes)
{
    g_buffers.push_back(std::make_unique<FakeBuffer>(bytes));
    return g_buffers.back().get();
}
} // namespace

bool Fault::Fire()
{
    if (SUCCEEDED(Result))
        return false;
    if (Skip > 0)
    {
        --Skip;
        return false;
    }
    if (Times > 0 && --Times == 0)
        Result = S_OK; // this was the last failing call; callers read Result before Fire
    return true;
}

FakeBuffer::FakeBuffer(const std::string& bytes) : RefCount(1), m_bytes(bytes.begin(), bytes.end())
{
}

HRESULT FakeBuffer::QueryInterface(REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ID3DXBuffer))
    {
        *out = this;
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG FakeBuffer::AddRef()
{
    return ++RefCount;
}

ULONG FakeBuffer::Release()
{
    return RefCount > 0 ? --RefCount : 0; // the storage stays with the fakes until Reset
}

void* FakeBuffer::GetBufferPointer()
{
    return m_bytes.empty() ? nullptr : m_bytes.data();
}

DWORD FakeBuffer::GetBufferSize()
{
    return static_cast<DWORD>(m_bytes.size());
}

Script& Current()
{
    return g_script;
}

CallLog& Calls()
{
    return g_calls;
}

FakeBuffer* LastErrorBuffer()
{
    return g_buffers.empty() ? nullptr : g_buffers.back().get();
}

void Reset()
{
    g_script = Script();
    g_calls = CallLog();
    Fake::Journal().clear();
    g_buffers.clear();
}

ID3DXMesh* WrapMesh(ID3DXMesh* real)
{
    return real ? new FakeMesh(real) : nullptr;
}

bool IsWrappedMesh(const ID3DXBaseMesh* mesh)
{
    return g_wrappedMeshes.count(mesh) != 0;
}

ID3DXMesh* Unwrap(ID3DXMesh* mesh)
{
    return IsWrappedMesh(mesh) ? static_cast<FakeMesh*>(mesh)->Inner() : mesh;
}

ID3DXEffect* CreateFakeEffect(UINT passes)
{
    RecordingEffect* effect = new RecordingEffect(passes, &Fake::Journal(), "Effect");
    effect->DeleteAtZero = true;
    return effect;
}

FARPROC RealD3DX(const char* name)
{
    HMODULE module = RealModule();
    return module ? GetProcAddress(module, name) : nullptr;
}
} // namespace FakeD3DX

using namespace FakeD3DX;

extern "C"
{
    HRESULT WINAPI D3DXLoadMeshFromXW(const WCHAR* filename, DWORD flags, IDirect3DDevice9* device,
                                      ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effectInstances,
                                      DWORD* materialCount, ID3DXMesh** mesh)
    {
        ++g_calls.LoadMeshFromX;
        g_calls.LoadMeshOptions = flags;
        g_calls.LoadMeshFile = filename ? filename : L"";
        const HRESULT failure = g_script.LoadMeshFromX.Result;
        if (g_script.LoadMeshFromX.Fire())
            return failure;
        typedef HRESULT(WINAPI * Function)(const WCHAR*, DWORD, IDirect3DDevice9*, ID3DXBuffer**, ID3DXBuffer**,
                                           ID3DXBuffer**, DWORD*, ID3DXMesh**);
        const HRESULT hr = Real<Function>("D3DXLoadMeshFromXW")(filename, flags, device, adjacency, materials,
                                                                effectInstances, materialCount, mesh);
        if (FAILED(hr))
            return hr;
        if (mesh)
            *mesh = WrapIfScripted(*mesh);
        if (g_script.NoAdjacencyBuffer && adjacency && *adjacency)
        {
            (*adjacency)->Release();
            *adjacency = nullptr;
        }
        if (g_script.NoMaterialBuffer && materials && *materials)
        {
            (*materials)->Release();
            *materials = nullptr;
            if (materialCount)
                *materialCount = 0;
        }
        return hr;
    }

    HRESULT WINAPI D3DXCreateMesh(DWORD faceCount, DWORD vertexCount, DWORD flags, const D3DVERTEXELEMENT9* declaration,
                                  IDirect3DDevice9* device, ID3DXMesh** mesh)
    {
        ++g_calls.CreateMesh;
        const HRESULT failure = g_script.CreateMesh.Result;
        if (g_script.CreateMesh.Fire())
            return failure;
        typedef HRESULT(WINAPI * Function)(DWORD, DWORD, DWORD, const D3DVERTEXELEMENT9*, IDirect3DDevice9*,
                                           ID3DXMesh**);
        const HRESULT hr = Real<Function>("D3DXCreateMesh")(faceCount, vertexCount, flags, declaration, device, mesh);
        if (SUCCEEDED(hr) && mesh)
            *mesh = WrapIfScripted(*mesh);
        return hr;
    }

    HRESULT WINAPI D3DXComputeNormals(ID3DXBaseMesh* mesh, const DWORD* adjacency)
    {
        ++g_calls.ComputeNormals;
        g_calls.ComputeNormalsAdjacency = adjacency != nullptr;
        const HRESULT failure = g_script.ComputeNormals.Result;
        if (g_script.ComputeNormals.Fire())
            return failure;
        if (IsWrappedMesh(mesh))
            mesh = static_cast<FakeMesh*>(static_cast<ID3DXMesh*>(mesh))->Inner();
        typedef HRESULT(WINAPI * Function)(ID3DXBaseMesh*, const DWORD*);
        return Real<Function>("D3DXComputeNormals")(mesh, adjacency);
    }

    HRESULT WINAPI D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* file, IDirect3DTexture9** texture)
    {
        ++g_calls.CreateTextureFromFile;
        g_calls.TextureFiles.push_back(file ? file : "");
        const HRESULT failure = g_script.CreateTextureFromFile.Result;
        if (g_script.CreateTextureFromFile.Fire())
            return failure;
        typedef HRESULT(WINAPI * Function)(IDirect3DDevice9*, const char*, IDirect3DTexture9**);
        return Real<Function>("D3DXCreateTextureFromFileA")(device, file, texture);
    }

    HRESULT WINAPI D3DXCreateEffectFromFileW(IDirect3DDevice9* device, const WCHAR* file, const D3DXMACRO* defines,
                                             ID3DXInclude* include, DWORD flags, ID3DXEffectPool* pool,
                                             ID3DXEffect** effect, ID3DXBuffer** errors)
    {
        ++g_calls.CreateEffect;
        g_calls.EffectFlags = flags;
        g_calls.EffectFile = file ? file : L"";
        const HRESULT failure = g_script.CreateEffect.Result;
        if (g_script.CreateEffect.Fire())
        {
            if (g_script.EffectErrorBuffer && errors)
            {
                std::string text = g_script.EffectErrors;
                text += '\0';
                *errors = NewBuffer(text);
            }
            return failure;
        }
        if (g_script.FakeEffectPasses >= 0)
        {
            if (!effect)
                return D3DERR_INVALIDCALL;
            *effect = CreateFakeEffect(static_cast<UINT>(g_script.FakeEffectPasses));
            if (errors)
                *errors = nullptr;
            return S_OK;
        }
        typedef HRESULT(WINAPI * Function)(IDirect3DDevice9*, const WCHAR*, const D3DXMACRO*, ID3DXInclude*, DWORD,
                                           ID3DXEffectPool*, ID3DXEffect**, ID3DXBuffer**);
        return Real<Function>("D3DXCreateEffectFromFileW")(device, file, defines, include, flags, pool, effect, errors);
    }

} // extern "C"
