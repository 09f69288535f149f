// Renderer: drawing a frame and driving the screen through load, reset and release.
#include "EngineTestSupport.h"
#include "tests/support/LogCapture.h"
#include "Vexa2/Engine/vRenderer.h"

#include <gtest/gtest.h>

namespace
{
const wchar_t* const RendererFile = L".\\Vexa2\\Engine\\vRenderer";

class RendererTest : public FakePlatformTest
{
protected:
    void SetUp() override
    {
        FakePlatformTest::SetUp();
        Vexa::Config config = {0, 0, D3DFMT_X8R8G8B8, false, false, 800, 600};
        ASSERT_EQ(Graphics.Init(config, nullptr), 0);
        Graphics.CurrentScreen = &Screen;
        Fake::Journal().clear();
    }
    void TearDown() override
    {
        Graphics.Release();
        EXPECT_EQ(Direct3D.Device.RefCount, 0);
        EXPECT_EQ(Direct3D.RefCount, 0);
        FakePlatformTest::TearDown();
    }

    Fake::FakeDevice& Device() { return Direct3D.Device; }
    std::vector<std::string> ScreenAndDevice() { return JournalOf({"Screen.", "Device."}); }

    RecordingScreen Screen;
    Vexa::Renderer Graphics;
};
} // namespace

TEST_F(RendererTest, RenderClearsColourAndDepthThenDrawsTheScreenInsideTheScene)
{
    Graphics.Render();

    EXPECT_EQ(ScreenAndDevice(),
              (std::vector<std::string>{"Device.Clear", "Device.BeginScene", "Screen.OnRender", "Device.EndScene"}));
    ASSERT_EQ(Device().Clears.size(), 1u);
    const Fake::FakeDevice::ClearCall& clear = Device().Clears[0];
    EXPECT_EQ(clear.Count, 0u);
    EXPECT_EQ(clear.Flags, static_cast<DWORD>(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER));
    EXPECT_EQ(clear.Color, 0xFF000080u);
    EXPECT_EQ(clear.Z, 1.0f);
    EXPECT_EQ(clear.Stencil, 0u);
}

TEST_F(RendererTest, WithoutAScreenRenderDrawsAnEmptySceneAndTheLifeCycleIsANoOp)
{
    Graphics.CurrentScreen = nullptr;
    Device().SetResult("Clear", D3DERR_INVALIDCALL); // results are not looked at

    Graphics.Render();
    EXPECT_EQ(Graphics.OnLoad(), 0);
    EXPECT_EQ(Graphics.OnRelease(), 0);
    EXPECT_EQ(Graphics.ResetDevice(), 0); // still resets the device

    EXPECT_EQ(ScreenAndDevice(), (std::vector<std::string>{"Device.Clear", "Device.BeginScene", "Device.EndScene",
                                                           "Device.TestCooperativeLevel", "Device.Reset"}));
    EXPECT_NE(Graphics.Device, nullptr);
}

TEST_F(RendererTest, OnLoadLoadsThenResetsTheScreen)
{
    EXPECT_EQ(Graphics.OnLoad(), 0);
    EXPECT_EQ(Screen.Calls, (std::vector<std::string>{"OnLoad", "OnReset"}));
    EXPECT_NE(Graphics.Device, nullptr);
}

TEST_F(RendererTest, FailedScreenLoadIsLoggedAndReleasesTheDevice)
{
    Screen.Results["OnLoad"] = 1;
    LogCapture log;

    EXPECT_EQ(Graphics.OnLoad(), 0x8003);

    EXPECT_EQ(Screen.Calls, (std::vector<std::string>{"OnLoad"}));
    EXPECT_EQ(Graphics.Device, nullptr);
    EXPECT_EQ(Graphics.Direct3D, nullptr);
    EXPECT_EQ(Direct3D.RefCount, 0);
    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(
        IsLogEntry(messages[0], RendererFile, L"Vexa::Renderer::OnLoad", FailedCall(L"IScreen::OnLoad()", L"0x1")));
}

TEST_F(RendererTest, FailedScreenResetAfterLoadIsLoggedAndReleasesTheDevice)
{
    Screen.Results["OnReset"] = -2;
    LogCapture log;

    EXPECT_EQ(Graphics.OnLoad(), 0x8002);

    EXPECT_EQ(Screen.Calls, (std::vector<std::string>{"OnLoad", "OnReset"}));
    EXPECT_EQ(Graphics.Device, nullptr);
    EXPECT_EQ(Direct3D.RefCount, 0);
    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(IsLogEntry(messages[0], RendererFile, L"Vexa::Renderer::OnLoad",
                           FailedCall(L"IScreen::OnReset()", L"0xFFFFFFFE")));
}

TEST_F(RendererTest, OnReleaseLosesThenReleasesTheScreenAndLeavesTheDevice)
{
    EXPECT_EQ(Graphics.OnRelease(), 0);
    EXPECT_EQ(Screen.Calls, (std::vector<std::string>{"OnLost", "OnRelease"}));
    EXPECT_TRUE(JournalOf({"Device."}).empty());
    EXPECT_NE(Graphics.Device, nullptr);
}

TEST_F(RendererTest, OnReleaseFailuresAreLoggedWithTheirOwnStatus)
{
    LogCapture log;
    Screen.Results["OnLost"] = 5;
    EXPECT_EQ(Graphics.OnRelease(), 0x8001);
    EXPECT_EQ(Screen.Calls, (std::vector<std::string>{"OnLost"})); // OnRelease not called

    Screen.Results["OnLost"] = 0;
    Screen.Results["OnRelease"] = 0x10;
    EXPECT_EQ(Graphics.OnRelease(), 0x8004);

    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(
        IsLogEntry(messages[0], RendererFile, L"Vexa::Renderer::OnRelease", FailedCall(L"IScreen::OnLost()", L"0x5")));
    EXPECT_TRUE(IsLogEntry(messages[1], RendererFile, L"Vexa::Renderer::OnRelease",
                           FailedCall(L"IScreen::OnRelease()", L"0x10")));
}

TEST_F(RendererTest, ResetDeviceLosesWaitsResetsAndResetsTheScreenOnce)
{
    Device().QueueResults("TestCooperativeLevel", {D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3D_OK});

    EXPECT_EQ(Graphics.ResetDevice(), 0);

    EXPECT_EQ(ScreenAndDevice(),
              (std::vector<std::string>{"Screen.OnLost", "Device.TestCooperativeLevel", "Device.TestCooperativeLevel",
                                        "Device.TestCooperativeLevel", "Device.Reset", "Screen.OnReset"}));
    EXPECT_EQ(Screen.Count("OnLost"), 1);
    EXPECT_EQ(Screen.Count("OnReset"), 1);
}

TEST_F(RendererTest, ResetDeviceStopsAtTheFirstFailure)
{
    LogCapture log;

    Screen.Results["OnLost"] = 3; // the device is not touched
    EXPECT_EQ(Graphics.ResetDevice(), 0x8001);
    EXPECT_EQ(Device().CallCount("Reset"), 0);
    EXPECT_EQ(Device().CallCount("TestCooperativeLevel"), 0);

    Screen.Results["OnLost"] = 0;
    Device().QueueResults("Reset", {D3DERR_DEVICELOST}); // passed on unchanged, no OnReset
    EXPECT_EQ(Graphics.ResetDevice(), 0x800A);
    EXPECT_EQ(Screen.Count("OnReset"), 0);

    Screen.Results["OnReset"] = 7;
    EXPECT_EQ(Graphics.ResetDevice(), 0x8002);

    EXPECT_EQ(Screen.Calls, (std::vector<std::string>{"OnLost", "OnLost", "OnLost", "OnReset"}));
    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_TRUE(IsLogEntry(messages[0], RendererFile, L"Vexa::Renderer::ResetDevice",
                           FailedCall(L"IScreen::OnLost()", L"0x3")));
    EXPECT_TRUE(IsLogEntry(messages[1], L".\\Vexa2\\Engine\\Renderer\\vDeviceManager",
                           L"Vexa::DeviceManager::ResetDevice", FailedCall(L"Reset", L"0x88760868")));
    EXPECT_TRUE(IsLogEntry(messages[2], RendererFile, L"Vexa::Renderer::ResetDevice",
                           FailedCall(L"IScreen::OnReset()", L"0x7")));
}
