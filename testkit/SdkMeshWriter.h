#pragma once
// Builds .sdkmesh file images from a short description. Writes every field at its byte offset
// in the file layout (not through the loader's record structs), so a wrong struct shows up.
// Materials are written 1256 bytes apart, as real files have them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace SdkWriter
{
constexpr std::uint32_t HeaderSize = 104;
constexpr std::uint32_t VertexBufferHeaderSize = 288;
constexpr std::uint32_t IndexBufferHeaderSize = 32;
constexpr std::uint32_t MeshSize = 224;
constexpr std::uint32_t SubsetSize = 144;
constexpr std::uint32_t FrameSize = 184;
constexpr std::uint32_t MaterialSize = 1256;

struct Element
{
    std::uint16_t Stream, Offset;
    std::uint8_t Type, Method, Usage, UsageIndex;
};

// Position, normal, texture coordinate: the loader's static layout (32 bytes).
std::vector<Element> StaticDeclaration();
// Position and one texture coordinate (20 bytes).
std::vector<Element> PositionTexDeclaration();

struct VertexBuffer
{
    std::uint64_t VertexCount = 0;
    std::vector<std::uint8_t> Data;
    std::vector<Element> Declaration; // the end marker is appended unless OmitEnd
    bool OmitEnd = false;
    std::uint64_t SizeBytesHigh = 0; // ORed into the high 32 bits of SizeBytes (ignored by readers)
};

struct IndexBuffer
{
    std::uint32_t IndexType = 0;
    std::uint64_t IndexCount = 0;
    std::vector<std::uint8_t> Data;
};

struct MeshRecord
{
    std::uint32_t FirstVertexBuffer = 0;
    std::uint32_t IndexBuffer = 0;
    std::vector<std::uint32_t> Subsets;
    std::vector<std::uint32_t> FrameInfluences;
};

struct Subset
{
    std::uint32_t MaterialId = 0;
    std::uint64_t IndexCount = 0;
};

struct Material
{
    std::string Diffuse, Normal, Specular;
    float Colors[17] = {};
};

struct File
{
    std::uint32_t Version = 101;
    std::uint8_t IsBigEndian = 0;
    std::vector<VertexBuffer> VertexBuffers;
    std::vector<IndexBuffer> IndexBuffers;
    std::vector<MeshRecord> Meshes;
    std::vector<Subset> Subsets;
    std::uint32_t FrameCount = 0;
    std::vector<Material> Materials;
};

// Where Build put things, for tests that corrupt one field.
struct Layout
{
    std::uint32_t VertexBufferHeaders = 0, IndexBufferHeaders = 0, Meshes = 0, Subsets = 0, Frames = 0, Materials = 0;
    std::vector<std::uint32_t> SubsetLists, FrameInfluenceLists, VertexData, IndexData;
};

std::vector<std::uint8_t> Build(const File& file, Layout* layout = nullptr);

// A grid of columns x rows quads in the plane z = 0 (two triangles each), in the static layout.
// Faces run row by row; indices 16-bit unless wide.
VertexBuffer GridVertices(std::uint32_t columns, std::uint32_t rows);
IndexBuffer GridIndices(std::uint32_t columns, std::uint32_t rows, bool wide);

// One mesh (vertex buffer 0, index buffer 0) over a grid; no subsets, frames or materials.
File GridFile(std::uint32_t columns, std::uint32_t rows, bool wide);
// A 2x1 grid with one subset, one material, one frame and one frame influence: every table non-empty.
File FullFile();

// Deterministic corruption of valid files: truncations, flipped bytes, extreme counts and offsets.
struct Random
{
    std::uint32_t State;
    std::uint32_t Next();
    std::uint32_t Below(std::uint32_t n);
};

struct Field
{
    std::size_t At;
    int Width; // 2, 4 or 8 bytes
};

// The counts, offsets, sizes and indices of a built file.
std::vector<Field> Fields(const File& file, const Layout& layout);
std::vector<std::uint8_t> Mutate(const std::vector<std::uint8_t>& good, const std::vector<Field>& fields,
                                 Random& random);

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value);
void Put64(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value);
std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t at);
} // namespace SdkWriter
