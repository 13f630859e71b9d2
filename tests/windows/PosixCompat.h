// The few POSIX calls the tests use for their surroundings (environment
// variables, private temporary folders), for the Windows build of the tests,
// which includes this header first in every test file.
#pragma once

#if defined(_WIN32)
#include <direct.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && getenv(name))
        return 0;
    return _putenv_s(name, value);
}

inline int unsetenv(const char* name) {
    return _putenv_s(name, "");
}

inline time_t timegm(struct tm* utc) {
    return _mkgmtime(utc);
}

inline char* mkdtemp(char* pattern) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        char candidate[1024];
        strncpy(candidate, pattern, sizeof candidate - 1);
        candidate[sizeof candidate - 1] = 0;
        if (_mktemp_s(candidate, strlen(candidate) + 1) != 0)
            return nullptr;
        if (_mkdir(candidate) == 0) {
            strcpy(pattern, candidate);
            return pattern;
        }
    }
    return nullptr;
}
#endif
