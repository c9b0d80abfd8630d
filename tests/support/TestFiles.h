// Whole files for tests: writing what a unit reads and reading back what it
// wrote. Both raise when the file cannot be opened, read or written, so that a
// test never goes on with an empty or partial file by mistake.
#pragma once

#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <stdexcept>
#include <string>

#include "TestSystem.h"

inline std::string ReadBytes(const std::string& Path) {
    std::ifstream File(Path, std::ios::binary);
    if (!File) throw std::runtime_error("test cannot open \"" + Path + "\"");
    std::ostringstream Buffer;
    if (File.peek() != std::ifstream::traits_type::eof()) Buffer << File.rdbuf();
    if (File.bad()) throw std::runtime_error("test cannot read \"" + Path + "\"");
    return Buffer.str();
}

inline void WriteBytes(const std::string& Path, const std::string& Bytes) {
    std::ofstream File(Path, std::ios::binary | std::ios::trunc);
    File.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    File.close();
    if (!File) throw std::runtime_error("test cannot write \"" + Path + "\"");
}

// While alive, no file of this process may grow past Bytes: a write beyond it
// fails with EFBIG, as on a full disk (the signal that would end the process is
// ignored meanwhile). Where the system has no such limit (HasFileSizeLimit),
// nothing changes.
struct TFileSizeLimit {
    explicit TFileSizeLimit(rlim_t Bytes) {
        getrlimit(RLIMIT_FSIZE, &Saved);
#ifdef SIGXFSZ
        SavedHandler = signal(SIGXFSZ, SIG_IGN);
#endif
        rlimit Limit = Saved;
        Limit.rlim_cur = Bytes;
        setrlimit(RLIMIT_FSIZE, &Limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &Saved);
#ifdef SIGXFSZ
        signal(SIGXFSZ, SavedHandler);
#endif
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

    rlimit Saved;
    void (*SavedHandler)(int);
};

// Runs Read, which reads the pipe at FifoPath, and tells whether it returned on
// its own within a generous bound. A reader stuck waiting for a writer is freed
// by opening and closing the pipe's writing end, so a failing test ends too.
inline bool ReturnsWithoutAWriter(const std::string& FifoPath, const std::function<void()>& Read) {
    std::future<void> Done = std::async(std::launch::async, Read);
    if (Done.wait_for(std::chrono::seconds(20)) == std::future_status::ready) {
        Done.get();
        return true;
    }
    while (Done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        const int Writer = open(FifoPath.c_str(), O_WRONLY | O_NONBLOCK);
        if (Writer >= 0) close(Writer);
    }
    Done.get();
    return false;
}
