// Level editor: pointer-to-cell mapping, painting, brush stepping, clearing,
// saving on the way out and the layers of its screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "EditorUnit.h"
#include "EngineState.h"
#include "Fakes.h"
#include "GLState.h"
#include "GameUnit.h"
#include "GuestUnit.h"
#include "LevelUnit.h"
#include "LinkUnit.h"
#include "MainUnit.h"
#include "PexGL.h"
#include "StateUnit.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TestSystem.h"
#include "UndoUnit.h"
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
        ResetEngine();
        TilesTexture = TestTilesTexture;
        FontTexture = TestFontTexture;
        EditorTexture = TestEditorTexture;
        GuiTexture = TestGuiTexture;
        LevelGrid.assign(10, TFieldRow(20, fkNone));
        Brush = fkNone;
        Dir = Temp.Path;
        std::filesystem::create_directories(Dir / "level" / "default");
        SavedLevelDir = LevelDir;
        SavedLevelName = LevelName;
        LevelDir = (Dir / "level").string() + PathDelim;
        LevelName = "default";
        // The editor's journal goes to the test's folder, not the user's.
        setenv("XDG_STATE_HOME", State.Path.c_str(), 1);
        setenv("LOCALAPPDATA", State.Path.c_str(), 1);
        InitEditor();
        States[stMenu].Enter = MenuEntered;
        MenuEnters = 0;
        CurrentState = stEditor;
        OnUpdate = DispatchUpdate;
        OnDraw = DispatchDraw;
    }
    void TearDown() override {
        DoneEditor();
        unsetenv("XDG_STATE_HOME");
        unsetenv("LOCALAPPDATA");
        OnUpdate = nullptr;
        OnDraw = nullptr;
        LevelDir = SavedLevelDir;
        LevelName = SavedLevelName;
    }
    static void PointAt(int32_t X, int32_t Y) {
        Mouse.X = X;
        Mouse.Y = Y;
    }
    TTempFolder Temp, State;
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

// A run that ends without leaving the editor (a crash, a killed program) loses
// at most the last second: the journal has the first change at once and later
// ones within a second; the next start opens the editor with them, and the
// save when it is left removes the journal.
TEST_F(EditorTest, UnsavedChangesSurviveARunThatNeverLeftTheEditor) {
    const std::string Saved =
        "mole_ladder.level\r\nheight 1\r\nwidth 2\r\ndata\r\nrow\t0\t0\t0\r\n";
    WriteBytes(LevelFilePath(), Saved);
    EditorEnter();
    Brush = fkBrick;
    Mouse.Left = true;
    PointAt(0, 100);
    EditorUpdate();
    const std::filesystem::path Journal =
        std::filesystem::directory_iterator(std::filesystem::path(State.Path) / "pex")->path();
    EXPECT_NE(ReadBytes(Journal.string()).find("row\t0\t1\t0\r\n"), std::string::npos);
    PointAt(16, 100);
    EditorUpdate();  // within the second: the journal waits
    EXPECT_NE(ReadBytes(Journal.string()).find("row\t0\t1\t0\r\n"), std::string::npos);
    fake::Times = {1.0, 1.0};
    ProcessFrame();
    EXPECT_NE(ReadBytes(Journal.string()).find("row\t0\t1\t1\r\n"), std::string::npos);

    // The next run.
    DoneEditor();
    LevelGrid.assign(10, TFieldRow(20, fkNone));
    testing::internal::CaptureStderr();
    InitEditor();
    const std::string Said = testing::internal::GetCapturedStderr();
    EXPECT_NE(Said.find("are restored from \""), std::string::npos) << Said;
    EXPECT_NE(Said.find(Journal.filename().string() + "\"; the editor opens with them"),
              std::string::npos)
        << Said;
    Mouse.Left = false;
    EditorEnter();
    EXPECT_EQ(LevelGrid, TFieldGrid(1, TFieldRow{fkBrick, fkBrick}));
    EXPECT_EQ(ReadBytes(LevelFilePath()), Saved);
    KeyCallback(kcEscape, 1);
    EditorUpdate();
    EXPECT_NE(ReadBytes(LevelFilePath()), Saved);
    EXPECT_FALSE(std::filesystem::exists(Journal));
}

// A guest level from a link: played and edited beside the own level, which
// stays as it was; F2 hands out the link of the grid being edited; kept as the
// own level, the own level is kept beside it and the editor's unsaved changes
// follow; a second guest keeps the first beside it.
TEST_F(EditorTest, GuestLevelLeavesTheOwnAloneUntilKeptAndLosesNothing) {
    namespace fs = std::filesystem;
    const std::string Own = LevelFilePath();
    const std::string OwnText = "mole_ladder.level\r\nheight 1\r\nwidth 1\r\ndata\r\nrow\t0\t5\r\n";
    WriteBytes(Own, OwnText);
    const TFieldGrid Guest(2, TFieldRow{fkBrick, 200, fkRope});
    std::string Error;
    ASSERT_TRUE(PrepareGuestLevel("x#level=" + LevelLinkData(Guest), Error)) << Error;
    DoneEditor();
    InitGuest();
    InitEditor();
    EXPECT_EQ(FirstState, stGame);
    EXPECT_EQ(ReadBytes(LevelFilePath()), LevelTextOf(Guest));
    EXPECT_EQ(ReadBytes(Own), OwnText);

    EditorEnter();
    Mouse.Left = true;
    PointAt(0, 96);
    EditorUpdate();  // paints fkNone into row 0, column 0; the journal has it
    Mouse.Left = false;
    testing::internal::CaptureStdout();
    KeyCallback(kcF2, 1);
    EditorUpdate();
    const std::string Printed = testing::internal::GetCapturedStdout();
    ASSERT_EQ(fake::Clipboard.size(), 1u);
    EXPECT_EQ(Printed, fake::Clipboard[0] + "\n");
    TFieldGrid Linked;
    ASSERT_TRUE(ReadLevelLink(fake::Clipboard[0], Linked, Error)) << Error;
    EXPECT_EQ(Linked, LevelGrid);

    testing::internal::CaptureStderr();
    KeepGuestAsOwn();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("kept as"), std::string::npos);
    EXPECT_EQ(LevelFilePath(), Own);
    EXPECT_EQ(ReadBytes(Own), LevelTextOf(Guest));
    EXPECT_EQ(ReadBytes(Own + ".kept"), OwnText);
    // Only the moved journal is left in the state folder, and it names the own file.
    const fs::path States = fs::path(State.Path) / "pex";
    ASSERT_EQ(std::distance(fs::directory_iterator(States), fs::directory_iterator()), 1);
    EXPECT_NE(ReadBytes(fs::directory_iterator(States)->path().string()).find(Own),
              std::string::npos);
    KeyCallback(kcEscape, 1);
    EditorUpdate();
    EXPECT_EQ(ReadBytes(Own), LevelText());
    EXPECT_TRUE(fs::is_empty(States));

    // A second guest level keeps the first, as it was last saved, beside it.
    DoneGuest();
    const std::string First = LevelFilePathOf(GuestLevelName);
    ASSERT_TRUE(PrepareGuestLevel("level=" + LevelLinkData(TFieldGrid(1, TFieldRow(1))), Error))
        << Error;
    InitGuest();
    EXPECT_EQ(ReadBytes(First + ".kept"), LevelTextOf(Guest));
    DoneGuest();

    // What is no link is a file, and one of another kind is not opened.
    WriteBytes((Dir / "menu.txt").string(), "?ex2.menu\r\n");
    EXPECT_FALSE(PrepareGuestLevel((Dir / "menu.txt").string(), Error));
    EXPECT_NE(Error.find("is no level file"), std::string::npos) << Error;
}

// Keeping a guest level with each of its file steps failing in turn, once or
// from then on, with each kind of error: the player's old level is always
// somewhere in its folder, the own file holds the old level or the guest one
// whole, and the guest level stays in use unless it is the own one now.
TEST_F(EditorTest, KeepingAGuestLevelLosesNeitherLevelWhereverAFileStepFails) {
    namespace fs = std::filesystem;
    const std::string Own = LevelFilePath();
    const std::string OwnText = "mole_ladder.level\r\nheight 1\r\nwidth 1\r\ndata\r\nrow\t0\t5\r\n";
    const TFieldGrid Guest(2, TFieldRow{fkBrick, fkRope});
    const std::string GuestText = LevelTextOf(Guest);
    std::string Error;
    const auto KeepWithFault = [&](int64_t Step, int Code, bool Persist) {
        for (const auto& Entry : fs::directory_iterator(fs::path(Own).parent_path()))
            fs::remove(Entry.path());
        WriteBytes(Own, OwnText);
        DoneGuest();
        EXPECT_TRUE(PrepareGuestLevel("level=" + LevelLinkData(Guest), Error));
        InitGuest();
        testing::internal::CaptureStderr();
        PlatformFailFileStep(Step, Code, Persist);
        KeepGuestAsOwn();
        const int64_t Steps = PlatformFileSteps();
        PlatformFailFileStep(0, 0);
        testing::internal::GetCapturedStderr();
        SCOPED_TRACE("step " + std::to_string(Step) + " of error " + std::to_string(Code) +
                     (Persist ? " from then on" : " once"));
        const std::string Now = ReadBytes(Own);
        EXPECT_TRUE(Now == OwnText || Now == GuestText) << Now;
        EXPECT_EQ(GuestLevelInUse(), Now != GuestText);
        EXPECT_EQ(ReadBytes(LevelFilePathOf(GuestLevelName)), GuestText);
        bool OldThere = Now == OwnText;
        for (const auto& Entry : fs::directory_iterator(fs::path(Own).parent_path()))
            OldThere = OldThere || ReadBytes(Entry.path().string()) == OwnText;
        EXPECT_TRUE(OldThere);
        return Steps;
    };
    const int64_t Steps = KeepWithFault(0, 0, false);
    ASSERT_GT(Steps, 2);
    for (const int Code : FileStepErrors)
        for (const bool Persist : {false, true})
            for (int64_t Step = 1; Step <= Steps && !HasFailure(); ++Step)
                KeepWithFault(Step, Code, Persist);
    DoneGuest();
}

// ---- Drawing ---------------------------------------------------------------------

using TRect = std::array<double, 4>;  // left, top, right, bottom

// A drawn quad: where it lands in the window and the part of its picture it
// shows, in the picture's pixels.
struct TQuad {
    TRect Window, Picture;
};

// The quads of a batch, moved by the model-view matrix in force at its glBegin.
std::vector<TQuad> Quads(const Batch& B) {
    const TAxisMatrix Model = TGLState(B.BeginIndex).Matrix(GL_MODELVIEW);
    const auto& V = B.Vertices;
    const auto& T = B.TexCoords;
    std::vector<TQuad> Result;
    for (size_t I = 0; I + 3 < V.size() && I + 3 < T.size(); I += 4) {
        const auto [Left, Top] = Model(V[I].first, V[I].second);
        const auto [Right, Bottom] = Model(V[I + 2].first, V[I + 2].second);
        Result.push_back({{Left, Top, Right, Bottom},
                          {T[I].first * TextureWidth, T[I].second * TextureHeight,
                           T[I + 2].first * TextureWidth, T[I + 2].second * TextureHeight}});
    }
    return Result;
}

// The part of its picture a quad puts under the window rectangle R.
TRect PictureUnder(const TQuad& Q, const TRect& R) {
    TRect Under;
    for (int I = 0; I < 4; ++I) {
        const int A = I % 2;  // 0 across, 1 down
        Under[I] = Q.Picture[A] + (R[I] - Q.Window[A]) * (Q.Picture[A + 2] - Q.Picture[A]) /
                                      (Q.Window[A + 2] - Q.Window[A]);
    }
    return Under;
}

// The whole image of a kind in the tiles, a cell's size.
TRect ImageOf(TFieldKind Kind) {
    const TSourcePos Source = TileSourceOf(Kind);
    return {double(Source.X), double(Source.Y), double(Source.X + CellSize),
            double(Source.Y + CellSize)};
}

TEST_F(EditorTest, ScreenShowsPanelLevelTitlePreviewFrameAndPointerBackToFront) {
    // One row holding every kind.
    LevelGrid.assign(1, TFieldRow{});
    for (TFieldKind Kind = 0; Kind < FieldKindCount; ++Kind) LevelGrid[0].push_back(Kind);
    EditorDraw();
    const std::vector<Batch> All = Batches();
    std::vector<uint32_t> Textures;
    for (const Batch& B : All) Textures.push_back(B.Texture);
    EXPECT_EQ(Textures,
              (std::vector<uint32_t>{TestTilesTexture, TestTilesTexture, TestFontTexture,
                                     TestTilesTexture, TestEditorTexture, TestGuiTexture}));
    ASSERT_EQ(All.size(), 6u);

    // The panel fills the 640 x 480 layout.
    const std::vector<TQuad> Panel = Quads(All[0]);
    for (double Y = 0.5; Y < 480; Y += 8)
        for (double X = 0.5; X < 640; X += 8)
            EXPECT_TRUE(std::any_of(Panel.begin(), Panel.end(),
                                    [&](const TQuad& Q) {
                                        return Q.Window[0] < X && X < Q.Window[2] &&
                                               Q.Window[1] < Y && Y < Q.Window[3];
                                    }))
                << X << "," << Y;

    // Each cell shows the image of its kind, and no two kinds look alike.
    std::set<TRect> Images;
    for (const TQuad& Cell : Quads(All[1])) {
        const TFieldKind Kind = TFieldKind(Cell.Window[0] / CellSize);  // the column's kind
        EXPECT_EQ(Cell.Picture, ImageOf(Kind)) << int(Kind);
        Images.insert(Cell.Picture);
    }
    EXPECT_EQ(Images.size(), size_t(FieldKindCount));

    // The preview lets the cell under it show through.
    EXPECT_GT(All[3].Color[3], 127);
    EXPECT_LT(All[3].Color[3], 255);

    // The title is the game's, where the game's HUD shows it, in the band above the level.
    const Batch Title = All[2];
    fake::ResetGL();
    DrawHud();
    const std::vector<Batch> Hud = Batches();
    const auto Same = std::find_if(Hud.begin(), Hud.end(),
                                   [&](const Batch& B) { return B.TexCoords == Title.TexCoords; });
    ASSERT_NE(Same, Hud.end());
    EXPECT_EQ(Same->Vertices, Title.Vertices);
    for (const auto& [X, Y] : Title.Vertices)
        EXPECT_TRUE(X >= 0 && X <= 640 && Y >= 0 && Y <= LevelTop) << X << "," << Y;
}

// Where the pictures put what the editor lines up (ShippedImagesTest checks
// the files): the opening that editor.tga's cursor frame leaves for the cell,
// and the tip of gui.tga's pointer, a point.
constexpr TRect FrameOpening = {16, 16, 32, 32};
constexpr TRect PointerTip = {16, 16, 16, 16};

TEST_F(EditorTest, PreviewAndFrameMarkTheCellAClickPaintsAndThePointerTipIsTheMouse) {
    // Inside the grid, in the band above it, right of and below it, left of
    // it; a brush of another kind each time.
    for (auto [X, Y] : {std::pair<double, double>{40, 130}, {50, 10}, {600, 470}, {-30, 200}}) {
        SCOPED_TRACE(std::to_string(X) + "," + std::to_string(Y));
        Brush = static_cast<TFieldKind>(Brush % fkEnemy + 1);
        ClearLevel();
        PointAt(int32_t(X), int32_t(Y));
        Mouse.Left = true;
        EditorUpdate();
        Mouse.Left = false;
        fake::ResetGL();
        EditorDraw();
        const std::vector<Batch> All = Batches();
        ASSERT_EQ(All.size(), 6u);

        // The preview shows the brush's image over the one cell the click painted.
        const TQuad Preview = Quads(All[3]).at(0);
        EXPECT_EQ(Preview.Picture, ImageOf(Brush));
        std::vector<TQuad> Painted;
        for (const TQuad& Cell : Quads(All[1]))
            if (Cell.Picture == ImageOf(Brush)) Painted.push_back(Cell);
        ASSERT_EQ(Painted.size(), 1u);
        EXPECT_EQ(Painted[0].Window, Preview.Window);
        // The cell fills the cursor frame's opening.
        EXPECT_EQ(PictureUnder(Quads(All[4]).at(0), Preview.Window), FrameOpening);
        EXPECT_EQ(PictureUnder(Quads(All[5]).at(0), {X, Y, X, Y}), PointerTip);
    }
}

// ---- Undo and redo ---------------------------------------------------------------

class EditorHistoryTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        ClearHistory();
    }
    void TearDown() override {
        ClearHistory();
        EditorTest::TearDown();
    }
    // One press of the left button over the cells, one frame each, then the release.
    static void Stroke(std::initializer_list<std::pair<int32_t, int32_t>> Cells) {
        MouseButtonCallback(0, 1);
        for (const auto& [Row, Column] : Cells) {
            PointAt(16 * Column + 8, 96 + 16 * Row + 8);
            EditorUpdate();
        }
        MouseButtonCallback(0, 0);
        EditorUpdate();
    }
    // Modifiers held, Key pressed for one frame, then everything released.
    static void Chord(std::initializer_list<int32_t> Modifiers, int32_t Key) {
        for (int32_t Modifier : Modifiers) KeyCallback(Modifier, 1);
        KeyCallback(Key, 1);
        EditorUpdate();
        KeyCallback(Key, 0);
        for (int32_t Modifier : Modifiers) KeyCallback(Modifier, 0);
        EditorUpdate();
    }
    static void Undo() { Chord({kcLeftCtrl}, kcZ); }
    static void Redo() { Chord({kcLeftCtrl}, kcY); }
    static void FillPattern() {
        for (size_t R = 0; R < LevelGrid.size(); ++R)
            for (size_t C = 0; C < LevelGrid[R].size(); ++C)
                LevelGrid[R][C] = static_cast<TFieldKind>((R * 7 + C * 3) % 9);
    }
};

TEST_F(EditorHistoryTest, PaintPaintUndoRedo) {
    Brush = fkBrick;
    Stroke({{2, 3}, {2, 4}});  // a drag: one change of two cells
    Brush = fkCoin;
    Stroke({{5, 5}});
    EXPECT_EQ(UndoSteps(), 2);
    Undo();
    EXPECT_EQ(LevelGrid[5][5], fkNone);
    EXPECT_EQ(LevelGrid[2][3], fkBrick);
    EXPECT_EQ(LevelGrid[2][4], fkBrick);
    Undo();
    EXPECT_EQ(LevelGrid, TFieldGrid(10, TFieldRow(20, fkNone)));
    EXPECT_EQ(UndoSteps(), 0);
    EXPECT_EQ(RedoSteps(), 2);
    Undo();  // nothing left to take back
    EXPECT_EQ(LevelGrid, TFieldGrid(10, TFieldRow(20, fkNone)));
    Redo();
    EXPECT_EQ(LevelGrid[2][3], fkBrick);
    EXPECT_EQ(LevelGrid[2][4], fkBrick);
    EXPECT_EQ(LevelGrid[5][5], fkNone);
    Chord({kcRightCtrl, kcRightShift}, kcZ);
    EXPECT_EQ(LevelGrid[5][5], fkCoin);
    EXPECT_EQ(RedoSteps(), 0);
    Redo();  // nothing left to make again
    EXPECT_EQ(LevelGrid[5][5], fkCoin);
    EXPECT_EQ(UndoSteps(), 2);
}

TEST_F(EditorHistoryTest, CellRepaintedInOnePressGetsBackWhatItHeldFirst) {
    LevelGrid[1][1] = fkRope;
    Brush = fkBrick;
    MouseButtonCallback(0, 1);
    PointAt(24, 120);  // row 1, column 1
    EditorUpdate();
    Mouse.Right = true;  // the brush steps to steel while the left button is held
    EditorUpdate();
    EditorUpdate();
    EXPECT_EQ(LevelGrid[1][1], fkSteel);
    MouseButtonCallback(0, 0);
    EditorUpdate();
    EXPECT_EQ(UndoSteps(), 1);
    Undo();
    EXPECT_EQ(LevelGrid[1][1], fkRope);
    Redo();
    EXPECT_EQ(LevelGrid[1][1], fkSteel);
}

TEST_F(EditorHistoryTest, PaintingTheKindACellHoldsOrClearingAnEmptyGridIsNoChange) {
    LevelGrid[0][0] = fkBrick;
    Brush = fkBrick;
    Stroke({{0, 0}});
    EXPECT_EQ(UndoSteps(), 0);
    LevelGrid[0][0] = fkNone;
    Chord({}, kcF11);
    EXPECT_EQ(UndoSteps(), 0);
    EXPECT_EQ(HistoryBytes(), 0u);
}

TEST_F(EditorHistoryTest, F11ThenUndoRestoresEveryCell) {
    // A filled grid is kept whole, a sparse one cell by cell: both come back.
    for (bool Sparse : {false, true}) {
        ClearHistory();
        LevelGrid.assign(10, TFieldRow(20, fkNone));
        if (Sparse) {
            LevelGrid[0][0] = fkHero;
            LevelGrid[9][19] = fkEnemy;
            LevelGrid[4][7] = 200;  // not a tile kind, but what the file held
        } else {
            FillPattern();
        }
        const TFieldGrid Before = LevelGrid;
        Chord({}, kcF11);
        EXPECT_EQ(LevelGrid, TFieldGrid(10, TFieldRow(20, fkNone))) << Sparse;
        Undo();
        EXPECT_EQ(LevelGrid, Before) << Sparse;
        Redo();
        EXPECT_EQ(LevelGrid, TFieldGrid(10, TFieldRow(20, fkNone))) << Sparse;
        Undo();
        EXPECT_EQ(LevelGrid, Before) << Sparse;
    }
}

TEST_F(EditorHistoryTest, PaintingInsideAClearIsUndoneStepByStep) {
    FillPattern();
    const TFieldGrid Start = LevelGrid;
    Brush = fkCoin;
    Stroke({{3, 3}});
    const TFieldGrid Painted = LevelGrid;
    Chord({}, kcF11);
    Brush = fkBrick;
    Stroke({{1, 1}});
    Undo();
    EXPECT_EQ(LevelGrid, TFieldGrid(10, TFieldRow(20, fkNone)));
    Undo();
    EXPECT_EQ(LevelGrid, Painted);
    Undo();
    EXPECT_EQ(LevelGrid, Start);
}

TEST_F(EditorHistoryTest, NewChangeAfterUndoDropsTheRedoBranch) {
    Brush = fkBrick;
    Stroke({{0, 0}});
    Stroke({{0, 1}});
    Undo();
    EXPECT_EQ(RedoSteps(), 1);
    Brush = fkSteel;
    Stroke({{0, 2}});
    EXPECT_EQ(RedoSteps(), 0);
    EXPECT_EQ(UndoSteps(), 2);
    Redo();
    EXPECT_EQ(LevelGrid[0][1], fkNone);
    Undo();
    Undo();
    EXPECT_EQ(LevelGrid, TFieldGrid(10, TFieldRow(20, fkNone)));
}

TEST_F(EditorHistoryTest, CtrlZActsOncePerPressAndOnlyWithCtrl) {
    Brush = fkBrick;
    Stroke({{0, 0}});
    Stroke({{0, 1}});
    // Ctrl and Z held over several frames: one undo.
    KeyCallback(kcLeftCtrl, 1);
    KeyCallback(kcZ, 1);
    EditorUpdate();
    EditorUpdate();
    EditorUpdate();
    EXPECT_EQ(UndoSteps(), 1);
    KeyCallback(kcZ, 0);
    KeyCallback(kcLeftCtrl, 0);
    // Z alone, and Ctrl going down while Z is still held: nothing.
    KeyCallback(kcZ, 1);
    EditorUpdate();
    KeyCallback(kcLeftCtrl, 1);
    EditorUpdate();
    EXPECT_EQ(UndoSteps(), 1);
    EXPECT_EQ(LevelGrid[0][0], fkBrick);
    KeyCallback(kcZ, 0);
    KeyCallback(kcLeftCtrl, 0);
    Chord({kcRightCtrl}, kcZ);
    EXPECT_EQ(LevelGrid[0][0], fkNone);
    Chord({kcLeftShift}, kcY);  // Shift is not Ctrl
    EXPECT_EQ(RedoSteps(), 2);
    Chord({kcRightCtrl}, kcY);
    EXPECT_EQ(LevelGrid[0][0], fkBrick);
}

// The press is ended first, and the button still held paints nothing more:
// what was taken back stays taken back, and can be made again.
TEST_F(EditorHistoryTest, UndoWhileTheButtonIsHeldPaintsOnlyAtItsNextPress) {
    Brush = fkBrick;
    MouseButtonCallback(0, 1);
    PointAt(8, 100);
    EditorUpdate();
    Undo();
    EditorUpdate();
    EXPECT_EQ(LevelGrid[0][0], fkNone);
    EXPECT_EQ(UndoSteps(), 0);
    EXPECT_EQ(RedoSteps(), 1);
    Redo();
    EditorUpdate();
    EXPECT_EQ(LevelGrid[0][0], fkBrick);
    Undo();
    MouseButtonCallback(0, 0);
    EditorUpdate();
    EXPECT_EQ(RedoSteps(), 1);
    MouseButtonCallback(0, 1);  // a new press paints again, as a new change
    EditorUpdate();
    EXPECT_EQ(LevelGrid[0][0], fkBrick);
    EXPECT_EQ(UndoSteps(), 1);
    EXPECT_EQ(RedoSteps(), 0);
}

TEST_F(EditorHistoryTest, HistoryKeepsTheLastThousandChanges) {
    // Each press flips cell (0, 0) between brick and empty.
    const int32_t Changes = HistoryStepLimit + 5;
    for (int32_t Change = 1; Change <= Changes; ++Change) {
        Brush = Change % 2 ? fkBrick : fkNone;
        Stroke({{0, 0}});
    }
    EXPECT_EQ(UndoSteps(), HistoryStepLimit);
    for (int32_t Step = 0; Step < HistoryStepLimit; ++Step) UndoEdit();
    // Back to the state after the fifth change: the first five were dropped.
    EXPECT_EQ(LevelGrid[0][0], fkBrick);
    EXPECT_EQ(UndoSteps(), 0);
    UndoEdit();
    EXPECT_EQ(LevelGrid[0][0], fkBrick);
    EXPECT_EQ(RedoSteps(), HistoryStepLimit);
}

TEST_F(EditorHistoryTest, EnteringTheEditorStartsAnEmptyHistory) {
    Brush = fkBrick;
    Stroke({{0, 0}});
    Chord({}, kcF11);
    EditorLeave();
    EXPECT_EQ(UndoSteps(), 0);
    EXPECT_EQ(HistoryBytes(), 0u);
    Brush = fkCoin;
    Stroke({{0, 1}});
    EditorEnter();
    EXPECT_EQ(UndoSteps(), 0);
    EXPECT_EQ(RedoSteps(), 0);
    Undo();
    EXPECT_EQ(LevelGrid[0][1], fkNone);  // as saved by the Leave above
}

// ---- History memory ------------------------------------------------------------

TEST_F(EditorHistoryTest, ClearOfALargeSparseGridKeepsOnlyItsFilledCells) {
    LevelGrid.assign(MaxLevelSize, TFieldRow(MaxLevelSize, fkNone));
    for (int32_t I = 0; I < 1000; ++I) LevelGrid[I * 4][I % MaxLevelSize] = fkBrick;
    Chord({}, kcF11);
    // Five bytes a cleared cell, and a little for the step itself.
    EXPECT_LE(HistoryBytes(), 1000u * 5 + 256);
    Undo();
    EXPECT_EQ(LevelGrid[3996][999], fkBrick);
    EXPECT_EQ(LevelGrid[0][0], fkBrick);
}

TEST_F(EditorHistoryTest, ClearOfALargeFilledGridKeepsOneByteACell) {
    LevelGrid.assign(MaxLevelSize, TFieldRow(MaxLevelSize, fkSteel));
    LevelGrid[4095][4095] = fkCoin;
    Chord({}, kcF11);
    const size_t Cells = size_t(MaxLevelSize) * MaxLevelSize;
    EXPECT_LE(HistoryBytes(), Cells + 256);
    EXPECT_GE(HistoryBytes(), Cells);
    Undo();
    EXPECT_EQ(LevelGrid[4095][4095], fkCoin);
    EXPECT_EQ(LevelGrid[2048][17], fkSteel);
}

TEST_F(EditorHistoryTest, RepeatedLargeClearsStayWithinTheByteBudget) {
    // Each clear of a filled 2048 x 2048 grid keeps 4 MiB; the budget holds 64 MiB.
    LevelGrid.assign(2048, TFieldRow(2048, fkNone));
    for (int32_t Round = 1; Round <= 24; ++Round) {
        for (TFieldRow& Row : LevelGrid) Row.assign(Row.size(), TFieldKind(Round % 7 + 1));
        Chord({}, kcF11);
        EXPECT_LE(HistoryBytes(), HistoryByteBudget) << Round;
    }
    EXPECT_EQ(UndoSteps(), 15);  // 16 steps of 4 MiB and their bookkeeping exceed 64 MiB
    // The k-th undo brings back the grid of round 25 - k.
    Undo();
    EXPECT_EQ(LevelGrid[1000][1000], TFieldKind(24 % 7 + 1));
    for (int32_t Step = 2; Step <= 14; ++Step) UndoEdit();
    EXPECT_EQ(LevelGrid[0][0], TFieldKind(11 % 7 + 1));
    UndoEdit();
    EXPECT_EQ(LevelGrid[2047][2047], TFieldKind(10 % 7 + 1));
    UndoEdit();  // the older rounds were dropped
    EXPECT_EQ(LevelGrid[2047][2047], TFieldKind(10 % 7 + 1));
}

TEST_F(EditorTest, LargeLevelDrawsOnlyItsCellsInTheWindow) {
    const int32_t SavedWidth = WindowWidth;
    const int32_t SavedHeight = WindowHeight;
    WindowWidth = 640;
    WindowHeight = 480;
    TFieldGrid Large(640, TFieldRow(640, fkNone));
    for (size_t R = 0; R < Large.size(); ++R) Large[R][R] = fkBrick;
    Brush = fkCoin;
    PointAt(639, 479);  // column 39, row 23: the last ones in the window

    LevelGrid.assign(Large.begin(), Large.begin() + 24);
    for (TFieldRow& Row : LevelGrid) Row.resize(40);
    EditorDraw();
    const std::vector<fake::GLCall> Visible = fake::GLCalls;
    fake::ResetGL();
    LevelGrid = Large;
    EditorDraw();
    const std::vector<Batch> All = Batches();
    WindowWidth = SavedWidth;
    WindowHeight = SavedHeight;

    ASSERT_EQ(All.size(), 6u);
    EXPECT_EQ(All[1].Vertices.size(), 4u * 24 * 40);
    ASSERT_EQ(fake::GLCalls.size(), Visible.size());
    for (size_t I = 0; I < Visible.size(); ++I) {
        EXPECT_EQ(fake::GLCalls[I].Name, Visible[I].Name) << I;
        EXPECT_EQ(fake::GLCalls[I].Args, Visible[I].Args) << I;
    }
    EXPECT_EQ(Quads(All[3]).at(0).Window, (TRect{624, 464, 640, 480})) << "the preview";
}

}  // namespace
