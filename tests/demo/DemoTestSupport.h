#pragma once
// What the particle and demo-screen tests share: the test device watched by the spy, and the
// small files their loads need.
#include "tests/support/TestDevice.h"

#include <string>

// The shared hidden-window device (64 x 64, with a depth buffer), its calls watched by the spy.
struct SpiedDevice : TestDevice
{
    SpiedDevice();
};

// A 4x4 24-bit BMP, left half black.
void WriteBitmap(const std::wstring& path);
// A tiny text .x file: one quad, one material, optionally naming a texture.
void WriteXFile(const std::wstring& path, const char* textureFile = nullptr);
bool CopyRunFile(const wchar_t* name, const std::wstring& folder);
