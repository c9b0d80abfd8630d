// The few POSIX calls the tests use, for their Windows build (given to every
// test source with -include). The program itself needs none of them: its
// system services are in PexPlatform.
#pragma once

#include <direct.h>
#include <process.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>

#include <cerrno>
#include <cstdint>

inline int setenv(const char* Name, const char* Value, int Overwrite) {
    if (!Overwrite && getenv(Name) != nullptr) return 0;
    return _putenv_s(Name, Value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* Name) {
    return _putenv_s(Name, "") == 0 ? 0 : -1;
}

// A new folder from a template ending in XXXXXX.
inline char* mkdtemp(char* Template) {
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const size_t Length = strlen(Template);
    if (Length < 6) {
        errno = EINVAL;
        return nullptr;
    }
    static uint32_t Seed = static_cast<uint32_t>(_getpid()) * 2654435761u;
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
        for (size_t I = Length - 6; I < Length; ++I) {
            Seed = Seed * 1664525u + 1013904223u;
            Template[I] = Letters[(Seed >> 16) % (sizeof(Letters) - 1)];
        }
        if (_mkdir(Template) == 0) return Template;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

// No user ids on Windows: never the superuser's.
inline int geteuid() {
    return 1000;
}

// Windows has no named pipes in the file system.
inline int mkfifo(const char*, int) {
    errno = ENOSYS;
    return -1;
}

// What the tests ask of sigaction: the handler in place.
struct sigaction {
    void (*sa_handler)(int);
};

inline int sigaction(int Signal, const struct sigaction* Action, struct sigaction* Old) {
    void (*Previous)(int) = signal(Signal, Action != nullptr ? Action->sa_handler : SIG_DFL);
    if (Previous == SIG_ERR) return -1;
    if (Action == nullptr) signal(Signal, Previous);
    if (Old != nullptr) Old->sa_handler = Previous;
    return 0;
}

#include <fcntl.h>
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
