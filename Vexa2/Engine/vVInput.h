#pragma once
// Keyboard and mouse through DirectInput 8, read once per frame into plain fields.
#include <windows.h>
#include <dinput.h>

namespace Vexa
{
class VInput
{
public:
    VInput();

    // Returns 0, StatusDirectInputFailed, StatusKeyboardFailed, StatusMouseFailed or
    // StatusInputSetupFailed. Devices are acquired by the first Update.
    int InitVInput();
    void Update();
    void ReleaseDevices();

    IDirectInput8W* DirectInput;
    IDirectInputDevice8W* Keyboard;
    IDirectInputDevice8W* Mouse;
    BYTE KeyState[256];      // by DIK_ code; 0x80 = held
    DIMOUSESTATE MouseState; // lX, lY, lZ movement, rgbButtons 0x80 = held
    bool MouseReady;
    bool KeyboardReady;
    bool IsInitialized;
    float MouseDeltaX;
    float MouseDeltaY;
    float MouseDeltaZ;
    HWND FocusWindow; // window of the cooperative levels
};
} // namespace Vexa
