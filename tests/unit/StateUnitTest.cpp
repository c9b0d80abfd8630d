// State switching and the frame dispatchers, run on the fake windowing layer
// so that whole frames (update, step, draw, fade) really run.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "EngineState.h"
#include "Fakes.h"
#include "GLState.h"
#include "MainUnit.h"
#include "PexGL.h"
#include "StateUnit.h"

namespace {

std::vector<std::string> Log;

struct StateUnitTest : ::testing::Test {
    void SetUp() override {
        ResetEngine();
        Log.clear();
        OnUpdate = DispatchUpdate;
        OnDraw = DispatchDraw;
        InitEngine();
    }
    void TearDown() override {
        OnUpdate = nullptr;
        OnDraw = nullptr;
    }
};

void FillLoggingRow(uint8_t State, const char* Name) {
    static std::map<uint8_t, std::string> Names;
    Names[State] = Name;
    // Captureless procedures: the row's state number picks the name at run time.
    switch (State) {
        case stSplash:
            States[stSplash] = {[] { Log.push_back(Names[stSplash] + ".enter"); },
                                [] { Log.push_back(Names[stSplash] + ".leave"); },
                                [] { Log.push_back(Names[stSplash] + ".update"); },
                                [] { Log.push_back(Names[stSplash] + ".step"); },
                                [] { Log.push_back(Names[stSplash] + ".draw"); }};
            break;
        case stMenu:
            States[stMenu] = {[] { Log.push_back(Names[stMenu] + ".enter"); },
                              [] { Log.push_back(Names[stMenu] + ".leave"); },
                              [] { Log.push_back(Names[stMenu] + ".update"); },
                              [] { Log.push_back(Names[stMenu] + ".step"); },
                              [] { Log.push_back(Names[stMenu] + ".draw"); }};
            break;
        default:
            FAIL() << "no logging row for state " << int(State);
    }
}

size_t Count(const std::string& Entry) {
    return size_t(std::count(Log.begin(), Log.end(), Entry));
}

TEST_F(StateUnitTest, SwitchFadesOutOver26FramesWithTheOldStateRunning) {
    FillLoggingRow(stSplash, "splash");
    FillLoggingRow(stMenu, "menu");
    CurrentState = stSplash;
    SwitchState(stMenu);
    EXPECT_EQ(fake::Swaps, 26);
    EXPECT_EQ(Count("splash.update"), 26u);
    EXPECT_EQ(Count("splash.step"), 26u);
    EXPECT_EQ(Count("splash.draw"), 26u);
    EXPECT_EQ(Count("menu.update"), 0u);
    // Leave after the last frame, then Enter, nothing else.
    ASSERT_GE(Log.size(), 2u);
    EXPECT_EQ(Log[Log.size() - 2], "splash.leave");
    EXPECT_EQ(Log.back(), "menu.enter");
    EXPECT_EQ(CurrentState, stMenu);
    // The fade-in has started from opaque black.
    EXPECT_TRUE(Fade.Active);
    EXPECT_FALSE(Fade.Complete);
    EXPECT_EQ(Fade.Alpha, 255);
    EXPECT_EQ(Fade.AlphaStep, -10);
}

TEST_F(StateUnitTest, SwitchClearsKeysBeforeTheFade) {
    KeyCallback(kcRight, 1);
    SwitchState(stMenu);
    EXPECT_FALSE(KeyDown(kcRight)) << "a held key reads as up until pressed anew";
}

TEST_F(StateUnitTest, SwitchingToTheCurrentStateLeavesAndEntersIt) {
    FillLoggingRow(stMenu, "menu");
    CurrentState = stMenu;
    SwitchState(stMenu);
    EXPECT_EQ(Log[Log.size() - 2], "menu.leave");
    EXPECT_EQ(Log.back(), "menu.enter");
}

TEST_F(StateUnitTest, ExitSwitchDoesNotWaitForFrames) {
    FillLoggingRow(stMenu, "menu");
    CurrentState = stMenu;
    SwitchState(stExit);
    EXPECT_EQ(fake::Swaps, 0);
    EXPECT_EQ(Log, std::vector<std::string>{"menu.leave"});
    EXPECT_EQ(CurrentState, stExit);
}

TEST_F(StateUnitTest, F10DuringTheFadeOutEndsTheWaitButTheSwitchCompletes) {
    FillLoggingRow(stSplash, "splash");
    FillLoggingRow(stMenu, "menu");
    CurrentState = stSplash;
    // F10 pressed during the third frame of the wait: the fourth frame's update
    // sets Quit, and the wait stops there instead of running the whole fade.
    fake::OnSwap = [] {
        if (fake::Swaps == 3) KeyCallback(kcF10, 1);
    };
    States[stSplash].Update = [] {
        Log.push_back("splash.update");
        if (KeyDown(kcEnter)) SwitchState(stMenu);
    };
    KeyCallback(kcEnter, 1);
    ProcessFrame();  // the outer frame whose update starts the switch
    EXPECT_TRUE(Quit);
    EXPECT_EQ(Count("splash.update"), 5u);
    EXPECT_EQ(Count("splash.leave"), 1u);
    EXPECT_EQ(Count("menu.enter"), 1u);
    EXPECT_EQ(CurrentState, stMenu);
    // After the switch returned, the outer frame ran the new state's step and draw.
    EXPECT_EQ(Log[Log.size() - 2], "menu.step");
    EXPECT_EQ(Log.back(), "menu.draw");
    RunMainLoop();
    EXPECT_EQ(fake::Swaps, 5) << "no frame runs after the one that started the switch";
}

TEST_F(StateUnitTest, ClosedWindowEndsTheWaitInsteadOfHanging) {
    FillLoggingRow(stMenu, "menu");
    CurrentState = stMenu;
    fake::Active = false;  // idle frames draw nothing: the fade cannot advance
    fake::OnSwap = [] {
        if (fake::Swaps == 5) fake::Opened = false;
    };
    SwitchState(stSplash);
    EXPECT_TRUE(Quit);
    EXPECT_EQ(fake::Swaps, 5);
    EXPECT_EQ(CurrentState, stSplash);
}

TEST_F(StateUnitTest, NestedSwitchCompletesFirstThenTheOuterOne) {
    FillLoggingRow(stSplash, "splash");
    FillLoggingRow(stMenu, "menu");
    CurrentState = stSplash;
    static bool Nested;
    Nested = false;
    States[stSplash].Update = [] {
        Log.push_back("splash.update");
        if (!Nested && Fade.Active && Fade.Alpha >= 50 && !Fade.Complete) {
            Nested = true;
            SwitchState(stSplash);  // a second switch during the wait
        }
    };
    SwitchState(stMenu);
    // The nested switch ran splash's leave and enter first; the outer one then
    // waited for a complete fade again before leaving splash for the menu.
    std::vector<std::string> Transitions;
    for (const std::string& Entry : Log)
        if (Entry.find(".enter") != std::string::npos || Entry.find(".leave") != std::string::npos)
            Transitions.push_back(Entry);
    EXPECT_EQ(Transitions, (std::vector<std::string>{"splash.leave", "splash.enter", "splash.leave",
                                                     "menu.enter"}));
    EXPECT_EQ(CurrentState, stMenu);
}

TEST_F(StateUnitTest, EmptyRowsAreSkipped) {
    CurrentState = 5;
    SwitchState(stExit);
    ProcessFrame();
    EXPECT_EQ(CurrentState, stExit);
}

// ---- Dispatchers ----

TEST_F(StateUnitTest, F10SetsQuitInEveryStateAndTheFrameCompletes) {
    FillLoggingRow(stMenu, "menu");
    CurrentState = stMenu;
    KeyCallback(kcF10, 1);
    DispatchUpdate();
    EXPECT_TRUE(Quit);
    EXPECT_EQ(Log, (std::vector<std::string>{"menu.update", "menu.step"}));
}

TEST_F(StateUnitTest, StepRunsForTheStateThatUpdateSwitchedTo) {
    FillLoggingRow(stMenu, "menu");
    FillLoggingRow(stSplash, "splash");
    CurrentState = stSplash;
    States[stSplash].Update = [] { CurrentState = stMenu; };
    DispatchUpdate();
    EXPECT_EQ(Log, std::vector<std::string>{"menu.step"});
}

TEST_F(StateUnitTest, DrawDispatcherPutsWindowPixelsOnScreenBeforeTheScreenDrawsThenFades) {
    static size_t DrawnAt;
    // A screen that draws a white square and leaves texturing on and adding blend.
    States[stMenu].Draw = [] {
        DrawnAt = fake::GLCalls.size();
        SetTexturing(true);
        SetBlendMode(bmAdd);
        SetColor(clWhite);
        BeginQuads();
        DrawRect(0, 0, 16, 16);
        EndQuads();
    };
    CurrentState = stMenu;
    // A frame at another size first: nothing of it may carry over.
    WindowWidth = FramebufferWidth = 320;
    WindowHeight = FramebufferHeight = 200;
    DispatchDraw();
    const size_t FrameStart = fake::GLCalls.size();
    // An 800 x 600 window on a display at 200 %.
    WindowWidth = 800;
    WindowHeight = 600;
    FramebufferWidth = 1600;
    FramebufferHeight = 1200;
    StartFade(clBlack, 10);
    DispatchDraw();

    TGLState AtDraw(DrawnAt);
    ASSERT_GT(DrawnAt, FrameStart);
    // Window pixels, (0, 0) top-left and y down.
    for (auto [X, Y] : {std::pair<double, double>{0, 0}, {800, 600}, {100, 30}})
        EXPECT_EQ(AtDraw.PixelOf(X, Y, FramebufferHeight), std::make_pair(2 * X, 2 * Y));
    EXPECT_EQ(AtDraw.Mode, GL_MODELVIEW) << "a screen's own shifts act in window pixels";
    // Pictures arrive bottom row first: a lookup at t reads 1 - t.
    EXPECT_EQ(AtDraw.Matrix(GL_TEXTURE)(0.25, 0.25), std::make_pair(0.25, 0.75));
    // The screen draws on a cleared picture, untextured and alpha-blended
    // whatever the frame before left.
    EXPECT_GT(AtDraw.LastClear, FrameStart);
    EXPECT_EQ(AtDraw.ClearColor, (std::vector<double>{0, 0, 0, 0}));
    EXPECT_FALSE(AtDraw.IsOn(GL_TEXTURE_2D));
    EXPECT_TRUE(AtDraw.IsOn(GL_BLEND));
    EXPECT_EQ(AtDraw.BlendFunc, (std::vector<double>{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}));

    // The fade's overlay comes last, over the whole picture, blended by its alpha.
    const fake::Batch Overlay = fake::Batches().back();
    TGLState AtOverlay(Overlay.BeginIndex);
    EXPECT_EQ(Overlay.Color, (std::array<int32_t, 4>{0, 0, 0, 10}));
    EXPECT_TRUE(AtOverlay.IsOn(GL_BLEND) && AtOverlay.BlendFunc == AtDraw.BlendFunc);
    const auto [Left, Top] = Overlay.Vertices[0];
    const auto [Right, Bottom] = Overlay.Vertices[2];
    EXPECT_EQ(AtOverlay.PixelOf(Left, Top, FramebufferHeight), std::make_pair(0.0, 0.0));
    EXPECT_EQ(AtOverlay.PixelOf(Right, Bottom, FramebufferHeight), std::make_pair(1600.0, 1200.0));
}

}  // namespace
