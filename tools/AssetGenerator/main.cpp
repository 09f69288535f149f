// AssetGenerator <folder>: writes the demo's meshes and textures into the folder.
// Same bytes on every run; exit code 0, 1 for a usage error, 2 when a file cannot be written.
#include "AssetDesign.h"
#include "Assets.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: AssetGenerator <output folder>\n");
        return 1;
    }
    int failed = Assets::GenerateAll(argv[1]);
    if (failed != 0)
    {
        std::fprintf(stderr, "AssetGenerator: cannot write %s in %s\n", AssetDesign::Files[failed - 1], argv[1]);
        return 2;
    }
    return 0;
}
