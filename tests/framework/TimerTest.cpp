#include "FakeTimerService.h"
#include "framework/Timer.h"

#include <gtest/gtest.h>

#include <vector>

TEST(FakeTimers, FireOnlyWhenTimeAdvancesAndInOrder)
{
    FakeTimerService service;
    std::vector<int> fired;
    Timer fast(20);
    Timer slow(50);
    fast.OnTimer = [&] { fired.push_back(20); };
    slow.OnTimer = [&] { fired.push_back(50); };

    service.Advance(19);
    EXPECT_TRUE(fired.empty());
    // Now 100: fast at 20..100, slow at 50 and 100; timers due together fire in the order they
    // were armed.
    service.Advance(81);
    EXPECT_EQ(fired, (std::vector<int>{20, 20, 50, 20, 20, 50, 20}));
}

TEST(FakeTimers, DisabledAndRestartedTimers)
{
    FakeTimerService service;
    int ticks = 0;
    Timer timer(500, false);
    timer.OnTimer = [&] { ++ticks; };
    service.Advance(1000);
    EXPECT_EQ(ticks, 0);

    timer.SetEnabled(true);
    service.Advance(300);
    timer.SetEnabled(false);
    timer.SetEnabled(true); // restarts the interval from now
    service.Advance(300);
    EXPECT_EQ(ticks, 0);
    service.Advance(200);
    EXPECT_EQ(ticks, 1);
}

TEST(FakeTimers, HandlerMayStopOrDeleteItsTimer)
{
    FakeTimerService service;
    int ticks = 0;
    Timer timer(100);
    timer.OnTimer = [&] {
        ++ticks;
        timer.SetEnabled(false);
    };
    service.Advance(1000);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(service.IsRunning(&timer));

    auto owned = std::make_unique<Timer>(100);
    owned->OnTimer = [&] { owned.reset(); };
    service.Advance(1000);
    EXPECT_EQ(owned, nullptr);
}

TEST(FakeTimers, ZeroIntervalNeverFires)
{
    FakeTimerService service;
    int ticks = 0;
    Timer timer(100);
    timer.OnTimer = [&] { ++ticks; };
    timer.SetInterval(0);
    service.Advance(1000);
    EXPECT_EQ(ticks, 0);
}
