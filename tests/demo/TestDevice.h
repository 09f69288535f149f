#pragma once
// TestDevice: a hidden window with a real windowed Direct3D 9 device (Wine's under Xvfb),
// watched by the spy. Also writes the small files some tests need.
#include <d3d9.h>

#include <string>

class TestDevice
{
public:
    TestDevice(UINT width = 64, UINT height = 64);
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    HWND Window;
    IDirect3D9* Direct3D;
    IDirect3DDevice9* Device;
};

// A 4x4 24-bit BMP, left half black.
void WriteBitmap(const std::wstring& path);
// A tiny text .x file: one quad, one material, optionally naming a texture.
void WriteXFile(const std::wstring& path, const char* textureFile = nullptr);
bool CopyRunFile(const wchar_t* name, const std::wstring& folder);
