// Fake GLFW 2 layer: the same functions as src/window/Glfw2.cpp, driven by the test.
#include "Fakes.h"

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
}

}  // namespace fake

using namespace fake;

int32_t glfw2Init() {
    ++InitCalls;
    return 1;
}
void glfw2Terminate() {
    ++TerminateCalls;
}
void glfw2DisplayGone() {}
int32_t glfw2OpenWindow(int32_t Width, int32_t Height, int32_t RedBits, int32_t GreenBits,
                        int32_t BlueBits, int32_t AlphaBits, int32_t DepthBits, int32_t StencilBits,
                        int32_t Mode) {
    OpenArgs = {Width,     Height,    RedBits,     GreenBits, BlueBits,
                AlphaBits, DepthBits, StencilBits, Mode};
    if (OpenResult == 1) {
        WindowW = OpenedW > 0 ? OpenedW : Width;
        WindowH = OpenedH > 0 ? OpenedH : Height;
    }
    return OpenResult;
}
void glfw2SetWindowIcon(int32_t Count, const TGlfw2Image* Images) {
    WindowIcon.clear();
    for (int32_t I = 0; I < Count; ++I) {
        const uint8_t* Pixels = Images[I].Pixels;
        WindowIcon.push_back({Images[I].Width,
                              Images[I].Height,
                              {Pixels, Pixels + size_t(Images[I].Width) * Images[I].Height * 4}});
    }
}
void glfw2SetWindowTitle(const char* NewTitle) {
    Title = NewTitle;
}
void glfw2GetDesktopMode(TGlfw2VidMode* Mode) {
    Mode->Width = DesktopWidth;
    Mode->Height = DesktopHeight;
    Mode->RedBits = Mode->GreenBits = Mode->BlueBits = 8;
}
void glfw2SetWindowPos(int32_t X, int32_t Y) {
    PosX = X;
    PosY = Y;
}
void glfw2SetKeyCallback(TGlfw2KeyFun Fun) {
    KeyFun = Fun;
    CallbackOrder.push_back("key");
}
void glfw2SetCharCallback(TGlfw2CharFun Fun) {
    CharFun = Fun;
    CallbackOrder.push_back("char");
}
void glfw2SetMouseButtonCallback(TGlfw2MouseButtonFun Fun) {
    MouseButtonFun = Fun;
    CallbackOrder.push_back("mousebutton");
}
void glfw2SetWindowRefreshCallback(TGlfw2RefreshFun Fun) {
    RefreshFun = Fun;
    CallbackOrder.push_back("refresh");
}
void glfw2SwapInterval(int32_t Interval) {
    SwapIntervalValue = Interval;
}
double glfw2GetTime() {
    if (Times.empty()) return Now;
    double T = Times.front();
    Times.pop_front();
    Now = T;
    return T;
}
int32_t glfw2GetWindowParam(int32_t Param) {
    if (Param == GLFW2_ACTIVE) return Active ? 1 : 0;
    if (Param == GLFW2_OPENED) return Opened ? 1 : 0;
    return 0;
}
void glfw2GetWindowSize(int32_t* Width, int32_t* Height) {
    *Width = WindowW;
    *Height = WindowH;
}
void glfw2GetFramebufferSize(int32_t* Width, int32_t* Height) {
    *Width = WindowW * FramebufferScale;
    *Height = WindowH * FramebufferScale;
}
void glfw2GetMousePos(int32_t* X, int32_t* Y) {
    *X = MouseX;
    *Y = MouseY;
}
void glfw2Sleep(double Seconds) {
    Sleeps.push_back(Seconds);
}
void glfw2SwapBuffers() {
    ++Swaps;
    if (OnSwap) OnSwap();
}
int32_t glfw2TranslateKey(int32_t Glfw3Key) {
    return Glfw3Key;
}
