// The debug sink and its capture for tests.
#include "platform/DebugOutput.h"

#include "platform/TextCodec.h"

#include <cassert>
#include <cstdio>
#include <mutex>

namespace platform {
namespace {
std::mutex sinkMutex;
bool capturing = false;
std::wstring captured;
} // namespace

void OutputDebugString(const std::wstring& text) {
    std::lock_guard lock(sinkMutex);
    if (capturing) {
        captured += text;
        return;
    }
    std::string utf8 = WideToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

DebugOutputCapture::DebugOutputCapture() {
    std::lock_guard lock(sinkMutex);
    assert(!capturing && "Only one DebugOutputCapture may exist at a time");
    capturing = true;
    captured.clear();
}

DebugOutputCapture::~DebugOutputCapture() {
    std::lock_guard lock(sinkMutex);
    capturing = false;
    captured.clear();
}

std::wstring DebugOutputCapture::Text() const {
    std::lock_guard lock(sinkMutex);
    return captured;
}

void DebugOutputCapture::Clear() {
    std::lock_guard lock(sinkMutex);
    captured.clear();
}

} // namespace platform
