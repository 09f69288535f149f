#pragma once
// Forwarding objects: ordinary COM classes over a real object that pass every call on to it.
// A test derives from one and overrides the few methods it wants to watch or script.
//
// Lifetime: a forwarding object takes over the reference it is built with, counts its own
// references and releases the real object when its count reaches 0. QueryInterface answers
// with the forwarding object wherever the real one answers with itself: right for the classes
// here, not for a Direct3D9Ex device (its extra interface is not forwarded).
//
// Wine's d3d9 only accepts its own objects as arguments: ForwardingDevice hands the real buffer
// to the device (SetStreamSource, ProcessVertices) and gives back what the caller set
// (GetStreamSource). Buffers it creates are the real ones unless a derived device wraps them
// in ForwardingVertexBuffer.
#include <d3d9.h>
#include <d3dx9.h>

#include <vector>

// One forwarded method: name, parameter count, parameter types (FORWARD_T: with a return type).
#define FORWARD_T(type, name, n, types)                                                                                \
    type STDMETHODCALLTYPE name(FORWARD_P##n types) override                                                           \
    {                                                                                                                  \
        return Real->name(FORWARD_A##n);                                                                               \
    }
#define FORWARD(name, n, types) FORWARD_T(HRESULT, name, n, types)
#define FORWARD_P0()
#define FORWARD_P1(A) A a
#define FORWARD_P2(A, B) A a, B b
#define FORWARD_P3(A, B, C) A a, B b, C c
#define FORWARD_P4(A, B, C, D) A a, B b, C c, D d
#define FORWARD_P5(A, B, C, D, E) A a, B b, C c, D d, E e
#define FORWARD_P6(A, B, C, D, E, F) A a, B b, C c, D d, E e, F f
#define FORWARD_P7(A, B, C, D, E, F, G) A a, B b, C c, D d, E e, F f, G g
#define FORWARD_P8(A, B, C, D, E, F, G, H) A a, B b, C c, D d, E e, F f, G g, H h
#define FORWARD_P9(A, B, C, D, E, F, G, H, I) A a, B b, C c, D d, E e, F f, G g, H h, I i
#define FORWARD_A0
#define FORWARD_A1 a
#define FORWARD_A2 a, b
#define FORWARD_A3 a, b, c
#define FORWARD_A4 a, b, c, d
#define FORWARD_A5 a, b, c, d, e
#define FORWARD_A6 a, b, c, d, e, f
#define FORWARD_A7 a, b, c, d, e, f, g
#define FORWARD_A8 a, b, c, d, e, f, g, h
#define FORWARD_A9 a, b, c, d, e, f, g, h, i

namespace Fake
{
// Asked of an object, answers with the forwarding object behind it; real objects do not know it.
// {5B1E93C2-7A40-4F7B-9C3D-2E6A8F0B1D47}
const GUID IID_Forwarding = {0x5b1e93c2, 0x7a40, 0x4f7b, {0x9c, 0x3d, 0x2e, 0x6a, 0x8f, 0x0b, 0x1d, 0x47}};

template <class Interface>
class Forwarding : public Interface
{
public:
    explicit Forwarding(Interface* real) : Real(real), Count(1) {}
    virtual ~Forwarding() { Real->Release(); }
    Forwarding(const Forwarding&) = delete;
    Forwarding& operator=(const Forwarding&) = delete;

    // The forwarding object behind `object`, or null for a real one (or null).
    static Forwarding* Find(Interface* object)
    {
        void* found = nullptr;
        if (object == nullptr || FAILED(object->QueryInterface(IID_Forwarding, &found)))
            return nullptr;
        Forwarding* wrapper = static_cast<Forwarding*>(found);
        wrapper->Release();
        return wrapper;
    }
    // What the real object gets in place of `object`.
    static Interface* Unwrap(Interface* object)
    {
        Forwarding* wrapper = Find(object);
        return wrapper != nullptr ? wrapper->Real : object;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (iid == IID_Forwarding)
        {
            AddRef();
            *object = this;
            return S_OK;
        }
        const HRESULT hr = Real->QueryInterface(iid, object);
        if (SUCCEEDED(hr) && *object == static_cast<IUnknown*>(Real))
        {
            AddRef();
            Real->Release();
            *object = static_cast<Interface*>(this);
        }
        return hr;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++Count); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG count = --Count;
        if (count == 0)
            delete this;
        return static_cast<ULONG>(count);
    }

    Interface* const Real;

private:
    LONG Count;
};

class ForwardingDevice : public Forwarding<IDirect3DDevice9>
{
public:
    explicit ForwardingDevice(IDirect3DDevice9* real) : Forwarding(real) {}

    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                              UINT stride) override
    {
        Forwarding<IDirect3DVertexBuffer9>* wrapper = Forwarding<IDirect3DVertexBuffer9>::Find(buffer);
        const HRESULT hr = Real->SetStreamSource(stream, wrapper != nullptr ? wrapper->Real : buffer, offset, stride);
        if (SUCCEEDED(hr))
        {
            if (stream >= Streams.size())
                Streams.resize(stream + 1, nullptr);
            Streams[stream] = wrapper;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                                              UINT* stride) override
    {
        const HRESULT hr = Real->GetStreamSource(stream, buffer, offset, stride);
        if (SUCCEEDED(hr) && buffer != nullptr && *buffer != nullptr && stream < Streams.size() &&
            Streams[stream] != nullptr && Streams[stream]->Real == *buffer)
        {
            Streams[stream]->AddRef();
            (*buffer)->Release();
            *buffer = Streams[stream];
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE ProcessVertices(UINT start, UINT destinationIndex, UINT count,
                                              IDirect3DVertexBuffer9* destination,
                                              IDirect3DVertexDeclaration9* declaration, DWORD flags) override
    {
        return Real->ProcessVertices(start, destinationIndex, count,
                                     Forwarding<IDirect3DVertexBuffer9>::Unwrap(destination), declaration, flags);
    }
    // A forwarding buffer going away: not to be handed back any more.
    void Forget(Forwarding<IDirect3DVertexBuffer9>* buffer)
    {
        for (Forwarding<IDirect3DVertexBuffer9>*& bound : Streams)
            bound = bound == buffer ? nullptr : bound;
    }

    FORWARD(TestCooperativeLevel, 0, ())
    FORWARD_T(UINT, GetAvailableTextureMem, 0, ())
    FORWARD(EvictManagedResources, 0, ())
    FORWARD(GetDirect3D, 1, (IDirect3D9**))
    FORWARD(GetDeviceCaps, 1, (D3DCAPS9*))
    FORWARD(GetDisplayMode, 2, (UINT, D3DDISPLAYMODE*))
    FORWARD(GetCreationParameters, 1, (D3DDEVICE_CREATION_PARAMETERS*))
    FORWARD(SetCursorProperties, 3, (UINT, UINT, IDirect3DSurface9*))
    FORWARD_T(void, SetCursorPosition, 3, (int, int, DWORD))
    FORWARD_T(BOOL, ShowCursor, 1, (BOOL))
    FORWARD(CreateAdditionalSwapChain, 2, (D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9**))
    FORWARD(GetSwapChain, 2, (UINT, IDirect3DSwapChain9**))
    FORWARD_T(UINT, GetNumberOfSwapChains, 0, ())
    FORWARD(Reset, 1, (D3DPRESENT_PARAMETERS*))
    FORWARD(Present, 4, (const RECT*, const RECT*, HWND, const RGNDATA*))
    FORWARD(GetBackBuffer, 4, (UINT, UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface9**))
    FORWARD(GetRasterStatus, 2, (UINT, D3DRASTER_STATUS*))
    FORWARD(SetDialogBoxMode, 1, (BOOL))
    FORWARD_T(void, SetGammaRamp, 3, (UINT, DWORD, const D3DGAMMARAMP*))
    FORWARD_T(void, GetGammaRamp, 2, (UINT, D3DGAMMARAMP*))
    FORWARD(CreateTexture, 8, (UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9**, HANDLE*))
    FORWARD(CreateVolumeTexture, 9,
            (UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DVolumeTexture9**, HANDLE*))
    FORWARD(CreateCubeTexture, 7, (UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture9**, HANDLE*))
    FORWARD(CreateVertexBuffer, 6, (UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9**, HANDLE*))
    FORWARD(CreateIndexBuffer, 6, (UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer9**, HANDLE*))
    FORWARD(CreateRenderTarget, 8,
            (UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, BOOL, IDirect3DSurface9**, HANDLE*))
    FORWARD(CreateDepthStencilSurface, 8,
            (UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, BOOL, IDirect3DSurface9**, HANDLE*))
    FORWARD(UpdateSurface, 4, (IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const POINT*))
    FORWARD(UpdateTexture, 2, (IDirect3DBaseTexture9*, IDirect3DBaseTexture9*))
    FORWARD(GetRenderTargetData, 2, (IDirect3DSurface9*, IDirect3DSurface9*))
    FORWARD(GetFrontBufferData, 2, (UINT, IDirect3DSurface9*))
    FORWARD(StretchRect, 5, (IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const RECT*, D3DTEXTUREFILTERTYPE))
    FORWARD(ColorFill, 3, (IDirect3DSurface9*, const RECT*, D3DCOLOR))
    FORWARD(CreateOffscreenPlainSurface, 6, (UINT, UINT, D3DFORMAT, D3DPOOL, IDirect3DSurface9**, HANDLE*))
    FORWARD(SetRenderTarget, 2, (DWORD, IDirect3DSurface9*))
    FORWARD(GetRenderTarget, 2, (DWORD, IDirect3DSurface9**))
    FORWARD(SetDepthStencilSurface, 1, (IDirect3DSurface9*))
    FORWARD(GetDepthStencilSurface, 1, (IDirect3DSurface9**))
    FORWARD(BeginScene, 0, ())
    FORWARD(EndScene, 0, ())
    FORWARD(Clear, 6, (DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD))
    FORWARD(SetTransform, 2, (D3DTRANSFORMSTATETYPE, const D3DMATRIX*))
    FORWARD(GetTransform, 2, (D3DTRANSFORMSTATETYPE, D3DMATRIX*))
    FORWARD(MultiplyTransform, 2, (D3DTRANSFORMSTATETYPE, const D3DMATRIX*))
    FORWARD(SetViewport, 1, (const D3DVIEWPORT9*))
    FORWARD(GetViewport, 1, (D3DVIEWPORT9*))
    FORWARD(SetMaterial, 1, (const D3DMATERIAL9*))
    FORWARD(GetMaterial, 1, (D3DMATERIAL9*))
    FORWARD(SetLight, 2, (DWORD, const D3DLIGHT9*))
    FORWARD(GetLight, 2, (DWORD, D3DLIGHT9*))
    FORWARD(LightEnable, 2, (DWORD, BOOL))
    FORWARD(GetLightEnable, 2, (DWORD, BOOL*))
    FORWARD(SetClipPlane, 2, (DWORD, const float*))
    FORWARD(GetClipPlane, 2, (DWORD, float*))
    FORWARD(SetRenderState, 2, (D3DRENDERSTATETYPE, DWORD))
    FORWARD(GetRenderState, 2, (D3DRENDERSTATETYPE, DWORD*))
    FORWARD(CreateStateBlock, 2, (D3DSTATEBLOCKTYPE, IDirect3DStateBlock9**))
    FORWARD(BeginStateBlock, 0, ())
    FORWARD(EndStateBlock, 1, (IDirect3DStateBlock9**))
    FORWARD(SetClipStatus, 1, (const D3DCLIPSTATUS9*))
    FORWARD(GetClipStatus, 1, (D3DCLIPSTATUS9*))
    FORWARD(GetTexture, 2, (DWORD, IDirect3DBaseTexture9**))
    FORWARD(SetTexture, 2, (DWORD, IDirect3DBaseTexture9*))
    FORWARD(GetTextureStageState, 3, (DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*))
    FORWARD(SetTextureStageState, 3, (DWORD, D3DTEXTURESTAGESTATETYPE, DWORD))
    FORWARD(GetSamplerState, 3, (DWORD, D3DSAMPLERSTATETYPE, DWORD*))
    FORWARD(SetSamplerState, 3, (DWORD, D3DSAMPLERSTATETYPE, DWORD))
    FORWARD(ValidateDevice, 1, (DWORD*))
    FORWARD(SetPaletteEntries, 2, (UINT, const PALETTEENTRY*))
    FORWARD(GetPaletteEntries, 2, (UINT, PALETTEENTRY*))
    FORWARD(SetCurrentTexturePalette, 1, (UINT))
    FORWARD(GetCurrentTexturePalette, 1, (UINT*))
    FORWARD(SetScissorRect, 1, (const RECT*))
    FORWARD(GetScissorRect, 1, (RECT*))
    FORWARD(SetSoftwareVertexProcessing, 1, (BOOL))
    FORWARD_T(BOOL, GetSoftwareVertexProcessing, 0, ())
    FORWARD(SetNPatchMode, 1, (float))
    FORWARD_T(float, GetNPatchMode, 0, ())
    FORWARD(DrawPrimitive, 3, (D3DPRIMITIVETYPE, UINT, UINT))
    FORWARD(DrawIndexedPrimitive, 6, (D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT))
    FORWARD(DrawPrimitiveUP, 4, (D3DPRIMITIVETYPE, UINT, const void*, UINT))
    FORWARD(DrawIndexedPrimitiveUP, 8, (D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*, UINT))
    FORWARD(CreateVertexDeclaration, 2, (const D3DVERTEXELEMENT9*, IDirect3DVertexDeclaration9**))
    FORWARD(SetVertexDeclaration, 1, (IDirect3DVertexDeclaration9*))
    FORWARD(GetVertexDeclaration, 1, (IDirect3DVertexDeclaration9**))
    FORWARD(SetFVF, 1, (DWORD))
    FORWARD(GetFVF, 1, (DWORD*))
    FORWARD(CreateVertexShader, 2, (const DWORD*, IDirect3DVertexShader9**))
    FORWARD(SetVertexShader, 1, (IDirect3DVertexShader9*))
    FORWARD(GetVertexShader, 1, (IDirect3DVertexShader9**))
    FORWARD(SetVertexShaderConstantF, 3, (UINT, const float*, UINT))
    FORWARD(GetVertexShaderConstantF, 3, (UINT, float*, UINT))
    FORWARD(SetVertexShaderConstantI, 3, (UINT, const int*, UINT))
    FORWARD(GetVertexShaderConstantI, 3, (UINT, int*, UINT))
    FORWARD(SetVertexShaderConstantB, 3, (UINT, const BOOL*, UINT))
    FORWARD(GetVertexShaderConstantB, 3, (UINT, BOOL*, UINT))
    FORWARD(SetStreamSourceFreq, 2, (UINT, UINT))
    FORWARD(GetStreamSourceFreq, 2, (UINT, UINT*))
    FORWARD(SetIndices, 1, (IDirect3DIndexBuffer9*))
    FORWARD(GetIndices, 1, (IDirect3DIndexBuffer9**))
    FORWARD(CreatePixelShader, 2, (const DWORD*, IDirect3DPixelShader9**))
    FORWARD(SetPixelShader, 1, (IDirect3DPixelShader9*))
    FORWARD(GetPixelShader, 1, (IDirect3DPixelShader9**))
    FORWARD(SetPixelShaderConstantF, 3, (UINT, const float*, UINT))
    FORWARD(GetPixelShaderConstantF, 3, (UINT, float*, UINT))
    FORWARD(SetPixelShaderConstantI, 3, (UINT, const int*, UINT))
    FORWARD(GetPixelShaderConstantI, 3, (UINT, int*, UINT))
    FORWARD(SetPixelShaderConstantB, 3, (UINT, const BOOL*, UINT))
    FORWARD(GetPixelShaderConstantB, 3, (UINT, BOOL*, UINT))
    FORWARD(DrawRectPatch, 3, (UINT, const float*, const D3DRECTPATCH_INFO*))
    FORWARD(DrawTriPatch, 3, (UINT, const float*, const D3DTRIPATCH_INFO*))
    FORWARD(DeletePatch, 1, (UINT))
    FORWARD(CreateQuery, 2, (D3DQUERYTYPE, IDirect3DQuery9**))

private:
    // Per stream, the forwarding buffer the caller set: a ForwardingVertexBuffer of this device,
    // not referenced (it forgets itself here when it goes).
    std::vector<Forwarding<IDirect3DVertexBuffer9>*> Streams;
};

// A buffer of a forwarding device: holds a reference on that device, as the real one on its own.
class ForwardingVertexBuffer : public Forwarding<IDirect3DVertexBuffer9>
{
public:
    ForwardingVertexBuffer(IDirect3DVertexBuffer9* real, ForwardingDevice* device) : Forwarding(real), Device(device)
    {
        Device->AddRef();
    }
    ~ForwardingVertexBuffer() override
    {
        Device->Forget(this);
        Device->Release();
    }

    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override
    {
        if (device == nullptr)
            return D3DERR_INVALIDCALL;
        Device->AddRef();
        *device = Device;
        return D3D_OK;
    }
    FORWARD(SetPrivateData, 4, (REFGUID, const void*, DWORD, DWORD))
    FORWARD(GetPrivateData, 3, (REFGUID, void*, DWORD*))
    FORWARD(FreePrivateData, 1, (REFGUID))
    FORWARD_T(DWORD, SetPriority, 1, (DWORD))
    FORWARD_T(DWORD, GetPriority, 0, ())
    FORWARD_T(void, PreLoad, 0, ())
    FORWARD_T(D3DRESOURCETYPE, GetType, 0, ())
    FORWARD(Lock, 4, (UINT, UINT, void**, DWORD))
    FORWARD(Unlock, 0, ())
    FORWARD(GetDesc, 1, (D3DVERTEXBUFFER_DESC*))

private:
    ForwardingDevice* const Device;
};

class ForwardingMesh : public Forwarding<ID3DXMesh>
{
public:
    explicit ForwardingMesh(ID3DXMesh* real) : Forwarding(real) {}

    FORWARD(DrawSubset, 1, (DWORD))
    FORWARD_T(DWORD, GetNumFaces, 0, ())
    FORWARD_T(DWORD, GetNumVertices, 0, ())
    FORWARD_T(DWORD, GetFVF, 0, ())
    FORWARD(GetDeclaration, 1, (D3DVERTEXELEMENT9*))
    FORWARD_T(DWORD, GetNumBytesPerVertex, 0, ())
    FORWARD_T(DWORD, GetOptions, 0, ())
    FORWARD(GetDevice, 1, (IDirect3DDevice9**))
    FORWARD(CloneMeshFVF, 4, (DWORD, DWORD, IDirect3DDevice9*, ID3DXMesh**))
    FORWARD(CloneMesh, 4, (DWORD, const D3DVERTEXELEMENT9*, IDirect3DDevice9*, ID3DXMesh**))
    FORWARD(GetVertexBuffer, 1, (IDirect3DVertexBuffer9**))
    FORWARD(GetIndexBuffer, 1, (IDirect3DIndexBuffer9**))
    FORWARD(LockVertexBuffer, 2, (DWORD, void**))
    FORWARD(UnlockVertexBuffer, 0, ())
    FORWARD(LockIndexBuffer, 2, (DWORD, void**))
    FORWARD(UnlockIndexBuffer, 0, ())
    FORWARD(GetAttributeTable, 2, (D3DXATTRIBUTERANGE*, DWORD*))
    FORWARD(ConvertPointRepsToAdjacency, 2, (const DWORD*, DWORD*))
    FORWARD(ConvertAdjacencyToPointReps, 2, (const DWORD*, DWORD*))
    FORWARD(GenerateAdjacency, 2, (float, DWORD*))
    FORWARD(UpdateSemantics, 1, (D3DVERTEXELEMENT9*))
    FORWARD(LockAttributeBuffer, 2, (DWORD, DWORD**))
    FORWARD(UnlockAttributeBuffer, 0, ())
    FORWARD(Optimize, 6, (DWORD, const DWORD*, DWORD*, DWORD*, ID3DXBuffer**, ID3DXMesh**))
    FORWARD(OptimizeInplace, 5, (DWORD, const DWORD*, DWORD*, DWORD*, ID3DXBuffer**))
    FORWARD(SetAttributeTable, 2, (const D3DXATTRIBUTERANGE*, DWORD))
};
} // namespace Fake
