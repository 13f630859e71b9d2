// One sink for the program's debug lines (what Windows sends to the debugger): sound
// start and stop lines, the frame-rate line at shutdown. They go to stderr;
// a test can capture them instead.
#pragma once

#include <string>

namespace platform {

// Writes the text as it stands (callers add their own line feeds). Safe from
// any thread: the sound workers write here too.
void OutputDebugString(const std::wstring& text);

// While one exists, debug lines are collected here instead of going to stderr.
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    std::wstring Text() const;
    void Clear();
};

} // namespace platform
