#include "Glfw2.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <limits>

#include "PexDemo.h"
#include "PexPlatform.h"

static GLFWwindow* Window = nullptr;
static TGlfw2KeyFun KeyFun = nullptr;
static TGlfw2CharFun CharFun = nullptr;
static TGlfw2MouseButtonFun MouseButtonFun = nullptr;
static TGlfw2RefreshFun RefreshFun = nullptr;

struct TKeyPair {
    int32_t Glfw3;
    int32_t Glfw2;
};

// Special keys: the version 3 code and the version 2 code of the same key.
// Version 2 counted its special keys from 256 upwards.
constexpr TKeyPair SpecialKeys[] = {
    {GLFW_KEY_ESCAPE, 257},       {GLFW_KEY_F1, 258},
    {GLFW_KEY_F2, 259},           {GLFW_KEY_F3, 260},
    {GLFW_KEY_F4, 261},           {GLFW_KEY_F5, 262},
    {GLFW_KEY_F6, 263},           {GLFW_KEY_F7, 264},
    {GLFW_KEY_F8, 265},           {GLFW_KEY_F9, 266},
    {GLFW_KEY_F10, 267},          {GLFW_KEY_F11, 268},
    {GLFW_KEY_F12, 269},          {GLFW_KEY_F13, 270},
    {GLFW_KEY_F14, 271},          {GLFW_KEY_F15, 272},
    {GLFW_KEY_F16, 273},          {GLFW_KEY_F17, 274},
    {GLFW_KEY_F18, 275},          {GLFW_KEY_F19, 276},
    {GLFW_KEY_F20, 277},          {GLFW_KEY_F21, 278},
    {GLFW_KEY_F22, 279},          {GLFW_KEY_F23, 280},
    {GLFW_KEY_F24, 281},          {GLFW_KEY_F25, 282},
    {GLFW_KEY_UP, 283},           {GLFW_KEY_DOWN, 284},
    {GLFW_KEY_LEFT, 285},         {GLFW_KEY_RIGHT, 286},
    {GLFW_KEY_LEFT_SHIFT, 287},   {GLFW_KEY_RIGHT_SHIFT, 288},
    {GLFW_KEY_LEFT_CONTROL, 289}, {GLFW_KEY_RIGHT_CONTROL, 290},
    {GLFW_KEY_LEFT_ALT, 291},     {GLFW_KEY_RIGHT_ALT, 292},
    {GLFW_KEY_TAB, 293},          {GLFW_KEY_ENTER, 294},
    {GLFW_KEY_BACKSPACE, 295},    {GLFW_KEY_INSERT, 296},
    {GLFW_KEY_DELETE, 297},       {GLFW_KEY_PAGE_UP, 298},
    {GLFW_KEY_PAGE_DOWN, 299},    {GLFW_KEY_HOME, 300},
    {GLFW_KEY_END, 301},          {GLFW_KEY_KP_0, 302},
    {GLFW_KEY_KP_1, 303},         {GLFW_KEY_KP_2, 304},
    {GLFW_KEY_KP_3, 305},         {GLFW_KEY_KP_4, 306},
    {GLFW_KEY_KP_5, 307},         {GLFW_KEY_KP_6, 308},
    {GLFW_KEY_KP_7, 309},         {GLFW_KEY_KP_8, 310},
    {GLFW_KEY_KP_9, 311},         {GLFW_KEY_KP_DIVIDE, 312},
    {GLFW_KEY_KP_MULTIPLY, 313},  {GLFW_KEY_KP_SUBTRACT, 314},
    {GLFW_KEY_KP_ADD, 315},       {GLFW_KEY_KP_DECIMAL, 316},
    {GLFW_KEY_KP_EQUAL, 317},     {GLFW_KEY_KP_ENTER, 318},
    {GLFW_KEY_NUM_LOCK, 319},     {GLFW_KEY_CAPS_LOCK, 320},
    {GLFW_KEY_SCROLL_LOCK, 321},  {GLFW_KEY_PAUSE, 322},
    {GLFW_KEY_LEFT_SUPER, 323},   {GLFW_KEY_RIGHT_SUPER, 324},
    {GLFW_KEY_MENU, 325},
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

// A demo being played takes the place of the real input; of that, only F10
// counts, and it ends the playback.
constexpr int32_t StopPlaybackKey = 267;  // F10

static void OnKey(GLFWwindow*, int Key, int, int Action, int) {
    // Version 2 ran with key repeat off: a held key gives one press and one release.
    if (Action == GLFW_REPEAT || !KeyFun) return;
    int32_t Code = glfw2TranslateKey(Key);
    if (Code == DroppedKey) return;
    const int32_t Action2 = Action == GLFW_PRESS ? GLFW2_PRESS : GLFW2_RELEASE;
    if (DemoMode == dmPlay) {
        if (Code == StopPlaybackKey && Action2 == GLFW2_PRESS) DemoStopPlayback();
        return;
    }
    if (DemoMode == dmRecord) DemoNote(diKey, Code, Action2);
    KeyFun(Code, Action2);
}

static void OnChar(GLFWwindow*, unsigned int Character) {
    if (!CharFun || DemoMode == dmPlay) return;
    if (DemoMode == dmRecord) DemoNote(diChar, int32_t(Character), GLFW2_PRESS);
    CharFun(int32_t(Character), GLFW2_PRESS);
}

static void OnMouseButton(GLFWwindow*, int Button, int Action, int) {
    if (!MouseButtonFun || DemoMode == dmPlay) return;
    const int32_t Action2 = Action == GLFW_PRESS ? GLFW2_PRESS : GLFW2_RELEASE;
    if (DemoMode == dmRecord) DemoNote(diButton, Button, Action2);
    MouseButtonFun(Button, Action2);
}

// The recorded events of the frame, delivered as the swap delivers real ones.
static void DeliverDemoEvents() {
    TDemoItem Event;
    while (DemoNextEvent(Event)) {
        if (Event.Kind == diKey && KeyFun) KeyFun(Event.A, Event.B);
        if (Event.Kind == diChar && CharFun) CharFun(Event.A, Event.B);
        if (Event.Kind == diButton && MouseButtonFun) MouseButtonFun(Event.A, Event.B);
    }
}

// Playback: the recorded pair of that kind (the last one once the demo is over).
static void DemoPair(char Kind, int32_t* A, int32_t* B) {
    TDemoItem Item;
    DemoAnswer(Kind, Item);
    *A = Item.A;
    *B = Item.B;
}

static void OnRefresh(GLFWwindow*) {
    if (RefreshFun) RefreshFun();
}

int32_t glfw2Init() {
    return glfwInit() == GLFW_TRUE ? 1 : 0;
}

void glfw2Terminate() {
    DemoEngineEnded();
    glfwTerminate();
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
    if (Window) return 0;
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
    return 1;
}

void glfw2SetWindowTitle(const char* Title) {
    if (Window) glfwSetWindowTitle(Window, Title);
}

void glfw2GetDesktopMode(TGlfw2VidMode* Mode) {
    *Mode = TGlfw2VidMode{0, 0, 0, 0, 0};
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
    if (!PlatformPacesFrames()) glfwSwapInterval(Interval);
}

double glfw2GetTime() {
    if (DemoMode == dmPlay) {
        TDemoItem Item;
        DemoAnswer(diTime, Item);
        return Item.Time;
    }
    const double Time = glfwGetTime();
    if (DemoMode == dmRecord) DemoNote(diTime, 0, 0, Time);
    return Time;
}

static int32_t WindowParam(int32_t Param) {
    if (Param == GLFW2_OPENED) return Window && !glfwWindowShouldClose(Window) ? 1 : 0;
    if (Param == GLFW2_ACTIVE)
        return Window && PlatformWindowActive(glfwGetWindowAttrib(Window, GLFW_FOCUSED) != 0,
                                              glfwGetWindowAttrib(Window, GLFW_ICONIFIED) != 0)
                   ? 1
                   : 0;
    return 0;
}

int32_t glfw2GetWindowParam(int32_t Param) {
    if (DemoMode == dmOff || (Param != GLFW2_OPENED && Param != GLFW2_ACTIVE))
        return WindowParam(Param);
    const char Kind = Param == GLFW2_OPENED ? diOpened : diActive;
    if (DemoMode == dmRecord) {
        const int32_t Value = WindowParam(Param);
        DemoNote(Kind, Value);
        return Value;
    }
    // A close request ends the playback as F10 does.
    if (Window && glfwWindowShouldClose(Window)) DemoStopPlayback();
    TDemoItem Item;
    DemoAnswer(Kind, Item);
    return Item.A;
}

void glfw2GetWindowSize(int32_t* Width, int32_t* Height) {
    if (DemoMode == dmPlay) {
        DemoPair(diWindowSize, Width, Height);
        return;
    }
    int W = 0, H = 0;
    if (Window) glfwGetWindowSize(Window, &W, &H);
    *Width = W;
    *Height = H;
    if (DemoMode == dmRecord) DemoNote(diWindowSize, W, H);
}

void glfw2GetFramebufferSize(int32_t* Width, int32_t* Height) {
    if (DemoMode == dmPlay) {
        DemoPair(diFramebufferSize, Width, Height);
        return;
    }
    int W = 0, H = 0;
    if (Window) glfwGetFramebufferSize(Window, &W, &H);
    *Width = W;
    *Height = H;
    if (DemoMode == dmRecord) DemoNote(diFramebufferSize, W, H);
}

void glfw2GetMousePos(int32_t* X, int32_t* Y) {
    if (DemoMode == dmPlay) {
        DemoPair(diMousePos, X, Y);
        return;
    }
    double PosX = 0, PosY = 0;
    if (Window) glfwGetCursorPos(Window, &PosX, &PosY);
    *X = int32_t(PosX);
    *Y = int32_t(PosY);
    if (DemoMode == dmRecord) DemoNote(diMousePos, *X, *Y);
}

void glfw2Sleep(double Seconds) {
    // A demo's clock is the recorded one: playback does not wait for it.
    if (DemoMode == dmPlay) return;
    PlatformSleep(Seconds);
}

void glfw2SwapBuffers() {
    if (!Window) return;
    glfwSwapBuffers(Window);
    PlatformAwaitNextFrame();
    // Queued events reach the handlers here, right after the swap.
    glfwPollEvents();
    if (DemoMode == dmPlay) DeliverDemoEvents();
    if (DemoMode != dmOff) DemoEndFrame();
}
