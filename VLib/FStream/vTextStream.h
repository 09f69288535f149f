#pragma once
// VLib::TextStream: buffered UTF-16LE text written to a fresh file with a byte-order mark;
// every LF reaches the file as CR LF. Text is written only by Flush.
#include "vFStream.h"

#include <cstddef>
#include <string>
#include <vector>

namespace VLib
{
class TextStream : public FStream
{
public:
    static constexpr int NothingToFlush = 100;

    explicit TextStream(bool reportErrors);
    ~TextStream();

    int Open(const std::wstring& fileName);
    TextStream& Append(const std::wstring& text);
    TextStream& Append(const wchar_t* text, std::size_t length);
    int Flush();
    void Close();

    std::vector<wchar_t> m_buffer; // code units appended since the last flush
};
} // namespace VLib
