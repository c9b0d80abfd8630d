// What the system under test can do, for the tests that need a service only
// some systems have (a Windows build runs the same tests under Wine). Each
// check tries the service itself, so a test skips where it cannot run, with
// the reason, and runs everywhere else:
//   if (!HasNamedPipes()) GTEST_SKIP() << "no named pipes on this system";
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "PexPlatform.h"
#include "TestSystem.h"

namespace capability {

// A scratch name in the temporary folder, unique to this process.
inline std::string ScratchName(const char* Name) {
    const char* Folder = std::getenv("TMPDIR");
    std::string Path = Folder != nullptr && Folder[0] != '\0' ? Folder : "/tmp";
    return Path + "/pex-capability-" + std::to_string(getpid()) + "-" + Name;
}

}  // namespace capability

// A per-process limit on the size of the files it writes (setrlimit), which
// the tests use to make a write fail half-way, as on a full disk.
inline bool HasFileSizeLimit() {
    rlimit Limit;
    return getrlimit(RLIMIT_FSIZE, &Limit) == 0 && setrlimit(RLIMIT_FSIZE, &Limit) == 0;
}

// Named pipes in the file system (mkfifo).
inline bool HasNamedPipes() {
    const std::string Pipe = capability::ScratchName("pipe");
    std::remove(Pipe.c_str());
    const bool Made = mkfifo(Pipe.c_str(), 0600) == 0;
    std::remove(Pipe.c_str());
    return Made;
}

// POSIX file modes: a file made with mode 0600 has that mode.
inline bool HasFileModes() {
    const std::string Path = capability::ScratchName("mode");
    std::remove(Path.c_str());
    { std::ofstream File(Path); }
    struct stat Info;
    const bool Kept = chmod(Path.c_str(), 0600) == 0 && stat(Path.c_str(), &Info) == 0 &&
                      (Info.st_mode & 0777) == 0600;
    std::remove(Path.c_str());
    return Kept;
}

// Paths the program is given with '/' come back from it as written (the
// system's own separator is '/'), so a test can compare them as text.
inline bool KeepsPathsAsWritten() {
    return PlatformPathDelim == '/';
}

// std::system runs its command through a POSIX shell: an assignment before a
// command is taken as one.
inline bool HasPosixShell() {
    return std::system("PEX_PROBE=1 true") == 0;
}

// The ALSA sound system (Linux's), whose library the sound output loads.
inline bool HasAlsa() {
    void* Alsa = PlatformLoadLibrary("libasound.so.2");
    if (Alsa == nullptr) return false;
    PlatformFreeLibrary(Alsa);
    return true;
}
