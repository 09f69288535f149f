#pragma once
// Fakes of Direct3D 9 for unit tests (link-time seam: this library defines Direct3DCreate9).
//
// Direct3DCreate9: by default forwards to the real d3d9.dll, so tests that link the fakes but do
// not script Direct3D still get a real device. Set Direct3DCreate9Control.Forward = false to
// return Direct3DCreate9Control.Object instead (one reference added; null = the call fails).
//
// Objects (see FakeCom.h for reference counts, call records and scripted results):
// - FakeDirect3D9: modes per format (Modes; FailingModes makes EnumAdapterModes fail for an
//   index), CreateDevice hands out its member Device (script "CreateDevice" to fail it); every
//   CreateDevice call's arguments are kept in CreateDeviceCalls.
// - FakeDevice: the whole IDirect3DDevice9 vtable; every call recorded by name. Modelled:
//   TestCooperativeLevel/Present/Reset (scripted results, e.g. QueueResults("Present",
//   {D3DERR_DEVICELOST})), Reset parameters (Resets), Clear arguments (Clears), GetDeviceCaps
//   (copies Caps), CreateVertexBuffer/CreateVertexDeclaration/CreateTexture (fake objects owned
//   by the device, each holding a device reference while referenced), SetStreamSource,
//   SetVertexDeclaration and DrawPrimitive arguments. Other methods: S_OK, or E_NOTIMPL for
//   Get.../Create... (out parameters are not written).
// - FakeVertexBuffer, FakeTexture (level 0 only has memory), FakeVertexDeclaration: Lock/LockRect
//   return a real zero-filled memory block (Data), GetDesc/GetLevelDesc/GetDeclaration answer
//   from what the creator was given.
#include "FakeCom.h"

#include <d3d9.h>

#include <memory>
#include <utility>
#include <vector>

namespace Fake
{
struct Direct3DCreate9Script
{
    Direct3DCreate9Script() : Forward(true), Object(nullptr), Calls(0), LastSdkVersion(0) {}

    bool Forward;
    IDirect3D9* Object;
    int Calls;
    UINT LastSdkVersion;
};
extern Direct3DCreate9Script Direct3DCreate9Control;

class FakeVertexBuffer : public ComObject<IDirect3DVertexBuffer9>
{
public:
    FakeVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

    HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DVERTEXBUFFER_DESC* desc) override;
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override
    {
        Record("GetType");
        return D3DRTYPE_VERTEXBUFFER;
    }
    FAKE_OUT_METHOD(GetDevice, (struct IDirect3DDevice9**))
    FAKE_METHOD(SetPrivateData, (REFGUID, const void*, DWORD, DWORD))
    FAKE_OUT_METHOD(GetPrivateData, (REFGUID, void*, DWORD*))
    FAKE_METHOD(FreePrivateData, (REFGUID))
    FAKE_VALUE_METHOD(DWORD, SetPriority, (DWORD))
    FAKE_VALUE_METHOD(DWORD, GetPriority, ())
    FAKE_VOID_METHOD(PreLoad, ())

    D3DVERTEXBUFFER_DESC Desc;
    std::vector<BYTE> Data;
    std::vector<DWORD> LockFlags; // one entry per successful Lock
    int LockDepth;                // Lock minus Unlock
};

class FakeTexture : public ComObject<IDirect3DTexture9>
{
public:
    FakeTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override;
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    DWORD STDMETHODCALLTYPE GetLevelCount() override
    {
        Record("GetLevelCount");
        return Levels;
    }
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override
    {
        Record("GetType");
        return D3DRTYPE_TEXTURE;
    }
    FAKE_OUT_METHOD(GetDevice, (struct IDirect3DDevice9**))
    FAKE_METHOD(SetPrivateData, (REFGUID, const void*, DWORD, DWORD))
    FAKE_OUT_METHOD(GetPrivateData, (REFGUID, void*, DWORD*))
    FAKE_METHOD(FreePrivateData, (REFGUID))
    FAKE_VALUE_METHOD(DWORD, SetPriority, (DWORD))
    FAKE_VALUE_METHOD(DWORD, GetPriority, ())
    FAKE_VOID_METHOD(PreLoad, ())
    FAKE_VALUE_METHOD(DWORD, SetLOD, (DWORD))
    FAKE_VALUE_METHOD(DWORD, GetLOD, ())
    FAKE_METHOD(SetAutoGenFilterType, (D3DTEXTUREFILTERTYPE))
    FAKE_VALUE_METHOD(D3DTEXTUREFILTERTYPE, GetAutoGenFilterType, ())
    FAKE_VOID_METHOD(GenerateMipSubLevels, ())
    FAKE_OUT_METHOD(GetSurfaceLevel, (UINT, IDirect3DSurface9**))
    FAKE_METHOD(AddDirtyRect, (const RECT*))

    D3DSURFACE_DESC Desc; // level 0
    UINT Levels;
    UINT Pitch; // bytes per row of Data (4 per texel)
    std::vector<BYTE> Data;
};

class FakeVertexDeclaration : public ComObject<IDirect3DVertexDeclaration9>
{
public:
    explicit FakeVertexDeclaration(const D3DVERTEXELEMENT9* elements);

    HRESULT STDMETHODCALLTYPE GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) override;
    FAKE_OUT_METHOD(GetDevice, (struct IDirect3DDevice9**))

    std::vector<D3DVERTEXELEMENT9> Elements; // including the D3DDECL_END entry
};

class FakeDevice : public ComObject<IDirect3DDevice9>
{
public:
    FakeDevice();

    struct ClearCall
    {
        DWORD Count;
        DWORD Flags;
        D3DCOLOR Color;
        float Z;
        DWORD Stencil;
    };
    struct StreamSourceCall
    {
        UINT Stream;
        IDirect3DVertexBuffer9* Buffer;
        UINT Offset;
        UINT Stride;
    };
    struct DrawPrimitiveCall
    {
        D3DPRIMITIVETYPE Type;
        UINT StartVertex;
        UINT PrimitiveCount;
    };

    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* parameters) override;
    HRESULT STDMETHODCALLTYPE Present(const RECT* source, const RECT* destination, HWND window,
                                      const RGNDATA* dirty) override;
    HRESULT STDMETHODCALLTYPE Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                                    DWORD stencil) override;
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer9** buffer, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                      IDirect3DVertexDeclaration9** declaration) override;
    HRESULT STDMETHODCALLTYPE SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override;
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                              UINT stride) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;

    FAKE_VALUE_METHOD(UINT, GetAvailableTextureMem, ())
    FAKE_METHOD(EvictManagedResources, ())
    FAKE_OUT_METHOD(GetDirect3D, (IDirect3D9**))
    FAKE_OUT_METHOD(GetDisplayMode, (UINT, D3DDISPLAYMODE*))
    FAKE_OUT_METHOD(GetCreationParameters, (D3DDEVICE_CREATION_PARAMETERS*))
    FAKE_METHOD(SetCursorProperties, (UINT, UINT, IDirect3DSurface9*))
    FAKE_VOID_METHOD(SetCursorPosition, (int, int, DWORD))
    FAKE_VALUE_METHOD(BOOL, ShowCursor, (BOOL))
    FAKE_OUT_METHOD(CreateAdditionalSwapChain, (D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9**))
    FAKE_OUT_METHOD(GetSwapChain, (UINT, IDirect3DSwapChain9**))
    FAKE_VALUE_METHOD(UINT, GetNumberOfSwapChains, ())
    FAKE_OUT_METHOD(GetBackBuffer, (UINT, UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface9**))
    FAKE_OUT_METHOD(GetRasterStatus, (UINT, D3DRASTER_STATUS*))
    FAKE_METHOD(SetDialogBoxMode, (BOOL))
    FAKE_VOID_METHOD(SetGammaRamp, (UINT, DWORD, const D3DGAMMARAMP*))
    FAKE_VOID_METHOD(GetGammaRamp, (UINT, D3DGAMMARAMP*))
    FAKE_OUT_METHOD(CreateVolumeTexture,
                    (UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DVolumeTexture9**, HANDLE*))
    FAKE_OUT_METHOD(CreateCubeTexture, (UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DCubeTexture9**, HANDLE*))
    FAKE_OUT_METHOD(CreateIndexBuffer, (UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer9**, HANDLE*))
    FAKE_OUT_METHOD(CreateRenderTarget,
                    (UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, BOOL, IDirect3DSurface9**, HANDLE*))
    FAKE_OUT_METHOD(CreateDepthStencilSurface,
                    (UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, BOOL, IDirect3DSurface9**, HANDLE*))
    FAKE_METHOD(UpdateSurface, (IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const POINT*))
    FAKE_METHOD(StretchRect, (IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const RECT*, D3DTEXTUREFILTERTYPE))
    FAKE_METHOD(UpdateTexture, (IDirect3DBaseTexture9*, IDirect3DBaseTexture9*))
    FAKE_OUT_METHOD(GetRenderTargetData, (IDirect3DSurface9*, IDirect3DSurface9*))
    FAKE_OUT_METHOD(GetFrontBufferData, (UINT, IDirect3DSurface9*))
    FAKE_METHOD(ColorFill, (IDirect3DSurface9*, const RECT*, D3DCOLOR))
    FAKE_OUT_METHOD(CreateOffscreenPlainSurface, (UINT, UINT, D3DFORMAT, D3DPOOL, IDirect3DSurface9**, HANDLE*))
    FAKE_METHOD(SetRenderTarget, (DWORD, IDirect3DSurface9*))
    FAKE_OUT_METHOD(GetRenderTarget, (DWORD, IDirect3DSurface9**))
    FAKE_METHOD(SetDepthStencilSurface, (IDirect3DSurface9*))
    FAKE_OUT_METHOD(GetDepthStencilSurface, (IDirect3DSurface9**))
    FAKE_METHOD(BeginScene, ())
    FAKE_METHOD(EndScene, ())
    FAKE_METHOD(SetTransform, (D3DTRANSFORMSTATETYPE, const D3DMATRIX*))
    FAKE_OUT_METHOD(GetTransform, (D3DTRANSFORMSTATETYPE, D3DMATRIX*))
    FAKE_METHOD(MultiplyTransform, (D3DTRANSFORMSTATETYPE, const D3DMATRIX*))
    FAKE_METHOD(SetViewport, (const D3DVIEWPORT9*))
    FAKE_OUT_METHOD(GetViewport, (D3DVIEWPORT9*))
    FAKE_METHOD(SetMaterial, (const D3DMATERIAL9*))
    FAKE_OUT_METHOD(GetMaterial, (D3DMATERIAL9*))
    FAKE_METHOD(SetLight, (DWORD, const D3DLIGHT9*))
    FAKE_OUT_METHOD(GetLight, (DWORD, D3DLIGHT9*))
    FAKE_METHOD(LightEnable, (DWORD, BOOL))
    FAKE_OUT_METHOD(GetLightEnable, (DWORD, BOOL*))
    FAKE_METHOD(SetClipPlane, (DWORD, const float*))
    FAKE_OUT_METHOD(GetClipPlane, (DWORD, float*))
    FAKE_METHOD(SetRenderState, (D3DRENDERSTATETYPE, DWORD))
    FAKE_OUT_METHOD(GetRenderState, (D3DRENDERSTATETYPE, DWORD*))
    FAKE_OUT_METHOD(CreateStateBlock, (D3DSTATEBLOCKTYPE, IDirect3DStateBlock9**))
    FAKE_METHOD(BeginStateBlock, ())
    FAKE_METHOD(EndStateBlock, (IDirect3DStateBlock9**))
    FAKE_METHOD(SetClipStatus, (const D3DCLIPSTATUS9*))
    FAKE_OUT_METHOD(GetClipStatus, (D3DCLIPSTATUS9*))
    FAKE_OUT_METHOD(GetTexture, (DWORD, IDirect3DBaseTexture9**))
    FAKE_METHOD(SetTexture, (DWORD, IDirect3DBaseTexture9*))
    FAKE_OUT_METHOD(GetTextureStageState, (DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*))
    FAKE_METHOD(SetTextureStageState, (DWORD, D3DTEXTURESTAGESTATETYPE, DWORD))
    FAKE_OUT_METHOD(GetSamplerState, (DWORD, D3DSAMPLERSTATETYPE, DWORD*))
    FAKE_METHOD(SetSamplerState, (DWORD, D3DSAMPLERSTATETYPE, DWORD))
    FAKE_METHOD(ValidateDevice, (DWORD*))
    FAKE_METHOD(SetPaletteEntries, (UINT, const PALETTEENTRY*))
    FAKE_OUT_METHOD(GetPaletteEntries, (UINT, PALETTEENTRY*))
    FAKE_METHOD(SetCurrentTexturePalette, (UINT))
    FAKE_OUT_METHOD(GetCurrentTexturePalette, (UINT*))
    FAKE_METHOD(SetScissorRect, (const RECT*))
    FAKE_OUT_METHOD(GetScissorRect, (RECT*))
    FAKE_METHOD(SetSoftwareVertexProcessing, (BOOL))
    FAKE_VALUE_METHOD(BOOL, GetSoftwareVertexProcessing, ())
    FAKE_METHOD(SetNPatchMode, (float))
    FAKE_VALUE_METHOD(float, GetNPatchMode, ())
    FAKE_METHOD(DrawIndexedPrimitive, (D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT))
    FAKE_METHOD(DrawPrimitiveUP, (D3DPRIMITIVETYPE, UINT, const void*, UINT))
    FAKE_METHOD(DrawIndexedPrimitiveUP, (D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*, UINT))
    FAKE_METHOD(ProcessVertices, (UINT, UINT, UINT, IDirect3DVertexBuffer9*, IDirect3DVertexDeclaration9*, DWORD))
    FAKE_OUT_METHOD(GetVertexDeclaration, (IDirect3DVertexDeclaration9**))
    FAKE_METHOD(SetFVF, (DWORD))
    FAKE_OUT_METHOD(GetFVF, (DWORD*))
    FAKE_OUT_METHOD(CreateVertexShader, (const DWORD*, IDirect3DVertexShader9**))
    FAKE_METHOD(SetVertexShader, (IDirect3DVertexShader9*))
    FAKE_OUT_METHOD(GetVertexShader, (IDirect3DVertexShader9**))
    FAKE_METHOD(SetVertexShaderConstantF, (UINT, const float*, UINT))
    FAKE_OUT_METHOD(GetVertexShaderConstantF, (UINT, float*, UINT))
    FAKE_METHOD(SetVertexShaderConstantI, (UINT, const int*, UINT))
    FAKE_OUT_METHOD(GetVertexShaderConstantI, (UINT, int*, UINT))
    FAKE_METHOD(SetVertexShaderConstantB, (UINT, const BOOL*, UINT))
    FAKE_OUT_METHOD(GetVertexShaderConstantB, (UINT, BOOL*, UINT))
    FAKE_OUT_METHOD(GetStreamSource, (UINT, IDirect3DVertexBuffer9**, UINT*, UINT*))
    FAKE_METHOD(SetStreamSourceFreq, (UINT, UINT))
    FAKE_OUT_METHOD(GetStreamSourceFreq, (UINT, UINT*))
    FAKE_METHOD(SetIndices, (IDirect3DIndexBuffer9*))
    FAKE_OUT_METHOD(GetIndices, (IDirect3DIndexBuffer9**))
    FAKE_OUT_METHOD(CreatePixelShader, (const DWORD*, IDirect3DPixelShader9**))
    FAKE_METHOD(SetPixelShader, (IDirect3DPixelShader9*))
    FAKE_OUT_METHOD(GetPixelShader, (IDirect3DPixelShader9**))
    FAKE_METHOD(SetPixelShaderConstantF, (UINT, const float*, UINT))
    FAKE_OUT_METHOD(GetPixelShaderConstantF, (UINT, float*, UINT))
    FAKE_METHOD(SetPixelShaderConstantI, (UINT, const int*, UINT))
    FAKE_OUT_METHOD(GetPixelShaderConstantI, (UINT, int*, UINT))
    FAKE_METHOD(SetPixelShaderConstantB, (UINT, const BOOL*, UINT))
    FAKE_OUT_METHOD(GetPixelShaderConstantB, (UINT, BOOL*, UINT))
    FAKE_METHOD(DrawRectPatch, (UINT, const float*, const D3DRECTPATCH_INFO*))
    FAKE_METHOD(DrawTriPatch, (UINT, const float*, const D3DTRIPATCH_INFO*))
    FAKE_METHOD(DeletePatch, (UINT))
    FAKE_OUT_METHOD(CreateQuery, (D3DQUERYTYPE, IDirect3DQuery9**))

    D3DCAPS9 Caps;
    std::vector<ClearCall> Clears;
    std::vector<D3DPRESENT_PARAMETERS> Resets; // parameters of every Reset call
    std::vector<StreamSourceCall> StreamSources;
    std::vector<DrawPrimitiveCall> DrawPrimitives;
    IDirect3DVertexDeclaration9* CurrentDeclaration; // last set, not referenced (as the real one)

    // Resources created through this device; they live as long as the device object.
    std::vector<std::unique_ptr<FakeVertexBuffer>> VertexBuffers;
    std::vector<std::unique_ptr<FakeTexture>> Textures;
    std::vector<std::unique_ptr<FakeVertexDeclaration>> VertexDeclarations;
};

class FakeDirect3D9 : public ComObject<IDirect3D9>
{
public:
    FakeDirect3D9();

    struct CreateDeviceCall
    {
        UINT Adapter;
        D3DDEVTYPE Type;
        HWND FocusWindow;
        DWORD BehaviorFlags;
        D3DPRESENT_PARAMETERS Parameters;
    };

    // Adds one mode as the adapter would report it (appended at the next index).
    void AddMode(UINT width, UINT height, D3DFORMAT format, UINT refreshRate);

    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index,
                                               D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                                           D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override;
    FAKE_METHOD(RegisterSoftwareDevice, (void*))
    FAKE_VALUE_METHOD(UINT, GetAdapterCount, ())
    FAKE_OUT_METHOD(GetAdapterIdentifier, (UINT, DWORD, D3DADAPTER_IDENTIFIER9*))
    FAKE_OUT_METHOD(GetAdapterDisplayMode, (UINT, D3DDISPLAYMODE*))
    FAKE_METHOD(CheckDeviceType, (UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL))
    FAKE_METHOD(CheckDeviceFormat, (UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT))
    FAKE_METHOD(CheckDeviceMultiSampleType, (UINT, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE, DWORD*))
    FAKE_METHOD(CheckDepthStencilMatch, (UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT))
    FAKE_METHOD(CheckDeviceFormatConversion, (UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT))
    FAKE_OUT_METHOD(GetDeviceCaps, (UINT, D3DDEVTYPE, D3DCAPS9*))
    FAKE_VALUE_METHOD(HMONITOR, GetAdapterMonitor, (UINT))

    std::vector<D3DDISPLAYMODE> Modes;                       // all formats, in adapter index order
    std::vector<std::pair<D3DFORMAT, UINT>> FailingModes;    // (format, index) EnumAdapterModes refuses
    std::vector<std::pair<D3DFORMAT, UINT>> EnumeratedModes; // (format, index) of every EnumAdapterModes
    std::vector<CreateDeviceCall> CreateDeviceCalls;
    FakeDevice Device; // what CreateDevice hands out; it holds a reference on this object
};
} // namespace Fake
