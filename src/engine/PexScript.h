// PexScript: every whole-file read and write of the program, splitting text
// into tokens and converting tokens to integers.
//
// Owns: the view of the files the program has while a demo runs (the files
// written by a played run, kept in memory, and the journal of written texts).
// Uses: PexPlatform (reading, replacing and keeping files).
// No initialisation or finalisation: a run sees the disk until a demo asks for
// another view (KeepWritesInMemory, JournalWrites).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PexPlatform.h"

// ---- Whole files -------------------------------------------------------------

// Fills Text with the file's bytes; empty when the file is empty, cannot be
// opened or read, is not a regular file, or is larger than MaxWholeFileSize
// (PexPlatform). No error is raised.
void ReadWholeFile(const std::string& FileName, std::string& Text);

// Reads a file whole as PlatformReadFile does (false, with errno, for a file it
// cannot use, Limit included), through the view of the files the run has.
bool ReadFileText(const std::string& FileName, std::string& Text, size_t Limit = MaxWholeFileSize);

// Replaces the file with Text through a new file of a unique name beside it and
// a rename, so a failed or interrupted write leaves the earlier file whole; a
// symbolic link is followed to the file it names, and an existing file the
// user may not write is refused. With MakeFolder, a missing folder is made
// first. Raises "Cannot create file "<name>". <reason>" when the file cannot be
// written.
void WriteWholeFile(const std::string& FileName, const std::string& Text, bool MakeFolder = false);
constexpr bool MakeMissingFolder = true;
// The same, but a file that holds Text already is left as it is: a file that
// is protected but needs no change is no error.
void WriteChangedFile(const std::string& FileName, const std::string& Text);
// Gives the bytes of an existing file a second name beside it, which no later
// write of FileName touches (PlatformKeepFile). False, with errno, on failure.
bool KeepFileAs(const std::string& FileName, const std::string& KeptName);

// ---- The files a demo sees ---------------------------------------------------

// A played run leaves the disk as it is: from here on every write stays in
// memory, and a later read of a file the run wrote gives the bytes it wrote, so
// that the run goes on as the recorded one did. Off again at ForgetWrites.
void KeepWritesInMemory();
// From here on the text of every write is kept, in order, until taken.
void JournalWrites();
// The texts written since the last call, oldest first.
std::vector<std::string> TakeWrittenTexts();
// Back to the disk alone: the writes kept in memory and the journal are dropped.
void ForgetWrites();

// ---- Lines and tokens --------------------------------------------------------

// The line of Text at Position (0-based), without its end, and Position moved
// past it. Every text file the program reads ends its lines in CR LF, LF or
// CR; Ended tells whether this one had such an end (the last line of a text
// may not). False at the end of the text.
bool NextLine(std::string_view Text, size_t& Position, std::string_view& Line, bool& Ended);

// Token: a run of bytes above 32. Position is 1-based and advanced in place;
// false at the end of the text, with Token empty.
bool NextToken(const std::string& Text, std::string& Token, int32_t& Position);

// The value of a hexadecimal digit in either case, -1 for any other character.
int32_t HexDigitValue(char C);

// A signed 32-bit integer: an optional sign, then decimal digits, or hexadecimal
// digits after "$", "0x" or "0X"; anything else, or a value outside 32 bits,
// gives Default.
int32_t StrToIntDef(const std::string& Text, int32_t Default);
