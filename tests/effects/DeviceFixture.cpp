#include "DeviceFixture.h"

#include "tools/EffectCompiler/FxCompiler.h"

std::wstring RunFile(const wchar_t* name)
{
    const std::string dir = VEXA_RUN_DIR;
    return std::wstring(dir.begin(), dir.end()) + L"/" + name;
}

void DeviceTest::SetUp()
{
    m_device.reset(new TestDevice(Size, Size, true));
    ASSERT_NE(m_device->Window, nullptr);
    ASSERT_NE(m_device->D3D, nullptr);
    ASSERT_EQ(m_device->CreateResult, D3D_OK);
    Device = m_device->Device;
}

void DeviceTest::TearDown()
{
    for (auto it = m_objects.rbegin(); it != m_objects.rend(); ++it)
        (*it)->Release();
    m_objects.clear();
    Device = nullptr;
    m_device.reset();
}

ID3DXEffect* DeviceTest::LoadFile(const std::wstring& path)
{
    ID3DXEffect* fx = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr = D3DXCreateEffectFromFileW(Device, path.c_str(), nullptr, nullptr, D3DXSHADER_OPTIMIZATION_LEVEL3,
                                                 nullptr, &fx, &errors);
    if (errors)
        errors->Release();
    EXPECT_EQ(hr, D3D_OK);
    if (fx)
        Track(fx);
    return fx;
}

ID3DXEffect* DeviceTest::LoadSource(const std::string& source)
{
    std::vector<uint8_t> binary;
    std::string error;
    EXPECT_TRUE(EffectCompiler::CompileEffect(source, "test.fx", binary, error)) << error;
    if (binary.empty())
        return nullptr;
    ID3DXEffect* fx = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr = D3DXCreateEffect(Device, binary.data(), static_cast<UINT>(binary.size()), nullptr, nullptr, 0,
                                        nullptr, &fx, &errors);
    if (errors)
        errors->Release();
    EXPECT_EQ(hr, D3D_OK);
    if (fx)
        Track(fx);
    return fx;
}

Rgb DeviceTest::Pixel(const std::vector<uint32_t>& pixels, int x, int y)
{
    const uint32_t p = pixels.at(static_cast<size_t>(y) * Size + static_cast<size_t>(x));
    return Rgb{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
}
