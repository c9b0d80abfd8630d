#include "Glfw2.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "PexPlatform.h"
#include "WindowDriver.h"

static GLFWwindow* Window = nullptr;
// The display went away: nothing more goes to GLFW.
static bool DisplayGone = false;
static TGlfw2KeyFun KeyFun = nullptr;
static TGlfw2CharFun CharFun = nullptr;
static TGlfw2MouseButtonFun MouseButtonFun = nullptr;
static TGlfw2RefreshFun RefreshFun = nullptr;

struct TKeyPair {
    int32_t Glfw3;
    int32_t Glfw2;
};

// Special keys: the version 3 code and the version 2 code of the same key.
constexpr TKeyPair SpecialKeys[] = {
    {GLFW_KEY_ESCAPE, GLFW2_KEY_ESC},
    {GLFW_KEY_F1, GLFW2_KEY_F1},
    {GLFW_KEY_F2, GLFW2_KEY_F2},
    {GLFW_KEY_F3, GLFW2_KEY_F3},
    {GLFW_KEY_F4, GLFW2_KEY_F4},
    {GLFW_KEY_F5, GLFW2_KEY_F5},
    {GLFW_KEY_F6, GLFW2_KEY_F6},
    {GLFW_KEY_F7, GLFW2_KEY_F7},
    {GLFW_KEY_F8, GLFW2_KEY_F8},
    {GLFW_KEY_F9, GLFW2_KEY_F9},
    {GLFW_KEY_F10, GLFW2_KEY_F10},
    {GLFW_KEY_F11, GLFW2_KEY_F11},
    {GLFW_KEY_F12, GLFW2_KEY_F12},
    {GLFW_KEY_F13, GLFW2_KEY_F13},
    {GLFW_KEY_F14, GLFW2_KEY_F14},
    {GLFW_KEY_F15, GLFW2_KEY_F15},
    {GLFW_KEY_F16, GLFW2_KEY_F16},
    {GLFW_KEY_F17, GLFW2_KEY_F17},
    {GLFW_KEY_F18, GLFW2_KEY_F18},
    {GLFW_KEY_F19, GLFW2_KEY_F19},
    {GLFW_KEY_F20, GLFW2_KEY_F20},
    {GLFW_KEY_F21, GLFW2_KEY_F21},
    {GLFW_KEY_F22, GLFW2_KEY_F22},
    {GLFW_KEY_F23, GLFW2_KEY_F23},
    {GLFW_KEY_F24, GLFW2_KEY_F24},
    {GLFW_KEY_F25, GLFW2_KEY_F25},
    {GLFW_KEY_UP, GLFW2_KEY_UP},
    {GLFW_KEY_DOWN, GLFW2_KEY_DOWN},
    {GLFW_KEY_LEFT, GLFW2_KEY_LEFT},
    {GLFW_KEY_RIGHT, GLFW2_KEY_RIGHT},
    {GLFW_KEY_LEFT_SHIFT, GLFW2_KEY_LSHIFT},
    {GLFW_KEY_RIGHT_SHIFT, GLFW2_KEY_RSHIFT},
    {GLFW_KEY_LEFT_CONTROL, GLFW2_KEY_LCTRL},
    {GLFW_KEY_RIGHT_CONTROL, GLFW2_KEY_RCTRL},
    {GLFW_KEY_LEFT_ALT, GLFW2_KEY_LALT},
    {GLFW_KEY_RIGHT_ALT, GLFW2_KEY_RALT},
    {GLFW_KEY_TAB, GLFW2_KEY_TAB},
    {GLFW_KEY_ENTER, GLFW2_KEY_ENTER},
    {GLFW_KEY_BACKSPACE, GLFW2_KEY_BACKSPACE},
    {GLFW_KEY_INSERT, GLFW2_KEY_INSERT},
    {GLFW_KEY_DELETE, GLFW2_KEY_DEL},
    {GLFW_KEY_PAGE_UP, GLFW2_KEY_PAGEUP},
    {GLFW_KEY_PAGE_DOWN, GLFW2_KEY_PAGEDOWN},
    {GLFW_KEY_HOME, GLFW2_KEY_HOME},
    {GLFW_KEY_END, GLFW2_KEY_END},
    {GLFW_KEY_KP_0, GLFW2_KEY_KP_0},
    {GLFW_KEY_KP_1, GLFW2_KEY_KP_1},
    {GLFW_KEY_KP_2, GLFW2_KEY_KP_2},
    {GLFW_KEY_KP_3, GLFW2_KEY_KP_3},
    {GLFW_KEY_KP_4, GLFW2_KEY_KP_4},
    {GLFW_KEY_KP_5, GLFW2_KEY_KP_5},
    {GLFW_KEY_KP_6, GLFW2_KEY_KP_6},
    {GLFW_KEY_KP_7, GLFW2_KEY_KP_7},
    {GLFW_KEY_KP_8, GLFW2_KEY_KP_8},
    {GLFW_KEY_KP_9, GLFW2_KEY_KP_9},
    {GLFW_KEY_KP_DIVIDE, GLFW2_KEY_KP_DIVIDE},
    {GLFW_KEY_KP_MULTIPLY, GLFW2_KEY_KP_MULTIPLY},
    {GLFW_KEY_KP_SUBTRACT, GLFW2_KEY_KP_SUBTRACT},
    {GLFW_KEY_KP_ADD, GLFW2_KEY_KP_ADD},
    {GLFW_KEY_KP_DECIMAL, GLFW2_KEY_KP_DECIMAL},
    {GLFW_KEY_KP_EQUAL, GLFW2_KEY_KP_EQUAL},
    {GLFW_KEY_KP_ENTER, GLFW2_KEY_KP_ENTER},
    {GLFW_KEY_NUM_LOCK, GLFW2_KEY_KP_NUM_LOCK},
    {GLFW_KEY_CAPS_LOCK, GLFW2_KEY_CAPS_LOCK},
    {GLFW_KEY_SCROLL_LOCK, GLFW2_KEY_SCROLL_LOCK},
    {GLFW_KEY_PAUSE, GLFW2_KEY_PAUSE},
    {GLFW_KEY_LEFT_SUPER, GLFW2_KEY_LSUPER},
    {GLFW_KEY_RIGHT_SUPER, GLFW2_KEY_RSUPER},
    {GLFW_KEY_MENU, GLFW2_KEY_MENU},
};

constexpr int32_t DroppedKey = -2;

int32_t glfw2TranslateKey(int32_t Glfw3Key) {
    if (Glfw3Key == GLFW_KEY_UNKNOWN) return -1;
    // Printable keys are their character code in both versions (letters upper case).
    if (Glfw3Key >= GLFW_KEY_SPACE && Glfw3Key <= GLFW_KEY_GRAVE_ACCENT) return Glfw3Key;
    for (const TKeyPair& Pair : SpecialKeys)
        if (Pair.Glfw3 == Glfw3Key) return Pair.Glfw2;
    return DroppedKey;  // world keys, print screen and the like: version 2 had none
}

static void OnKey(GLFWwindow*, int Key, int, int Action, int) {
    // Version 2 ran with key repeat off: a held key gives one press and one release.
    if (Action == GLFW_REPEAT || !KeyFun) return;
    int32_t Code = glfw2TranslateKey(Key);
    if (Code == DroppedKey) return;
    KeyFun(Code, Action == GLFW_PRESS ? GLFW2_PRESS : GLFW2_RELEASE);
}

static void OnChar(GLFWwindow*, unsigned int Character) {
    if (CharFun) CharFun(int32_t(Character), GLFW2_PRESS);
}

static void OnMouseButton(GLFWwindow*, int Button, int Action, int) {
    if (MouseButtonFun) MouseButtonFun(Button, Action == GLFW_PRESS ? GLFW2_PRESS : GLFW2_RELEASE);
}

static void OnRefresh(GLFWwindow*) {
    if (RefreshFun) RefreshFun();
}

int32_t glfw2Init() {
    if (DisplayGone) return 0;
    return glfwInit() == GLFW_TRUE ? 1 : 0;
}

void glfw2Terminate() {
    if (!DisplayGone) glfwTerminate();
    Window = nullptr;
}

void glfw2DisplayGone() {
    // The window is left as it is: closing it would talk to the display.
    DisplayGone = true;
    Window = nullptr;
}

constexpr int32_t DefaultWindowWidth = 640;
constexpr int32_t DefaultWindowHeight = 480;

// Width x 3 / 4 or Height x 4 / 3 in 64 bits, kept within 1..INT32_MAX.
static int32_t OtherSide(int32_t Side, int64_t Numerator, int64_t Denominator) {
    const int64_t Result = int64_t(Side) * Numerator / Denominator;
    return int32_t(std::clamp<int64_t>(Result, 1, std::numeric_limits<int32_t>::max()));
}

void glfw2ResolveWindowSize(int32_t* Width, int32_t* Height) {
    if (*Width > 0 && *Height > 0) return;
    if (*Width > 0) {
        *Height = OtherSide(*Width, DefaultWindowHeight, DefaultWindowWidth);
    } else if (*Height > 0) {
        *Width = OtherSide(*Height, DefaultWindowWidth, DefaultWindowHeight);
    } else {
        *Width = DefaultWindowWidth;
        *Height = DefaultWindowHeight;
    }
}

int32_t glfw2OpenWindow(int32_t Width, int32_t Height, int32_t RedBits, int32_t GreenBits,
                        int32_t BlueBits, int32_t AlphaBits, int32_t DepthBits, int32_t StencilBits,
                        int32_t Mode) {
    if (Window || DisplayGone) return 0;
    glfw2ResolveWindowSize(&Width, &Height);
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_RED_BITS, RedBits);
    glfwWindowHint(GLFW_GREEN_BITS, GreenBits);
    glfwWindowHint(GLFW_BLUE_BITS, BlueBits);
    glfwWindowHint(GLFW_ALPHA_BITS, AlphaBits);
    glfwWindowHint(GLFW_DEPTH_BITS, DepthBits);
    glfwWindowHint(GLFW_STENCIL_BITS, StencilBits);
    GLFWmonitor* Monitor =
        Mode == GLFW2_FULLSCREEN && PlatformRequestFullScreen() ? glfwGetPrimaryMonitor() : nullptr;
    Window = glfwCreateWindow(Width, Height, "", Monitor, nullptr);
    if (!Window) return 0;
    glfwMakeContextCurrent(Window);
    glfwSetKeyCallback(Window, OnKey);
    glfwSetCharCallback(Window, OnChar);
    glfwSetMouseButtonCallback(Window, OnMouseButton);
    glfwSetWindowRefreshCallback(Window, OnRefresh);
    PlatformWatchWindows();
    return 1;
}

void glfw2SetWindowTitle(const char* Title) {
    if (Window) glfwSetWindowTitle(Window, Title);
}

void glfw2GetDesktopMode(TGlfw2VidMode* Mode) {
    *Mode = TGlfw2VidMode{0, 0, 0, 0, 0};
    if (DisplayGone) return;
    GLFWmonitor* Monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* Video = Monitor ? glfwGetVideoMode(Monitor) : nullptr;
    if (!Video) return;
    *Mode = TGlfw2VidMode{Video->width, Video->height, Video->redBits, Video->greenBits,
                          Video->blueBits};
}

void glfw2SetWindowPos(int32_t X, int32_t Y) {
    if (Window && !glfwGetWindowMonitor(Window)) glfwSetWindowPos(Window, X, Y);
}

void glfw2SetKeyCallback(TGlfw2KeyFun Fun) {
    KeyFun = Fun;
}
void glfw2SetCharCallback(TGlfw2CharFun Fun) {
    CharFun = Fun;
}
void glfw2SetMouseButtonCallback(TGlfw2MouseButtonFun Fun) {
    MouseButtonFun = Fun;
}
void glfw2SetWindowRefreshCallback(TGlfw2RefreshFun Fun) {
    RefreshFun = Fun;
}

void glfw2SwapInterval(int32_t Interval) {
    if (Window && !PlatformPacesFrames()) glfwSwapInterval(Interval);
}

double glfw2GetTime() {
    return glfwGetTime();
}

int32_t glfw2GetWindowParam(int32_t Param) {
    if (Param == GLFW2_OPENED) return Window && !glfwWindowShouldClose(Window) ? 1 : 0;
    if (Param == GLFW2_ACTIVE)
        return Window && PlatformWindowActive(glfwGetWindowAttrib(Window, GLFW_FOCUSED) != 0,
                                              glfwGetWindowAttrib(Window, GLFW_ICONIFIED) != 0)
                   ? 1
                   : 0;
    return 0;
}

void glfw2GetWindowSize(int32_t* Width, int32_t* Height) {
    int W = 0, H = 0;
    if (Window) glfwGetWindowSize(Window, &W, &H);
    *Width = W;
    *Height = H;
}

void glfw2GetFramebufferSize(int32_t* Width, int32_t* Height) {
    int W = 0, H = 0;
    if (Window) glfwGetFramebufferSize(Window, &W, &H);
    *Width = W;
    *Height = H;
}

void glfw2GetMousePos(int32_t* X, int32_t* Y) {
    double PosX = 0, PosY = 0;
    if (Window) glfwGetCursorPos(Window, &PosX, &PosY);
    *X = int32_t(PosX);
    *Y = int32_t(PosY);
}

void glfw2Sleep(double Seconds) {
    PlatformSleep(Seconds);
}

void glfw2SwapBuffers() {
    if (!Window) return;
    glfwSwapBuffers(Window);
    PlatformAwaitNextFrame();
    // Queued events reach the handlers here, right after the swap.
    glfwPollEvents();
}

// ---- Beyond version 2: the window's icon -------------------------------------

void glfw2SetWindowIcon(int32_t Count, const TGlfw2Image* Images) {
    if (!Window || Count <= 0) return;
    std::vector<GLFWimage> Copies;
    for (int32_t I = 0; I < Count; ++I)
        Copies.push_back(
            {Images[I].Width, Images[I].Height, const_cast<unsigned char*>(Images[I].Pixels)});
    glfwSetWindowIcon(Window, Count, Copies.data());
}

// ---- Beyond version 2: the clipboard -----------------------------------------

void glfw2SetClipboardString(const char* Text) {
    if (Window) glfwSetClipboardString(Window, Text);
}

// ---- The system's window driver ----------------------------------------------

static int32_t SystemTerminationSignal() {
    return PlatformTerminationSignal();
}

const TWindowDriver SystemWindow = {
    glfw2Init,
    glfw2Terminate,
    glfw2OpenWindow,
    glfw2SetWindowTitle,
    glfw2SetWindowIcon,
    glfw2GetDesktopMode,
    glfw2SetWindowPos,
    glfw2SetKeyCallback,
    glfw2SetCharCallback,
    glfw2SetMouseButtonCallback,
    glfw2SetWindowRefreshCallback,
    glfw2SwapInterval,
    glfw2GetTime,
    glfw2GetWindowParam,
    glfw2GetWindowSize,
    glfw2GetFramebufferSize,
    glfw2GetMousePos,
    glfw2Sleep,
    glfw2SwapBuffers,
    SystemTerminationSignal,
    glfw2DisplayGone,
    glfw2SetClipboardString,
};
