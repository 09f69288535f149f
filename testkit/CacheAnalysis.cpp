#include "CacheAnalysis.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace VertexCacheAnalysis
{
double AverageCacheMissRatio(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t cacheSize)
{
    if (faceCount == 0 || faceCount > 0x3FFFFFFFu || indices == nullptr)
    {
        return 0.0;
    }
    const std::size_t cornerCount = std::size_t(faceCount) * 3;
    if (cacheSize == 0)
    {
        return 3.0;
    }
    std::uint32_t maxIndex = 0;
    for (std::size_t i = 0; i < cornerCount; ++i)
    {
        maxIndex = indices[i] > maxIndex ? indices[i] : maxIndex;
    }

    // A FIFO never reorders on a hit, so a vertex is cached exactly when fewer than cacheSize
    // misses happened since its own last miss: one time stamp per vertex is the whole cache.
    // Stamps are kept per index value; far larger values than corners (never in a real index
    // buffer) are first mapped to dense numbers.
    std::vector<std::uint32_t> distinct;
    const bool sparse = maxIndex / 4 > cornerCount;
    if (sparse)
    {
        distinct.assign(indices, indices + cornerCount);
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    }
    std::vector<std::uint32_t> loadedAt(sparse ? distinct.size() : std::size_t(maxIndex) + 1, 0);
    std::uint32_t misses = 0;
    for (std::size_t i = 0; i < cornerCount; ++i)
    {
        const std::size_t slot =
            sparse ? std::size_t(std::lower_bound(distinct.begin(), distinct.end(), indices[i]) - distinct.begin())
                   : indices[i];
        std::uint32_t& stamp = loadedAt[slot];
        // stamp is the number of the miss that loaded the vertex, 0 when never loaded.
        if (stamp == 0 || misses - stamp >= cacheSize)
        {
            ++misses;
            stamp = misses;
        }
    }
    return double(misses) / double(faceCount);
}
} // namespace VertexCacheAnalysis
