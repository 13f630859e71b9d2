// The system's termination signals: each of the three asks for one close of
// the window, however many arrive, and the handlers before ours come back.
#include "platform/window/TerminationSignals.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "platform/MessageQueue.h"
#include "platform/WinCodes.h"

namespace {

using namespace platform;

volatile std::sig_atomic_t earlierHandlerRan = 0;
void EarlierHandler(int) {
    earlierHandlerRan = 1;
}

// The messages that arrive within a moment, the watching thread being
// another thread.
std::vector<uint32_t> MessagesSoon(std::chrono::milliseconds wait) {
    WaitForMessage(wait);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<uint32_t> messages;
    Message message;
    while (PeekMessage(message))
        messages.push_back(message.message);
    return messages;
}

TEST(TerminationSignalsTest, TheFirstRequestClosesTheWindowOnceAndTheEarlierHandlersComeBack) {
    ClearMessages();
    struct sigaction earlier {};
    earlier.sa_handler = EarlierHandler;
    sigemptyset(&earlier.sa_mask);
    struct sigaction saved[3];
    const int signals[] = {SIGTERM, SIGINT, SIGHUP};
    for (int i = 0; i < 3; ++i)
        sigaction(signals[i], &earlier, &saved[i]);

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_TRUE(StartTerminationRequests());
        for (int signalNumber : {SIGHUP, SIGTERM, SIGINT, SIGHUP})
            std::raise(signalNumber);
        EXPECT_EQ(MessagesSoon(std::chrono::seconds(5)), std::vector<uint32_t>{WM_CLOSE});
        StopTerminationRequests();
    }

    earlierHandlerRan = 0;
    std::raise(SIGHUP);
    EXPECT_EQ(earlierHandlerRan, 1);
    EXPECT_TRUE(MessagesSoon(std::chrono::milliseconds(200)).empty());
    for (int i = 0; i < 3; ++i)
        sigaction(signals[i], &saved[i], nullptr);
}

} // namespace
