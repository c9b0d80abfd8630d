// The system calls the tests use, on every system the tests build for (a
// Windows build runs them under Wine). A test source includes it as it would
// the system's headers: on POSIX systems it is those headers; on Windows it
// gives the same calls in the system's own terms, and where Windows has no
// such service (named pipes in the file system, a per-process file size
// limit, user ids) the outcome a system without it gives, which the checks of
// Capabilities.h tell apart. The program itself needs none of this: its
// system services are in PexPlatform.
#pragma once

#ifndef _WIN32

#include <dlfcn.h>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

// The errors a failing file step is given (PlatformFailFileStep): a failed
// device, a full disk, a refusal, a name taken.
constexpr int FileStepErrors[] = {EIO, ENOSPC, EACCES, EEXIST};

#else

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>  // MinGW's: truncate and a few more
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <string>

// windows.h names these after its own calls, which would rename the units'.
#undef LoadMenu
#undef CreateFile

#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif

// The errors a failing file step is given (PlatformFailFileStep), in Windows'
// own codes: a failed device, a full disk, a refusal, a name taken.
constexpr int FileStepErrors[] = {ERROR_WRITE_FAULT, ERROR_DISK_FULL, ERROR_ACCESS_DENIED,
                                  ERROR_FILE_EXISTS};

inline int setenv(const char* Name, const char* Value, int Overwrite) {
    if (!Overwrite && getenv(Name) != nullptr) return 0;
    return _putenv_s(Name, Value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* Name) {
    return _putenv_s(Name, "") == 0 ? 0 : -1;
}

inline int getpid() {
    return _getpid();
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

// No user ids: never the superuser's.
inline int geteuid() {
    return 1000;
}

// No named pipes in the file system.
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

// No per-process file size limit: setting one fails.
using rlim_t = uint64_t;
struct rlimit {
    rlim_t rlim_cur;
    rlim_t rlim_max;
};
#define RLIMIT_FSIZE 1
#define RLIM_INFINITY (~rlim_t(0))

inline int getrlimit(int, struct rlimit* Limit) {
    Limit->rlim_cur = Limit->rlim_max = RLIM_INFINITY;
    return 0;
}

inline int setrlimit(int, const struct rlimit*) {
    errno = ENOSYS;
    return -1;
}

// std::system's status is the command's exit code itself.
#define WIFEXITED(Status) ((Status) != -1)
#define WEXITSTATUS(Status) (Status)

// Libraries: dlopen and its companions over the Windows calls.
#define RTLD_LAZY 0x1
#define RTLD_NOW 0x2
#define RTLD_LOCAL 0x0
#define RTLD_NOLOAD 0x4

// A library already loaded is named by its full path with backslashes.
inline std::string TestFullPath(const char* Path) {
    char Buffer[MAX_PATH * 4];
    const DWORD Length = GetFullPathNameA(Path, sizeof(Buffer), Buffer, nullptr);
    if (Length == 0 || Length >= sizeof(Buffer)) return Path;
    return std::string(Buffer, Length);
}

inline void* dlopen(const char* Path, int Flags) {
    if (Flags & RTLD_NOLOAD) {
        HMODULE Module = nullptr;
        if (!GetModuleHandleExA(0, TestFullPath(Path).c_str(), &Module)) return nullptr;
        return reinterpret_cast<void*>(Module);
    }
    return reinterpret_cast<void*>(LoadLibraryA(Path));
}

inline void* dlsym(void* Module, const char* Name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(Module), Name));
}

inline int dlclose(void* Module) {
    return FreeLibrary(static_cast<HMODULE>(Module)) ? 0 : -1;
}

inline const char* dlerror() {
    return "the library cannot be loaded";
}

#endif

#include <cstdlib>
#include <string>

// Sets an environment variable for one test and puts the old value back.
struct TVariable {
    TVariable(const char* Name, const std::string& Value) : Name(Name) {
        const char* Old = std::getenv(Name);
        Had = Old != nullptr;
        if (Had) Saved = Old;
        setenv(Name, Value.c_str(), 1);
    }
    ~TVariable() { Had ? setenv(Name, Saved.c_str(), 1) : unsetenv(Name); }
    TVariable(const TVariable&) = delete;
    TVariable& operator=(const TVariable&) = delete;
    const char* Name;
    bool Had;
    std::string Saved;
};
