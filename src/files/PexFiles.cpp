#include "PexFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <stdexcept>

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
    return PlatformTryReplaceFile(FileName, Text);
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
