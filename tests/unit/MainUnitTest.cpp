// The main procedure on the fake windowing layer: window from the settings,
// the six shared textures in their order with their filters, the splash with
// the slow fade-in, the loop, and the final switch.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ConfigUnit.h"
#include "Fakes.h"
#include "MainUnit.h"
#include "PexGL.h"
#include "StateUnit.h"
#include "VarsUnit.h"

namespace {

std::vector<std::string> Log;

struct MainUnitTest : ::testing::Test {
    void SetUp() override {
        fake::ResetGL();
        fake::ResetGlfw();
        Log.clear();
        for (TStateProcs& Row : States) Row = TStateProcs{};
        CurrentState = stNone;
        Quit = false;
        Fade = TFade{};
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

}  // namespace
