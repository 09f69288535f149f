// log_write_ratio: N WriteLog calls (each flushed) against N bare SetFilePointerEx + WriteFile
// pairs writing the same bytes, measured side by side in alternating rounds.
#include "VLib/vLogger.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
const int Calls = 2000;
const int Rounds = 7;
const std::wstring Message =
    L"[.\\Vexa2\\Engine\\Renderer\\vDeviceManager | Vexa::DeviceManager::ResetDevice | LINE: 240] >> "
    L"Function \"Reset\" returned an error. Error Code: 0x8876086C";

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"vexa-bench-log-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring logPath = folder + L"\\myLog.log";
    const std::wstring rawPath = folder + L"\\raw.bin";
    if (VLib::Logger::Initialize(logPath) != 0)
        return 1;

    // The bytes one entry puts on disk: time stamp, message, CR LF, as UTF-16LE.
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::wstring entry = VLib::UIntToWString(now.wYear) + L"-" + VLib::UIntToWString(now.wMonth) + L"-" +
                               VLib::UIntToWString(now.wDay) + L"  " + VLib::UIntToWString(now.wHour) + L":" +
                               VLib::UIntToWString(now.wMinute) + L"    " + Message + L"\r\n";
    const DWORD entryBytes = static_cast<DWORD>(entry.size() * sizeof(wchar_t));
    HANDLE raw = CreateFileW(rawPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE)
        return 1;

    LARGE_INTEGER frequency, start, stop;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> logTimes, rawTimes;
    LONGLONG rawPosition = 0;
    for (int round = 0; round < Rounds; ++round)
    {
        QueryPerformanceCounter(&start);
        for (int i = 0; i < Calls; ++i)
            VLib::WriteLog(Message, true);
        QueryPerformanceCounter(&stop);
        logTimes.push_back(Seconds(start, stop, frequency));

        QueryPerformanceCounter(&start);
        for (int i = 0; i < Calls; ++i)
        {
            LARGE_INTEGER position;
            position.QuadPart = rawPosition;
            SetFilePointerEx(raw, position, nullptr, FILE_BEGIN);
            DWORD written = 0;
            WriteFile(raw, entry.data(), entryBytes, &written, nullptr);
            rawPosition += written;
        }
        QueryPerformanceCounter(&stop);
        rawTimes.push_back(Seconds(start, stop, frequency));
    }
    CloseHandle(raw);
    VLib::Logger::Close();
    DeleteFileW(logPath.c_str());
    DeleteFileW(rawPath.c_str());
    RemoveDirectoryW(folder.c_str());

    std::printf("log_write_ratio: %.3f\n", Median(logTimes) / Median(rawTimes));
    return 0;
}
