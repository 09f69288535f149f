#include "vDeviceManager.h"

#include "Vexa2/Engine/vStatus.h"
#include "VLib/vLogger.h"

#include <cstring>

namespace Vexa
{
namespace
{
const wchar_t* const SourceFile = L".\\Vexa2\\Engine\\Renderer\\vDeviceManager";

const D3DCOLOR DefaultClearColor = D3DCOLOR_ARGB(0xFF, 0x00, 0x00, 0x80);
const DWORD LostPollMilliseconds = 10;

void SetPresentationInterval(D3DPRESENT_PARAMETERS& parameters, BYTE vsync)
{
    // Any other byte leaves the interval as it was.
    if (vsync == 0)
        parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    else if (vsync == 1)
        parameters.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
}

// One poll step of the lost-device wait. A full-screen device is only restored once the
// window has processed its activation messages, so the queue keeps flowing for the whole wait,
// also after a quit message; that one is kept back and posted once when the wait is over.
void WaitOneStep(bool& quitSeen, WPARAM& quitCode)
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
        if (message.message == WM_QUIT)
        {
            if (!quitSeen)
                quitCode = message.wParam;
            quitSeen = true;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    Sleep(LostPollMilliseconds);
}
} // namespace

DeviceManager::DeviceManager()
    : Direct3D(nullptr), Device(nullptr), ClearColor(DefaultClearColor), SkipLostWait(false), DeviceWindow(nullptr)
{
    std::memset(&PresentParameters, 0, sizeof(PresentParameters));
    std::memset(&DeviceCaps, 0, sizeof(DeviceCaps));
}

int DeviceManager::Init(const Config& config, HWND window)
{
    int status = CreateD3DObject();
    if (status == StatusOk)
        status = CheckAndSetParameters(config, window);
    if (status == StatusOk)
        status = CreateDevice(config);
    if (status != StatusOk)
    {
        Release();
        return status;
    }
    DeviceWindow = window;
    return StatusOk;
}

int DeviceManager::CreateD3DObject()
{
    Direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (Direct3D == nullptr)
    {
        VLib::LogError(VLIB_HERE(L"Vexa::DeviceManager::CreateD3DObject"),
                       L"Function \"Direct3DCreate9()\" returned NULL");
        return StatusCreateD3DFailed;
    }
    EnumerateModes(D3DFMT_A8R8G8B8);
    EnumerateModes(D3DFMT_X8R8G8B8);
    EnumerateModes(D3DFMT_R5G6B5);
    return StatusOk;
}

void DeviceManager::EnumerateModes(D3DFORMAT format)
{
    const UINT count = Direct3D->GetAdapterModeCount(D3DADAPTER_DEFAULT, format);
    for (UINT index = count; index-- > 0;)
    {
        D3DDISPLAYMODE mode;
        // A mode that cannot be read is skipped rather than listed with garbage.
        if (FAILED(Direct3D->EnumAdapterModes(D3DADAPTER_DEFAULT, format, index, &mode)))
            continue;

        bool known = false;
        for (DisplayMode& listed : DisplayModes)
        {
            if (listed.Width == mode.Width && listed.Height == mode.Height && listed.Format == mode.Format)
            {
                if (mode.RefreshRate > listed.RefreshRate)
                    listed.RefreshRate = mode.RefreshRate;
                known = true;
                break;
            }
        }
        if (!known)
        {
            const DisplayMode entry = {mode.Width, mode.Height, mode.Format, mode.RefreshRate};
            DisplayModes.push_back(entry);
        }
    }
}

int DeviceManager::CheckAndSetParameters(const Config& config, HWND window)
{
    if (config.FullScreen)
    {
        const DisplayMode* match = nullptr;
        for (const DisplayMode& mode : DisplayModes)
        {
            if (mode.Format == config.BackBufferFormat && mode.Width == static_cast<std::uint32_t>(config.Width) &&
                mode.Height == static_cast<std::uint32_t>(config.Height))
            {
                match = &mode;
                break;
            }
        }
        if (match == nullptr)
        {
            VLib::LogError(VLIB_HERE(L"Vexa::DeviceManager::CheckAndSetParameters"),
                           L"None of display modes match to config");
            return StatusNoDisplayMode;
        }
        PresentParameters.BackBufferWidth = match->Width;
        PresentParameters.BackBufferHeight = match->Height;
        PresentParameters.BackBufferFormat = match->Format;
        PresentParameters.FullScreen_RefreshRateInHz = match->RefreshRate;
    }
    else
    {
        // Windowed: the desktop's format and rate.
        PresentParameters.BackBufferWidth = static_cast<UINT>(config.Width);
        PresentParameters.BackBufferHeight = static_cast<UINT>(config.Height);
        PresentParameters.BackBufferFormat = D3DFMT_UNKNOWN;
        PresentParameters.FullScreen_RefreshRateInHz = 0;
    }

    PresentParameters.BackBufferCount = 1;
    PresentParameters.SwapEffect = D3DSWAPEFFECT_COPY;
    PresentParameters.hDeviceWindow = window;
    PresentParameters.Windowed = config.FullScreen ? FALSE : TRUE;
    PresentParameters.EnableAutoDepthStencil = TRUE;
    PresentParameters.AutoDepthStencilFormat = D3DFMT_D24X8;
    SetPresentationInterval(PresentParameters, static_cast<BYTE>(config.VSync));
    return StatusOk;
}

int DeviceManager::CreateDevice(const Config& config)
{
    const wchar_t* const function = L"Vexa::DeviceManager::CreateDevice";

    D3DDEVTYPE deviceType;
    switch (config.DeviceType)
    {
    case 0:
        deviceType = D3DDEVTYPE_HAL;
        break;
    case 1:
        deviceType = D3DDEVTYPE_REF;
        break;
    default:
        VLib::LogError(VLIB_HERE(function), L"Bad device type.");
        return StatusBadDeviceType;
    }

    DWORD behaviour;
    switch (config.VertexProcessing)
    {
    case 0:
        behaviour = D3DCREATE_HARDWARE_VERTEXPROCESSING;
        break;
    case 1:
        behaviour = D3DCREATE_MIXED_VERTEXPROCESSING;
        break;
    case 2:
        behaviour = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
        break;
    default:
        // Without one of the three flags CreateDevice cannot succeed: refuse it like a bad type.
        VLib::LogError(VLIB_HERE(function), L"Bad vertex processing type.");
        return StatusBadDeviceType;
    }

    const HRESULT result = Direct3D->CreateDevice(D3DADAPTER_DEFAULT, deviceType, PresentParameters.hDeviceWindow,
                                                  behaviour, &PresentParameters, &Device);
    if (FAILED(result))
    {
        Device = nullptr;
        VLib::LogFailedCall(VLIB_HERE(function), L"CreateDevice()", result);
        return StatusCreateDeviceFailed;
    }
    Device->GetDeviceCaps(&DeviceCaps);
    return StatusOk;
}

int DeviceManager::ResetDevice()
{
    if (SkipLostWait)
    {
        // A mode change: the device is not lost, reset at once.
        SkipLostWait = false;
    }
    else
    {
        bool quitSeen = false;
        WPARAM quitCode = 0;
        while (Device->TestCooperativeLevel() == D3DERR_DEVICELOST)
            WaitOneStep(quitSeen, quitCode);
        if (quitSeen)
            PostQuitMessage(static_cast<int>(quitCode));
    }

    const HRESULT result = Device->Reset(&PresentParameters);
    if (FAILED(result))
    {
        VLib::LogFailedCall(VLIB_HERE(L"Vexa::DeviceManager::ResetDevice"), L"Reset", result);
        return StatusResetFailed;
    }
    return StatusOk;
}

int DeviceManager::SetDisplayMode(const DisplayMode& mode, bool fullScreen, BYTE vsync)
{
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT rate = 0;
    if (fullScreen)
    {
        bool listed = false;
        for (const DisplayMode& entry : DisplayModes)
        {
            if (entry.Width == mode.Width && entry.Height == mode.Height && entry.Format == mode.Format &&
                entry.RefreshRate == mode.RefreshRate)
            {
                listed = true;
                break;
            }
        }
        if (!listed)
            return StatusNoDisplayMode;
        format = mode.Format;
        rate = mode.RefreshRate;
    }

    PresentParameters.BackBufferWidth = mode.Width;
    PresentParameters.BackBufferHeight = mode.Height;
    PresentParameters.BackBufferFormat = format;
    PresentParameters.Windowed = fullScreen ? FALSE : TRUE;
    PresentParameters.FullScreen_RefreshRateInHz = rate;
    SetPresentationInterval(PresentParameters, vsync);
    SkipLostWait = true;
    return StatusOk;
}

void DeviceManager::Release()
{
    if (Device != nullptr)
    {
        Device->Release();
        Device = nullptr;
    }
    if (Direct3D != nullptr)
    {
        Direct3D->Release();
        Direct3D = nullptr;
    }
    DisplayModes.clear();
}
} // namespace Vexa
