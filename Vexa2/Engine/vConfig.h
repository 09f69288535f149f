#pragma once
// The start-up configuration, filled once by the entry point.
#include <d3d9.h>

#include <cstdint>

namespace Vexa
{
struct Config
{
    std::int32_t DeviceType;       // 0 hardware, 1 reference rasteriser
    std::int32_t VertexProcessing; // 0 hardware, 1 mixed, 2 software
    D3DFORMAT BackBufferFormat;    // only used to pick the full-screen mode
    bool FullScreen;
    bool VSync;
    // Adjacent on purpose: the window manager takes &Width as a (width, height) pair.
    std::int32_t Width;
    std::int32_t Height;
};

// What the program starts with: hardware device and vertex processing, windowed, no vertical
// sync, 800 x 600; X8R8G8B8 should full screen be asked for.
inline Config StartupConfig()
{
    return Config{0, 0, D3DFMT_X8R8G8B8, false, false, 800, 600};
}
} // namespace Vexa
