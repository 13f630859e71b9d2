// The program's clocks: a performance counter, a millisecond clock standing for
// timeGetTime and the calendar time in seconds. Tests install a ManualClock so
// that timers, animations and search times move only when the test says so.
#pragma once

#include <chrono>
#include <cstdint>

namespace platform {

// Ticks of the performance counter; PerformanceFrequency() ticks are one second.
int64_t PerformanceCounter();
int64_t PerformanceFrequency();

// Milliseconds since an arbitrary start, wrapping at 2^32 like timeGetTime.
uint32_t TimeGetTime();

// Seconds of calendar time (the C library's 64-bit time()).
int64_t CalendarTime();

// Sleeps for real time; it never moves a manual clock, because the threads
// that sleep (sound workers, Stop's polling) wait for other threads, not for
// the test's clock.
void Sleep(uint32_t milliseconds);

// While one exists, every clock above reads it instead of the system. It starts
// at the given counter value and calendar time, and moves only by Advance.
// Reading and advancing are safe from any thread.
class ManualClock {
public:
    explicit ManualClock(int64_t startMicroseconds = 1'000'000'000,
                         int64_t calendarSeconds = 1'204'726'020 /* 05-Mar-2008 14:07 UTC */);
    ~ManualClock();
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    void Advance(std::chrono::microseconds step);
    void AdvanceMilliseconds(int64_t milliseconds) {
        Advance(std::chrono::milliseconds(milliseconds));
    }
    void SetCalendarTime(int64_t seconds);

    // True while a manual clock is installed.
    static bool IsInstalled();
};

} // namespace platform
