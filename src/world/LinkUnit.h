// LinkUnit: a level as a link, and a link read back as a level.
//
// A link is "<page address>#level=<data>", the data "1." and then the level's
// bytes in base64url without padding (docs/level-link.md gives the bytes). The
// page address may be empty.
//
// Owns: nothing but its procedures.
// Uses: LevelUnit (the grid, MaxLevelSize).
// No initialisation or finalisation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "LevelUnit.h"

// The version of the link's bytes that this program writes and reads.
constexpr uint32_t LevelLinkVersion = 1;

// What comes between the page's address and the data.
constexpr const char* LevelLinkMark = "#level=";

// The longest page address a link read back may have in front of its data.
constexpr size_t MaxLinkAddressLength = 4096;

// The most bytes a link's data encodes: two sizes of at most two varint bytes,
// the layout byte, one byte a cell, the check.
constexpr size_t MaxLevelLinkBytes = 2 + 2 + 1 + size_t(MaxLevelSize) * size_t(MaxLevelSize) + 4;

// The longest link read: an address, the mark, the version and the bytes in
// base64 (four characters for three bytes, the last group shortened).
constexpr size_t MaxLevelLinkLength =
    MaxLinkAddressLength + 7 + 2 + (MaxLevelLinkBytes * 4 + 2) / 3;

// The longest link the editor hands out: as long an address as browsers take.
constexpr size_t MaxSharedLinkLength = 2 * 1024 * 1024;

// The link's data for Grid: "1." and the bytes. Rows are read over the length
// of row 0, missing cells as fkNone, as the level file writes them; the grid
// has 1 to MaxLevelSize rows and columns.
std::string LevelLinkData(const TFieldGrid& Grid);

// Address + LevelLinkMark + LevelLinkData(Grid).
std::string LevelLink(const std::string& Address, const TFieldGrid& Grid);

// Whether Text is meant as a link rather than a file name: it holds
// LevelLinkMark, or starts with "level=".
bool IsLevelLink(const std::string& Text);

// Reads the level of a link: a whole address with "#level=DATA", or
// "#level=DATA", or "level=DATA" (white space around it is ignored). False,
// with Error saying why and Grid unchanged, for a link that is damaged, cut
// short, too long, of a newer version, or whose level is not 1 to
// MaxLevelSize cells a side. Time and memory grow with the link and the level.
bool ReadLevelLink(const std::string& Link, TFieldGrid& Grid, std::string& Error);
