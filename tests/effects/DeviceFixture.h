// A hidden window with a 256x256 windowed Direct3D 9 device, for effect tests under Wine's real D3D.
#pragma once

#include "tests/support/TestDevice.h"

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

struct Rgb
{
    int R, G, B;
};

class DeviceTest : public ::testing::Test
{
protected:
    static const UINT Size = 256;

    void SetUp() override;
    void TearDown() override;

    // Loads a compiled effect file; fails the test when D3DX refuses it.
    ID3DXEffect* LoadFile(const std::wstring& path);
    // Compiles source with our compiler and creates the effect from memory.
    ID3DXEffect* LoadSource(const std::string& source);
    // The render target's pixels as stored (X8R8G8B8), row by row.
    std::vector<uint32_t> ReadBack() const { return m_device->ReadBack(); }
    static Rgb Pixel(const std::vector<uint32_t>& pixels, int x, int y);

    void Track(IUnknown* object) { m_objects.push_back(object); }

    IDirect3DDevice9* Device = nullptr;

private:
    std::unique_ptr<TestDevice> m_device;
    std::vector<IUnknown*> m_objects;
};

// Folder of the demo's compiled effects (the build's run folder).
std::wstring RunFile(const wchar_t* name);
