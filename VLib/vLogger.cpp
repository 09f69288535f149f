#include "vLogger.h"

#include <iomanip>
#include <new>
#include <sstream>

namespace VLib
{
namespace
{
// Zero before any constructor runs (static initialisation), so the first LoggerLifetime of the
// process, whichever file it is in, finds the count at 0. The log lives in raw storage that
// LoggerLifetime constructs and destroys, outside the order of function-local statics.
int LifetimeCount = 0;
alignas(Logger) unsigned char LoggerStorage[sizeof(Logger)];

constexpr int MaxDigits = 20; // 2^64 - 1 has twenty
// Five fields of at most five digits (16-bit), four separators of one or two units, four spaces.
constexpr int StampCapacity = 5 * 5 + 4 + 4;

// Writes the decimal digits of `value` to the units before `end`, no leading zeros, at least one;
// returns the first. Time fields go through the 32-bit form, whose division is the cheaper.
template <typename Unsigned>
wchar_t* DigitsBefore(wchar_t* end, Unsigned value)
{
    do
    {
        *--end = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return end;
}
} // namespace

LoggerLifetime::LoggerLifetime()
{
    if (LifetimeCount++ == 0)
        new (LoggerStorage) Logger();
}

LoggerLifetime::~LoggerLifetime()
{
    if (--LifetimeCount == 0)
        Logger::Instance().~Logger();
}

Logger::Logger() : m_stream(false)
{
}

Logger& Logger::Instance()
{
    return *std::launder(reinterpret_cast<Logger*>(LoggerStorage));
}

int Logger::Initialize(const std::wstring& fileName)
{
    TextStream& stream = Instance().m_stream;
    stream.Open(fileName);
    if (!stream.m_isOpen)
        return 1;
    stream.Append(fileName).Append(L"\n\n");
    stream.Flush();
    return 0;
}

void Logger::Close()
{
    TextStream& stream = Instance().m_stream;
    if (stream.m_isOpen)
        stream.Close();
}

void Logger::WriteLog(const std::wstring& message, bool flush)
{
    TextStream& stream = Instance().m_stream;
    if (!stream.m_isOpen)
        return;

    SYSTEMTIME now;
    GetLocalTime(&now);
    // The stamp "<y>-<m>-<d>  <h>:<min>    " is built backwards on the stack and the entry is
    // appended in three pieces: an entry costs no allocation and one copy of the message.
    wchar_t stamp[StampCapacity];
    wchar_t* const end = stamp + StampCapacity;
    wchar_t* at = end - 4;
    at[0] = at[1] = at[2] = at[3] = L' ';
    at = DigitsBefore(at, std::uint32_t{now.wMinute});
    *--at = L':';
    at = DigitsBefore(at, std::uint32_t{now.wHour});
    *--at = L' ';
    *--at = L' ';
    at = DigitsBefore(at, std::uint32_t{now.wDay});
    *--at = L'-';
    at = DigitsBefore(at, std::uint32_t{now.wMonth});
    *--at = L'-';
    at = DigitsBefore(at, std::uint32_t{now.wYear});

    stream.Append(at, static_cast<std::size_t>(end - at)).Append(message.data(), message.size()).Append(L"\n", 1);
    if (flush)
        stream.Flush();
}

std::wstring UIntToWString(std::uint64_t value)
{
    wchar_t digits[MaxDigits];
    wchar_t* const end = digits + MaxDigits;
    return std::wstring(DigitsBefore(end, value), end);
}

std::wstring IntToWString(std::int64_t value)
{
    if (value >= 0)
        return UIntToWString(static_cast<std::uint64_t>(value));
    // The magnitude in unsigned arithmetic also holds the most negative value.
    return L"-" + UIntToWString(0 - static_cast<std::uint64_t>(value));
}

std::wstring ErrorCodeToWString(std::int32_t code)
{
    std::wostringstream text;
    text.imbue(std::locale::classic());
    text << L"0x" << std::uppercase << std::hex << static_cast<std::uint32_t>(code);
    return text.str();
}

std::wstring AnsiToWString(const char* text)
{
    std::wstring wide;
    if (!text)
        return wide;
    for (; *text; ++text) // each byte sign-extended: no code page
        wide += static_cast<wchar_t>(static_cast<std::int16_t>(static_cast<signed char>(*text)));
    return wide;
}

namespace
{
std::wstring Head(const wchar_t* file, const wchar_t* function, int line)
{
    std::wstring head = L"[";
    head += file;
    head += L" | ";
    head += function;
    head += L" | LINE: ";
    head += IntToWString(line);
    head += L"] >> ";
    return head;
}
} // namespace

std::wstring FailedCallMessage(const wchar_t* file, const wchar_t* function, int line, const wchar_t* call,
                               std::int32_t code)
{
    return Head(file, function, line) + L"Function \"" + call + L"\" returned an error. Error Code: " +
           ErrorCodeToWString(code);
}

std::wstring ErrorMessage(const wchar_t* file, const wchar_t* function, int line, const std::wstring& text)
{
    return Head(file, function, line) + text;
}

std::wstring ShortTransferMessage(const wchar_t* function, std::uint64_t done, std::uint64_t requested,
                                  const wchar_t* text)
{
    return std::wstring(function) + L" >> Only " + UIntToWString(done) + L"/" + UIntToWString(requested) + text;
}

void LogFailedCall(const ReportSite& site, const wchar_t* call, std::int32_t code)
{
    WriteLog(FailedCallMessage(site.m_file, site.m_function, site.m_line, call, code), true);
}

void LogError(const ReportSite& site, const std::wstring& text)
{
    WriteLog(ErrorMessage(site.m_file, site.m_function, site.m_line, text), true);
}
} // namespace VLib
