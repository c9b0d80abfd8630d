// What every system's platform source shares: the error texts, the unique
// names of new files, and the atomic replace built on the new-file calls.
#include "PexPlatform.h"

#include <cstring>

std::string ReadErrorText(const std::string& FileName, int Reason) {
    return (IsReadFailure(Reason) ? "Cannot read file \"" : "Cannot open file \"") + FileName +
           "\". " + std::strerror(Reason);
}

std::runtime_error CreateFileError(const std::string& FileName, int Reason) {
    return std::runtime_error("Cannot create file \"" + FileName + "\". " + std::strerror(Reason));
}

std::string UniqueFileName(const std::string& Target, uint64_t Seed, int32_t Attempt) {
    static const char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr uint64_t LetterCount = sizeof(Letters) - 1;
    // splitmix64: a well-mixed value from a plain counter.
    uint64_t Bits = Seed + uint64_t(Attempt + 1) * 0x9E3779B97F4A7C15u;
    Bits = (Bits ^ (Bits >> 30)) * 0xBF58476D1CE4E5B9u;
    Bits = (Bits ^ (Bits >> 27)) * 0x94D049BB133111EBu;
    Bits ^= Bits >> 31;
    std::string Name = Target + ".";
    for (int32_t I = 0; I < 6; ++I) {
        Name += Letters[Bits % LetterCount];
        Bits /= LetterCount;
    }
    return Name;
}

void PlatformReplaceFile(const std::string& FileName, const std::string& Text) {
    TNewFile File;
    if (!PlatformCreateNewFile(FileName, File)) throw CreateFileError(FileName, errno);
    if (!PlatformWriteNewFile(File, Text.data(), Text.size())) {
        const int Reason = errno;
        PlatformDiscardNewFile(File);
        throw CreateFileError(FileName, Reason);
    }
    if (!PlatformCommitNewFile(File)) throw CreateFileError(FileName, errno);
}
