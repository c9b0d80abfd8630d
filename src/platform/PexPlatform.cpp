// What every system's platform source shares: the error texts, the unique
// names of new files, the atomic replace built on the new-file calls, the
// failing file steps, the new files being written, and the termination
// signals.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "PexPlatformInternal.h"

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

std::string NumberedName(const std::string& Name, int32_t Attempt) {
    return Attempt == 0 ? Name : Name + "-" + std::to_string(Attempt + 1);
}

int PlatformTryReplaceFile(const std::string& FileName, const std::string& Text) {
    TNewFile File;
    if (!PlatformCreateNewFile(FileName, File)) return errno;
    if (!PlatformWriteNewFile(File, Text.data(), Text.size())) {
        const int Reason = errno;
        PlatformDiscardNewFile(File);
        return Reason;
    }
    return PlatformCommitNewFile(File) ? 0 : errno;
}

void PlatformReplaceFile(const std::string& FileName, const std::string& Text) {
    const int Reason = PlatformTryReplaceFile(FileName, Text);
    if (Reason != 0) throw CreateFileError(FileName, Reason);
}

// ---- Failing file steps -----------------------------------------------------

static int64_t StepsTaken = 0;
static int64_t FailingStep = 0;
static int FailingCode = 0;
static bool FailingPersists = false;

void PlatformFailFileStep(int64_t Step, int Code, bool Persist) {
    StepsTaken = 0;
    FailingStep = Step;
    FailingCode = Code;
    FailingPersists = Persist;
}

int64_t PlatformFileSteps() {
    return StepsTaken;
}

int FileStepFault() {
    ++StepsTaken;
    if (FailingStep <= 0) return 0;
    const bool Fails = FailingPersists ? StepsTaken >= FailingStep : StepsTaken == FailingStep;
    return Fails ? FailingCode : 0;
}

// ---- New files being written -------------------------------------------------

// Their names, for the signal handler to remove: each slot's name is complete
// before the slot is marked used.
constexpr int32_t PendingSlots = 8;
constexpr size_t PendingNameSize = 4096;
static char PendingNames[PendingSlots][PendingNameSize];
static std::atomic<bool> PendingUsed[PendingSlots];

void AddPendingFile(const std::string& Name) {
    if (Name.size() >= PendingNameSize) return;
    for (int32_t Slot = 0; Slot < PendingSlots; ++Slot) {
        if (PendingUsed[Slot]) continue;
        std::memcpy(PendingNames[Slot], Name.c_str(), Name.size() + 1);
        PendingUsed[Slot] = true;
        return;
    }
}

void DropPendingFile(const std::string& Name) {
    for (int32_t Slot = 0; Slot < PendingSlots; ++Slot)
        if (PendingUsed[Slot] && Name == PendingNames[Slot]) PendingUsed[Slot] = false;
}

// Only what is safe in a signal handler.
static void RemovePendingFiles() {
    for (int32_t Slot = 0; Slot < PendingSlots; ++Slot)
        if (PendingUsed[Slot]) PlatformRemoveFileNow(PendingNames[Slot]);
}

// ---- Termination signals -----------------------------------------------------

constexpr int TerminationSignals[] = {
    SIGTERM, SIGINT,
#ifdef SIGHUP
    SIGHUP,  // the terminal or the session closed; Windows has none
#endif
};
constexpr size_t TerminationSignalCount =
    sizeof(TerminationSignals) / sizeof(TerminationSignals[0]);

using TSignalHandler = void (*)(int);
static TSignalHandler SavedHandlers[TerminationSignalCount];
// The last termination signal received, 0 for none, and which kinds came.
// Lock-free atomics rather than volatile flags: the system may run the handler
// on any thread, the audio and GL driver threads included.
static std::atomic<int> TerminationSignal{0};
static std::atomic<bool> Received[TerminationSignalCount];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

// The first signal of a kind is only noted. The second ends the program at once
// with that signal's usual status, without leaving a half-written new file.
static void OnTerminationSignal(int Signal) {
    for (size_t I = 0; I < TerminationSignalCount; ++I) {
        if (TerminationSignals[I] != Signal) continue;
        if (Received[I].exchange(true)) {
            RemovePendingFiles();
            std::signal(Signal, SIG_DFL);
            std::raise(Signal);
            return;
        }
        // Some systems put the default back before a handler runs.
        std::signal(Signal, OnTerminationSignal);
    }
    TerminationSignal = Signal;
}

void PlatformCatchTerminationSignals() {
    TerminationSignal = 0;
    for (size_t I = 0; I < TerminationSignalCount; ++I) {
        Received[I] = false;
        SavedHandlers[I] = std::signal(TerminationSignals[I], OnTerminationSignal);
        // Started under nohup or as a background job: the signal stays ignored.
        if (SavedHandlers[I] == SIG_IGN) std::signal(TerminationSignals[I], SIG_IGN);
    }
}

void PlatformReleaseTerminationSignals() {
    for (size_t I = 0; I < TerminationSignalCount; ++I)
        if (SavedHandlers[I] != SIG_ERR) std::signal(TerminationSignals[I], SavedHandlers[I]);
    TerminationSignal = 0;
}

int PlatformTerminationSignal() {
    return TerminationSignal;
}
