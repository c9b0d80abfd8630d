// What the platform's sources share among themselves and no unit calls: the
// counted file steps, the names new files take, the files a second signal
// removes and the POSIX path helpers. The units see PexPlatform.h alone.
#pragma once

#include <cstdint>
#include <string>

#include "PexPlatform.h"

// Counts a file step: the code it is to fail with (PlatformFailFileStep), 0
// when it is to be made.
int FileStepFault();
// A name made unique by six letters and digits from a counter mixed with the
// time and the process: the Attempt-th of the names tried for one file.
std::string UniqueFileName(const std::string& Target, uint64_t Seed, int32_t Attempt);
// The Attempt-th (0-based) name PlatformCreateFileNamed tries for Name.
std::string NumberedName(const std::string& Name, int32_t Attempt);
// The new files being written, which a second termination signal removes.
void AddPendingFile(const std::string& Name);
void DropPendingFile(const std::string& Name);
// Removes a file, as is safe to do in a signal handler.
void PlatformRemoveFileNow(const char* FileName);
// Makes a file that was just renamed into place last: on the disk, or in the
// browser's persistent store. False, with errno, when it cannot.
bool PlatformMakeDurable(const std::string& Target);
// The text of a symbolic link; empty when it cannot be read (POSIX file calls).
std::string ReadLinkText(const std::string& LinkName);
// The folder a path names a file in: "." for a bare name, "/" for the root's
// files (POSIX file calls).
std::string FolderOfFile(const std::string& Path);
