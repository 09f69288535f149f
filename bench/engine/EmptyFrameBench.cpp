// Frame rate of the engine with no screen against a hand-written Clear/BeginScene/EndScene/
// Present loop, both on the engine's own 800x600 window and device, measured in alternating
// fifth-of-a-second rounds. Each of five blocks compares the best round of each side (other
// processes only ever take frames away); the ratio is the median of the blocks, and
// empty_frame_ratio_spread their largest over their smallest.
#include "Vexa2/Engine/vEngine.h"
#include "bench/support/BenchStats.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
const int Blocks = 5;
const int Rounds = 8;
const double RoundSeconds = 0.2;

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The main loop's pass as Run makes it: one message, or a frame when the queue is empty.
double EngineRound(LARGE_INTEGER frequency)
{
    Vexa::Engine& engine = Vexa::TheEngine;
    long frames = 0;
    const LARGE_INTEGER start = Now();
    LARGE_INTEGER now = start;
    while (Seconds(start, now, frequency) < RoundSeconds)
    {
        if (engine.Windows.PumpMessage() == 1)
        {
            engine.Frame();
            ++frames;
        }
        now = Now();
    }
    return frames / Seconds(start, now, frequency);
}

// The least a Direct3D 9 program does per frame, with the same message handling.
double DirectRound(LARGE_INTEGER frequency)
{
    IDirect3DDevice9* device = Vexa::TheEngine.Graphics.Device;
    long frames = 0;
    MSG message;
    const LARGE_INTEGER start = Now();
    LARGE_INTEGER now = start;
    while (Seconds(start, now, frequency) < RoundSeconds)
    {
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        else
        {
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000080, 1.0f, 0);
            device->BeginScene();
            device->EndScene();
            device->Present(nullptr, nullptr, nullptr, nullptr);
            ++frames;
        }
        now = Now();
    }
    return frames / Seconds(start, now, frequency);
}
} // namespace

int main()
{
    Vexa::Engine& engine = Vexa::TheEngine;
    Vexa::Config config = Vexa::StartupConfig();
    if (engine.Start(config, nullptr) != 0)
        return 1;
    ShowWindow(engine.MainWindow, SW_SHOW);

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    // Warm-up: the first frames pay for the window being mapped and the swap chain set up.
    DirectRound(frequency);
    EngineRound(frequency);

    // Seconds per frame: the least-disturbed round is the fastest.
    const auto best = Bench::BestOfBlocks(
        Blocks, Rounds, {[&] { return 1.0 / EngineRound(frequency); }, [&] { return 1.0 / DirectRound(frequency); }});
    std::vector<double> engineBest, directBest;
    for (int block = 0; block < Blocks; ++block)
    {
        engineBest.push_back(1.0 / best[0][std::size_t(block)]);
        directBest.push_back(1.0 / best[1][std::size_t(block)]);
    }
    const std::vector<double> ratios = Bench::BlockRatios(engineBest, directBest);

    const bool focused = Vexa::HasFocus;
    engine.Shutdown();
    if (!focused)
    {
        std::fprintf(stderr, "the window lost the focus: the engine did not draw\n");
        return 1;
    }
    std::printf("empty_frame_engine_fps: %.0f\n", Bench::Median(engineBest));
    std::printf("empty_frame_direct_fps: %.0f\n", Bench::Median(directBest));
    Bench::PrintRatio("empty_frame_ratio", ratios);
    return 0;
}
