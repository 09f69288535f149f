#include "CompilerTestSupport.h"

#include "tools/EffectCompiler/FxCompiler.h"

#include <cstring>

#include <gtest/gtest.h>

namespace FxTest
{

std::vector<uint8_t> Compile(const std::string& source)
{
    std::vector<uint8_t> binary;
    std::string error;
    EXPECT_TRUE(EffectCompiler::CompileEffect(source, "test.fx", binary, error)) << error;
    return binary;
}

std::string CompileError(const std::string& source)
{
    std::vector<uint8_t> binary;
    std::string error;
    EXPECT_FALSE(EffectCompiler::CompileEffect(source, "test.fx", binary, error));
    EXPECT_TRUE(binary.empty());
    return error;
}

FxBinary Decode(const std::vector<uint8_t>& binary)
{
    FxBinary fx;
    std::string why;
    EXPECT_TRUE(ReadFxBinary(binary, fx, why)) << why;
    EXPECT_TRUE(fx.ReachedEnd);
    return fx;
}

uint32_t Bits(float f)
{
    uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

std::vector<uint32_t> Dwords(const std::vector<uint8_t>& bytes)
{
    std::vector<uint32_t> d(bytes.size() / 4);
    std::memcpy(d.data(), bytes.data(), d.size() * 4);
    return d;
}

} // namespace FxTest
