#include "TestDevice.h"

namespace
{
const wchar_t* const WindowClass = L"VexaTestDevice";

IDirect3D9* CreateRealDirect3D()
{
    typedef IDirect3D9*(WINAPI * Create)(UINT);
    static HMODULE module = LoadLibraryW(L"d3d9.dll");
    const Create create =
        module ? reinterpret_cast<Create>(reinterpret_cast<void (*)()>(GetProcAddress(module, "Direct3DCreate9")))
               : nullptr;
    return create ? create(D3D_SDK_VERSION) : nullptr;
}
} // namespace

TestDevice::TestDevice(UINT width, UINT height, bool depthStencil)
    : Width(width), Height(height), Window(nullptr), D3D(nullptr), Device(nullptr), CreateResult(E_FAIL)
{
    WNDCLASSEXW description = {};
    description.cbSize = sizeof description;
    description.lpfnWndProc = DefWindowProcW;
    description.hInstance = GetModuleHandleW(nullptr);
    description.lpszClassName = WindowClass;
    RegisterClassExW(&description); // a second registration fails harmlessly
    Window = CreateWindowExW(0, WindowClass, L"test device", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr, nullptr,
                             description.hInstance, nullptr);
    if (!Window)
        return;
    D3D = CreateRealDirect3D();
    if (!D3D)
        return;

    D3DPRESENT_PARAMETERS parameters = {};
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = Window;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = depthStencil ? TRUE : FALSE;
    parameters.AutoDepthStencilFormat = depthStencil ? D3DFMT_D24S8 : D3DFMT_UNKNOWN;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    CreateResult = D3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                     &parameters, &Device);
    if (FAILED(CreateResult))
        Device = nullptr;
}

TestDevice::~TestDevice()
{
    if (Device)
        Device->Release();
    if (D3D)
        D3D->Release();
    if (Window)
        DestroyWindow(Window);
}

std::vector<std::uint32_t> TestDevice::ReadBack() const
{
    std::vector<std::uint32_t> pixels;
    IDirect3DSurface9* target = nullptr;
    if (!Device || FAILED(Device->GetRenderTarget(0, &target)))
        return pixels;
    D3DSURFACE_DESC description;
    target->GetDesc(&description);
    IDirect3DSurface9* copy = nullptr;
    // Same size and format as the target: anything else upsets Wine.
    if (SUCCEEDED(Device->CreateOffscreenPlainSurface(description.Width, description.Height, description.Format,
                                                      D3DPOOL_SYSTEMMEM, &copy, nullptr)))
    {
        D3DLOCKED_RECT locked;
        if (SUCCEEDED(Device->GetRenderTargetData(target, copy)) &&
            SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        {
            pixels.reserve(static_cast<std::size_t>(description.Width) * description.Height);
            for (UINT y = 0; y < description.Height; ++y)
            {
                const std::uint32_t* row = reinterpret_cast<const std::uint32_t*>(
                    static_cast<const unsigned char*>(locked.pBits) + y * locked.Pitch);
                pixels.insert(pixels.end(), row, row + description.Width);
            }
            copy->UnlockRect();
        }
        copy->Release();
    }
    target->Release();
    return pixels;
}

ULONG RefCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}
