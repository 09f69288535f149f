#include "vTextStream.h"

#include <cstdint>

namespace VLib
{
namespace
{
constexpr StreamFlag WriteTruncate = 6;
constexpr wchar_t CR = L'\r';
constexpr wchar_t LF = L'\n';

static_assert(sizeof(wchar_t) == 2, "the log is UTF-16: wchar_t must be one UTF-16 code unit");
} // namespace

TextStream::TextStream(bool reportErrors) : FStream(reportErrors)
{
}

TextStream::~TextStream()
{
    if (m_isOpen)
        Close();
}

int TextStream::Open(const std::wstring& fileName)
{
    const int status = FStream::Open(fileName, WriteTruncate);
    if (status != FStreamOk)
        return status;
    const std::uint16_t byteOrderMark = 0xFEFF; // FF FE on disk
    FStream::Write(&byteOrderMark, sizeof byteOrderMark);
    return FStreamOk;
}

TextStream& TextStream::Append(const std::wstring& text)
{
    return Append(text.data(), text.size());
}

TextStream& TextStream::Append(const wchar_t* text, std::size_t length)
{
    m_buffer.insert(m_buffer.end(), text, text + length);
    return *this;
}

int TextStream::Flush()
{
    if (m_buffer.empty())
        return NothingToFlush;

    // A lone LF becomes CR LF; the test sees only this flush's buffer.
    // Counted without branches, so the compiler can test many units at once.
    const wchar_t* const units = m_buffer.data();
    std::size_t lineFeeds = units[0] == LF ? 1 : 0;
    for (std::size_t i = 1; i < m_buffer.size(); ++i)
        lineFeeds += static_cast<std::size_t>((units[i] == LF) & (units[i - 1] != CR));
    if (lineFeeds != 0)
    {
        // Widen in place from the back, so the buffer keeps its storage from flush to flush; the
        // units before the first lone LF stay where they are.
        std::size_t from = m_buffer.size();
        m_buffer.resize(from + lineFeeds);
        std::size_t to = m_buffer.size();
        while (to != from)
        {
            const wchar_t unit = m_buffer[--from];
            m_buffer[--to] = unit;
            if (unit == LF && (from == 0 || m_buffer[from - 1] != CR))
                m_buffer[--to] = CR;
        }
    }

    const int status = Write(m_buffer.data(), static_cast<std::uint32_t>(m_buffer.size() * sizeof(wchar_t)));
    m_buffer.clear(); // text that failed to reach the file is dropped, not retried
    return status;
}

void TextStream::Close()
{
    Flush();
    m_buffer.clear();
    FStream::Close();
}
} // namespace VLib
