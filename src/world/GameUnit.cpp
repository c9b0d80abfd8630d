#include "GameUnit.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "PexDemo.h"
#include "PexGL.h"
#include "SoundUnit.h"
#include "StateUnit.h"
#include "VarsUnit.h"

TEntity* Entities = nullptr;
TEntity* Hero = nullptr;
float HeroVelocityX = 0;
float HeroVelocityY = 0;
int32_t Score = 0;

// The cell size for the quotients the movement rules take in double.
constexpr double CellSpan = CellSize;
// Level-space pixels.
constexpr float HeroSpeed = 100;  // per second, along each axis
constexpr double EnemySpeed = 40;
constexpr double FallSpeed = 60;
constexpr float HeroStartX = 340;
constexpr float HeroStartY = 100;
constexpr float EnemyStartX = 300;
constexpr float EnemyStartY = 100;

// The HUD's score line, rebuilt every frame in room reserved at initialisation.
static std::string ScoreText;
// The two fixed HUD texts, made once rather than as temporaries every frame.
const std::string LevelLabel = "level:1";
static const std::string HudLivesText = "lives:3";

// ---- Movement -------------------------------------------------------------

// Truncation toward zero, as the movement rules use it on quotients of
// positions; saturates far outside any grid instead of overflowing.
static int32_t Trunc(double Value) {
    if (!(Value > double(std::numeric_limits<int32_t>::min()))) {
        return std::numeric_limits<int32_t>::min();
    }
    if (Value >= double(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(Value);
}

// A whole number of pixels as a stored position.
static float Pixels(int64_t Value) {
    return static_cast<float>(Value);
}

// Cells outside the grid read as steel: the level has a solid frame, so an
// entity in the bottom row stands on it and one in the last column is held.
static TFieldKind Cell(int32_t Row, int32_t Column) {
    if (Row < 0 || Column < 0 || Row >= LevelRowCount() || Column >= LevelColumnCount()) {
        return fkSteel;
    }
    const TFieldRow& FieldRow = LevelGrid[Row];
    if (static_cast<size_t>(Column) >= FieldRow.size()) {
        return fkSteel;
    }
    return FieldRow[Column];
}

static bool IsSolid(TFieldKind Kind) {
    return Kind == fkBrick || Kind == fkSteel;
}

// One axis of an enemy's chase: toward the target, then back if it overshot.
static float Chase(float Value, float Target, double Dt) {
    if (Target > Value) {
        Value = static_cast<float>(double(Value) + EnemySpeed * Dt);
    }
    if (Target < Value) {
        Value = static_cast<float>(double(Value) - EnemySpeed * Dt);
    }
    return Value;
}

// Products with Dt and their sums are formed in double and stored as single;
// quotients by the cell size are taken in double from the single values.
static void StepEntity(TEntity& Entity, double Dt) {
    float X = Entity.X;
    float Y = Entity.Y;

    if (!Entity.Falling) {
        if (&Entity == Hero) {
            X = static_cast<float>(double(X) + double(HeroVelocityX) * Dt);
            Y = static_cast<float>(double(Y) + double(HeroVelocityY) * Dt);
        } else if (Hero != nullptr) {
            // The hero's stored position: where it ended the previous frame.
            X = Chase(X, Hero->X, Dt);
            Y = Chase(Y, Hero->Y, Dt);
        }
    }

    // Gravity, unless a ladder or a rope lies under the entity's centre.
    const TFieldKind UnderCentre = Cell(Trunc(Y / CellSpan) + 1, Trunc(X / CellSpan + 0.5));
    if (Entity.Falling || (UnderCentre != fkStairWay && UnderCentre != fkRope)) {
        Y = static_cast<float>(double(Y) + FallSpeed * Dt);
    }

    // Clamp: raise to the lower limit first, then lower to the upper one.
    const float MaxX = Pixels(int64_t(CellSize) * (LevelColumnCount() - 1));
    const float MaxY = Pixels(int64_t(CellSize) * (LevelRowCount() - 1));
    if (X < 0) X = 0;
    if (X > MaxX) X = MaxX;
    if (Y < 0) Y = 0;
    if (Y > MaxY) Y = MaxY;

    // Any entity takes the coin in its top-left cell.
    const int32_t CoinRow = Trunc(Y / CellSpan);
    const int32_t CoinColumn = Trunc(X / CellSpan);
    if (Cell(CoinRow, CoinColumn) == fkCoin) {
        LevelGrid[CoinRow][CoinColumn] = fkNone;
    }

    // Wall on the right: one pixel short of the column boundary, so the test
    // stays quiet while the entity stands there.
    if (IsSolid(Cell(Trunc(Y / CellSpan + 0.5), Trunc(X / CellSpan + 1)))) {
        X = Pixels(int64_t(CellSize) * Trunc(X / CellSpan) - 1);
    }
    // Wall on the left.
    if (IsSolid(Cell(Trunc(Y / CellSpan + 0.5), Trunc(X / CellSpan)))) {
        X = Pixels(int64_t(CellSize) * (int64_t(Trunc(X / CellSpan)) + 1));
    }

    // Floor: back onto the row boundary when either cell below is solid.
    if (Cell(Trunc(Y / CellSpan + 1), Trunc(X / CellSpan + 0.5)) != fkStairWay &&
        (IsSolid(Cell(Trunc(Y / CellSpan + 1), Trunc(X / CellSpan))) ||
         IsSolid(Cell(Trunc(Y / CellSpan + 1), Trunc(X / CellSpan + 1))))) {
        Y = Pixels(int64_t(CellSize) * Trunc(Y / CellSpan));
    }
    // Ceiling, with the ladder test taken again at the Y the floor left.
    if (Cell(Trunc(Y / CellSpan + 1), Trunc(X / CellSpan + 0.5)) != fkStairWay &&
        (IsSolid(Cell(Trunc(Y / CellSpan), Trunc(X / CellSpan))) ||
         IsSolid(Cell(Trunc(Y / CellSpan), Trunc(X / CellSpan + 1))))) {
        Y = Pixels(int64_t(CellSize) * (int64_t(Trunc(Y / CellSpan)) + 1));
    }

    // Only fkNone counts as empty: a coin, rope or ladder below keeps steering.
    const int32_t BelowRow = Trunc(Y / CellSpan) + 1;
    Entity.Falling = Cell(BelowRow, Trunc(X / CellSpan)) == fkNone &&
                     Cell(BelowRow, Trunc(X / CellSpan + 1)) == fkNone;

    Entity.Y = Y;
    Entity.X = X;
}

static TEntity* AddEntity(float X, float Y) {
    TEntity* Entity = new TEntity{Entities, X, Y, false, false, false};
    Entities = Entity;
    return Entity;
}

void GameEnter() {
    // A missing or unusable level file leaves the grid in memory as it is.
    LoadLevel(LevelFilePath());
    Hero = AddEntity(HeroStartX, HeroStartY);
    AddEntity(EnemyStartX, EnemyStartY);
    // Without music the game runs silently.
    PlayMusic(MusicDir + "game.oxm");
}

void GameLeave() {
    while (Entities != nullptr) {
        TEntity* Next = Entities->Next;
        delete Entities;
        Entities = Next;
    }
    Hero = nullptr;
}

void GameUpdate() {
    if (KeyPressed(kcEscape)) {
        SwitchState(stMenu);
        return;
    }
    HeroVelocityX = 0;
    HeroVelocityY = 0;
    bool Moving = false;
    bool FacingRight = Hero != nullptr && Hero->FacingRight;
    if (KeyDown(kcRight)) {
        FacingRight = true;
        Moving = true;
        HeroVelocityX = HeroSpeed;
    }
    if (KeyDown(kcLeft)) {
        FacingRight = false;
        Moving = true;
        HeroVelocityX = -HeroSpeed;
    }
    if (KeyDown(kcUp)) {
        Moving = true;
        HeroVelocityY = -HeroSpeed;
    }
    if (KeyDown(kcDown)) {
        Moving = true;
        HeroVelocityY = HeroSpeed;
    }
    if (Hero != nullptr) {
        Hero->FacingRight = FacingRight;
        Hero->Moving = Moving;
    }
}

void GameStep() {
    for (TEntity* Entity = Entities; Entity != nullptr; Entity = Entity->Next) {
        StepEntity(*Entity, DeltaTime);
    }
}

// ---- Drawing --------------------------------------------------------------

void DrawGameBackground() {
    SetBlendMode(bmNone);
    SetTexturing(true);
    SetColorRGB(64, 0, 0);
    BindTexture(MenuTexture);
    BeginQuads();
    DrawTexGrid(0, 0, 128, 64, 0, 64, 5, 8);
    EndQuads();
}

// Only the cells that reach into the window cover pixels, so only they are
// drawn: a large level costs no more per frame than the screen shows. The
// area drawn is never less than the 640 x 480 the screens are laid out for,
// so a level that fits the layout is drawn the same in any window, also
// before the first frame has read the window's size.

// Number of cells, in a line of them starting Start pixels into an area Extent
// pixels long, that reach into the area.
static size_t CellsReaching(int32_t Extent, int32_t Start) {
    if (Extent <= Start) return 0;
    return static_cast<size_t>((int64_t(Extent) - Start + CellSize - 1) / CellSize);
}

void DrawLevelGrid() {
    SetBlendMode(bmAlpha);
    BindTexture(TilesTexture);
    SetColor(clWhite);
    glPushMatrix();
    glTranslatef(0, static_cast<float>(LevelTop), 0);
    BeginQuads();
    const size_t Columns = std::min(static_cast<size_t>(LevelColumnCount()),
                                    CellsReaching(std::max(WindowWidth, LayoutWidth), 0));
    const size_t Rows =
        std::min(LevelGrid.size(), CellsReaching(std::max(WindowHeight, LayoutHeight), LevelTop));
    for (size_t Row = 0; Row < Rows; ++Row) {
        const TFieldRow& FieldRow = LevelGrid[Row];
        for (size_t Column = 0; Column < Columns && Column < FieldRow.size(); ++Column) {
            const TSourcePos Source = TileSourceOf(FieldRow[Column]);
            DrawTexQuad(static_cast<int32_t>(Column) * CellSize,
                        static_cast<int32_t>(Row) * CellSize, CellSize, CellSize, Source.X,
                        Source.Y);
        }
    }
    EndQuads();
    glPopMatrix();
}

void DrawEntities() {
    glPushMatrix();
    glTranslatef(0, static_cast<float>(LevelTop), 0);
    SetBlendMode(bmAlpha);
    BindTexture(TilesTexture);
    SetColor(clWhite);
    BeginQuads();
    // List order puts the hero, created first, last: it is drawn over the enemy.
    for (const TEntity* Entity = Entities; Entity != nullptr; Entity = Entity->Next) {
        const TSourcePos Frame = EntityFrames[Entity->FacingRight ? 1 : 0];
        DrawTexQuadF(Entity->X, Entity->Y, CellSize, CellSize, static_cast<float>(Frame.X),
                     static_cast<float>(Frame.Y));
    }
    EndQuads();
    glPopMatrix();
}

void DrawHud() {
    SetTexturing(true);
    SetBlendMode(bmAlpha);
    BindTexture(MenuTexture);
    BeginQuads();
    SetColor(clGreen);
    for (int32_t Segment = 0; Segment < 16; ++Segment) {
        DrawTexQuad(512 + 4 * Segment, 16, 4, 16, 8, 232);
    }
    EndQuads();

    BindTexture(FontTexture);
    FontMetrics.Size = 16;
    SetColor(clWhite);
    // "%6.6d": at least six digits, zero padded, also after a minus sign.
    char Digits[16];
    std::snprintf(Digits, sizeof Digits, "%6.6d", static_cast<int>(Score));
    ScoreText.assign("score:");
    ScoreText.append(Digits);
    PrintText(16, 16, ScoreText, 0);
    PrintText(240, 16, LevelLabel, 0);
    PrintText(390, 16, HudLivesText, 0);
}

void GameDraw() {
    DrawGameBackground();
    DrawLevelGrid();
    DrawEntities();
    DrawHud();
}

void DigestGame() {
    uint32_t Count = 0;
    for (const TEntity* Entity = Entities; Entity; Entity = Entity->Next) {
        uint32_t Bits[2];
        std::memcpy(&Bits[0], &Entity->X, sizeof(uint32_t));
        std::memcpy(&Bits[1], &Entity->Y, sizeof(uint32_t));
        DigestValue(Bits);
        const uint8_t Flags = uint8_t(Entity->FacingRight) | uint8_t(Entity->Moving) << 1 |
                              uint8_t(Entity->Falling) << 2;
        DigestValue(Flags);
        ++Count;
    }
    DigestValue(Count);
    DigestValue(Score);
}

void InitGame() {
    ScoreText.reserve(32);
    States[stGame].Enter = GameEnter;
    States[stGame].Leave = GameLeave;
    States[stGame].Update = GameUpdate;
    States[stGame].Step = GameStep;
    States[stGame].Draw = GameDraw;
}
