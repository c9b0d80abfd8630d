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
// version 2 did not have, tells how many.
#pragma once

#include <cstdint>

constexpr int32_t GLFW2_WINDOW = 0x10001;
constexpr int32_t GLFW2_FULLSCREEN = 0x10002;
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

// ---- Beyond version 2: the display's loss ------------------------------------

// The display went away (the X server ended) or the session is ending: GLFW and
// the window system can no longer be called. From here on no call goes to GLFW
// (glfw2Terminate included); the window counts as closed and inactive, and
// glfw2GetTime keeps counting.
void glfw2DisplayGone();

// Version 2 code of a GLFW 3 key, or -2 for a key that version 2 did not have.
int32_t glfw2TranslateKey(int32_t Glfw3Key);

// The size version 2 opened for the sides asked: a side of 0 (or less) is taken
// from the other at 4:3, truncated but at least 1; both give 640 x 480.
void glfw2ResolveWindowSize(int32_t* Width, int32_t* Height);

// ---- Beyond version 2: the clipboard -----------------------------------------

// Puts Text on the system's clipboard through the open window; nothing happens
// without a window.
void glfw2SetClipboardString(const char* Text);

// ---- The system's window driver ----------------------------------------------

struct TWindowDriver;
// This layer's calls and the platform's termination signal as one window driver
// (WindowDriver.h): the one the program entry gives the engine.
extern const TWindowDriver SystemWindow;
