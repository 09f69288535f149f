#include "SdkTestSupport.h"

#include "Bitmap.h"

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
    const std::wstring head = L"[.\\Mesh_SDKMesh | " + function + L" | LINE: ";
    const std::wstring tail = L"] >> " + text;
    if (entry.size() < head.size() + tail.size() + 1)
        return false;
    if (entry.compare(0, head.size(), head) != 0)
        return false;
    if (entry.compare(entry.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    for (std::size_t i = head.size(); i < entry.size() - tail.size(); ++i)
        if (entry[i] < L'0' || entry[i] > L'9')
            return false;
    return true;
}
