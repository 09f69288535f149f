#include "MeshMaker.h"

#include <algorithm>
#include <deque>
#include <map>
#include <random>
#include <utility>

namespace MeshMaker
{
Indices Grid(std::uint32_t cellsX, std::uint32_t cellsY)
{
    Indices indices;
    const std::uint32_t row = cellsX + 1;
    for (std::uint32_t y = 0; y < cellsY; ++y)
    {
        for (std::uint32_t x = 0; x < cellsX; ++x)
        {
            const std::uint32_t a = y * row + x;
            const std::uint32_t b = a + 1;
            const std::uint32_t c = a + row;
            const std::uint32_t d = c + 1;
            indices.insert(indices.end(), {a, c, b, b, c, d});
        }
    }
    return indices;
}

Indices Sphere(std::uint32_t slices, std::uint32_t stacks, std::uint32_t& vertexCount)
{
    // Vertex 0 is the north pole, 1 the south pole, then one ring per inner stack.
    vertexCount = 2 + slices * (stacks - 1);
    auto vertex = [&](std::uint32_t stack, std::uint32_t slice) -> std::uint32_t {
        if (stack == 0)
            return 0;
        if (stack == stacks)
            return 1;
        return 2 + (stack - 1) * slices + slice % slices;
    };
    Indices indices;
    for (std::uint32_t stack = 0; stack < stacks; ++stack)
    {
        for (std::uint32_t slice = 0; slice < slices; ++slice)
        {
            const std::uint32_t a = vertex(stack, slice);
            const std::uint32_t b = vertex(stack, slice + 1);
            const std::uint32_t c = vertex(stack + 1, slice);
            const std::uint32_t d = vertex(stack + 1, slice + 1);
            if (stack > 0)
                indices.insert(indices.end(), {a, c, b});
            if (stack + 1 < stacks)
                indices.insert(indices.end(), {b, c, d});
        }
    }
    return indices;
}

Indices Torus(std::uint32_t rings, std::uint32_t segments)
{
    Indices indices;
    indices.reserve(std::size_t(rings) * segments * 6);
    for (std::uint32_t ring = 0; ring < rings; ++ring)
    {
        for (std::uint32_t segment = 0; segment < segments; ++segment)
        {
            const std::uint32_t nextRing = (ring + 1) % rings;
            const std::uint32_t nextSegment = (segment + 1) % segments;
            const std::uint32_t a = ring * segments + segment;
            const std::uint32_t b = ring * segments + nextSegment;
            const std::uint32_t c = nextRing * segments + segment;
            const std::uint32_t d = nextRing * segments + nextSegment;
            indices.insert(indices.end(), {a, c, b, b, c, d});
        }
    }
    return indices;
}

Indices Fan(std::uint32_t triangleCount)
{
    Indices indices;
    indices.reserve(std::size_t(triangleCount) * 3);
    for (std::uint32_t i = 1; i <= triangleCount; ++i)
        indices.insert(indices.end(), {0, i, i % triangleCount + 1});
    return indices;
}

Indices Soup(std::uint32_t faceCount, std::uint32_t vertexCount, std::uint32_t seed)
{
    std::mt19937 random(seed);
    Indices indices;
    while (indices.size() < std::size_t(faceCount) * 3)
    {
        const std::uint32_t a = random() % vertexCount;
        const std::uint32_t b = random() % vertexCount;
        const std::uint32_t c = random() % vertexCount;
        if (a != b && b != c && a != c)
            indices.insert(indices.end(), {a, b, c});
    }
    return indices;
}

Indices Collapse(const Indices& indices, std::uint32_t vertexCount, std::uint32_t collapses, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint32_t> mergedInto(vertexCount);
    for (std::uint32_t v = 0; v < vertexCount; ++v)
        mergedInto[v] = v;
    auto survivor = [&](std::uint32_t v) {
        while (mergedInto[v] != v)
            v = mergedInto[v];
        return v;
    };
    const std::size_t faceCount = indices.size() / 3;
    for (std::uint32_t i = 0; i < collapses; ++i)
    {
        const std::size_t face = random() % faceCount;
        const std::uint32_t a = survivor(indices[face * 3]);
        const std::uint32_t b = survivor(indices[face * 3 + 1]);
        if (a != b)
            mergedInto[b] = a;
    }
    Indices result;
    for (std::size_t f = 0; f < faceCount; ++f)
    {
        const std::uint32_t a = survivor(indices[f * 3]);
        const std::uint32_t b = survivor(indices[f * 3 + 1]);
        const std::uint32_t c = survivor(indices[f * 3 + 2]);
        if (a != b && b != c && a != c)
            result.insert(result.end(), {a, b, c});
    }
    return result;
}

Indices ShuffleFaces(const Indices& indices, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint32_t> order(indices.size() / 3);
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = std::uint32_t(i);
    for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[random() % i]);
    Indices shuffled;
    for (std::uint32_t face : order)
        shuffled.insert(shuffled.end(), indices.begin() + face * 3, indices.begin() + face * 3 + 3);
    return shuffled;
}

Indices Apply(const std::vector<std::uint32_t>& faceOrder, const std::vector<std::uint32_t>& vertexRemap,
              const Indices& indices)
{
    Indices result;
    for (std::uint32_t face : faceOrder)
        for (int k = 0; k < 3; ++k)
            result.push_back(vertexRemap[indices[std::size_t(face) * 3 + k]]);
    return result;
}

std::vector<std::uint32_t> EdgeAdjacency(const Indices& indices)
{
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> edgeFace;
    const std::uint32_t faceCount = std::uint32_t(indices.size() / 3);
    for (std::uint32_t f = 0; f < faceCount; ++f)
        for (int k = 0; k < 3; ++k)
            edgeFace[{indices[f * 3 + k], indices[f * 3 + (k + 1) % 3]}] = f;
    std::vector<std::uint32_t> adjacency(indices.size(), 0xFFFFFFFFu);
    for (std::uint32_t f = 0; f < faceCount; ++f)
    {
        for (int k = 0; k < 3; ++k)
        {
            const auto found = edgeFace.find({indices[f * 3 + (k + 1) % 3], indices[f * 3 + k]});
            if (found != edgeFace.end())
                adjacency[f * 3 + k] = found->second;
        }
    }
    return adjacency;
}

double ReferenceFifoMissRatio(const Indices& indices, std::uint32_t cacheSize)
{
    if (indices.empty())
        return 0.0;
    std::deque<std::uint32_t> fifo;
    std::size_t misses = 0;
    for (std::uint32_t index : indices)
    {
        if (std::find(fifo.begin(), fifo.end(), index) != fifo.end())
            continue;
        ++misses;
        fifo.push_back(index);
        if (fifo.size() > cacheSize)
            fifo.pop_front();
    }
    return double(misses) / double(indices.size() / 3);
}
} // namespace MeshMaker
