// The device manager and renderer on Wine's real Direct3D 9, for a hidden window.
#include "RealDevice.h"

#include "tests/support/LogCapture.h"
#include "Vexa2/Engine/vRenderer.h"
#include "Vexa2/Engine/vStatus.h"

#include <gtest/gtest.h>

#include <cwctype>

using RealDevice::HiddenWindow;

namespace
{
const std::uint32_t ClearRgb = 0x000080; // 0xFF000080 without its alpha

const wchar_t* const DeviceManagerFile = L".\\Vexa2\\Engine\\Renderer\\vDeviceManager";

bool SameModes(const std::vector<Vexa::DisplayMode>& listed, const std::vector<RealDevice::Mode>& expected)
{
    if (listed.size() != expected.size())
        return false;
    for (size_t i = 0; i < listed.size(); ++i)
    {
        if (listed[i].Width != expected[i].Width || listed[i].Height != expected[i].Height ||
            listed[i].Format != expected[i].Format || listed[i].RefreshRate != expected[i].RefreshRate)
            return false;
    }
    return true;
}

void ExpectClearColour(IDirect3DDevice9* device, UINT width, UINT height)
{
    const RealDevice::Image image = RealDevice::ReadBackBuffer(device);
    ASSERT_EQ(image.Width, width);
    ASSERT_EQ(image.Height, height);
    EXPECT_EQ(image.At(0, 0), ClearRgb);
    EXPECT_EQ(image.At(width - 1, 0), ClearRgb);
    EXPECT_EQ(image.At(0, height - 1), ClearRgb);
    EXPECT_EQ(image.At(width - 1, height - 1), ClearRgb);
    EXPECT_EQ(image.At(width / 2, height / 2), ClearRgb);
}
} // namespace

TEST(DeviceManagerOnWine, InitCreatesWindowedHalDeviceForHiddenWindow)
{
    LogCapture log;
    HiddenWindow window(800, 600);
    ASSERT_NE(window.Handle, nullptr);
    const std::vector<RealDevice::Mode> adapterModes = RealDevice::AdapterModes();

    Vexa::Renderer renderer;
    ASSERT_EQ(renderer.Init(Vexa::StartupConfig(), window.Handle), 0);
    ASSERT_NE(renderer.Device, nullptr);
    ASSERT_NE(renderer.Direct3D, nullptr);
    EXPECT_EQ(renderer.DeviceWindow, window.Handle);
    EXPECT_FALSE(IsWindowVisible(window.Handle));

    // The mode list is what the adapter reports, walked the same way.
    ASSERT_FALSE(adapterModes.empty());
    EXPECT_TRUE(SameModes(renderer.DisplayModes, adapterModes));

    const D3DPRESENT_PARAMETERS& parameters = renderer.PresentParameters;
    EXPECT_EQ(parameters.BackBufferWidth, 800u);
    EXPECT_EQ(parameters.BackBufferHeight, 600u);
    EXPECT_EQ(parameters.BackBufferCount, 1u);
    EXPECT_EQ(parameters.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(parameters.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_EQ(parameters.hDeviceWindow, window.Handle);
    EXPECT_EQ(parameters.Windowed, TRUE);
    EXPECT_EQ(parameters.EnableAutoDepthStencil, TRUE);
    EXPECT_EQ(parameters.AutoDepthStencilFormat, D3DFMT_D24X8);
    EXPECT_EQ(parameters.Flags, 0u);
    EXPECT_EQ(parameters.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(parameters.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
    // The runtime may write the desktop format back into the caller's record.
    EXPECT_TRUE(parameters.BackBufferFormat == D3DFMT_UNKNOWN || parameters.BackBufferFormat == D3DFMT_X8R8G8B8)
        << parameters.BackBufferFormat;

    EXPECT_EQ(renderer.DeviceCaps.DeviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(renderer.DeviceCaps.AdapterOrdinal, 0u);
    EXPECT_GT(renderer.DeviceCaps.MaxTextureWidth, 0u);

    // The device is usable: one cleared frame, presented.
    EXPECT_EQ(renderer.Device->TestCooperativeLevel(), D3D_OK);
    renderer.Render();
    ExpectClearColour(renderer.Device, 800, 600);
    EXPECT_EQ(renderer.Device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    renderer.Release();
    EXPECT_TRUE(log.Entries().empty());
}

TEST(DeviceManagerOnWine, ResetWithUnchangedParametersSucceeds)
{
    LogCapture log;
    HiddenWindow window(800, 600);
    Vexa::Renderer renderer;
    ASSERT_EQ(renderer.Init(Vexa::StartupConfig(), window.Handle), 0);
    const D3DPRESENT_PARAMETERS before = renderer.PresentParameters;

    // No screen: the renderer's reset is the device manager's (after the lost-state wait).
    EXPECT_EQ(renderer.ResetDevice(), 0);
    EXPECT_EQ(renderer.Device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(renderer.PresentParameters.BackBufferWidth, before.BackBufferWidth);
    EXPECT_EQ(renderer.PresentParameters.Windowed, before.Windowed);
    renderer.Render();
    ExpectClearColour(renderer.Device, 800, 600);
    EXPECT_EQ(renderer.Device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    // The mode-change path resets at once and clears the flag.
    renderer.SkipLostWait = true;
    EXPECT_EQ(renderer.DeviceManager::ResetDevice(), 0);
    EXPECT_FALSE(renderer.SkipLostWait);
    EXPECT_EQ(renderer.Device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    // A windowed size change prepared by SetDisplayMode: the back buffer follows.
    const Vexa::DisplayMode small = {640, 480, D3DFMT_X8R8G8B8, 60};
    ASSERT_EQ(renderer.SetDisplayMode(small, false, 0), 0);
    EXPECT_EQ(renderer.ResetDevice(), 0);
    renderer.Render();
    ExpectClearColour(renderer.Device, 640, 480);

    renderer.Release();
    EXPECT_TRUE(log.Entries().empty());
}

TEST(DeviceManagerOnWine, ReleaseDropsEveryReferenceItTook)
{
    HiddenWindow window(800, 600);
    Vexa::Renderer renderer;
    ASSERT_EQ(renderer.Init(Vexa::StartupConfig(), window.Handle), 0);
    IDirect3DDevice9* device = renderer.Device;
    IDirect3D9* direct3D = renderer.Direct3D;

    // The manager holds one reference on the device; the device holds one on Direct3D.
    EXPECT_EQ(RefCount(device), 1u);
    EXPECT_EQ(RefCount(direct3D), 2u);

    // Keep both alive past Release to see what it left: exactly our own references.
    device->AddRef();
    direct3D->AddRef();
    renderer.Release();
    EXPECT_EQ(renderer.Device, nullptr);
    EXPECT_EQ(renderer.Direct3D, nullptr);
    EXPECT_TRUE(renderer.DisplayModes.empty());
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(direct3D->Release(), 0u);

    // A second Release finds nothing to do.
    renderer.Release();
    EXPECT_EQ(renderer.Device, nullptr);
    EXPECT_EQ(renderer.Direct3D, nullptr);
}

TEST(DeviceManagerOnWine, ReferenceDeviceTypeCreatesReferenceRasteriser)
{
    LogCapture log;
    HiddenWindow window(800, 600);
    Vexa::Config config = Vexa::StartupConfig();
    config.DeviceType = 1;
    Vexa::Renderer renderer;
    ASSERT_EQ(renderer.Init(config, window.Handle), 0);
    D3DDEVICE_CREATION_PARAMETERS creation;
    ASSERT_EQ(renderer.Device->GetCreationParameters(&creation), D3D_OK);
    EXPECT_EQ(creation.DeviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(renderer.DeviceCaps.DeviceType, D3DDEVTYPE_REF);
    renderer.Render();
    ExpectClearColour(renderer.Device, 800, 600);
    renderer.Release();
    EXPECT_TRUE(log.Entries().empty());
}

TEST(DeviceManagerOnWine, VertexProcessingSelectsBehaviourFlags)
{
    HiddenWindow window(800, 600);
    const DWORD expected[] = {D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DCREATE_MIXED_VERTEXPROCESSING,
                              D3DCREATE_SOFTWARE_VERTEXPROCESSING};
    for (int processing = 0; processing < 3; ++processing)
    {
        Vexa::Config config = Vexa::StartupConfig();
        config.VertexProcessing = processing;
        Vexa::Renderer renderer;
        ASSERT_EQ(renderer.Init(config, window.Handle), 0) << processing;
        D3DDEVICE_CREATION_PARAMETERS creation;
        ASSERT_EQ(renderer.Device->GetCreationParameters(&creation), D3D_OK);
        EXPECT_EQ(creation.BehaviorFlags, expected[processing]) << processing;
        EXPECT_EQ(creation.hFocusWindow, window.Handle);
        renderer.Release();
    }
}

TEST(DeviceManagerOnWine, UnknownDeviceTypeIsRefusedAndLogged)
{
    HiddenWindow window(800, 600);
    for (std::int32_t type : {2, -1})
    {
        LogCapture log;
        Vexa::Config config = Vexa::StartupConfig();
        config.DeviceType = type;
        Vexa::Renderer renderer;
        EXPECT_EQ(renderer.Init(config, window.Handle), Vexa::StatusBadDeviceType) << type;
        // Init released what it had created.
        EXPECT_EQ(renderer.Device, nullptr);
        EXPECT_EQ(renderer.Direct3D, nullptr);
        EXPECT_TRUE(renderer.DisplayModes.empty());
        EXPECT_EQ(renderer.DeviceWindow, nullptr);
        const std::vector<std::wstring> messages = log.Entries();
        ASSERT_EQ(messages.size(), 1u) << type;
        EXPECT_TRUE(
            IsLogEntry(messages[0], DeviceManagerFile, L"Vexa::DeviceManager::CreateDevice", L"Bad device type."));
    }
}

TEST(DeviceManagerOnWine, FullScreenSizeNotListedIsRefusedAndLogged)
{
    LogCapture log;
    HiddenWindow window(800, 600);
    const std::vector<RealDevice::Mode> adapterModes = RealDevice::AdapterModes();
    Vexa::Config config = Vexa::StartupConfig();
    config.FullScreen = true;
    config.Width = 123; // no adapter lists this size
    config.Height = 45;
    for (const RealDevice::Mode& mode : adapterModes)
        ASSERT_FALSE(mode.Width == 123u && mode.Height == 45u);

    Vexa::Renderer renderer;
    EXPECT_EQ(renderer.Init(config, window.Handle), Vexa::StatusNoDisplayMode);
    EXPECT_EQ(renderer.Device, nullptr);
    EXPECT_EQ(renderer.Direct3D, nullptr);
    EXPECT_TRUE(renderer.DisplayModes.empty());
    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(IsLogEntry(messages[0], DeviceManagerFile, L"Vexa::DeviceManager::CheckAndSetParameters",
                           L"None of display modes match to config"));
}

TEST(DeviceManagerOnWine, FullScreenListedModeCreatesFullScreenDevice)
{
    LogCapture log;
    const std::vector<RealDevice::Mode> adapterModes = RealDevice::AdapterModes();
    const RealDevice::Mode* listed = nullptr;
    for (const RealDevice::Mode& mode : adapterModes)
        if (mode.Format == D3DFMT_X8R8G8B8 && listed == nullptr)
            listed = &mode;
    ASSERT_NE(listed, nullptr) << "the adapter lists no X8R8G8B8 mode";

    HiddenWindow window(800, 600);
    Vexa::Config config = Vexa::StartupConfig();
    config.FullScreen = true;
    config.Width = static_cast<std::int32_t>(listed->Width);
    config.Height = static_cast<std::int32_t>(listed->Height);
    Vexa::Renderer renderer;
    ASSERT_EQ(renderer.Init(config, window.Handle), 0);
    EXPECT_EQ(renderer.PresentParameters.Windowed, FALSE);
    EXPECT_EQ(renderer.PresentParameters.BackBufferWidth, listed->Width);
    EXPECT_EQ(renderer.PresentParameters.BackBufferHeight, listed->Height);
    EXPECT_EQ(renderer.PresentParameters.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(renderer.PresentParameters.FullScreen_RefreshRateInHz, listed->RefreshRate);
    renderer.Render();
    ExpectClearColour(renderer.Device, listed->Width, listed->Height);
    renderer.Release();
    EXPECT_TRUE(log.Entries().empty());
}
