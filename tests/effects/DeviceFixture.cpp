#include "DeviceFixture.h"

#include "FxCompiler.h"

#include <cstring>

namespace
{

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd, msg, wp, lp); }

const wchar_t* RegisterTestClass()
{
    static const wchar_t* name = L"VexaEffectTestWindow";
    static bool registered = false;
    if (!registered)
    {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = TestWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = name;
        RegisterClassExW(&wc);
        registered = true;
    }
    return name;
}

}  // namespace

std::wstring RunFile(const wchar_t* name)
{
    const std::string dir = VEXA_RUN_DIR;
    return std::wstring(dir.begin(), dir.end()) + L"/" + name;
}

void DeviceTest::SetUp()
{
    Window = CreateWindowExW(0, RegisterTestClass(), L"effect test", WS_OVERLAPPEDWINDOW, 0, 0, Size, Size, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(Window, nullptr);
    D3D = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(D3D, nullptr);
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = Size;
    pp.BackBufferHeight = Size;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = Window;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(D3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &Device),
              D3D_OK);
}

void DeviceTest::TearDown()
{
    for (auto it = m_objects.rbegin(); it != m_objects.rend(); ++it) (*it)->Release();
    m_objects.clear();
    if (Device) Device->Release();
    if (D3D) D3D->Release();
    if (Window) DestroyWindow(Window);
}

ID3DXEffect* DeviceTest::LoadFile(const std::wstring& path)
{
    ID3DXEffect* fx = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr = D3DXCreateEffectFromFileW(Device, path.c_str(), nullptr, nullptr, D3DXSHADER_OPTIMIZATION_LEVEL3,
                                                 nullptr, &fx, &errors);
    if (errors) errors->Release();
    EXPECT_EQ(hr, D3D_OK);
    if (fx) Track(fx);
    return fx;
}

ID3DXEffect* DeviceTest::LoadSource(const std::string& source)
{
    std::vector<uint8_t> binary;
    std::string error;
    EXPECT_TRUE(EffectCompiler::CompileEffect(source, "test.fx", binary, error)) << error;
    if (binary.empty()) return nullptr;
    ID3DXEffect* fx = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr = D3DXCreateEffect(Device, binary.data(), static_cast<UINT>(binary.size()), nullptr, nullptr, 0,
                                        nullptr, &fx, &errors);
    if (errors) errors->Release();
    EXPECT_EQ(hr, D3D_OK);
    if (fx) Track(fx);
    return fx;
}

std::vector<uint32_t> DeviceTest::ReadBack()
{
    std::vector<uint32_t> pixels;
    IDirect3DSurface9* target = nullptr;
    if (Device->GetRenderTarget(0, &target) != D3D_OK) return pixels;
    D3DSURFACE_DESC desc;
    target->GetDesc(&desc);
    IDirect3DSurface9* copy = nullptr;
    if (Device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy, nullptr) == D3D_OK)
    {
        D3DLOCKED_RECT locked;
        if (Device->GetRenderTargetData(target, copy) == D3D_OK && copy->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK)
        {
            pixels.resize(desc.Width * desc.Height);
            for (UINT y = 0; y < desc.Height; ++y)
                std::memcpy(&pixels[y * desc.Width], static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch, desc.Width * 4);
            copy->UnlockRect();
        }
        copy->Release();
    }
    target->Release();
    return pixels;
}

Rgb DeviceTest::Pixel(const std::vector<uint32_t>& pixels, int x, int y)
{
    const uint32_t p = pixels.at(static_cast<size_t>(y) * Size + static_cast<size_t>(x));
    return Rgb{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
}
