// One frame of the engine and its shut-down, against fakes (no window involved).
#include "EngineTestSupport.h"
#include "tests/support/FreshEngine.h"
#include "tests/support/LogCapture.h"
#include "Vexa2/Engine/vEngine.h"

#include <gtest/gtest.h>

namespace
{
class EngineFrameTest : public FakePlatformTest
{
protected:
    void SetUp() override
    {
        FakePlatformTest::SetUp();
        Vexa::Config config = {0, 0, D3DFMT_X8R8G8B8, false, false, 800, 600};
        ASSERT_EQ(Engine.Graphics.Init(config, nullptr), 0);
        ASSERT_EQ(Engine.Input.InitVInput(), 0);
        StartFromAFreshProcessState(Engine);
        Engine.Graphics.CurrentScreen = &Screen;
        Fake::Journal().clear();
    }
    void TearDown() override
    {
        Engine.Shutdown();
        EXPECT_EQ(Direct3D.Device.RefCount, 0);
        EXPECT_EQ(Direct3D.RefCount, 0);
        EXPECT_EQ(DirectInput.RefCount, 0);
        FakePlatformTest::TearDown();
    }

    std::vector<std::string> FrameJournal()
    {
        return JournalOf({"Screen.", "Device.", "Keyboard.GetDeviceState", "Mouse.GetDeviceState"});
    }

    RecordingScreen Screen;
    Vexa::Engine Engine;
};
} // namespace

TEST_F(EngineFrameTest, ConstructionWiresThePointersToItsOwnMembers)
{
    Vexa::Engine fresh;
    EXPECT_EQ(fresh.InputPtr, &fresh.Input);
    EXPECT_EQ(fresh.RendererPtr, &fresh.Graphics);
    EXPECT_EQ(fresh.TimerPtr, &fresh.FrameTimer);
    EXPECT_EQ(fresh.MainWindow, nullptr);
    EXPECT_EQ(fresh.Windows.Window, nullptr);
    EXPECT_TRUE(fresh.Windows.ClassName.empty());
    EXPECT_EQ(fresh.Graphics.CurrentScreen, nullptr);
    EXPECT_EQ(fresh.Graphics.ClearColor, 0xFF000080u);
    EXPECT_FALSE(fresh.Input.IsInitialized);
    EXPECT_EQ(fresh.FrameTimer.FramesPerSecond, 0u);
    EXPECT_EQ(Vexa::TheEngine.RendererPtr, &Vexa::TheEngine.Graphics);
}

TEST_F(EngineFrameTest, AFocusedFrameDrawsReadsTicksUpdatesAndPresents)
{
    EXPECT_EQ(Engine.Frame(), 0);

    EXPECT_EQ(FrameJournal(), (std::vector<std::string>{"Device.Clear", "Device.BeginScene", "Screen.OnRender",
                                                        "Device.EndScene", "Keyboard.GetDeviceState",
                                                        "Mouse.GetDeviceState", "Screen.OnUpdate", "Device.Present"}));
    EXPECT_EQ(Engine.FrameTimer.FrameCount, 1u);
}

TEST_F(EngineFrameTest, WithoutFocusNothingIsDrawnButEverythingElseRuns)
{
    Vexa::HasFocus = false;
    EXPECT_EQ(Engine.Frame(), 0);
    EXPECT_EQ(Engine.Frame(), 0);

    EXPECT_EQ(FrameJournal(), (std::vector<std::string>{"Keyboard.GetDeviceState", "Mouse.GetDeviceState",
                                                        "Screen.OnUpdate", "Device.Present", "Keyboard.GetDeviceState",
                                                        "Mouse.GetDeviceState", "Screen.OnUpdate", "Device.Present"}));
    EXPECT_EQ(Engine.FrameTimer.FrameCount, 2u);
}

TEST_F(EngineFrameTest, WithoutAScreenAnEmptySceneIsStillPresented)
{
    Engine.Graphics.CurrentScreen = nullptr;
    EXPECT_EQ(Engine.Frame(), 0);
    EXPECT_EQ(FrameJournal(),
              (std::vector<std::string>{"Device.Clear", "Device.BeginScene", "Device.EndScene",
                                        "Keyboard.GetDeviceState", "Mouse.GetDeviceState", "Device.Present"}));
}

TEST_F(EngineFrameTest, ALostDeviceIsResetWithinTheSameFrame)
{
    Direct3D.Device.QueueResults("Present", {D3DERR_DEVICELOST});
    Direct3D.Device.QueueResults("TestCooperativeLevel", {D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET});

    EXPECT_EQ(Engine.Frame(), 0);

    const std::vector<std::string> journal =
        JournalOf({"Screen.OnLost", "Screen.OnReset", "Device.Present", "Device.TestCooperativeLevel", "Device.Reset"});
    EXPECT_EQ(journal, (std::vector<std::string>{"Device.Present", "Screen.OnLost", "Device.TestCooperativeLevel",
                                                 "Device.TestCooperativeLevel", "Device.Reset", "Screen.OnReset"}));

    // The next frame draws normally.
    Fake::Journal().clear();
    EXPECT_EQ(Engine.Frame(), 0);
    EXPECT_EQ(JournalOf({"Device.Clear", "Device.Present", "Device.Reset"}),
              (std::vector<std::string>{"Device.Clear", "Device.Present"}));
}

TEST_F(EngineFrameTest, AFailedResetIsTheFrameStatusOtherPresentResultsAreIgnored)
{
    Direct3D.Device.QueueResults("Present", {D3DERR_DEVICENOTRESET, E_FAIL, D3DERR_DEVICELOST});
    Direct3D.Device.SetResult("Reset", D3DERR_INVALIDCALL);
    LogCapture log;

    EXPECT_EQ(Engine.Frame(), 0);
    EXPECT_EQ(Engine.Frame(), 0);
    EXPECT_EQ(Direct3D.Device.CallCount("Reset"), 0);
    EXPECT_EQ(Engine.Frame(), 0x800A);
    EXPECT_EQ(Direct3D.Device.CallCount("Reset"), 1);
    EXPECT_EQ(Screen.Count("OnReset"), 0);
    EXPECT_EQ(log.Entries().size(), 1u);
}

TEST_F(EngineFrameTest, ShutdownReleasesInputAndDeviceAndMayRunTwice)
{
    Engine.Shutdown();
    EXPECT_EQ(Engine.Input.Keyboard, nullptr);
    EXPECT_EQ(Engine.Input.DirectInput, nullptr);
    EXPECT_FALSE(Engine.Input.IsInitialized);
    EXPECT_EQ(Engine.Graphics.Device, nullptr);
    EXPECT_EQ(Engine.Graphics.Direct3D, nullptr);
    EXPECT_TRUE(Engine.Graphics.DisplayModes.empty());
    EXPECT_EQ(Engine.Graphics.CurrentScreen, &Screen); // not cleared
    EXPECT_EQ(Direct3D.RefCount, 0);
    EXPECT_EQ(DirectInput.RefCount, 0);
    EXPECT_TRUE(Screen.Calls.empty()); // releasing the screen is the loop's job
}
