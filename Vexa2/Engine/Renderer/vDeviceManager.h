#pragma once
// The Direct3D 9 object and device: display modes, present parameters, creation, reset.
#include "Vexa2/Engine/vConfig.h"

#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <vector>

namespace Vexa
{
// One full-screen mode. Unlike D3DDISPLAYMODE the format comes before the rate.
struct DisplayMode
{
    std::uint32_t Width;
    std::uint32_t Height;
    D3DFORMAT Format;
    std::uint32_t RefreshRate; // the highest rate reported for this size and format
};

class DeviceManager
{
public:
    DeviceManager();

    // CreateD3DObject, CheckAndSetParameters, CreateDevice; on failure everything is released.
    int Init(const Config& config, HWND window);
    int CreateD3DObject();
    void EnumerateModes(D3DFORMAT format);
    int CheckAndSetParameters(const Config& config, HWND window);
    int CreateDevice(const Config& config);
    // Waits while the device is lost (unless SkipLostWait), then resets it.
    int ResetDevice();
    // Prepares PresentParameters for the next ResetDevice; vsync 0 immediate, 1 default.
    int SetDisplayMode(const DisplayMode& mode, bool fullScreen, BYTE vsync);
    // May run again: finds null pointers and an empty list.
    void Release();

    IDirect3D9* Direct3D;
    std::vector<DisplayMode> DisplayModes;
    D3DPRESENT_PARAMETERS PresentParameters;
    IDirect3DDevice9* Device;
    D3DCAPS9 DeviceCaps;
    D3DCOLOR ClearColor;
    bool SkipLostWait;
    HWND DeviceWindow;
};
} // namespace Vexa
