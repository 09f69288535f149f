#pragma once
// Frame timer: duration of the last frame and a whole-number frame rate.
#include <cstdint>

namespace Vexa
{
class Timer
{
public:
    Timer();

    // One tick per frame; Frame picks the variant by HasPerformanceCounter.
    void TickPerformanceCounter();
    void TickMilliseconds();

    // The arithmetic of one tick, given the source's reading `now` in units of
    // `unitsPerSecond`. The Tick variants read their clock and call this.
    void Advance(std::uint64_t now, std::uint64_t unitsPerSecond);
    // Millisecond tick from a 32-bit tick count: the step is the unsigned 32-bit difference,
    // so a wrap of the tick count (every 49.7 days) still measures the true step.
    void AdvanceMilliseconds(std::uint32_t tickCount);

    std::uint64_t LastCount;
    std::uint64_t AccumulatedCount;
    std::uint64_t DeltaCount;
    std::uint64_t Frequency;
    bool HasPerformanceCounter;
    double ElapsedSeconds;
    std::uint32_t FrameCount;
    std::uint32_t FramesPerSecond;
};
} // namespace Vexa
