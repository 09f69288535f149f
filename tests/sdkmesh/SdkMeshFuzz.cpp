// libFuzzer target: an .sdkmesh file image through what LoadMesh runs on it without the device
// (SdkMeshFormat::CheckImage): the loader's own LoadTables, CheckMesh0, face tagging and texture
// names.
#include "Vexa2/Resources/SdkMeshFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SdkMeshFormat::CheckImage(data, size);
    return 0;
}
