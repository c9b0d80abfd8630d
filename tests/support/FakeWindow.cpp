// Fake window driver: what the GLFW 2 layer (src/window/Glfw2.cpp) gives the
// engine, played by the test.
#include "Fakes.h"
#include "PexGL.h"
#include "PexPlatform.h"

namespace fake {

std::deque<double> Times;
double Now = 0;
bool Active = true;
bool Opened = true;
int32_t OpenResult = 1;
std::vector<int32_t> OpenArgs;
std::string Title;
int32_t PosX = 0, PosY = 0;
int32_t SwapIntervalValue = 0;
int32_t DesktopWidth = 1280, DesktopHeight = 1024;
int32_t WindowW = 640, WindowH = 480;
int32_t MouseX = 0, MouseY = 0;
std::vector<double> Sleeps;
int32_t Swaps = 0;
int32_t InitCalls = 0, TerminateCalls = 0;
std::vector<std::string> CallbackOrder;
TGlfw2KeyFun KeyFun = nullptr;
TGlfw2CharFun CharFun = nullptr;
TGlfw2MouseButtonFun MouseButtonFun = nullptr;
TGlfw2RefreshFun RefreshFun = nullptr;
std::function<void()> OnSwap;
int32_t FramebufferScale = 1;
int32_t OpenedW = 0, OpenedH = 0;
std::vector<IconImage> WindowIcon;
std::vector<std::string> Clipboard;

void ResetGlfw() {
    Times.clear();
    Now = 0;
    Active = true;
    Opened = true;
    OpenResult = 1;
    OpenArgs.clear();
    Title.clear();
    PosX = PosY = 0;
    SwapIntervalValue = 0;
    DesktopWidth = 1280;
    DesktopHeight = 1024;
    WindowW = 640;
    WindowH = 480;
    MouseX = MouseY = 0;
    Sleeps.clear();
    Swaps = 0;
    InitCalls = TerminateCalls = 0;
    CallbackOrder.clear();
    KeyFun = nullptr;
    CharFun = nullptr;
    MouseButtonFun = nullptr;
    RefreshFun = nullptr;
    OnSwap = nullptr;
    FramebufferScale = 1;
    OpenedW = OpenedH = 0;
    WindowIcon.clear();
    Clipboard.clear();
    UseWindowDriver(Window);
}

static int32_t Init() {
    ++InitCalls;
    return 1;
}

static void Terminate() {
    ++TerminateCalls;
}

static int32_t OpenWindow(int32_t Width, int32_t Height, int32_t RedBits, int32_t GreenBits,
                          int32_t BlueBits, int32_t AlphaBits, int32_t DepthBits,
                          int32_t StencilBits, int32_t Mode) {
    OpenArgs = {Width,     Height,    RedBits,     GreenBits, BlueBits,
                AlphaBits, DepthBits, StencilBits, Mode};
    if (OpenResult == 1) {
        WindowW = OpenedW > 0 ? OpenedW : Width;
        WindowH = OpenedH > 0 ? OpenedH : Height;
    }
    return OpenResult;
}

static void SetWindowTitle(const char* NewTitle) {
    Title = NewTitle;
}

static void SetWindowIcon(int32_t Count, const TGlfw2Image* Images) {
    WindowIcon.clear();
    for (int32_t I = 0; I < Count; ++I) {
        const uint8_t* Pixels = Images[I].Pixels;
        WindowIcon.push_back({Images[I].Width,
                              Images[I].Height,
                              {Pixels, Pixels + size_t(Images[I].Width) * Images[I].Height * 4}});
    }
}

static void GetDesktopMode(TGlfw2VidMode* Mode) {
    Mode->Width = DesktopWidth;
    Mode->Height = DesktopHeight;
    Mode->RedBits = Mode->GreenBits = Mode->BlueBits = 8;
}

static void SetWindowPos(int32_t X, int32_t Y) {
    PosX = X;
    PosY = Y;
}

static void SetKeyCallback(TGlfw2KeyFun Fun) {
    KeyFun = Fun;
    CallbackOrder.push_back("key");
}

static void SetCharCallback(TGlfw2CharFun Fun) {
    CharFun = Fun;
    CallbackOrder.push_back("char");
}

static void SetMouseButtonCallback(TGlfw2MouseButtonFun Fun) {
    MouseButtonFun = Fun;
    CallbackOrder.push_back("mousebutton");
}

static void SetWindowRefreshCallback(TGlfw2RefreshFun Fun) {
    RefreshFun = Fun;
    CallbackOrder.push_back("refresh");
}

static void SwapInterval(int32_t Interval) {
    SwapIntervalValue = Interval;
}

static double GetTime() {
    if (Times.empty()) return Now;
    Now = Times.front();
    Times.pop_front();
    return Now;
}

static int32_t GetWindowParam(int32_t Param) {
    if (Param == GLFW2_ACTIVE) return Active ? 1 : 0;
    if (Param == GLFW2_OPENED) return Opened ? 1 : 0;
    return 0;
}

static void GetWindowSize(int32_t* Width, int32_t* Height) {
    *Width = WindowW;
    *Height = WindowH;
}

static void GetFramebufferSize(int32_t* Width, int32_t* Height) {
    *Width = WindowW * FramebufferScale;
    *Height = WindowH * FramebufferScale;
}

static void GetMousePos(int32_t* X, int32_t* Y) {
    *X = MouseX;
    *Y = MouseY;
}

static void Sleep(double Seconds) {
    Sleeps.push_back(Seconds);
}

static void SwapBuffers() {
    ++Swaps;
    if (OnSwap) OnSwap();
}

// The tests raise real signals: the platform catches them as in the program.
static int32_t TerminationSignal() {
    return PlatformTerminationSignal();
}

static void DisplayGone() {}

static void SetClipboardString(const char* Text) {
    Clipboard.push_back(Text);
}

const TWindowDriver Window = {
    Init,
    Terminate,
    OpenWindow,
    SetWindowTitle,
    SetWindowIcon,
    GetDesktopMode,
    SetWindowPos,
    SetKeyCallback,
    SetCharCallback,
    SetMouseButtonCallback,
    SetWindowRefreshCallback,
    SwapInterval,
    GetTime,
    GetWindowParam,
    GetWindowSize,
    GetFramebufferSize,
    GetMousePos,
    Sleep,
    SwapBuffers,
    TerminationSignal,
    DisplayGone,
    SetClipboardString,
};

}  // namespace fake
