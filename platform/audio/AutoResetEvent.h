// An auto-reset event for the sound workers: Set wakes one waiter, and a wait
// that returns signalled consumes the signal.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

class AutoResetEvent {
public:
    void Set() {
        {
            std::lock_guard guard(mutex);
            signalled = true;
        }
        wake.notify_one();
    }

    void Reset() {
        std::lock_guard guard(mutex);
        signalled = false;
    }

    // True when the event was signalled within the time-out.
    bool Wait(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        if (!wake.wait_for(lock, timeout, [this] { return signalled; }))
            return false;
        signalled = false;
        return true;
    }

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool signalled = false;
};

} // namespace platform
