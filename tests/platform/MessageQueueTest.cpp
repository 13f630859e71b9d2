// Posting from other threads, registration, and the order of messages.
#include "platform/MessageQueue.h"
#include "platform/WinCodes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace platform;

class MessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override { ClearMessages(); }
    void TearDown() override { ClearMessages(); }
};

TEST_F(MessageQueueTest, RegisteredNumbersAreStablePerName) {
    uint32_t play = RegisterWindowMessage(L"TEST_PLAY");
    uint32_t stop = RegisterWindowMessage(L"TEST_STOP");
    EXPECT_GE(play, WM_REGISTERED_FIRST);
    EXPECT_NE(play, stop);
    EXPECT_EQ(RegisterWindowMessage(L"TEST_PLAY"), play);
}

TEST_F(MessageQueueTest, MessagesFromManyThreadsAllArriveInPostOrderPerThread) {
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i)
                PostMessage(WM_NULL, static_cast<uint32_t>(t), i);
        });
    for (auto& thread : threads)
        thread.join();

    std::vector<int> next(kThreads, 0);
    Message m;
    int count = 0;
    while (PeekMessage(m)) {
        ASSERT_EQ(m.lParam, next[m.wParam]++);
        ++count;
    }
    EXPECT_EQ(count, kThreads * kEach);
}

TEST_F(MessageQueueTest, WaitReturnsWhenAnotherThreadPosts) {
    std::atomic<int> wakes{0};
    SetMessageWaker([&wakes] { ++wakes; });
    std::thread poster([] { PostQuitMessage(7); });
    EXPECT_TRUE(WaitForMessage(std::chrono::seconds(5)));
    poster.join();
    SetMessageWaker({});

    Message m;
    ASSERT_TRUE(PeekMessage(m));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(wakes.load(), 1);
    EXPECT_FALSE(WaitForMessage(std::chrono::microseconds(0)));
}
