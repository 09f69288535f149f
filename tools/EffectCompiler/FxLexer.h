// Tokeniser for the FX subset read by the effect compiler.
#pragma once

#include <string>
#include <vector>

namespace EffectCompiler
{

enum class TokenKind
{
    Identifier,
    Number,
    String,
    Symbol,   // one punctuation character: { } ( ) [ ] < > = ; , : . -
    AsmBlock, // raw text between the braces of "asm { ... }"
    End
};

struct Token
{
    TokenKind Kind;
    std::string Text;
    int Line;
    bool IsInteger; // numbers: no '.', exponent or 'f' suffix
};

// Splits source text into tokens. "asm { ... }" becomes one AsmBlock token whose Line is the
// line of the opening brace. Returns false with a "line: message" style error on bad input.
bool Tokenize(const std::string& source, std::vector<Token>& tokens, int& errorLine, std::string& error);

} // namespace EffectCompiler
