// The real clocks' first tick. Each variant seeds its reading once per process, so this program
// holds the only case that ticks them: it runs first whatever the order.
#include "Vexa2/Engine/vTimer.h"

#include <gtest/gtest.h>

TEST(Timer, FirstRealTickMeasuresAlmostNothingAndNoRate)
{
    Vexa::Timer timer;
    ASSERT_TRUE(timer.HasPerformanceCounter);
    timer.TickPerformanceCounter();
    EXPECT_LT(timer.ElapsedSeconds, 1.0);
    EXPECT_EQ(timer.FrameCount, 1u);
    EXPECT_EQ(timer.FramesPerSecond, 0u);

    Vexa::Timer ticks;
    ticks.TickMilliseconds();
    EXPECT_LT(ticks.ElapsedSeconds, 1.0);
    EXPECT_EQ(ticks.FrameCount, 1u);
    EXPECT_EQ(ticks.FramesPerSecond, 0u);
    EXPECT_NE(ticks.LastCount, 0u);
}
