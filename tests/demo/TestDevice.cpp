#include "TestDevice.h"

#include "Spy.h"

#include <cstdio>
#include <fstream>
#include <vector>

#ifndef VEXA_RUN_DIR
#define VEXA_RUN_DIR ""
#endif

TestDevice::TestDevice(UINT width, UINT height) : Window(nullptr), Direct3D(nullptr), Device(nullptr)
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DemoTestWindow";
    RegisterClassExW(&wc); // a second registration fails harmlessly
    Window = CreateWindowExW(0, L"DemoTestWindow", L"demo test", WS_OVERLAPPEDWINDOW, 0, 0,
                             static_cast<int>(width), static_cast<int>(height), nullptr, nullptr,
                             wc.hInstance, nullptr);
    Direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (Direct3D == nullptr || Window == nullptr)
        return;
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    Direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Window,
                           D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &Device);
    if (Device != nullptr)
        SpyOnDevice(Device);
}

TestDevice::~TestDevice()
{
    if (Device != nullptr)
        Device->Release();
    if (Direct3D != nullptr)
        Direct3D->Release();
    if (Window != nullptr)
        DestroyWindow(Window);
}

void WriteBitmap(const std::wstring& path)
{
    const int w = 4, h = 4, row = w * 3;
    std::vector<unsigned char> file(54 + row * h, 0);
    auto put32 = [&](size_t at, unsigned value) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<unsigned>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    file[26] = 1;
    file[28] = 24;
    put32(34, row * h);
    for (int y = 0; y < h; ++y)
        for (int x = w / 2; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                file[54 + y * row + x * 3 + c] = 0xFF;
    FILE* out = _wfopen(path.c_str(), L"wb");
    fwrite(file.data(), 1, file.size(), out);
    fclose(out);
}

void WriteXFile(const std::wstring& path, const char* textureFile)
{
    FILE* out = _wfopen(path.c_str(), L"wb");
    fputs("xof 0303txt 0032\n"
          "Mesh {\n 4;\n -1.0;-1.0;0.0;, -1.0;1.0;0.0;, 1.0;1.0;0.0;, 1.0;-1.0;0.0;;\n"
          " 2;\n 3;0,1,2;, 3;0,2,3;;\n"
          " MeshTextureCoords {\n  4;\n  0.0;1.0;, 0.0;0.0;, 1.0;0.0;, 1.0;1.0;;\n }\n"
          " MeshMaterialList {\n  1;\n  2;\n  0,\n  0;;\n"
          "  Material {\n   0.25;0.5;0.75;1.0;;\n   8.0;\n   0.1;0.2;0.3;;\n   0.0;0.0;0.0;;\n",
          out);
    if (textureFile != nullptr)
        fprintf(out, "   TextureFilename { \"%s\"; }\n", textureFile);
    fputs("  }\n }\n}\n", out);
    fclose(out);
}

bool CopyRunFile(const wchar_t* name, const std::wstring& folder)
{
    std::wstring source;
    for (const char* c = VEXA_RUN_DIR; *c; ++c)
        source += static_cast<wchar_t>(*c == '/' ? '\\' : *c);
    // The run folder is a Unix path: Wine maps it under Z:.
    source = L"Z:" + source + L"\\" + name;
    return CopyFileW(source.c_str(), (folder + L"\\" + name).c_str(), FALSE) != 0;
}
