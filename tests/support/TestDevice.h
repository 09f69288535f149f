#pragma once
// TestDevice: a hidden window and a windowed HAL Direct3D 9 device on it, made through the real
// d3d9.dll (GetProcAddress), so a test that links the fakes' Direct3DCreate9 still gets a real one.
//
//   TestDevice device(64, 64);               // 64 x 64 X8R8G8B8 back buffer, no depth buffer
//   ASSERT_TRUE(device.Ok());
//   std::vector<std::uint32_t> pixels = device.ReadBack();
#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <vector>

class TestDevice
{
public:
    // The window and the back buffer are width x height; depthStencil adds a D24S8 depth buffer.
    TestDevice(UINT width, UINT height, bool depthStencil = false);
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    bool Ok() const { return Device != nullptr; }
    // The render target's pixels, row by row, as stored (copied through a system-memory surface
    // of the target's own size and format); empty when it cannot be read.
    std::vector<std::uint32_t> ReadBack() const;

    const UINT Width;
    const UINT Height;
    HWND Window;
    IDirect3D9* D3D;
    IDirect3DDevice9* Device;
    HRESULT CreateResult; // of CreateDevice; E_FAIL when there was no window or no Direct3D
};

// Reference count of a COM object as AddRef/Release report it; the probe changes nothing.
ULONG RefCount(IUnknown* object);
