// Prints the vertex-cache figures of the optimiser as `name: value` lines: miss ratios before
// and after ordering and ordering speed, on a 200 x 200 grid and on an irregular mesh made
// from it. Speed is given twice: best wall-clock run, and over processor time (meaningful
// when the machine is busy with other work).
#include "Vexa2/Resources/VertexCache.h"
#include "testkit/CacheAnalysis.h"
#include "testkit/MeshMaker.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace
{
const std::uint32_t GridCells = 200;
// Wall-clock runs; the best one is the figure.
const int TimedRuns = 20;
// Runs whose processor time is summed for the second figure, immune to waiting.
const int CpuRuns = 40;

double ThreadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
    {
        return 0.0;
    }
    const auto ticks = [](const FILETIME& time) {
        return double((std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) * 100e-9;
}

// A mesh of irregular valence, like a scanned or decimated model: the grid after random edge
// collapses (one end merged into the other), collapsed faces dropped. Fixed seed.
std::vector<std::uint32_t> Collapse(const std::vector<std::uint32_t>& indices, std::uint32_t vertexCount,
                                    std::uint32_t collapses)
{
    std::vector<std::uint32_t> mergedInto(vertexCount);
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        mergedInto[v] = v;
    }
    const auto survivor = [&](std::uint32_t v) {
        while (mergedInto[v] != v)
        {
            v = mergedInto[v];
        }
        return v;
    };
    std::uint32_t random = 12345;
    const std::size_t faceCount = indices.size() / 3;
    for (std::uint32_t i = 0; i < collapses; ++i)
    {
        random = random * 1664525u + 1013904223u;
        const std::size_t face = (random >> 8) % faceCount;
        const std::uint32_t a = survivor(indices[face * 3]);
        const std::uint32_t b = survivor(indices[face * 3 + 1]);
        if (a != b)
        {
            mergedInto[b] = a;
        }
    }
    std::vector<std::uint32_t> result;
    for (std::size_t f = 0; f < faceCount; ++f)
    {
        const std::uint32_t a = survivor(indices[f * 3]);
        const std::uint32_t b = survivor(indices[f * 3 + 1]);
        const std::uint32_t c = survivor(indices[f * 3 + 2]);
        if (a != b && b != c && a != c)
        {
            const std::uint32_t face[3] = {a, b, c};
            result.insert(result.end(), face, face + 3);
        }
    }
    return result;
}

// The index buffer as the plan leaves it: faces in new order, vertices renumbered.
std::vector<std::uint32_t> Apply(const VertexCache::Plan& plan, const std::vector<std::uint32_t>& indices)
{
    std::vector<std::uint32_t> result(indices.size());
    for (std::size_t i = 0; i < plan.FaceOrder.size(); ++i)
    {
        for (int k = 0; k < 3; ++k)
        {
            result[i * 3 + k] = plan.VertexRemap[indices[std::size_t(plan.FaceOrder[i]) * 3 + k]];
        }
    }
    return result;
}

struct Measurement
{
    std::vector<std::uint32_t> Ordered; // the optimised index buffer
    double MtrisPerSecond;              // best wall-clock run
    double MtrisPerCpuSecond;           // over the processor time of CpuRuns runs
};

bool Measure(const std::vector<std::uint32_t>& indices, std::uint32_t vertexCount, Measurement& result)
{
    const std::uint32_t faceCount = std::uint32_t(indices.size() / 3);
    const std::vector<std::uint32_t> attributes(faceCount, 0);
    VertexCache::Plan plan;

    double bestSeconds = 0.0;
    for (int run = 0; run < TimedRuns; ++run)
    {
        const auto start = std::chrono::steady_clock::now();
        const bool built = VertexCache::BuildPlan(indices.data(), attributes.data(), faceCount, vertexCount, plan);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!built)
        {
            return false;
        }
        if (run == 0 || seconds < bestSeconds)
        {
            bestSeconds = seconds;
        }
    }

    const double cpuStart = ThreadCpuSeconds();
    for (int run = 0; run < CpuRuns; ++run)
    {
        VertexCache::BuildPlan(indices.data(), attributes.data(), faceCount, vertexCount, plan);
    }
    const double cpuSeconds = ThreadCpuSeconds() - cpuStart;

    result.Ordered = Apply(plan, indices);
    result.MtrisPerSecond = bestSeconds > 0.0 ? faceCount / bestSeconds / 1e6 : 0.0;
    result.MtrisPerCpuSecond = cpuSeconds > 0.0 ? double(faceCount) * CpuRuns / cpuSeconds / 1e6 : 0.0;
    return true;
}

double Acmr(const std::vector<std::uint32_t>& indices, std::uint32_t cacheSize)
{
    return VertexCacheAnalysis::AverageCacheMissRatio(indices.data(), std::uint32_t(indices.size() / 3), cacheSize);
}
} // namespace

int main()
{
    // Cells in scanline order: the order a naive exporter writes.
    const std::vector<std::uint32_t> grid = MeshMaker::Grid(GridCells, GridCells);
    const std::uint32_t vertexCount = (GridCells + 1) * (GridCells + 1);
    const std::vector<std::uint32_t> irregular = Collapse(grid, vertexCount, vertexCount / 4);

    Measurement onGrid;
    Measurement onIrregular;
    if (!Measure(grid, vertexCount, onGrid) || !Measure(irregular, vertexCount, onIrregular))
    {
        std::fprintf(stderr, "BuildPlan failed\n");
        return 1;
    }

    std::printf("acmr_grid_fifo16: %.4f\n", Acmr(onGrid.Ordered, 16));
    std::printf("acmr_grid_fifo32: %.4f\n", Acmr(onGrid.Ordered, 32));
    std::printf("acmr_input_grid_fifo16: %.4f\n", Acmr(grid, 16));
    std::printf("acmr_input_grid_fifo32: %.4f\n", Acmr(grid, 32));
    std::printf("optimizer_mtris_per_s: %.2f\n", onGrid.MtrisPerSecond);
    std::printf("optimizer_mtris_per_cpu_s: %.2f\n", onGrid.MtrisPerCpuSecond);
    std::printf("acmr_irregular_fifo16: %.4f\n", Acmr(onIrregular.Ordered, 16));
    std::printf("acmr_input_irregular_fifo16: %.4f\n", Acmr(irregular, 16));
    std::printf("optimizer_irregular_mtris_per_s: %.2f\n", onIrregular.MtrisPerSecond);
    std::printf("optimizer_irregular_mtris_per_cpu_s: %.2f\n", onIrregular.MtrisPerCpuSecond);
    return 0;
}
