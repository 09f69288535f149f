// The window manager on a real (hidden) Win32 window: creation, the one-message pump, the
// flags its procedure keeps; and the lost-device wait keeping that queue flowing.
#include "EngineTestSupport.h"
#include "tests/support/LogCapture.h"
#include "Vexa2/Engine/Renderer/vDeviceManager.h"
#include "Vexa2/Engine/vWindowManager.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace
{
const std::int32_t WindowSize[2] = {800, 600};

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[64] = {};
    GetWindowTextW(window, text, 64);
    return text;
}

// Refuses every window creation on this thread.
LRESULT CALLBACK RefuseCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND)
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class WindowTest : public FakePlatformTest
{
protected:
    void TearDown() override
    {
        if (Windows.Window != nullptr && IsWindow(Windows.Window))
            DestroyWindow(Windows.Window);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
        }
        UnregisterClassW(L"Vexa2 v0.2", GetModuleHandleW(nullptr));
        FakePlatformTest::TearDown();
    }

    Vexa::WindowManager Windows;
};
} // namespace

TEST_F(WindowTest, InitWindowCreatesAHiddenFixedSizeCaptionWindow)
{
    EXPECT_EQ(Vexa::WindowTitle, L"Vexa2 v0.2");
    EXPECT_TRUE(Windows.ClassName.empty());

    ASSERT_EQ(Windows.InitWindow(WindowSize, false), 0);

    const HWND window = Windows.Window;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Windows.ClassName, L"Vexa2 v0.2");
    EXPECT_EQ(ClassOf(window), L"Vexa2 v0.2");
    EXPECT_EQ(TextOf(window), L"Vexa2 v0.2");
    EXPECT_FALSE(IsWindowVisible(window));
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    EXPECT_EQ(style & 0x00CA0000u, 0x00CA0000u); // caption, system menu, minimise box
    EXPECT_EQ(style & (WS_POPUP | WS_THICKFRAME | WS_MAXIMIZEBOX), 0u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)) & WS_EX_TOPMOST, 0u);
    EXPECT_EQ(GetClassLongW(window, GCL_STYLE), static_cast<DWORD>(CS_CLASSDC));
    RECT outer;
    ASSERT_TRUE(GetWindowRect(window, &outer));
    EXPECT_EQ(outer.right - outer.left, 800); // the outer size, not the client size
    EXPECT_EQ(outer.bottom - outer.top, 600);
}

TEST_F(WindowTest, FullScreenWindowIsATopmostPopup)
{
    const std::int32_t size[2] = {640, 480};
    ASSERT_EQ(Windows.InitWindow(size, true), 0);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(Windows.Window, GWL_STYLE));
    EXPECT_EQ(style & WS_POPUP, static_cast<DWORD>(WS_POPUP));
    EXPECT_EQ(style & WS_CAPTION, 0u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(Windows.Window, GWL_EXSTYLE)) & WS_EX_TOPMOST,
              static_cast<DWORD>(WS_EX_TOPMOST));
}

TEST_F(WindowTest, RefusedCreationIsLoggedAsStatus0x8005)
{
    LogCapture log;
    const HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseCreation, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);

    const int status = Windows.InitWindow(WindowSize, false);
    UnhookWindowsHookEx(hook);

    EXPECT_EQ(status, 0x8005);
    EXPECT_EQ(Windows.Window, nullptr);
    EXPECT_TRUE(Windows.ClassName.empty());
    const std::vector<std::wstring> messages = log.Entries();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(IsLogEntry(messages[0], L".\\Vexa2\\Engine\\vWindowManager", L"Vexa::WindowManager::InitWindow",
                           L"Cannot create Window, hwnd is NULL"));
}

TEST_F(WindowTest, PumpDispatchesOneMessagePerCallAndReportsAnEmptyQueue)
{
    ASSERT_EQ(Windows.InitWindow(WindowSize, false), 0);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) // whatever creation queued
    {
    }
    EXPECT_EQ(Windows.PumpMessage(), 1);

    for (UINT i = 0; i < 3; ++i)
        ASSERT_TRUE(PostMessageW(Windows.Window, WM_USER + i, i, 0));
    for (UINT i = 0; i < 3; ++i)
    {
        EXPECT_EQ(Windows.PumpMessage(), 2);
        EXPECT_EQ(Windows.Message.message, WM_USER + i);
    }
    EXPECT_EQ(Windows.PumpMessage(), 1);
    EXPECT_FALSE(Vexa::CloseRequested);
}

TEST_F(WindowTest, CloseWaitsForAnEmptyQueueThenUnregistersAndDestructionEndsWithQuit)
{
    ASSERT_EQ(Windows.InitWindow(WindowSize, false), 0);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
    }
    ASSERT_TRUE(PostMessageW(Windows.Window, WM_CLOSE, 0, 0));
    ASSERT_TRUE(PostMessageW(Windows.Window, WM_USER, 0, 0));
    ASSERT_TRUE(PostMessageW(Windows.Window, WM_USER, 1, 0));

    EXPECT_EQ(Windows.PumpMessage(), 2); // WM_CLOSE: only the flag
    EXPECT_TRUE(Vexa::CloseRequested);
    EXPECT_TRUE(IsWindow(Windows.Window));
    EXPECT_EQ(Windows.PumpMessage(), 2);
    EXPECT_EQ(Windows.PumpMessage(), 2);
    EXPECT_EQ(Windows.PumpMessage(), 3);
    EXPECT_EQ(Windows.PumpMessage(), 3); // stays pending while the window lives

    const HWND window = Windows.Window;
    DestroyWindow(window); // WM_DESTROY posts the quit message
    int result = 2;
    for (int pass = 0; pass < 100 && result == 2; ++pass)
        result = Windows.PumpMessage();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Windows.Message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(Windows.Window, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(Vexa::CloseRequested); // never cleared
}

TEST_F(WindowTest, ProcedureKeepsTheFocusAndCloseFlags)
{
    ASSERT_EQ(Windows.InitWindow(WindowSize, false), 0);
    EXPECT_TRUE(Vexa::HasFocus); // set before any focus message

    EXPECT_EQ(SendMessageW(Windows.Window, WM_KILLFOCUS, 0, 0), 0);
    EXPECT_FALSE(Vexa::HasFocus);
    EXPECT_EQ(SendMessageW(Windows.Window, WM_SETFOCUS, 0, 0), 0);
    EXPECT_TRUE(Vexa::HasFocus);

    EXPECT_EQ(SendMessageW(Windows.Window, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(Vexa::CloseRequested);
    EXPECT_TRUE(IsWindow(Windows.Window)); // not destroyed by the close
}

namespace
{
std::vector<UINT> Delivered;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER)
        Delivered.push_back(message);
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

TEST_F(WindowTest, LostDeviceWaitKeepsMessagesFlowingAndKeepsTheQuitMessage)
{
    Delivered.clear();
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VexaWaitProbe";
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
    const HWND probe = CreateWindowExW(0, L"VexaWaitProbe", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(probe, nullptr);

    Vexa::DeviceManager manager;
    const Vexa::Config config = {0, 0, D3DFMT_X8R8G8B8, false, false, 800, 600};
    ASSERT_EQ(manager.Init(config, probe), 0);
    Direct3D.Device.QueueResults("TestCooperativeLevel", {D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3D_OK});
    ASSERT_TRUE(PostMessageW(probe, WM_USER + 1, 0, 0));
    PostQuitMessage(7);
    ASSERT_TRUE(PostMessageW(probe, WM_USER + 2, 0, 0));
    // A message that arrives after the first step has taken the quit message.
    Direct3D.Device.OnCall = [&](const std::string& method) {
        if (method == "TestCooperativeLevel" && Direct3D.Device.CallCount(method) == 2)
            PostMessageW(probe, WM_USER + 3, 0, 0);
    };

    EXPECT_EQ(manager.ResetDevice(), 0);
    Direct3D.Device.OnCall = nullptr;

    EXPECT_EQ(Delivered, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3}));
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)); // posted once
    EXPECT_EQ(Direct3D.Device.CallCount("Reset"), 1);

    manager.Release();
    DestroyWindow(probe);
    UnregisterClassW(L"VexaWaitProbe", GetModuleHandleW(nullptr));
}
