#include "FxLexer.h"

#include <cctype>

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

bool EqualsNoCase(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == 0;
}

} // namespace

bool Tokenize(const std::string& src, std::vector<Token>& tokens, int& errorLine, std::string& error)
{
    tokens.clear();
    size_t i = 0;
    const size_t n = src.size();
    int line = 1;
    while (i < n)
    {
        const char c = src[i];
        if (c == '\n')
        {
            ++line;
            ++i;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v')
        {
            ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && src[i + 1] == '/')
        {
            while (i < n && src[i] != '\n')
                ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && src[i + 1] == '*')
        {
            const int startLine = line;
            i += 2;
            while (i + 1 < n && !(src[i] == '*' && src[i + 1] == '/'))
            {
                if (src[i] == '\n')
                    ++line;
                ++i;
            }
            if (i + 1 >= n)
            {
                errorLine = startLine;
                error = "unterminated comment";
                return false;
            }
            i += 2;
            continue;
        }
        if (c == '#')
        {
            // A preprocessor would change what fxc sees; refuse rather than ignore.
            errorLine = line;
            error = "preprocessor directives are not supported";
            return false;
        }
        if (IsIdentStart(c))
        {
            size_t j = i;
            while (j < n && IsIdentChar(src[j]))
                ++j;
            Token t{TokenKind::Identifier, src.substr(i, j - i), line, false};
            i = j;
            if (EqualsNoCase(t.Text, "asm"))
            {
                // The shader text is handed verbatim to the assembler.
                size_t k = i;
                int braceLine = line;
                while (k < n && (src[k] == ' ' || src[k] == '\t' || src[k] == '\r' || src[k] == '\n'))
                {
                    if (src[k] == '\n')
                        ++braceLine;
                    ++k;
                }
                if (k >= n || src[k] != '{')
                {
                    errorLine = braceLine;
                    error = "expected '{' after asm";
                    return false;
                }
                size_t end = k + 1;
                int endLine = braceLine;
                while (end < n && src[end] != '}')
                {
                    if (src[end] == '\n')
                        ++endLine;
                    ++end;
                }
                if (end >= n)
                {
                    errorLine = braceLine;
                    error = "asm block is not closed with '}'";
                    return false;
                }
                tokens.push_back(Token{TokenKind::AsmBlock, src.substr(k + 1, end - k - 1), braceLine, false});
                line = endLine;
                i = end + 1;
                continue;
            }
            tokens.push_back(t);
            continue;
        }
        if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(src[i + 1])))
        {
            size_t j = i;
            bool integer = true;
            if (c == '0' && j + 1 < n && (src[j + 1] == 'x' || src[j + 1] == 'X'))
            {
                j += 2;
                while (j < n && std::isxdigit(static_cast<unsigned char>(src[j])))
                    ++j;
            }
            else
            {
                while (j < n && IsDigit(src[j]))
                    ++j;
                if (j < n && src[j] == '.')
                {
                    integer = false;
                    ++j;
                    while (j < n && IsDigit(src[j]))
                        ++j;
                }
                if (j < n && (src[j] == 'e' || src[j] == 'E'))
                {
                    size_t k = j + 1;
                    if (k < n && (src[k] == '+' || src[k] == '-'))
                        ++k;
                    if (k < n && IsDigit(src[k]))
                    {
                        integer = false;
                        j = k;
                        while (j < n && IsDigit(src[j]))
                            ++j;
                    }
                }
                if (j < n && (src[j] == 'f' || src[j] == 'F' || src[j] == 'h' || src[j] == 'H'))
                {
                    integer = false;
                    ++j;
                }
            }
            if (j < n && IsIdentChar(src[j]))
            {
                errorLine = line;
                error = "malformed number '" + src.substr(i, j - i + 1) + "'";
                return false;
            }
            tokens.push_back(Token{TokenKind::Number, src.substr(i, j - i), line, integer});
            i = j;
            continue;
        }
        if (c == '"')
        {
            size_t j = i + 1;
            while (j < n && src[j] != '"' && src[j] != '\n')
                ++j;
            if (j >= n || src[j] != '"')
            {
                errorLine = line;
                error = "unterminated string";
                return false;
            }
            tokens.push_back(Token{TokenKind::String, src.substr(i + 1, j - i - 1), line, false});
            i = j + 1;
            continue;
        }
        if (std::string("{}()[]<>=;,:.-").find(c) != std::string::npos)
        {
            tokens.push_back(Token{TokenKind::Symbol, std::string(1, c), line, false});
            ++i;
            continue;
        }
        errorLine = line;
        error = std::string("unexpected character '") + c + "'";
        return false;
    }
    tokens.push_back(Token{TokenKind::End, "", line, false});
    return true;
}

} // namespace EffectCompiler
