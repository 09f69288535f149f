// Steps shared by the effect compiler's tests: compile expecting success or an error, decode.
#pragma once

#include "BinaryReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace FxTest
{

// Compiles "test.fx"; a failure is a test failure.
std::vector<uint8_t> Compile(const std::string& source);
// Compiles "test.fx" expecting failure and no bytes; returns the error.
std::string CompileError(const std::string& source);
// Decodes a binary that must be whole and end exactly at the end of the file.
FxBinary Decode(const std::vector<uint8_t>& binary);
uint32_t Bits(float f);
std::vector<uint32_t> Dwords(const std::vector<uint8_t>& bytes);

} // namespace FxTest
