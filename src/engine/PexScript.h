// PexScript: reading a text file whole, splitting text into lines and tokens
// and converting tokens to integers.
//
// Owns: nothing.
// Uses: PexPlatform (the run's files, which it reads through).
// No initialisation or finalisation.
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
