#include "SdkTestSupport.h"

#include "tests/support/Bitmap.h"

#include <windows.h>

bool WriteSparse(const std::wstring& path, std::uint64_t size)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size);
    const bool done = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return done;
}

std::wstring WriteBmp(const ScratchFolder& folder, const std::wstring& name)
{
    std::vector<unsigned char> bmp = BlankBmp24(4, 4);
    for (std::size_t i = 0; BmpPixelOffset + i < bmp.size(); ++i)
        bmp[BmpPixelOffset + i] = static_cast<unsigned char>(i * 17);
    return folder.Write(name, bmp);
}

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow.push_back(static_cast<char>(c & 0xFF));
    return narrow;
}

bool EntryMatches(const std::wstring& entry, const std::wstring& function, const std::wstring& text)
{
    return entry == L"[.\\Mesh_SDKMesh | " + function + L" | LINE: *] >> " + text;
}
