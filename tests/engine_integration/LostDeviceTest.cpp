// A real lost device: a full-screen engine inside a Wine virtual desktop (which lists 640x480)
// loses the foreground and gets it back. Run through run-in-desktop.sh, one case per process.
#include "RealDevice.h"

#include "tests/support/LogCapture.h"
#include "Vexa2/Engine/vEngine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using RealDevice::RecordingScreen;
using Vexa::TheEngine;

namespace
{
// A loss that never ends would block the test inside the engine's reset wait: end the process
// with a clear message instead of waiting for the CTest time-out.
class Watchdog
{
public:
    explicit Watchdog(DWORD milliseconds) : m_milliseconds(milliseconds)
    {
        m_done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, &Watchdog::Watch, this, 0, nullptr);
    }
    ~Watchdog()
    {
        SetEvent(m_done);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        CloseHandle(m_done);
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static DWORD WINAPI Watch(void* self)
    {
        Watchdog& watchdog = *static_cast<Watchdog*>(self);
        if (WaitForSingleObject(watchdog.m_done, watchdog.m_milliseconds) == WAIT_TIMEOUT)
        {
            std::fprintf(stderr, "FAIL: still running after %lu ms (stuck waiting for the lost device?)\n",
                         static_cast<unsigned long>(watchdog.m_milliseconds));
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        return 0;
    }
    DWORD m_milliseconds;
    HANDLE m_done;
    HANDLE m_thread;
};

Vexa::Config FullScreen640()
{
    Vexa::Config config = Vexa::StartupConfig();
    config.FullScreen = true;
    config.Width = 640;
    config.Height = 480;
    return config;
}

// The entry point's start-up, then the renderer's load, the window shown and a few frames.
void StartFullScreen(RecordingScreen& screen)
{
    Vexa::Config config = FullScreen640();
    ASSERT_EQ(TheEngine.Windows.InitWindow(&config.Width, false), 0);
    TheEngine.MainWindow = TheEngine.Windows.Window;
    const int init = TheEngine.Graphics.Init(config, TheEngine.MainWindow);
    ASSERT_EQ(init, 0) << "640x480 X8R8G8B8 must be listed: run inside a Wine virtual desktop";
    TheEngine.Input.FocusWindow = TheEngine.MainWindow;
    TheEngine.Graphics.CurrentScreen = &screen;
    ASSERT_EQ(TheEngine.Graphics.OnLoad(), 0);
    ShowWindow(TheEngine.MainWindow, SW_SHOW);
}

// The main loop's passes without its end: messages first, a frame on an idle pass.
void StepFrames(int frames)
{
    for (int done = 0; done < frames;)
    {
        if (TheEngine.Windows.PumpMessage() == 1)
        {
            ASSERT_EQ(TheEngine.Frame(), 0);
            ++done;
        }
    }
}

void ExpectClearedBackBuffer(UINT width, UINT height)
{
    TheEngine.Graphics.Render();
    const RealDevice::Image image = RealDevice::ReadBackBuffer(TheEngine.Graphics.Device);
    ASSERT_EQ(image.Width, width);
    ASSERT_EQ(image.Height, height);
    EXPECT_EQ(image.At(0, 0), 0x000080u);
    EXPECT_EQ(image.At(width - 1, height - 1), 0x000080u);
}
} // namespace

class LostDevice : public RealDevice::EngineCase
{
};

TEST_F(LostDevice, DeactivationLosesTheDeviceAndFrameResetsIt)
{
    Watchdog watchdog(60000);
    LogCapture log;
    RecordingScreen screen;
    ASSERT_NO_FATAL_FAILURE(StartFullScreen(screen));
    StepFrames(5);
    IDirect3DDevice9* device = TheEngine.Graphics.Device;
    ASSERT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(TheEngine.Graphics.PresentParameters.Windowed, FALSE);

    // The application is deactivated: the full-screen device is lost.
    SendMessageW(TheEngine.MainWindow, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);

    // Reactivated: it can be reset, but Present still reports the loss until it is.
    SendMessageW(TheEngine.MainWindow, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    screen.LifeCycle.clear();
    EXPECT_EQ(TheEngine.Frame(), 0);
    EXPECT_EQ(screen.LifeCycle, (std::vector<std::string>{"Lost", "Reset"}));

    // Presenting again, at the full-screen size.
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    StepFrames(5);
    EXPECT_EQ(screen.LifeCycle.size(), 2u);
    ExpectClearedBackBuffer(640, 480);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    TheEngine.Graphics.OnRelease();
    TheEngine.Shutdown();
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(LostDevice, ResetWaitsUntilTheLossEnds)
{
    Watchdog watchdog(60000);
    LogCapture log;
    RecordingScreen screen;
    ASSERT_NO_FATAL_FAILURE(StartFullScreen(screen));
    StepFrames(5);
    IDirect3DDevice9* device = TheEngine.Graphics.Device;

    // Lost when the frame presents; the reactivation is only queued, so the reset has to wait
    // for it: the device must still be lost when the screen lets go of its resources.
    SendMessageW(TheEngine.MainWindow, WM_ACTIVATEAPP, FALSE, 0);
    PostMessageW(TheEngine.MainWindow, WM_ACTIVATEAPP, TRUE, 0);
    HRESULT levelAtLost = S_OK;
    screen.LostHook = [&](RecordingScreen&) { levelAtLost = device->TestCooperativeLevel(); };
    screen.LifeCycle.clear();
    EXPECT_EQ(TheEngine.Frame(), 0);
    EXPECT_EQ(levelAtLost, D3DERR_DEVICELOST);
    EXPECT_EQ(screen.LifeCycle, (std::vector<std::string>{"Lost", "Reset"}));
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    TheEngine.Graphics.OnRelease();
    TheEngine.Shutdown();
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(LostDevice, AnotherProgramTakingTheForegroundIsSurvived)
{
    Watchdog watchdog(60000);
    LogCapture log;
    RecordingScreen screen;
    PROCESS_INFORMATION process = {};
    bool started = false;
    int updatesAtReset = -1;
    int rendersAtReset = -1;
    HRESULT levelAtLost = S_OK;
    HRESULT levelAfter = E_FAIL;
    HRESULT presentAfter = E_FAIL;
    const DWORD start = GetTickCount();

    // The whole run is the engine's own loop; the screen's update is the script.
    screen.UpdateHook = [&](RecordingScreen& self) {
        if (self.Updates == 10)
            started = RealDevice::StartFocusThief(1500, process);
        if (updatesAtReset >= 0 && self.Updates == updatesAtReset + 30)
        {
            levelAfter = TheEngine.Graphics.Device->TestCooperativeLevel();
            presentAfter = TheEngine.Graphics.Device->Present(nullptr, nullptr, nullptr, nullptr);
            PostMessageW(TheEngine.MainWindow, WM_CLOSE, 0, 0);
        }
        // A loss that never comes (or never ends) must not hang the test.
        if (GetTickCount() - start > 30000)
            PostMessageW(TheEngine.MainWindow, WM_CLOSE, 0, 0);
    };
    screen.LostHook = [&](RecordingScreen& self) {
        if (self.LifeCycle.size() == 3) // Load, Reset, then this first loss
            levelAtLost = TheEngine.Graphics.Device->TestCooperativeLevel();
    };
    screen.ResetHook = [&](RecordingScreen& self) {
        if (self.LifeCycle.size() == 4) // the reset after the loss
        {
            updatesAtReset = self.Updates;
            rendersAtReset = self.Renders;
        }
    };

    Vexa::Config config = FullScreen640();
    ASSERT_EQ(TheEngine.Windows.InitWindow(&config.Width, false), 0);
    TheEngine.MainWindow = TheEngine.Windows.Window;
    ASSERT_EQ(TheEngine.Graphics.Init(config, TheEngine.MainWindow), 0)
        << "640x480 X8R8G8B8 must be listed: run inside a Wine virtual desktop";
    TheEngine.Input.FocusWindow = TheEngine.MainWindow;
    TheEngine.Graphics.CurrentScreen = &screen;
    EXPECT_EQ(TheEngine.Run(), 0);

    ASSERT_TRUE(started);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    EXPECT_LT(GetTickCount() - start, 30000u) << "no loss and reset within 30 s";
    EXPECT_EQ(screen.LifeCycle, (std::vector<std::string>{"Load", "Reset", "Lost", "Reset", "Lost", "Release"}));
    EXPECT_EQ(levelAtLost, D3DERR_DEVICELOST);
    EXPECT_EQ(levelAfter, D3D_OK);
    EXPECT_EQ(presentAfter, D3D_OK);
    // Drawing went on after the reset: the focus came back.
    EXPECT_GE(screen.Renders - rendersAtReset, 29);
    EXPECT_TRUE(log.Entries().empty());
}
