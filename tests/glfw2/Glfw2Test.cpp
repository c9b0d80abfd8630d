// Key codes of the windowing layer: version 3 keys reach the program as
// version 2 codes; keys version 2 did not have are dropped.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

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

}  // namespace
