// The main loop on a real window with fake Direct3D and DirectInput: loading, showing, frames,
// message priority, closing, and the shut-down after a failed load or a failed frame.
#include "EngineTestSupport.h"
#include "tests/support/LogCapture.h"
#include "Vexa2/Engine/vEngine.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

namespace
{
HWND Watched = nullptr;

// Notes the window being shown ("Window.Shown") and each WM_USER taken from the queue.
LRESULT CALLBACK WatchSent(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->hwnd == Watched && sent->message == WM_SHOWWINDOW && sent->wParam)
        Fake::Journal().push_back("Window.Shown");
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK WatchTaken(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* taken = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && taken->hwnd == Watched && taken->message == WM_USER)
        Fake::Journal().push_back("Message.WM_USER");
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class EngineRunTest : public FakePlatformTest
{
protected:
    // What the entry point does before Run, with the recording screen as the current screen.
    void SetUp() override
    {
        FakePlatformTest::SetUp();
        Vexa::Config config = {0, 0, D3DFMT_X8R8G8B8, false, false, 800, 600};
        ASSERT_EQ(Engine.Windows.InitWindow(&config.Width, false), 0);
        Engine.MainWindow = Engine.Windows.Window;
        ASSERT_EQ(Engine.Graphics.Init(config, Engine.MainWindow), 0);
        Engine.Input.FocusWindow = Engine.MainWindow;
        Engine.Graphics.CurrentScreen = &Screen;
        Window = Engine.MainWindow;
        Watched = Window;
        SentHook = SetWindowsHookExW(WH_CALLWNDPROC, WatchSent, nullptr, GetCurrentThreadId());
        TakenHook = SetWindowsHookExW(WH_GETMESSAGE, WatchTaken, nullptr, GetCurrentThreadId());
        Fake::Journal().clear();
    }
    void TearDown() override
    {
        UnhookWindowsHookEx(SentHook);
        UnhookWindowsHookEx(TakenHook);
        if (IsWindow(Window))
            DestroyWindow(Window);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
        }
        UnregisterClassW(L"Vexa2 v0.2", GetModuleHandleW(nullptr));
        FakePlatformTest::TearDown();
    }

    // The screen loads the input as the demo does, and asks to close at its n-th update.
    void CloseAtUpdate(int n)
    {
        Screen.OnCall = [this, n](const std::string& operation) {
            if (operation == "OnLoad")
                Engine.Input.InitVInput();
            if (operation == "OnUpdate" && Screen.Count("OnUpdate") == n)
                PostMessageW(Engine.MainWindow, WM_CLOSE, 0, 0);
        };
    }

    std::vector<std::string> ScreenLifeCycle() const
    {
        std::vector<std::string> calls;
        for (const std::string& call : Screen.Calls)
            if (call != "OnRender")
                calls.push_back(call);
        return calls;
    }

    void ExpectEverythingReleased()
    {
        EXPECT_FALSE(IsWindow(Window));
        EXPECT_EQ(Engine.Graphics.Device, nullptr);
        EXPECT_EQ(Engine.Graphics.Direct3D, nullptr);
        EXPECT_EQ(Direct3D.Device.RefCount, 0);
        EXPECT_EQ(Direct3D.RefCount, 0);
        EXPECT_EQ(DirectInput.RefCount, 0);
        EXPECT_EQ(DirectInput.Keyboard.RefCount, 0);
    }

    static size_t IndexOf(const std::vector<std::string>& entries, const std::string& entry)
    {
        return static_cast<size_t>(std::find(entries.begin(), entries.end(), entry) - entries.begin());
    }

    RecordingScreen Screen;
    Vexa::Engine Engine;
    HWND Window = nullptr;
    HHOOK SentHook = nullptr;
    HHOOK TakenHook = nullptr;
};
} // namespace

TEST_F(EngineRunTest, LoadsThenShowsThenStepsFramesUntilTheCloseAndReleasesOnce)
{
    CloseAtUpdate(3);

    EXPECT_EQ(Engine.Run(), 0);

    EXPECT_EQ(ScreenLifeCycle(), (std::vector<std::string>{"OnLoad", "OnReset", "OnUpdate", "OnUpdate", "OnUpdate",
                                                           "OnLost", "OnRelease"}));
    const std::vector<std::string> journal = Fake::Journal();
    EXPECT_LT(IndexOf(journal, "Screen.OnReset"), IndexOf(journal, "Window.Shown"));
    EXPECT_LT(IndexOf(journal, "Window.Shown"), IndexOf(journal, "Screen.OnUpdate"));
    EXPECT_EQ(Direct3D.Device.CallCount("Present"), 3);
    EXPECT_TRUE(Vexa::CloseRequested);
    EXPECT_EQ(Engine.Windows.Window, nullptr); // the quit message was taken
    ExpectEverythingReleased();
}

TEST_F(EngineRunTest, QueuedMessagesAreAllDispatchedBeforeTheFirstFrame)
{
    Screen.OnCall = [this](const std::string& operation) {
        if (operation == "OnReset")
            for (int i = 0; i < 4; ++i)
                PostMessageW(Engine.MainWindow, WM_USER, 0, 0);
        if (operation == "OnUpdate")
            PostMessageW(Engine.MainWindow, WM_CLOSE, 0, 0);
    };

    EXPECT_EQ(Engine.Run(), 0);

    const std::vector<std::string> picked = JournalOf({"Message.", "Screen.OnUpdate"});
    EXPECT_EQ(picked, (std::vector<std::string>{"Message.WM_USER", "Message.WM_USER", "Message.WM_USER",
                                                "Message.WM_USER", "Screen.OnUpdate"}));
    ExpectEverythingReleased();
}

TEST_F(EngineRunTest, AFailedLoadShutsDownWithoutShowingTheWindow)
{
    Screen.Results["OnLoad"] = 1;
    LogCapture log;

    EXPECT_EQ(Engine.Run(), 0x8003);

    EXPECT_EQ(Screen.Calls, (std::vector<std::string>{"OnLoad", "OnLost", "OnRelease"}));
    EXPECT_EQ(IndexOf(Fake::Journal(), "Window.Shown"), Fake::Journal().size());
    EXPECT_EQ(Direct3D.Device.CallCount("Present"), 0);
    EXPECT_EQ(log.Entries().size(), 1u);
    ExpectEverythingReleased();
}

TEST_F(EngineRunTest, AFailedFrameReleasesTheScreenOnceAndTheLoopRunsOnToTheQuit)
{
    CloseAtUpdate(100); // never reached: the second frame fails
    Direct3D.Device.QueueResults("Present", {D3D_OK, D3DERR_DEVICELOST});
    Direct3D.Device.SetResult("Reset", D3DERR_INVALIDCALL);
    LogCapture log;

    EXPECT_EQ(Engine.Run(), 0);

    EXPECT_EQ(ScreenLifeCycle(),
              (std::vector<std::string>{"OnLoad", "OnReset", "OnUpdate", "OnUpdate", "OnLost", "OnLost", "OnRelease"}));
    EXPECT_EQ(Direct3D.Device.CallCount("Present"), 2);
    EXPECT_EQ(log.Entries().size(), 1u); // the failed Reset
    EXPECT_EQ(Engine.Windows.Window, nullptr);
    ExpectEverythingReleased();
}
