#include "vFStream.h"

#include "VLib/vLogger.h"

namespace VLib
{
namespace
{
const wchar_t* const SourceFile = L".\\VLib\\FStream\\vFStream";

constexpr StreamFlag AppendBit = 8;
constexpr DWORD TruncateElseCreate = 0; // TRUNCATE_EXISTING, then CREATE_NEW

struct StreamMode
{
    StreamFlag Flag;
    DWORD Access;
    DWORD Share;
    DWORD Creation;
    DWORD Attributes;
};

constexpr DWORD ReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD Sequential = FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL;

// The shared write-append mode is 28, not 26; it does not truncate despite bit 4.
constexpr StreamMode Modes[] = {
    {1, GENERIC_READ, 0, OPEN_EXISTING, Sequential},
    {17, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, Sequential},
    {2, ReadWrite, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL},
    {10, ReadWrite, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL},
    {18, ReadWrite, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL},
    {28, ReadWrite, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL},
    {3, ReadWrite, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL},
    {11, ReadWrite, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL},
    {19, ReadWrite, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL},
    {27, ReadWrite, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL},
    {6, GENERIC_WRITE, 0, TruncateElseCreate, FILE_ATTRIBUTE_NORMAL},
    {22, GENERIC_WRITE, FILE_SHARE_READ, TruncateElseCreate, FILE_ATTRIBUTE_NORMAL},
    {7, ReadWrite, 0, TruncateElseCreate, FILE_ATTRIBUTE_NORMAL},
    {23, ReadWrite, FILE_SHARE_READ, TruncateElseCreate, FILE_ATTRIBUTE_NORMAL},
};

const StreamMode* FindMode(StreamFlag flag)
{
    for (const StreamMode& mode : Modes)
        if (mode.Flag == flag)
            return &mode;
    return nullptr;
}

HANDLE CreateWithMode(const std::wstring& fileName, const StreamMode& mode, DWORD creation)
{
    return CreateFileW(fileName.c_str(), mode.Access, mode.Share, nullptr, creation, mode.Attributes, nullptr);
}
} // namespace

FStream::FStream(bool reportErrors)
    : m_handle(nullptr), m_isOpen(false), m_readPos(0), m_writePos(0), m_size(0), m_reportErrors(reportErrors),
      m_fileSize(0)
{
}

FStream::~FStream()
{
    if (m_isOpen)
        Close();
}

int FStream::Open(const std::wstring& fileName, StreamFlag flag)
{
    const StreamMode* mode = FindMode(flag);
    if (!mode)
    {
        if (m_reportErrors)
            LogError(VLIB_HERE(L"VLib::FStream::Open"), L"Invalid stream flag");
        return FStreamOpenFailed;
    }

    HANDLE handle;
    if (mode->Creation == TruncateElseCreate)
    {
        handle = CreateWithMode(fileName, *mode, TRUNCATE_EXISTING);
        if (handle == INVALID_HANDLE_VALUE)
            handle = CreateWithMode(fileName, *mode, CREATE_NEW);
    }
    else
    {
        handle = CreateWithMode(fileName, *mode, mode->Creation);
    }

    if (handle == INVALID_HANDLE_VALUE)
    {
        m_handle = nullptr;
        const DWORD error = GetLastError();
        if (m_reportErrors)
        {
            if (error == ERROR_FILE_NOT_FOUND)
                LogError(VLIB_HERE(L"VLib::FStream::Open"), L"File not found at: \"" + fileName + L"\".");
            else
                LogError(VLIB_HERE(L"VLib::FStream::Open"), L"CreateFile returned INVALID_HANDLE_VALUE. Error code: " +
                                                                ErrorCodeToWString(static_cast<std::int32_t>(error)));
        }
        return FStreamOpenFailed;
    }

    m_handle = handle;
    m_isOpen = true;
    RefreshSize();
    if (flag & AppendBit)
        m_writePos = m_size;
    return FStreamOk;
}

int FStream::Close()
{
    const BOOL closed = CloseHandle(m_handle);
    const DWORD error = closed ? 0 : GetLastError();
    m_isOpen = false;
    m_readPos = 0;
    m_writePos = 0;
    m_handle = nullptr;
    m_size = 0;
    m_fileSize = 0;
    if (closed)
        return FStreamOk;
    if (m_reportErrors)
        LogFailedCall(VLIB_HERE(L"VLib::FStream::Close"), L"Close Handle", static_cast<std::int32_t>(error));
    return FStreamCloseFailed;
}

int FStream::SetFilePtr(std::uint64_t position)
{
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(m_handle, distance, nullptr, FILE_BEGIN))
    {
        const DWORD error = GetLastError();
        if (m_reportErrors)
            LogFailedCall(VLIB_HERE(L"VLib::FStream::SetFilePtr"), L"SetFilePointerEx()",
                          static_cast<std::int32_t>(error));
        return FStreamSeekFailed;
    }
    return FStreamOk;
}

int FStream::Read(void* buffer, std::uint32_t count)
{
    SetFilePtr(m_readPos); // a failed positioning does not stop the transfer

    const std::uint32_t remaining = m_size - static_cast<std::uint32_t>(m_readPos);
    const bool cut = count > remaining;
    if (cut)
        count = remaining;

    DWORD done = 0;
    if (!ReadFile(m_handle, buffer, count, &done, nullptr))
    {
        const DWORD error = GetLastError();
        if (m_reportErrors)
            LogFailedCall(VLIB_HERE(L"VLib::FStream::Read"), L"ReadFile()", static_cast<std::int32_t>(error));
        return FStreamReadFailed;
    }
    m_readPos += done;

    if (cut)
        return FStreamReadCut;
    if (done == count)
        return FStreamOk;
    if (m_reportErrors)
        WriteLog(ShortTransferMessage(L"VLib::FStream::Read", done, count, L" bytes has been m_read"), true);
    return FStreamReadFailed;
}

int FStream::Write(const void* buffer, std::uint32_t count)
{
    SetFilePtr(m_writePos); // a failed positioning does not stop the transfer

    DWORD done = 0;
    if (!WriteFile(m_handle, buffer, count, &done, nullptr))
    {
        const DWORD error = GetLastError();
        if (m_reportErrors)
            LogFailedCall(VLIB_HERE(L"VLib::FStream::Write"), L"WriteFile()", static_cast<std::int32_t>(error));
        return FStreamWriteFailed;
    }
    m_writePos += done;

    if (done == count)
    {
        // No mode shares writing, so the file changes only through this handle: its size after a
        // complete write follows from the write position, without another system call per entry.
        if (m_writePos > m_fileSize)
            m_fileSize = m_writePos;
        m_size = static_cast<std::uint32_t>(m_fileSize);
        return FStreamOk;
    }
    if (m_reportErrors)
        WriteLog(ShortTransferMessage(L"VLib::FStream::Write", done, count, L" bytes has been written"), true);
    return FStreamWriteFailed;
}

void FStream::RefreshSize()
{
    LARGE_INTEGER size;
    size.QuadPart = 0;
    GetFileSizeEx(m_handle, &size); // result deliberately not examined
    m_fileSize = static_cast<std::uint64_t>(size.QuadPart);
    m_size = static_cast<std::uint32_t>(m_fileSize);
}
} // namespace VLib
