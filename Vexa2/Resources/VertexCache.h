#pragma once
// Vertex-cache ordering of an indexed triangle list, for platforms whose D3DX lacks it.
// Pure computation: no Direct3D.
#include <cstdint>
#include <vector>

namespace VertexCache
{
// Same layout as D3DXATTRIBUTERANGE.
struct Range
{
    std::uint32_t AttribId;
    std::uint32_t FaceStart;
    std::uint32_t FaceCount;
    std::uint32_t VertexStart;
    std::uint32_t VertexCount;
};
static_assert(sizeof(Range) == 20, "Range must match D3DXATTRIBUTERANGE");

struct Plan
{
    std::vector<std::uint32_t> FaceOrder;   // new face i is old face FaceOrder[i]
    std::vector<std::uint32_t> VertexOrder; // new vertex i is old vertex VertexOrder[i] (all vertices)
    std::vector<std::uint32_t> VertexRemap; // old vertex v becomes new vertex VertexRemap[v]
    std::vector<Range> Ranges;              // one per attribute id, ascending, faces contiguous
};

// Faces grouped by attribute id (ascending), reordered within each group for the
// post-transform vertex cache; vertices renumbered by first use (unused ones last).
// indices: 3 per face. attributes: one id per face; null means every face has id 0.
// A group's faces never come out in an order that misses more often than their input order
// in a 16-entry FIFO. Returns false, with an empty plan, when an index is not below
// vertexCount (or memory runs out).
bool BuildPlan(const std::uint32_t* indices, const std::uint32_t* attributes, std::uint32_t faceCount,
               std::uint32_t vertexCount, Plan& plan);

// Rewrites a D3DX adjacency array (3 per face, 0xFFFFFFFF = open edge) to the new face order:
// rows move with their faces, face numbers are renumbered; values that name no face stay.
void RemapAdjacency(const Plan& plan, std::uint32_t* adjacency);

// Average cache miss ratio (misses per triangle) of a FIFO cache of cacheSize entries.
double AverageCacheMissRatio(const std::uint32_t* indices, std::uint32_t faceCount,
                             std::uint32_t cacheSize);
} // namespace VertexCache
