#include "GuestUnit.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "EditorUnit.h"
#include "LevelUnit.h"
#include "LinkUnit.h"
#include "MainUnit.h"
#include "PexFiles.h"
#include "PexPlatform.h"
#include "StateUnit.h"
#include "VarsUnit.h"

static std::string GuestText;  // the guest level's file text, until InitGuest writes it
static bool GuestInUse = false;

// A level kept aside takes its file's name with this added (then "-2", ...).
static const char* const KeptSuffix = ".kept";

// On standard error and, where there is one, in a note on the page.
static void Tell(const std::string& Message) {
    std::fprintf(stderr, "pex: %s\n", Message.c_str());
    std::fflush(stderr);
    PlatformShowNote(Message);
}

bool PrepareGuestLevel(const std::string& LinkOrFile, std::string& Error) {
    TFieldGrid Grid;
    if (IsLevelLink(LinkOrFile)) {
        std::string Why;
        if (!ReadLevelLink(LinkOrFile, Grid, Why)) {
            Error = "cannot open the level link: " + Why;
            return false;
        }
    } else {
        std::string Text;
        if (!ReadFileText(LinkOrFile, Text, MaxLevelFileSize)) {
            Error = errno == EFBIG
                        ? "cannot open \"" + LinkOrFile + "\": it is larger than any level file (" +
                              std::to_string(MaxLevelFileSize) + " bytes)"
                        : ReadErrorText(LinkOrFile, errno);
            return false;
        }
        if (!ReadsAsLevel(Text) || !ReadLevelText(Text, Grid)) {
            Error = "cannot open \"" + LinkOrFile +
                    "\": it is no level file (nor a link, which holds \"#level=\")";
            return false;
        }
    }
    GuestText = LevelTextOf(Grid);
    return true;
}

bool GuestLevelInUse() {
    return GuestInUse;
}

// Before the guest file takes the level opened, an earlier guest level that
// differs, and changes to it that its journal kept, are kept beside it.
static void KeepEarlierGuest(const std::string& Path) {
    std::string Earlier;
    // A file the reader refuses is kept by the save itself (".unreadable").
    if (ReadFileText(Path, Earlier, MaxLevelFileSize) && Earlier != GuestText &&
        ReadsAsLevel(Earlier)) {
        const std::string Kept = PlatformKeepFile(Path, Path + KeptSuffix);
        if (Kept.empty())
            throw std::runtime_error("Cannot keep the earlier guest level \"" + Path +
                                     "\" before opening another: " + std::strerror(errno));
        Tell("the earlier guest level is kept as \"" + Kept + "\"");
    }
    const std::string Journal = JournalLevelOf(Path);
    if (Journal.empty()) return;
    if (Journal != GuestText) {
        const std::string Kept = PlatformCreateFileNamed(Path + KeptSuffix, Journal);
        if (Kept.empty())
            throw std::runtime_error(
                "Cannot keep the unsaved changes to the earlier guest level "
                "before opening another: " +
                std::string(std::strerror(errno)));
        Tell("the unsaved changes to the earlier guest level are kept as \"" + Kept + "\"");
    }
    RemoveFile(JournalPathOf(Path));
}

void KeepGuestAsOwn() {
    if (!GuestInUse) return;
    const std::string Guest = LevelFilePath();
    const std::string Own = LevelFilePathOf(OwnLevelName);
    const std::string Failed = "The guest level cannot be kept as your own: ";
    std::string Text;
    if (!ReadFileText(Guest, Text, MaxLevelFileSize)) {
        Tell(Failed + ReadErrorText(Guest, errno));
        return;
    }
    // The own level is kept whenever it is there and may differ.
    std::string Present;
    std::string Kept;
    if (ReadFileText(Own, Present, MaxLevelFileSize) ? Present != Text : errno != ENOENT) {
        Kept = PlatformKeepFile(Own, Own + KeptSuffix);
        if (Kept.empty()) {
            Tell(Failed + "your level \"" + Own +
                 "\" could not be kept aside: " + std::strerror(errno));
            return;
        }
    }
    try {
        SaveLevelText(Own, Text);
    } catch (const std::runtime_error& Error) {
        Tell(Failed + Error.what());
        return;
    }
    LevelName = OwnLevelName;
    GuestInUse = false;
    OnEveryUpdate = nullptr;
    EditorFollowLevelFile();
    PlatformTellLevelFile(LevelFilePath());
    Tell(Kept.empty() ? "The guest level is now your own level."
                      : "The guest level is now your own level; your earlier level is kept as \"" +
                            Kept + "\".");
}

void WatchGuestRequests() {
    if (PlatformKeepGuestAsked()) KeepGuestAsOwn();
}

void InitGuest() {
    if (!GuestText.empty()) {
        LevelName = GuestLevelName;
        const std::string Path = LevelFilePath();
        KeepEarlierGuest(Path);
        SaveLevelText(Path, GuestText);
        GuestText.clear();
        GuestInUse = true;
        FirstState = stGame;
        OnEveryUpdate = WatchGuestRequests;
    }
    PlatformTellLevelFile(LevelFilePath());
}

void DoneGuest() {
    GuestText.clear();
    GuestInUse = false;
    FirstState = stSplash;
    OnEveryUpdate = nullptr;
}
