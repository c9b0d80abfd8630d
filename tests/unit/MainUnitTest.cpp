// The main procedure on the fake windowing layer: window from the settings,
// the six shared textures in their order with their filters, the splash with
// the slow fade-in, the loop, and the final switch.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "Capabilities.h"
#include "ConfigUnit.h"
#include "EditorUnit.h"
#include "EngineState.h"
#include "Fakes.h"
#include "GLState.h"
#include "LevelUnit.h"
#include "MainUnit.h"
#include "PexGL.h"
#include "StateUnit.h"
#include "VarsUnit.h"

namespace {

std::vector<std::string> Log;

struct MainUnitTest : ::testing::Test {
    void SetUp() override {
        ResetEngine();
        Log.clear();
        AppDir = std::string(PEX_SOURCE_DIR) + "/data/";
        ScreenWidth = 800;
        ScreenHeight = 600;
        ScreenBPP = 16;
        FullScreen = true;
        States[stSplash].Enter = [] { Log.push_back("splash.enter"); };
        States[stSplash].Leave = [] { Log.push_back("splash.leave"); };
        States[stSplash].Update = [] {
            if (Log.back() != "splash.update") Log.push_back("splash.update");
        };
    }
    void TearDown() override {
        OnUpdate = nullptr;
        OnDraw = nullptr;
        AppDir.clear();
    }
};

TEST_F(MainUnitTest, StartsTheSplashLoadsTexturesRunsAndEndsWithTheExitSwitch) {
    // F10 arrives once the splash has run a few frames.
    fake::OnSwap = [] {
        if (fake::Swaps == 30) KeyCallback(kcF10, 1);
    };
    RunApplication();

    EXPECT_EQ(fake::OpenArgs, (std::vector<int32_t>{800, 600, 5, 6, 5, 0, 0, 0, GLFW2_FULLSCREEN}));
    // 26 frames of fade-out over the empty start state before the splash enters.
    EXPECT_EQ(Log, (std::vector<std::string>{"splash.enter", "splash.update", "splash.leave"}));
    EXPECT_EQ(fake::Swaps, 31);
    EXPECT_EQ(fake::TerminateCalls, 1);
    EXPECT_EQ(CurrentState, stExit);
    // The fade-in after the splash entered is the slow one.
    EXPECT_EQ(Fade.AlphaStep, -10) << "the exit switch starts its own fade-in last";

    // Six textures in their order, each filtered right after its upload.
    ASSERT_EQ(fake::Uploads.size(), 6u);
    const uint32_t Expected[] = {FontTexture,   MenuTexture, EditorTexture,
                                 SplashTexture, GuiTexture,  TilesTexture};
    for (size_t I = 0; I < 6; ++I) EXPECT_EQ(fake::Uploads[I].Texture, Expected[I]) << I;
    EXPECT_EQ(fake::Uploads[3].Width, 1024);
    auto Filters = fake::CallsNamed("glTexParameteri");
    ASSERT_EQ(Filters.size(), 12u);
    for (size_t I = 0; I < 6; ++I) {
        const double Min = I == 5 ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST;
        EXPECT_EQ(Filters[2 * I + 1].Args[2], Min) << I;
        EXPECT_EQ(Filters[2 * I + 1].Args[3], Expected[I]) << "filter on the texture just made";
    }
}

TEST_F(MainUnitTest, SplashEmergesOverTheSlowFadeIn) {
    static int32_t AlphaAfterEnter;
    AlphaAfterEnter = -1;
    fake::OnSwap = [] {
        if (CurrentState == stSplash && AlphaAfterEnter < 0) AlphaAfterEnter = Fade.Alpha;
        if (fake::Swaps == 40) Quit = true;
    };
    RunApplication();
    // The first frame after the switch draws the fade at 254: step -1, not -10.
    EXPECT_EQ(AlphaAfterEnter, 254);
}

TEST_F(MainUnitTest, WindowThatCannotOpenEndsThroughTheErrorPath) {
    fake::OpenResult = 0;
    try {
        RunApplication();
        FAIL() << "no error raised";
    } catch (const std::runtime_error& Error) {
        EXPECT_STREQ(Error.what(),
                     "Cannot open a 800 x 600 window with 16 bits per pixel in full screen. "
                     "Is a display with OpenGL available?");
    }
    EXPECT_TRUE(fake::Uploads.empty());
    EXPECT_EQ(fake::Swaps, 0) << "no frame waits for a fade that cannot complete";
    EXPECT_EQ(fake::TerminateCalls, 1);
}

TEST_F(MainUnitTest, MissingPictureStopsTheLoadsWithItsPath) {
    if (!KeepsPathsAsWritten()) GTEST_SKIP() << "paths come back with '\\' on this system";
    AppDir = std::string(PEX_SOURCE_DIR) + "/no-such-folder/";
    try {
        RunApplication();
        FAIL() << "no error raised";
    } catch (const std::runtime_error& Error) {
        EXPECT_NE(std::string(Error.what()).find("no-such-folder/pic/font.tga"), std::string::npos)
            << Error.what();
    }
    EXPECT_EQ(CurrentState, stNone);
}

// ---- Scaled displays ----

// One active frame of the draw dispatcher on a window of W x H that the fake
// layer reports with a framebuffer Scale times larger; returns its GL calls.
std::vector<fake::GLCall> DrawnFrame(int32_t W, int32_t H, int32_t Scale) {
    fake::ResetGL();
    fake::WindowW = W;
    fake::WindowH = H;
    fake::FramebufferScale = Scale;
    OnUpdate = nullptr;
    OnDraw = DispatchDraw;
    ProcessFrame();
    return fake::GLCalls;
}

TEST_F(MainUnitTest, ScaledDisplayFillsTheFramebufferWithTheWindowPixelSpace) {
    States[stSplash].Draw = [] {
        BeginQuads();
        DrawRect(0, 0, 640, 480);
        EndQuads();
    };
    CurrentState = stSplash;
    StartFade(clBlack, 10);
    DrawnFrame(640, 480, 2);

    // The viewport is the whole 1280 x 960 framebuffer ...
    ASSERT_EQ(fake::CountCalls("glViewport"), 1u);
    EXPECT_EQ(fake::CallsNamed("glViewport")[0].Args, (std::vector<double>{0, 0, 1280, 960}));
    // ... the projection maps 640 x 480 window pixels onto it ...
    EXPECT_EQ(fake::CallsNamed("glScalef")[1].Args,
              (std::vector<double>{2.0f / 640, -2.0f / 480, 1}));
    EXPECT_EQ(fake::CallsNamed("glTranslatef")[1].Args, (std::vector<double>{-320, -240, 0}));
    // ... so a screen laid out for 640 x 480 and the fade both cover the window.
    const std::vector<fake::Batch> Drawn = fake::Batches();
    ASSERT_EQ(Drawn.size(), 2u);
    EXPECT_EQ(Drawn[0].Vertices[2], std::make_pair(640.0, 480.0));
    EXPECT_EQ(Drawn[1].Vertices[2], std::make_pair(640.0, 480.0));
}

TEST_F(MainUnitTest, UnscaledDisplayDrawsWithTheSameCallsAsAScaledOneExceptTheViewport) {
    CurrentState = stSplash;
    StartFade(clBlack, 10);
    const std::vector<fake::GLCall> Unscaled = DrawnFrame(800, 600, 1);
    StartFade(clBlack, 10);
    const std::vector<fake::GLCall> Scaled = DrawnFrame(800, 600, 2);
    ASSERT_EQ(Unscaled.size(), Scaled.size());
    EXPECT_EQ(Unscaled[0].Name, "glViewport");
    EXPECT_EQ(Unscaled[0].Args, (std::vector<double>{0, 0, 800, 600}));
    EXPECT_EQ(Scaled[0].Args, (std::vector<double>{0, 0, 1600, 1200}));
    for (size_t I = 1; I < Scaled.size(); ++I) {
        EXPECT_EQ(Unscaled[I].Name, Scaled[I].Name) << I;
        EXPECT_EQ(Unscaled[I].Args, Scaled[I].Args) << Scaled[I].Name;
    }
}

TEST_F(MainUnitTest, EditorPaintsTheCellUnderThePointerOnAScaledDisplay) {
    for (TStateProcs& Row : States) Row = TStateProcs{};
    InitEditor();
    CurrentState = stEditor;
    LevelGrid.assign(10, TFieldRow(20, fkNone));
    Brush = fkBrick;
    Mouse = TMouseState{};
    MouseButtonCallback(0, 1);
    // The pointer is over column 2, row 1 of the level (which starts 96 pixels
    // down); in framebuffer pixels it would be column 5, row 9.
    fake::FramebufferScale = 2;
    fake::MouseX = 40;
    fake::MouseY = 120;
    OnUpdate = DispatchUpdate;
    OnDraw = nullptr;
    ProcessFrame();
    EXPECT_EQ(LevelGrid[1][2], fkBrick);
    int32_t Painted = 0;
    for (const TFieldRow& Row : LevelGrid)
        for (TFieldKind Kind : Row) Painted += Kind == fkBrick;
    EXPECT_EQ(Painted, 1);
    MouseButtonCallback(0, 0);
}

}  // namespace

// ---- Whole-multiple scales ----

// Every scale on windows that hold the layout exactly, with room to spare or
// not at all, on plain and 200 % displays: the layout lands on the expected
// framebuffer pixels, the editor paints the cell under the pointer, and a
// click on the black border paints nothing.
TEST_F(MainUnitTest, ScaledPictureAndPointerAgreeAtEveryScaleWindowAndDisplay) {
    // Scale, window, framebuffer Ratio times it; expected framebuffer pixels
    // a layout pixel (0: as at scale 1) and the picture's corner.
    const int32_t Cases[][7] = {{0, 1920, 1080, 1, 2, 320, 60}, {0, 1920, 1080, 2, 4, 640, 120},
                                {0, 640, 480, 1, 1, 0, 0},      {0, 1000, 500, 1, 1, 180, 10},
                                {0, 600, 400, 1, 0, 0, 0},      {0, 600, 400, 2, 1, 280, 160},
                                {2, 1280, 960, 1, 2, 0, 0},     {3, 1925, 1445, 1, 3, 1, 1},
                                {3, 1920, 1440, 2, 6, 0, 0},    {8, 5120, 3840, 1, 8, 0, 0},
                                {1, 800, 600, 2, 0, 0, 0}};
    InitEditor();
    CurrentState = stEditor;
    Brush = fkBrick;
    OnUpdate = DispatchUpdate;
    OnDraw = DispatchDraw;
    for (auto [Scale, W, H, Ratio, Pixel, Left, Top] : Cases) {
        SCOPED_TRACE(testing::Message() << Scale << ": " << W << " x " << H << " at " << Ratio);
        FrameScale = Scale;
        fake::WindowW = W;
        fake::WindowH = H;
        fake::FramebufferScale = Ratio;
        const int32_t Device = Pixel == 0 ? Ratio : Pixel;
        for (bool OnBorder : {false, true}) {
            if (OnBorder && Left == 0) continue;
            // The pointer over the middle of the cell at row 3, column 5.
            fake::MouseX = OnBorder ? 0 : (Left + (5 * 16 + 8) * Device) / Ratio;
            fake::MouseY = (Top + (96 + 3 * 16 + 8) * Device) / Ratio;
            LevelGrid.assign(10, TFieldRow(20, fkNone));
            fake::ResetGL();
            ProcessFrame();
            MouseButtonCallback(0, 1);
            ProcessFrame();
            MouseButtonCallback(0, 0);
            TFieldGrid Expected(10, TFieldRow(20, fkNone));
            Expected[3][5] = OnBorder ? fkNone : fkBrick;
            EXPECT_EQ(LevelGrid, Expected) << OnBorder;
        }
        TGLState Drawn;
        EXPECT_EQ(Drawn.PixelOf(0, 0, H * Ratio), std::make_pair(double(Left), double(Top)));
        EXPECT_EQ(Drawn.PixelOf(WindowWidth, WindowHeight, H * Ratio),
                  std::make_pair(double(Left + WindowWidth * Device),
                                 double(Top + WindowHeight * Device)));
        EXPECT_EQ(WindowWidth, Pixel == 0 ? W : Scale == 0 ? 640 : W * Ratio / Pixel);
    }
}
