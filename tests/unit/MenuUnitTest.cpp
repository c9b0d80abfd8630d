// Menu script reader, navigation, activation and drawing of the menu screen.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "Capabilities.h"
#include "ConfigUnit.h"
#include "EngineState.h"
#include "Fakes.h"
#include "MainUnit.h"
#include "MenuUnit.h"
#include "PexGL.h"
#include "PexPlatform.h"
#include "StateUnit.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TestSystem.h"
#include "VarsUnit.h"

namespace {

constexpr uint32_t TestFontTexture = 21;
constexpr uint32_t TestMenuTexture = 22;

std::string Lines(const std::vector<std::string>& Text, const std::string& Eol = "\r\n") {
    std::string Result;
    for (const std::string& Line : Text) Result += Line + Eol;
    return Result;
}

// game (0), setup (0) with the full-screen checkbox (1) below it, exit (0).
const std::vector<std::string> FourItems = {"?ex2.menu",
                                            "*game",
                                            ":title",
                                            "\tPlay",
                                            ":hint",
                                            "\tStart a new game",
                                            "*setup",
                                            ":title",
                                            "\tSetup",
                                            ">",
                                            "*setup.graphics.fullscreen",
                                            ":type",
                                            "\tcheckbox",
                                            ":title",
                                            "\tFull screen",
                                            "<",
                                            "*exit",
                                            ":title",
                                            "\tExit"};
constexpr int32_t GameItem = 0, SetupItem = 1, FullScreenItem = 2, ExitItem = 3;

using fake::Batch;
using fake::Batches;

// The batch whose first vertex is at (X, Y); fails the test when there is none.
Batch BatchAt(double X, double Y) {
    for (const Batch& B : Batches())
        if (!B.Vertices.empty() && B.Vertices[0] == std::make_pair(X, Y)) return B;
    ADD_FAILURE() << "no batch starts at " << X << ", " << Y;
    return Batch{};
}

bool HasBatchAt(double X, double Y) {
    for (const Batch& B : Batches())
        if (!B.Vertices.empty() && B.Vertices[0] == std::make_pair(X, Y)) return true;
    return false;
}

std::array<int32_t, 4> Rgba(TPackedColor Color) {
    return {int32_t(Color & 0xFF), int32_t(Color >> 8 & 0xFF), int32_t(Color >> 16 & 0xFF),
            int32_t(Color >> 24)};
}

void Press(int32_t Key) {
    KeyCallback(Key, 1);
}

// A string of a literal's bytes, NUL bytes included.
template <size_t N>
std::string Bytes(const char (&Literal)[N]) {
    return std::string(Literal, N - 1);
}

std::vector<uint8_t> Entered;
void GameEntered() {
    Entered.push_back(stGame);
}
void EditorEntered() {
    Entered.push_back(stEditor);
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngine();
        FullScreen = false;
        FontTexture = TestFontTexture;
        MenuTexture = TestMenuTexture;
        MenuItems.clear();
        MenuIndex = 0;
        Entered.clear();
        States[stGame].Enter = GameEntered;
        States[stEditor].Enter = EditorEntered;
        InitMenuRowOnly();
        CurrentState = stMenu;
        // Switches run whole frames; the draw dispatcher advances the fade.
        OnUpdate = DispatchUpdate;
        OnDraw = DispatchDraw;
    }
    void TearDown() override {
        OnUpdate = nullptr;
        OnDraw = nullptr;
        Quit = false;
    }
    static void InitMenuRowOnly() {
        States[stMenu].Update = MenuUpdate;
        States[stMenu].Step = MenuStep;
        States[stMenu].Draw = MenuDraw;
    }
    static void Load(const std::vector<std::string>& Text) { LoadMenuFromText(Lines(Text)); }
};

// ---- Menu script ----------------------------------------------------------

TEST_F(MenuTest, ReadsItemsWithLevelsAndProperties) {
    Load(FourItems);
    ASSERT_EQ(MenuItems.size(), 4u);
    EXPECT_EQ(MenuItems[GameItem].Id, "game");
    EXPECT_EQ(MenuItems[GameItem].Title, "Play");
    EXPECT_EQ(MenuItems[GameItem].Hint, "Start a new game");
    EXPECT_EQ(MenuItems[SetupItem].Id, "setup");
    EXPECT_EQ(MenuItems[FullScreenItem].Id, "setup.graphics.fullscreen");
    EXPECT_EQ(MenuItems[FullScreenItem].ItemType, "checkbox");
    EXPECT_EQ(MenuItems[FullScreenItem].Title, "Full screen");
    EXPECT_EQ(MenuItems[ExitItem].Id, "exit");
    const std::vector<int32_t> Levels = {MenuItems[0].Level, MenuItems[1].Level, MenuItems[2].Level,
                                         MenuItems[3].Level};
    EXPECT_EQ(Levels, (std::vector<int32_t>{0, 0, 1, 0}));
    for (const TMenuItem& Item : MenuItems) EXPECT_TRUE(Item.Enabled);
    EXPECT_EQ(MenuItems[ExitItem].Hint, "");
}

TEST_F(MenuTest, HeaderMustMatchExactly) {
    for (const std::string Header :
         {"?EX2.menu", "?ex2.menu ", " ?ex2.menu", "?ex2.men", "\xEF\xBB\xBF?ex2.menu", ""}) {
        LoadMenuFromText(Header + "\r\n*game\r\n*exit\r\n");
        EXPECT_TRUE(MenuItems.empty()) << "header \"" << Header << "\"";
    }
    LoadMenuFromText("");
    EXPECT_TRUE(MenuItems.empty());
    LoadMenuFromText("?ex2.menu");
    EXPECT_TRUE(MenuItems.empty());
    LoadMenuFromText("?ex2.menu\n*game");
    ASSERT_EQ(MenuItems.size(), 1u);
    EXPECT_EQ(MenuItems[0].Id, "game");
}

TEST_F(MenuTest, AcceptsCrLfLfAndCrLineEnds) {
    for (const std::string Eol : {"\r\n", "\n", "\r"}) {
        LoadMenuFromText(Lines(FourItems, Eol));
        ASSERT_EQ(MenuItems.size(), 4u);
        EXPECT_EQ(MenuItems[GameItem].Title, "Play");
        EXPECT_EQ(MenuItems[FullScreenItem].Level, 1);
    }
    // Mixed ends; LF CR is two line ends with an empty line between them.
    LoadMenuFromText("?ex2.menu\r*a\n\r:title\r\n\tA\n*b");
    ASSERT_EQ(MenuItems.size(), 2u);
    EXPECT_EQ(MenuItems[0].Title, "A");
    EXPECT_EQ(MenuItems[1].Id, "b");
}

TEST_F(MenuTest, NulByteEndsTheText) {
    LoadMenuFromText(Bytes("?ex2.menu\n*game\n:title\n\tPl\0ay\n*exit\n"));
    ASSERT_EQ(MenuItems.size(), 1u);
    EXPECT_EQ(MenuItems[0].Title, "Pl");
    LoadMenuFromText(Bytes("?ex2\0.menu\n*game\n"));
    EXPECT_TRUE(MenuItems.empty());
}

TEST_F(MenuTest, LinesAreNotTrimmed) {
    Load({"?ex2.menu", "*game ", ":title", "\t  Play  ", ":hint", "\t", ":title ", "\tIgnored"});
    ASSERT_EQ(MenuItems.size(), 1u);
    EXPECT_EQ(MenuItems[0].Id, "game ");
    EXPECT_EQ(MenuItems[0].Title, "  Play  ");
    EXPECT_EQ(MenuItems[0].Hint, "");
}

TEST_F(MenuTest, ValueLineRightAfterItemLineSetsNothing) {
    Load({"?ex2.menu", "*a", ":title", "\tA", "*b", "\tB"});
    ASSERT_EQ(MenuItems.size(), 2u);
    EXPECT_EQ(MenuItems[0].Title, "A");
    EXPECT_EQ(MenuItems[1].Title, "");
}

TEST_F(MenuTest, LaterValueLineReplacesEarlierOne) {
    Load({"?ex2.menu", "*a", ":title", "\tFirst", "\tSecond", ":type", "\tcheckbox", ":value",
          "\tchecked"});
    ASSERT_EQ(MenuItems.size(), 1u);
    EXPECT_EQ(MenuItems[0].Title, "Second");
    EXPECT_EQ(MenuItems[0].ItemType, "checkbox");
    EXPECT_EQ(MenuItems[0].Value, "checked");
}

TEST_F(MenuTest, OnlyLowerCaseFalseDisablesAnItem) {
    Load({"?ex2.menu", "*a", ":enabled", "\tFalse", "*b", ":enabled", "\tfalse", "*c", ":enabled",
          "\tfalse", "\tno", "*d", ":Enabled", "\tfalse"});
    ASSERT_EQ(MenuItems.size(), 4u);
    EXPECT_TRUE(MenuItems[0].Enabled);
    EXPECT_FALSE(MenuItems[1].Enabled);
    EXPECT_TRUE(MenuItems[2].Enabled);
    EXPECT_TRUE(MenuItems[3].Enabled);
}

TEST_F(MenuTest, UnknownCommandsAndPropertiesAreIgnored) {
    Load({"?ex2.menu", "*a", "#comment", " *b", ":colour", "\tred", ":", "\tnothing", "", "*c",
          ":title", "\tC"});
    ASSERT_EQ(MenuItems.size(), 2u);
    EXPECT_EQ(MenuItems[0].Id, "a");
    EXPECT_EQ(MenuItems[0].Title, "");
    EXPECT_EQ(MenuItems[1].Title, "C");
}

TEST_F(MenuTest, ValueLineBeforeFirstItemChangesNothing) {
    Load({"?ex2.menu", ":title", "\tOrphan", "*a", "\tAlso orphan"});
    ASSERT_EQ(MenuItems.size(), 1u);
    EXPECT_EQ(MenuItems[0].Title, "");
}

TEST_F(MenuTest, LevelMarksIgnoreTheirArgumentAndMayGoBelowZero) {
    Load({"?ex2.menu", ">>", "*a", "<<", "<", "*b", ">x", "*c"});
    ASSERT_EQ(MenuItems.size(), 3u);
    EXPECT_EQ(MenuItems[0].Level, 1);
    EXPECT_EQ(MenuItems[1].Level, -1);
    EXPECT_EQ(MenuItems[2].Level, 0);
}

TEST_F(MenuTest, FullScreenItemTakesItsValueFromTheSetting) {
    FullScreen = true;
    Load(FourItems);
    EXPECT_EQ(MenuItems[FullScreenItem].Value, "checked");
    FullScreen = false;
    Load(FourItems);
    EXPECT_EQ(MenuItems[FullScreenItem].Value, "");
    // Another item with a value of its own is not touched by the setting.
    FullScreen = true;
    Load({"?ex2.menu", "*other", ":type", "\tcheckbox"});
    EXPECT_EQ(MenuItems[0].Value, "");
}

TEST_F(MenuTest, ExplicitValueLineReplacesTheSetting) {
    FullScreen = true;
    Load({"?ex2.menu", "*setup.graphics.fullscreen", ":value", "\t"});
    EXPECT_EQ(MenuItems[0].Value, "");
    FullScreen = false;
    Load({"?ex2.menu", "*setup.graphics.fullscreen", ":value", "\tchecked"});
    EXPECT_EQ(MenuItems[0].Value, "checked");
}

TEST_F(MenuTest, LoadMenuReadsMainMenuBesideTheExecutable) {
    const TTempFolder Folder;
    const std::filesystem::path Dir = Folder.Path;
    WriteBytes((Dir / "main.menu").string(), Lines(FourItems));
    const std::string SavedAppDir = AppDir;
    AppDir = Dir.string() + PathDelim;
    MenuIndex = 3;
    LoadMenu();
    EXPECT_EQ(MenuItems.size(), 4u);
    EXPECT_EQ(MenuIndex, 0);

    std::filesystem::remove(Dir / "main.menu");
    try {
        LoadMenu();
        ADD_FAILURE() << "a missing menu script must raise";
    } catch (const std::runtime_error& Error) {
        EXPECT_NE(std::string(Error.what()).find("\"" + AppDir + "main.menu\""), std::string::npos)
            << Error.what();
    }
    AppDir = SavedAppDir;
}

TEST_F(MenuTest, InitMenuLoadsTheScriptAndDoneMenuReleasesIt) {
    const std::string SavedAppDir = AppDir;
    AppDir = std::string(PEX_SOURCE_DIR) + "/data/";
    InitMenu();
    EXPECT_FALSE(MenuItems.empty());
    DoneMenu();
    EXPECT_TRUE(MenuItems.empty());
    AppDir = SavedAppDir;
}

// The shipped script: the four actions, the checkbox in the setup submenu, and
// Russian titles and hints that fit the layout.
TEST_F(MenuTest, ShippedMenuHoldsTheKnownItems) {
    const std::string Text = ReadBytes(std::string(PEX_SOURCE_DIR) + "/data/main.menu");
    FullScreen = true;
    LoadMenuFromText(Text);
    std::vector<std::string> TopLevel;
    const TMenuItem* Setup = nullptr;
    const TMenuItem* Box = nullptr;
    for (size_t I = 0; I < MenuItems.size(); ++I) {
        const TMenuItem& Item = MenuItems[I];
        if (Item.Level == 0) TopLevel.push_back(Item.Id);
        if (Item.Id == "setup") Setup = &Item;
        if (Item.Id == "setup.graphics.fullscreen") {
            Box = &Item;
            ASSERT_GT(I, 0u);
            EXPECT_EQ(MenuItems[I - 1].Id, "setup");
        }
        EXPECT_FALSE(Item.Title.empty()) << Item.Id;
        EXPECT_FALSE(Item.Hint.empty()) << Item.Id;
        EXPECT_LE(Item.Title.size(), 20u) << Item.Id;
        EXPECT_LE(Item.Hint.size(), 52u) << Item.Id;
        // Code page 1251 Cyrillic, one byte a letter: no UTF-8 lead bytes 0xD0/0xD1
        // followed by continuation bytes.
        bool Cyrillic = false;
        for (size_t K = 0; K < Item.Title.size(); ++K) {
            const uint8_t C = static_cast<uint8_t>(Item.Title[K]);
            if (C >= 0xC0) Cyrillic = true;
            if ((C == 0xD0 || C == 0xD1) && K + 1 < Item.Title.size()) {
                EXPECT_FALSE(static_cast<uint8_t>(Item.Title[K + 1]) >= 0x80 &&
                             static_cast<uint8_t>(Item.Title[K + 1]) < 0xC0)
                    << Item.Id;
            }
        }
        EXPECT_TRUE(Cyrillic) << Item.Id;
    }
    EXPECT_EQ(TopLevel, (std::vector<std::string>{"game", "editor", "setup", "exit"}));
    ASSERT_NE(Setup, nullptr);
    ASSERT_NE(Box, nullptr);
    EXPECT_EQ(Box->Level, 1);
    EXPECT_EQ(Box->ItemType, "checkbox");
    EXPECT_EQ(Box->Value, "checked");
}

// ---- Navigation and activation --------------------------------------------

TEST_F(MenuTest, FourItemNavigation) {
    Load(FourItems);
    MenuIndex = SetupItem;
    Press(kcEnter);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, FullScreenItem);
    Press(kcUp);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, FullScreenItem);
    Press(kcDown);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, FullScreenItem);
    Press(kcEscape);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, SetupItem);
    Press(kcDown);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, ExitItem);
    Press(kcDown);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, ExitItem);
    Press(kcUp);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, SetupItem);
    Press(kcUp);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, GameItem);
    Press(kcEscape);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, GameItem);
    EXPECT_TRUE(Entered.empty());
    EXPECT_FALSE(Quit);
}

TEST_F(MenuTest, HeldKeyMovesOnce) {
    Load(FourItems);
    Press(kcDown);
    MenuUpdate();
    MenuUpdate();
    MenuUpdate();
    EXPECT_EQ(MenuIndex, SetupItem);
}

TEST_F(MenuTest, UpAndDownInOneFrameMoveUpThenDown) {
    Load(FourItems);
    MenuIndex = SetupItem;
    Press(kcUp);
    Press(kcDown);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, GameItem);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, SetupItem);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, SetupItem);
}

TEST_F(MenuTest, EnterAndEscapeInOneFrameActOneAtATime) {
    Load(FourItems);
    MenuIndex = FullScreenItem;
    Press(kcEnter);
    Press(kcEscape);
    MenuUpdate();
    EXPECT_EQ(MenuItems[FullScreenItem].Value, "checked");
    EXPECT_EQ(MenuIndex, FullScreenItem);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, SetupItem);
}

const std::vector<std::string> TwoSubmenus = {
    "?ex2.menu", "*a", ":title", "\tA",    ">",   "*a1", ":title", "\tA1",   "*a2",  ":title",
    "\tA2",      "<",  "*b",     ":title", "\tB", ">",   "*b1",    ":title", "\tB1", "<"};

TEST_F(MenuTest, DownFromLastChildReachesNextSubmenu) {
    Load(TwoSubmenus);
    MenuIndex = 2;  // a2
    Press(kcDown);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, 4);  // b1
    Press(kcEscape);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, 3);  // its parent b
}

TEST_F(MenuTest, ExitItemSetsQuit) {
    Load(FourItems);
    MenuIndex = ExitItem;
    Press(kcEnter);
    MenuUpdate();
    EXPECT_TRUE(Quit);
    EXPECT_TRUE(Entered.empty());
}

TEST_F(MenuTest, GameAndEditorItemsSwitchState) {
    Load({"?ex2.menu", "*game", "*editor"});
    Press(kcEnter);
    MenuUpdate();
    EXPECT_EQ(CurrentState, stGame);
    EXPECT_EQ(Entered, std::vector<uint8_t>{stGame});

    CurrentState = stMenu;
    MenuIndex = 1;
    ActivateMenuItem();
    EXPECT_EQ(CurrentState, stEditor);
    EXPECT_EQ(Entered, (std::vector<uint8_t>{stGame, stEditor}));
}

TEST_F(MenuTest, CheckboxTogglesAndSetsFullScreen) {
    Load(FourItems);
    MenuIndex = FullScreenItem;
    ActivateMenuItem();
    EXPECT_EQ(MenuItems[FullScreenItem].Value, "checked");
    EXPECT_TRUE(FullScreen);
    ActivateMenuItem();
    EXPECT_EQ(MenuItems[FullScreenItem].Value, "");
    EXPECT_FALSE(FullScreen);
}

TEST_F(MenuTest, CheckboxWithAnyOtherValueBecomesEmpty) {
    Load({"?ex2.menu", "*box", ":type", "\tcheckbox", ":value", "\tyes"});
    ActivateMenuItem();
    EXPECT_EQ(MenuItems[0].Value, "");
    ActivateMenuItem();
    EXPECT_EQ(MenuItems[0].Value, "checked");
    EXPECT_FALSE(FullScreen);
}

TEST_F(MenuTest, CheckboxNeverRunsAnIdentifiersAction) {
    Load({"?ex2.menu", "*exit", ":type", "\tcheckbox", "*game", ":type", "\tcheckbox"});
    ActivateMenuItem();
    MenuIndex = 1;
    ActivateMenuItem();
    EXPECT_FALSE(Quit);
    EXPECT_TRUE(Entered.empty());
    EXPECT_EQ(MenuItems[0].Value, "checked");
    EXPECT_EQ(MenuItems[1].Value, "checked");
}

TEST_F(MenuTest, DisabledItemIsStillActivated) {
    Load({"?ex2.menu", "*exit", ":enabled", "\tfalse"});
    Press(kcEnter);
    MenuUpdate();
    EXPECT_TRUE(Quit);
}

TEST_F(MenuTest, EmptyMenuIgnoresKeys) {
    LoadMenuFromText("not a menu");
    for (int32_t Key : {kcUp, kcDown, kcEnter, kcEscape}) {
        Press(Key);
        MenuUpdate();
        ActivateMenuItem();
    }
    EXPECT_EQ(MenuIndex, 0);
    EXPECT_FALSE(Quit);
    EXPECT_EQ(CurrentState, stMenu);
}

TEST_F(MenuTest, SelectionOutsideTheListFallsBackToFirstItem) {
    Load(FourItems);
    MenuIndex = 17;
    Press(kcDown);
    MenuUpdate();
    EXPECT_EQ(MenuIndex, SetupItem);
    MenuIndex = -3;
    MenuDraw();
    EXPECT_EQ(MenuIndex, GameItem);
}

// ---- Drawing ----------------------------------------------------------------

TEST_F(MenuTest, DrawsBackgroundBandAndHeading) {
    Load(FourItems);
    MenuDraw();
    const std::vector<Batch> All = Batches();
    ASSERT_GE(All.size(), 3u);
    EXPECT_EQ(All[0].Texture, TestMenuTexture);
    EXPECT_EQ(All[0].Color, Rgba(clNavy));
    EXPECT_EQ(All[0].Vertices.size(), 4u * 40);
    EXPECT_EQ(All[0].Vertices.back(), std::make_pair(512.0, 512.0));
    EXPECT_EQ(All[0].TexCoords[0], std::make_pair(0.0, 0.25));
    EXPECT_EQ(All[1].Color, (std::array<int32_t, 4>{255, 255, 255, 127}));
    ASSERT_EQ(All[1].Vertices.size(), 16u);
    EXPECT_EQ(All[1].Vertices[12], std::make_pair(540.0, 0.0));
    EXPECT_EQ(All[2].Texture, TestFontTexture);
    EXPECT_EQ(All[2].Color, Rgba(clYellow));
    ASSERT_EQ(All[2].Vertices.size(), 20u);
    EXPECT_EQ(All[2].Vertices[0], std::make_pair(240.0, 128.0));
    // The first glyph is 0xCC: column 12, row 12 of the font grid.
    EXPECT_EQ(All[2].TexCoords[0], std::make_pair(0.75, 0.75));
    EXPECT_EQ(FontMetrics.Size, 16);
    const std::vector<fake::GLCall> Disables = fake::CallsNamed("glDisable");
    ASSERT_FALSE(Disables.empty());
    EXPECT_EQ(Disables[0].Args[0], double(GL_BLEND));
}

TEST_F(MenuTest, DrawsRowsOfTheCurrentLevelWithArrowForSubmenu) {
    Load(FourItems);
    MenuDraw();
    const Batch Game = BatchAt(240, 160);
    EXPECT_EQ(Game.Color, Rgba(clGreen));
    EXPECT_EQ(Game.Texture, TestFontTexture);
    EXPECT_EQ(Game.Vertices.size(), 4u * 4);
    const Batch Setup = BatchAt(240, 192);
    EXPECT_EQ(Setup.Color, Rgba(clWhite));
    const Batch Arrow = BatchAt(240 + 16 * 5, 184);
    EXPECT_EQ(Arrow.Texture, TestMenuTexture);
    EXPECT_EQ(Arrow.Color, Rgba(clCyan));
    EXPECT_EQ(Arrow.TexCoords[0], std::make_pair(0.0, 160.0 / 256));
    EXPECT_EQ(Arrow.Vertices[2], std::make_pair(240.0 + 80 + 32, 216.0));
    EXPECT_EQ(BatchAt(240, 224).Vertices.size(), 4u * 4);  // Exit
    // The checkbox row belongs to the submenu and is not shown.
    EXPECT_FALSE(HasBatchAt(208, 152));
    EXPECT_FALSE(HasBatchAt(208, 184));
    EXPECT_FALSE(HasBatchAt(240, 256));
    // Hint of the current item, at 12 pixels a glyph, and the spacing restored.
    const Batch Hint = BatchAt(8, 456);
    EXPECT_EQ(Hint.Color, Rgba(clYellow));
    ASSERT_EQ(Hint.Vertices.size(), 4u * 16);
    EXPECT_EQ(Hint.Vertices[4], std::make_pair(20.0, 456.0));
    EXPECT_EQ(FontMetrics.Spacing, 0);
}

TEST_F(MenuTest, DrawsSubmenuWithCheckbox) {
    Load(FourItems);
    MenuIndex = FullScreenItem;
    MenuDraw();
    EXPECT_EQ(BatchAt(240, 160).Color, Rgba(clGreen));
    const Batch Box = BatchAt(208, 152);
    EXPECT_EQ(Box.Texture, TestMenuTexture);
    EXPECT_EQ(Box.Color, Rgba(clWhite));
    EXPECT_EQ(Box.TexCoords[0], std::make_pair(32.0 / 256, 160.0 / 256));
    EXPECT_EQ(Box.Vertices[2], std::make_pair(240.0, 184.0));
    EXPECT_FALSE(HasBatchAt(240, 192));

    fake::ResetGL();
    ActivateMenuItem();
    MenuDraw();
    EXPECT_EQ(BatchAt(208, 152).TexCoords[0], std::make_pair(64.0 / 256, 160.0 / 256));
}

TEST_F(MenuTest, DrawsSecondSubmenuAfterDownCrossesIntoIt) {
    Load(TwoSubmenus);
    MenuIndex = 4;  // b1
    MenuDraw();
    const Batch B1 = BatchAt(240, 160);
    EXPECT_EQ(B1.Color, Rgba(clGreen));
    EXPECT_EQ(B1.Vertices.size(), 4u * 2);
    EXPECT_FALSE(HasBatchAt(240, 192));
}

TEST_F(MenuTest, ArrowFollowsTitleLength) {
    Load({"?ex2.menu", "*a", ":title", "\tabc", ">", "*b"});
    MenuDraw();
    EXPECT_EQ(BatchAt(288, 152).Color, Rgba(clCyan));
}

TEST_F(MenuTest, DisabledItemsAreDrawnAtHalfAlpha) {
    Load({"?ex2.menu", "*a", ":title", "\tA", ":enabled", "\tfalse", "*b", ":title", "\tB",
          ":enabled", "\tfalse", "*c", ":title", "\tC"});
    MenuDraw();
    EXPECT_EQ(BatchAt(240, 160).Color, (std::array<int32_t, 4>{0, 255, 0, 128}));
    EXPECT_EQ(BatchAt(240, 192).Color, (std::array<int32_t, 4>{255, 255, 255, 128}));
    EXPECT_EQ(BatchAt(240, 224).Color, Rgba(clWhite));
}

TEST_F(MenuTest, EmptyMenuDrawsOnlyBackgroundBandAndHeading) {
    LoadMenuFromText("?ex2.menu\r\n");
    MenuDraw();
    const std::vector<Batch> All = Batches();
    ASSERT_EQ(All.size(), 3u);
    EXPECT_EQ(All[2].Vertices[0], std::make_pair(240.0, 128.0));
}

// A script that is missing, a folder, a pipe with no writer or larger than the
// reader's limit stops start-up with its own message, and never waits.
TEST_F(MenuTest, UnusableScriptRaisesItsReasonWithoutWaiting) {
    if (!HasNamedPipes()) GTEST_SKIP() << "no named pipes on this system";
    const TTempFolder Folder;
    const std::string SavedAppDir = AppDir;
    AppDir = Folder.Path;
    const std::string FileName = AppDir + "main.menu";
    auto Message = [] {
        try {
            LoadMenu();
        } catch (const std::runtime_error& Error) {
            return std::string(Error.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(Message(), "Cannot open file \"" + FileName + "\". No such file or directory");
    std::filesystem::create_directory(FileName);
    EXPECT_EQ(Message(), "Cannot read file \"" + FileName + "\". Is a directory");
    std::filesystem::remove(FileName);

    ASSERT_EQ(mkfifo(FileName.c_str(), 0600), 0);
    std::string FromPipe;
    EXPECT_TRUE(ReturnsWithoutAWriter(FileName, [&] { FromPipe = Message(); }));
    EXPECT_EQ(FromPipe, "Cannot read file \"" + FileName + "\". Invalid argument");
    std::filesystem::remove(FileName);

    std::ofstream(FileName, std::ios::binary) << Lines(FourItems);
    ASSERT_EQ(truncate(FileName.c_str(), static_cast<off_t>(MaxWholeFileSize) + 1), 0);
    EXPECT_EQ(Message(), "Cannot read file \"" + FileName + "\". File too large");
    AppDir = SavedAppDir;
}

}  // namespace
