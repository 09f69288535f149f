// libFuzzer target: FX source text through the effect compiler's lexer, parser, state tables and
// binary writer (shaders through FakeAssembler.cpp). Every input must end as a binary that decodes
// whole, or as one "fuzz.fx:<line>: <message>" error naming a line of the input; anything else
// (a crash, a sanitizer report, an abort here) is a defect.
#include "BinaryReader.h"
#include "tools/EffectCompiler/FxCompiler.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string source(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> binary;
    std::string error;
    if (EffectCompiler::CompileEffect(source, "fuzz.fx", binary, error))
    {
        FxBinary fx;
        std::string why;
        if (!error.empty() || !ReadFxBinary(binary, fx, why) || !fx.ReachedEnd || fx.Techniques.empty())
            std::abort();
        return 0;
    }
    if (!binary.empty() || error.compare(0, 8, "fuzz.fx:") != 0)
        std::abort();
    const size_t colon = error.find(": ", 8);
    if (colon == std::string::npos || colon == 8 || colon + 2 == error.size())
        std::abort();
    const std::string number = error.substr(8, colon - 8);
    if (number.find_first_not_of("0123456789") != std::string::npos || number.size() > 9)
        std::abort();
    const long line = std::atol(number.c_str());
    const long lines = static_cast<long>(std::count(source.begin(), source.end(), '\n')) + 1;
    if (line < 1 || line > lines)
        std::abort();
    return 0;
}
