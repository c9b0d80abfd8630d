// The windowing layer's pure parts: version 3 keys reach the program as
// version 2 codes (keys version 2 did not have are dropped), and window sides
// of 0 open as version 2 opened them.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "Glfw2.h"

namespace {

TEST(Glfw2Test, KeysThePexScreensUseHaveTheirVersion2Codes) {
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_ESCAPE), 257);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_F10), 267);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_F11), 268);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_UP), 283);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_DOWN), 284);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_LEFT), 285);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_RIGHT), 286);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_ENTER), 294);
}

TEST(Glfw2Test, PrintableKeysAreTheirCharacterCodes) {
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_A), 'A');
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_Z), 'Z');
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_SPACE), ' ');
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_0), '0');
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_GRAVE_ACCENT), '`');
}

TEST(Glfw2Test, OtherSpecialKeysKeepTheirVersion2Order) {
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_F1), 258);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_F25), 282);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_LEFT_SHIFT), 287);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_TAB), 293);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_KP_0), 302);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_KP_ENTER), 318);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_MENU), 325);
}

TEST(Glfw2Test, KeysVersion2DidNotHaveAreDropped) {
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_WORLD_1), -2);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_PRINT_SCREEN), -2);
    EXPECT_EQ(glfw2TranslateKey(GLFW_KEY_UNKNOWN), -1);
}

std::pair<int32_t, int32_t> Resolved(int32_t Width, int32_t Height) {
    glfw2ResolveWindowSize(&Width, &Height);
    return {Width, Height};
}

TEST(Glfw2Test, ZeroSidesOpenAsVersion2OpenedThem) {
    using Size = std::pair<int32_t, int32_t>;
    EXPECT_EQ(Resolved(0, 0), Size(640, 480));
    EXPECT_EQ(Resolved(800, 0), Size(800, 600));
    EXPECT_EQ(Resolved(0, 600), Size(800, 600));
    // The other side is truncated: 1001 x 3 / 4 = 750.75, 301 x 4 / 3 = 401.33.
    EXPECT_EQ(Resolved(1001, 0), Size(1001, 750));
    EXPECT_EQ(Resolved(0, 301), Size(401, 301));
    // Negative sides count as 0, as they did in version 2.
    EXPECT_EQ(Resolved(-5, -1), Size(640, 480));
    EXPECT_EQ(Resolved(1024, -768), Size(1024, 768));
    // Sides given are kept, whatever their ratio.
    EXPECT_EQ(Resolved(300, 1000), Size(300, 1000));
}

TEST(Glfw2Test, SideTakenFromAnExtremeOtherSideStaysInRange) {
    using Size = std::pair<int32_t, int32_t>;
    EXPECT_EQ(Resolved(1, 0), Size(1, 1));
    EXPECT_EQ(Resolved(0, INT32_MAX), Size(INT32_MAX, INT32_MAX));
    EXPECT_EQ(Resolved(INT32_MAX, 0), Size(INT32_MAX, 1610612735));
}

}  // namespace
