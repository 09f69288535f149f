#pragma once
// Statistics shared by the benchmarks. A figure with a target is measured in a few blocks; each
// block takes the minimum of many short rounds per side (the least-disturbed round: on a busy
// machine other processes only ever add time), the figure is the median of the blocks' ratios,
// and its spread is the largest block ratio over the smallest.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <vector>

namespace Bench
{
inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline double Minimum(const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

inline double Spread(const std::vector<double>& values)
{
    if (values.empty())
        return 0.0;
    const auto range = std::minmax_element(values.begin(), values.end());
    return *range.first > 0.0 ? *range.second / *range.first : 0.0;
}

// Runs every side once a round, rounds * blocks times; each side returns its cost (seconds, or
// seconds per frame), false from `ok` stops the run. The order turns every round so that no side
// always follows another. Round r counts for block r % blocks: each block's rounds are spread over
// the whole run, so a spell of load falls on every block alike instead of on one. Returns each
// side's least cost of each block (best[side][block]); empty when a side failed.
inline std::vector<std::vector<double>> BestOfBlocks(
    int blocks, int rounds, const std::vector<std::function<double()>>& sides,
    const std::function<bool()>& ok = [] { return true; })
{
    const std::size_t count = sides.size();
    std::vector<std::vector<double>> best(count, std::vector<double>(std::size_t(blocks), 0.0));
    for (int r = 0; r < rounds * blocks; ++r)
    {
        const std::size_t block = std::size_t(r % blocks);
        for (std::size_t turn = 0; turn < count; ++turn)
        {
            const std::size_t side = (std::size_t(r) + turn) % count;
            const double cost = sides[side]();
            if (!ok())
                return {};
            double& least = best[side][block];
            least = r < blocks || cost < least ? cost : least;
        }
    }
    return best;
}

// The block ratios of side a over side b.
inline std::vector<double> BlockRatios(const std::vector<double>& a, const std::vector<double>& b)
{
    std::vector<double> ratios;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        ratios.push_back(b[i] > 0.0 ? a[i] / b[i] : 0.0);
    return ratios;
}

// Prints "<name>: <median>" and "<name>_spread: <max/min>" for one targeted ratio.
inline void PrintRatio(const char* name, const std::vector<double>& blockRatios)
{
    std::printf("%s: %.3f\n", name, Median(blockRatios));
    std::printf("%s_spread: %.3f\n", name, Spread(blockRatios));
}
} // namespace Bench
