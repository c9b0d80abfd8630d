// The engine frame: frame clock, idle frames, key and mouse state, drawing
// emitters at the GL-call level, bitmap text and the fade.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "EngineState.h"
#include "Fakes.h"
#include "GLState.h"
#include "PexGL.h"

namespace {

struct PexGLTest : ::testing::Test {
    void SetUp() override {
        ResetEngine();
        InitEngine();
    }
};

int UpdateCalls = 0;
int DrawCalls = 0;
void CountUpdate() {
    ++UpdateCalls;
}
void CountDraw() {
    ++DrawCalls;
}

// Each frame reads the timer twice: once for the delta, once for the new base.
void QueueFrameTimes(std::initializer_list<double> Times) {
    for (double T : Times) {
        fake::Times.push_back(T);
        fake::Times.push_back(T);
    }
}

std::vector<std::pair<float, float>> TexCoords() {
    std::vector<std::pair<float, float>> Result;
    for (const fake::GLCall& Call : fake::CallsNamed("glTexCoord2f"))
        Result.emplace_back(float(Call.Args[0]), float(Call.Args[1]));
    return Result;
}

std::vector<std::pair<double, double>> Vertices(const char* Name) {
    std::vector<std::pair<double, double>> Result;
    for (const fake::GLCall& Call : fake::CallsNamed(Name))
        Result.emplace_back(Call.Args[0], Call.Args[1]);
    return Result;
}

// ---- Frame clock ----

TEST_F(PexGLTest, FirstFrameMeasuresFromEngineStartAndIsClamped) {
    QueueFrameTimes({2.5});
    ProcessFrame();
    EXPECT_DOUBLE_EQ(DeltaTime, 0.1);
}

TEST_F(PexGLTest, ShortFrameKeepsItsDuration) {
    QueueFrameTimes({0.02, 0.05});
    ProcessFrame();
    ProcessFrame();
    EXPECT_NEAR(DeltaTime, 0.03, 1e-12);
}

TEST_F(PexGLTest, FourSlowFramesGiveThreeFramesPerSecond) {
    FPS = -1;
    QueueFrameTimes({0.3, 0.6, 0.9});
    ProcessFrame();
    ProcessFrame();
    ProcessFrame();
    EXPECT_EQ(FPS, -1) << "0.9 s is not yet more than a second";
    QueueFrameTimes({1.2});
    ProcessFrame();
    EXPECT_DOUBLE_EQ(DeltaTime, 0.1);
    EXPECT_EQ(FPS, 3);  // 4 / 1.2 = 3.33, truncated
    // The counters restarted: one more second of frames gives the new rate.
    QueueFrameTimes({1.7, 2.21});
    ProcessFrame();
    ProcessFrame();
    EXPECT_EQ(FPS, 1);  // 2 frames over 1.01 s
}

TEST_F(PexGLTest, StallCountsItsWholeTimeForTheRate) {
    QueueFrameTimes({0.1, 0.2, 3.2});
    ProcessFrame();
    ProcessFrame();
    ProcessFrame();
    EXPECT_DOUBLE_EQ(DeltaTime, 0.1);
    EXPECT_EQ(FPS, 0);  // 3 frames over 3.2 s
}

TEST_F(PexGLTest, RateOfAlmostSixtyIsTruncated) {
    FPS = 0;
    // 60 frames spread over 1.0017 s: 59.9 frames per second.
    for (int I = 1; I <= 60; ++I) QueueFrameTimes({I * (1.0017 / 60)});
    for (int I = 0; I < 60; ++I) ProcessFrame();
    EXPECT_EQ(FPS, 59);
}

// ---- Active and idle frames ----

TEST_F(PexGLTest, ActiveFrameReadsWindowAndMouseThenUpdatesThenDraws) {
    std::vector<std::string> Order;
    static std::vector<std::string>* Log;
    Log = &Order;
    OnUpdate = [] { Log->push_back("update"); };
    OnDraw = [] { Log->push_back("draw"); };
    fake::OnSwap = [] { Log->push_back("swap"); };
    fake::WindowW = 800;
    fake::WindowH = 600;
    fake::MouseX = 17;
    fake::MouseY = 23;
    ProcessFrame();
    EXPECT_EQ(Order, (std::vector<std::string>{"update", "draw", "swap"}));
    EXPECT_EQ(WindowWidth, 800);
    EXPECT_EQ(WindowHeight, 600);
    EXPECT_EQ(Mouse.X, 17);
    EXPECT_EQ(Mouse.Y, 23);
    EXPECT_TRUE(fake::Sleeps.empty());
}

TEST_F(PexGLTest, WindowHeightZeroReadsAsOneWidthZeroStays) {
    fake::WindowW = 0;
    fake::WindowH = 0;
    ProcessFrame();
    EXPECT_EQ(WindowWidth, 0);
    EXPECT_EQ(WindowHeight, 1);
}

TEST_F(PexGLTest, InactiveFrameSleepsAndRunsNoCallback) {
    UpdateCalls = DrawCalls = 0;
    OnUpdate = CountUpdate;
    OnDraw = CountDraw;
    Mouse.X = 5;
    fake::MouseX = 99;
    fake::WindowW = 320;
    fake::Active = false;
    ProcessFrame();
    EXPECT_EQ(UpdateCalls, 0);
    EXPECT_EQ(DrawCalls, 0);
    EXPECT_EQ(fake::Sleeps, std::vector<double>{0.1});
    EXPECT_EQ(fake::Swaps, 1);
    EXPECT_EQ(Mouse.X, 5);
    EXPECT_EQ(WindowWidth, 640);
    EXPECT_FALSE(Quit);
}

TEST_F(PexGLTest, ClosedWindowEndsTheLoopAfterThatFrame) {
    UpdateCalls = 0;
    OnUpdate = CountUpdate;
    fake::Active = false;
    fake::OnSwap = [] { fake::Opened = false; };
    RunMainLoop();
    EXPECT_TRUE(Quit);
    EXPECT_EQ(fake::Swaps, 1);
    EXPECT_EQ(UpdateCalls, 0);
}

TEST_F(PexGLTest, QuitSetByUpdateStillDrawsThatFrameAndRunsNoMore) {
    DrawCalls = 0;
    OnUpdate = [] { Quit = true; };
    OnDraw = CountDraw;
    RunMainLoop();
    EXPECT_EQ(DrawCalls, 1);
    EXPECT_EQ(fake::Swaps, 1);
}

TEST_F(PexGLTest, QuitAlreadySetRunsNoFrame) {
    Quit = true;
    RunMainLoop();
    EXPECT_EQ(fake::Swaps, 0);
}

// ---- Window opening ----

TEST_F(PexGLTest, OpenWindowRequestsChannelBitsByColourDepth) {
    struct {
        int32_t Bpp, Red, Green, Blue;
    } Cases[] = {{8, 2, 3, 2},  {15, 5, 5, 5}, {16, 5, 6, 5},
                 {24, 8, 8, 8}, {32, 8, 8, 8}, {0, 8, 8, 8}};
    for (auto Case : Cases) {
        ASSERT_TRUE(OpenWindow(640, 480, Case.Bpp, false, 0));
        EXPECT_EQ(fake::OpenArgs, (std::vector<int32_t>{640, 480, Case.Red, Case.Green, Case.Blue,
                                                        0, 0, 0, GLFW2_WINDOW}))
            << Case.Bpp;
    }
    ASSERT_TRUE(OpenWindow(800, 600, 32, true, 16));
    EXPECT_EQ(fake::OpenArgs[6], 16);
    EXPECT_EQ(fake::OpenArgs[8], GLFW2_FULLSCREEN);
    // 2..8 open that multiple (a side of 0 taken from the other first, none
    // beyond MaxWindowSide); full screen at 0 keeps the desktop's mode.
    for (auto [Width, Height, Scale, OpenedW, OpenedH] : {std::array{0, 600, 3, 2400, 1800},
                                                          {10000, 480, 2, MaxWindowSide, 960},
                                                          {800, 600, 0, 800, 600}}) {
        ASSERT_TRUE(OpenWindow(Width, Height, 32, true, 0, Scale));
        EXPECT_EQ(fake::OpenArgs,
                  (std::vector<int32_t>{OpenedW, OpenedH, 8, 8, 8, 0, 0, 0,
                                        Scale ? GLFW2_FULLSCREEN : GLFW2_DESKTOP_FULLSCREEN}));
    }
}

TEST_F(PexGLTest, OpenWindowTitlesCentresAndInstallsHandlersInOrder) {
    ASSERT_TRUE(OpenWindow(640, 480, 32, false, 0));
    EXPECT_EQ(fake::Title, "Pex");
    EXPECT_EQ(fake::PosX, 320);
    EXPECT_EQ(fake::PosY, 272);
    EXPECT_EQ(fake::CallbackOrder,
              (std::vector<std::string>{"key", "char", "mousebutton", "refresh"}));
    EXPECT_EQ(fake::SwapIntervalValue, 1);
    OpenWindow(641, 481, 32, false, 0);
    EXPECT_EQ(fake::PosX, 319);
    EXPECT_EQ(fake::PosY, 271);
    OpenWindow(1401, 480, 32, false, 0);
    EXPECT_EQ(fake::PosX, -60);  // -121 / 2 truncated toward zero
}

TEST_F(PexGLTest, WindowThatDoesNotOpenInstallsNothing) {
    fake::OpenResult = 0;
    EXPECT_FALSE(OpenWindow(640, 480, 32, false, 0));
    EXPECT_EQ(fake::Title, "");
    EXPECT_TRUE(fake::CallbackOrder.empty());
    fake::OpenResult = 2;  // only exactly 1 means open
    EXPECT_FALSE(OpenWindow(640, 480, 32, false, 0));
}

// ---- Keys and mouse ----

TEST_F(PexGLTest, KeyDownFollowsPressAndRelease) {
    KeyCallback(kcRight, 1);
    EXPECT_TRUE(KeyDown(kcRight));
    EXPECT_TRUE(KeyDown(kcRight)) << "KeyDown does not consume";
    KeyCallback(kcRight, 0);
    EXPECT_FALSE(KeyDown(kcRight));
}

TEST_F(PexGLTest, KeyPressedReportsOncePerPress) {
    KeyCallback(kcEnter, 1);
    EXPECT_TRUE(KeyPressed(kcEnter));
    EXPECT_FALSE(KeyPressed(kcEnter)) << "still held, but already reported";
    KeyCallback(kcEnter, 0);
    EXPECT_FALSE(KeyPressed(kcEnter));
    KeyCallback(kcEnter, 1);
    EXPECT_TRUE(KeyPressed(kcEnter));
}

TEST_F(PexGLTest, PressAndReleaseInOneSwapIsNeverSeen) {
    ASSERT_TRUE(OpenWindow(640, 480, 32, false, 0));
    fake::OnSwap = [] {
        fake::KeyFun(kcUp, 1);
        fake::KeyFun(kcUp, 0);
    };
    ProcessFrame();
    EXPECT_FALSE(KeyDown(kcUp));
}

TEST_F(PexGLTest, KeyTableCoversMinusOneTo318AndIgnoresOthers) {
    KeyCallback(-1, 1);
    KeyCallback(318, 1);
    EXPECT_TRUE(KeyDown(-1));
    EXPECT_TRUE(KeyDown(318));
    KeyCallback(319, 1);
    KeyCallback(-2, 1);
    KeyCallback(100000, 1);
    EXPECT_FALSE(KeyDown(319));
    EXPECT_FALSE(KeyPressed(-2));
    EXPECT_TRUE(KeyDown(-1));
    EXPECT_TRUE(KeyDown(318));
}

TEST_F(PexGLTest, ClearKeysLeavesTheMouseAlone) {
    KeyCallback(kcLeft, 1);
    MouseButtonCallback(0, 1);
    MouseButtonCallback(1, 1);
    ClearKeys();
    EXPECT_FALSE(KeyDown(kcLeft));
    EXPECT_TRUE(Mouse.Left);
    EXPECT_TRUE(Mouse.Right);
}

TEST_F(PexGLTest, MouseButtonsSetAndClearTheirFlags) {
    MouseButtonCallback(2, 1);
    EXPECT_TRUE(Mouse.Middle);
    EXPECT_FALSE(Mouse.Left);
    MouseButtonCallback(0, 1);
    MouseButtonCallback(0, 0);
    EXPECT_FALSE(Mouse.Left);
    MouseButtonCallback(3, 1);  // other buttons ignored
    MouseButtonCallback(1, 7);  // other actions ignored
    EXPECT_FALSE(Mouse.Right);
}

// ---- A gamepad ----

// The stick swept out and back along each axis, then shaken about its press
// and release points; the buttons one by one, two holding one key, and the
// pad pulled out while holding.
TEST_F(PexGLTest, GamepadHoldsItsKeysWithoutChatterAndLetsGoWhenPulledOut) {
    auto Frame = [](int32_t Connected, int32_t Buttons, int32_t X, int32_t Y) {
        fake::Gamepad = {Connected, Buttons, X, Y};
        ProcessFrame();
        int32_t Held = 0;
        for (bool Down : Keys) Held += Down;
        return Held;
    };
    std::vector<int32_t> Path;  // 0 to 100, to -100, to 0
    for (int32_t Step = 0; Step <= 400; ++Step)
        Path.push_back(Step <= 100 ? Step : Step <= 300 ? 200 - Step : Step - 400);
    Path.insert(Path.end(), {40, 55, 31, 55, 29, 45, 49, 50, 0});
    for (int32_t Axis : {0, 1}) {
        std::string Changes;
        bool Was[2] = {false, false};
        for (int32_t V : Path) {
            Frame(1, 0, Axis == 0 ? V : 0, Axis == 1 ? V : 0);
            for (int32_t Side : {0, 1}) {
                const bool Down =
                    KeyDown(Side == 0 ? (Axis ? kcUp : kcLeft) : (Axis ? kcDown : kcRight));
                if (Down != Was[Side]) Changes += (Side ? " +" : " -") + std::to_string(V);
                Was[Side] = Down;
            }
        }
        EXPECT_EQ(Changes, " +50 +29 --50 --29 +55 +29 +50 +0") << "axis " << Axis;
    }
    const int32_t Buttons[] = {GLFW2_PAD_DPAD_UP,    GLFW2_PAD_DPAD_DOWN, GLFW2_PAD_DPAD_LEFT,
                               GLFW2_PAD_DPAD_RIGHT, GLFW2_PAD_A,         GLFW2_PAD_START,
                               GLFW2_PAD_B,          GLFW2_PAD_BACK};
    const int32_t KeysOf[] = {kcUp, kcDown, kcLeft, kcRight, kcEnter, kcEnter, kcEscape, kcEscape};
    for (int32_t Button = 0; Button < GLFW2_PAD_BUTTONS; ++Button) {
        const auto Row = std::find(std::begin(Buttons), std::end(Buttons), Button) - Buttons;
        EXPECT_EQ(Frame(1, 1 << Button, 0, 0), Row < 8 ? 1 : 0) << Button;
        EXPECT_TRUE(Row == 8 || KeyPressed(KeysOf[Row])) << Button;
        EXPECT_EQ(Frame(1, 0, 0, 0), 0) << Button;
    }
    // A key two sources hold is held while either is, and acts once.
    Frame(1, (1 << GLFW2_PAD_A) | (1 << GLFW2_PAD_START), 80, 0);
    EXPECT_TRUE(KeyPressed(kcEnter));
    Frame(1, 1 << GLFW2_PAD_START, 80, 0);
    EXPECT_FALSE(KeyPressed(kcEnter));
    // Pulled out: every key goes up, whatever buttons a layer still reports.
    EXPECT_EQ(Frame(0, 1 << GLFW2_PAD_START, 80, 0), 0);
    EXPECT_EQ(Frame(1, 1 << GLFW2_PAD_B, 0, 0), 1);
    Frame(1, 0, 0, 0);
}

// ---- Colours and render state ----

TEST_F(PexGLTest, ColorWithAlphaReplacesOnlyTheAlphaByte) {
    EXPECT_EQ(ColorWithAlpha(clWhite, 128), 0x80FFFFFFu);
    EXPECT_EQ(ColorWithAlpha(clBlack, 0), 0x00000000u);
    EXPECT_EQ(ColorWithAlpha(clCyan, 7), 0x07FFFF00u);
}

TEST_F(PexGLTest, SetColorSendsRedGreenBlueAlphaBytes) {
    SetColor(clCyan);
    SetColor(0x80402010u);
    auto Calls = fake::CallsNamed("glColor4ub");
    ASSERT_EQ(Calls.size(), 2u);
    EXPECT_EQ(Calls[0].Args, (std::vector<double>{0, 255, 255, 255}));
    EXPECT_EQ(Calls[1].Args, (std::vector<double>{0x10, 0x20, 0x40, 0x80}));
}

// One channel of a colour drawn with alpha Alpha over the framebuffer's
// channel, mixed by the blend state the recorded calls leave.
double Mixed(double Source, double Alpha, double Destination) {
    const TGLState State;
    const std::map<double, double> Factors = {
        {GL_ZERO, 0}, {GL_ONE, 1}, {GL_SRC_ALPHA, Alpha}, {GL_ONE_MINUS_SRC_ALPHA, 1 - Alpha}};
    if (!State.IsOn(GL_BLEND)) return Source;
    return std::min(1.0, Source * Factors.at(State.BlendFunc[0]) +
                             Destination * Factors.at(State.BlendFunc[1]));
}

TEST_F(PexGLTest, BlendModesDrawOpaqueMixOrAdd) {
    // A channel of 1 at alpha 0.25 over 0.25, and of 0.5 at alpha 1 over 0.75,
    // in each mode, whichever mode was set before.
    const struct {
        uint8_t Mode;
        double Translucent, Opaque;
    } Rows[] = {
        {bmNone, 1, 0.5},        // drawn as it is: alpha plays no part
        {bmAlpha, 0.4375, 0.5},  // a quarter of the colour over three quarters of what was there
        {bmAdd, 0.5, 1},         // added, scaled by alpha, up to full
    };
    for (const auto& Row : Rows)
        for (uint8_t Before : {bmNone, bmAlpha, bmAdd}) {
            fake::ResetGL();
            SetBlendMode(Before);
            SetBlendMode(Row.Mode);
            SetBlendMode(3);  // no such mode: ignored
            EXPECT_DOUBLE_EQ(Mixed(1, 0.25, 0.25), Row.Translucent) << int(Row.Mode) << int(Before);
            EXPECT_DOUBLE_EQ(Mixed(0.5, 1, 0.75), Row.Opaque) << int(Row.Mode) << int(Before);
        }
}

TEST_F(PexGLTest, TextureFiltersAreSharpOrSmoothWithOrWithoutMipmapsOnTheBoundTexture) {
    const struct {
        uint8_t Mode;
        bool Sharp, Mipmaps;
    } Rows[] = {{tfNearest, true, false},
                {tfLinear, false, false},
                {tfMipNearest, true, true},
                {tfMipLinear, false, true}};
    for (const auto& Row : Rows) {
        BindTexture(10 + Row.Mode);
        SetTextureFilter(Row.Mode);
    }
    SetTextureFilter(4);  // no such mode: ignored
    // How GL samples with a filter: 'n' takes the nearest texel, 'l' blends
    // four; a minifying filter with mipmaps then takes the nearest level or
    // blends two.
    const std::map<double, std::string> Samples = {{GL_NEAREST, "n"},
                                                   {GL_LINEAR, "l"},
                                                   {GL_NEAREST_MIPMAP_NEAREST, "nn"},
                                                   {GL_LINEAR_MIPMAP_NEAREST, "ln"},
                                                   {GL_NEAREST_MIPMAP_LINEAR, "nl"},
                                                   {GL_LINEAR_MIPMAP_LINEAR, "ll"}};
    // Each texture's magnifying and minifying filters, from GL's defaults on.
    std::map<double, std::pair<double, double>> Filters;
    for (const auto& Row : Rows) Filters[10 + Row.Mode] = {GL_LINEAR, GL_NEAREST_MIPMAP_LINEAR};
    for (const fake::GLCall& Call : fake::CallsNamed("glTexParameteri")) {
        if (Call.Args[0] != GL_TEXTURE_2D) continue;
        auto& Filter = Filters[Call.Args[3]];
        if (Call.Args[1] == GL_TEXTURE_MAG_FILTER) Filter.first = Call.Args[2];
        if (Call.Args[1] == GL_TEXTURE_MIN_FILTER) Filter.second = Call.Args[2];
    }
    for (const auto& Row : Rows) {
        const auto [Mag, Min] = Filters[10 + Row.Mode];
        // Enlarged, reduced, and between mipmap levels alike.
        EXPECT_EQ(Samples.at(Mag) + Samples.at(Min),
                  std::string(Row.Mipmaps ? 3 : 2, Row.Sharp ? 'n' : 'l'))
            << int(Row.Mode);
    }
}

// ---- Quad emitters ----

TEST_F(PexGLTest, TexQuadMapsSourcePixelsThroughTheTextureSize) {
    DrawTexQuad(208, 152, 32, 32, 64, 160);
    EXPECT_EQ(TexCoords(),
              (std::vector<std::pair<float, float>>{
                  {0.25f, 0.625f}, {0.375f, 0.625f}, {0.375f, 0.75f}, {0.25f, 0.75f}}));
    EXPECT_EQ(Vertices("glVertex2i"), (std::vector<std::pair<double, double>>{
                                          {208, 152}, {240, 152}, {240, 184}, {208, 184}}));
    // Each texture coordinate comes right before its vertex.
    ASSERT_EQ(fake::GLCalls.size(), 8u);
    for (size_t I = 0; I < 8; I += 2) {
        EXPECT_EQ(fake::GLCalls[I].Name, "glTexCoord2f");
        EXPECT_EQ(fake::GLCalls[I + 1].Name, "glVertex2i");
    }
}

TEST_F(PexGLTest, TexQuadWithTheSplashTextureSize) {
    SetTextureSizeWH(1024, 512);
    DrawTexQuad(0, 0, 640, 480, 0, 0);
    auto Coords = TexCoords();
    EXPECT_EQ(Coords[0], std::make_pair(0.0f, 0.0f));
    EXPECT_EQ(Coords[2], std::make_pair(0.625f, 0.9375f));
}

TEST_F(PexGLTest, FloatQuadKeepsFractionalPositions) {
    DrawTexQuadF(300.5f, 48.25f, 16, 16, 0, 32);
    EXPECT_EQ(Vertices("glVertex2f"),
              (std::vector<std::pair<double, double>>{
                  {300.5, 48.25}, {316.5, 48.25}, {316.5, 64.25}, {300.5, 64.25}}));
    EXPECT_EQ(TexCoords()[0], std::make_pair(0.0f, 0.125f));
    EXPECT_EQ(TexCoords()[2], std::make_pair(0.0625f, 0.1875f));
}

TEST_F(PexGLTest, RectEmitsFourVerticesWithoutTexture) {
    DrawRect(0, 0, 640, 480);
    EXPECT_EQ(fake::CountCalls("glTexCoord2f"), 0u);
    EXPECT_EQ(Vertices("glVertex2i"),
              (std::vector<std::pair<double, double>>{{0, 0}, {640, 0}, {640, 480}, {0, 480}}));
}

TEST_F(PexGLTest, GridEmitsRowByRowAndNothingForZeroCounts) {
    DrawTexGrid(0, 0, 128, 64, 0, 64, 0, 8);
    DrawTexGrid(0, 0, 128, 64, 0, 64, 5, 0);
    DrawTexGrid(0, 0, 128, 64, 0, 64, -1, 3);
    EXPECT_TRUE(fake::GLCalls.empty());
    DrawTexGrid(0, 0, 128, 64, 0, 64, 5, 8);
    auto Corners = Vertices("glVertex2i");
    ASSERT_EQ(Corners.size(), 160u);
    EXPECT_EQ(Corners[0], std::make_pair(0.0, 0.0));
    EXPECT_EQ(Corners[4], std::make_pair(128.0, 0.0));      // second quad: next column
    EXPECT_EQ(Corners[20], std::make_pair(0.0, 64.0));      // sixth quad: next row
    EXPECT_EQ(Corners[158], std::make_pair(640.0, 512.0));  // far corner of the last
    auto Coords = TexCoords();
    for (size_t I = 0; I < Coords.size(); I += 4) EXPECT_EQ(Coords[I], std::make_pair(0.0f, 0.25f));
}

TEST_F(PexGLTest, SpacedGridPlacesCopiesWithGaps) {
    DrawTexGridSpaced(0, 0, 96, 64, 0, 0, 4, 1, 84, 32);
    auto Corners = Vertices("glVertex2i");
    ASSERT_EQ(Corners.size(), 16u);
    EXPECT_EQ(Corners[0].first, 0);
    EXPECT_EQ(Corners[4].first, 180);
    EXPECT_EQ(Corners[8].first, 360);
    EXPECT_EQ(Corners[12].first, 540);
    for (auto Corner : Corners) EXPECT_LE(Corner.second, 64);
    fake::ResetGL();
    DrawTexGridSpaced(10, 20, 8, 8, 0, 0, 2, 2, 1, 3);
    Corners = Vertices("glVertex2i");
    EXPECT_EQ(Corners[4], std::make_pair(19.0, 20.0));
    EXPECT_EQ(Corners[8], std::make_pair(10.0, 31.0));
}

// ---- Bitmap text ----

TEST_F(PexGLTest, PrintTextAddressesGlyphCellsBySixteenths) {
    FontMetrics.Size = 16;
    PrintText(10, 20, "A", 0);
    ASSERT_EQ(fake::GLCalls.front().Name, "glBegin");
    EXPECT_EQ(fake::GLCalls.back().Name, "glEnd");
    EXPECT_EQ(TexCoords(),
              (std::vector<std::pair<float, float>>{
                  {0.0625f, 0.25f}, {0.125f, 0.25f}, {0.125f, 0.3125f}, {0.0625f, 0.3125f}}));
    auto Corners = fake::CallsNamed("glVertex3f");
    ASSERT_EQ(Corners.size(), 4u);
    EXPECT_EQ(Corners[0].Args, (std::vector<double>{10, 20, 0}));
    EXPECT_EQ(Corners[2].Args, (std::vector<double>{26, 36, 0}));
    EXPECT_EQ(FontMetrics.DrawnWidth, 16);
}

TEST_F(PexGLTest, PrintTextNegativeSpacingPullsGlyphsTogether) {
    FontMetrics.Size = 16;
    FontMetrics.Spacing = -4;
    PrintText(8, 456, "0123456789", 0);
    auto Corners = fake::CallsNamed("glVertex3f");
    EXPECT_EQ(Corners[4].Args[0], 8 + 12);
    EXPECT_EQ(Corners[36].Args[0], 8 + 9 * 12);
    EXPECT_EQ(FontMetrics.DrawnWidth, 120);
}

TEST_F(PexGLTest, PrintTextSizeArgumentDrawsButWidthUsesMetricsSize) {
    FontMetrics.Size = 16;
    FontMetrics.Spacing = 1;
    PrintText(0, 0, "ab", 8);
    auto Corners = fake::CallsNamed("glVertex3f");
    EXPECT_EQ(Corners[2].Args, (std::vector<double>{8, 8, 0}));
    EXPECT_EQ(Corners[4].Args[0], 9);
    EXPECT_EQ(FontMetrics.DrawnWidth, 34);
}

TEST_F(PexGLTest, PrintTextEmptyStringEmitsAnEmptyBatch) {
    FontMetrics.Size = 16;
    FontMetrics.DrawnWidth = 5;
    PrintText(0, 0, "", 0);
    ASSERT_EQ(fake::GLCalls.size(), 2u);
    EXPECT_EQ(fake::GLCalls[0].Name, "glBegin");
    EXPECT_EQ(fake::GLCalls[1].Name, "glEnd");
    EXPECT_EQ(FontMetrics.DrawnWidth, 5);
}

TEST_F(PexGLTest, PrintTextCodesZeroAnd255UseTheCornerCells) {
    FontMetrics.Size = 16;
    PrintText(0, 0, std::string("\x00\xFF", 2), 0);
    auto Coords = TexCoords();
    EXPECT_EQ(Coords[0], std::make_pair(0.0f, 0.0f));
    EXPECT_EQ(Coords[4], std::make_pair(0.9375f, 0.9375f));
    EXPECT_EQ(Coords[6], std::make_pair(1.0f, 1.0f));
}

TEST_F(PexGLTest, PrintTextWithSizeStillZeroDrawsDegenerateQuads) {
    PrintText(5, 5, "x", 0);
    auto Corners = fake::CallsNamed("glVertex3f");
    ASSERT_EQ(Corners.size(), 4u);  // one quad, all four corners on the same point
    for (const auto& Corner : Corners) EXPECT_EQ(Corner.Args, (std::vector<double>{5, 5, 0}));
}

// ---- Fade ----

int FramesUntilComplete() {
    int Frames = 0;
    while (!Fade.Complete && Frames < 1000) {
        DrawFade();
        ++Frames;
    }
    return Frames;
}

TEST_F(PexGLTest, FadeOutCompletesOnThe26thFrameAndStaysOpaque) {
    StartFade(clBlack, 10);
    DrawFade();
    EXPECT_EQ(Fade.Alpha, 10);
    for (int I = 2; I <= 25; ++I) DrawFade();
    EXPECT_EQ(Fade.Alpha, 250);
    EXPECT_FALSE(Fade.Complete);
    DrawFade();
    EXPECT_EQ(Fade.Alpha, 255);
    EXPECT_TRUE(Fade.Complete);
    fake::ResetGL();
    DrawFade();
    EXPECT_TRUE(Fade.Active);
    EXPECT_EQ(Fade.Alpha, 255);
    EXPECT_EQ(fake::CountCalls("glVertex2i"), 4u);
}

TEST_F(PexGLTest, FadeInTakes26FramesAndDrawsNothingOnTheLast) {
    StartFade(clBlack, -10);
    DrawFade();
    EXPECT_EQ(Fade.Alpha, 245);
    for (int I = 2; I <= 25; ++I) DrawFade();
    EXPECT_EQ(Fade.Alpha, 5);
    fake::ResetGL();
    DrawFade();
    EXPECT_TRUE(Fade.Complete);
    EXPECT_FALSE(Fade.Active);
    EXPECT_TRUE(fake::GLCalls.empty());
    DrawFade();
    EXPECT_EQ(Fade.Alpha, 0);
}

TEST_F(PexGLTest, SlowFadeInTakes255Frames) {
    StartFade(clBlack, -1);
    EXPECT_EQ(FramesUntilComplete(), 255);
}

TEST_F(PexGLTest, ExtremeStepsClampAtTheEnds) {
    StartFade(clBlack, 127);
    EXPECT_EQ(FramesUntilComplete(), 3);
    EXPECT_EQ(Fade.Alpha, 255);
    StartFade(clBlack, -128);
    DrawFade();
    EXPECT_EQ(Fade.Alpha, 127);
    DrawFade();
    EXPECT_EQ(Fade.Alpha, 0);
    EXPECT_TRUE(Fade.Complete);
}

TEST_F(PexGLTest, ZeroStepCompletesAtOnceAndDrawsNothing) {
    StartFade(clBlack, 0);
    DrawFade();
    EXPECT_EQ(Fade.Alpha, 0);
    EXPECT_TRUE(Fade.Complete);
    EXPECT_FALSE(Fade.Active);
    EXPECT_TRUE(fake::GLCalls.empty());
}

TEST_F(PexGLTest, NewFadeInRestartsFromOpaque) {
    StartFade(clBlack, 10);
    for (int I = 0; I < 10; ++I) DrawFade();
    EXPECT_EQ(Fade.Alpha, 100);
    StartFade(clBlack, -10);
    EXPECT_EQ(Fade.Alpha, 255);
    EXPECT_FALSE(Fade.Complete);
}

TEST_F(PexGLTest, InactiveFadeDrawsNothing) {
    DrawFade();
    EXPECT_TRUE(fake::GLCalls.empty());
}

TEST_F(PexGLTest, OverlayCoversTheWindowInTheFadeColourWithItsAlpha) {
    WindowWidth = 800;
    WindowHeight = 600;
    // What the screen under it may have left on.
    for (GLenum Capability : {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_CULL_FACE}) glEnable(Capability);
    StartFade(0x00000000u, 10);  // the colour's own alpha byte plays no part
    DrawFade();
    const std::vector<fake::Batch> Drawn = fake::Batches();
    ASSERT_EQ(Drawn.size(), 1u);
    EXPECT_EQ(Drawn[0].Color, (std::array<int32_t, 4>{0, 0, 0, 10}));
    std::vector<std::pair<double, double>> Corners = Drawn[0].Vertices;
    std::sort(Corners.begin(), Corners.end());
    EXPECT_EQ(Corners,
              (std::vector<std::pair<double, double>>{{0, 0}, {0, 600}, {800, 0}, {800, 600}}));
    // Untextured, and nothing culls or depth-tests it away.
    for (GLenum Capability : {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_CULL_FACE})
        EXPECT_FALSE(TGLState(Drawn[0].BeginIndex).IsOn(Capability)) << Capability;
}

// ---- Zero window sides and scaled displays ----

TEST_F(PexGLTest, ZeroSidesReachTheLayerAndTheOpenedWindowIsCentred) {
    // The layer opens 640 x 480 for two zero sides; the centring uses that size.
    fake::OpenedW = 640;
    fake::OpenedH = 480;
    ASSERT_TRUE(OpenWindow(0, 0, 32, false, 0));
    EXPECT_EQ(fake::OpenArgs[0], 0);
    EXPECT_EQ(fake::OpenArgs[1], 0);
    EXPECT_EQ(fake::PosX, 320);
    EXPECT_EQ(fake::PosY, 272);

    // Width 0 with height 600: the layer makes it 800 wide.
    fake::OpenedW = 800;
    fake::OpenedH = 600;
    ASSERT_TRUE(OpenWindow(0, 600, 32, false, 0));
    EXPECT_EQ(fake::PosX, 240);
    EXPECT_EQ(fake::PosY, 212);
}

TEST_F(PexGLTest, ScaledDisplayKeepsWindowPixelsAndReadsTheLargerFramebuffer) {
    fake::FramebufferScale = 2;
    fake::WindowW = 640;
    fake::WindowH = 480;
    fake::MouseX = 639;
    fake::MouseY = 479;
    ProcessFrame();
    EXPECT_EQ(WindowWidth, 640);
    EXPECT_EQ(WindowHeight, 480);
    EXPECT_EQ(FramebufferWidth, 1280);
    EXPECT_EQ(FramebufferHeight, 960);
    // The pointer in the bottom-right corner is at the window's last pixel.
    EXPECT_EQ(Mouse.X, 639);
    EXPECT_EQ(Mouse.Y, 479);
}

TEST_F(PexGLTest, UnscaledFramebufferIsTheWindowAndNeverZeroHigh) {
    fake::WindowW = 800;
    fake::WindowH = 600;
    ProcessFrame();
    EXPECT_EQ(FramebufferWidth, 800);
    EXPECT_EQ(FramebufferHeight, 600);
    fake::WindowW = 0;
    fake::WindowH = 0;
    ProcessFrame();
    EXPECT_EQ(FramebufferWidth, 0);
    EXPECT_EQ(FramebufferHeight, 1);
    // An inactive frame keeps the last sizes.
    fake::Active = false;
    fake::WindowW = 320;
    ProcessFrame();
    EXPECT_EQ(FramebufferWidth, 0);
}

TEST_F(PexGLTest, FadeOnAScaledDisplayCoversTheWindowInWindowPixels) {
    fake::FramebufferScale = 2;
    OnDraw = DrawFade;
    StartFade(clBlack, 10);
    ProcessFrame();
    ASSERT_EQ(fake::Batches().size(), 1u);
    EXPECT_EQ(fake::Batches()[0].Vertices[2], std::make_pair(640.0, 480.0));
}

// ---- Termination signals ----

int OtherHandlerCalls = 0;
void OtherHandler(int) {
    ++OtherHandlerCalls;
}

// SIGTERM, SIGINT, and SIGHUP where the system has one (Windows has none).
std::vector<int> TerminationSignals() {
    std::vector<int> Signals = {SIGTERM, SIGINT};
#ifdef SIGHUP
    Signals.push_back(SIGHUP);
#endif
    return Signals;
}

TEST_F(PexGLTest, TerminationSignalEndsTheLoopAfterTheFrameThatSeesIt) {
    for (int Signal : TerminationSignals()) {
        std::signal(Signal, OtherHandler);
        Quit = false;
        fake::Swaps = 0;
        DrawCalls = 0;
        OnDraw = CountDraw;
        InitPexGL();
        std::raise(Signal);
        EXPECT_FALSE(Quit) << Signal;  // the handler only notes the signal
        RunMainLoop();
        EXPECT_TRUE(Quit) << Signal;
        EXPECT_EQ(fake::Swaps, 1) << Signal;  // that frame still updated and drew
        EXPECT_EQ(DrawCalls, 1) << Signal;
        DonePexGL();
        // The handler found at the start is back, and was never called.
        EXPECT_EQ(std::signal(Signal, SIG_DFL), &OtherHandler) << Signal;
        EXPECT_EQ(OtherHandlerCalls, 0);
    }
}

TEST_F(PexGLTest, TerminationSignalAlsoEndsAnIdleFrame) {
    fake::Active = false;
    InitPexGL();
    std::raise(SIGTERM);
    ProcessFrame();
    EXPECT_TRUE(Quit);
    DonePexGL();
}

TEST_F(PexGLTest, SignalsOfDifferentKindsEachOnlyAskToQuit) {
    InitPexGL();
    for (int Signal : TerminationSignals()) std::raise(Signal);
    ProcessFrame();
    EXPECT_TRUE(Quit);
    DonePexGL();
}

TEST_F(PexGLTest, RestoredHandlersTakeOverBeforeTheEnd) {
    std::signal(SIGTERM, OtherHandler);
    OtherHandlerCalls = 0;
    InitPexGL();
    PlatformReleaseTerminationSignals();
    std::raise(SIGTERM);
    EXPECT_EQ(OtherHandlerCalls, 1);
    ProcessFrame();
    EXPECT_FALSE(Quit);
    DonePexGL();
    EXPECT_EQ(std::signal(SIGTERM, SIG_DFL), &OtherHandler);
}

TEST_F(PexGLTest, SignalIgnoredAtStartStaysIgnored) {
    const int Signal = TerminationSignals().back();
    std::signal(Signal, SIG_IGN);
    InitPexGL();
    std::raise(Signal);
    ProcessFrame();
    EXPECT_FALSE(Quit);
    DonePexGL();
    EXPECT_EQ(std::signal(Signal, SIG_DFL), SIG_IGN);
}

#ifndef _WIN32  // a death by a signal is POSIX's
using PexGLDeathTest = PexGLTest;

TEST_F(PexGLDeathTest, SecondSignalOfTheSameKindEndsTheProgramAtOnce) {
    for (int Signal : TerminationSignals())
        EXPECT_EXIT(
            {
                InitPexGL();
                std::raise(Signal);
                std::raise(Signal);
                std::exit(0);
            },
            ::testing::KilledBySignal(Signal), "")
            << Signal;
}
#endif

}  // namespace
