// LevelUnit: the level grid, its tile kinds and the level file.
//
// Owns: LevelGrid.
// Uses: PexScript.
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

struct TSourcePos {
    int32_t X;
    int32_t Y;
};

// Source pixel of each kind's 16 x 16 image in tiles.tga.
extern const TSourcePos TileSource[FieldKindCount];

// Source of a cell's image; values of 8 or more (not tile kinds) show fkNone's.
TSourcePos TileSourceOf(TFieldKind Kind);

void LoadLevel(const std::string& FileName);
void SaveLevel(const std::string& FileName);

void InitLevel();
void DoneLevel();
