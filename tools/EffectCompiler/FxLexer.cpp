#include "FxLexer.h"

#include <cctype>
#include <utility>

namespace EffectCompiler
{

namespace
{

bool IsIdentStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsIdentChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

bool EqualsNoCase(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == 0;
}

// End of the hex digits of "0x..." starting at the '0'.
size_t HexNumberEnd(const std::string& src, size_t j)
{
    j += 2;
    while (j < src.size() && std::isxdigit(static_cast<unsigned char>(src[j])))
        ++j;
    return j;
}

size_t DigitsEnd(const std::string& src, size_t j)
{
    while (j < src.size() && IsDigit(src[j]))
        ++j;
    return j;
}

// End of an exponent starting at j, or j itself when there is none: "e" alone is not one.
size_t ExponentEnd(const std::string& src, size_t j)
{
    const size_t n = src.size();
    if (j >= n || (src[j] != 'e' && src[j] != 'E'))
        return j;
    size_t k = j + 1;
    if (k < n && (src[k] == '+' || src[k] == '-'))
        ++k;
    if (k < n && IsDigit(src[k]))
        return DigitsEnd(src, k);
    return j;
}

// End of a decimal number: digits, fraction, exponent, then an 'f' or 'h' suffix; any of the
// last three makes it a float.
size_t DecimalNumberEnd(const std::string& src, size_t j, bool& integer)
{
    const size_t n = src.size();
    j = DigitsEnd(src, j);
    if (j < n && src[j] == '.')
    {
        integer = false;
        j = DigitsEnd(src, j + 1);
    }
    const size_t exponentEnd = ExponentEnd(src, j);
    if (exponentEnd != j)
    {
        integer = false;
        j = exponentEnd;
    }
    if (j < n && (src[j] == 'f' || src[j] == 'F' || src[j] == 'h' || src[j] == 'H'))
    {
        integer = false;
        ++j;
    }
    return j;
}

// One pass over the source. Each step consumes one token or one piece of layout; a failing
// step keeps the message and its line.
class Scanner
{
public:
    Scanner(const std::string& src, std::vector<Token>& tokens) : m_src(src), m_tokens(tokens) {}

    bool Run()
    {
        while (m_pos < m_src.size())
            if (!Step())
                return false;
        m_tokens.push_back(Token{TokenKind::End, "", m_line, false});
        return true;
    }
    int ErrorLine() const { return m_errorLine; }
    const std::string& Error() const { return m_error; }

private:
    bool Step()
    {
        const char c = m_src[m_pos];
        if (c == '\n')
        {
            ++m_line;
            ++m_pos;
            return true;
        }
        if (IsBlank(c))
        {
            ++m_pos;
            return true;
        }
        if (c == '/' && At(m_pos + 1, '/'))
            return SkipLineComment();
        if (c == '/' && At(m_pos + 1, '*'))
            return SkipBlockComment();
        if (c == '#') // a preprocessor would change what fxc sees; refuse rather than ignore
            return Fail(m_line, "preprocessor directives are not supported");
        if (IsIdentStart(c))
            return ScanWord();
        if (IsDigit(c) || (c == '.' && m_pos + 1 < m_src.size() && IsDigit(m_src[m_pos + 1])))
            return ScanNumber();
        if (c == '"')
            return ScanString();
        if (std::string("{}()[]<>=;,:.-").find(c) != std::string::npos)
        {
            m_tokens.push_back(Token{TokenKind::Symbol, std::string(1, c), m_line, false});
            ++m_pos;
            return true;
        }
        return Fail(m_line, std::string("unexpected character '") + c + "'");
    }

    bool SkipLineComment()
    {
        while (m_pos < m_src.size() && m_src[m_pos] != '\n')
            ++m_pos;
        return true;
    }

    bool SkipBlockComment()
    {
        const size_t n = m_src.size();
        const int startLine = m_line;
        m_pos += 2;
        while (m_pos + 1 < n && !(m_src[m_pos] == '*' && m_src[m_pos + 1] == '/'))
        {
            if (m_src[m_pos] == '\n')
                ++m_line;
            ++m_pos;
        }
        if (m_pos + 1 >= n)
            return Fail(startLine, "unterminated comment");
        m_pos += 2;
        return true;
    }

    bool ScanWord()
    {
        size_t j = m_pos;
        while (j < m_src.size() && IsIdentChar(m_src[j]))
            ++j;
        std::string word = m_src.substr(m_pos, j - m_pos);
        m_pos = j;
        if (EqualsNoCase(word, "asm"))
            return ScanAsmBlock();
        m_tokens.push_back(Token{TokenKind::Identifier, std::move(word), m_line, false});
        return true;
    }

    // The shader text is handed verbatim to the assembler.
    bool ScanAsmBlock()
    {
        const size_t n = m_src.size();
        size_t k = m_pos;
        int braceLine = m_line;
        while (k < n && (m_src[k] == ' ' || m_src[k] == '\t' || m_src[k] == '\r' || m_src[k] == '\n'))
        {
            if (m_src[k] == '\n')
                ++braceLine;
            ++k;
        }
        if (k >= n || m_src[k] != '{')
            return Fail(braceLine, "expected '{' after asm");
        size_t end = k + 1;
        int endLine = braceLine;
        while (end < n && m_src[end] != '}')
        {
            if (m_src[end] == '\n')
                ++endLine;
            ++end;
        }
        if (end >= n)
            return Fail(braceLine, "asm block is not closed with '}'");
        m_tokens.push_back(Token{TokenKind::AsmBlock, m_src.substr(k + 1, end - k - 1), braceLine, false});
        m_line = endLine;
        m_pos = end + 1;
        return true;
    }

    bool ScanNumber()
    {
        const size_t n = m_src.size();
        const size_t i = m_pos;
        bool integer = true;
        const bool hex = m_src[i] == '0' && i + 1 < n && (m_src[i + 1] == 'x' || m_src[i + 1] == 'X');
        const size_t j = hex ? HexNumberEnd(m_src, i) : DecimalNumberEnd(m_src, i, integer);
        if (j < n && IsIdentChar(m_src[j]))
            return Fail(m_line, "malformed number '" + m_src.substr(i, j - i + 1) + "'");
        m_tokens.push_back(Token{TokenKind::Number, m_src.substr(i, j - i), m_line, integer});
        m_pos = j;
        return true;
    }

    bool ScanString()
    {
        size_t j = m_pos + 1;
        while (j < m_src.size() && m_src[j] != '"' && m_src[j] != '\n')
            ++j;
        if (j >= m_src.size() || m_src[j] != '"')
            return Fail(m_line, "unterminated string");
        m_tokens.push_back(Token{TokenKind::String, m_src.substr(m_pos + 1, j - m_pos - 1), m_line, false});
        m_pos = j + 1;
        return true;
    }

    bool At(size_t k, char c) const { return k < m_src.size() && m_src[k] == c; }

    bool Fail(int line, std::string message)
    {
        m_errorLine = line;
        m_error = std::move(message);
        return false;
    }

    const std::string& m_src;
    std::vector<Token>& m_tokens;
    size_t m_pos = 0;
    int m_line = 1;
    int m_errorLine = 0;
    std::string m_error;
};

} // namespace

bool Tokenize(const std::string& src, std::vector<Token>& tokens, int& errorLine, std::string& error)
{
    tokens.clear();
    Scanner scanner(src, tokens);
    if (scanner.Run())
        return true;
    errorLine = scanner.ErrorLine();
    error = scanner.Error();
    return false;
}

} // namespace EffectCompiler
