// Level editor: pointer-to-cell mapping, painting, brush stepping, clearing,
// saving on the way out and the layers of its screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "EditorUnit.h"
#include "Fakes.h"
#include "LevelUnit.h"
#include "MainUnit.h"
#include "PexGL.h"
#include "StateUnit.h"
#include "TestFiles.h"
#include "VarsUnit.h"

namespace {

constexpr uint32_t TestTilesTexture = 31;
constexpr uint32_t TestFontTexture = 32;
constexpr uint32_t TestEditorTexture = 33;
constexpr uint32_t TestGuiTexture = 34;

using fake::Batch;
using fake::Batches;

int32_t MenuEnters = 0;
void MenuEntered() {
    ++MenuEnters;
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetGL();
        fake::ResetGlfw();
        ClearKeys();
        Mouse = TMouseState{};
        Quit = false;
        FontMetrics = TFontMetrics{};
        SetTextureSize(256);
        TilesTexture = TestTilesTexture;
        FontTexture = TestFontTexture;
        EditorTexture = TestEditorTexture;
        GuiTexture = TestGuiTexture;
        LevelGrid.assign(10, TFieldRow(20, fkNone));
        Brush = fkNone;
        for (TStateProcs& Row : States) Row = TStateProcs{};
        InitEditor();
        States[stMenu].Enter = MenuEntered;
        MenuEnters = 0;
        CurrentState = stEditor;
        OnUpdate = DispatchUpdate;
        OnDraw = DispatchDraw;

        Dir = std::filesystem::temp_directory_path() / ("pex-editor-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Dir / "level" / "default");
        SavedLevelDir = LevelDir;
        SavedLevelName = LevelName;
        LevelDir = (Dir / "level").string() + PathDelim;
        LevelName = "default";
    }
    void TearDown() override {
        OnUpdate = nullptr;
        OnDraw = nullptr;
        LevelDir = SavedLevelDir;
        LevelName = SavedLevelName;
        std::filesystem::remove_all(Dir);
    }
    static void PointAt(int32_t X, int32_t Y) {
        Mouse.X = X;
        Mouse.Y = Y;
    }
    std::filesystem::path Dir;
    std::string SavedLevelDir, SavedLevelName;
};

// ---- Pointer to cell ---------------------------------------------------------

TEST_F(EditorTest, ColumnIsXDividedBySixteenWithinTheGrid) {
    EXPECT_EQ(CellColumnAt(0), 0);
    EXPECT_EQ(CellColumnAt(15), 0);
    EXPECT_EQ(CellColumnAt(16), 1);
    EXPECT_EQ(CellColumnAt(319), 19);
    EXPECT_EQ(CellColumnAt(320), 19);
    EXPECT_EQ(CellColumnAt(639), 19);
    EXPECT_EQ(CellColumnAt(-1), 0);
    EXPECT_EQ(CellColumnAt(-100), 0);
    EXPECT_EQ(CellColumnAt(INT32_MAX), 19);
    EXPECT_EQ(CellColumnAt(INT32_MIN), 0);
}

TEST_F(EditorTest, RowStartsNinetySixPixelsDownAndBandMapsToRowZero) {
    EXPECT_EQ(CellRowAt(0), 0);
    EXPECT_EQ(CellRowAt(80), 0);
    EXPECT_EQ(CellRowAt(96), 0);
    EXPECT_EQ(CellRowAt(111), 0);
    EXPECT_EQ(CellRowAt(112), 1);
    EXPECT_EQ(CellRowAt(255), 9);
    EXPECT_EQ(CellRowAt(256), 9);
    EXPECT_EQ(CellRowAt(479), 9);
    EXPECT_EQ(CellRowAt(-5000), 0);
    EXPECT_EQ(CellRowAt(INT32_MIN), 0);
    EXPECT_EQ(CellRowAt(INT32_MAX), 9);
}

TEST_F(EditorTest, MappingFollowsTheGridSize) {
    LevelGrid.assign(1, TFieldRow(1, fkNone));
    EXPECT_EQ(CellColumnAt(600), 0);
    EXPECT_EQ(CellRowAt(400), 0);
    LevelGrid.assign(30, TFieldRow(40, fkNone));
    EXPECT_EQ(CellColumnAt(639), 39);
    EXPECT_EQ(CellRowAt(479), 23);
    EXPECT_EQ(CellRowAt(1000), 29);
}

// ---- Painting and the brush ----------------------------------------------------

TEST_F(EditorTest, LeftButtonPaintsTheCellUnderThePointerEveryFrame) {
    Brush = fkBrick;
    MouseButtonCallback(0, 1);
    PointAt(40, 130);  // column 2, row 2
    EditorUpdate();
    EXPECT_EQ(LevelGrid[2][2], fkBrick);
    PointAt(100, 130);  // column 6: the columns between stay as they were
    EditorUpdate();
    EXPECT_EQ(LevelGrid[2][6], fkBrick);
    for (int32_t C = 3; C <= 5; ++C) EXPECT_EQ(LevelGrid[2][C], fkNone) << C;
    MouseButtonCallback(0, 0);
    PointAt(200, 130);
    EditorUpdate();
    EXPECT_EQ(LevelGrid[2][12], fkNone);
}

TEST_F(EditorTest, PointerInTheBandPaintsRowZeroAndRightOfGridPaintsLastColumn) {
    Brush = fkCoin;
    Mouse.Left = true;
    PointAt(50, 10);
    EditorUpdate();
    EXPECT_EQ(LevelGrid[0][3], fkCoin);
    PointAt(600, 120);
    EditorUpdate();
    EXPECT_EQ(LevelGrid[1][19], fkCoin);
    PointAt(-30, 470);
    EditorUpdate();
    EXPECT_EQ(LevelGrid[9][0], fkCoin);
}

TEST_F(EditorTest, RightClickStepsTheBrushOncePerPress) {
    MouseButtonCallback(1, 1);
    EditorUpdate();
    EditorUpdate();
    EditorUpdate();
    EXPECT_EQ(Brush, fkBrick);
    EXPECT_FALSE(Mouse.Right);
    MouseButtonCallback(1, 0);
    EditorUpdate();
    EXPECT_EQ(Brush, fkBrick);
}

TEST_F(EditorTest, EightRightClicksReturnTheBrushToWhereItStarted) {
    const std::vector<TFieldKind> Expected = {fkBrick, fkSteel, fkStairWay, fkRope,
                                              fkCoin,  fkHero,  fkEnemy,    fkNone};
    std::vector<TFieldKind> Seen;
    for (int32_t Click = 0; Click < 8; ++Click) {
        MouseButtonCallback(1, 1);
        EditorUpdate();
        MouseButtonCallback(1, 0);
        Seen.push_back(Brush);
    }
    EXPECT_EQ(Seen, Expected);
    Brush = fkRope;
    for (int32_t Click = 0; Click < 8; ++Click) {
        Mouse.Right = true;
        EditorUpdate();
    }
    EXPECT_EQ(Brush, fkRope);
}

TEST_F(EditorTest, BothButtonsPaintWithTheOldBrushThenStep) {
    Brush = fkCoin;
    Mouse.Left = true;
    Mouse.Right = true;
    PointAt(8, 100);
    EditorUpdate();
    EXPECT_EQ(LevelGrid[0][0], fkCoin);
    EXPECT_EQ(Brush, fkHero);
    EditorUpdate();
    EXPECT_EQ(LevelGrid[0][0], fkHero);
    EXPECT_EQ(Brush, fkHero);
}

TEST_F(EditorTest, F11ClearsOncePerPressAndNothingElseThatFrame) {
    for (TFieldRow& Row : LevelGrid) Row.assign(Row.size(), fkSteel);
    Brush = fkBrick;
    Mouse.Left = true;
    Mouse.Right = true;
    PointAt(0, 96);
    KeyCallback(kcF11, 1);
    EditorUpdate();
    for (const TFieldRow& Row : LevelGrid)
        for (TFieldKind Cell : Row) EXPECT_EQ(Cell, fkNone);
    EXPECT_EQ(LevelGrid.size(), 10u);
    EXPECT_EQ(LevelGrid[9].size(), 20u);
    EXPECT_EQ(Brush, fkBrick);
    EXPECT_TRUE(Mouse.Right);
    // F11 is still held: the next frame paints and steps instead of clearing again.
    EditorUpdate();
    EXPECT_EQ(LevelGrid[0][0], fkBrick);
    EXPECT_EQ(Brush, fkSteel);
}

TEST_F(EditorTest, ClearLevelKeepsTheGridSize) {
    LevelGrid.assign(3, TFieldRow(4, fkCoin));
    ClearLevel();
    EXPECT_EQ(LevelGrid, TFieldGrid(3, TFieldRow(4, fkNone)));
}

// ---- Entering and leaving ------------------------------------------------------

TEST_F(EditorTest, EscapeSwitchesToTheMenuAndSavesThePaintedLevel) {
    LevelGrid.assign(2, TFieldRow(3, fkNone));
    Brush = fkStairWay;
    Mouse.Left = true;
    PointAt(35, 120);  // column 2, row 1
    EditorUpdate();
    Mouse.Left = false;
    KeyCallback(kcEscape, 1);
    EditorUpdate();
    EXPECT_EQ(CurrentState, stMenu);
    EXPECT_EQ(MenuEnters, 1);
    EXPECT_FALSE(KeyDown(kcEscape));
    EXPECT_EQ(ReadBytes(LevelFilePath()),
              "mole_ladder.level\r\nheight 2\r\nwidth 3\r\ndata\r\n"
              "row\t0\t0\t0\t0\r\nrow\t1\t0\t0\t3\r\n");
}

TEST_F(EditorTest, F11ThenEscapeSavesAnEmptyGrid) {
    LevelGrid.assign(2, TFieldRow(2, fkBrick));
    KeyCallback(kcF11, 1);
    EditorUpdate();
    KeyCallback(kcEscape, 1);
    EditorUpdate();
    EXPECT_EQ(
        ReadBytes(LevelFilePath()),
        "mole_ladder.level\r\nheight 2\r\nwidth 2\r\ndata\r\nrow\t0\t0\t0\r\nrow\t1\t0\t0\r\n");
}

TEST_F(EditorTest, EnterLoadsTheLevelFileAndMissingFileKeepsTheGrid) {
    LevelGrid.assign(2, TFieldRow(2, fkRope));
    EditorEnter();
    EXPECT_EQ(LevelGrid, TFieldGrid(2, TFieldRow(2, fkRope)));
    WriteBytes(LevelFilePath(),
               "mole_ladder.level\r\nheight 1\r\nwidth 2\r\ndata\r\nrow\t0\t5\t7\r\n");
    EditorEnter();
    EXPECT_EQ(LevelGrid, TFieldGrid(1, TFieldRow{fkCoin, fkEnemy}));
}

// ---- Drawing ---------------------------------------------------------------------

TEST_F(EditorTest, DrawsPanelGridTitlePreviewFrameAndPointer) {
    LevelGrid.assign(2, TFieldRow(3, fkNone));
    LevelGrid[1][2] = fkCoin;
    Brush = fkRope;
    PointAt(600, 470);  // right of and below the grid: column 2, row 1
    EditorDraw();
    const std::vector<Batch> All = Batches();
    ASSERT_EQ(All.size(), 6u);

    EXPECT_EQ(All[0].Texture, TestTilesTexture);
    EXPECT_EQ(All[0].Vertices.size(), 4u * 80);
    EXPECT_EQ(All[0].Vertices[0], std::make_pair(0.0, 0.0));
    EXPECT_EQ(All[0].Vertices.back(), std::make_pair(576.0, 512.0));
    EXPECT_EQ(All[0].TexCoords[0], std::make_pair(16.0 / 256, 32.0 / 256));

    // The grid in level space, shifted 96 pixels down by the model-view matrix.
    EXPECT_EQ(All[1].Texture, TestTilesTexture);
    ASSERT_EQ(All[1].Vertices.size(), 4u * 6);
    EXPECT_EQ(All[1].Vertices[20], std::make_pair(32.0, 16.0));
    EXPECT_EQ(All[1].TexCoords[20], std::make_pair(80.0 / 256, 0.0));
    const std::vector<fake::GLCall> Shifts = fake::CallsNamed("glTranslatef");
    ASSERT_EQ(Shifts.size(), 1u);
    EXPECT_EQ(Shifts[0].Args, (std::vector<double>{0, 96, 0}));
    EXPECT_EQ(fake::CountCalls("glPushMatrix"), 1u);
    EXPECT_EQ(fake::CountCalls("glPopMatrix"), 1u);

    EXPECT_EQ(All[2].Texture, TestFontTexture);
    EXPECT_EQ(All[2].Color, (std::array<int32_t, 4>{255, 255, 255, 255}));
    EXPECT_EQ(All[2].Vertices.size(), 4u * 7);
    EXPECT_EQ(All[2].Vertices[0], std::make_pair(240.0, 16.0));
    EXPECT_EQ(FontMetrics.Size, 16);

    EXPECT_EQ(All[3].Texture, TestTilesTexture);
    EXPECT_EQ(All[3].Color, (std::array<int32_t, 4>{255, 255, 255, 224}));
    EXPECT_EQ(All[3].Vertices[0], std::make_pair(32.0, 112.0));
    EXPECT_EQ(All[3].Vertices[2], std::make_pair(48.0, 128.0));
    EXPECT_EQ(All[3].TexCoords[0], std::make_pair(64.0 / 256, 0.0));

    EXPECT_EQ(All[4].Texture, TestEditorTexture);
    EXPECT_EQ(All[4].Color, (std::array<int32_t, 4>{255, 255, 255, 255}));
    EXPECT_EQ(All[4].Vertices[0], std::make_pair(16.0, 96.0));
    EXPECT_EQ(All[4].Vertices[2], std::make_pair(80.0, 160.0));
    EXPECT_EQ(All[4].TexCoords[0], std::make_pair(0.0, 0.0));

    EXPECT_EQ(All[5].Texture, TestGuiTexture);
    EXPECT_EQ(All[5].Vertices[0], std::make_pair(600.0, 470.0));
    EXPECT_EQ(All[5].Vertices[2], std::make_pair(632.0, 518.0));
    EXPECT_EQ(All[5].TexCoords[0], std::make_pair(16.0 / 256, 16.0 / 256));
}

TEST_F(EditorTest, CursorFrameSticksOutLeftOfTheFirstColumn) {
    PointAt(3, 20);
    EditorDraw();
    const std::vector<Batch> All = Batches();
    ASSERT_EQ(All.size(), 6u);
    EXPECT_EQ(All[3].Vertices[0], std::make_pair(0.0, 96.0));
    EXPECT_EQ(All[4].Vertices[0], std::make_pair(-16.0, 80.0));
}

}  // namespace
