// log_writer <log file> [--before <text>] [<message>...]
// One run of a program that uses the error log: optionally writes before initialising it, opens it,
// writes each message (\n and \r escapes turned into LF and CR), and exits with Initialize's result.
// The log is closed by the exit itself, as in the program.
#include "VLib/vLogger.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace
{
std::wstring Unescape(const std::wstring& text)
{
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == L'\\' && i + 1 < text.size() && (text[i + 1] == L'n' || text[i + 1] == L'r'))
        {
            out += text[i + 1] == L'n' ? L'\n' : L'\r';
            ++i;
        }
        else
        {
            out += text[i];
        }
    }
    return out;
}
} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 2)
        return 2;
    int next = 2;
    if (argc > 3 && std::wstring(argv[2]) == L"--before")
    {
        VLib::WriteLog(argv[3], true);
        next = 4;
    }
    const int status = VLib::Logger::Initialize(argv[1]);
    for (int i = next; i < argc; ++i)
        VLib::WriteLog(Unescape(argv[i]), true);
    LocalFree(argv);
    return status;
}
