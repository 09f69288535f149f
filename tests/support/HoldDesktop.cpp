// Keeps the prefix's desktop, and with it Wine's explorer and display driver, for a whole test
// session (scripts/xvfb-session.sh --services says why). Prints "ready" once a window could be
// created here, then waits until the session's wineserver ends it. Exit 1 when no window can be
// created.
#include <windows.h>

#include <cstdio>

int main()
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr)
        return 1;
    DestroyWindow(window);
    std::printf("ready\n");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}
