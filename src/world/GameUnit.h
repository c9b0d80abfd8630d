// GameUnit: the game screen — the hero and the enemy, their movement through
// the level grid, and the drawing of the grid, the entities and the HUD.
//
// Owns: Entities (the list of moving figures), Hero, HeroVelocityX/Y, Score,
// the EntityFrames table, and the level area's place on the screen (LevelTop)
// and its title (LevelLabel), which the editor shares.
// Uses: PexGL (frame time, keys, drawing, text), PexDemo (the outcome digest),
// StateUnit, VarsUnit, LevelUnit (LevelGrid, LoadLevel, TileSourceOf),
// SoundUnit (PlayMusic).
// Initialisation (InitGame) fills the stGame row of the state table; there is
// no finalisation: GameLeave, run by the last state switch, frees the entities.
#pragma once

#include <cstdint>
#include <string>

#include "LevelUnit.h"

// One moving figure, a node of a singly linked list.
struct TEntity {
    TEntity* Next;
    float X;  // left edge in level space
    float Y;  // top edge in level space
    bool FacingRight;
    bool Moving;
    bool Falling;  // both cells under it were fkNone at the end of its last step
};

extern TEntity* Entities;  // enemy first, then the hero; empty outside the game
extern TEntity* Hero;
extern float HeroVelocityX;  // pixels per second: -100, 0 or +100
extern float HeroVelocityY;
extern int32_t Score;

// Window pixels from the top of the window to the top of level space: the HUD
// band. The game screen and the editor show the level there.
constexpr int32_t LevelTop = 96;

// The level's title in the HUD; the editor shows it in the same place.
extern const std::string LevelLabel;

// Source pixel of an entity's image in tiles.tga, by facing (0 left, 1 right).
constexpr TSourcePos EntityFrames[2] = {{0, 32}, {0, 32}};

// Loads the level, creates the hero and then the enemy in front of it, starts
// the game music.
void GameEnter();
// Frees every entity.
void GameLeave();
// Escape switches to the menu; the arrow keys set the hero's velocity.
void GameUpdate();
// Moves every entity by DeltaTime: steering or chasing, gravity, coins, walls,
// floor and ceiling.
void GameStep();
void GameDraw();

void DrawGameBackground();
// Draws the cells of LevelGrid in the level area, LevelTop pixels below the top
// of the window: every cell that reaches into the window or into the 640 x 480
// layout; the editor shows the grid with it too.
void DrawLevelGrid();
void DrawEntities();
void DrawHud();

// Adds to a demo's outcome digest every entity's place (the floats' bits) and
// flags, their count and the score.
void DigestGame();

void InitGame();
