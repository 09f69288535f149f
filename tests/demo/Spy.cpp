#include "Spy.h"

#include "tests/fakes/Forwarding.h"

namespace
{
std::string Num(unsigned long long value)
{
    return std::to_string(value);
}

class SpyBuffer : public Fake::ForwardingVertexBuffer
{
public:
    using ForwardingVertexBuffer::ForwardingVertexBuffer;

    HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** data, DWORD flags) override
    {
        Fake::Journal().push_back("Buffer.Lock " + Num(offset) + " " + Num(size) + " " + Num(flags));
        return Spied().Script.Lock != 0 ? Spied().Script.Lock : Real->Lock(offset, size, data, flags);
    }
    HRESULT STDMETHODCALLTYPE Unlock() override
    {
        Fake::Journal().push_back("Buffer.Unlock");
        return Spied().Script.Unlock != 0 ? Spied().Script.Unlock : Real->Unlock();
    }
};

class SpyDevice : public Fake::ForwardingDevice
{
public:
    using ForwardingDevice::ForwardingDevice;

    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer9** buffer, HANDLE* shared) override
    {
        Fake::Journal().push_back("Device.CreateVertexBuffer " + Num(length) + " " + Num(usage) + " " + Num(fvf) + " " +
                                  Num(pool) + (shared ? " shared" : " null"));
        if (Spied().Script.CreateVertexBuffer != 0)
            return Spied().Script.CreateVertexBuffer;
        const HRESULT hr = Real->CreateVertexBuffer(length, usage, fvf, pool, buffer, shared);
        if (hr == D3D_OK)
            *buffer = new SpyBuffer(*buffer, this);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                      IDirect3DVertexDeclaration9** declaration) override
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
        const HRESULT hr = Real->CreateVertexDeclaration(elements, declaration);
        if (hr == D3D_OK)
            Spied().LastDeclaration = *declaration;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override
    {
        Fake::Journal().push_back(std::string("Device.SetVertexDeclaration ") +
                                  (declaration == Spied().LastDeclaration ? "particles" : "other"));
        return Real->SetVertexDeclaration(declaration);
    }
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                              UINT stride) override
    {
        // Every buffer this device made is a watched one.
        if (Fake::Forwarding<IDirect3DVertexBuffer9>::Find(buffer) != nullptr)
            Fake::Journal().push_back("Device.SetStreamSource " + Num(stream) + " particles " + Num(offset) + " " +
                                      Num(stride));
        return ForwardingDevice::SetStreamSource(stream, buffer, offset, stride);
    }
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override
    {
        Fake::Journal().push_back("Device.DrawPrimitive " + Num(type) + " " + Num(start) + " " + Num(count));
        return Real->DrawPrimitive(type, start, count);
    }
};

class SpyMesh : public Fake::ForwardingMesh
{
public:
    SpyMesh(ID3DXMesh* real, const std::string& name) : ForwardingMesh(real), Name(name) {}

    HRESULT STDMETHODCALLTYPE DrawSubset(DWORD subset) override
    {
        Fake::Journal().push_back(Name + ".DrawSubset " + Num(subset));
        return Real->DrawSubset(subset);
    }

    const std::string Name;
};
} // namespace

SpyRecord& Spied()
{
    static SpyRecord record;
    return record;
}

IDirect3DDevice9* SpyOnDevice(IDirect3DDevice9* device)
{
    return new SpyDevice(device);
}

ID3DXMesh* SpyOnMesh(ID3DXMesh* mesh, const std::string& name)
{
    return new SpyMesh(mesh, name);
}
