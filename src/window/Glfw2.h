// Glfw2: the windowing calls of the GLFW version 2 interface, as a thin layer of
// our own over the system's GLFW 3. The names carry the prefix glfw2 so that
// they never collide with the real library's functions of the same meaning.
//
// Owns: the one GLFW 3 window and the callbacks installed on it; SystemWindow,
// its calls as a window driver.
// Uses: GLFW 3, PexPlatform (waits, the termination signal).
// glfw2Init starts GLFW 3 and its timer; glfw2Terminate ends it.
// glfw2DisplayGone, for a display that went away under the program, makes every
// later call do nothing.
//
// Behaviour kept from version 2: key codes are version 2 codes (keys version 2
// did not have are dropped), key repeat is off, queued events are delivered
// inside glfw2SwapBuffers, GLFW2_ACTIVE is true while the window has focus and
// is not iconified, GLFW2_OPENED is false once the window was asked to close.
// glfw2OpenWindow takes a side of 0 as version 2 did (glfw2ResolveWindowSize).
// Window sizes and the cursor position are in screen coordinates, as the window
// system places windows; on a scaled display (Wayland at 200 %, for instance)
// the framebuffer has more pixels than that, and glfw2GetFramebufferSize, which
// version 2 did not have, tells how many. Also beyond version 2: full screen in
// the desktop's own mode (GLFW2_DESKTOP_FULLSCREEN) and a gamepad
// (glfw2GetGamepad).
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

constexpr int32_t GLFW2_WINDOW = 0x10001;
constexpr int32_t GLFW2_FULLSCREEN = 0x10002;
// Beyond version 2: full screen in the desktop's own video mode, whatever the
// sides asked; the display's mode is not switched. Where the system decides
// about full screen itself (the browser), the sides asked open a window.
constexpr int32_t GLFW2_DESKTOP_FULLSCREEN = 0x10003;
constexpr int32_t GLFW2_OPENED = 0x20001;
constexpr int32_t GLFW2_ACTIVE = 0x20002;
constexpr int32_t GLFW2_RELEASE = 0;
constexpr int32_t GLFW2_PRESS = 1;

// The special keys' codes of version 2, counted from 256 upwards in this order;
// printable keys are their character code (letters upper case).
enum : int32_t {
    GLFW2_KEY_SPECIAL = 256,
    GLFW2_KEY_ESC,
    GLFW2_KEY_F1,
    GLFW2_KEY_F2,
    GLFW2_KEY_F3,
    GLFW2_KEY_F4,
    GLFW2_KEY_F5,
    GLFW2_KEY_F6,
    GLFW2_KEY_F7,
    GLFW2_KEY_F8,
    GLFW2_KEY_F9,
    GLFW2_KEY_F10,
    GLFW2_KEY_F11,
    GLFW2_KEY_F12,
    GLFW2_KEY_F13,
    GLFW2_KEY_F14,
    GLFW2_KEY_F15,
    GLFW2_KEY_F16,
    GLFW2_KEY_F17,
    GLFW2_KEY_F18,
    GLFW2_KEY_F19,
    GLFW2_KEY_F20,
    GLFW2_KEY_F21,
    GLFW2_KEY_F22,
    GLFW2_KEY_F23,
    GLFW2_KEY_F24,
    GLFW2_KEY_F25,
    GLFW2_KEY_UP,
    GLFW2_KEY_DOWN,
    GLFW2_KEY_LEFT,
    GLFW2_KEY_RIGHT,
    GLFW2_KEY_LSHIFT,
    GLFW2_KEY_RSHIFT,
    GLFW2_KEY_LCTRL,
    GLFW2_KEY_RCTRL,
    GLFW2_KEY_LALT,
    GLFW2_KEY_RALT,
    GLFW2_KEY_TAB,
    GLFW2_KEY_ENTER,
    GLFW2_KEY_BACKSPACE,
    GLFW2_KEY_INSERT,
    GLFW2_KEY_DEL,
    GLFW2_KEY_PAGEUP,
    GLFW2_KEY_PAGEDOWN,
    GLFW2_KEY_HOME,
    GLFW2_KEY_END,
    GLFW2_KEY_KP_0,
    GLFW2_KEY_KP_1,
    GLFW2_KEY_KP_2,
    GLFW2_KEY_KP_3,
    GLFW2_KEY_KP_4,
    GLFW2_KEY_KP_5,
    GLFW2_KEY_KP_6,
    GLFW2_KEY_KP_7,
    GLFW2_KEY_KP_8,
    GLFW2_KEY_KP_9,
    GLFW2_KEY_KP_DIVIDE,
    GLFW2_KEY_KP_MULTIPLY,
    GLFW2_KEY_KP_SUBTRACT,
    GLFW2_KEY_KP_ADD,
    GLFW2_KEY_KP_DECIMAL,
    GLFW2_KEY_KP_EQUAL,
    GLFW2_KEY_KP_ENTER,
    GLFW2_KEY_KP_NUM_LOCK,
    GLFW2_KEY_CAPS_LOCK,
    GLFW2_KEY_SCROLL_LOCK,
    GLFW2_KEY_PAUSE,
    GLFW2_KEY_LSUPER,
    GLFW2_KEY_RSUPER,
    GLFW2_KEY_MENU,
};
static_assert(GLFW2_KEY_F10 == 267 && GLFW2_KEY_UP == 283 && GLFW2_KEY_MENU == 325,
              "version 2's key codes");

struct TGlfw2VidMode {
    int32_t Width;
    int32_t Height;
    int32_t RedBits;
    int32_t GreenBits;
    int32_t BlueBits;
};

using TGlfw2KeyFun = void (*)(int32_t Key, int32_t Action);
using TGlfw2CharFun = void (*)(int32_t Character, int32_t Action);
using TGlfw2MouseButtonFun = void (*)(int32_t Button, int32_t Action);
using TGlfw2RefreshFun = void (*)();

int32_t glfw2Init();
void glfw2Terminate();
int32_t glfw2OpenWindow(int32_t Width, int32_t Height, int32_t RedBits, int32_t GreenBits,
                        int32_t BlueBits, int32_t AlphaBits, int32_t DepthBits, int32_t StencilBits,
                        int32_t Mode);
void glfw2SetWindowTitle(const char* Title);
void glfw2GetDesktopMode(TGlfw2VidMode* Mode);
void glfw2SetWindowPos(int32_t X, int32_t Y);
void glfw2SetKeyCallback(TGlfw2KeyFun Fun);
void glfw2SetCharCallback(TGlfw2CharFun Fun);
void glfw2SetMouseButtonCallback(TGlfw2MouseButtonFun Fun);
void glfw2SetWindowRefreshCallback(TGlfw2RefreshFun Fun);
void glfw2SwapInterval(int32_t Interval);
double glfw2GetTime();
int32_t glfw2GetWindowParam(int32_t Param);
void glfw2GetWindowSize(int32_t* Width, int32_t* Height);
// Beyond version 2: the size of the window's framebuffer in pixels.
void glfw2GetFramebufferSize(int32_t* Width, int32_t* Height);
void glfw2GetMousePos(int32_t* X, int32_t* Y);
void glfw2Sleep(double Seconds);
void glfw2SwapBuffers();

// ---- Beyond version 2: the window's icon -------------------------------------

// One picture of the icon: Width x Height pixels of four bytes (red, green,
// blue, alpha), top row first.
struct TGlfw2Image {
    int32_t Width;
    int32_t Height;
    const uint8_t* Pixels;
};

// Gives the open window its icon in Count sizes; the window system picks the
// one it shows. The pictures are copied. Nothing happens without a window, and
// on systems whose windows carry no icon of their own.
void glfw2SetWindowIcon(int32_t Count, const TGlfw2Image* Images);

// ---- Beyond version 2: a gamepad -----------------------------------------------

// Buttons of the gamepad layout GLFW 3.3 maps known pads to (its mapping
// database; in the browser, the page's standard layout), by their index.
enum : int32_t {
    GLFW2_PAD_A = 0,
    GLFW2_PAD_B = 1,
    GLFW2_PAD_BACK = 6,
    GLFW2_PAD_START = 7,
    GLFW2_PAD_DPAD_UP = 11,
    GLFW2_PAD_DPAD_RIGHT = 12,
    GLFW2_PAD_DPAD_DOWN = 13,
    GLFW2_PAD_DPAD_LEFT = 14,
    GLFW2_PAD_BUTTONS = 15,
};
// A side of the stick is GLFW2_PAD_STICK_RANGE at its end.
constexpr int32_t GLFW2_PAD_STICK_RANGE = 100;

// The first gamepad connected, as it is now; all zero without one. A pad
// plugged in while the program runs is taken up at the next call, and one
// pulled out is let go.
struct TGlfw2Gamepad {
    int32_t Connected;  // 0 or 1
    int32_t Buttons;    // bit I: button I is down
    // The left stick in hundredths, -GLFW2_PAD_STICK_RANGE (left, up) to
    // +GLFW2_PAD_STICK_RANGE (right, down).
    int32_t StickX, StickY;
};

// One source per system, chosen by the build: GLFW 3.3's gamepad on the
// desktop (Glfw2Gamepad.cpp), the browser's Gamepad API through Emscripten's
// joysticks in the page (Glfw2GamepadWeb.cpp).
void glfw2GetGamepad(TGlfw2Gamepad* Pad);
// For those sources: a window is open and its display is there, so GLFW may be asked.
bool glfw2WindowOpen();

// The stick's position in hundredths, each side cut at the range.
inline int32_t glfw2StickHundredths(float Axis) {
    const float Hundredths = Axis * float(GLFW2_PAD_STICK_RANGE);
    if (Hundredths >= float(GLFW2_PAD_STICK_RANGE)) return GLFW2_PAD_STICK_RANGE;
    if (Hundredths <= -float(GLFW2_PAD_STICK_RANGE)) return -GLFW2_PAD_STICK_RANGE;
    return Hundredths == Hundredths ? int32_t(Hundredths) : 0;  // toward zero; NaN is 0
}

// ---- Beyond version 2: the display's loss ------------------------------------

// The display went away (the X server ended) or the session is ending: GLFW and
// the window system can no longer be called. From here on no call goes to GLFW
// (glfw2Terminate included); the window counts as closed and inactive, and
// glfw2GetTime keeps counting.
void glfw2DisplayGone();

// Version 2 code of a GLFW 3 key, or -2 for a key that version 2 did not have.
int32_t glfw2TranslateKey(int32_t Glfw3Key);

// The size version 2 opened for the sides asked: a side of 0 (or less) is taken
// from the other at 4:3, truncated but at least 1; both give 640 x 480. Inline,
// so that the engine scales the same sides without linking the layer.
constexpr int32_t DefaultWindowWidth = 640;
constexpr int32_t DefaultWindowHeight = 480;

// Width x 3 / 4 or Height x 4 / 3 in 64 bits, kept within 1..INT32_MAX.
inline int32_t glfw2OtherSide(int32_t Side, int64_t Numerator, int64_t Denominator) {
    const int64_t Result = int64_t(Side) * Numerator / Denominator;
    return int32_t(std::clamp<int64_t>(Result, 1, std::numeric_limits<int32_t>::max()));
}

inline void glfw2ResolveWindowSize(int32_t* Width, int32_t* Height) {
    if (*Width > 0 && *Height > 0) return;
    if (*Width > 0) {
        *Height = glfw2OtherSide(*Width, DefaultWindowHeight, DefaultWindowWidth);
    } else if (*Height > 0) {
        *Width = glfw2OtherSide(*Height, DefaultWindowWidth, DefaultWindowHeight);
    } else {
        *Width = DefaultWindowWidth;
        *Height = DefaultWindowHeight;
    }
}

// ---- Beyond version 2: the clipboard -----------------------------------------

// Puts Text on the system's clipboard through the open window; nothing happens
// without a window.
void glfw2SetClipboardString(const char* Text);

// ---- The system's window driver ----------------------------------------------

struct TWindowDriver;
// This layer's calls and the platform's termination signal as one window driver
// (WindowDriver.h): the one the program entry gives the engine.
extern const TWindowDriver SystemWindow;
