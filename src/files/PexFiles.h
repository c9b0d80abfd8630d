// PexFiles: the run's files, what the units call to read and write their
// files. Normally the disk, through the platform face; while a demo plays, the
// files the run writes stay in memory (KeepWritesInMemory). A save follows one
// policy (SaveFile): the present file is kept when the program could not read
// it back, the new text replaces it atomically, and when it cannot, the text
// goes to the recovery folders; the message says where the user's work is.
//
// Owns: the played run's files in memory, the journal of written texts, and
// the user's copies that read as their shipped files.
// Uses: PexPlatform (reading, replacing, keeping and naming files; the
// recovery folders; seeding the user's copies).
// No initialisation; ForgetWrites drops what a played run kept.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "PexPlatform.h"

// Reads a file whole as PlatformReadFile does (false, with errno, for a file it
// cannot use, Limit included), through the view of the files the run has.
bool ReadFileText(const std::string& FileName, std::string& Text, size_t Limit = MaxWholeFileSize);

// How SaveFile treats the file it replaces and a write that fails.
struct TSaveRules {
    // What the file holds, for messages ("level").
    const char* What = "file";
    // The longest file the program reads back.
    size_t ReadLimit = MaxWholeFileSize;
    // Whether the program can read bytes of the file back. A present file it
    // cannot (or one over ReadLimit, or one that cannot be read at all) keeps
    // its bytes beside it as "<name>.unreadable" (PlatformKeepFile) before it
    // is replaced; null: any file may be replaced.
    bool (*Readable)(const std::string& Text) = nullptr;
    // Whether a present file already says what the new text says. When the file
    // cannot be written but does, that is no error; null: only the same bytes.
    bool (*SaysTheSame)(const std::string& Old, const std::string& Text) = nullptr;
    // When the file cannot be written, the text is saved in the first recovery
    // folder that takes it as "<name>.recovered-DATE-TIME".
    bool Recover = false;
    // Missing folders of the file are made first (for this user alone).
    bool MakeFolders = false;
    // The text is one of the run's outcomes that a demo's digest covers.
    bool Digested = true;
};

// Saves Text as FileName by Rules. A file that holds Text already is left as
// it is. Raises std::runtime_error when the file could not be written: the
// message names the file and the reason, and where the text was saved instead,
// or that it could not be saved anywhere and why.
void SaveFile(const std::string& FileName, const std::string& Text, const TSaveRules& Rules);

// Replaces the file with Text (SaveFile with no further rules, but a folder
// made when asked). Raises "Cannot create file "<name>". <reason>".
void WriteWholeFile(const std::string& FileName, const std::string& Text, bool MakeFolder = false);
constexpr bool MakeMissingFolder = true;

// Removes a file the run wrote; in a played demo's run, from its memory.
void RemoveFile(const std::string& FileName);

// Gives the user a copy of a shipped file on first use (PlatformSeedFile). When
// the user's folder cannot be made (no home), one line on standard error says
// so, reading the user's copy gives the shipped file, and the settings-like
// files (saved without Recover) are not written: the run goes on with what was
// shipped.
void SeedUserFile(const std::string& Shipped, const std::string& UserCopy);

// A played run leaves the disk as it is: from here on every write stays in
// memory, and a later read of a file the run wrote gives the bytes it wrote, so
// that the run goes on as the recorded one did. Off again at ForgetWrites.
void KeepWritesInMemory();
// From here on the text of every digested write is kept, in order, until taken.
void JournalWrites();
// The texts written since the last call, oldest first.
std::vector<std::string> TakeWrittenTexts();
// Back to the disk alone: the writes kept in memory and the journal are dropped.
void ForgetWrites();
