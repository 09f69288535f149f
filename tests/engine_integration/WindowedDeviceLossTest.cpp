// A windowed device lost for real: a Reset while a default-pool vertex buffer is alive fails,
// the device goes lost and Present reports D3DERR_DEVICELOST in the engine's next Present.
// Whether the engine then recovers depends on the screen releasing that buffer in OnLost.
#include "RealDevice.h"

#include "tests/support/LogCapture.h"
#include "Vexa2/Engine/vEngine.h"

#include <gtest/gtest.h>

using RealDevice::RecordingScreen;
using Vexa::TheEngine;

namespace
{
// A screen with one default-pool vertex buffer, created in OnReset as a real screen would.
struct BufferScreen
{
    RecordingScreen Screen;
    IDirect3DVertexBuffer9* Buffer = nullptr;
    bool ReleaseOnLost = true;
    HRESULT TriggerResult = S_OK;
    HRESULT LevelAfterTrigger = S_OK;

    BufferScreen()
    {
        Screen.ResetHook = [this](RecordingScreen&) {
            if (Buffer == nullptr)
                TheEngine.Graphics.Device->CreateVertexBuffer(1024, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &Buffer,
                                                              nullptr);
        };
        Screen.LostHook = [this](RecordingScreen&) {
            if (ReleaseOnLost)
                ReleaseBuffer();
        };
        Screen.ReleaseHook = [this](RecordingScreen&) { ReleaseBuffer(); };
    }

    void ReleaseBuffer()
    {
        if (Buffer != nullptr)
            Buffer->Release();
        Buffer = nullptr;
    }

    // What makes the device lost: someone resets it while the buffer is still alive.
    void LoseDevice()
    {
        D3DPRESENT_PARAMETERS parameters = TheEngine.Graphics.PresentParameters;
        TriggerResult = TheEngine.Graphics.Device->Reset(&parameters);
        LevelAfterTrigger = TheEngine.Graphics.Device->TestCooperativeLevel();
    }
};

void StartEngine()
{
    Vexa::Config config = Vexa::StartupConfig();
    ASSERT_EQ(TheEngine.Windows.InitWindow(&config.Width, false), 0);
    TheEngine.MainWindow = TheEngine.Windows.Window;
    ASSERT_EQ(TheEngine.Graphics.Init(config, TheEngine.MainWindow), 0);
    TheEngine.Input.FocusWindow = TheEngine.MainWindow;
}
} // namespace

class WindowedDeviceLoss : public RealDevice::EngineCase
{
};

TEST_F(WindowedDeviceLoss, ScreenThatReleasesItsBufferIsResetAndDrawingGoesOn)
{
    LogCapture log;
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    BufferScreen buffer;
    TheEngine.Graphics.CurrentScreen = &buffer.Screen;
    int updatesAtReset = -1, rendersAtReset = -1;
    HRESULT levelAfter = E_FAIL, presentAfter = E_FAIL;
    buffer.Screen.ResetHook = [&buffer, &updatesAtReset, &rendersAtReset,
                               reset = buffer.Screen.ResetHook](RecordingScreen& self) {
        reset(self);
        if (self.LifeCycle.size() == 4)
        {
            updatesAtReset = self.Updates;
            rendersAtReset = self.Renders;
        }
    };
    buffer.Screen.UpdateHook = [&](RecordingScreen& self) {
        if (self.Updates == 5)
            buffer.LoseDevice();
        if (updatesAtReset >= 0 && self.Updates == updatesAtReset + 20)
        {
            levelAfter = TheEngine.Graphics.Device->TestCooperativeLevel();
            presentAfter = TheEngine.Graphics.Device->Present(nullptr, nullptr, nullptr, nullptr);
            PostMessageW(TheEngine.MainWindow, WM_CLOSE, 0, 0);
        }
        if (self.Updates == 5000)
            PostMessageW(TheEngine.MainWindow, WM_CLOSE, 0, 0); // never reset: stop anyway
    };
    EXPECT_EQ(TheEngine.Run(), 0);

    EXPECT_EQ(buffer.TriggerResult, D3DERR_INVALIDCALL);
    EXPECT_NE(buffer.LevelAfterTrigger, D3D_OK);
    EXPECT_EQ(buffer.Screen.LifeCycle, (std::vector<std::string>{"Load", "Reset", "Lost", "Reset", "Lost", "Release"}));
    EXPECT_EQ(updatesAtReset, 5); // reset inside the frame whose Present reported the loss
    EXPECT_EQ(levelAfter, D3D_OK);
    EXPECT_EQ(presentAfter, D3D_OK);
    EXPECT_EQ(buffer.Screen.Renders - rendersAtReset, 20);
    EXPECT_EQ(buffer.Buffer, nullptr);
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(WindowedDeviceLoss, FailedResetShutsTheEngineDownOnceAndLogsIt)
{
    LogCapture log;
    ASSERT_NO_FATAL_FAILURE(StartEngine());
    const HWND window = TheEngine.MainWindow;
    BufferScreen buffer;
    buffer.ReleaseOnLost = false; // the buffer survives OnLost: Reset must fail
    TheEngine.Graphics.CurrentScreen = &buffer.Screen;
    buffer.Screen.UpdateHook = [&](RecordingScreen& self) {
        if (self.Updates == 5)
            buffer.LoseDevice();
        if (self.Updates == 5000)
            PostMessageW(window, WM_CLOSE, 0, 0); // the failure never came: stop anyway
    };
    EXPECT_EQ(TheEngine.Run(), 0);

    EXPECT_EQ(buffer.TriggerResult, D3DERR_INVALIDCALL);
    // No frame after the failed one; the screen released once; everything gone.
    EXPECT_EQ(buffer.Screen.Updates, 5);
    EXPECT_EQ(buffer.Screen.LifeCycle, (std::vector<std::string>{"Load", "Reset", "Lost", "Lost", "Release"}));
    EXPECT_EQ(buffer.Buffer, nullptr);
    EXPECT_EQ(TheEngine.Graphics.Device, nullptr);
    EXPECT_EQ(TheEngine.Graphics.Direct3D, nullptr);
    EXPECT_EQ(TheEngine.Windows.Window, nullptr);
    EXPECT_FALSE(IsWindow(window));

    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], L"[.\\Vexa2\\Engine\\Renderer\\vDeviceManager | Vexa::DeviceManager::ResetDevice | "
                           L"LINE: *] >> Function \"Reset\" returned an error. Error Code: 0x8876086C");
}
