// State switching and the frame dispatchers, run on the fake windowing layer
// so that whole frames (update, step, draw, fade) really run.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "EngineState.h"
#include "Fakes.h"
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

TEST_F(StateUnitTest, DrawDispatcherSetsUpPixelSpaceThenDrawsThenFades) {
    FillLoggingRow(stMenu, "menu");
    CurrentState = stMenu;
    WindowWidth = 800;
    WindowHeight = 600;
    FramebufferWidth = 800;
    FramebufferHeight = 600;
    StartFade(clBlack, 10);
    DispatchDraw();
    std::vector<std::string> Names;
    for (const auto& Call : fake::GLCalls) Names.push_back(Call.Name);
    std::vector<std::string> Expected = {
        "glViewport",     "glClearColor", "glClear",        "glMatrixMode",
        "glLoadIdentity", "glTranslatef", "glScalef",       "glMatrixMode",
        "glLoadIdentity", "glMatrixMode", "glLoadIdentity", "glScalef",
        "glTranslatef",   "glDisable",    "glEnable",       "glBlendFunc"};
    ASSERT_GE(Names.size(), Expected.size());
    EXPECT_EQ(std::vector<std::string>(Names.begin(), Names.begin() + Expected.size()), Expected);
    auto& C = fake::GLCalls;
    EXPECT_EQ(C[0].Args, (std::vector<double>{0, 0, 800, 600}));
    EXPECT_EQ(C[1].Args, (std::vector<double>{0, 0, 0, 0}));
    EXPECT_EQ(C[2].Args, std::vector<double>{GL_COLOR_BUFFER_BIT});
    EXPECT_EQ(C[3].Args, std::vector<double>{GL_TEXTURE});
    EXPECT_EQ(C[5].Args, (std::vector<double>{0, 1, 0}));
    EXPECT_EQ(C[6].Args, (std::vector<double>{1, -1, 1}));
    EXPECT_EQ(C[7].Args, std::vector<double>{GL_PROJECTION});
    EXPECT_EQ(C[9].Args, std::vector<double>{GL_MODELVIEW});
    EXPECT_EQ(C[11].Args, (std::vector<double>{2.0f / 800, -2.0f / 600, 1}));
    EXPECT_EQ(C[12].Args, (std::vector<double>{-400, -300, 0}));
    // The screen drew between the set-up and the overlay.
    EXPECT_EQ(Log, std::vector<std::string>{"menu.draw"});
    EXPECT_EQ(C[13].Args, std::vector<double>{GL_TEXTURE_2D});
    EXPECT_EQ(C[14].Args, std::vector<double>{GL_BLEND});
    EXPECT_EQ(Fade.Alpha, 10);
    EXPECT_EQ(fake::CountCalls("glVertex2i"), 4u);
}

TEST_F(StateUnitTest, PixelMappingPutsCornersAtTheWindowEdges) {
    WindowWidth = 640;
    WindowHeight = 480;
    DispatchDraw();
    // The model-view matrix is scale * translate: a vertex is translated first.
    auto Scale = fake::CallsNamed("glScalef")[1].Args;
    auto Translate = fake::CallsNamed("glTranslatef")[1].Args;
    auto Apply = [&](double X, double Y) {
        return std::make_pair((X + Translate[0]) * Scale[0], (Y + Translate[1]) * Scale[1]);
    };
    EXPECT_NEAR(Apply(0, 0).first, -1, 1e-6);
    EXPECT_NEAR(Apply(0, 0).second, 1, 1e-6);
    EXPECT_NEAR(Apply(640, 480).first, 1, 1e-6);
    EXPECT_NEAR(Apply(640, 480).second, -1, 1e-6);
    EXPECT_NEAR(Apply(320, 240).first, 0, 1e-6);
}

}  // namespace
