// What the fuzz targets check beyond the sanitizers: a broken promise of the code under test ends
// the run with its reason, like a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace fuzz {

// The runs close the standard error stream (-close_fd_mask=2) to keep the decoders' messages about
// bad input out of the log; the reason for a failed check must still get out, so it goes to a copy
// taken before libFuzzer starts.
inline const int kReportStream = ::dup(2);

inline void Require(bool condition, const char* what) {
    if (condition)
        return;
    const int stream = kReportStream >= 0 ? kReportStream : 2;
    (void)!::write(stream, "fuzz check failed: ", 19);
    (void)!::write(stream, what, std::strlen(what));
    (void)!::write(stream, "\n", 1);
    std::abort();
}

} // namespace fuzz
