// Device manager against a fake Direct3D: modes, present parameters, creation, reset, release.
#include "EngineTestSupport.h"
#include "tests/support/LogCapture.h"
#include "Vexa2/Engine/Renderer/vDeviceManager.h"
#include "Vexa2/Engine/vStatus.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
const wchar_t* const DeviceFile = L".\\Vexa2\\Engine\\Renderer\\vDeviceManager";

Vexa::Config WindowedConfig()
{
    return Vexa::StartupConfig();
}

Vexa::Config FullScreenConfig(std::int32_t width, std::int32_t height, D3DFORMAT format)
{
    Vexa::Config config = WindowedConfig();
    config.FullScreen = true;
    config.Width = width;
    config.Height = height;
    config.BackBufferFormat = format;
    return config;
}

HWND SomeWindow()
{
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
}

bool SameMode(const Vexa::DisplayMode& mode, UINT width, UINT height, D3DFORMAT format, UINT rate)
{
    return mode.Width == width && mode.Height == height && mode.Format == format && mode.RefreshRate == rate;
}

class DeviceManagerTest : public FakePlatformTest
{
protected:
    Vexa::DeviceManager Manager;
};
} // namespace

TEST_F(DeviceManagerTest, ConstructionLeavesNothingAndTheDefaultClearColour)
{
    EXPECT_EQ(Manager.Direct3D, nullptr);
    EXPECT_EQ(Manager.Device, nullptr);
    EXPECT_TRUE(Manager.DisplayModes.empty());
    EXPECT_EQ(Manager.ClearColor, 0xFF000080u);
    EXPECT_FALSE(Manager.SkipLostWait);
    EXPECT_EQ(Manager.DeviceWindow, nullptr);
    EXPECT_EQ(Manager.PresentParameters.BackBufferWidth, 0u);
    EXPECT_EQ(Manager.PresentParameters.PresentationInterval, 0u);
    EXPECT_EQ(Manager.DeviceCaps.MaxPointSize, 0.0f);
}

TEST_F(DeviceManagerTest, CreateD3DObjectNullIsLoggedAtItsReportSite)
{
    Fake::Direct3DCreate9Control.Object = nullptr;
    LogCapture log;

    EXPECT_EQ(Manager.CreateD3DObject(), 0x8006);

    EXPECT_EQ(Fake::Direct3DCreate9Control.LastSdkVersion, 32u);
    EXPECT_EQ(Manager.Direct3D, nullptr);
    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], L"[.\\Vexa2\\Engine\\Renderer\\vDeviceManager | Vexa::DeviceManager::CreateD3DObject | "
                           L"LINE: *] >> Function \"Direct3DCreate9()\" returned NULL");
}

TEST_F(DeviceManagerTest, ModesAreListedByFormatWalkingIndicesDownwardsKeepingTheHighestRate)
{
    // Adapter index order per format; the walk goes from the last index to the first.
    Direct3D.AddMode(640, 480, D3DFMT_X8R8G8B8, 60);
    Direct3D.AddMode(800, 600, D3DFMT_X8R8G8B8, 60);
    Direct3D.AddMode(800, 600, D3DFMT_X8R8G8B8, 85);
    Direct3D.AddMode(800, 600, D3DFMT_X8R8G8B8, 75);
    Direct3D.AddMode(1024, 768, D3DFMT_X8R8G8B8, 60);
    Direct3D.AddMode(640, 480, D3DFMT_R5G6B5, 60);
    Direct3D.AddMode(640, 480, D3DFMT_A8R8G8B8, 70);
    Direct3D.AddMode(1280, 1024, D3DFMT_X1R5G5B5, 60); // not a listed format

    ASSERT_EQ(Manager.CreateD3DObject(), 0);

    ASSERT_EQ(Manager.DisplayModes.size(), 5u);
    EXPECT_TRUE(SameMode(Manager.DisplayModes[0], 640, 480, D3DFMT_A8R8G8B8, 70));
    EXPECT_TRUE(SameMode(Manager.DisplayModes[1], 1024, 768, D3DFMT_X8R8G8B8, 60));
    EXPECT_TRUE(SameMode(Manager.DisplayModes[2], 800, 600, D3DFMT_X8R8G8B8, 85));
    EXPECT_TRUE(SameMode(Manager.DisplayModes[3], 640, 480, D3DFMT_X8R8G8B8, 60));
    EXPECT_TRUE(SameMode(Manager.DisplayModes[4], 640, 480, D3DFMT_R5G6B5, 60));

    const std::vector<std::pair<D3DFORMAT, UINT>> expectedWalk = {
        {D3DFMT_A8R8G8B8, 0}, {D3DFMT_X8R8G8B8, 4}, {D3DFMT_X8R8G8B8, 3}, {D3DFMT_X8R8G8B8, 2},
        {D3DFMT_X8R8G8B8, 1}, {D3DFMT_X8R8G8B8, 0}, {D3DFMT_R5G6B5, 0}};
    EXPECT_EQ(Direct3D.EnumeratedModes, expectedWalk);
    Manager.Release();
}

TEST_F(DeviceManagerTest, AModeThatCannotBeReadIsSkipped)
{
    Direct3D.AddMode(640, 480, D3DFMT_X8R8G8B8, 60);
    Direct3D.AddMode(800, 600, D3DFMT_X8R8G8B8, 60);
    Direct3D.AddMode(1024, 768, D3DFMT_X8R8G8B8, 60);
    Direct3D.FailingModes.push_back(std::make_pair(D3DFMT_X8R8G8B8, 1u));

    ASSERT_EQ(Manager.CreateD3DObject(), 0);

    ASSERT_EQ(Manager.DisplayModes.size(), 2u);
    EXPECT_TRUE(SameMode(Manager.DisplayModes[0], 1024, 768, D3DFMT_X8R8G8B8, 60));
    EXPECT_TRUE(SameMode(Manager.DisplayModes[1], 640, 480, D3DFMT_X8R8G8B8, 60));
    Manager.Release();
}

TEST_F(DeviceManagerTest, WindowedParametersIgnoreTheModeList)
{
    for (int vsync = 0; vsync < 2; ++vsync)
    {
        Vexa::DeviceManager manager;
        Vexa::Config config = WindowedConfig();
        config.VSync = vsync == 1;
        config.Width = 640;
        config.Height = 400;

        ASSERT_EQ(manager.CheckAndSetParameters(config, SomeWindow()), 0); // empty mode list

        const D3DPRESENT_PARAMETERS& p = manager.PresentParameters;
        EXPECT_EQ(p.BackBufferWidth, 640u);
        EXPECT_EQ(p.BackBufferHeight, 400u);
        EXPECT_EQ(p.BackBufferFormat, D3DFMT_UNKNOWN);
        EXPECT_EQ(p.BackBufferCount, 1u);
        EXPECT_EQ(p.MultiSampleType, D3DMULTISAMPLE_NONE);
        EXPECT_EQ(p.MultiSampleQuality, 0u);
        EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_COPY);
        EXPECT_EQ(p.hDeviceWindow, SomeWindow());
        EXPECT_EQ(p.Windowed, TRUE);
        EXPECT_EQ(p.EnableAutoDepthStencil, TRUE);
        EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D24X8);
        EXPECT_EQ(p.Flags, 0u);
        EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);
        EXPECT_EQ(p.PresentationInterval, vsync == 1 ? 0u : 0x80000000u);
    }
}

TEST_F(DeviceManagerTest, FullScreenParametersComeFromTheMatchingMode)
{
    Direct3D.AddMode(800, 600, D3DFMT_R5G6B5, 60);
    Direct3D.AddMode(800, 600, D3DFMT_X8R8G8B8, 60);
    Direct3D.AddMode(800, 600, D3DFMT_X8R8G8B8, 75);
    ASSERT_EQ(Manager.CreateD3DObject(), 0);

    Vexa::Config config = FullScreenConfig(800, 600, D3DFMT_X8R8G8B8);
    config.VSync = true;
    ASSERT_EQ(Manager.CheckAndSetParameters(config, SomeWindow()), 0);

    const D3DPRESENT_PARAMETERS& p = Manager.PresentParameters;
    EXPECT_EQ(p.BackBufferWidth, 800u);
    EXPECT_EQ(p.BackBufferHeight, 600u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(p.FullScreen_RefreshRateInHz, 75u);
    EXPECT_EQ(p.Windowed, FALSE);
    EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D24X8);
    EXPECT_EQ(p.PresentationInterval, 0u);

    config.VSync = false;
    ASSERT_EQ(Manager.CheckAndSetParameters(config, SomeWindow()), 0);
    EXPECT_EQ(Manager.PresentParameters.PresentationInterval, 0x80000000u);
    Manager.Release();
}

TEST_F(DeviceManagerTest, FullScreenWithoutAMatchingModeFailsAndInitLeavesNoDirect3D)
{
    Direct3D.AddMode(1024, 768, D3DFMT_X8R8G8B8, 60);
    Direct3D.AddMode(800, 600, D3DFMT_R5G6B5, 60);
    LogCapture log;

    EXPECT_EQ(Manager.Init(FullScreenConfig(800, 600, D3DFMT_X8R8G8B8), SomeWindow()), 0x8007);

    EXPECT_EQ(Manager.Direct3D, nullptr);
    EXPECT_EQ(Manager.Device, nullptr);
    EXPECT_TRUE(Manager.DisplayModes.empty());
    EXPECT_EQ(Manager.DeviceWindow, nullptr);
    EXPECT_EQ(Manager.PresentParameters.BackBufferWidth, 0u); // unchanged
    EXPECT_EQ(Direct3D.RefCount, 0);
    EXPECT_EQ(Direct3D.CallCount("CreateDevice"), 0);
    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(IsLogEntry(messages[0], DeviceFile, L"Vexa::DeviceManager::CheckAndSetParameters",
                           L"None of display modes match to config"));
}

TEST_F(DeviceManagerTest, InitCreatesAWindowedHardwareDevice)
{
    Direct3D.Device.Caps.MaxPointSize = 64.0f;

    ASSERT_EQ(Manager.Init(WindowedConfig(), SomeWindow()), 0);

    ASSERT_EQ(Direct3D.CreateDeviceCalls.size(), 1u);
    const Fake::FakeDirect3D9::CreateDeviceCall& call = Direct3D.CreateDeviceCalls[0];
    EXPECT_EQ(call.Adapter, 0u);
    EXPECT_EQ(call.Type, D3DDEVTYPE_HAL);
    EXPECT_EQ(call.FocusWindow, SomeWindow());
    EXPECT_EQ(call.BehaviorFlags, 0x40u);
    EXPECT_EQ(call.Parameters.BackBufferWidth, 800u);
    EXPECT_EQ(Manager.Device, static_cast<IDirect3DDevice9*>(&Direct3D.Device));
    EXPECT_EQ(Manager.DeviceCaps.MaxPointSize, 64.0f);
    EXPECT_EQ(Manager.DeviceWindow, SomeWindow());
    EXPECT_EQ(Direct3D.Device.RefCount, 1);
    EXPECT_EQ(Direct3D.RefCount, 2); // ours and the device's

    Manager.Release();
    EXPECT_EQ(Direct3D.Device.RefCount, 0);
    EXPECT_EQ(Direct3D.RefCount, 0);
    EXPECT_EQ(Manager.Device, nullptr);
    EXPECT_EQ(Manager.Direct3D, nullptr);
    Manager.Release(); // again: nothing left to release
    EXPECT_EQ(Direct3D.RefCount, 0);
}

TEST_F(DeviceManagerTest, DeviceTypeAndVertexProcessingSelectTypeAndFlags)
{
    struct Case
    {
        std::int32_t DeviceType;
        std::int32_t VertexProcessing;
        D3DDEVTYPE Type;
        DWORD Flags;
    };
    const Case cases[] = {{0, 0, D3DDEVTYPE_HAL, 0x40},
                          {1, 0, D3DDEVTYPE_REF, 0x40},
                          {0, 1, D3DDEVTYPE_HAL, 0x80},
                          {0, 2, D3DDEVTYPE_HAL, 0x20}};
    for (const Case& c : cases)
    {
        Vexa::Config config = WindowedConfig();
        config.DeviceType = c.DeviceType;
        config.VertexProcessing = c.VertexProcessing;
        Vexa::DeviceManager manager;
        ASSERT_EQ(manager.Init(config, SomeWindow()), 0);
        EXPECT_EQ(Direct3D.CreateDeviceCalls.back().Type, c.Type);
        EXPECT_EQ(Direct3D.CreateDeviceCalls.back().BehaviorFlags, c.Flags);
        manager.Release();
    }
    EXPECT_EQ(Direct3D.RefCount, 0);
}

TEST_F(DeviceManagerTest, BadDeviceTypeOrVertexProcessingIsRefusedAndLogged)
{
    LogCapture log;
    Vexa::Config config = WindowedConfig();
    config.DeviceType = 2;
    EXPECT_EQ(Manager.Init(config, SomeWindow()), 0x8008);
    config.DeviceType = 0;
    config.VertexProcessing = 3;
    EXPECT_EQ(Manager.Init(config, SomeWindow()), 0x8008);

    EXPECT_EQ(Direct3D.CallCount("CreateDevice"), 0);
    EXPECT_EQ(Direct3D.RefCount, 0);
    EXPECT_EQ(Manager.Direct3D, nullptr);
    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(IsLogEntry(messages[0], DeviceFile, L"Vexa::DeviceManager::CreateDevice", L"Bad device type."));
    EXPECT_TRUE(
        IsLogEntry(messages[1], DeviceFile, L"Vexa::DeviceManager::CreateDevice", L"Bad vertex processing type."));
}

TEST_F(DeviceManagerTest, FailedCreateDeviceIsLoggedWithItsResult)
{
    Direct3D.SetResult("CreateDevice", D3DERR_NOTAVAILABLE);
    LogCapture log;

    EXPECT_EQ(Manager.Init(WindowedConfig(), SomeWindow()), 0x8009);

    EXPECT_EQ(Manager.Device, nullptr);
    EXPECT_EQ(Manager.Direct3D, nullptr);
    EXPECT_EQ(Direct3D.RefCount, 0);
    EXPECT_EQ(Direct3D.Device.CallCount("GetDeviceCaps"), 0);
    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(IsLogEntry(messages[0], DeviceFile, L"Vexa::DeviceManager::CreateDevice",
                           FailedCall(L"CreateDevice()", L"0x8876086A")));
}

TEST_F(DeviceManagerTest, ResetWaitsIn10MsPollsWhileLostThenResetsWithTheStoredParameters)
{
    ASSERT_EQ(Manager.Init(WindowedConfig(), SomeWindow()), 0);
    Fake::FakeDevice& device = Direct3D.Device;
    device.QueueResults("TestCooperativeLevel",
                        {D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET});

    EXPECT_EQ(Manager.ResetDevice(), 0);

    EXPECT_EQ(device.Calls, (std::vector<std::string>{"GetDeviceCaps", "TestCooperativeLevel", "TestCooperativeLevel",
                                                      "TestCooperativeLevel", "TestCooperativeLevel", "Reset"}));
    ASSERT_EQ(device.Resets.size(), 1u);
    EXPECT_EQ(device.Resets[0].BackBufferWidth, 800u);
    EXPECT_EQ(device.Resets[0].SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_EQ(device.Resets[0].hDeviceWindow, SomeWindow());
    Manager.Release();
}

TEST_F(DeviceManagerTest, FailedResetIsLoggedAndTheDeviceKept)
{
    ASSERT_EQ(Manager.Init(WindowedConfig(), SomeWindow()), 0);
    Direct3D.Device.SetResult("Reset", D3DERR_INVALIDCALL);
    LogCapture log;

    EXPECT_EQ(Manager.ResetDevice(), 0x800A);

    EXPECT_EQ(Manager.Device, static_cast<IDirect3DDevice9*>(&Direct3D.Device));
    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(
        IsLogEntry(messages[0], DeviceFile, L"Vexa::DeviceManager::ResetDevice", FailedCall(L"Reset", L"0x8876086C")));
    Manager.Release();
    EXPECT_EQ(Direct3D.RefCount, 0);
}

TEST_F(DeviceManagerTest, SetDisplayModeSkipsTheLostWaitExactlyOnce)
{
    Direct3D.AddMode(640, 480, D3DFMT_X8R8G8B8, 60);
    ASSERT_EQ(Manager.Init(WindowedConfig(), SomeWindow()), 0);
    Fake::FakeDevice& device = Direct3D.Device;

    const Vexa::DisplayMode mode = {640, 480, D3DFMT_X8R8G8B8, 60};
    ASSERT_EQ(Manager.SetDisplayMode(mode, true, 1), 0);
    EXPECT_TRUE(Manager.SkipLostWait);
    EXPECT_EQ(Manager.ResetDevice(), 0);
    EXPECT_FALSE(Manager.SkipLostWait);
    EXPECT_EQ(device.CallCount("TestCooperativeLevel"), 0);
    EXPECT_EQ(device.CallCount("Reset"), 1);

    EXPECT_EQ(Manager.ResetDevice(), 0);
    EXPECT_EQ(device.CallCount("TestCooperativeLevel"), 1);
    EXPECT_EQ(device.CallCount("Reset"), 2);
    Manager.Release();
}

TEST_F(DeviceManagerTest, SetDisplayModeFullScreenNeedsAListedModeWindowedDoesNot)
{
    Direct3D.AddMode(640, 480, D3DFMT_X8R8G8B8, 60);
    ASSERT_EQ(Manager.Init(WindowedConfig(), SomeWindow()), 0);
    const D3DPRESENT_PARAMETERS before = Manager.PresentParameters;

    // Same size and format at another rate is not the listed mode; nothing changes, nothing logged.
    LogCapture log;
    const Vexa::DisplayMode unlisted = {640, 480, D3DFMT_X8R8G8B8, 75};
    EXPECT_EQ(Manager.SetDisplayMode(unlisted, true, 0), 0x8007);
    EXPECT_FALSE(Manager.SkipLostWait);
    EXPECT_EQ(std::memcmp(&before, &Manager.PresentParameters, sizeof(before)), 0);

    const Vexa::DisplayMode listed = {640, 480, D3DFMT_X8R8G8B8, 60};
    ASSERT_EQ(Manager.SetDisplayMode(listed, true, 1), 0);
    D3DPRESENT_PARAMETERS expected = before;
    expected.BackBufferWidth = 640;
    expected.BackBufferHeight = 480;
    expected.BackBufferFormat = D3DFMT_X8R8G8B8;
    expected.Windowed = FALSE;
    expected.FullScreen_RefreshRateInHz = 60;
    expected.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    EXPECT_EQ(std::memcmp(&expected, &Manager.PresentParameters, sizeof(expected)), 0);

    // Back to windowed at any size; vsync 2 leaves the interval alone.
    const Vexa::DisplayMode window = {1000, 700, D3DFMT_R5G6B5, 85};
    ASSERT_EQ(Manager.SetDisplayMode(window, false, 2), 0);
    expected.BackBufferWidth = 1000;
    expected.BackBufferHeight = 700;
    expected.BackBufferFormat = D3DFMT_UNKNOWN;
    expected.Windowed = TRUE;
    expected.FullScreen_RefreshRateInHz = 0;
    EXPECT_EQ(std::memcmp(&expected, &Manager.PresentParameters, sizeof(expected)), 0);
    EXPECT_TRUE(log.Entries().empty());

    Manager.Release();
    EXPECT_EQ(Manager.SetDisplayMode(listed, true, 0), 0x8007); // empty list after Release
}
