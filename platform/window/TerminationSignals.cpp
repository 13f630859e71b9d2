// Termination signals through a pipe: a handler may do almost nothing (no locks, no memory, no
// SDL), so it writes one byte, and a thread reading the pipe posts the close like any other
// thread posts a message.
#include "platform/window/TerminationSignals.h"

#include "platform/MessageQueue.h"
#include "platform/WinCodes.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
// The byte that tells the thread to end; signal numbers are never 0.
constexpr unsigned char kStopByte = 0;

// The pipe's write end as the handlers see it; −1 while nothing is installed.
std::atomic<int> writeEnd{-1};
int readEnd = -1;
struct sigaction previousActions[kSignalCount];
std::thread watcher;
bool running = false;

void OnTerminationSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // The write end does not block: when the pipe is full, a request is waiting already.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd.load(), &byte, 1);
    errno = savedErrno;
}

void WatchRequests(int pipe) {
    bool requested = false;
    for (;;) {
        unsigned char byte = kStopByte;
        const ssize_t n = ::read(pipe, &byte, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || byte == kStopByte)
            return;
        if (!requested) {
            requested = true;
            PostMessage(WM_CLOSE, 0, 0);
        }
    }
}

} // namespace

bool StartTerminationRequests() {
    if (running)
        return true;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        std::fprintf(stderr, "zeltarik: cannot watch for termination requests: %s\n",
                     std::strerror(errno));
        return false;
    }
    ::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) | O_NONBLOCK);
    readEnd = ends[0];
    writeEnd = ends[1];
    watcher = std::thread(WatchRequests, readEnd);

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    // Other threads' system calls go on after the handler; the three signals wait for each
    // other.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : kSignals)
        sigaddset(&action.sa_mask, signalNumber);
    for (int i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &action, &previousActions[i]);
    running = true;
    return true;
}

void StopTerminationRequests() {
    if (!running)
        return;
    running = false;
    for (int i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &previousActions[i], nullptr);
    const int pipe = writeEnd.exchange(-1);
    // Blocking until the byte is in: a full pipe still has room once the thread reads.
    ::fcntl(pipe, F_SETFL, ::fcntl(pipe, F_GETFL) & ~O_NONBLOCK);
    const unsigned char stop = kStopByte;
    while (::write(pipe, &stop, 1) < 0 && errno == EINTR) {
    }
    watcher.join();
    ::close(pipe);
    ::close(readEnd);
    readEnd = -1;
}

} // namespace platform
