// PexScript: reading and writing a text file whole, splitting text into tokens
// and converting tokens to integers.
//
// Owns: nothing.
// Uses: the operating system's file calls.
// No initialisation or finalisation.
#pragma once

#include <cstdint>
#include <string>

// Fills Text with the file's bytes; empty when the file cannot be opened or is empty.
void ReadWholeFile(const std::string& FileName, std::string& Text);

// Token: a run of bytes above 32. Position is 1-based and advanced in place;
// false at the end of the text, with Token empty.
bool NextToken(const std::string& Text, std::string& Token, int32_t& Position);

// A signed 32-bit integer: an optional sign, then decimal digits, or hexadecimal
// digits after "$", "0x" or "0X"; anything else, or a value outside 32 bits,
// gives Default.
int32_t StrToIntDef(const std::string& Text, int32_t Default);

// Replaces the file with Text through a temporary file beside it and a rename, so
// a failed or interrupted write leaves the earlier file whole. Raises
// "Cannot create file "<name>". <reason>" when the file cannot be written.
void WriteWholeFile(const std::string& FileName, const std::string& Text);
