#pragma once
// The steps of BuildPlan, each over plain arrays, one per file:
//   VertexCacheGrouping.cpp  faces grouped by attribute id
//   VertexCacheTipsify.cpp   Tipsify's fan order
//   VertexCacheForsyth.cpp   Forsyth's scoring order
//   VertexCacheRenumber.cpp  vertices renumbered by first use; adjacency rewritten
// A "mesh" here is an index buffer of faceCount triangles over vertices below vertexCount.
// Orders are lists of triangle numbers of that mesh. Every step allocates what it needs and
// may throw std::bad_alloc; BuildPlan turns that into its failure status.
#include "VertexCache.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace VertexCache
{
namespace Steps
{
const std::uint32_t None = 0xFFFFFFFFu;
// The cache the candidate orders are judged against (the post-transform cache of Direct3D 9
// class hardware), the one Tipsify plans for and the one Forsyth's scoring models.
const std::uint32_t TargetFifoSize = 16;

// Room for count values, left uninitialised: for arrays that are written before they are read.
template <typename T>
std::unique_ptr<T[]> Uninitialised(std::size_t count)
{
    return std::unique_ptr<T[]>(new T[count]);
}

// The triangles around each vertex: those of vertex v are Triangles[Offsets[v]] up to
// Triangles[Offsets[v + 1]], ascending. A triangle that uses a vertex twice is listed twice.
struct VertexTriangles
{
    std::vector<std::uint32_t> Offsets; // vertexCount + 1
    std::unique_ptr<std::uint32_t[]> Triangles;

    // False, with the lists unbuilt, when an index is not below vertexCount.
    bool Build(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount);
    std::uint32_t Count(std::uint32_t vertex) const { return Offsets[vertex + 1] - Offsets[vertex]; }
};

// Stable order of the faces by attribute id (ascending): slotFace[slot] is the face at that
// place, or slotFace is left empty when no face moves. One range per id with its face span
// (vertex spans are left 0). attributes may be null: every face has id 0.
void GroupFaces(const std::uint32_t* attributes, std::uint32_t faceCount, std::vector<std::uint32_t>& slotFace,
                std::vector<Range>& ranges);

// Tipsify (Sander, Nehab and Barczak) for a FIFO of cacheSize entries: writes faceCount
// triangle numbers to order and the vertices in the order the new face list first uses them
// to firstUse, their count (the vertices with a triangle) to usedVertices; returns the misses
// of that FIFO over the new order.
std::uint32_t TipsifyOrder(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount,
                           const VertexTriangles& around, std::uint32_t cacheSize, std::uint32_t* order,
                           std::uint32_t* firstUse, std::uint32_t& usedVertices);

// Forsyth's scoring order over a modelled FIFO of TargetFifoSize entries: writes faceCount
// triangle numbers to order and the vertices in the order it first uses them to firstUse (as
// many as TipsifyOrder counts); returns the misses of that FIFO over the new order. Works in
// around's lists, which it leaves reordered and recoded (no longer as Build made them).
std::uint32_t ForsythOrder(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount,
                           VertexTriangles& around, std::uint32_t* order, std::uint32_t* firstUse);

// The vertices of the triangles order[0] to order[faceCount - 1], each at its first use:
// writes them to firstUse and returns their count.
std::uint32_t FirstUse(const std::uint32_t* indices, const std::uint32_t* order, std::uint32_t faceCount,
                       std::uint32_t vertexCount, std::uint32_t* firstUse);

// Vertices renumbered by first use in the new face order, group by group in the order of
// plan.Ranges: StartRenumbering, then RenumberGroup for each range with that group's vertices
// in first-use order (toGlobal maps them to the mesh's numbers; null when they are the mesh's
// already; firstUse may be plan.VertexOrder itself while no vertex is numbered yet), then
// FinishRenumbering, which puts the vertices no face uses last, in their old order. Each range
// gets the span of new vertex numbers its group uses, as D3DX's attribute table gives it.
void StartRenumbering(std::uint32_t vertexCount, Plan& plan);
void RenumberGroup(const std::uint32_t* firstUse, std::uint32_t count, const std::uint32_t* toGlobal, Range& range,
                   std::uint32_t& next, Plan& plan);
void FinishRenumbering(std::uint32_t next, Plan& plan);
} // namespace Steps
} // namespace VertexCache
