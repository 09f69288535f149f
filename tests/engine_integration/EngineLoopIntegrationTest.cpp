// The global engine started the way the program starts it, on Wine's real window and device.
// The engine is a global: the fixture puts its process-wide state back before each case.
#include "RealDevice.h"

#include "tests/support/LogCapture.h"
#include "Vexa2/Engine/vEngine.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

using RealDevice::RecordingScreen;
using Vexa::TheEngine;

namespace
{
// Window and device as the entry point creates them (the window stays hidden until Run).
void StartEngine(Vexa::Config config)
{
    ASSERT_EQ(TheEngine.Windows.InitWindow(&config.Width, false), 0);
    TheEngine.MainWindow = TheEngine.Windows.Window;
    ASSERT_EQ(TheEngine.Graphics.Init(config, TheEngine.MainWindow), 0);
    TheEngine.Input.FocusWindow = TheEngine.MainWindow;
}
// Sees whether a window is ever shown (WM_SHOWWINDOW with TRUE) before passing messages on.
struct ShowWatch
{
    static void Install(HWND window)
    {
        Shown = false;
        Original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ShowWatch::Proc)));
    }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_SHOWWINDOW && wParam != FALSE)
            Shown = true;
        return CallWindowProcW(Original, window, message, wParam, lParam);
    }
    static WNDPROC Original;
    static bool Shown;
};
WNDPROC ShowWatch::Original = nullptr;
bool ShowWatch::Shown = false;
} // namespace

class EngineOnWine : public RealDevice::EngineCase
{
};

TEST_F(EngineOnWine, FramesWithoutScreenClearAndPresent)
{
    LogCapture log;
    ASSERT_NO_FATAL_FAILURE(StartEngine(Vexa::StartupConfig()));
    const HWND window = TheEngine.MainWindow;
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    EXPECT_STREQ(className, L"Vexa2 v0.2");
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"Vexa2 v0.2");
    EXPECT_FALSE(IsWindowVisible(window));
    // A fixed-size captioned window of the given outer size: no sizing border, no maximise box.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) &
                  (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_POPUP),
              static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(GetClassLongW(window, GCL_STYLE), static_cast<DWORD>(CS_CLASSDC));
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    EXPECT_EQ(outer.right - outer.left, 800);
    EXPECT_EQ(outer.bottom - outer.top, 600);
    EXPECT_LT(client.right, 800);
    EXPECT_LT(client.bottom, 600);

    // With no screen the life-cycle calls are no-ops.
    EXPECT_EQ(TheEngine.Graphics.OnLoad(), 0);
    ShowWindow(window, SW_SHOW);
    RealDevice::PumpPending();
    EXPECT_TRUE(Vexa::HasFocus);
    // One performance-counter tick per frame, counted from the fixture's new timer seeded again
    // now, after the window and device were made.
    Vexa::Timer& timer = TheEngine.FrameTimer;
    ASSERT_TRUE(timer.HasPerformanceCounter);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    timer.LastCount = static_cast<std::uint64_t>(start.QuadPart);
    std::uint64_t measured = 0;
    for (int frame = 0; frame < 10; ++frame)
    {
        ASSERT_EQ(TheEngine.Frame(), 0) << frame;
        measured += timer.DeltaCount;
    }
    ASSERT_LT(measured, timer.Frequency) << "ten frames took a second: the frame count was restarted";
    EXPECT_EQ(timer.FrameCount, 10u);
    EXPECT_EQ(timer.FramesPerSecond, 0u);
    EXPECT_EQ(timer.AccumulatedCount, measured);
    EXPECT_GT(timer.DeltaCount, 0u);
    EXPECT_EQ(timer.ElapsedSeconds, static_cast<double>(timer.DeltaCount) / static_cast<double>(timer.Frequency));

    // The last frame left the cleared back buffer (copy swap effect keeps it after Present).
    const RealDevice::Image image = RealDevice::ReadBackBuffer(TheEngine.Graphics.Device);
    ASSERT_EQ(image.Width, 800u);
    ASSERT_EQ(image.Height, 600u);
    EXPECT_EQ(image.At(0, 0), 0x000080u);
    EXPECT_EQ(image.At(799, 599), 0x000080u);
    EXPECT_EQ(image.At(400, 300), 0x000080u);

    EXPECT_EQ(TheEngine.Graphics.ResetDevice(), 0);
    EXPECT_EQ(TheEngine.Frame(), 0);
    EXPECT_EQ(TheEngine.Graphics.OnRelease(), 0);
    TheEngine.Shutdown();
    EXPECT_EQ(TheEngine.Graphics.Device, nullptr);
    EXPECT_EQ(TheEngine.Graphics.Direct3D, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(EngineOnWine, RunDrivesTheScreenFromLoadToRelease)
{
    LogCapture log;
    ASSERT_NO_FATAL_FAILURE(StartEngine(Vexa::StartupConfig()));
    const HWND window = TheEngine.MainWindow;
    RecordingScreen screen;
    TheEngine.Graphics.CurrentScreen = &screen;
    ShowWatch::Install(window);

    bool visibleWhileRunning = false;
    int rendersBeforeClose = 0;
    screen.UpdateHook = [&](RecordingScreen& self) {
        if (self.Updates == 1)
            visibleWhileRunning = IsWindowVisible(window) != FALSE;
        if (self.Updates == 30)
        {
            rendersBeforeClose = self.Renders;
            PostMessageW(window, WM_CLOSE, 0, 0); // what the close button sends
        }
    };
    EXPECT_EQ(TheEngine.Run(), 0);

    EXPECT_EQ(screen.LifeCycle, (std::vector<std::string>{"Load", "Reset", "Lost", "Release"}));
    EXPECT_TRUE(ShowWatch::Shown);
    EXPECT_TRUE(visibleWhileRunning);
    EXPECT_EQ(rendersBeforeClose, 30); // focused from the start: every frame drew
    EXPECT_EQ(screen.Updates, 30);     // no frame after the close request
    EXPECT_TRUE(Vexa::CloseRequested);
    EXPECT_EQ(TheEngine.Windows.Window, nullptr); // the quit message was taken
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(TheEngine.Graphics.Device, nullptr);
    EXPECT_EQ(TheEngine.Graphics.Direct3D, nullptr);
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(EngineOnWine, FailingScreenLoadShutsDownWithoutShowingTheWindow)
{
    LogCapture log;
    ASSERT_NO_FATAL_FAILURE(StartEngine(Vexa::StartupConfig()));
    const HWND window = TheEngine.MainWindow;
    RecordingScreen screen;
    screen.LoadStatus = 1;
    bool windowAtRelease = false;
    screen.ReleaseHook = [&](RecordingScreen&) { windowAtRelease = IsWindow(window) != FALSE; };
    TheEngine.Graphics.CurrentScreen = &screen;
    ShowWatch::Install(window);

    EXPECT_EQ(TheEngine.Run(), Vexa::StatusScreenLoadFailed);
    EXPECT_FALSE(ShowWatch::Shown);
    EXPECT_FALSE(IsWindow(window));
    // What the screen loaded before failing is let go while the window still exists.
    EXPECT_EQ(screen.LifeCycle, (std::vector<std::string>{"Load", "Lost", "Release"}));
    EXPECT_TRUE(windowAtRelease);
    EXPECT_EQ(TheEngine.Graphics.Device, nullptr);
    EXPECT_EQ(TheEngine.Graphics.Direct3D, nullptr);
    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], L"[.\\Vexa2\\Engine\\vRenderer | Vexa::Renderer::OnLoad | LINE: *] >> Function "
                           L"\"IScreen::OnLoad()\" returned an error. Error Code: 0x1");
}

TEST_F(EngineOnWine, WithoutFocusFramesGoOnButNothingIsDrawn)
{
    LogCapture log;
    ASSERT_NO_FATAL_FAILURE(StartEngine(Vexa::StartupConfig()));
    const HWND window = TheEngine.MainWindow;
    RecordingScreen screen;
    TheEngine.Graphics.CurrentScreen = &screen;

    PROCESS_INFORMATION process = {};
    bool started = false;
    bool renderedThisFrame = false;
    int rendersSeen = 0;
    int unfocusedFrames = 0, unfocusedRenders = 0, focusedAgainFrames = 0, focusedAgainRenders = 0;
    const DWORD start = GetTickCount();
    screen.UpdateHook = [&](RecordingScreen& self) {
        // OnRender of a frame runs before its OnUpdate: Renders tells whether this frame drew.
        renderedThisFrame = self.Renders != rendersSeen;
        rendersSeen = self.Renders;
        if (self.Updates == 10)
            started = RealDevice::StartFocusThief(1000, process);
        if (!Vexa::HasFocus)
        {
            ++unfocusedFrames;
            unfocusedRenders += renderedThisFrame ? 1 : 0;
        }
        else if (unfocusedFrames > 0)
        {
            ++focusedAgainFrames;
            // The frame in which the focus came back drew nothing yet: Render runs first.
            focusedAgainRenders += renderedThisFrame ? 1 : 0;
            if (focusedAgainFrames == 21)
                PostMessageW(window, WM_CLOSE, 0, 0);
        }
        if (GetTickCount() - start > 30000)
            PostMessageW(window, WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(TheEngine.Run(), 0);
    ASSERT_TRUE(started) << "cannot start the focus thief";
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    EXPECT_LT(GetTickCount() - start, 30000u) << "the focus did not go and come back within 30 s";
    EXPECT_GT(unfocusedFrames, 0);      // frames went on while another program had the focus
    EXPECT_EQ(unfocusedRenders, 0);     // but drew nothing
    EXPECT_GE(focusedAgainRenders, 20); // drawing resumed with the focus
    // A windowed device is not lost by a focus change.
    EXPECT_EQ(screen.LifeCycle, (std::vector<std::string>{"Load", "Reset", "Lost", "Release"}));
    EXPECT_TRUE(log.Entries().empty());
}
