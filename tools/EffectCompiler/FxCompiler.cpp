#include "FxCompiler.h"

#include "FxLexer.h"
#include "FxParser.h"
#include "FxWriter.h"

namespace EffectCompiler
{

bool CompileEffect(const std::string& source, const std::string& fileName, std::vector<uint8_t>& binary,
                   std::string& error)
{
    binary.clear();
    std::vector<Token> tokens;
    EffectSource effect;
    int line = 0;
    std::string message;
    if (!Tokenize(source, tokens, line, message) || !ParseEffect(tokens, effect, line, message) ||
        !WriteEffect(effect, binary, line, message))
    {
        binary.clear();
        error = fileName + ":" + std::to_string(line) + ": " + message;
        return false;
    }
    error.clear();
    return true;
}

} // namespace EffectCompiler
