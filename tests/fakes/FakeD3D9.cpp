#include "FakeD3D9.h"

#include <algorithm>
#include <cstring>

namespace Fake
{
std::vector<std::string>& Journal()
{
    static std::vector<std::string> journal;
    return journal;
}

Direct3DCreate9Script Direct3DCreate9Control;

// ---- FakeVertexBuffer

FakeVertexBuffer::FakeVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : ComObject<IDirect3DVertexBuffer9>("VertexBuffer"), Data(length, 0), LockDepth(0)
{
    std::memset(&Desc, 0, sizeof(Desc));
    Desc.Format = D3DFMT_VERTEXDATA;
    Desc.Type = D3DRTYPE_VERTEXBUFFER;
    Desc.Usage = usage;
    Desc.Pool = pool;
    Desc.Size = length;
    Desc.FVF = fvf;
}

HRESULT STDMETHODCALLTYPE FakeVertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags)
{
    const HRESULT result = Record("Lock");
    if (FAILED(result))
        return result;
    if (data == nullptr || offset > Data.size() || (size != 0 && offset + size > Data.size()))
        return D3DERR_INVALIDCALL;
    *data = Data.data() + offset;
    LockFlags.push_back(flags);
    ++LockDepth;
    return result;
}

HRESULT STDMETHODCALLTYPE FakeVertexBuffer::Unlock()
{
    const HRESULT result = Record("Unlock");
    if (SUCCEEDED(result) && LockDepth > 0)
        --LockDepth;
    return result;
}

HRESULT STDMETHODCALLTYPE FakeVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc)
{
    const HRESULT result = Record("GetDesc");
    if (SUCCEEDED(result) && desc != nullptr)
        *desc = Desc;
    return result;
}

// ---- FakeTexture

FakeTexture::FakeTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : ComObject<IDirect3DTexture9>("Texture"), Levels(levels == 0 ? 1 : levels), Pitch(width * 4),
      Data(static_cast<size_t>(width) * height * 4, 0)
{
    std::memset(&Desc, 0, sizeof(Desc));
    Desc.Format = format;
    Desc.Type = D3DRTYPE_TEXTURE;
    Desc.Usage = usage;
    Desc.Pool = pool;
    Desc.Width = width;
    Desc.Height = height;
}

HRESULT STDMETHODCALLTYPE FakeTexture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT*, DWORD)
{
    const HRESULT result = Record("LockRect");
    if (FAILED(result))
        return result;
    if (level != 0 || locked == nullptr)
        return D3DERR_INVALIDCALL;
    locked->pBits = Data.data();
    locked->Pitch = static_cast<INT>(Pitch);
    return result;
}

HRESULT STDMETHODCALLTYPE FakeTexture::UnlockRect(UINT)
{
    return Record("UnlockRect");
}

HRESULT STDMETHODCALLTYPE FakeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc)
{
    const HRESULT result = Record("GetLevelDesc");
    if (FAILED(result))
        return result;
    if (level >= Levels || desc == nullptr)
        return D3DERR_INVALIDCALL;
    *desc = Desc;
    desc->Width = std::max<UINT>(1, Desc.Width >> level);
    desc->Height = std::max<UINT>(1, Desc.Height >> level);
    return result;
}

// ---- FakeVertexDeclaration

FakeVertexDeclaration::FakeVertexDeclaration(const D3DVERTEXELEMENT9* elements)
    : ComObject<IDirect3DVertexDeclaration9>("VertexDeclaration")
{
    // Copy up to and including D3DDECL_END (stream 0xFF).
    for (const D3DVERTEXELEMENT9* element = elements; element != nullptr; ++element)
    {
        Elements.push_back(*element);
        if (element->Stream == 0xFF)
            break;
    }
}

HRESULT STDMETHODCALLTYPE FakeVertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count)
{
    const HRESULT result = Record("GetDeclaration");
    if (FAILED(result))
        return result;
    if (count == nullptr)
        return D3DERR_INVALIDCALL;
    if (elements != nullptr)
        std::copy(Elements.begin(), Elements.end(), elements);
    *count = static_cast<UINT>(Elements.size());
    return result;
}

// ---- FakeDevice

FakeDevice::FakeDevice() : ComObject<IDirect3DDevice9>("Device"), CurrentDeclaration(nullptr)
{
    std::memset(&Caps, 0, sizeof(Caps));
    Caps.DeviceType = D3DDEVTYPE_HAL;
    Caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
    Caps.PixelShaderVersion = D3DPS_VERSION(3, 0);
    Caps.MaxPointSize = 255.0f;
    Caps.MaxPrimitiveCount = 5592405;
    Caps.MaxVertexIndex = 0xFFFFFF;
    Caps.MaxTextureWidth = 16384;
    Caps.MaxTextureHeight = 16384;
    Caps.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
}

HRESULT STDMETHODCALLTYPE FakeDevice::TestCooperativeLevel()
{
    return Record("TestCooperativeLevel");
}

HRESULT STDMETHODCALLTYPE FakeDevice::GetDeviceCaps(D3DCAPS9* caps)
{
    const HRESULT result = Record("GetDeviceCaps");
    if (SUCCEEDED(result) && caps != nullptr)
        *caps = Caps;
    return result;
}

HRESULT STDMETHODCALLTYPE FakeDevice::Reset(D3DPRESENT_PARAMETERS* parameters)
{
    if (parameters != nullptr)
        Resets.push_back(*parameters);
    return Record("Reset");
}

HRESULT STDMETHODCALLTYPE FakeDevice::Present(const RECT*, const RECT*, HWND, const RGNDATA*)
{
    return Record("Present");
}

HRESULT STDMETHODCALLTYPE FakeDevice::Clear(DWORD count, const D3DRECT*, DWORD flags, D3DCOLOR color, float z,
                                            DWORD stencil)
{
    const ClearCall call = {count, flags, color, z, stencil};
    Clears.push_back(call);
    return Record("Clear");
}

HRESULT STDMETHODCALLTYPE FakeDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                                    D3DPOOL pool, IDirect3DTexture9** texture, HANDLE*)
{
    const HRESULT result = Record("CreateTexture");
    if (FAILED(result))
        return result;
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    Textures.emplace_back(new FakeTexture(width, height, levels, usage, format, pool));
    Textures.back()->Parent = this;
    Textures.back()->AddRef();
    *texture = Textures.back().get();
    return result;
}

HRESULT STDMETHODCALLTYPE FakeDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                         IDirect3DVertexBuffer9** buffer, HANDLE*)
{
    const HRESULT result = Record("CreateVertexBuffer");
    if (FAILED(result))
        return result;
    if (buffer == nullptr)
        return D3DERR_INVALIDCALL;
    VertexBuffers.emplace_back(new FakeVertexBuffer(length, usage, fvf, pool));
    VertexBuffers.back()->Parent = this;
    VertexBuffers.back()->AddRef();
    *buffer = VertexBuffers.back().get();
    return result;
}

HRESULT STDMETHODCALLTYPE FakeDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                              IDirect3DVertexDeclaration9** declaration)
{
    const HRESULT result = Record("CreateVertexDeclaration");
    if (FAILED(result))
        return result;
    if (elements == nullptr || declaration == nullptr)
        return D3DERR_INVALIDCALL;
    VertexDeclarations.emplace_back(new FakeVertexDeclaration(elements));
    VertexDeclarations.back()->Parent = this;
    VertexDeclarations.back()->AddRef();
    *declaration = VertexDeclarations.back().get();
    return result;
}

HRESULT STDMETHODCALLTYPE FakeDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration)
{
    CurrentDeclaration = declaration;
    return Record("SetVertexDeclaration");
}

HRESULT STDMETHODCALLTYPE FakeDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                                      UINT stride)
{
    const StreamSourceCall call = {stream, buffer, offset, stride};
    StreamSources.push_back(call);
    return Record("SetStreamSource");
}

HRESULT STDMETHODCALLTYPE FakeDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount)
{
    const DrawPrimitiveCall call = {type, startVertex, primitiveCount};
    DrawPrimitives.push_back(call);
    return Record("DrawPrimitive");
}

// ---- FakeDirect3D9

FakeDirect3D9::FakeDirect3D9() : ComObject<IDirect3D9>("Direct3D")
{
    Device.Parent = this;
}

void FakeDirect3D9::AddMode(UINT width, UINT height, D3DFORMAT format, UINT refreshRate)
{
    D3DDISPLAYMODE mode;
    mode.Width = width;
    mode.Height = height;
    mode.RefreshRate = refreshRate;
    mode.Format = format;
    Modes.push_back(mode);
}

UINT STDMETHODCALLTYPE FakeDirect3D9::GetAdapterModeCount(UINT, D3DFORMAT format)
{
    Record("GetAdapterModeCount");
    UINT count = 0;
    for (const D3DDISPLAYMODE& mode : Modes)
        count += mode.Format == format ? 1 : 0;
    return count;
}

HRESULT STDMETHODCALLTYPE FakeDirect3D9::EnumAdapterModes(UINT, D3DFORMAT format, UINT index, D3DDISPLAYMODE* mode)
{
    EnumeratedModes.push_back(std::make_pair(format, index));
    const HRESULT result = Record("EnumAdapterModes");
    if (FAILED(result))
        return result;
    if (std::find(FailingModes.begin(), FailingModes.end(), std::make_pair(format, index)) != FailingModes.end())
        return D3DERR_INVALIDCALL;
    UINT seen = 0;
    for (const D3DDISPLAYMODE& listed : Modes)
    {
        if (listed.Format != format)
            continue;
        if (seen++ == index)
        {
            *mode = listed;
            return result;
        }
    }
    return D3DERR_INVALIDCALL;
}

HRESULT STDMETHODCALLTYPE FakeDirect3D9::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow,
                                                      DWORD behaviorFlags, D3DPRESENT_PARAMETERS* parameters,
                                                      IDirect3DDevice9** device)
{
    CreateDeviceCall call;
    std::memset(&call, 0, sizeof(call));
    call.Adapter = adapter;
    call.Type = type;
    call.FocusWindow = focusWindow;
    call.BehaviorFlags = behaviorFlags;
    if (parameters != nullptr)
        call.Parameters = *parameters;
    CreateDeviceCalls.push_back(call);

    const HRESULT result = Record("CreateDevice");
    if (FAILED(result))
        return result;
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    Device.AddRef();
    *device = &Device;
    return result;
}
} // namespace Fake

// The seam: the linker takes this definition before the import library's.
IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion)
{
    Fake::Direct3DCreate9Script& control = Fake::Direct3DCreate9Control;
    ++control.Calls;
    control.LastSdkVersion = sdkVersion;
    if (control.Forward)
    {
        typedef IDirect3D9*(WINAPI * CreateFunction)(UINT);
        const HMODULE library = LoadLibraryW(L"d3d9.dll");
        const CreateFunction create =
            library != nullptr ? reinterpret_cast<CreateFunction>(
                                     reinterpret_cast<void (*)()>(GetProcAddress(library, "Direct3DCreate9")))
                               : nullptr;
        return create != nullptr ? create(sdkVersion) : nullptr;
    }
    if (control.Object != nullptr)
        control.Object->AddRef();
    return control.Object;
}
