// System and manual clocks behind the program's time functions.
#include "platform/Clock.h"

#include <atomic>
#include <cassert>
#include <ctime>
#include <thread>

namespace platform {
namespace {

// The counter runs in microseconds: (now − start) × 60000 stays within 64 bits
// for thousands of years, which the animation arithmetic relies on.
constexpr int64_t kTicksPerSecond = 1'000'000;

std::atomic<bool> manualInstalled{false};
std::atomic<int64_t> manualMicroseconds{0};
std::atomic<int64_t> manualStartMicroseconds{0};
std::atomic<int64_t> manualCalendarStart{0};

int64_t SystemMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

int64_t PerformanceCounter() {
    if (manualInstalled.load(std::memory_order_acquire))
        return manualMicroseconds.load(std::memory_order_acquire);
    return SystemMicroseconds();
}

int64_t PerformanceFrequency() { return kTicksPerSecond; }

uint32_t TimeGetTime() { return static_cast<uint32_t>(PerformanceCounter() / 1000); }

int64_t CalendarTime() {
    if (manualInstalled.load(std::memory_order_acquire)) {
        int64_t elapsed = manualMicroseconds.load() - manualStartMicroseconds.load();
        return manualCalendarStart.load() + elapsed / kTicksPerSecond;
    }
    return static_cast<int64_t>(std::time(nullptr));
}

void Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

ManualClock::ManualClock(int64_t startMicroseconds, int64_t calendarSeconds) {
    assert(!manualInstalled.load() && "Only one ManualClock may exist at a time");
    manualMicroseconds.store(startMicroseconds);
    manualStartMicroseconds.store(startMicroseconds);
    manualCalendarStart.store(calendarSeconds);
    manualInstalled.store(true, std::memory_order_release);
}

ManualClock::~ManualClock() { manualInstalled.store(false, std::memory_order_release); }

void ManualClock::Advance(std::chrono::microseconds step) {
    manualMicroseconds.fetch_add(step.count(), std::memory_order_acq_rel);
}

void ManualClock::SetCalendarTime(int64_t seconds) {
    manualStartMicroseconds.store(manualMicroseconds.load());
    manualCalendarStart.store(seconds);
}

bool ManualClock::IsInstalled() { return manualInstalled.load(std::memory_order_acquire); }

} // namespace platform
