// Prints the texts of a top-level dialog's controls, one per line, so that a test can check
// what a message box says. Usage: vexa_read_dialog <caption>. Exit 1 when there is no such dialog.
#include <windows.h>

#include <cstdio>

namespace
{
BOOL CALLBACK PrintChild(HWND child, LPARAM)
{
    wchar_t text[512] = {};
    GetWindowTextW(child, text, 512);
    char narrow[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof(narrow), nullptr, nullptr);
    if (narrow[0] != '\0')
        std::printf("%s\n", narrow);
    return TRUE;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    wchar_t caption[256] = {};
    MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, caption, 256);
    HWND dialog = FindWindowW(L"#32770", caption); // the dialog class of message boxes
    if (dialog == nullptr)
    {
        std::fprintf(stderr, "no dialog captioned \"%s\"\n", argv[1]);
        return 1;
    }
    EnumChildWindows(dialog, PrintChild, 0);
    return 0;
}
