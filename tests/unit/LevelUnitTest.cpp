#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include "Capabilities.h"
#include "LevelUnit.h"
#include "PexPlatform.h"
#include "PexScript.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TestSystem.h"

namespace fs = std::filesystem;

namespace {

// The row line of the level file for row R holding Cells.
std::string RowLine(int32_t R, const TFieldRow& Cells) {
    std::string Line = "row\t" + std::to_string(R);
    for (TFieldKind Cell : Cells) Line += "\t" + std::to_string(Cell);
    return Line + "\r\n";
}

class LevelTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitLevel();
        Dir = Folder.Path;
        // Recovery files go to the test's folder, not the user's.
        setenv("XDG_STATE_HOME", State.Path.c_str(), 1);
        setenv("LOCALAPPDATA", State.Path.c_str(), 1);
    }
    void TearDown() override {
        DoneLevel();
        unsetenv("XDG_STATE_HOME");
        unsetenv("LOCALAPPDATA");
    }
    TTempFolder Folder, State;
    // Loads Text through a real file, as the game does.
    void LoadText(const std::string& Text) {
        WriteBytes(Dir + "in.txt", Text);
        LoadLevel(Dir + "in.txt");
    }
    std::string Dir;
};

bool IsSolid(TFieldKind Kind) {
    return Kind == fkBrick || Kind == fkSteel;
}

}  // namespace

// ---- Grid and tables ----------------------------------------------------------

TEST_F(LevelTest, InitLevelGivesTenRowsOfTwentyEmptyCells) {
    ASSERT_EQ(LevelGrid.size(), 10u);
    for (const TFieldRow& Row : LevelGrid) EXPECT_EQ(Row, TFieldRow(20, fkNone));
    DoneLevel();
    EXPECT_TRUE(LevelGrid.empty());
}

TEST(TileSource, KindsLieSideBySideAndNonKindsShowNone) {
    for (int32_t Kind = 0; Kind < FieldKindCount; ++Kind) {
        EXPECT_EQ(TileSource[Kind].X, 16 * Kind);
        EXPECT_EQ(TileSource[Kind].Y, 0);
        EXPECT_EQ(TileSourceOf(static_cast<TFieldKind>(Kind)).X, 16 * Kind);
    }
    for (int32_t Kind : {8, 44, 255}) {
        const TSourcePos Source = TileSourceOf(static_cast<TFieldKind>(Kind));
        EXPECT_EQ(Source.X, 0);
        EXPECT_EQ(Source.Y, 0);
    }
}

// ---- Writing ------------------------------------------------------------------

TEST_F(LevelTest, StartingGridSavesAsFourteenLines) {
    std::string Expected = "mole_ladder.level\r\nheight 10\r\nwidth 20\r\ndata\r\n";
    for (int32_t R = 0; R < 10; ++R) Expected += RowLine(R, TFieldRow(20, fkNone));
    SaveLevel(Dir + "1.txt");
    EXPECT_EQ(ReadBytes(Dir + "1.txt"), Expected);
}

TEST_F(LevelTest, TwoByThreeGridSavesByteForByte) {
    LevelGrid = {{1, 0, 3}, {2, 2, 2}};
    SaveLevel(Dir + "1.txt");
    EXPECT_EQ(ReadBytes(Dir + "1.txt"),
              "mole_ladder.level\r\nheight 2\r\nwidth 3\r\ndata\r\n"
              "row\t0\t1\t0\t3\r\nrow\t1\t2\t2\t2\r\n");
}

TEST_F(LevelTest, LoadAfterSaveGivesTheSameGrid) {
    TFieldGrid Saved(7, TFieldRow(13));
    for (size_t R = 0; R < Saved.size(); ++R) {
        for (size_t C = 0; C < Saved[R].size(); ++C) Saved[R][C] = (R * 13 + C * 7) % 256;
    }
    LevelGrid = Saved;
    SaveLevel(Dir + "1.txt");
    InitLevel();
    LoadLevel(Dir + "1.txt");
    EXPECT_EQ(LevelGrid, Saved);
}

// The edits are not lost with the save: they go to a recovery file in the
// user's state folder, which the error names.
TEST_F(LevelTest, SaveThatFailsKeepsTheLevelInARecoveryFileTheErrorNames) {
    WriteBytes(Dir + "plain", "user data");
    LevelGrid = {{1, 2}, {3, 4}};
    std::string Message;
    try {
        SaveLevel(Dir + "plain/default/1.txt");
    } catch (const std::runtime_error& Error) {
        Message = Error.what();
    }
    EXPECT_EQ(ReadBytes(Dir + "plain"), "user data");
    const std::string Recoveries = PlatformStateFolder();
    ASSERT_EQ(Recoveries.rfind(State.Path, 0), 0u) << Recoveries;
    ASSERT_EQ(std::distance(fs::directory_iterator(Recoveries), fs::directory_iterator()), 1);
    const std::string Recovery = fs::directory_iterator(Recoveries)->path().string();
    EXPECT_EQ(ReadBytes(Recovery), LevelText());
    EXPECT_EQ(fs::path(Recovery).filename().string().rfind("1.txt.recovered-", 0), 0u);
    EXPECT_EQ(Message.rfind("Cannot create file \"" + Dir + "plain/default/1.txt\". ", 0), 0u)
        << Message;
    EXPECT_NE(Message.find(". The level was saved to \"" + Recovery + "\" instead."),
              std::string::npos)
        << Message;
    // Further failures in the same second each take a name of their own.
    EXPECT_THROW(SaveLevel(Dir + "plain/default/1.txt"), std::runtime_error);
    EXPECT_THROW(SaveLevel(Dir + "plain/default/1.txt"), std::runtime_error);
    EXPECT_EQ(std::distance(fs::directory_iterator(Recoveries), fs::directory_iterator()), 3);
}

// A file that is not a level this program reads (a byte-order mark in front,
// or over the size limit) is never replaced without its bytes being kept.
TEST_F(LevelTest, UnreadableFileIsKeptBesideTheLevelSavedOverIt) {
    const std::string Path = Dir + "1.txt";
    const std::string Marked = "\xEF\xBB\xBFmole_ladder.level\r\nheight 1\r\nwidth 1\r\ndata\r\n";
    WriteBytes(Path, Marked);
    LevelGrid = {{7}};
    testing::internal::CaptureStderr();
    SaveLevel(Path);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "pex: the level file \"" + Path +
                  "\" could not be read as a level; its bytes are "
                  "kept as \"" +
                  Path + ".unreadable\"\n");
    EXPECT_EQ(ReadBytes(Path + ".unreadable"), Marked);
    EXPECT_EQ(ReadBytes(Path), LevelText());

    WriteBytes(Path, "mole_ladder.level");
    ASSERT_EQ(truncate(Path.c_str(), static_cast<off_t>(MaxLevelFileSize) + 1), 0);
    testing::internal::CaptureStderr();
    SaveLevel(Path);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(fs::file_size(Path + ".unreadable-2"), MaxLevelFileSize + 1);
    EXPECT_EQ(ReadBytes(Path), LevelText());
    // A level whose size the reader ignores is no level it reads either.
    const std::string Wide = "mole_ladder.level\r\nheight 2\r\nwidth 4097\r\ndata\r\n";
    WriteBytes(Path, Wide);
    testing::internal::CaptureStderr();
    SaveLevel(Path);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadBytes(Path + ".unreadable-3"), Wide);
    // A level it reads, or an empty file, is simply replaced.
    testing::internal::CaptureStderr();
    SaveLevel(Path);
    WriteBytes(Path, "");
    SaveLevel(Path);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 4);
}

TEST_F(LevelTest, LongestTextIsTheTextOfAGridOfThreeDigitCells) {
    for (const auto& Size : {std::pair<int32_t, int32_t>{1, 1}, {2, 3}, {12, 5}, {101, 2}}) {
        LevelGrid.assign(size_t(Size.first), TFieldRow(size_t(Size.second), 255));
        EXPECT_EQ(LongestLevelText(Size.first, Size.second), LevelText().size())
            << Size.first << " x " << Size.second;
    }
}

// The largest level the editor can hold saves to the longest text there is,
// and that text is read back whole.
TEST_F(LevelTest, LargestLevelSavedIsReadBackWhole) {
    LevelGrid.assign(MaxLevelSize, TFieldRow(MaxLevelSize, 255));
    LevelGrid[4095][4095] = 7;
    const std::string Path = Dir + "1.txt";
    SaveLevel(Path);
    EXPECT_EQ(fs::file_size(Path), MaxLevelFileSize - 2);  // one cell of one digit
    EXPECT_GT(MaxLevelFileSize, MaxWholeFileSize);
    InitLevel();
    LoadLevel(Path);
    ASSERT_EQ(LevelRowCount(), MaxLevelSize);
    ASSERT_EQ(LevelColumnCount(), MaxLevelSize);
    EXPECT_EQ(LevelGrid[0][0], 255);
    EXPECT_EQ(LevelGrid[4095][4095], 7);
}

TEST_F(LevelTest, SaveOverAFolderRaisesAndRemovesTheTemporaryFile) {
    fs::create_directory(Dir + "1.txt");
    EXPECT_THROW(SaveLevel(Dir + "1.txt"), std::runtime_error);
    EXPECT_TRUE(fs::is_directory(Dir + "1.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 1);
}

TEST_F(LevelTest, CellsOfEightOrMoreSurviveSaveAndLoad) {
    LevelGrid = {{8, 255, 44}};
    SaveLevel(Dir + "1.txt");
    InitLevel();
    LoadLevel(Dir + "1.txt");
    EXPECT_EQ(LevelGrid, (TFieldGrid{{8, 255, 44}}));
}

// ---- Reading ------------------------------------------------------------------

TEST_F(LevelTest, WrongMagicLoadsNothing) {
    LevelGrid[3][4] = fkCoin;
    const TFieldGrid Before = LevelGrid;
    LoadText("Mole_Ladder.level\r\nheight 2\r\nwidth 3\r\ndata\r\nrow\t0\t1\t1\t1\r\n");
    EXPECT_EQ(LevelGrid, Before);
    LoadText("");
    EXPECT_EQ(LevelGrid, Before);
    LoadLevel(Dir + "missing.txt");
    EXPECT_EQ(LevelGrid, Before);
}

TEST_F(LevelTest, FileHoldingOnlyTheMagicTokenLoadsNothing) {
    LevelGrid[9][19] = fkSteel;
    const TFieldGrid Before = LevelGrid;
    LoadText("mole_ladder.level");
    EXPECT_EQ(LevelGrid, Before);
}

TEST_F(LevelTest, RowsTheFileDoesNotListKeepTheirCells) {
    for (TFieldRow& Row : LevelGrid) Row.assign(20, fkBrick);
    LoadText("mole_ladder.level\r\nheight 3\r\nwidth 4\r\ndata\r\nrow\t1\t5\t4\t3\t2\r\n");
    EXPECT_EQ(LevelGrid, (TFieldGrid{{1, 1, 1, 1}, {5, 4, 3, 2}, {1, 1, 1, 1}}));
}

TEST_F(LevelTest, LineBreaksCarryNoMeaning) {
    LoadText("mole_ladder.level height 2 width 3 data row 0 1 0 3 row 1 2 2 2");
    EXPECT_EQ(LevelGrid, (TFieldGrid{{1, 0, 3}, {2, 2, 2}}));
}

TEST_F(LevelTest, ShortRowLineTakesItsValuesFromTheNextLine) {
    LoadText("mole_ladder.level\nheight 2\nwidth 3\ndata\nrow 0 1\nrow 1 2 2 2\n");
    // Row 0 takes 1, "row" (0) and 1; "2 2 2" are then skipped as unknown tokens.
    EXPECT_EQ(LevelGrid, (TFieldGrid{{1, 0, 1}, {0, 0, 0}}));
}

TEST_F(LevelTest, SizeThatIsNotANumberCountsAsOne) {
    LoadText("mole_ladder.level\nheight tall\nwidth 2\ndata\nrow 0 5 5\n");
    EXPECT_EQ(LevelGrid, (TFieldGrid{{5, 5}}));
    LoadText("mole_ladder.level\nheight 2\nwidth wide\n");
    EXPECT_EQ(LevelGrid, (TFieldGrid{{5}, {0}}));
}

TEST_F(LevelTest, CellValuesKeepTheirLowEightBits) {
    LoadText(
        "mole_ladder.level height 1 width 9 data row 0 256 300 -1 9 word 4294967297 $10 "
        "0x21 -2147483648");
    EXPECT_EQ(LevelGrid, (TFieldGrid{{0, 44, 255, 9, 0, 0, 16, 33, 0}}));
}

TEST_F(LevelTest, RowNumbersOutsideTheGridStoreNothingButConsumeTheirValues) {
    LoadText(
        "mole_ladder.level height 2 width 3 data "
        "row 2 row row row "  // three values of a row the grid does not have
        "row -1 7 7 7 row word 1 1 1 row 1 2 2 2");
    EXPECT_EQ(LevelGrid, (TFieldGrid{{1, 1, 1}, {2, 2, 2}}));
}

TEST_F(LevelTest, SizesBelowOneOrAbove4096AreIgnored) {
    LoadText("mole_ladder.level height 0 width -3 height 4097 width 5000 data");
    EXPECT_EQ(LevelGrid, TFieldGrid(10, TFieldRow(20, fkNone)));
    LoadText("mole_ladder.level height 4096 width 1");
    EXPECT_EQ(LevelGrid.size(), 4096u);
    EXPECT_EQ(LevelGrid[4095].size(), 1u);
    // A file whose sizes the reader ignores is refused: a save keeps it.
    EXPECT_FALSE(ReadsAsLevel("mole_ladder.level height 4097 width 5 data"));
    EXPECT_FALSE(ReadsAsLevel("mole_ladder.level height 5 width 0 data"));
    EXPECT_FALSE(ReadsAsLevel("level height 5 width 5 data"));
    EXPECT_TRUE(ReadsAsLevel("mole_ladder.level height 4096 width x data row 0 9999"));
}

TEST_F(LevelTest, RowsAddedWithoutAWidthGetTheLengthOfRowZero) {
    LevelGrid[0][0] = fkRope;
    LoadText("mole_ladder.level height 12 data row 11 1 1 1");
    ASSERT_EQ(LevelGrid.size(), 12u);
    for (size_t R = 0; R < 12; ++R) ASSERT_EQ(LevelGrid[R].size(), 20u) << R;
    EXPECT_EQ(LevelGrid[0][0], fkRope);
    EXPECT_EQ(LevelGrid[11], TFieldRow(20, fkNone));
}

TEST_F(LevelTest, WidthBeforeHeightStillGivesEqualRows) {
    // Row 11 has no cells while the row lines are read, so its line stores nothing.
    LoadText("mole_ladder.level width 3 height 12 data row 0 1 2 3 row 11 4 5 6");
    TFieldGrid Expected(12, TFieldRow(3, fkNone));
    Expected[0] = {1, 2, 3};
    EXPECT_EQ(LevelGrid, Expected);
}

TEST_F(LevelTest, HeaderKeywordsInDataModeAreSkipped) {
    LoadText("mole_ladder.level height 1 width 2 data height 5 width 7 data row 0 3 4");
    EXPECT_EQ(LevelGrid, (TFieldGrid{{3, 4}}));
}

// ---- The level Pex ships ------------------------------------------------------

class ShippedLevel : public LevelTest {
protected:
    const std::string Path = std::string(PEX_SOURCE_DIR) + "/data/level/default/1.txt";
};

TEST_F(ShippedLevel, FillsTheLevelAreaOfTheWindow) {
    LoadLevel(Path);
    ASSERT_EQ(LevelGrid.size(), 24u);
    for (const TFieldRow& Row : LevelGrid) ASSERT_EQ(Row.size(), 40u);
}

TEST_F(ShippedLevel, SavesBackByteForByte) {
    LoadLevel(Path);
    SaveLevel(Dir + "1.txt");
    const std::string Shipped = ReadBytes(Path);
    ASSERT_FALSE(Shipped.empty());
    EXPECT_EQ(ReadBytes(Dir + "1.txt"), Shipped);
}

TEST_F(ShippedLevel, HeroAndEnemyStartOnAFloorInOpenSpace) {
    LoadLevel(Path);
    ASSERT_EQ(LevelGrid.size(), 24u);
    // Hero at (340, 100) covers columns 21-22 of row 6, the enemy at (300, 100)
    // columns 18-19; each stands on the cells of row 7 under it.
    for (int32_t C : {18, 19, 20, 21, 22}) EXPECT_EQ(LevelGrid[6][C], fkNone) << C;
    EXPECT_TRUE(IsSolid(LevelGrid[7][21]) && IsSolid(LevelGrid[7][22]));
    EXPECT_TRUE(IsSolid(LevelGrid[7][18]) && IsSolid(LevelGrid[7][19]));
}

TEST_F(ShippedLevel, HasASteelFrameCoinsOnFloorsAndLaddersToTheGround) {
    LoadLevel(Path);
    ASSERT_EQ(LevelGrid.size(), 24u);
    for (size_t R = 0; R < 24; ++R) {
        EXPECT_EQ(LevelGrid[R][0], fkSteel);
        EXPECT_EQ(LevelGrid[R][39], fkSteel);
    }
    EXPECT_EQ(LevelGrid[23], TFieldRow(40, fkSteel));
    int32_t Coins = 0;
    int32_t Ladders = 0;
    for (size_t R = 1; R + 1 < 24; ++R) {
        for (size_t C = 1; C < 39; ++C) {
            const TFieldKind Under = LevelGrid[R + 1][C];
            if (LevelGrid[R][C] == fkCoin) {
                ++Coins;
                EXPECT_TRUE(IsSolid(Under) || Under == fkRope) << R << "," << C;
            }
            if (LevelGrid[R][C] == fkStairWay) {
                ++Ladders;
                // A ladder goes on down or ends on solid ground.
                EXPECT_TRUE(Under == fkStairWay || IsSolid(Under)) << R << "," << C;
                // The cell above the ladder's top is open: the top is in a floor.
                if (LevelGrid[R - 1][C] != fkStairWay) {
                    EXPECT_EQ(LevelGrid[R - 1][C], fkNone) << R << "," << C;
                }
            }
        }
    }
    EXPECT_GE(Coins, 10);
    EXPECT_GE(Ladders, 10);
}

// A level file over the reader's limit is treated as unreadable: the grid keeps
// its size and cells, though the file starts as a valid level.
TEST_F(LevelTest, FileOverTheSizeLimitLeavesTheGridAsItWas) {
    const std::string Path = Dir + "1.txt";
    WriteBytes(Path, "mole_ladder.level\r\nheight 1\r\nwidth 2\r\ndata\r\nrow\t0\t5\t5\r\n");
    ASSERT_EQ(truncate(Path.c_str(), static_cast<off_t>(MaxLevelFileSize) + 1), 0);
    LevelGrid = {{1, 2, 3}};
    LoadLevel(Path);
    EXPECT_EQ(LevelGrid, (TFieldGrid{{1, 2, 3}}));
}

// ---- Sizes given more than once -------------------------------------------------

namespace {

// The reader as it was when it resized the grid at every size keyword: slow on
// files that repeat them, but plainly right. The reader must give the same grid.
void LoadByResizing(const std::string& Text) {
    std::string Token;
    int32_t Position = 1;
    if (!NextToken(Text, Token, Position) || Token != "mole_ladder.level") return;
    TFieldGrid Grid = LevelGrid;
    bool DataMode = false;
    while (NextToken(Text, Token, Position)) {
        if (!DataMode) {
            if (Token == "height") {
                if (!NextToken(Text, Token, Position)) break;
                const int32_t Rows = StrToIntDef(Token, 1);
                if (Rows >= 1 && Rows <= MaxLevelSize) Grid.resize(Rows);
            } else if (Token == "width") {
                if (!NextToken(Text, Token, Position)) break;
                const int32_t Columns = StrToIntDef(Token, 1);
                if (Columns >= 1 && Columns <= MaxLevelSize) {
                    for (TFieldRow& Row : Grid) Row.resize(Columns, fkNone);
                }
            } else if (Token == "data") {
                DataMode = true;
            }
            continue;
        }
        if (Token != "row") continue;
        if (!NextToken(Text, Token, Position)) break;
        const int32_t RowIndex = StrToIntDef(Token, 0);
        const bool Inside = RowIndex >= 0 && RowIndex < static_cast<int64_t>(Grid.size());
        const size_t Count = Inside ? Grid[RowIndex].size() : (Grid.empty() ? 0 : Grid[0].size());
        for (size_t Column = 0; Column < Count; ++Column) {
            if (!NextToken(Text, Token, Position)) break;
            const uint32_t Value = static_cast<uint32_t>(StrToIntDef(Token, 0));
            if (Inside) Grid[RowIndex][Column] = static_cast<TFieldKind>(Value & 0xFF);
        }
    }
    if (Grid.empty() || Grid[0].empty()) return;
    const size_t Columns = Grid[0].size();
    for (TFieldRow& Row : Grid) Row.resize(Columns, fkNone);
    LevelGrid = std::move(Grid);
}

// A grid of Rows rows whose lengths and cells come from Random; rows may differ
// in length or be empty, as a grid painted by hand in a test can.
TFieldGrid RandomGrid(std::mt19937& Random, int32_t Rows) {
    TFieldGrid Grid(Rows);
    for (TFieldRow& Row : Grid) {
        Row.resize(Random() % 7);
        for (TFieldKind& Cell : Row) Cell = static_cast<TFieldKind>(1 + Random() % 9);
    }
    if (!Grid.empty() && Random() % 2) {
        for (TFieldRow& Row : Grid) Row.resize(Grid[0].size(), fkBrick);
    }
    return Grid;
}

// A level text of keywords, sizes, row numbers and values in random order,
// mostly small so that rows shrink and grow again between the row lines.
std::string RandomLevelText(std::mt19937& Random) {
    static const char* const Words[] = {
        "height", "width", "data", "row", "row", "row", "height", "width", "0",    "1",  "2", "3",
        "4",      "5",     "7",    "9",   "300", "-1",  "0",      "4097",  "word", "$3", "2", "1"};
    std::string Text = Random() % 20 ? "mole_ladder.level" : "mole_ladder.leve1";
    const int32_t Count = static_cast<int32_t>(Random() % 60);
    for (int32_t I = 0; I < Count; ++I) {
        Text += Random() % 5 ? " " : "\r\n";
        Text += Words[Random() % (sizeof Words / sizeof Words[0])];
    }
    return Text;
}

}  // namespace

TEST_F(LevelTest, ReaderGivesWhatResizingAtEveryKeywordGives) {
    std::mt19937 Random(12);
    for (int32_t Case = 0; Case < 20000; ++Case) {
        const TFieldGrid Start = RandomGrid(Random, static_cast<int32_t>(Random() % 5));
        const std::string Text = RandomLevelText(Random);
        LevelGrid = Start;
        LoadByResizing(Text);
        const TFieldGrid Expected = LevelGrid;
        LevelGrid = Start;
        LoadLevelFromText(Text);
        ASSERT_EQ(LevelGrid, Expected) << "case " << Case << ": " << Text;
    }
}

TEST_F(LevelTest, CellsOutsideANarrowerWidthAreLostEvenWhenItWidensAgain) {
    LevelGrid = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    LoadText("mole_ladder.level width 2 width 4");
    EXPECT_EQ(LevelGrid, (TFieldGrid{{1, 2, 0, 0}, {5, 6, 0, 0}}));
}

TEST_F(LevelTest, RowsDroppedByAHeightComeBackEmpty) {
    LevelGrid = {{1, 2}, {3, 4}, {5, 6}};
    // Rows 1 and 2 come back without cells; they get row 0's length at the end.
    LoadText("mole_ladder.level height 1 height 3");
    EXPECT_EQ(LevelGrid, (TFieldGrid{{1, 2}, {0, 0}, {0, 0}}));
    // Row 2 comes back after the last width: its row line has no values to take,
    // so "7" and "8" are skipped as unknown tokens.
    LevelGrid = {{1, 2}, {3, 4}, {5, 6}};
    LoadText("mole_ladder.level height 2 width 3 height 3 data row 2 7 8 row 1 9 9 9");
    EXPECT_EQ(LevelGrid, (TFieldGrid{{1, 2, 0}, {9, 9, 9}, {0, 0, 0}}));
}

TEST_F(LevelTest, RowsAddedBeforeTheLastWidthTakeValuesForItsLength) {
    LevelGrid = {{1}};
    LoadText("mole_ladder.level height 3 width 2 height 4 data row 2 5 6 row 3 7 row 0 8 8");
    EXPECT_EQ(LevelGrid, (TFieldGrid{{8, 8}, {0, 0}, {5, 6}, {0, 0}}));
}

TEST_F(LevelTest, RepeatedWidthsKeepOnlyCellsInsideEveryWidth) {
    LevelGrid[0].assign(20, fkSteel);
    std::string Text = "mole_ladder.level height 4096";
    for (int32_t Repeat = 0; Repeat < 2000; ++Repeat) Text += " width 4096 width 1";
    Text += " width 3 data row 4095 4 4 4";
    LoadLevelFromText(Text);
    ASSERT_EQ(LevelGrid.size(), 4096u);
    EXPECT_EQ(LevelGrid[0], (TFieldRow{fkSteel, fkNone, fkNone}));
    EXPECT_EQ(LevelGrid[1], TFieldRow(3, fkNone));
    EXPECT_EQ(LevelGrid[4095], TFieldRow(3, fkRope));
}
