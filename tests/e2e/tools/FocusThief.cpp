// A second program that takes the foreground: it shows a window for a while, then destroys it
// and exits, which hands the foreground back to the previous window.
// Usage: vexa_focus_thief [show ms]. Exit 0.
#include <windows.h>

#include <cstdlib>

namespace
{
LRESULT CALLBACK ThiefProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY)
    {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

int main(int argc, char** argv)
{
    const DWORD showTime = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 1000;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ThiefProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VexaFocusThief";
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"VexaFocusThief", L"Focus thief", WS_POPUP, 0, 0,
                                  200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr)
        return 1;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    const DWORD start = GetTickCount();
    MSG message;
    bool destroyed = false;
    for (;;)
    {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (message.message == WM_QUIT)
                return 0;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!destroyed && GetTickCount() - start >= showTime)
        {
            destroyed = true;
            DestroyWindow(window);
        }
        Sleep(5);
    }
}
