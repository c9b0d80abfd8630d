// Resource limits for the tests' Windows build: Windows has no per-process
// file size limit, so setting one fails and the tests that need it are left
// out there (tests/win/WineSkips.cmake).
#pragma once

#include <cerrno>
#include <cstdint>

using rlim_t = uint64_t;
struct rlimit {
    rlim_t rlim_cur;
    rlim_t rlim_max;
};
#define RLIMIT_FSIZE 1
#define RLIM_INFINITY (~rlim_t(0))
#ifndef SIGXFSZ
#define SIGXFSZ SIGTERM
#endif

inline int getrlimit(int, struct rlimit* Limit) {
    Limit->rlim_cur = Limit->rlim_max = RLIM_INFINITY;
    return 0;
}

inline int setrlimit(int, const struct rlimit*) {
    errno = ENOSYS;
    return -1;
}
