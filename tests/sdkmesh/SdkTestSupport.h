#pragma once
// Files and a device for the .sdkmesh tests: a private temporary folder, file writing, small
// BMP textures, and a real Direct3D 9 device on a hidden window.
#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <string>
#include <vector>

class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes the bytes to <folder>\<name> and returns the full path (name may hold "\").
    std::wstring Write(const std::wstring& name, const std::vector<std::uint8_t>& bytes);
    std::wstring PathOf(const std::wstring& name) const { return Path + L"\\" + name; }
    // A 4x4 24-bit BMP.
    std::wstring WriteBmp(const std::wstring& name);
    // Creates an empty file and sets its end at size bytes (sparse on the Unix side).
    bool WriteSparse(const std::wstring& name, std::uint64_t size);
    void MakeFolder(const std::wstring& name);

    std::wstring Path;

private:
    std::vector<std::wstring> m_files;
    std::vector<std::wstring> m_folders;
};

std::string Narrow(const std::wstring& text);

class HiddenDevice
{
public:
    HiddenDevice();
    ~HiddenDevice();
    HiddenDevice(const HiddenDevice&) = delete;
    HiddenDevice& operator=(const HiddenDevice&) = delete;

    HWND Window;
    IDirect3D9* D3D;
    IDirect3DDevice9* Device;
};

// Reference count as AddRef/Release report it; the probe changes nothing.
ULONG RefCount(IUnknown* object);

// Log helpers for entries whose line is __LINE__ in the product: head and tail must match.
bool EntryMatches(const std::wstring& entry, const std::wstring& function, const std::wstring& text);
