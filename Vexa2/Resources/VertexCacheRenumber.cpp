// Vertices renumbered in the order the new face list first uses them, and the attribute
// ranges' vertex spans; the D3DX adjacency array carried over to the new face order.
#include "VertexCacheSteps.h"

namespace VertexCache
{
namespace Steps
{
namespace
{
// Unused vertices follow the used ones, in their old order.
void AppendUnusedVertices(std::uint32_t next, std::uint32_t vertexCount, Plan& plan)
{
    std::uint32_t* remap = plan.VertexRemap.data();
    std::uint32_t* vertexOrder = plan.VertexOrder.data();
    for (std::uint32_t v = 0; v < vertexCount && next < vertexCount; ++v)
    {
        if (remap[v] == None)
        {
            remap[v] = next;
            vertexOrder[next++] = v;
        }
    }
}
} // namespace

void RenumberVertices(const std::uint32_t* indices, std::uint32_t firstUseCount, std::uint32_t vertexCount,
                      Plan& plan)
{
    plan.VertexRemap.assign(vertexCount, None);
    plan.VertexOrder.resize(vertexCount);
    std::uint32_t* remap = plan.VertexRemap.data();
    std::uint32_t* vertexOrder = plan.VertexOrder.data();
    if (firstUseCount > 0 && plan.Ranges.size() == 1)
    {
        for (std::uint32_t i = 0; i < firstUseCount; ++i)
        {
            remap[vertexOrder[i]] = i;
        }
        plan.Ranges[0].VertexStart = 0;
        plan.Ranges[0].VertexCount = firstUseCount;
        AppendUnusedVertices(firstUseCount, vertexCount, plan);
        return;
    }

    const std::uint32_t* faceOrder = plan.FaceOrder.data();
    std::uint32_t next = 0;
    // The span of new vertex numbers each group uses, as D3DX's attribute table gives it.
    for (Range& range : plan.Ranges)
    {
        std::uint32_t low = None;
        std::uint32_t high = 0;
        for (std::uint32_t i = range.FaceStart; i < range.FaceStart + range.FaceCount; ++i)
        {
            const std::uint32_t* t = indices + std::size_t(faceOrder[i]) * 3;
            for (int k = 0; k < 3; ++k)
            {
                std::uint32_t& v = remap[t[k]];
                if (v == None)
                {
                    vertexOrder[next] = t[k];
                    v = next++;
                }
                low = v < low ? v : low;
                high = v > high ? v : high;
            }
        }
        range.VertexStart = low;
        range.VertexCount = high - low + 1;
    }
    AppendUnusedVertices(next, vertexCount, plan);
}
} // namespace Steps

void RemapAdjacency(const Plan& plan, std::uint32_t* adjacency)
{
    const std::size_t faceCount = plan.FaceOrder.size();
    if (faceCount == 0 || adjacency == nullptr)
    {
        return;
    }
    try
    {
        std::vector<std::uint32_t> oldRows(adjacency, adjacency + faceCount * 3);
        std::vector<std::uint32_t> newFace(faceCount);
        for (std::size_t i = 0; i < faceCount; ++i)
        {
            newFace[plan.FaceOrder[i]] = std::uint32_t(i);
        }
        for (std::size_t i = 0; i < faceCount; ++i)
        {
            const std::uint32_t* source = &oldRows[std::size_t(plan.FaceOrder[i]) * 3];
            for (int k = 0; k < 3; ++k)
            {
                // Open edges (0xFFFFFFFF) and anything else out of range stay as they are.
                const std::uint32_t neighbour = source[k];
                adjacency[i * 3 + k] = neighbour < faceCount ? newFace[neighbour] : neighbour;
            }
        }
    }
    catch (...)
    {
        // Without room for a copy the array is left untouched.
    }
}
} // namespace VertexCache
