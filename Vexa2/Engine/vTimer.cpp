#include "vTimer.h"

#include <windows.h>

namespace Vexa
{
namespace
{
// Each variant seeds LastCount from its own clock once per process.
bool PerformanceCounterFirstTick = true;
bool MillisecondsFirstTick = true;
} // namespace

Timer::Timer()
    : LastCount(0), AccumulatedCount(0), DeltaCount(0), Frequency(0), HasPerformanceCounter(false), ElapsedSeconds(0.0),
      FrameCount(0), FramesPerSecond(0)
{
    LARGE_INTEGER frequency;
    frequency.QuadPart = 0;
    HasPerformanceCounter = QueryPerformanceFrequency(&frequency) != 0;
    Frequency = static_cast<std::uint64_t>(frequency.QuadPart);
}

void Timer::TickPerformanceCounter()
{
    LARGE_INTEGER count;
    if (PerformanceCounterFirstTick)
    {
        QueryPerformanceCounter(&count);
        LastCount = static_cast<std::uint64_t>(count.QuadPart);
        PerformanceCounterFirstTick = false;
    }
    QueryPerformanceCounter(&count);
    Advance(static_cast<std::uint64_t>(count.QuadPart), Frequency);
}

void Timer::TickMilliseconds()
{
    if (MillisecondsFirstTick)
    {
        LastCount = GetTickCount();
        MillisecondsFirstTick = false;
    }
    AdvanceMilliseconds(GetTickCount());
}

void Timer::AdvanceMilliseconds(std::uint32_t tickCount)
{
    // Before a wrap this is the zero-extended reading; after one it keeps counting upwards.
    const std::uint32_t step = tickCount - static_cast<std::uint32_t>(LastCount);
    Advance(LastCount + step, 1000);
}

void Timer::Advance(std::uint64_t now, std::uint64_t unitsPerSecond)
{
    DeltaCount = now - LastCount;
    AccumulatedCount += DeltaCount;
    LastCount = now;
    ++FrameCount;
    ElapsedSeconds = static_cast<double>(DeltaCount) / static_cast<double>(unitsPerSecond);

    if (AccumulatedCount >= unitsPerSecond)
    {
        // Whole seconds only; the remainder is dropped, not carried into the next interval.
        const std::uint64_t seconds = AccumulatedCount / unitsPerSecond;
        FramesPerSecond = static_cast<std::uint32_t>(FrameCount / seconds);
        AccumulatedCount = 0;
        FrameCount = 0;
    }
}
} // namespace Vexa
