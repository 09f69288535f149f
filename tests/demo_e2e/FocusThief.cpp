// Takes the foreground from the demo for a while: shows a topmost window, then destroys it.
// With "restore", it then does what a user switching back would do: restores the demo's window
// (a full-screen device minimises it on losing the focus) and brings it to the foreground.
// Usage: demo_focus_thief [milliseconds [restore]]. Exit code 0; 1 when no window could be
// made; 2 when "restore" found no demo window.
#include <windows.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    const DWORD showTime = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 1000;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"DemoFocusThief";
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"DemoFocusThief", L"Demo focus thief", WS_POPUP, 0, 0, 160,
                                  120, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr)
        return 1;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < showTime)
    {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
    DestroyWindow(window);

    if (argc > 2 && std::strcmp(argv[2], "restore") == 0)
    {
        HWND demo = FindWindowW(L"Vexa2 v0.2", nullptr);
        if (demo == nullptr)
            return 2;
        ShowWindow(demo, SW_RESTORE);
        SetForegroundWindow(demo);
    }
    return 0;
}
