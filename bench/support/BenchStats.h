#pragma once
// Statistics shared by the benchmarks. A figure with a target is measured in a few blocks; each
// block takes the minimum of many short rounds per side (the least-disturbed round: on a busy
// machine other processes only ever add time), the figure is the median of the blocks' ratios,
// and its spread is the largest block ratio over the smallest.
#include <algorithm>
#include <cstdio>
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

// Prints "<name>: <median>" and "<name>_spread: <max/min>" for one targeted ratio.
inline void PrintRatio(const char* name, const std::vector<double>& blockRatios)
{
    std::printf("%s: %.3f\n", name, Median(blockRatios));
    std::printf("%s_spread: %.3f\n", name, Spread(blockRatios));
}
} // namespace Bench
