// LevelUnit: the level grid, its tile kinds and the level file.
//
// Owns: LevelGrid, with the cell size and the grid's row and column counts.
// Uses: PexScript (ReadWholeFile, NextToken, StrToIntDef, WriteWholeFile),
// PexDemo (the outcome digest).
// Initialisation sizes the grid to 10 rows by 20 columns of fkNone; finalisation
// releases it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using TFieldKind = uint8_t;

constexpr TFieldKind fkNone = 0;
constexpr TFieldKind fkBrick = 1;
constexpr TFieldKind fkSteel = 2;
constexpr TFieldKind fkStairWay = 3;
constexpr TFieldKind fkRope = 4;
constexpr TFieldKind fkCoin = 5;
constexpr TFieldKind fkHero = 6;
constexpr TFieldKind fkEnemy = 7;
constexpr int32_t FieldKindCount = 8;

using TFieldRow = std::vector<TFieldKind>;
using TFieldGrid = std::vector<TFieldRow>;

extern TFieldGrid LevelGrid;

// Side of a cell in pixels, in level space and on the screen alike.
constexpr int32_t CellSize = 16;

// The level's height: the number of rows.
inline int32_t LevelRowCount() {
    return static_cast<int32_t>(LevelGrid.size());
}
// The level's width: the length of row 0, which every row shares.
inline int32_t LevelColumnCount() {
    return LevelGrid.empty() ? 0 : static_cast<int32_t>(LevelGrid[0].size());
}

struct TSourcePos {
    int32_t X;
    int32_t Y;
};

// Source pixel of each kind's 16 x 16 image in tiles.tga.
extern const TSourcePos TileSource[FieldKindCount];

// Source of a cell's image; values of 8 or more (not tile kinds) show fkNone's.
TSourcePos TileSourceOf(TFieldKind Kind);

// Largest row or column count a level file may set; larger sizes are ignored
// like sizes below 1.
constexpr int32_t MaxLevelSize = 4096;

// Reads the level file at FileName into LevelGrid. A missing or unreadable file,
// one larger than MaxWholeFileSize (PexPlatform) or one that does not start
// with the magic token leaves the grid as it was; no error.
void LoadLevel(const std::string& FileName);
// Reads level-file text into LevelGrid, as LoadLevel does with the file's text.
void LoadLevelFromText(const std::string& Text);

// Writes LevelGrid to FileName, creating its folder when missing. The file is
// replaced only once the new one is complete; raises std::runtime_error
// ("Cannot create file ...") when it cannot be written.
void SaveLevel(const std::string& FileName);
// The level-file text of LevelGrid, every line ended by CR LF.
std::string LevelText();

// Adds the grid to a demo's outcome digest: the row count, then each row's
// length and cells.
void DigestLevel();

void InitLevel();
void DoneLevel();
