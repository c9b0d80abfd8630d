// LevelUnit: the level grid, its tile kinds and the level file.
//
// Owns: LevelGrid, with the cell size and the grid's row and column counts.
// Uses: PexScript (NextToken, StrToIntDef),
// PexPlatform (the run's files and their save policy), PexDemo (the outcome
// digest).
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

// The length of the level file SaveLevel writes for a grid of that many rows
// and columns whose cells all take three digits: the longest it can write.
constexpr size_t LongestLevelText(int32_t Rows, int32_t Columns) {
    // A number's decimal digits: "row" lines carry the row numbers 0 .. Rows - 1.
    size_t RowNumberDigits = 0;
    for (int32_t Row = 0, Digits = 1, Next = 10; Row < Rows; ++Row) {
        if (Row == Next) {
            ++Digits;
            Next *= 10;
        }
        RowNumberDigits += size_t(Digits);
    }
    size_t SizeDigits = 0;
    for (int32_t Size : {Rows, Columns})
        for (int32_t Rest = Size; Rest > 0; Rest /= 10) ++SizeDigits;
    const size_t Header = sizeof("mole_ladder.level\r\nheight \r\nwidth \r\ndata\r\n") - 1;
    // Each row: "row", a tab, its number, a tab and three digits a cell, CR LF.
    return Header + SizeDigits + RowNumberDigits + size_t(Rows) * (4 + 4 * size_t(Columns) + 2);
}

// The largest level file read, which is the longest SaveLevel can write: every
// level the editor saves is read back whole.
constexpr size_t MaxLevelFileSize = LongestLevelText(MaxLevelSize, MaxLevelSize);

// Sets every cell to fkNone; the grid keeps its size.
void ClearLevel();

// Reads the level file at FileName into LevelGrid. A missing or unreadable file,
// one larger than MaxLevelFileSize or one that does not start with the magic
// token leaves the grid as it was; no error.
void LoadLevel(const std::string& FileName);
// Reads level-file text into LevelGrid, as LoadLevel does with the file's text.
void LoadLevelFromText(const std::string& Text);

// Reads level-file text into a grid of its own, as into an empty LevelGrid.
// False, with Grid unchanged, when that gives no cells.
bool ReadLevelText(const std::string& Text, TFieldGrid& Grid);

// Whether the reader takes the text whole as a level: it starts with the magic
// token and every size its header gives is one the reader applies.
bool ReadsAsLevel(const std::string& Text);

// Writes LevelGrid to FileName, creating its folder when missing, by the save
// policy of the run's files (SaveFile): the file is replaced only once the new
// one is complete; an existing file the reader refuses (ReadsAsLevel, too
// large, unreadable) is never lost: its bytes are kept beside it as
// "<FileName>.unreadable" (or "...-2" and so on), which standard error tells.
// When the file cannot be written, the level goes to a recovery file
// (PlatformRecoveryFolders) and the std::runtime_error raised ("Cannot create
// file ...") names it, or says that it could not be saved anywhere.
void SaveLevel(const std::string& FileName);
// Saves level-file text as SaveLevel saves the grid's.
void SaveLevelText(const std::string& FileName, const std::string& Text);
// The level-file text of LevelGrid, every line ended by CR LF.
std::string LevelText();
// The same of another grid.
std::string LevelTextOf(const TFieldGrid& Grid);

// Adds the grid to a demo's outcome digest: the row count, then each row's
// length and cells.
void DigestLevel();

void InitLevel();
void DoneLevel();
