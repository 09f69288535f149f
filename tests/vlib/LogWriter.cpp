// log_writer <log file> [--before <text>] [--at-exit <text>] [<message>...]
// One run of a program that uses the error log: optionally writes before initialising it, opens it,
// writes each message (\n and \r escapes turned into LF and CR), and exits with Initialize's result.
// With --at-exit a global destroyed after main has returned writes one more entry, as a global of
// the program (the Engine) may. The log is closed by the exit itself, as in the program.
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

// A global defined after the log's header, as the Engine is: the log must still be open when it goes.
struct WriteAtExit
{
    ~WriteAtExit()
    {
        if (!Text.empty())
            VLib::WriteLog(Text, true);
    }
    std::wstring Text;
} AtExit;
} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 2)
        return 2;
    int next = 2;
    if (argc > next + 1 && std::wstring(argv[next]) == L"--before")
    {
        VLib::WriteLog(argv[next + 1], true);
        next += 2;
    }
    if (argc > next + 1 && std::wstring(argv[next]) == L"--at-exit")
    {
        AtExit.Text = argv[next + 1];
        next += 2;
    }
    const int status = VLib::Logger::Initialize(argv[1]);
    for (int i = next; i < argc; ++i)
        VLib::WriteLog(Unescape(argv[i]), true);
    LocalFree(argv);
    return status;
}
