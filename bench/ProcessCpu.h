// The CPU time of this process for the timed benchmarks: user plus system time of every thread
// (a renderer's worker threads included), from /proc/self/stat.
#pragma once

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

inline double ProcessCpuSeconds() {
    std::ifstream file("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The command name may hold spaces; the fields after it are plain.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}
