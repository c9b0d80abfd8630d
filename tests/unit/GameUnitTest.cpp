// Movement rules of the game: exact positions after single steps, keyboard
// steering, the solid frame around the grid, coins, and the entity list.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "EngineState.h"
#include "Fakes.h"
#include "GameUnit.h"
#include "LevelUnit.h"
#include "MainUnit.h"
#include "PexGL.h"
#include "StateUnit.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TestSystem.h"
#include "VarsUnit.h"

namespace {

class GameRules : public ::testing::Test {
protected:
    void SetUp() override {
        GameLeave();
        ClearKeys();
        HeroVelocityX = 0;
        HeroVelocityY = 0;
        DeltaTime = 0.1;
        Grid(10, 20);
    }
    void TearDown() override {
        GameLeave();
        ClearKeys();
    }

    // Rows x Columns of fkNone.
    static void Grid(int32_t Rows, int32_t Columns) {
        LevelGrid.assign(Rows, TFieldRow(Columns, fkNone));
    }
    static void FillRow(int32_t Row, TFieldKind Kind, int32_t FirstColumn = 0,
                        int32_t LastColumn = -1) {
        if (LastColumn < 0) LastColumn = int32_t(LevelGrid[0].size()) - 1;
        for (int32_t Column = FirstColumn; Column <= LastColumn; ++Column) {
            LevelGrid[Row][Column] = Kind;
        }
    }
    // The grid of the worked examples: row 4 all brick.
    static void BrickFloor() { FillRow(4, fkBrick); }

    // Puts an entity at the front of the list, as the game does.
    static TEntity* Place(float X, float Y) {
        Entities = new TEntity{Entities, X, Y, false, false, false};
        return Entities;
    }
    static TEntity* PlaceHero(float X, float Y) { return Hero = Place(X, Y); }

    static void Press(int32_t Key) { KeyCallback(Key, 1); }

    // One frame of the game as the dispatcher runs it.
    static void Frame() {
        GameUpdate();
        GameStep();
    }
};

// ---- Worked steps ----------------------------------------------------------

TEST_F(GameRules, HeroWalkingRightMovesBySingleRoundedStep) {
    BrickFloor();
    TEntity* H = PlaceHero(32, 48);
    Press(kcRight);
    DeltaTime = 1.0 / 60.0;
    Frame();
    EXPECT_EQ(H->X, 33.666668f);
    EXPECT_EQ(H->X, float(32.0 + 100.0 / 60.0));
    EXPECT_EQ(H->Y, 48.0f);
    EXPECT_FALSE(H->Falling);
    EXPECT_TRUE(H->FacingRight);
    EXPECT_TRUE(H->Moving);
}

TEST_F(GameRules, HeroPositionIsSumInDoubleRoundedOnceToSingle) {
    BrickFloor();
    TEntity* H = PlaceHero(5, 48);
    Press(kcRight);
    DeltaTime = 1.0 / 22.0;
    Frame();
    EXPECT_EQ(H->X, float(5.0 + 100.0 / 22.0));
    // Single-precision arithmetic would end elsewhere.
    EXPECT_NE(H->X, 5.0f + 100.0f * float(1.0 / 22.0));
}

TEST_F(GameRules, EnemyChasesHerosStoredPositionAndStaysOnFloor) {
    BrickFloor();
    TEntity* H = PlaceHero(100, 48);
    TEntity* Enemy = Place(0, 48);
    Frame();
    EXPECT_EQ(Enemy->X, 4.0f);
    EXPECT_EQ(Enemy->Y, 48.0f);
    EXPECT_FALSE(Enemy->Falling);
    EXPECT_FALSE(Enemy->FacingRight);
    EXPECT_EQ(H->X, 100.0f);
    EXPECT_EQ(H->Y, 48.0f);
}

TEST_F(GameRules, EnemyChasesWhereHeroEndedPreviousFrame) {
    BrickFloor();
    TEntity* H = PlaceHero(100, 48);
    TEntity* Enemy = Place(96, 48);
    Press(kcLeft);
    // The hero ends this frame at 90, but the enemy, stepped first, still sees 100.
    Frame();
    EXPECT_EQ(H->X, 90.0f);
    EXPECT_EQ(Enemy->X, 100.0f);
    // Now it sees 90 and turns back.
    ClearKeys();
    Frame();
    EXPECT_EQ(Enemy->X, 96.0f);
}

TEST_F(GameRules, EnemyCloserThanOneStepGoesPastAndBack) {
    BrickFloor();
    PlaceHero(100, 48);
    TEntity* Enemy = Place(98, 48);
    Frame();
    // 98 + 4 = 102 passes the hero, 102 - 4 = 98 comes back.
    EXPECT_EQ(Enemy->X, 98.0f);
}

TEST_F(GameRules, HeroClimbsLadderUpAndDown) {
    BrickFloor();
    for (int32_t Row = 1; Row <= 4; ++Row) LevelGrid[Row][2] = fkStairWay;

    TEntity* H = PlaceHero(32, 48);
    Press(kcUp);
    Frame();
    EXPECT_EQ(H->Y, 38.0f);
    EXPECT_EQ(H->X, 32.0f);
    EXPECT_FALSE(H->Falling);

    GameLeave();
    ClearKeys();
    H = PlaceHero(32, 48);
    Press(kcDown);
    Frame();
    EXPECT_EQ(H->Y, 58.0f);
    EXPECT_EQ(H->X, 32.0f);
    EXPECT_FALSE(H->Falling);
}

TEST_F(GameRules, HeroWalkingOffEdgeFallsWithoutSteering) {
    FillRow(4, fkBrick, 0, 3);
    TEntity* H = PlaceHero(60, 48);
    Press(kcRight);
    DeltaTime = 0.05;
    Frame();
    EXPECT_EQ(H->X, 65.0f);
    EXPECT_EQ(H->Y, 51.0f);
    EXPECT_TRUE(H->Falling);
    Frame();
    EXPECT_EQ(H->X, 65.0f);
    EXPECT_EQ(H->Y, 54.0f);
    EXPECT_TRUE(H->Falling);
}

TEST_F(GameRules, FallingHeroLandsOnNextFloor) {
    FillRow(8, fkBrick);
    TEntity* H = PlaceHero(40, 48);
    H->Falling = true;
    Press(kcRight);
    for (int32_t I = 0; I < 10; ++I) {
        Frame();
        ASSERT_EQ(H->X, 40.0f);
    }
    ClearKeys();
    for (int32_t I = 0; I < 10; ++I) Frame();
    EXPECT_EQ(H->X, 40.0f);
    EXPECT_EQ(H->Y, 112.0f);
    EXPECT_FALSE(H->Falling);
}

// ---- Keyboard --------------------------------------------------------------

TEST_F(GameRules, NoKeyLeavesHeroStill) {
    BrickFloor();
    TEntity* H = PlaceHero(32, 48);
    HeroVelocityX = 100;
    HeroVelocityY = -100;
    H->Moving = true;
    H->FacingRight = true;
    Frame();
    EXPECT_EQ(HeroVelocityX, 0.0f);
    EXPECT_EQ(HeroVelocityY, 0.0f);
    EXPECT_FALSE(H->Moving);
    EXPECT_TRUE(H->FacingRight);  // facing kept without a horizontal key
    EXPECT_EQ(H->X, 32.0f);
    EXPECT_EQ(H->Y, 48.0f);
}

TEST_F(GameRules, LeftWinsOverRightAndFacesLeft) {
    BrickFloor();
    TEntity* H = PlaceHero(100, 48);
    H->FacingRight = true;
    Press(kcRight);
    Press(kcLeft);
    Frame();
    EXPECT_EQ(HeroVelocityX, -100.0f);
    EXPECT_FALSE(H->FacingRight);
    EXPECT_TRUE(H->Moving);
    EXPECT_EQ(H->X, 90.0f);
    EXPECT_EQ(H->Y, 48.0f);
}

TEST_F(GameRules, DownWinsOverUp) {
    TEntity* H = PlaceHero(32, 48);
    Press(kcUp);
    Press(kcDown);
    GameUpdate();
    EXPECT_EQ(HeroVelocityY, 100.0f);
    EXPECT_EQ(HeroVelocityX, 0.0f);
    EXPECT_TRUE(H->Moving);
}

TEST_F(GameRules, ArrowKeysStayDownFrameAfterFrame) {
    BrickFloor();
    TEntity* H = PlaceHero(32, 48);
    Press(kcRight);
    for (int32_t I = 0; I < 5; ++I) Frame();
    EXPECT_EQ(H->X, 82.0f);
    KeyCallback(kcRight, 0);
    Frame();
    EXPECT_EQ(H->X, 82.0f);
    EXPECT_TRUE(H->FacingRight);
}

TEST_F(GameRules, EscapeSwitchesToMenuAndFreesEntities) {
    ResetEngine();
    InitGame();
    OnUpdate = DispatchUpdate;
    OnDraw = DispatchDraw;
    CurrentState = stGame;
    BrickFloor();
    PlaceHero(32, 48);
    Place(0, 48);
    HeroVelocityX = 55;
    Press(kcEscape);
    GameUpdate();
    EXPECT_EQ(CurrentState, stMenu);
    EXPECT_EQ(Entities, nullptr);
    EXPECT_EQ(Hero, nullptr);
    EXPECT_FALSE(KeyDown(kcEscape));
    // The switch's fade-out frames ran the game's Update, which reset the velocity.
    EXPECT_EQ(HeroVelocityX, 0.0f);
    OnUpdate = nullptr;
    OnDraw = nullptr;
    CurrentState = stNone;
}

// ---- Floors and walls ------------------------------------------------------

TEST_F(GameRules, EntityRestingOnFloorStaysOnRowBoundaryForAnyFrameTime) {
    BrickFloor();
    for (double Dt : {0.001, 1.0 / 144.0, 1.0 / 60.0, 0.033, 0.05, 0.0999, 0.1}) {
        GameLeave();
        TEntity* H = PlaceHero(37, 48);
        TEntity* Enemy = Place(133.25f, 48);
        DeltaTime = Dt;
        for (int32_t I = 0; I < 20; ++I) {
            GameStep();
            ASSERT_EQ(H->Y, 48.0f) << "dt " << Dt << " frame " << I;
            ASSERT_EQ(Enemy->Y, 48.0f) << "dt " << Dt << " frame " << I;
            ASSERT_FALSE(H->Falling);
        }
        EXPECT_EQ(H->X, 37.0f);
    }
}

TEST_F(GameRules, DownAtLargestFrameTimePassesThroughOneCellFloor) {
    BrickFloor();
    TEntity* H = PlaceHero(32, 48);
    Press(kcDown);
    Frame();
    // 48 + 10 + 6 = 64 is inside the floor row; the ceiling test puts it below.
    EXPECT_EQ(H->Y, 80.0f);
    EXPECT_EQ(H->X, 32.0f);
    EXPECT_TRUE(H->Falling);
}

TEST_F(GameRules, DownOnFloorIsUndoneBelowLargestFrameTime) {
    BrickFloor();
    TEntity* H = PlaceHero(32, 48);
    Press(kcDown);
    DeltaTime = 0.09;
    for (int32_t I = 0; I < 10; ++I) Frame();
    EXPECT_EQ(H->Y, 48.0f);
}

TEST_F(GameRules, HeroNeverDropsIntoGapOneCellWide) {
    BrickFloor();
    LevelGrid[4][5] = fkNone;
    TEntity* H = PlaceHero(64, 48);
    Press(kcRight);
    DeltaTime = 0.01;
    for (int32_t I = 0; I < 40; ++I) {
        Frame();
        ASSERT_EQ(H->Y, 48.0f) << "X " << H->X;
    }
    EXPECT_GT(H->X, 96.0f);
}

TEST_F(GameRules, SolidCellToTheRightHoldsEntityOnePixelShort) {
    BrickFloor();
    LevelGrid[3][6] = fkBrick;
    TEntity* H = PlaceHero(80, 48);
    GameStep();
    EXPECT_EQ(H->X, 79.0f);
    EXPECT_EQ(H->Y, 48.0f);
    // From there the test stays quiet.
    GameStep();
    EXPECT_EQ(H->X, 79.0f);
    // Walking into the wall keeps it there.
    Press(kcRight);
    for (int32_t I = 0; I < 5; ++I) Frame();
    EXPECT_EQ(H->X, 79.0f);
    EXPECT_EQ(H->Y, 48.0f);
}

TEST_F(GameRules, SolidCellInOwnColumnPushesEntityRight) {
    BrickFloor();
    LevelGrid[3][4] = fkSteel;
    TEntity* H = PlaceHero(70, 48);
    GameStep();
    EXPECT_EQ(H->X, 80.0f);
    EXPECT_EQ(H->Y, 48.0f);
    // Walking left into it is pushed back each frame.
    Press(kcLeft);
    DeltaTime = 0.05;
    for (int32_t I = 0; I < 5; ++I) {
        Frame();
        ASSERT_EQ(H->X, 80.0f);
    }
}

TEST_F(GameRules, SolidCellInColumnOneLeavesEntityAtMinusOneUntilNextClamp) {
    BrickFloor();
    LevelGrid[3][1] = fkBrick;
    TEntity* H = PlaceHero(0, 48);
    GameStep();
    EXPECT_EQ(H->X, -1.0f);
    EXPECT_EQ(H->Y, 48.0f);
    EXPECT_FALSE(H->Falling);
    // The clamp brings it to 0, the wall test back to -1: it stays put.
    GameStep();
    EXPECT_EQ(H->X, -1.0f);
    EXPECT_EQ(H->Y, 48.0f);
}

TEST_F(GameRules, SolidCellAboveStopsHeroClimbing) {
    BrickFloor();
    FillRow(1, fkBrick);
    TEntity* H = PlaceHero(32, 48);
    Press(kcUp);
    DeltaTime = 0.05;
    Frame();
    // 48 - 5 + 3 = 46, below the ceiling row: no snap yet, steering taken away.
    EXPECT_EQ(H->Y, 46.0f);
    EXPECT_TRUE(H->Falling);
    H->Y = 30;
    H->Falling = false;
    Frame();
    // 30 - 5 + 3 = 28 reaches into row 1: pushed under it.
    EXPECT_EQ(H->Y, 32.0f);
}

TEST_F(GameRules, RopeUnderCentreStopsGravityButHoldsNoFloor) {
    FillRow(4, fkRope);
    TEntity* H = PlaceHero(32, 48);
    for (int32_t I = 0; I < 5; ++I) GameStep();
    EXPECT_EQ(H->Y, 48.0f);
    EXPECT_FALSE(H->Falling);
    Press(kcDown);
    Frame();
    EXPECT_EQ(H->Y, 58.0f);
}

// ---- Coins -----------------------------------------------------------------

TEST_F(GameRules, FallingEntityTakesCoinWhenItsTopLeftCellHoldsIt) {
    LevelGrid[5][2] = fkCoin;
    LevelGrid[5][3] = fkCoin;  // under the entity's right half: not its top-left cell
    TEntity* H = PlaceHero(32, 48);
    H->Falling = true;
    GameStep();  // 54: top-left cell (3, 2)
    GameStep();  // 60
    GameStep();  // 66: top-left cell (4, 2)
    EXPECT_EQ(LevelGrid[5][2], fkCoin);
    GameStep();  // 72
    GameStep();  // 78
    EXPECT_EQ(LevelGrid[5][2], fkCoin);
    GameStep();  // 84: top-left cell (5, 2)
    EXPECT_EQ(H->Y, 84.0f);
    EXPECT_EQ(LevelGrid[5][2], fkNone);
    EXPECT_EQ(LevelGrid[5][3], fkCoin);
}

TEST_F(GameRules, EnemyTakesCoinBeforeHerosTurnInSameStep) {
    FillRow(5, fkBrick);
    LevelGrid[4][2] = fkCoin;
    TEntity* H = PlaceHero(32, 48);
    TEntity* Enemy = Place(32, 64);
    GameStep();
    EXPECT_EQ(LevelGrid[4][2], fkNone);
    EXPECT_EQ(Enemy->Y, 64.0f);
    // The hero's falling test already sees the empty cell.
    EXPECT_EQ(H->Y, 54.0f);
    EXPECT_TRUE(H->Falling);
}

TEST_F(GameRules, CoinUnderHeroPullsItDownButKeepsSteering) {
    FillRow(5, fkBrick);
    LevelGrid[4][2] = fkCoin;
    LevelGrid[4][3] = fkCoin;
    TEntity* H = PlaceHero(32, 48);
    GameStep();
    EXPECT_EQ(H->Y, 54.0f);
    EXPECT_FALSE(H->Falling);
    Press(kcRight);
    DeltaTime = 0.02;
    Frame();
    EXPECT_EQ(H->X, 34.0f);
}

// ---- New entities ----------------------------------------------------------

TEST_F(GameRules, NewEntitySteersInFirstStepThenFalls) {
    TEntity* H = PlaceHero(32, 48);
    Press(kcRight);
    Frame();
    EXPECT_EQ(H->X, 42.0f);
    EXPECT_EQ(H->Y, 54.0f);
    EXPECT_TRUE(H->Falling);
    Frame();
    EXPECT_EQ(H->X, 42.0f);
    EXPECT_EQ(H->Y, 60.0f);
}

TEST_F(GameRules, NewEnemyChasesInFirstStepThenFalls) {
    BrickFloor();
    PlaceHero(200, 48);
    TEntity* Enemy = Place(100, 0);
    GameStep();
    EXPECT_EQ(Enemy->X, 104.0f);
    EXPECT_EQ(Enemy->Y, 10.0f);  // 4 chasing down + 6 gravity
    EXPECT_TRUE(Enemy->Falling);
    GameStep();
    EXPECT_EQ(Enemy->X, 104.0f);
    EXPECT_EQ(Enemy->Y, 16.0f);
}

// ---- Edges of the grid -----------------------------------------------------

TEST_F(GameRules, BottomRowStandsOnFrame) {
    TEntity* H = PlaceHero(32, 144);
    for (int32_t I = 0; I < 5; ++I) {
        GameStep();
        ASSERT_EQ(H->Y, 144.0f);
        ASSERT_FALSE(H->Falling);
    }
    // Walking along the bottom row it stays there.
    Press(kcRight);
    for (int32_t I = 0; I < 5; ++I) Frame();
    EXPECT_EQ(H->X, 82.0f);
    EXPECT_EQ(H->Y, 144.0f);
}

TEST_F(GameRules, LastColumnIsHeldByRightFrame) {
    BrickFloor();
    TEntity* H = PlaceHero(280, 48);
    Press(kcRight);
    for (int32_t I = 0; I < 10; ++I) Frame();
    EXPECT_EQ(H->X, 303.0f);
    EXPECT_EQ(H->Y, 48.0f);
}

TEST_F(GameRules, HeroClimbingPastTopRowIsHeldByLadderBelowItsTop) {
    // The ladder ends below row 0. Above the top edge Y is negative, and the
    // gravity test's row T(Y/16) + 1 is still row 1, the ladder: no gravity.
    for (int32_t Row = 1; Row < 10; ++Row) LevelGrid[Row][2] = fkStairWay;
    TEntity* H = PlaceHero(32, 5);
    Press(kcUp);
    Frame();
    EXPECT_EQ(H->Y, 0.0f);
    Frame();
    EXPECT_EQ(H->Y, 0.0f);
    EXPECT_FALSE(H->Falling);
}

TEST_F(GameRules, StartOutsideSmallGridSettlesInsideIt) {
    // The starting 10 x 20 grid: the hero's start lies right of its last column.
    TEntity* H = PlaceHero(340, 100);
    TEntity* Enemy = Place(300, 100);
    for (int32_t I = 0; I < 30; ++I) Frame();
    EXPECT_EQ(H->X, 303.0f);
    EXPECT_EQ(H->Y, 144.0f);
    EXPECT_EQ(Enemy->Y, 144.0f);
    EXPECT_GE(Enemy->X, 0.0f);
    EXPECT_LE(Enemy->X, 304.0f);
    for (const TFieldRow& Row : LevelGrid) {
        for (TFieldKind Kind : Row) ASSERT_EQ(Kind, fkNone);
    }
}

TEST_F(GameRules, OneCellGridHoldsEverythingInIt) {
    Grid(1, 1);
    LevelGrid[0][0] = fkCoin;
    TEntity* H = PlaceHero(340, 100);
    TEntity* Enemy = Place(300, 100);
    const int32_t KeySets[][2] = {{kcRight, kcDown}, {kcLeft, kcUp}, {kcRight, kcUp}};
    for (const auto& Keys2 : KeySets) {
        ClearKeys();
        Press(Keys2[0]);
        Press(Keys2[1]);
        for (int32_t I = 0; I < 10; ++I) {
            Frame();
            for (const TEntity* E : {H, Enemy}) {
                ASSERT_GE(E->X, -1.0f);
                ASSERT_LE(E->X, 0.0f);
                ASSERT_EQ(E->Y, 0.0f);
            }
        }
    }
    EXPECT_EQ(LevelGrid.size(), 1u);
    EXPECT_EQ(LevelGrid[0].size(), 1u);
    EXPECT_EQ(LevelGrid[0][0], fkNone);  // the coin was taken
}

TEST_F(GameRules, ShortRowsReadAsFrame) {
    // Rows shorter than row 0 are read only up to their own end.
    BrickFloor();
    LevelGrid[3].resize(4);
    TEntity* H = PlaceHero(40, 48);
    Press(kcRight);
    for (int32_t I = 0; I < 10; ++I) Frame();
    EXPECT_EQ(H->X, 47.0f);
    EXPECT_EQ(H->Y, 48.0f);
}

// ---- Cell values that are not tile kinds -----------------------------------

TEST_F(GameRules, UnknownCellValueIsNeitherEmptyNorSolid) {
    FillRow(4, 9);
    FillRow(6, fkBrick);
    TEntity* H = PlaceHero(32, 48);
    GameStep();
    EXPECT_EQ(H->Y, 54.0f);  // gravity pulls it in
    EXPECT_FALSE(H->Falling);
    Press(kcRight);
    DeltaTime = 0.02;
    Frame();
    EXPECT_EQ(H->X, 34.0f);  // still steering
    for (int32_t I = 0; I < 100; ++I) Frame();
    EXPECT_EQ(H->Y, 80.0f);  // through it, onto the brick below
    EXPECT_EQ(LevelGrid[4][2], 9);
    EXPECT_EQ(LevelGrid[4][3], 9);
}

// ---- Entering and leaving --------------------------------------------------

class GameEntering : public GameRules {
protected:
    void SetUp() override {
        GameRules::SetUp();
        Folder = Temp.Path;
        std::filesystem::create_directories(Folder / "level" / "default");
        SavedLevelDir = LevelDir;
        SavedLevelName = LevelName;
        SavedMusicDir = MusicDir;
        LevelDir = (Folder / "level").string() + PathDelim;
        LevelName = "default";
        MusicDir = (Folder / "music").string() + PathDelim;
    }
    void TearDown() override {
        GameRules::TearDown();
        LevelDir = SavedLevelDir;
        LevelName = SavedLevelName;
        MusicDir = SavedMusicDir;
    }
    TTempFolder Temp;
    std::filesystem::path Folder;
    std::string SavedLevelDir, SavedLevelName, SavedMusicDir;
};

TEST_F(GameEntering, EnterCreatesEnemyThenHeroAtStartPositions) {
    GameEnter();
    ASSERT_NE(Entities, nullptr);
    ASSERT_NE(Hero, nullptr);
    const TEntity* Enemy = Entities;
    EXPECT_NE(Enemy, Hero);
    EXPECT_EQ(Enemy->X, 300.0f);
    EXPECT_EQ(Enemy->Y, 100.0f);
    EXPECT_EQ(Enemy->Next, Hero);
    EXPECT_EQ(Hero->X, 340.0f);
    EXPECT_EQ(Hero->Y, 100.0f);
    EXPECT_EQ(Hero->Next, nullptr);
    for (const TEntity* E : {Enemy, static_cast<const TEntity*>(Hero)}) {
        EXPECT_FALSE(E->FacingRight);
        EXPECT_FALSE(E->Moving);
        EXPECT_FALSE(E->Falling);
    }
}

TEST_F(GameEntering, LeaveFreesListAndEnterStartsAfresh) {
    GameEnter();
    Press(kcLeft);
    for (int32_t I = 0; I < 3; ++I) Frame();
    GameLeave();
    EXPECT_EQ(Entities, nullptr);
    EXPECT_EQ(Hero, nullptr);
    GameLeave();  // leaving twice is harmless
    GameEnter();
    ASSERT_NE(Hero, nullptr);
    EXPECT_EQ(Hero->X, 340.0f);
    EXPECT_EQ(Entities->Next, Hero);
    EXPECT_EQ(Hero->Next, nullptr);
}

TEST_F(GameEntering, EnterLoadsLevelFileAgain) {
    WriteBytes(LevelFilePath(),
               "mole_ladder.level\r\nheight 2\r\nwidth 3\r\ndata\r\n"
               "row\t0\t5\t0\t5\r\nrow\t1\t1\t1\t1\r\n");
    GameEnter();
    ASSERT_EQ(LevelGrid.size(), 2u);
    ASSERT_EQ(LevelGrid[0].size(), 3u);
    EXPECT_EQ(LevelGrid[0][0], fkCoin);
    EXPECT_EQ(LevelGrid[1][2], fkBrick);
    LevelGrid[0][0] = fkNone;  // as if taken
    GameLeave();
    GameEnter();
    EXPECT_EQ(LevelGrid[0][0], fkCoin);
}

TEST_F(GameEntering, EnterWithoutLevelFileKeepsGridInMemory) {
    BrickFloor();
    LevelGrid[2][7] = fkCoin;
    GameEnter();
    ASSERT_EQ(LevelGrid.size(), 10u);
    ASSERT_EQ(LevelGrid[0].size(), 20u);
    EXPECT_EQ(LevelGrid[4][0], fkBrick);
    EXPECT_EQ(LevelGrid[2][7], fkCoin);
    EXPECT_NE(Hero, nullptr);
}

}  // namespace
