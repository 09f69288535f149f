// A second program that takes the foreground: it shows a window for a while, then destroys it
// and exits, which hands the foreground back to the previous window. With "restore" it then does
// what a user switching back would do: restores the program's window (a full-screen device
// minimises it on losing the focus) and brings it to the foreground.
// Usage: vexa_focus_thief [show ms [restore]]. Exit 0; 1 without a window of its own; 2 when
// "restore" finds no Vexa2 window.
#include <windows.h>

#include <cstdlib>
#include <cstring>

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

int RestoreVexa2()
{
    HWND vexa2 = FindWindowW(L"Vexa2 v0.2", nullptr);
    if (vexa2 == nullptr)
        return 2;
    ShowWindow(vexa2, SW_RESTORE);
    SetForegroundWindow(vexa2);
    return 0;
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
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"VexaFocusThief", L"Focus thief", WS_POPUP, 0, 0, 200, 100, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
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
                return argc > 2 && std::strcmp(argv[2], "restore") == 0 ? RestoreVexa2() : 0;
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
