#pragma once
// Vertex-cache ordering of an indexed triangle list, for platforms whose D3DX lacks it.
// Pure computation: no Direct3D. The steps live in VertexCache*.cpp (see VertexCacheSteps.h);
// the cache-miss analysis that judges the result lives with the tests and benchmarks.
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
// in a 16-entry FIFO. Time is linear in the face and vertex counts on every input. Returns
// false, with an empty plan, when an index is not below vertexCount, the counts are beyond
// what the plan can hold (more than 0x3FFFFFFF faces, vertexCount 0xFFFFFFFF, or more
// vertices than this platform can address arrays for), or memory runs out; it never throws.
bool BuildPlan(const std::uint32_t* indices, const std::uint32_t* attributes, std::uint32_t faceCount,
               std::uint32_t vertexCount, Plan& plan);

// Rewrites a D3DX adjacency array (3 per face, 0xFFFFFFFF = open edge) to the new face order:
// rows move with their faces, face numbers are renumbered; values that name no face stay.
// Returns false, with the array untouched and so still in the old face order, when there is no
// memory for the copy it works from: the caller must then stop using the array.
bool RemapAdjacency(const Plan& plan, std::uint32_t* adjacency);
} // namespace VertexCache
