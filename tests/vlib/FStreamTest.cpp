// VLib::FStream on real files: the fourteen modes, both positions, every status and message.
#include "tests/support/LogCapture.h"
#include "tests/support/Files.h"
#include "tests/support/ScratchFolder.h"
#include "VLib/FStream/vFStream.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

using VLib::FStream;

namespace
{
const std::wstring Head = L"[.\\VLib\\FStream\\vFStream | VLib::FStream::";

std::string Content(const std::wstring& path)
{
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

struct ModeRow
{
    VLib::StreamFlag Flag;
    bool Reads;
    bool Writes;
    bool Truncates;
    bool Appends;
    bool SharesReading;
};

// What each valid flag does to an existing file holding "0123456789".
const ModeRow Modes[] = {
    {1, true, false, false, false, false}, {17, true, false, false, false, true}, {2, true, true, false, false, false},
    {10, true, true, false, true, false},  {18, true, true, false, false, true},  {28, true, true, false, true, true},
    {3, true, true, false, false, false},  {11, true, true, false, true, false},  {19, true, true, false, false, true},
    {27, true, true, false, true, true},   {6, false, true, true, false, false},  {22, false, true, true, false, true},
    {7, true, true, true, false, false},   {23, true, true, true, false, true},
};
} // namespace

TEST(FStreamModes, EachValidFlagOpensAsItsModeSays)
{
    for (const ModeRow& mode : Modes)
    {
        SCOPED_TRACE(mode.Flag);
        ScratchFolder folder{"vlib"};
        const std::wstring path = folder.File(L"data.bin");
        WriteFileBytes(path, "0123456789");

        FStream stream(false);
        ASSERT_EQ(stream.Open(path, mode.Flag), 0);
        EXPECT_TRUE(stream.m_isOpen);
        EXPECT_NE(stream.m_handle, nullptr);
        EXPECT_EQ(stream.m_size, mode.Truncates ? 0u : 10u);
        EXPECT_EQ(stream.m_readPos, 0u);
        EXPECT_EQ(stream.m_writePos, mode.Appends ? 10u : 0u);

        // Another reader gets in only when the mode shares reading.
        HANDLE other = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(other != INVALID_HANDLE_VALUE, mode.SharesReading);
        if (other != INVALID_HANDLE_VALUE)
            CloseHandle(other);

        char buffer[4] = {};
        if (!mode.Truncates)
        {
            EXPECT_EQ(stream.Read(buffer, 4) == 0, mode.Reads);
        }
        EXPECT_EQ(stream.Write("AB", 2) == 0, mode.Writes);
        EXPECT_EQ(stream.Close(), 0);

        std::string expected = mode.Truncates ? "" : "0123456789";
        if (mode.Writes)
            expected =
                mode.Appends ? expected + "AB" : "AB" + expected.substr(std::min<std::size_t>(2, expected.size()));
        EXPECT_EQ(Content(path), expected);
    }
}

TEST(FStreamModes, EveryOtherFlagIsInvalidAndChangesNothing)
{
    std::set<int> valid;
    for (const ModeRow& mode : Modes)
        valid.insert(mode.Flag);
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"data.bin");
    WriteFileBytes(path, "abc");
    LogCapture log;
    std::vector<std::wstring> expected;
    for (int flag = 0; flag <= 40; ++flag)
    {
        if (valid.count(flag))
            continue;
        SCOPED_TRACE(flag);
        FStream stream(true);
        stream.m_readPos = 5; // "unchanged" covers every field
        EXPECT_EQ(stream.Open(path, static_cast<VLib::StreamFlag>(flag)), 2);
        EXPECT_FALSE(stream.m_isOpen);
        EXPECT_EQ(stream.m_handle, nullptr);
        EXPECT_EQ(stream.m_readPos, 5u);
        EXPECT_EQ(stream.m_size, 0u);
        expected.push_back(Head + L"Open | LINE: *] >> Invalid stream flag");
    }
    FStream quiet(false);
    EXPECT_EQ(quiet.Open(path, 0xFFFF), 2);
    EXPECT_EQ(log.Entries(), expected);
    EXPECT_EQ(Content(path), "abc");
}

TEST(FStreamOpen, MissingFileForReadingIsReported)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"missing.bin");
    LogCapture log;
    FStream stream(true);
    EXPECT_EQ(stream.Open(path, 1), 2);
    EXPECT_FALSE(stream.m_isOpen);
    EXPECT_EQ(stream.m_handle, nullptr);
    FStream quiet(false);
    EXPECT_EQ(quiet.Open(path, 17), 2);
    EXPECT_EQ(log.Entries(),
              (std::vector<std::wstring>{Head + L"Open | LINE: *] >> File not found at: \"" + path + L"\"."}));
}

TEST(FStreamOpen, TruncatingModeCreatesAMissingFile)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"new.bin");
    FStream stream(true);
    ASSERT_EQ(stream.Open(path, 6), 0);
    EXPECT_EQ(stream.m_size, 0u);
    EXPECT_TRUE(FileExists(path));
}

TEST(FStreamOpen, FileHeldWithoutSharingIsReportedWithTheSystemError)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"held.bin");
    WriteFileBytes(path, "xyz");
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    LogCapture log;
    FStream reader(true), truncater(true);
    EXPECT_EQ(reader.Open(path, 1), 2);
    EXPECT_EQ(truncater.Open(path, 6), 2); // CREATE_NEW's error: the file exists
    CloseHandle(holder);
    EXPECT_EQ(log.Entries(),
              (std::vector<std::wstring>{
                  Head + L"Open | LINE: *] >> CreateFile returned INVALID_HANDLE_VALUE. Error code: 0x20",
                  Head + L"Open | LINE: *] >> CreateFile returned INVALID_HANDLE_VALUE. Error code: 0x50"}));
    EXPECT_EQ(Content(path), "xyz");
}

TEST(FStreamTransfer, ReadPastTheEndDeliversTheRestWithStatus6AndNoMessage)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"data.bin");
    WriteFileBytes(path, "0123456789");
    LogCapture log;
    FStream stream(true);
    ASSERT_EQ(stream.Open(path, 1), 0);
    char buffer[16] = {};
    EXPECT_EQ(stream.Read(buffer, 4), 0);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(stream.Read(buffer, 16), 6);
    EXPECT_EQ(std::string(buffer, 6), "456789");
    EXPECT_EQ(stream.m_readPos, 10u);
    EXPECT_EQ(stream.Read(buffer, 0), 0); // nothing asked at the end: success
    EXPECT_EQ(stream.Read(buffer, 1), 6);
    EXPECT_TRUE(log.Entries().empty());
}

TEST(FStreamTransfer, ReadAndWritePositionsAreIndependent)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"data.bin");
    WriteFileBytes(path, "0123456789");
    FStream stream(false);
    ASSERT_EQ(stream.Open(path, 11), 0); // read and write, append
    EXPECT_EQ(stream.Write("AB", 2), 0);
    EXPECT_EQ(stream.m_writePos, 12u);
    EXPECT_EQ(stream.m_size, 12u); // refreshed after a complete write
    EXPECT_EQ(stream.m_readPos, 0u);
    char buffer[3] = {};
    EXPECT_EQ(stream.Read(buffer, 3), 0);
    EXPECT_EQ(std::string(buffer, 3), "012"); // from the read position, not where the write ended
    EXPECT_EQ(stream.Write("C", 1), 0);
    EXPECT_EQ(stream.m_readPos, 3u);
    EXPECT_EQ(stream.Read(buffer, 3), 0);
    EXPECT_EQ(std::string(buffer, 3), "345");
    stream.Close();
    EXPECT_EQ(Content(path), "0123456789ABC");
}

TEST(FStreamTransfer, WriteModeKeepsExistingContent)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"data.bin");
    WriteFileBytes(path, "0123456789");
    FStream stream(false);
    ASSERT_EQ(stream.Open(path, 2), 0);
    EXPECT_EQ(stream.Write("xy", 2), 0);
    stream.Close();
    EXPECT_EQ(Content(path), "xy23456789");
}

TEST(FStreamTransfer, TransfersTheModeForbidsAreReportedAndKeepTheStreamOpen)
{
    ScratchFolder folder{"vlib"};
    const std::wstring readOnly = folder.File(L"r.bin");
    const std::wstring writeOnly = folder.File(L"w.bin");
    WriteFileBytes(readOnly, "abc");
    LogCapture log;
    FStream reader(true), writer(true);
    ASSERT_EQ(reader.Open(readOnly, 1), 0);
    ASSERT_EQ(writer.Open(writeOnly, 6), 0);
    EXPECT_EQ(reader.Write("z", 1), 3);
    EXPECT_TRUE(reader.m_isOpen);
    EXPECT_EQ(reader.m_writePos, 0u);
    ASSERT_EQ(writer.Write("data", 4), 0);
    char buffer[4];
    EXPECT_EQ(writer.Read(buffer, 4), 5);
    EXPECT_TRUE(writer.m_isOpen);
    EXPECT_EQ(log.Entries(),
              (std::vector<std::wstring>{
                  Head + L"Write | LINE: *] >> Function \"WriteFile()\" returned an error. Error Code: 0x5",
                  Head + L"Read | LINE: *] >> Function \"ReadFile()\" returned an error. Error Code: 0x5"}));
}

TEST(FStreamClose, CloseResetsTheStream)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"data.bin");
    WriteFileBytes(path, "0123");
    FStream stream(true);
    ASSERT_EQ(stream.Open(path, 27), 0);
    char buffer[2];
    stream.Read(buffer, 2);
    EXPECT_EQ(stream.Close(), 0);
    EXPECT_FALSE(stream.m_isOpen);
    EXPECT_EQ(stream.m_handle, nullptr);
    EXPECT_EQ(stream.m_readPos, 0u);
    EXPECT_EQ(stream.m_writePos, 0u);
    EXPECT_EQ(stream.m_size, 0u);
    EXPECT_TRUE(stream.m_reportErrors);
    // The file is free again.
    FStream again(false);
    EXPECT_EQ(again.Open(path, 1), 0);
}

TEST(FStreamClose, NullHandleGivesStatus1AndTheSystemsInvalidHandleCode)
{
    LogCapture log;
    FStream stream(true);
    EXPECT_EQ(stream.Close(), 1);
    FStream quiet(false);
    EXPECT_EQ(quiet.Close(), 1);
    EXPECT_EQ(log.Entries(),
              (std::vector<std::wstring>{
                  Head + L"Close | LINE: *] >> Function \"Close Handle\" returned an error. Error Code: 0x6"}));
}

TEST(FStreamClose, DestructionClosesAnOpenStream)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"data.bin");
    {
        FStream stream(false);
        ASSERT_EQ(stream.Open(path, 6), 0);
    }
    FStream again(false);
    EXPECT_EQ(again.Open(path, 1), 0); // no longer held
}
