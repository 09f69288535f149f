#include "LogCapture.h"

#include "VLib/vLogger.h"

#include <windows.h>

namespace
{
std::wstring NewFolder()
{
    static unsigned counter = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"vexa-log-" + std::to_wstring(GetCurrentProcessId()) +
                          L"-" + std::to_wstring(++counter);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool IsTimeStampChar(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || c == L'-' || c == L':' || c == L' ';
}
} // namespace

LogCapture::LogCapture() : m_folder(NewFolder()), m_path(m_folder + L"\\myLog.log")
{
    VLib::Logger::Close(); // one capture at a time: an earlier one stops here
    VLib::Logger::Initialize(m_path);
}

LogCapture::~LogCapture()
{
    VLib::Logger::Close();
    DeleteFileW(m_path.c_str());
    RemoveDirectoryW(m_folder.c_str());
}

std::vector<unsigned char> LogCapture::Bytes()
{
    VLib::Logger::Close();
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

std::vector<std::wstring> LogCapture::Messages()
{
    const std::vector<unsigned char> bytes = Bytes();
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) // after the byte-order mark
        text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));

    // Skip the header (file name, empty line); an entry starts with a time stamp
    // "Y-M-D  H:M" followed by four spaces.
    const std::wstring header = m_path + L"\r\n\r\n";
    std::vector<std::wstring> messages;
    if (text.compare(0, header.size(), header) != 0)
        return messages;
    std::size_t pos = header.size();
    while (pos < text.size())
    {
        const std::size_t start = text.find(L"    ", pos);
        if (start == std::wstring::npos)
            break;
        // The next entry begins at the next line whose head is a time stamp and four spaces.
        std::size_t end = start + 4;
        for (;;)
        {
            end = text.find(L"\r\n", end);
            if (end == std::wstring::npos)
            {
                end = text.size();
                break;
            }
            const std::size_t next = end + 2;
            const std::size_t gap = text.find(L"    ", next);
            bool stamped = next < text.size() && gap != std::wstring::npos && gap > next;
            for (std::size_t k = next; stamped && k < gap; ++k)
                stamped = IsTimeStampChar(text[k]);
            if (next >= text.size() || stamped)
                break;
            end = next;
        }
        messages.push_back(text.substr(start + 4, end - (start + 4)));
        pos = end + 2;
    }
    return messages;
}
