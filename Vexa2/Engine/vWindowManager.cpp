#include "vWindowManager.h"

#include "vStatus.h"
#include "VLib/vLogger.h"
#include "Vexa2/Engine/vVersion.h"

#include <cstring>

namespace Vexa
{
namespace
{
const wchar_t* const SourceFile = L".\\Vexa2\\Engine\\vWindowManager";

const DWORD WindowedStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
const DWORD FullScreenStyle = WS_POPUP;
} // namespace

const std::wstring WindowTitle = L"Vexa2 v" VEXA_VERSION;
bool HasFocus = true;
bool CloseRequested = false;

WindowManager::WindowManager() : Window(nullptr)
{
    std::memset(&Message, 0, sizeof(Message));
}

int WindowManager::InitWindow(const std::int32_t* size, bool fullScreen)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);

    WNDCLASSEXW windowClass;
    std::memset(&windowClass, 0, sizeof(windowClass));
    windowClass.cbSize = sizeof(WNDCLASSEXW);
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = WindowTitle.c_str();
    // A second registration (class still registered) fails harmlessly; CreateWindowExW decides.
    RegisterClassExW(&windowClass);

    // The size is the outer window size: the client area is smaller by the frame.
    Window = CreateWindowExW(fullScreen ? WS_EX_TOPMOST : 0, WindowTitle.c_str(), WindowTitle.c_str(),
                             fullScreen ? FullScreenStyle : WindowedStyle, CW_USEDEFAULT, CW_USEDEFAULT, size[0],
                             size[1], GetDesktopWindow(), nullptr, instance, nullptr);
    if (Window == nullptr)
    {
        VLib::LogError(VLIB_HERE(L"Vexa::WindowManager::InitWindow"), L"Cannot create Window, hwnd is NULL");
        return StatusCreateWindowFailed;
    }

    ClassName = WindowTitle;
    return StatusOk;
}

int WindowManager::PumpMessage()
{
    if (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE))
    {
        if (Message.message == WM_QUIT)
        {
            Window = nullptr;
            return 0;
        }
        TranslateMessage(&Message);
        DispatchMessageW(&Message);
        return 2;
    }
    if (CloseRequested)
    {
        UnregisterClassW(ClassName.c_str(), GetModuleHandleW(nullptr));
        return 3;
    }
    return 1;
}

LRESULT CALLBACK WindowManager::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SETFOCUS:
        HasFocus = true;
        return 0;
    case WM_KILLFOCUS:
        HasFocus = false;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_CLOSE:
        // Only flag it: the main loop releases everything before the window goes.
        CloseRequested = true;
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
} // namespace Vexa
