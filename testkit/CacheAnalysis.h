#pragma once
// Cache-miss analysis of index buffers, for the optimiser's tests and benchmarks (the product
// only orders; it never needs to measure).
#include <cstdint>

namespace VertexCacheAnalysis
{
// Average cache miss ratio (misses per triangle) of a FIFO cache of cacheSize entries.
double AverageCacheMissRatio(const std::uint32_t* indices, std::uint32_t faceCount, std::uint32_t cacheSize);
} // namespace VertexCacheAnalysis
