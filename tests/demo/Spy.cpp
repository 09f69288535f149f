#include "Spy.h"

#include <map>
#include <memory>

namespace
{
// Method slots in the COM tables (IUnknown's three first).
const size_t DeviceMethods = 119;
const size_t SlotCreateVertexBuffer = 26;
const size_t SlotDrawPrimitive = 81;
const size_t SlotCreateVertexDeclaration = 86;
const size_t SlotSetVertexDeclaration = 87;
const size_t SlotSetStreamSource = 100;
const size_t BufferMethods = 14;
const size_t SlotLock = 11;
const size_t SlotUnlock = 12;
const size_t MeshMethods = 29;
const size_t SlotDrawSubset = 3;

struct Hooked
{
    void** Original;         // the object's own table
    std::vector<void*> Copy; // the table it uses now
    std::string Name;
};

// Keyed by object; entries outlive their objects on purpose (addresses may come back, the
// entry is then simply replaced).
std::map<void*, std::unique_ptr<Hooked>>& Objects()
{
    static std::map<void*, std::unique_ptr<Hooked>> objects;
    return objects;
}

Hooked& Hook(void* object, size_t methods, const std::string& name)
{
    void*** table = static_cast<void***>(object);
    std::unique_ptr<Hooked> hooked(new Hooked);
    hooked->Original = *table;
    hooked->Copy.assign(*table, *table + methods);
    hooked->Name = name;
    Hooked& result = *hooked;
    Objects()[object] = std::move(hooked);
    *table = result.Copy.data();
    return result;
}

Hooked* Find(void* object)
{
    auto found = Objects().find(object);
    if (found == Objects().end())
        return nullptr;
    // Still wearing our table? Otherwise the address belongs to a new object.
    if (*static_cast<void***>(object) != found->second->Copy.data())
        return nullptr;
    return found->second.get();
}

template <class F>
F Original(void* object, size_t slot)
{
    return reinterpret_cast<F>(Objects()[object]->Original[slot]);
}

std::string Num(unsigned long long value)
{
    return std::to_string(value);
}

HRESULT WINAPI BufferLock(IDirect3DVertexBuffer9* self, UINT offset, UINT size, void** data, DWORD flags)
{
    Fake::Journal().push_back("Buffer.Lock " + Num(offset) + " " + Num(size) + " " + Num(flags));
    if (Spied().Script.Lock != 0)
        return Spied().Script.Lock;
    typedef HRESULT(WINAPI * Fn)(IDirect3DVertexBuffer9*, UINT, UINT, void**, DWORD);
    return Original<Fn>(self, SlotLock)(self, offset, size, data, flags);
}

HRESULT WINAPI BufferUnlock(IDirect3DVertexBuffer9* self)
{
    Fake::Journal().push_back("Buffer.Unlock");
    if (Spied().Script.Unlock != 0)
        return Spied().Script.Unlock;
    typedef HRESULT(WINAPI * Fn)(IDirect3DVertexBuffer9*);
    return Original<Fn>(self, SlotUnlock)(self);
}

HRESULT WINAPI DeviceCreateVertexBuffer(IDirect3DDevice9* self, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                        IDirect3DVertexBuffer9** buffer, HANDLE* shared)
{
    Fake::Journal().push_back("Device.CreateVertexBuffer " + Num(length) + " " + Num(usage) + " " + Num(fvf) + " " +
                              Num(pool) + (shared ? " shared" : " null"));
    if (Spied().Script.CreateVertexBuffer != 0)
        return Spied().Script.CreateVertexBuffer;
    typedef HRESULT(WINAPI * Fn)(IDirect3DDevice9*, UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9**, HANDLE*);
    const HRESULT hr = Original<Fn>(self, SlotCreateVertexBuffer)(self, length, usage, fvf, pool, buffer, shared);
    if (hr == D3D_OK)
    {
        Hooked& hooked = Hook(*buffer, BufferMethods, "Buffer");
        hooked.Copy[SlotLock] = reinterpret_cast<void*>(&BufferLock);
        hooked.Copy[SlotUnlock] = reinterpret_cast<void*>(&BufferUnlock);
        Spied().LastVertexBuffer = *buffer;
    }
    return hr;
}

HRESULT WINAPI DeviceCreateVertexDeclaration(IDirect3DDevice9* self, const D3DVERTEXELEMENT9* elements,
                                             IDirect3DVertexDeclaration9** declaration)
{
    Fake::Journal().push_back("Device.CreateVertexDeclaration");
    Spied().Elements.clear();
    for (const D3DVERTEXELEMENT9* e = elements;; ++e)
    {
        Spied().Elements.push_back(*e);
        if (e->Stream == 0xFF)
            break;
    }
    if (Spied().Script.CreateVertexDeclaration != 0)
        return Spied().Script.CreateVertexDeclaration;
    typedef HRESULT(WINAPI * Fn)(IDirect3DDevice9*, const D3DVERTEXELEMENT9*, IDirect3DVertexDeclaration9**);
    const HRESULT hr = Original<Fn>(self, SlotCreateVertexDeclaration)(self, elements, declaration);
    if (hr == D3D_OK)
        Spied().LastDeclaration = *declaration;
    return hr;
}

HRESULT WINAPI DeviceSetVertexDeclaration(IDirect3DDevice9* self, IDirect3DVertexDeclaration9* declaration)
{
    Fake::Journal().push_back(std::string("Device.SetVertexDeclaration ") +
                              (declaration == Spied().LastDeclaration ? "particles" : "other"));
    typedef HRESULT(WINAPI * Fn)(IDirect3DDevice9*, IDirect3DVertexDeclaration9*);
    return Original<Fn>(self, SlotSetVertexDeclaration)(self, declaration);
}

HRESULT WINAPI DeviceSetStreamSource(IDirect3DDevice9* self, UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                     UINT stride)
{
    Hooked* hooked = buffer != nullptr ? Find(buffer) : nullptr;
    if (hooked != nullptr)
        Fake::Journal().push_back("Device.SetStreamSource " + Num(stream) + " particles " + Num(offset) + " " +
                                  Num(stride));
    typedef HRESULT(WINAPI * Fn)(IDirect3DDevice9*, UINT, IDirect3DVertexBuffer9*, UINT, UINT);
    // The runtime checks a buffer's table: show it its own for the call.
    void*** table = reinterpret_cast<void***>(buffer);
    if (hooked != nullptr)
        *table = hooked->Original;
    const HRESULT hr = Original<Fn>(self, SlotSetStreamSource)(self, stream, buffer, offset, stride);
    if (hooked != nullptr)
        *table = hooked->Copy.data();
    return hr;
}

HRESULT WINAPI DeviceDrawPrimitive(IDirect3DDevice9* self, D3DPRIMITIVETYPE type, UINT start, UINT count)
{
    Fake::Journal().push_back("Device.DrawPrimitive " + Num(type) + " " + Num(start) + " " + Num(count));
    typedef HRESULT(WINAPI * Fn)(IDirect3DDevice9*, D3DPRIMITIVETYPE, UINT, UINT);
    return Original<Fn>(self, SlotDrawPrimitive)(self, type, start, count);
}

HRESULT WINAPI MeshDrawSubset(ID3DXMesh* self, DWORD subset)
{
    Fake::Journal().push_back(Objects()[self]->Name + ".DrawSubset " + Num(subset));
    typedef HRESULT(WINAPI * Fn)(ID3DXMesh*, DWORD);
    return Original<Fn>(self, SlotDrawSubset)(self, subset);
}
} // namespace

SpyRecord& Spied()
{
    static SpyRecord record;
    return record;
}

void SpyOnDevice(IDirect3DDevice9* device)
{
    Hooked& hooked = Hook(device, DeviceMethods, "Device");
    hooked.Copy[SlotCreateVertexBuffer] = reinterpret_cast<void*>(&DeviceCreateVertexBuffer);
    hooked.Copy[SlotCreateVertexDeclaration] = reinterpret_cast<void*>(&DeviceCreateVertexDeclaration);
    hooked.Copy[SlotSetVertexDeclaration] = reinterpret_cast<void*>(&DeviceSetVertexDeclaration);
    hooked.Copy[SlotSetStreamSource] = reinterpret_cast<void*>(&DeviceSetStreamSource);
    hooked.Copy[SlotDrawPrimitive] = reinterpret_cast<void*>(&DeviceDrawPrimitive);
}

void SpyOnMesh(ID3DXMesh* mesh, const std::string& name)
{
    Hooked& hooked = Hook(mesh, MeshMethods, name);
    hooked.Copy[SlotDrawSubset] = reinterpret_cast<void*>(&MeshDrawSubset);
}
