// Frame timer arithmetic with a controlled clock (the real clocks' first tick: FirstTickTest.cpp).
#include "Vexa2/Engine/vTimer.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace
{
const std::uint64_t Frequency = 10000000; // counts per second, as Wine reports it

// A timer whose first reading was taken at `start` (what the first Tick of a variant does).
Vexa::Timer StartedAt(std::uint64_t start)
{
    Vexa::Timer timer;
    timer.LastCount = start;
    return timer;
}
} // namespace

TEST(Timer, ConstructionReadsTheCounterFrequencyAndZeroesTheRest)
{
    LARGE_INTEGER frequency;
    const bool hasCounter = QueryPerformanceFrequency(&frequency) != 0;
    Vexa::Timer timer;
    EXPECT_EQ(timer.HasPerformanceCounter, hasCounter);
    EXPECT_EQ(timer.Frequency, static_cast<std::uint64_t>(frequency.QuadPart));
    EXPECT_EQ(timer.LastCount, 0u);
    EXPECT_EQ(timer.AccumulatedCount, 0u);
    EXPECT_EQ(timer.DeltaCount, 0u);
    EXPECT_EQ(timer.ElapsedSeconds, 0.0);
    EXPECT_EQ(timer.FrameCount, 0u);
    EXPECT_EQ(timer.FramesPerSecond, 0u);
}

TEST(Timer, FramesOf20MsGive51ForTheFirstIntervalThen50)
{
    const std::uint64_t start = 123456789;
    Vexa::Timer timer = StartedAt(start);
    const std::uint64_t step = Frequency / 50;

    timer.Advance(start, Frequency); // the first frame measures nothing
    EXPECT_EQ(timer.ElapsedSeconds, 0.0);
    for (int frame = 1; frame < 50; ++frame)
        timer.Advance(start + frame * step, Frequency);
    EXPECT_EQ(timer.FramesPerSecond, 0u); // 0.98 s: no interval closed yet
    EXPECT_EQ(timer.FrameCount, 50u);

    timer.Advance(start + 50 * step, Frequency);
    EXPECT_EQ(timer.FramesPerSecond, 51u);
    EXPECT_EQ(timer.FrameCount, 0u);
    EXPECT_EQ(timer.AccumulatedCount, 0u);
    EXPECT_DOUBLE_EQ(timer.ElapsedSeconds, 0.02);
    EXPECT_EQ(timer.DeltaCount, step);

    for (int frame = 51; frame < 100; ++frame)
    {
        timer.Advance(start + frame * step, Frequency);
        EXPECT_EQ(timer.FramesPerSecond, 51u); // held until the next interval closes
    }
    timer.Advance(start + 100 * step, Frequency);
    EXPECT_EQ(timer.FramesPerSecond, 50u);
}

TEST(Timer, ThirtyFramesInThe1Point02SecondsGive30)
{
    Vexa::Timer timer = StartedAt(0);
    timer.Advance(0, Frequency);
    for (int frame = 1; frame <= 29; ++frame)
        timer.Advance(static_cast<std::uint64_t>(frame) * 10200000 / 29, Frequency);
    EXPECT_EQ(timer.FramesPerSecond, 30u);
}

TEST(Timer, AnIntervalClosedAt2Point3SecondsDividesByTwoWholeSeconds)
{
    Vexa::Timer timer = StartedAt(0);
    for (int frame = 0; frame < 29; ++frame)
        timer.Advance(static_cast<std::uint64_t>(frame) * Frequency / 100, Frequency);
    EXPECT_EQ(timer.FramesPerSecond, 0u);
    timer.Advance(23000000, Frequency); // 30th frame ends at 2.3 s
    EXPECT_EQ(timer.FramesPerSecond, 15u);
    EXPECT_EQ(timer.AccumulatedCount, 0u); // the 0.3 s beyond whole seconds is dropped
}

TEST(Timer, ALongFrameClosesAnIntervalOfTwoSeconds)
{
    Vexa::Timer timer = StartedAt(0);
    for (int frame = 1; frame <= 4; ++frame)
        timer.Advance(static_cast<std::uint64_t>(frame) * Frequency / 20, Frequency); // 4 x 50 ms
    timer.Advance(2000000 + 25000000, Frequency);                                     // one 2.5 s frame
    EXPECT_DOUBLE_EQ(timer.ElapsedSeconds, 2.5);
    EXPECT_EQ(timer.FramesPerSecond, 2u); // 5 frames / 2 s, truncated
}

TEST(Timer, MillisecondsUseTheTickUnitsAndSurviveTheTickCountWrap)
{
    Vexa::Timer timer = StartedAt(0xFFFFFFF0u);
    timer.AdvanceMilliseconds(0xFFFFFFF0u);
    EXPECT_EQ(timer.ElapsedSeconds, 0.0);

    timer.AdvanceMilliseconds(0x00000010u); // 32 ms later, across the wrap
    EXPECT_EQ(timer.DeltaCount, 32u);
    EXPECT_DOUBLE_EQ(timer.ElapsedSeconds, 0.032);

    timer.AdvanceMilliseconds(0x00000010u + 1000u);
    EXPECT_EQ(timer.FramesPerSecond, 3u);
    EXPECT_EQ(timer.AccumulatedCount, 0u);

    // Below the tick resolution a frame measures 0.
    timer.AdvanceMilliseconds(0x00000010u + 1000u);
    EXPECT_EQ(timer.ElapsedSeconds, 0.0);
}
