// What every system's platform source shares: the error texts, the unique
// names of new files, the atomic replace built on the new-file calls, the
// failing file steps, the run's files with the save policy, the new files
// being written, and the termination signals.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>

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

// Replaces the file through a new file; the reason it failed, or 0.
static int ReplaceFile(const std::string& FileName, const std::string& Text) {
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
    const int Reason = ReplaceFile(FileName, Text);
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

// ---- The run's files ---------------------------------------------------------

static bool WritesInMemory = false;
static bool Journal = false;
// Played run: the files written, by their name.
struct TMemoryFile {
    bool Present;  // false for a file the run removed
    std::string Text;
};
static std::map<std::string, TMemoryFile> Written;
static std::vector<std::string> JournalTexts;
// User's copies whose folder could not be made: each reads as its shipped file.
static std::map<std::string, std::string> ShippedInstead;

// One key for the spellings of one name ("a/./b", "a//b").
static std::string FileKey(const std::string& FileName) {
    return std::filesystem::path(FileName).lexically_normal().string();
}

void KeepWritesInMemory() {
    WritesInMemory = true;
}

void JournalWrites() {
    Journal = true;
}

std::vector<std::string> TakeWrittenTexts() {
    std::vector<std::string> Texts;
    Texts.swap(JournalTexts);
    return Texts;
}

void ForgetWrites() {
    WritesInMemory = false;
    Journal = false;
    Written.clear();
    JournalTexts.clear();
}

bool ReadFileText(const std::string& FileName, std::string& Text, size_t Limit) {
    const std::string Key = FileKey(FileName);
    if (WritesInMemory) {
        const auto Found = Written.find(Key);
        if (Found != Written.end()) {
            Text.clear();
            if (!Found->second.Present) {
                errno = ENOENT;
                return false;
            }
            if (Found->second.Text.size() > Limit) {
                errno = EFBIG;
                return false;
            }
            Text = Found->second.Text;
            return true;
        }
    }
    if (PlatformReadFile(FileName, Text, Limit)) return true;
    const auto Shipped = ShippedInstead.find(Key);
    if (errno != ENOENT || Shipped == ShippedInstead.end()) return false;
    return PlatformReadFile(Shipped->second, Text, Limit);
}

void RemoveFile(const std::string& FileName) {
    if (WritesInMemory) {
        Written[FileKey(FileName)] = TMemoryFile{false, std::string()};
        return;
    }
    PlatformRemoveFile(FileName);
}

// The reasons a present file could not be read that say nothing about its
// bytes: no file, or no regular file, which the write itself then refuses.
static bool NothingToKeep(int Reason) {
    return Reason == ENOENT || Reason == ENOTDIR || Reason == EISDIR || Reason == EINVAL;
}

// Gives the bytes of a present file the program could not read back a name of
// their own; the reason they could not be kept, or 0. A file that cannot be
// kept is not replaced.
static int KeepUnreadable(const std::string& FileName, const TSaveRules& Rules, bool Read,
                          int ReadReason, const std::string& Old) {
    const bool Unreadable =
        Read ? !Old.empty() && !Rules.Readable(Old) : !NothingToKeep(ReadReason);
    if (!Unreadable) return 0;
    const std::string Kept = PlatformKeepFile(FileName, FileName + ".unreadable");
    if (Kept.empty()) return errno;
    std::fprintf(stderr,
                 "pex: the %s file \"%s\" could not be read as a %s; its bytes are kept as "
                 "\"%s\"\n",
                 Rules.What, FileName.c_str(), Rules.What, Kept.c_str());
    std::fflush(stderr);
    return 0;
}

// The file's name without its folder.
static std::string BareName(const std::string& FileName) {
    const size_t Start = FileName.find_last_of("/\\");
    return Start == std::string::npos ? FileName : FileName.substr(Start + 1);
}

// Saves Text in the first recovery folder that takes it; the name, or empty
// with the reasons each place gave in Reasons.
static std::string SaveRecovery(const std::string& FileName, const std::string& Text,
                                std::string& Reasons) {
    char Stamp[32];
    const std::time_t Now = std::time(nullptr);
    std::strftime(Stamp, sizeof(Stamp), "%Y%m%d-%H%M%S", std::localtime(&Now));
    const std::vector<std::string> Folders = PlatformRecoveryFolders();
    if (Folders.empty()) Reasons = "no folder for recovered files can be made";
    for (const std::string& Folder : Folders) {
        const std::string Name = Folder + BareName(FileName) + ".recovered-" + Stamp;
        const std::string Taken = PlatformCreateFileNamed(Name, Text);
        if (!Taken.empty()) return Taken;
        Reasons += (Reasons.empty() ? "\"" : "; \"") + Folder + "\": " + std::strerror(errno);
    }
    return std::string();
}

// Writes the file; the reason it could not be written, or 0.
static int WriteFile(const std::string& FileName, const std::string& Text, const TSaveRules& Rules,
                     bool Read, int ReadReason, const std::string& Old) {
    if (Rules.Readable) {
        const int Reason = KeepUnreadable(FileName, Rules, Read, ReadReason, Old);
        if (Reason != 0) return Reason;
    }
    const size_t Separator = FileName.find_last_of("/\\");
    std::string Failed;
    if (Rules.MakeFolders && Separator != std::string::npos && Separator > 0 &&
        !PlatformMakeFolders(FileName.substr(0, Separator), Failed))
        return errno;
    return ReplaceFile(FileName, Text);
}

void SaveFile(const std::string& FileName, const std::string& Text, const TSaveRules& Rules) {
    if (Journal && Rules.Digested) JournalTexts.push_back(Text);
    if (WritesInMemory) {
        Written[FileKey(FileName)] = TMemoryFile{true, Text};
        return;
    }
    std::string Old;
    const bool Read = PlatformReadFile(FileName, Old, Rules.ReadLimit);
    const int ReadReason = Read ? 0 : errno;
    if (Read && Old == Text) return;  // a protected file that needs no change is no error
    const auto Shipped = ShippedInstead.find(FileKey(FileName));
    // The start said that such a file is not kept; only the user's work is.
    if (Shipped != ShippedInstead.end() && !Rules.Recover) return;
    const int Reason = WriteFile(FileName, Text, Rules, Read, ReadReason, Old);
    if (Reason == 0) return;
    if (Read && Rules.SaysTheSame && Rules.SaysTheSame(Old, Text)) return;
    const std::string Failure = CreateFileError(FileName, Reason).what();
    if (!Rules.Recover) throw std::runtime_error(Failure);
    std::string Reasons;
    const std::string Recovery = SaveRecovery(FileName, Text, Reasons);
    if (Recovery.empty())
        throw std::runtime_error(Failure + ". The " + Rules.What +
                                 " could not be saved anywhere else either: " + Reasons + ".");
    throw std::runtime_error(Failure + ". The " + Rules.What + " was saved to \"" + Recovery +
                             "\" instead.");
}

void WriteWholeFile(const std::string& FileName, const std::string& Text, bool MakeFolder) {
    TSaveRules Rules;
    Rules.MakeFolders = MakeFolder;
    SaveFile(FileName, Text, Rules);
}

static bool SaidShippedInstead = false;

void SeedUserFile(const std::string& Shipped, const std::string& UserCopy) {
    try {
        PlatformSeedFile(Shipped, UserCopy);
    } catch (const std::runtime_error& Error) {
        if (!SaidShippedInstead)
            std::fprintf(stderr,
                         "pex: %s. Pex plays with the files it was shipped with, and changes to "
                         "them are not kept\n",
                         Error.what());
        std::fflush(stderr);
        SaidShippedInstead = true;
        ShippedInstead[FileKey(UserCopy)] = Shipped;
    }
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
