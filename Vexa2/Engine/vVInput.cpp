#include "vVInput.h"

#include "vStatus.h"
#include "VLib/vLogger.h"

#include <cstring>

namespace Vexa
{
namespace
{
const wchar_t* const SourceFile = L".\\Vexa2\\Engine\\vVInput";
const wchar_t* const InitFunction = L"Vexa::VInput::InitVInput";

// Holds for every failure result, DIERR_NOTACQUIRED included.
bool ReadFailed(HRESULT result)
{
    return (static_cast<DWORD>(result) & static_cast<DWORD>(DIERR_INPUTLOST)) != 0;
}
} // namespace

VInput::VInput()
    : DirectInput(nullptr), Keyboard(nullptr), Mouse(nullptr), MouseReady(false), KeyboardReady(false),
      IsInitialized(false), MouseDeltaX(0.0f), MouseDeltaY(0.0f), MouseDeltaZ(0.0f), FocusWindow(nullptr)
{
    std::memset(KeyState, 0, sizeof(KeyState));
    std::memset(&MouseState, 0, sizeof(MouseState));
}

int VInput::InitVInput()
{
    HRESULT result = DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                                        reinterpret_cast<void**>(&DirectInput), nullptr);
    if (FAILED(result))
    {
        DirectInput = nullptr;
        VLib::LogFailedCall(VLIB_HERE(InitFunction), L"DirectInput8Create()", result);
        return StatusDirectInputFailed;
    }

    result = DirectInput->CreateDevice(GUID_SysKeyboard, &Keyboard, nullptr);
    if (FAILED(result))
    {
        Keyboard = nullptr;
        VLib::LogFailedCall(VLIB_HERE(InitFunction), L"CreateDevice() for Keyboard device", result);
        DirectInput->Release();
        DirectInput = nullptr;
        return StatusKeyboardFailed;
    }

    bool setUp =
        SUCCEEDED(Keyboard->SetDataFormat(&c_dfDIKeyboard)) &&
        SUCCEEDED(Keyboard->SetCooperativeLevel(FocusWindow, DISCL_EXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY));
    if (setUp)
    {
        result = DirectInput->CreateDevice(GUID_SysMouse, &Mouse, nullptr);
        if (FAILED(result))
        {
            // The keyboard device stays until ReleaseDevices.
            Mouse = nullptr;
            DirectInput->Release();
            DirectInput = nullptr;
            VLib::LogFailedCall(VLIB_HERE(InitFunction), L"CreateDevice() for Mouse device", result);
            return StatusMouseFailed;
        }
        setUp = SUCCEEDED(Mouse->SetDataFormat(&c_dfDIMouse)) &&
                SUCCEEDED(Mouse->SetCooperativeLevel(FocusWindow, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND));
    }

    if (!setUp)
    {
        ReleaseDevices();
        VLib::LogError(VLIB_HERE(InitFunction), L"Failed to set up devices.");
        return StatusInputSetupFailed;
    }

    // Not acquired here: the first Update finds the devices unacquired and acquires them.
    IsInitialized = true;
    KeyboardReady = true;
    MouseReady = true;
    return StatusOk;
}

void VInput::Update()
{
    if (!IsInitialized)
        return;

    if (KeyboardReady && ReadFailed(Keyboard->GetDeviceState(sizeof(KeyState), KeyState)))
    {
        // Lost or never acquired (e.g. in the background): read as nothing pressed this frame.
        Keyboard->Acquire();
        std::memset(KeyState, 0, sizeof(KeyState));
    }

    if (MouseReady)
    {
        if (ReadFailed(Mouse->GetDeviceState(sizeof(MouseState), &MouseState)))
        {
            Mouse->Acquire();
            std::memset(&MouseState, 0, sizeof(MouseState));
        }
        MouseDeltaX = static_cast<float>(MouseState.lX);
        MouseDeltaY = static_cast<float>(MouseState.lY);
        MouseDeltaZ = static_cast<float>(MouseState.lZ);
    }
}

void VInput::ReleaseDevices()
{
    if (Keyboard != nullptr)
    {
        Keyboard->Release();
        Keyboard = nullptr;
    }
    if (Mouse != nullptr)
    {
        Mouse->Release();
        Mouse = nullptr;
    }
    if (DirectInput != nullptr)
    {
        DirectInput->Release();
        DirectInput = nullptr;
    }
    IsInitialized = false;
}
} // namespace Vexa
