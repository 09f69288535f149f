#pragma once
// VLib::FStream: a thin file stream over one Win32 handle, with independent read and write
// positions and integer status codes. Failures go to the error log when m_reportErrors is set.
#include <windows.h>
#include <cstdint>
#include <string>

namespace VLib
{
// Open mode bits: 1 read, 2 write, 4 start empty, 8 append, 16 share reading.
// Only the fourteen combinations listed in vFStream.cpp are valid.
using StreamFlag = std::uint16_t;

enum FStreamStatus : int
{
    FStreamOk = 0,
    FStreamCloseFailed = 1,
    FStreamOpenFailed = 2,
    FStreamWriteFailed = 3,
    FStreamSeekFailed = 4,
    FStreamReadFailed = 5,
    FStreamReadCut = 6, // asked for more than was left; what was left has been read
};

class FStream
{
public:
    explicit FStream(bool reportErrors);
    ~FStream();
    FStream(const FStream&) = delete;
    FStream& operator=(const FStream&) = delete;

    int Open(const std::wstring& fileName, StreamFlag flag);
    int Close();
    int Read(void* buffer, std::uint32_t count);
    int Write(const void* buffer, std::uint32_t count);
    int SetFilePtr(std::uint64_t position);

    HANDLE m_handle;
    bool m_isOpen;
    std::uint64_t m_readPos;
    std::uint64_t m_writePos;
    std::uint32_t m_size; // low 32 bits of the file size
    bool m_reportErrors;

private:
    void RefreshSize();

    std::uint64_t m_fileSize; // whole size, as GetFileSizeEx last gave it or writes since extended it
};
} // namespace VLib
