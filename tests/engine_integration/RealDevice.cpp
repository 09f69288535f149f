#include "RealDevice.h"

#include <algorithm>
#include <cstdlib>

namespace RealDevice
{

namespace
{
const wchar_t* const TestClass = L"VexaIntegrationWindow";

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

HiddenWindow::HiddenWindow(int width, int height)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = TestClass;
    RegisterClassExW(&windowClass);
    Handle = CreateWindowExW(0, TestClass, L"Vexa integration", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                             width, height, GetDesktopWindow(), nullptr, windowClass.hInstance, nullptr);
}

HiddenWindow::~HiddenWindow()
{
    if (Handle != nullptr)
        DestroyWindow(Handle);
}

std::vector<Mode> AdapterModes()
{
    std::vector<Mode> modes;
    IDirect3D9* direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (direct3D == nullptr)
        return modes;
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5})
    {
        const UINT count = direct3D->GetAdapterModeCount(D3DADAPTER_DEFAULT, format);
        for (UINT index = count; index > 0; --index)
        {
            D3DDISPLAYMODE mode;
            if (FAILED(direct3D->EnumAdapterModes(D3DADAPTER_DEFAULT, format, index - 1, &mode)))
                continue;
            auto same = std::find_if(modes.begin(), modes.end(), [&](const Mode& m) {
                return m.Width == mode.Width && m.Height == mode.Height && m.Format == mode.Format;
            });
            if (same == modes.end())
                modes.push_back({mode.Width, mode.Height, mode.Format, mode.RefreshRate});
            else
                same->RefreshRate = std::max<std::uint32_t>(same->RefreshRate, mode.RefreshRate);
        }
    }
    direct3D->Release();
    return modes;
}

Image ReadBackBuffer(IDirect3DDevice9* device)
{
    Image image;
    IDirect3DSurface9* backBuffer = nullptr;
    if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)))
        return image;
    D3DSURFACE_DESC desc;
    backBuffer->GetDesc(&desc);
    // Same size and format as the render target: Wine hangs at device release otherwise.
    IDirect3DSurface9* copy = nullptr;
    if (SUCCEEDED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                      nullptr)))
    {
        D3DLOCKED_RECT locked;
        if (SUCCEEDED(device->GetRenderTargetData(backBuffer, copy)) &&
            (desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8) &&
            SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        {
            image.Width = desc.Width;
            image.Height = desc.Height;
            image.Pixels.resize(static_cast<size_t>(desc.Width) * desc.Height);
            for (UINT y = 0; y < desc.Height; ++y)
            {
                const auto* row =
                    reinterpret_cast<const std::uint32_t*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
                for (UINT x = 0; x < desc.Width; ++x)
                    image.Pixels[y * desc.Width + x] = row[x] & 0x00FFFFFFu;
            }
            copy->UnlockRect();
        }
        copy->Release();
    }
    backBuffer->Release();
    return image;
}

void PumpPending()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
        if (message.message == WM_QUIT)
        {
            // Not ours to take: the engine's loop ends on it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int RecordingScreen::OnRender()
{
    ++Renders;
    return 0;
}

int RecordingScreen::OnUpdate()
{
    ++Updates;
    if (UpdateHook)
        UpdateHook(*this);
    return 0;
}

int RecordingScreen::OnLost()
{
    LifeCycle.push_back("Lost");
    if (LostHook)
        LostHook(*this);
    return LostStatus;
}

int RecordingScreen::OnReset()
{
    LifeCycle.push_back("Reset");
    if (ResetHook)
        ResetHook(*this);
    return ResetStatus;
}

int RecordingScreen::OnLoad()
{
    LifeCycle.push_back("Load");
    return LoadStatus;
}

int RecordingScreen::OnRelease()
{
    LifeCycle.push_back("Release");
    if (ReleaseHook)
        ReleaseHook(*this);
    return ReleaseStatus;
}

std::wstring FocusThiefPath()
{
    if (const char* named = std::getenv("VEXA_FOCUS_THIEF"))
    {
        std::wstring path = L"Z:";
        for (const char* c = named; *c != '\0'; ++c)
            path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
        return path;
    }
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.erase(path.find_last_of(L'\\'));
    path.erase(path.find_last_of(L'\\') + 1);
    return path + L"e2e\\vexa_focus_thief.exe";
}

bool StartFocusThief(DWORD showMilliseconds, PROCESS_INFORMATION& process)
{
    std::wstring command = L"\"" + FocusThiefPath() + L"\" " + std::to_wstring(showMilliseconds);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) !=
           FALSE;
}

int Count(const std::vector<std::string>& events, const std::string& name)
{
    return static_cast<int>(std::count(events.begin(), events.end(), name));
}
} // namespace RealDevice
