// Splash screen: the Escape switch and the picture quad.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "EngineState.h"
#include "Fakes.h"
#include "MainUnit.h"
#include "PexGL.h"
#include "SplashUnit.h"
#include "StateUnit.h"
#include "VarsUnit.h"

namespace {

constexpr uint32_t TestSplashTexture = 41;

int32_t MenuEnters = 0;
void MenuEntered() {
    ++MenuEnters;
}

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngine();
        SplashTexture = TestSplashTexture;
        InitSplash();
        States[stMenu].Enter = MenuEntered;
        MenuEnters = 0;
        CurrentState = stSplash;
        OnUpdate = DispatchUpdate;
        OnDraw = DispatchDraw;
    }
    void TearDown() override {
        OnUpdate = nullptr;
        OnDraw = nullptr;
    }
};

TEST_F(SplashTest, NothingHappensWithoutEscape) {
    for (int32_t Frame = 0; Frame < 5; ++Frame) ProcessFrame();
    EXPECT_EQ(CurrentState, stSplash);
    EXPECT_EQ(MenuEnters, 0);
}

// The key stays held through the fade, but the switch cleared the key table,
// so the splash does not ask for a second switch.
TEST_F(SplashTest, OneEscapePressSwitchesToTheMenuOnce) {
    KeyCallback(kcEscape, 1);
    for (int32_t Frame = 0; Frame < 80; ++Frame) ProcessFrame();
    EXPECT_EQ(CurrentState, stMenu);
    EXPECT_EQ(MenuEnters, 1);
    EXPECT_GE(fake::Swaps, 26);
}

TEST_F(SplashTest, EscapeIsNotConsumedBeforeTheSwitchClearsIt) {
    States[stMenu].Enter = nullptr;
    KeyCallback(kcEscape, 1);
    SplashUpdate();
    EXPECT_EQ(CurrentState, stMenu);
    EXPECT_FALSE(KeyDown(kcEscape));
}

TEST_F(SplashTest, DrawsThePictureOpaqueAtTheTopLeft) {
    SplashDraw();
    const std::vector<fake::GLCall> Vertices = fake::CallsNamed("glVertex2i");
    ASSERT_EQ(Vertices.size(), 4u);
    EXPECT_EQ(Vertices[0].Args, (std::vector<double>{0, 0}));
    EXPECT_EQ(Vertices[1].Args, (std::vector<double>{640, 0}));
    EXPECT_EQ(Vertices[2].Args, (std::vector<double>{640, 480}));
    EXPECT_EQ(Vertices[3].Args, (std::vector<double>{0, 480}));
    const std::vector<fake::GLCall> Coords = fake::CallsNamed("glTexCoord2f");
    ASSERT_EQ(Coords.size(), 4u);
    EXPECT_EQ(Coords[0].Args, (std::vector<double>{0, 0}));
    EXPECT_EQ(Coords[2].Args, (std::vector<double>{0.625, 0.9375}));
    EXPECT_EQ(fake::BoundTexture, TestSplashTexture);
    const std::vector<fake::GLCall> Disables = fake::CallsNamed("glDisable");
    ASSERT_EQ(Disables.size(), 1u);
    EXPECT_EQ(Disables[0].Args[0], double(GL_BLEND));
    EXPECT_EQ(fake::CallsNamed("glColor4ub").back().Args,
              (std::vector<double>{255, 255, 255, 255}));
}

TEST_F(SplashTest, TextureSizeIsBackTo256AfterTheDraw) {
    SetTextureSizeWH(512, 128);
    SplashDraw();
    EXPECT_EQ(TextureWidth, 256);
    EXPECT_EQ(TextureHeight, 256);
}

}  // namespace
