#include "LogCapture.h"

#include "Files.h"
#include "ScratchFolder.h"
#include "VLib/vLogger.h"

namespace
{
bool IsTimeStampChar(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || c == L'-' || c == L':' || c == L' ';
}
} // namespace

LogCapture::LogCapture() : m_folder(MakeScratchFolder("log")), m_path(m_folder + L"\\myLog.log")
{
    VLib::Logger::Close(); // one capture at a time: an earlier one stops here
    VLib::Logger::Initialize(m_path);
}

LogCapture::~LogCapture()
{
    VLib::Logger::Close();
    RemoveFolderTree(m_folder);
}

std::vector<unsigned char> LogCapture::Bytes()
{
    VLib::Logger::Close();
    return ReadFileBytes(m_path);
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
