// log_write_ratio: WriteLog calls (each flushed) against bare SetFilePointerEx + WriteFile pairs
// writing the same bytes, side by side in short rounds taking turns (Bench::BestOfBlocks). Each
// block compares the fastest round of each side (a round is short enough that most rounds run
// undisturbed); the ratio is the median of the blocks, log_write_ratio_spread their largest over
// their smallest.
// A third side, the same pair after one GetLocalTime (which every entry reads its time stamp
// with), gives log_write_clock_floor: the least ratio any entry can reach on this platform.
#include "VLib/vLogger.h"
#include "bench/support/BenchStats.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
const int Calls = 100;
const int Rounds = 40;
const int Blocks = 5;
const std::wstring Message =
    L"[.\\Vexa2\\Engine\\Renderer\\vDeviceManager | Vexa::DeviceManager::ResetDevice | LINE: 240] >> "
    L"Function \"Reset\" returned an error. Error Code: 0x8876086C";

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
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
    LONGLONG rawPosition = 0;
    const auto logRound = [&]() {
        QueryPerformanceCounter(&start);
        for (int i = 0; i < Calls; ++i)
            VLib::WriteLog(Message, true);
        QueryPerformanceCounter(&stop);
        return Seconds(start, stop, frequency) / Calls;
    };
    const auto rawRound = [&](bool readClock) {
        QueryPerformanceCounter(&start);
        for (int i = 0; i < Calls; ++i)
        {
            if (readClock)
                GetLocalTime(&now);
            LARGE_INTEGER position;
            position.QuadPart = rawPosition;
            SetFilePointerEx(raw, position, nullptr, FILE_BEGIN);
            DWORD written = 0;
            WriteFile(raw, entry.data(), entryBytes, &written, nullptr);
            rawPosition += written;
        }
        QueryPerformanceCounter(&stop);
        return Seconds(start, stop, frequency) / Calls;
    };
    logRound(); // warm-up: first use of the buffers and the files' first pages
    rawRound(false);

    const auto best = Bench::BestOfBlocks(Blocks, Rounds,
                                          {logRound, [&] { return rawRound(false); }, [&] { return rawRound(true); }});
    const std::vector<double>& logBest = best[0];
    const std::vector<double>& rawBest = best[1];
    const std::vector<double> ratios = Bench::BlockRatios(logBest, rawBest);
    const std::vector<double> floors = Bench::BlockRatios(best[2], rawBest);
    CloseHandle(raw);
    VLib::Logger::Close();
    DeleteFileW(logPath.c_str());
    DeleteFileW(rawPath.c_str());
    RemoveDirectoryW(folder.c_str());

    Bench::PrintRatio("log_write_ratio", ratios);
    std::printf("log_write_clock_floor: %.3f\n", Bench::Median(floors));
    std::printf("log_write_ns: %.0f\n", Bench::Median(logBest) * 1e9);
    std::printf("log_write_raw_ns: %.0f\n", Bench::Median(rawBest) * 1e9);
    return 0;
}
