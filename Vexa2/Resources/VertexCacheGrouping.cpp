// Faces grouped by attribute id, stable, in linear time; ids are arbitrary 32-bit values.
#include "VertexCacheSteps.h"

namespace VertexCache
{
namespace Steps
{
namespace
{
// Counting sort over the id values themselves, for ids not much larger than the face count.
void SortBySmallIds(const std::uint32_t* attributes, std::uint32_t faceCount, std::uint32_t maxId,
                    std::vector<std::uint32_t>& slotFace)
{
    std::vector<std::uint32_t> start(std::size_t(maxId) + 2, 0);
    for (std::uint32_t f = 0; f < faceCount; ++f)
    {
        ++start[attributes[f] + 1];
    }
    for (std::uint32_t id = 0; id <= maxId; ++id)
    {
        start[id + 1] += start[id];
    }
    for (std::uint32_t f = 0; f < faceCount; ++f)
    {
        slotFace[start[attributes[f]]++] = f;
    }
}

// Sparse huge ids: two stable 16-bit counting passes (low half first).
void SortByAnyIds(const std::uint32_t* attributes, std::uint32_t faceCount, std::vector<std::uint32_t>& slotFace)
{
    std::vector<std::uint32_t> temp(faceCount);
    std::vector<std::uint32_t> start(65537);
    for (std::uint32_t f = 0; f < faceCount; ++f)
    {
        temp[f] = f;
    }
    for (int shift = 0; shift < 32; shift += 16)
    {
        std::vector<std::uint32_t>& from = shift == 0 ? temp : slotFace;
        std::vector<std::uint32_t>& to = shift == 0 ? slotFace : temp;
        start.assign(start.size(), 0);
        for (std::uint32_t f = 0; f < faceCount; ++f)
        {
            ++start[((attributes[f] >> shift) & 0xFFFFu) + 1];
        }
        for (std::uint32_t key = 0; key < 65536u; ++key)
        {
            start[key + 1] += start[key];
        }
        for (std::uint32_t i = 0; i < faceCount; ++i)
        {
            const std::uint32_t face = from[i];
            to[start[(attributes[face] >> shift) & 0xFFFFu]++] = face;
        }
    }
    slotFace.swap(temp);
}
} // namespace

bool GroupFaces(const std::uint32_t* attributes, std::uint32_t faceCount, std::vector<std::uint32_t>& slotFace,
                std::vector<Range>& ranges)
{
    slotFace.resize(faceCount);
    ranges.clear();
    bool sorted = true;
    std::uint32_t maxId = 0;
    if (attributes != nullptr && faceCount > 0)
    {
        maxId = attributes[0];
        for (std::uint32_t f = 1; f < faceCount; ++f)
        {
            sorted = sorted && attributes[f - 1] <= attributes[f];
            maxId = attributes[f] > maxId ? attributes[f] : maxId;
        }
    }

    if (sorted)
    {
        // The common case: D3DX's loader already hands out faces sorted by attribute.
        for (std::uint32_t f = 0; f < faceCount; ++f)
        {
            slotFace[f] = f;
        }
    }
    else if (maxId < faceCount + 65536u)
    {
        SortBySmallIds(attributes, faceCount, maxId, slotFace);
    }
    else
    {
        SortByAnyIds(attributes, faceCount, slotFace);
    }

    // The vertex spans are filled in after renumbering.
    for (std::uint32_t slot = 0; slot < faceCount; ++slot)
    {
        const std::uint32_t id = attributes != nullptr ? attributes[slotFace[slot]] : 0;
        if (ranges.empty() || ranges.back().AttribId != id)
        {
            const Range range = {id, slot, 0, 0, 0};
            ranges.push_back(range);
        }
        ++ranges.back().FaceCount;
    }
    return sorted;
}
} // namespace Steps
} // namespace VertexCache
