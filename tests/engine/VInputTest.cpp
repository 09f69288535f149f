// Input against a fake DirectInput: set-up, each failure with its log entry, per-frame reads.
#include "EngineTestSupport.h"
#include "tests/support/LogCapture.h"
#include "Vexa2/Engine/vVInput.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
const wchar_t* const InputFile = L".\\Vexa2\\Engine\\vVInput";
const wchar_t* const InitFunction = L"Vexa::VInput::InitVInput";

class VInputTest : public FakePlatformTest
{
protected:
    void SetUp() override
    {
        FakePlatformTest::SetUp();
        Input.FocusWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x4321));
    }
    void TearDown() override
    {
        Input.ReleaseDevices();
        ExpectAllReleased();
        FakePlatformTest::TearDown();
    }
    void ExpectAllReleased()
    {
        EXPECT_EQ(DirectInput.Keyboard.RefCount, 0);
        EXPECT_EQ(DirectInput.Mouse.RefCount, 0);
        EXPECT_EQ(DirectInput.RefCount, 0);
    }
    // Nothing but the log entries of one failed InitVInput, and no set-up left behind.
    void ExpectFailed(int status, const std::wstring& text)
    {
        LogCapture log;
        EXPECT_EQ(Input.InitVInput(), status);
        EXPECT_FALSE(Input.IsInitialized);
        EXPECT_FALSE(Input.KeyboardReady);
        EXPECT_FALSE(Input.MouseReady);
        EXPECT_EQ(Input.DirectInput, nullptr);
        const std::vector<std::wstring> messages = log.Entries();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(IsLogEntry(messages[0], InputFile, InitFunction, text));
    }

    Vexa::VInput Input;
};
} // namespace

TEST_F(VInputTest, ConstructionHoldsNothing)
{
    EXPECT_EQ(Input.Keyboard, nullptr);
    EXPECT_EQ(Input.Mouse, nullptr);
    EXPECT_FALSE(Input.IsInitialized);
    for (BYTE key : Input.KeyState)
        EXPECT_EQ(key, 0);
    EXPECT_EQ(Input.MouseState.lX, 0);
    EXPECT_EQ(Input.MouseDeltaZ, 0.0f);
}

// Update before InitVInput, and after a failed one, leaves every field as it was and reads no
// device, even the keyboard a failed mouse creation left behind with its ready flag from a run before.
TEST_F(VInputTest, UpdateBeforeOrAfterAFailedInitChangesNothing)
{
    DirectInput.Keyboard.State.assign(256, 0x80);
    const DIMOUSESTATE moved = {5, -6, 7, {0x80, 0x80, 0x80, 0x80}};
    DirectInput.Mouse.State.assign(reinterpret_cast<const BYTE*>(&moved),
                                   reinterpret_cast<const BYTE*>(&moved) + sizeof(moved));
    Input.KeyState[DIK_W] = 0x80; // as an earlier read may have left them
    Input.MouseState = {1, 2, 3, {0, 0x80, 0, 0}};
    Input.MouseDeltaX = 1.0f;
    Input.MouseDeltaY = 2.0f;
    Input.MouseDeltaZ = 3.0f;
    const std::vector<BYTE> keys(Input.KeyState, Input.KeyState + sizeof(Input.KeyState));
    const DIMOUSESTATE mouse = Input.MouseState;
    const auto expectUnchanged = [&]() {
        Input.Update();
        EXPECT_EQ(std::vector<BYTE>(Input.KeyState, Input.KeyState + sizeof(Input.KeyState)), keys);
        EXPECT_EQ(std::memcmp(&Input.MouseState, &mouse, sizeof(mouse)), 0);
        EXPECT_EQ(Input.MouseDeltaX, 1.0f);
        EXPECT_EQ(Input.MouseDeltaY, 2.0f);
        EXPECT_EQ(Input.MouseDeltaZ, 3.0f);
        EXPECT_EQ(DirectInput.Keyboard.CallCount("GetDeviceState") + DirectInput.Keyboard.CallCount("Acquire"), 0);
        EXPECT_EQ(DirectInput.Mouse.CallCount("GetDeviceState") + DirectInput.Mouse.CallCount("Acquire"), 0);
    };
    {
        SCOPED_TRACE("before InitVInput");
        expectUnchanged();
        EXPECT_EQ(Fake::DirectInput8CreateControl.Calls, 0);
    }

    ASSERT_EQ(Input.InitVInput(), 0);
    Input.ReleaseDevices(); // keeps both ready flags
    DirectInput.QueueResults("CreateDevice", {DI_OK, E_OUTOFMEMORY});
    LogCapture log;
    ASSERT_EQ(Input.InitVInput(), 0x800D); // the keyboard stays until ReleaseDevices
    ASSERT_EQ(Input.Keyboard, static_cast<IDirectInputDevice8W*>(&DirectInput.Keyboard));
    {
        SCOPED_TRACE("after a failed InitVInput");
        expectUnchanged();
    }
}

TEST_F(VInputTest, InitCreatesBothDevicesWithTheirFormatsAndLevelsWithoutAcquiring)
{
    ASSERT_EQ(Input.InitVInput(), 0);

    EXPECT_EQ(Fake::DirectInput8CreateControl.LastInstance, GetModuleHandleW(nullptr));
    EXPECT_EQ(Fake::DirectInput8CreateControl.LastVersion, 0x0800u);
    EXPECT_TRUE(IsEqualGUID(Fake::DirectInput8CreateControl.LastInterface, IID_IDirectInput8W));
    ASSERT_EQ(DirectInput.CreatedGuids.size(), 2u);
    EXPECT_TRUE(IsEqualGUID(DirectInput.CreatedGuids[0], GUID_SysKeyboard));
    EXPECT_TRUE(IsEqualGUID(DirectInput.CreatedGuids[1], GUID_SysMouse));

    EXPECT_EQ(DirectInput.Keyboard.DataFormat, &c_dfDIKeyboard);
    EXPECT_EQ(DirectInput.Keyboard.CooperativeWindow, Input.FocusWindow);
    EXPECT_EQ(DirectInput.Keyboard.CooperativeFlags, 0x15u);
    EXPECT_EQ(DirectInput.Mouse.DataFormat, &c_dfDIMouse);
    EXPECT_EQ(DirectInput.Mouse.CooperativeWindow, Input.FocusWindow);
    EXPECT_EQ(DirectInput.Mouse.CooperativeFlags, 6u);
    EXPECT_EQ(DirectInput.Keyboard.CallCount("Acquire") + DirectInput.Mouse.CallCount("Acquire"), 0);

    EXPECT_TRUE(Input.IsInitialized);
    EXPECT_TRUE(Input.KeyboardReady);
    EXPECT_TRUE(Input.MouseReady);
    EXPECT_EQ(DirectInput.RefCount, 3); // ours and one per device
}

TEST_F(VInputTest, DirectInput8CreateFailureIsLoggedWithItsResult)
{
    Fake::DirectInput8CreateControl.Result = DIERR_OLDDIRECTINPUTVERSION;
    ExpectFailed(0x800B, FailedCall(L"DirectInput8Create()", L"0x8007047E"));
}

TEST_F(VInputTest, KeyboardCreationFailureReleasesDirectInput)
{
    DirectInput.SetResult("CreateDevice", DIERR_NOINTERFACE);
    ExpectFailed(0x800C, FailedCall(L"CreateDevice() for Keyboard device", L"0x80004002"));
    EXPECT_EQ(Input.Keyboard, nullptr);
    ExpectAllReleased();
}

TEST_F(VInputTest, MouseCreationFailureKeepsTheKeyboardUntilReleaseDevices)
{
    DirectInput.QueueResults("CreateDevice", {DI_OK, E_OUTOFMEMORY});
    ExpectFailed(0x800D, FailedCall(L"CreateDevice() for Mouse device", L"0x8007000E"));
    EXPECT_EQ(Input.Keyboard, static_cast<IDirectInputDevice8W*>(&DirectInput.Keyboard));
    EXPECT_EQ(Input.Mouse, nullptr);
    EXPECT_EQ(DirectInput.Keyboard.RefCount, 1);

    Input.ReleaseDevices();
    EXPECT_EQ(Input.Keyboard, nullptr);
    ExpectAllReleased();
}

TEST_F(VInputTest, AnyFailedFormatOrLevelReleasesEverything)
{
    const struct
    {
        bool OnKeyboard;
        const char* Method;
    } steps[] = {{true, "SetDataFormat"},
                 {true, "SetCooperativeLevel"},
                 {false, "SetDataFormat"},
                 {false, "SetCooperativeLevel"}};
    for (const auto& step : steps)
    {
        SCOPED_TRACE(std::string(step.OnKeyboard ? "Keyboard." : "Mouse.") + step.Method);
        Fake::FakeDirectInputDevice8W& device = step.OnKeyboard ? DirectInput.Keyboard : DirectInput.Mouse;
        device.QueueResults(step.Method, {DIERR_INVALIDPARAM});
        ExpectFailed(0x800E, L"Failed to set up devices.");
        EXPECT_EQ(Input.Keyboard, nullptr);
        EXPECT_EQ(Input.Mouse, nullptr);
        ExpectAllReleased();
    }
    EXPECT_EQ(DirectInput.Mouse.CallCount("SetDataFormat"), 2); // the mouse is created after a good keyboard
}

TEST_F(VInputTest, TheFirstUpdateAcquiresAndReadsNothingTheNextReadsTheDevices)
{
    ASSERT_EQ(Input.InitVInput(), 0);
    DirectInput.Keyboard.QueueResults("GetDeviceState", {DIERR_NOTACQUIRED});
    DirectInput.Mouse.QueueResults("GetDeviceState", {DIERR_NOTACQUIRED});
    DirectInput.Keyboard.State.assign(256, 0);
    DirectInput.Keyboard.State[DIK_W] = 0x80;
    DIMOUSESTATE moved = {-3, 7, 120, {0x80, 0, 0, 0}};
    DirectInput.Mouse.State.assign(reinterpret_cast<BYTE*>(&moved), reinterpret_cast<BYTE*>(&moved) + sizeof(moved));

    Input.Update();
    EXPECT_EQ(DirectInput.Keyboard.CallCount("Acquire"), 1);
    EXPECT_EQ(DirectInput.Mouse.CallCount("Acquire"), 1);
    EXPECT_EQ(Input.KeyState[DIK_W], 0);
    EXPECT_EQ(Input.MouseDeltaX, 0.0f);

    for (int frame = 0; frame < 2; ++frame) // a held key reads as down every frame
    {
        Input.Update();
        EXPECT_EQ(Input.KeyState[DIK_W], 0x80);
        EXPECT_EQ(Input.KeyState[DIK_S], 0);
        EXPECT_EQ(Input.MouseState.rgbButtons[0], 0x80);
        EXPECT_EQ(Input.MouseDeltaX, -3.0f);
        EXPECT_EQ(Input.MouseDeltaY, 7.0f);
        EXPECT_EQ(Input.MouseDeltaZ, 120.0f);
    }
    EXPECT_EQ(DirectInput.Keyboard.StateSizes, (std::vector<DWORD>{256, 256, 256}));
    EXPECT_EQ(DirectInput.Mouse.StateSizes, (std::vector<DWORD>{16, 16, 16}));
    EXPECT_EQ(DirectInput.Keyboard.CallCount("Acquire"), 1);
}

TEST_F(VInputTest, ALostDeviceIsReacquiredAndReadsAsZeroForThatFrame)
{
    ASSERT_EQ(Input.InitVInput(), 0);
    DirectInput.Keyboard.State.assign(256, 0x80);
    DIMOUSESTATE moved = {5, 5, 5, {0x80, 0x80, 0, 0}};
    DirectInput.Mouse.State.assign(reinterpret_cast<BYTE*>(&moved), reinterpret_cast<BYTE*>(&moved) + sizeof(moved));
    Input.Update();
    ASSERT_EQ(Input.KeyState[0], 0x80);

    DirectInput.Keyboard.QueueResults("GetDeviceState", {DIERR_INPUTLOST});
    DirectInput.Mouse.QueueResults("GetDeviceState", {DIERR_INPUTLOST});
    DirectInput.Keyboard.QueueResults("Acquire", {DIERR_OTHERAPPHASPRIO}); // still in the background
    Input.Update();

    for (BYTE key : Input.KeyState)
        ASSERT_EQ(key, 0);
    BYTE zero[sizeof(DIMOUSESTATE)] = {};
    EXPECT_EQ(std::memcmp(&Input.MouseState, zero, sizeof(zero)), 0);
    EXPECT_EQ(Input.MouseDeltaX, 0.0f);
    EXPECT_EQ(DirectInput.Keyboard.CallCount("Acquire"), 1);
    EXPECT_EQ(DirectInput.Mouse.CallCount("Acquire"), 1);
}

TEST_F(VInputTest, ReleaseDevicesKeepsTheLastStateAndStopsUpdates)
{
    ASSERT_EQ(Input.InitVInput(), 0);
    DirectInput.Keyboard.State.assign(256, 0);
    DirectInput.Keyboard.State[DIK_ESCAPE] = 0x80;
    Input.Update();

    Input.ReleaseDevices();
    EXPECT_FALSE(Input.IsInitialized);
    EXPECT_TRUE(Input.KeyboardReady);
    EXPECT_TRUE(Input.MouseReady);
    EXPECT_EQ(Input.KeyState[DIK_ESCAPE], 0x80);
    ExpectAllReleased();

    const size_t reads = DirectInput.Keyboard.Calls.size();
    Input.Update();
    EXPECT_EQ(DirectInput.Keyboard.Calls.size(), reads);
    Input.ReleaseDevices(); // again: nothing left to release
}
