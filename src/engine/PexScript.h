// PexScript: reading and writing a text file whole, splitting text into tokens
// and converting tokens to integers.
//
// Owns: nothing.
// Uses: PexPlatform (reading and replacing files).
// No initialisation or finalisation.
#pragma once

#include <cstdint>
#include <string>

// Fills Text with the file's bytes; empty when the file is empty, cannot be
// opened or read, is not a regular file, or is larger than MaxWholeFileSize
// (PexPlatform). No error is raised.
void ReadWholeFile(const std::string& FileName, std::string& Text);

// Token: a run of bytes above 32. Position is 1-based and advanced in place;
// false at the end of the text, with Token empty.
bool NextToken(const std::string& Text, std::string& Token, int32_t& Position);

// A signed 32-bit integer: an optional sign, then decimal digits, or hexadecimal
// digits after "$", "0x" or "0X"; anything else, or a value outside 32 bits,
// gives Default.
int32_t StrToIntDef(const std::string& Text, int32_t Default);

// Replaces the file with Text through a temporary file of a unique name beside
// it and a rename, so a failed or interrupted write leaves the earlier file
// whole; a symbolic link is followed to the file it names, and an existing file
// the user may not write is refused. Raises "Cannot create file "<name>".
// <reason>" when the file cannot be written.
void WriteWholeFile(const std::string& FileName, const std::string& Text);
