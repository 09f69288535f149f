// The baseline the demo is measured against: the same 800x600 window and device, cleared to
// the demo's colour and presented in a loop, with the frame rate in the title
// ("Minimal, FPS: n"). Usage: bench_minimal_window [seconds to run, default 30].
#include <windows.h>
#include <d3d9.h>

#include <cstdlib>
#include <string>

namespace
{
bool Quit = false;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE || message == WM_DESTROY)
    {
        Quit = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

int main(int argc, char** argv)
{
    const DWORD runTime = 1000u * static_cast<DWORD>(argc > 1 ? std::atoi(argv[1]) : 30);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MinimalBench";
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(0, L"MinimalBench", L"Minimal", WS_OVERLAPPEDWINDOW, 100, 100, 800, 600, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (window == nullptr || d3d == nullptr)
        return 1;
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = 800;
    pp.BackBufferHeight = 600;
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* device = nullptr;
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                                 &device)))
        return 1;
    ShowWindow(window, SW_SHOW);

    const DWORD start = GetTickCount();
    DWORD second = start;
    unsigned frames = 0;
    MSG message;
    while (!Quit && GetTickCount() - start < runTime)
    {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
            continue;
        }
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000080, 1.0f, 0);
        device->BeginScene();
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        ++frames;
        if (GetTickCount() - second >= 1000)
        {
            const std::wstring title = L"Minimal, FPS: " + std::to_wstring(frames);
            SetWindowTextW(window, title.c_str());
            frames = 0;
            second += 1000;
        }
    }
    device->Release();
    d3d->Release();
    DestroyWindow(window);
    return 0;
}
