// Faces grouped by attribute id, stable, in linear time; ids are arbitrary 32-bit values.
#include "VertexCacheSteps.h"

namespace VertexCache
{
namespace Steps
{
namespace
{
// The end of the run of faces with the id of face first: a block of ids at a time, compared
// without a branch per face (vector code), then face by face in the block that differs.
std::uint32_t RunEnd(const std::uint32_t* attributes, std::uint32_t first, std::uint32_t faceCount)
{
    const std::uint32_t id = attributes[first];
    const std::uint32_t block = 16;
    std::uint32_t end = first + 1;
    while (faceCount - end >= block)
    {
        const std::uint32_t* ids = attributes + end;
        std::uint32_t differ = 0;
        for (std::uint32_t i = 0; i < block; ++i)
        {
            differ |= ids[i] ^ id;
        }
        if (differ != 0)
        {
            break;
        }
        end += block;
    }
    while (end < faceCount && attributes[end] == id)
    {
        ++end;
    }
    return end;
}

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

void GroupFaces(const std::uint32_t* attributes, std::uint32_t faceCount, std::vector<std::uint32_t>& slotFace,
                std::vector<Range>& ranges)
{
    slotFace.clear();
    ranges.clear();
    // The common case, D3DX's loader hands out faces sorted by attribute: the ranges come
    // straight from the ids and no face moves.
    bool sorted = true;
    std::uint32_t maxId = 0;
    for (std::uint32_t f = 0; f < faceCount;)
    {
        const std::uint32_t id = attributes != nullptr ? attributes[f] : 0;
        const std::uint32_t end = attributes != nullptr ? RunEnd(attributes, f, faceCount) : faceCount;
        sorted = sorted && (ranges.empty() || ranges.back().AttribId < id);
        const Range range = {id, f, end - f, 0, 0};
        ranges.push_back(range);
        maxId = id > maxId ? id : maxId;
        f = end;
    }
    if (sorted)
    {
        return;
    }

    slotFace.resize(faceCount);
    if (maxId < faceCount + 65536u)
    {
        SortBySmallIds(attributes, faceCount, maxId, slotFace);
    }
    else
    {
        SortByAnyIds(attributes, faceCount, slotFace);
    }
    ranges.clear();
    for (std::uint32_t slot = 0; slot < faceCount; ++slot)
    {
        const std::uint32_t id = attributes[slotFace[slot]];
        if (ranges.empty() || ranges.back().AttribId != id)
        {
            const Range range = {id, slot, 0, 0, 0};
            ranges.push_back(range);
        }
        ++ranges.back().FaceCount;
    }
}
} // namespace Steps
} // namespace VertexCache
