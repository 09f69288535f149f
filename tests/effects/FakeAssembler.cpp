// Stands in for D3DXAssembleShader where there is no D3DX (the native build): the shader's version
// token from its first word (vs_M_N or ps_M_N), then the end token. Enough for everything the
// compiler itself decides about a shader: its kind, its constant table, the lines of its errors.
#include "tools/EffectCompiler/FxWriter.h"

namespace EffectCompiler
{

bool AssembleShader(const std::string& text, std::vector<uint32_t>& tokens, int& errorLine, std::string& error)
{
    tokens.clear();
    errorLine = 1;
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
    {
        if (text[i] == '\n')
            ++errorLine;
        ++i;
    }
    size_t end = i;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\r' && text[end] != '\n')
        ++end;
    const std::string word = text.substr(i, end - i);
    const bool digits = word.size() == 6 && word[3] >= '1' && word[3] <= '3' && word[5] >= '0' && word[5] <= '4';
    if (!digits || word[2] != '_' || word[4] != '_' || (word.compare(0, 2, "vs") != 0 && word.compare(0, 2, "ps") != 0))
    {
        error = "unknown shader version '" + word + "'";
        return false;
    }
    const uint32_t kind = word[0] == 'v' ? 0xFFFE : 0xFFFF;
    tokens.push_back(kind << 16 | static_cast<uint32_t>(word[3] - '0') << 8 | static_cast<uint32_t>(word[5] - '0'));
    tokens.push_back(0x0000FFFF);
    errorLine = 0;
    return true;
}

} // namespace EffectCompiler
