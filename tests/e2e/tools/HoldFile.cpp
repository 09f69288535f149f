// Holds a file open without sharing, so that no other process of the prefix can open it,
// until "<file>.release" exists (or the time-out passes). Prints "held" once the file is open.
// Usage: vexa_hold_file <file> [timeout ms]. Exit 0, or 1 when the file cannot be opened.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    wchar_t wide[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_ACP, 0, argv[1], -1, wide, MAX_PATH) == 0)
        return 2;
    const std::wstring name = wide;
    const DWORD timeout = argc > 2 ? static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)) : 60000;
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        std::fprintf(stderr, "cannot open the file, error %lu\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    const std::wstring release = name + L".release";
    const DWORD start = GetTickCount();
    while (GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < timeout)
        Sleep(20);
    CloseHandle(file);
    return 0;
}
