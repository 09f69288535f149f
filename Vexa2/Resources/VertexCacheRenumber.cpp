// Vertices renumbered in the order the new face list first uses them, and the attribute
// ranges' vertex spans; the D3DX adjacency array carried over to the new face order.
// Renumbering reads each group's distinct vertices once rather than walking its faces again.
#include "VertexCacheSteps.h"

namespace VertexCache
{
namespace Steps
{
std::uint32_t FirstUse(const std::uint32_t* indices, const std::uint32_t* order, std::uint32_t faceCount,
                       std::uint32_t vertexCount, std::uint32_t* firstUse)
{
    std::vector<std::uint8_t> seen(vertexCount, 0);
    std::uint32_t count = 0;
    for (std::uint32_t i = 0; i < faceCount; ++i)
    {
        const std::uint32_t* t = indices + std::size_t(order[i]) * 3;
        for (int k = 0; k < 3; ++k)
        {
            if (!seen[t[k]])
            {
                seen[t[k]] = 1;
                firstUse[count++] = t[k];
            }
        }
    }
    return count;
}

void StartRenumbering(std::uint32_t vertexCount, Plan& plan)
{
    plan.VertexRemap.assign(vertexCount, None);
    plan.VertexOrder.resize(vertexCount);
}

void RenumberGroup(const std::uint32_t* firstUse, std::uint32_t count, const std::uint32_t* toGlobal, Range& range,
                   std::uint32_t& next, Plan& plan)
{
    std::uint32_t* remap = plan.VertexRemap.data();
    std::uint32_t* vertexOrder = plan.VertexOrder.data();
    if (next == 0)
    {
        // No vertex numbered yet (the usual single group): each is new, in this order.
        for (std::uint32_t i = 0; i < count; ++i)
        {
            const std::uint32_t v = toGlobal != nullptr ? toGlobal[firstUse[i]] : firstUse[i];
            vertexOrder[i] = v;
            remap[v] = i;
        }
        next = count;
        range.VertexStart = 0;
        range.VertexCount = count;
        return;
    }
    std::uint32_t low = None;
    std::uint32_t high = 0;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        // With firstUse being vertexOrder, next never passes i: each entry is read first.
        const std::uint32_t v = toGlobal != nullptr ? toGlobal[firstUse[i]] : firstUse[i];
        if (remap[v] == None)
        {
            vertexOrder[next] = v;
            remap[v] = next++;
        }
        low = remap[v] < low ? remap[v] : low;
        high = remap[v] > high ? remap[v] : high;
    }
    range.VertexStart = count > 0 ? low : 0;
    range.VertexCount = count > 0 ? high - low + 1 : 0;
}

void FinishRenumbering(std::uint32_t next, Plan& plan)
{
    std::uint32_t* remap = plan.VertexRemap.data();
    std::uint32_t* vertexOrder = plan.VertexOrder.data();
    const std::uint32_t vertexCount = std::uint32_t(plan.VertexRemap.size());
    for (std::uint32_t v = 0; v < vertexCount && next < vertexCount; ++v)
    {
        if (remap[v] == None)
        {
            remap[v] = next;
            vertexOrder[next++] = v;
        }
    }
}
} // namespace Steps

bool RemapAdjacency(const Plan& plan, std::uint32_t* adjacency)
{
    const std::size_t faceCount = plan.FaceOrder.size();
    if (faceCount == 0 || adjacency == nullptr)
    {
        return true;
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
        // Both copies are made before the first write: the array is left untouched.
        return false;
    }
    return true;
}
} // namespace VertexCache
