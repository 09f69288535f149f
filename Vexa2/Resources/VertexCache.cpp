// Vertex-cache ordering of an indexed triangle list.
//
// Faces are first grouped by attribute id (stable). Each group is then ordered (copied out as
// a mesh of its own when it had to move or is small) by two greedy methods that are good at
// different things:
//   - Tipsify (VertexCacheTipsify.cpp): whole vertex fans, the next fan centre chosen so that
//     it is still in a FIFO of known size. Very good and very fast on well-connected meshes.
//   - Forsyth's scoring (VertexCacheForsyth.cpp): holds up better on poorly connected meshes
//     and on scrambled fans, but is several times slower, so it only runs where the fan order
//     is clearly short of the ideal.
// The group keeps whichever order misses least in a simulated 16-entry FIFO (the
// post-transform cache of Direct3D 9 class hardware), or its input order when neither beats it.
// Finally vertices are renumbered in the order the new face list first uses them.
// Every step is linear, or linear times a small constant, in the size of the mesh.
#include "VertexCache.h"

#include "VertexCacheSteps.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace VertexCache
{
namespace
{
using Steps::None;
using Steps::TargetFifoSize;

// A fan order within this factor of the unavoidable misses (one per distinct vertex) is kept
// without trying the slower scoring method. Regular meshes and the demo's models land at 1.20
// to 1.27 (a 16-entry FIFO cannot do much better on them), where the scoring method never
// won; irregular ones (decimated, scrambled fans, triangle soup) at 1.34 and far above.
const double GoodEnoughRatio = 1.3;

// Counts the plan may hold: three corners per face numbered in 32 bits, a few arrays of 32-bit
// values per vertex addressable on this platform, and None never a vertex number.
const std::uint32_t MaxFaceCount = 0x3FFFFFFFu;
const std::size_t MaxVertexCountBySize = std::numeric_limits<std::size_t>::max() / 16;
const std::uint32_t MaxVertexCount = MaxVertexCountBySize < None - 1 ? std::uint32_t(MaxVertexCountBySize) : None - 1;

void ClearPlan(Plan& plan)
{
    plan.FaceOrder.clear();
    plan.VertexOrder.clear();
    plan.VertexRemap.clear();
    plan.Ranges.clear();
}

bool CountsAreValid(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount)
{
    return faceCount <= MaxFaceCount && vertexCount <= MaxVertexCount && (faceCount == 0 || indices != nullptr);
}

// Each vertex's corners, counted into two tallies: those of the first half of the triangles
// into low, those of the second half into high (added up, they are the count). Neighbouring
// triangles share vertices, and an increment of the very value just incremented has to wait
// for it; the two halves are far apart and go on side by side. An index out of range is
// counted in the slot past the last vertex, and refused.
bool CountCorners(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount, std::uint32_t* low,
                  std::uint32_t* high)
{
    const std::uint32_t half = faceCount / 2;
    const std::uint32_t* a = indices;
    const std::uint32_t* b = indices + std::size_t(half) * 3;
    for (std::uint32_t i = 0; i < half; ++i, a += 3, b += 3)
    {
        for (int k = 0; k < 3; ++k)
        {
            ++low[a[k] < vertexCount ? a[k] : vertexCount];
            ++high[b[k] < vertexCount ? b[k] : vertexCount];
        }
    }
    // An odd count leaves the last triangle to the second half.
    for (int k = 0; half * 2 < faceCount && k < 3; ++k)
    {
        ++high[b[k] < vertexCount ? b[k] : vertexCount];
    }
    return low[vertexCount] == 0 && high[vertexCount] == 0;
}

// Misses of a fresh FIFO of cacheSize entries over the triangles in input order, counted only
// as far as they can stay within limit: every vertex not yet seen will miss at least once, so
// once the misses so far and those still bound to come pass the limit, the order has lost and
// the count stops there. A FIFO never reorders on a hit, so a vertex is cached exactly when
// fewer than cacheSize misses happened since the miss that loaded it.
std::uint32_t CountInputMisses(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount,
                               std::uint32_t usedVertices, std::uint32_t cacheSize, std::uint32_t limit)
{
    std::vector<std::uint32_t> loadedAt(vertexCount, 0);
    std::uint32_t misses = cacheSize; // every vertex starts out long gone
    std::uint32_t unseen = usedVertices;
    const std::uint64_t stop = std::uint64_t(limit) + cacheSize;
    const std::uint32_t* t = indices;
    const std::uint32_t* end = indices + std::size_t(faceCount) * 3;
    for (; t != end && std::uint64_t(misses) + unseen <= stop; t += 3)
    {
        for (int k = 0; k < 3; ++k)
        {
            std::uint32_t& stamp = loadedAt[t[k]];
            if (misses - stamp >= cacheSize)
            {
                unseen -= stamp == 0 ? 1 : 0;
                stamp = ++misses;
            }
        }
    }
    return t == end ? misses - cacheSize : None;
}

// Orders one group, given as a mesh of its own; writes its triangle numbers to order and its
// vertices in order of first use to firstUse, and returns their count (None when an index is
// not below vertexCount).
std::uint32_t OrderGroup(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount,
                         std::uint32_t* order, std::uint32_t* firstUse)
{
    Steps::VertexTriangles around;
    if (!around.Build(indices, faceCount, vertexCount))
    {
        return None;
    }

    // Keep the order that misses least; the input order stands only where it misses less
    // (on a tie the fan order is kept: it has its first-use order at hand).
    std::uint32_t usedVertices = 0;
    const std::uint32_t fanMisses =
        Steps::TipsifyOrder(indices, faceCount, vertexCount, around, TargetFifoSize, order, firstUse, usedVertices);
    // A mesh ordered before may get its own order back: then there is nothing to compare.
    std::uint32_t same = 0;
    while (same < faceCount && order[same] == same)
    {
        ++same;
    }
    const std::uint32_t inputMisses =
        same == faceCount
            ? fanMisses
            : CountInputMisses(indices, faceCount, vertexCount, usedVertices, TargetFifoSize, fanMisses);
    std::uint32_t misses = fanMisses;
    bool firstUseKept = true; // firstUse is the kept order's
    if (inputMisses < fanMisses)
    {
        misses = inputMisses;
        firstUseKept = false;
        for (std::uint32_t i = 0; i < faceCount; ++i)
        {
            order[i] = i;
        }
    }

    // Only where the fan order is clearly short of the floor may the scoring method win.
    if (double(fanMisses) > GoodEnoughRatio * double(usedVertices))
    {
        // The scored order's first use goes over the fan order's: when the scored order loses,
        // the one kept gets its first use again below.
        const std::unique_ptr<std::uint32_t[]> scored = Steps::Uninitialised<std::uint32_t>(faceCount);
        if (Steps::ForsythOrder(indices, faceCount, vertexCount, around, scored.get(), firstUse) < misses)
        {
            for (std::uint32_t i = 0; i < faceCount; ++i)
            {
                order[i] = scored[i];
            }
            return usedVertices;
        }
        firstUseKept = false;
    }
    return firstUseKept ? usedVertices : Steps::FirstUse(indices, order, faceCount, vertexCount, firstUse);
}

// The faces slotFace[0] to slotFace[count - 1] (first to first + count - 1 when slotFace is null)
// as a mesh of their own, vertices numbered by first use; None when an index is not below
// vertexCount. localOf maps old vertex numbers to the group's (None elsewhere, and again after).
std::uint32_t ExtractGroup(const std::uint32_t* indices, const std::uint32_t* slotFace, std::uint32_t first,
                           std::uint32_t count, std::uint32_t vertexCount, std::vector<std::uint32_t>& localOf,
                           std::vector<std::uint32_t>& used, std::vector<std::uint32_t>& groupIndices)
{
    groupIndices.resize(std::size_t(count) * 3);
    used.clear();
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const std::uint32_t face = slotFace != nullptr ? slotFace[i] : first + i;
        const std::uint32_t* t = indices + std::size_t(face) * 3;
        for (int k = 0; k < 3; ++k)
        {
            if (t[k] >= vertexCount)
            {
                return None;
            }
            std::uint32_t& local = localOf[t[k]];
            if (local == None)
            {
                local = std::uint32_t(used.size());
                used.push_back(t[k]);
            }
            groupIndices[std::size_t(i) * 3 + k] = local;
        }
    }
    for (std::uint32_t v : used)
    {
        localOf[v] = None;
    }
    return std::uint32_t(used.size());
}

// A group's order, in the group's own triangle numbers, turned into the mesh's: through
// slotFace when the faces were moved, else by the group's first face (nothing to do at 0).
void ToMeshFaces(const std::uint32_t* slotFace, std::uint32_t first, std::uint32_t count, std::uint32_t* order)
{
    if (slotFace != nullptr)
    {
        for (std::uint32_t i = 0; i < count; ++i)
        {
            order[i] = slotFace[order[i]];
        }
    }
    else if (first != 0)
    {
        for (std::uint32_t i = 0; i < count; ++i)
        {
            order[i] += first;
        }
    }
}

// Several groups, each ordered on its own, the vertices renumbered group by group from next.
// False when an index is not below vertexCount.
bool OrderGroups(const std::uint32_t* indices, const std::vector<std::uint32_t>& slotFace, std::uint32_t vertexCount,
                 std::uint32_t& next, Plan& plan)
{
    std::vector<std::uint32_t> localOf;
    std::vector<std::uint32_t> toGlobal;
    std::vector<std::uint32_t> groupIndices;
    std::unique_ptr<std::uint32_t[]> laterFirstUse; // room for any group's vertices
    for (Range& range : plan.Ranges)
    {
        const std::uint32_t* slots = slotFace.empty() ? nullptr : slotFace.data() + range.FaceStart;
        std::uint32_t* order = plan.FaceOrder.data() + range.FaceStart;
        // A group whose faces are in place and that is not small beside the vertex buffer
        // is ordered where it lies, over all vertex numbers; others as a mesh of their own,
        // so that per-vertex work stays in proportion to the group.
        const std::size_t corners = std::size_t(range.FaceCount) * 3;
        const bool inPlace = slots == nullptr && vertexCount <= corners * 4;
        const std::uint32_t* groupMesh = indices + std::size_t(range.FaceStart) * 3;
        std::uint32_t groupVertices = vertexCount;
        if (!inPlace)
        {
            localOf.resize(vertexCount, None);
            groupVertices = ExtractGroup(indices, slots, range.FaceStart, range.FaceCount, vertexCount, localOf,
                                         toGlobal, groupIndices);
            groupMesh = groupIndices.data();
        }
        // Each group's indices are checked as they are first read: copied out or counted.
        if (groupVertices == None)
        {
            return false;
        }
        // The first group's first-use order is the beginning of the vertex order.
        if (next != 0 && laterFirstUse == nullptr)
        {
            laterFirstUse = Steps::Uninitialised<std::uint32_t>(vertexCount);
        }
        std::uint32_t* firstUse = next == 0 ? plan.VertexOrder.data() : laterFirstUse.get();
        const std::uint32_t used = OrderGroup(groupMesh, range.FaceCount, groupVertices, order, firstUse);
        if (used == None)
        {
            return false;
        }
        Steps::RenumberGroup(firstUse, used, inPlace ? nullptr : toGlobal.data(), range, next, plan);
        ToMeshFaces(slots, range.FaceStart, range.FaceCount, order);
    }
    return true;
}

// False when an index is not below vertexCount.
bool BuildPlanChecked(const std::uint32_t* indices, const std::uint32_t* attributes, std::uint32_t faceCount,
                      std::uint32_t vertexCount, Plan& plan)
{
    std::vector<std::uint32_t> slotFace;
    Steps::GroupFaces(attributes, faceCount, slotFace, plan.Ranges);
    plan.FaceOrder.resize(faceCount);
    Steps::StartRenumbering(vertexCount, plan);
    std::uint32_t next = 0;
    if (plan.Ranges.size() == 1)
    {
        // The usual case: one group, the whole mesh as it is; its first-use order is the
        // beginning of the vertex order. The indices are checked as they are first counted.
        std::uint32_t* firstUse = plan.VertexOrder.data();
        const std::uint32_t used = OrderGroup(indices, faceCount, vertexCount, plan.FaceOrder.data(), firstUse);
        if (used == None)
        {
            return false;
        }
        Steps::RenumberGroup(firstUse, used, nullptr, plan.Ranges[0], next, plan);
    }
    else if (!plan.Ranges.empty() && !OrderGroups(indices, slotFace, vertexCount, next, plan))
    {
        return false;
    }
    Steps::FinishRenumbering(next, plan);
    return true;
}
} // namespace

bool Steps::VertexTriangles::Build(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t vertexCount)
{
    // Offsets[v] first counts v's corners in the first half of the triangles, then marks the
    // end of their part of v's list (the second half's part follows it): each part is filled
    // from its end backwards, both halves side by side for the reason they are counted so,
    // which leaves Offsets[v] at the start and the lists ascending.
    Offsets.assign(std::size_t(vertexCount) + 1, 0);
    std::vector<std::uint32_t> highEnd(std::size_t(vertexCount) + 1, 0);
    if (!CountCorners(indices, faceCount, vertexCount, Offsets.data(), highEnd.data()))
    {
        return false;
    }
    std::uint32_t end = 0;
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        const std::uint32_t lowEnd = end + Offsets[v];
        end = lowEnd + highEnd[v];
        Offsets[v] = lowEnd;
        highEnd[v] = end;
    }
    const std::size_t cornerCount = std::size_t(faceCount) * 3;
    Offsets[vertexCount] = std::uint32_t(cornerCount);
    Triangles = Uninitialised<std::uint32_t>(cornerCount);
    std::uint32_t* lists = Triangles.get();
    std::uint32_t* lowEnds = Offsets.data();
    std::uint32_t* highEnds = highEnd.data();
    const std::uint32_t half = faceCount / 2;
    if (half * 2 < faceCount)
    {
        const std::uint32_t* corners = indices + std::size_t(faceCount - 1) * 3;
        for (int k = 0; k < 3; ++k)
        {
            lists[--highEnds[corners[k]]] = faceCount - 1;
        }
    }
    for (std::uint32_t t = half; t-- > 0;)
    {
        const std::uint32_t* a = indices + std::size_t(t) * 3;
        const std::uint32_t* b = indices + std::size_t(t + half) * 3;
        for (int k = 0; k < 3; ++k)
        {
            lists[--lowEnds[a[k]]] = t;
            lists[--highEnds[b[k]]] = t + half;
        }
    }
    return true;
}

bool BuildPlan(const std::uint32_t* indices, const std::uint32_t* attributes, std::uint32_t faceCount,
               std::uint32_t vertexCount, Plan& plan)
{
    // Besides bad indices, the only failure is memory (bad_alloc, or length_error from a size
    // no allocator takes); report it like a bad input rather than letting an exception cross
    // the engine.
    try
    {
        if (CountsAreValid(indices, faceCount, vertexCount) &&
            BuildPlanChecked(indices, attributes, faceCount, vertexCount, plan))
        {
            return true;
        }
    }
    catch (...)
    {
    }
    ClearPlan(plan);
    return false;
}
} // namespace VertexCache
