// VLib::TextStream: UTF-16LE with a byte-order mark, LF written as CR LF, text written at Flush.
#include "tests/support/Files.h"
#include "tests/support/ScratchFolder.h"
#include "VLib/FStream/vTextStream.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

using VLib::TextStream;

namespace
{
std::wstring FileText(const std::wstring& path) // every code unit after the byte-order mark
{
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    return text;
}

std::string FileHead(const std::wstring& path)
{
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.begin() + std::min<std::size_t>(2, bytes.size()));
}
} // namespace

TEST(TextStream, OpenedAndClosedFileHoldsOnlyTheMark)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"t.txt");
    {
        TextStream stream(false);
        ASSERT_EQ(stream.Open(path), 0);
        EXPECT_EQ(stream.Flush(), TextStream::NothingToFlush);
        stream.Close();
    }
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "\xFF\xFE");
}

TEST(TextStream, LineFeedsBecomeCrLfWithinOneFlush)
{
    const struct
    {
        std::wstring Appended;
        std::wstring Written;
    } cases[] = {
        {L"a\nb", L"a\r\nb"},
        {L"\nstart", L"\r\nstart"},
        {L"x\r\ny", L"x\r\ny"},
        {L"lone\rcr", L"lone\rcr"},
        {L"\n\n", L"\r\n\r\n"},
        {L"\r\n\n\r", L"\r\n\r\n\r"},
        {L"\xD800\xFEFF", L"\xD800\xFEFF"}, // no validation: units go through unchanged
    };
    for (const auto& c : cases)
    {
        ScratchFolder folder{"vlib"};
        const std::wstring path = folder.File(L"t.txt");
        TextStream stream(false);
        ASSERT_EQ(stream.Open(path), 0);
        stream.Append(c.Appended);
        EXPECT_EQ(stream.Flush(), 0);
        EXPECT_TRUE(stream.m_buffer.empty());
        stream.Close();
        EXPECT_EQ(FileText(path), c.Written);
    }
}

TEST(TextStream, CrTestSeesOnlyTheBufferOfOneFlush)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"t.txt");
    TextStream stream(false);
    ASSERT_EQ(stream.Open(path), 0);
    stream.Append(L"a\r").Append(L"\nb"); // appended together: one CR LF
    stream.Flush();
    stream.Append(L"c\r");
    stream.Flush();
    stream.Append(L"\nd"); // starts a flush: gets its own CR
    stream.Flush();
    stream.Close();
    EXPECT_EQ(FileText(path), L"a\r\nbc\r\r\nd");
}

TEST(TextStream, NothingReachesTheFileBeforeFlush)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"t.txt");
    TextStream stream(false);
    ASSERT_EQ(stream.Open(path), 0);
    stream.Append(L"pending");
    WIN32_FILE_ATTRIBUTE_DATA attributes; // the file is not shared: ask for its size only
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes));
    EXPECT_EQ(attributes.nFileSizeLow, 2u);
    stream.Close(); // flushes
    EXPECT_EQ(FileText(path), L"pending");
}

TEST(TextStream, OpeningAnExistingFileStartsAfresh)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"t.txt");
    WriteFileBytes(path, "earlier content that must go");
    TextStream stream(false);
    ASSERT_EQ(stream.Open(path), 0);
    stream.Append(L"new");
    stream.Close();
    EXPECT_EQ(FileHead(path), "\xFF\xFE");
    EXPECT_EQ(FileText(path), L"new");
}

TEST(TextStream, FileHeldWithoutSharingCannotBeOpened)
{
    ScratchFolder folder{"vlib"};
    const std::wstring path = folder.File(L"t.txt");
    WriteFileBytes(path, "held");
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    TextStream stream(false);
    EXPECT_EQ(stream.Open(path), 2);
    EXPECT_FALSE(stream.m_isOpen);
    CloseHandle(holder);
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "held");
}

TEST(TextStream, FlushOnAClosedStreamFailsAndDropsTheText)
{
    TextStream stream(false);
    stream.Append(L"lost");
    EXPECT_EQ(stream.Flush(), 3);
    EXPECT_TRUE(stream.m_buffer.empty());
}
