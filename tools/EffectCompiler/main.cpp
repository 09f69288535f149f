// Build-time tool: compiles one FX source file into the fx_2_0 binary the demo loads.
// Usage: EffectCompiler <source.fx> <output>
#include "FxCompiler.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: EffectCompiler <source.fx> <output>\n");
        return 2;
    }
    const std::string input = argv[1];
    const std::string output = argv[2];

    std::ifstream in(input, std::ios::binary);
    if (!in)
    {
        std::fprintf(stderr, "%s:0: cannot open the file\n", input.c_str());
        return 1;
    }
    const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    std::vector<uint8_t> binary;
    std::string error;
    if (!EffectCompiler::CompileEffect(source, input, binary, error))
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    // D3DX crashes on truncated effect binaries, so the output only ever appears complete.
    const std::string temp = output + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(binary.data()), static_cast<std::streamsize>(binary.size()));
        out.close();
        if (!out)
        {
            DeleteFileA(temp.c_str());
            std::fprintf(stderr, "%s:0: cannot write %s\n", input.c_str(), temp.c_str());
            return 1;
        }
    }
    if (!MoveFileExA(temp.c_str(), output.c_str(), MOVEFILE_REPLACE_EXISTING))
    {
        DeleteFileA(temp.c_str());
        std::fprintf(stderr, "%s:0: cannot create %s (error %lu)\n", input.c_str(), output.c_str(), GetLastError());
        return 1;
    }
    return 0;
}
