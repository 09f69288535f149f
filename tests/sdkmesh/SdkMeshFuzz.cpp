// libFuzzer target: an .sdkmesh file image through every check the loader makes on it, in the
// loader's order, with the same tables and blocks (SdkMeshFormat::CheckImage).
#include "Vexa2/Resources/SdkMeshFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SdkMeshFormat::CheckImage(data, size);
    return 0;
}
