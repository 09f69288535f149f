#pragma once
// The one top-level window, its message pump and the focus/close flags its procedure keeps.
#include <windows.h>

#include <cstdint>
#include <string>

namespace Vexa
{
// Window class name and title alike.
extern const std::wstring WindowTitle;
// Drawing happens only while set; starts set, before any focus message.
extern bool HasFocus;
// Set by WM_CLOSE; the next idle pass of the loop shuts down.
extern bool CloseRequested;

class WindowManager
{
public:
    WindowManager();

    // size: width then height (outer window size). Returns 0 or StatusCreateWindowFailed.
    int InitWindow(const std::int32_t* size, bool fullScreen);
    // 0 quit taken, 1 idle, 2 one message dispatched, 3 idle with a close pending.
    int PumpMessage();

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND Window;
    MSG Message;
    std::wstring ClassName;
};
} // namespace Vexa
