// Writes the fuzz target's seed corpus: small valid files of the project's own writer.
// Usage: sdkmesh_make_corpus <folder>
#include "testkit/SdkMeshWriter.h"

#include <cstdio>
#include <string>

namespace
{
bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];

    SdkWriter::File grid = SdkWriter::GridFile(2, 1, false);
    SdkWriter::File wide = SdkWriter::GridFile(3, 2, true);
    wide.Subsets = {{1, 18}, {0, 18}};
    wide.Materials.resize(2);
    wide.Materials[0].Diffuse = "skin.bmp";
    wide.Materials[1].Normal = "belly.bmp";
    wide.FrameCount = 1;
    wide.Meshes[0].Subsets = {0, 1};
    wide.Meshes[0].FrameInfluences = {0};
    SdkWriter::File two = SdkWriter::GridFile(1, 1, false);
    two.VertexBuffers.push_back(SdkWriter::GridVertices(2, 2));
    two.VertexBuffers[1].Declaration = SdkWriter::PositionTexDeclaration();
    two.VertexBuffers[1].Data.resize(9 * 20);
    two.IndexBuffers.push_back(SdkWriter::GridIndices(2, 2, true));
    two.Subsets = {{0, 6}, {0, 24}};
    two.Materials.resize(1);
    SdkWriter::MeshRecord second;
    second.FirstVertexBuffer = 1;
    second.IndexBuffer = 1;
    second.Subsets = {1};
    second.FrameInfluences = {0, 0};
    two.Meshes[0].Subsets = {0};
    two.Meshes.push_back(second);

    const bool written = Write(folder + "/grid16.sdkmesh", SdkWriter::Build(grid)) &&
                         Write(folder + "/subsets32.sdkmesh", SdkWriter::Build(wide)) &&
                         Write(folder + "/twomeshes.sdkmesh", SdkWriter::Build(two));
    return written ? 0 : 1;
}
