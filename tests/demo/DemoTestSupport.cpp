#include "DemoTestSupport.h"

#include "tests/support/Bitmap.h"
#include "tests/support/Files.h"
#include "Spy.h"

#include <cstdio>

#ifndef VEXA_RUN_DIR
#define VEXA_RUN_DIR ""
#endif

SpiedDevice::SpiedDevice() : TestDevice(64, 64, true)
{
    // The spy stands in for the device from here on; TestDevice releases it, and it the device.
    if (Device != nullptr)
        Device = SpyOnDevice(Device);
}

void WriteBitmap(const std::wstring& path)
{
    const std::uint32_t w = 4, h = 4, row = 12; // rows of 12 bytes need no padding
    std::vector<unsigned char> file = BlankBmp24(w, h);
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = w / 2; x < w; ++x)
            for (std::uint32_t c = 0; c < 3; ++c)
                file[BmpPixelOffset + y * row + x * 3 + c] = 0xFF;
    WriteFileBytes(path, file);
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
