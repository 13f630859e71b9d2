// A manual clock drives every time function while it is installed.
#include "platform/Clock.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(ClockTest, ManualClockMovesOnlyWhenAdvanced) {
    ManualClock clock(5'000'000, 1000);
    EXPECT_TRUE(ManualClock::IsInstalled());
    EXPECT_EQ(PerformanceCounter(), 5'000'000);
    EXPECT_EQ(TimeGetTime(), 5000u);
    EXPECT_EQ(CalendarTime(), 1000);

    clock.AdvanceMilliseconds(1500);
    EXPECT_EQ(PerformanceCounter(), 6'500'000);
    EXPECT_EQ(TimeGetTime(), 6500u);
    EXPECT_EQ(CalendarTime(), 1001);

    clock.SetCalendarTime(50);
    clock.AdvanceMilliseconds(2000);
    EXPECT_EQ(CalendarTime(), 52);
}

TEST(ClockTest, SystemClockIsMonotonic) {
    ASSERT_FALSE(ManualClock::IsInstalled());
    int64_t a = PerformanceCounter();
    Sleep(2);
    int64_t b = PerformanceCounter();
    EXPECT_GE(b - a, 2 * PerformanceFrequency() / 1000);
}
