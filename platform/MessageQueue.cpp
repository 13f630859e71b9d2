// A mutex-guarded queue with a condition variable for the loop's wait.
#include "platform/MessageQueue.h"

#include "platform/WinCodes.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

namespace platform {
namespace {

struct Queue {
    std::mutex mutex;
    std::condition_variable posted;
    std::deque<Message> messages;
    std::function<void()> waker;
    std::map<std::wstring, uint32_t> registered;
    uint32_t nextRegistered = WM_REGISTERED_FIRST;
};

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

} // namespace

uint32_t RegisterWindowMessage(const std::wstring& name) {
    Queue& q = TheQueue();
    std::lock_guard lock(q.mutex);
    if (auto it = q.registered.find(name); it != q.registered.end())
        return it->second;
    if (q.nextRegistered > WM_REGISTERED_LAST)
        return 0;
    uint32_t number = q.nextRegistered++;
    q.registered.emplace(name, number);
    return number;
}

bool PostMessage(uint32_t message, uint32_t wParam, int32_t lParam) {
    Queue& q = TheQueue();
    std::function<void()> waker;
    {
        std::lock_guard lock(q.mutex);
        q.messages.push_back(Message{message, wParam, lParam});
        waker = q.waker;
    }
    q.posted.notify_all();
    if (waker)
        waker();
    return true;
}

void PostQuitMessage(int exitCode) { PostMessage(WM_QUIT, static_cast<uint32_t>(exitCode), 0); }

bool PeekMessage(Message& message) {
    Queue& q = TheQueue();
    std::lock_guard lock(q.mutex);
    if (q.messages.empty())
        return false;
    message = q.messages.front();
    q.messages.pop_front();
    return true;
}

bool WaitForMessage(std::chrono::microseconds timeout) {
    Queue& q = TheQueue();
    std::unique_lock lock(q.mutex);
    return q.posted.wait_for(lock, timeout, [&q] { return !q.messages.empty(); });
}

size_t QueuedMessageCount() {
    Queue& q = TheQueue();
    std::lock_guard lock(q.mutex);
    return q.messages.size();
}

void ClearMessages() {
    Queue& q = TheQueue();
    std::lock_guard lock(q.mutex);
    q.messages.clear();
}

void SetMessageWaker(std::function<void()> waker) {
    Queue& q = TheQueue();
    std::lock_guard lock(q.mutex);
    q.waker = std::move(waker);
}

} // namespace platform
