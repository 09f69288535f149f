// The log file, byte for byte, as whole runs of a program leave it (log_writer.exe), and the
// log's behaviour inside one process (LogCapture).
#include "tests/support/LogCapture.h"
#include "tests/support/Files.h"
#include "tests/support/Programs.h"
#include "tests/support/ScratchFolder.h"
#include "VLib/vLogger.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace
{
// This file reports as a module of its own, for the log helpers' tests.
const wchar_t* const SourceFile = L".\\tests\\vlib\\LoggerTest";

// Runs log_writer.exe (beside this test program) and returns its exit code.
DWORD RunLogWriter(const std::wstring& arguments)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + LOG_WRITER_EXE;
    return RunProgram(exe, arguments, 30000);
}

std::string Utf16(const std::wstring& text) // little-endian bytes
{
    std::string bytes;
    for (wchar_t c : text)
    {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string AsString(const std::vector<unsigned char>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

std::wstring Stamp(const SYSTEMTIME& t)
{
    using VLib::UIntToWString;
    return UIntToWString(t.wYear) + L"-" + UIntToWString(t.wMonth) + L"-" + UIntToWString(t.wDay) + L"  " +
           UIntToWString(t.wHour) + L":" + UIntToWString(t.wMinute) + L"    ";
}

const std::string BOM = "\xFF\xFE";

// Runs log_writer on a fresh log with these arguments and expects the file to hold the header
// and exactly these entries (as written: line ends already CR LF), all stamped with the minute
// the run began or ended in, since a run spans at most one minute boundary.
void ExpectRunWrites(const std::wstring& arguments, const std::vector<std::wstring>& entries)
{
    ScratchFolder folder{"vlib"};
    const std::wstring log = folder.File(L"myLog.log");
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    ASSERT_EQ(RunLogWriter(L"\"" + log + L"\" " + arguments), 0u);
    GetLocalTime(&after);

    const std::string bytes = AsString(ReadFileBytes(log));
    std::string expected;
    for (const SYSTEMTIME& t : {after, before})
    {
        std::wstring text = log + L"\r\n\r\n";
        for (const std::wstring& entry : entries)
            text += Stamp(t) + entry + L"\r\n";
        expected = BOM + Utf16(text);
        if (bytes == expected)
            break;
    }
    EXPECT_EQ(bytes, expected);
}
} // namespace

TEST(LogFile, HeaderOnlyAfterInitialize)
{
    ExpectRunWrites(L"", {});
}

TEST(LogFile, EntriesWithTimeStampAndLineEnds)
{
    ExpectRunWrites(L"first \"two\\nlines\" \"crlf\\r\\nkept\" \"lone\\rcr\" \"\"",
                    {L"first", L"two\r\nlines", L"crlf\r\nkept", L"lone\rcr", L""});
}

TEST(LogFile, AGlobalDestroyedAfterMainReturnedStillLogs)
{
    ExpectRunWrites(L"--at-exit late first", {L"first", L"late"});
}

TEST(LogFile, SecondRunTruncatesTheFirst)
{
    ScratchFolder folder{"vlib"};
    const std::wstring log = folder.File(L"myLog.log");
    ASSERT_EQ(RunLogWriter(L"\"" + log + L"\" \"a long message from the first run\""), 0u);
    ASSERT_EQ(RunLogWriter(L"\"" + log + L"\""), 0u);
    EXPECT_EQ(AsString(ReadFileBytes(log)), BOM + Utf16(log + L"\r\n\r\n"));
}

TEST(LogFile, WriteBeforeInitializeWritesNothing)
{
    ExpectRunWrites(L"--before early", {});
}

TEST(LogFile, HeldOpenElsewhereInitializeFailsAndWritesNothing)
{
    ScratchFolder folder{"vlib"};
    const std::wstring log = folder.File(L"myLog.log");
    WriteFileBytes(log, "old content");
    HANDLE holder = CreateFileW(log.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunLogWriter(L"\"" + log + L"\" dropped"), 1u);
    CloseHandle(holder);
    EXPECT_EQ(AsString(ReadFileBytes(log)), "old content");
}

TEST(LogFile, MissingFolderInitializeFails)
{
    ScratchFolder folder{"vlib"};
    EXPECT_EQ(RunLogWriter(L"\"" + folder.File(L"no such folder\\myLog.log") + L"\" dropped"), 1u);
}

TEST(Logger, HelpersWriteOneFlushedEntryEach)
{
    LogCapture log;
    const int firstLine = __LINE__ + 1;
    VLib::LogFailedCall(VLIB_HERE(L"Effect::LoadEffect"), L"D3DXCreateEffectFromFile()",
                        static_cast<std::int32_t>(0x88760B59));
    VLib::LogError(VLIB_HERE(L"Effect::LoadEffect"), L"File not found: effect.fx");
    const std::wstring head = L"[.\\tests\\vlib\\LoggerTest | Effect::LoadEffect | LINE: ";
    EXPECT_EQ(log.Messages(), (std::vector<std::wstring>{
                                  head + std::to_wstring(firstLine) +
                                      L"] >> Function "
                                      L"\"D3DXCreateEffectFromFile()\" returned an error. Error Code: 0x88760B59",
                                  head + std::to_wstring(firstLine + 2) + L"] >> File not found: effect.fx"}));
}

TEST(Logger, EntriesCheckTheLineAgainstTheSource)
{
    LogCapture log;
    const int reportLine = __LINE__ + 1;
    VLib::LogError(VLIB_HERE(L"Effect::LoadEffect"), L"File not found: effect.fx");
    EXPECT_EQ(log.Entries(),
              (std::vector<std::wstring>{L"[.\\tests\\vlib\\LoggerTest | Effect::LoadEffect | LINE: *] >> "
                                         L"File not found: effect.fx"}));

    const std::wstring tail = L"] >> File not found: effect.fx";
    const std::wstring site =
        L"[.\\tests\\vlib\\LoggerTest | Effect::LoadEffect | LINE: " + std::to_wstring(reportLine);
    EXPECT_TRUE(NamesReportSite(site + tail));
    EXPECT_TRUE(
        IsLogEntry(site + tail, L".\\tests\\vlib\\LoggerTest", L"Effect::LoadEffect", L"File not found: effect.fx"));
    // A line without a report, a report of another function, a file the repository does not hold.
    EXPECT_FALSE(NamesReportSite(L"[.\\tests\\vlib\\LoggerTest | Effect::LoadEffect | LINE: 1" + tail));
    EXPECT_FALSE(NamesReportSite(L"[.\\tests\\vlib\\LoggerTest | Mesh::AddTexture | LINE: " +
                                 std::to_wstring(reportLine) + tail));
    EXPECT_FALSE(NamesReportSite(L"[.\\NoSuchModule | Effect::LoadEffect | LINE: 1" + tail));
    EXPECT_FALSE(IsLogEntry(site + tail, L".\\tests\\vlib\\LoggerTest", L"Effect::LoadEffect", L"other text"));
    EXPECT_EQ(WithoutLine(site + tail), L"[.\\tests\\vlib\\LoggerTest | Effect::LoadEffect | LINE: *" + tail);
    EXPECT_EQ(WithoutLine(L"VLib::FStream::Write >> Only 1/2 bytes has been written"),
              L"VLib::FStream::Write >> Only 1/2 bytes has been written");
}

TEST(Logger, UnflushedEntryReachesTheFileAtClose)
{
    LogCapture log;
    VLib::WriteLog(L"kept in the buffer", false);
    EXPECT_EQ(log.Messages(), (std::vector<std::wstring>{L"kept in the buffer"}));
}

TEST(Logger, WriteAfterCloseIsDropped)
{
    LogCapture log;
    VLib::WriteLog(L"one", true);
    EXPECT_EQ(log.Messages(), (std::vector<std::wstring>{L"one"}));
    VLib::WriteLog(L"two", true);
    EXPECT_EQ(log.Messages(), (std::vector<std::wstring>{L"one"}));
}

// The capture itself: a log file that is gone, or holds no header, fails the test that reads it,
// rather than reading as "nothing logged".
TEST(LogCapture, AMissingOrHeaderlessLogFailsTheTestThatReadsIt)
{
    LogCapture log;
    VLib::Logger::Close();
    ASSERT_TRUE(WriteFileBytes(log.Path(), "\xFF\xFE"));
    EXPECT_NONFATAL_FAILURE(log.Messages(), "does not start with the log's byte-order mark and header");
    ASSERT_TRUE(DeleteFileW(log.Path().c_str()));
    EXPECT_NONFATAL_FAILURE(log.Entries(), "no log file");
}
