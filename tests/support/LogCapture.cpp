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

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

// The head of a form 1 or 2 message: F, Q and L, and where L stands in the message.
struct Head
{
    std::wstring File;
    std::wstring Function;
    std::size_t LineStart = 0;
    std::size_t LineEnd = 0;
};

bool ReadHead(const std::wstring& message, Head& head)
{
    const std::wstring bar = L" | ";
    const std::wstring line = L" | LINE: ";
    if (message.empty() || message[0] != L'[')
        return false;
    const std::size_t fileEnd = message.find(bar, 1);
    const std::size_t lineAt = fileEnd == std::wstring::npos ? fileEnd : message.find(line, fileEnd + bar.size());
    if (lineAt == std::wstring::npos)
        return false;
    head.File = message.substr(1, fileEnd - 1);
    head.Function = message.substr(fileEnd + bar.size(), lineAt - fileEnd - bar.size());
    head.LineStart = lineAt + line.size();
    head.LineEnd = message.find(L"] >> ", head.LineStart);
    if (head.LineEnd == std::wstring::npos || head.LineEnd == head.LineStart)
        return false;
    for (std::size_t i = head.LineStart; i < head.LineEnd; ++i)
        if (message[i] < L'0' || message[i] > L'9')
            return false;
    return true;
}

// The repository as the build saw it; a Unix path is reached through Wine's drive Z:.
std::wstring SourceRoot()
{
    const std::string root = VEXA_SOURCE_DIR;
    std::wstring path(root.begin(), root.end());
    if (!path.empty() && path[0] == L'/')
        path = L"Z:" + path;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

// The source file of a file field, as lines; empty when no file of the repository has that name.
std::vector<std::string> SourceLines(const std::wstring& file)
{
    if (file.compare(0, 2, L".\\") != 0)
        return {};
    const std::wstring name = file.substr(2) + L".cpp";
    const std::wstring root = SourceRoot();
    for (const wchar_t* folder : {L"", L"Vexa2\\Resources\\", L"Vexa2\\Demo\\"})
    {
        std::vector<unsigned char> bytes;
        if (!ReadWholeFile(root + L"\\" + folder + name, bytes))
            continue;
        std::vector<std::string> lines(1);
        for (unsigned char b : bytes)
        {
            if (b == '\n')
                lines.emplace_back();
            else if (b != '\r')
                lines.back() += static_cast<char>(b);
        }
        return lines;
    }
    return {};
}
} // namespace

std::wstring WithoutLine(const std::wstring& message)
{
    Head head;
    if (!ReadHead(message, head))
        return message;
    return message.substr(0, head.LineStart) + L"*" + message.substr(head.LineEnd);
}

::testing::AssertionResult NamesReportSite(const std::wstring& message)
{
    Head head;
    if (!ReadHead(message, head))
        return ::testing::AssertionFailure() << "no [F | Q | LINE: L] head in \"" << Narrow(message) << "\"";
    const std::vector<std::string> lines = SourceLines(head.File);
    if (lines.empty())
        return ::testing::AssertionFailure()
               << "no source file for " << Narrow(head.File) << " under " << VEXA_SOURCE_DIR;
    const std::size_t line = std::stoul(message.substr(head.LineStart, head.LineEnd - head.LineStart));
    if (line == 0 || line > lines.size())
        return ::testing::AssertionFailure() << Narrow(head.File) << " has no line " << line;
    const std::string& text = lines[line - 1];
    const std::size_t here = text.find("VLIB_HERE(");
    if (here == std::string::npos)
        return ::testing::AssertionFailure()
               << "line " << line << " of " << Narrow(head.File) << " holds no report: " << text;
    // A literal function name must be the entry's; a name held in a variable is not looked up.
    const std::size_t argument = here + 10;
    if (text.compare(argument, 2, "L\"") == 0)
    {
        const std::string literal = "L\"" + Narrow(head.Function) + "\")";
        if (text.compare(argument, literal.size(), literal) != 0)
            return ::testing::AssertionFailure()
                   << "line " << line << " of " << Narrow(head.File) << " reports for another function than "
                   << Narrow(head.Function) << ": " << text;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsLogEntry(const std::wstring& entry, const std::wstring& file, const std::wstring& function,
                                      const std::wstring& text)
{
    const std::wstring expected = L"[" + file + L" | " + function + L" | LINE: *] >> " + text;
    if (WithoutLine(entry) != expected)
        return ::testing::AssertionFailure()
               << "entry \"" << Narrow(entry) << "\" is not \"" << Narrow(expected) << "\"";
    if (entry == expected) // from Entries(), which has checked the line already
        return ::testing::AssertionSuccess();
    return NamesReportSite(entry);
}

LogCapture::LogCapture() : m_folder(MakeScratchFolder("log")), m_path(m_folder + L"\\myLog.log")
{
    VLib::Logger::Close(); // one capture at a time: an earlier one stops here
    // A capture that did not open would read back "nothing logged" whatever the code did.
    const int status = VLib::Logger::Initialize(m_path);
    if (status != 0)
        ADD_FAILURE() << "LogCapture: Logger::Initialize returned " << status << " for " << Narrow(m_path)
                      << "; nothing this test logs can be read back";
}

LogCapture::~LogCapture()
{
    VLib::Logger::Close();
    RemoveFolderTree(m_folder);
}

std::vector<unsigned char> LogCapture::Bytes()
{
    VLib::Logger::Close();
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(m_path, bytes))
        ADD_FAILURE() << "LogCapture: no log file " << Narrow(m_path);
    return bytes;
}

std::vector<std::wstring> LogCapture::Entries()
{
    std::vector<std::wstring> entries = Messages();
    for (std::wstring& entry : entries)
    {
        Head head;
        if (!ReadHead(entry, head))
            continue;
        const ::testing::AssertionResult site = NamesReportSite(entry);
        if (!site)
            ADD_FAILURE() << site.message();
        entry = WithoutLine(entry);
    }
    return entries;
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
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE || text.compare(0, header.size(), header) != 0)
    {
        if (FileExists(m_path)) // a missing file has been reported by Bytes()
            ADD_FAILURE() << "LogCapture: " << Narrow(m_path)
                          << " does not start with the log's byte-order mark and header";
        return messages;
    }
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
