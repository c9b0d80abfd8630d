// Whole-file reading and writing for tests that check the files the units write.
#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <fstream>
#include <sstream>
#include <string>

inline std::string ReadBytes(const std::string& Path) {
    std::ifstream File(Path, std::ios::binary);
    std::stringstream Buffer;
    Buffer << File.rdbuf();
    return Buffer.str();
}

inline void WriteBytes(const std::string& Path, const std::string& Bytes) {
    std::ofstream File(Path, std::ios::binary | std::ios::trunc);
    File << Bytes;
}

// While alive, no file of this process may grow past Bytes: a write beyond it
// fails with EFBIG, as on a full disk (the signal that would end the process is
// ignored meanwhile).
struct TFileSizeLimit {
    explicit TFileSizeLimit(rlim_t Bytes) {
        getrlimit(RLIMIT_FSIZE, &Saved);
        SavedHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit Limit = Saved;
        Limit.rlim_cur = Bytes;
        setrlimit(RLIMIT_FSIZE, &Limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &Saved);
        signal(SIGXFSZ, SavedHandler);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

    rlimit Saved;
    void (*SavedHandler)(int);
};
