// Asks Vexa2's window to close the way its close button does: WM_CLOSE to the window of
// class "Vexa2 v0.2" (found by class, since the demo rewrites the title every frame).
// Usage: vexa_post_close [timeout ms]. Exit 0 when posted, 1 when no such window appeared.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const DWORD timeout = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 10000;
    const DWORD start = GetTickCount();
    for (;;)
    {
        HWND window = FindWindowW(L"Vexa2 v0.2", nullptr);
        if (window != nullptr && PostMessageW(window, WM_CLOSE, 0, 0))
        {
            std::printf("posted WM_CLOSE to %p\n", static_cast<void*>(window));
            return 0;
        }
        if (GetTickCount() - start >= timeout)
            break;
        Sleep(50);
    }
    std::fprintf(stderr, "no window of class \"Vexa2 v0.2\"\n");
    return 1;
}
