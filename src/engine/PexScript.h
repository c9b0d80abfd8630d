// PexScript: reading a text file whole and splitting text into tokens.
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
