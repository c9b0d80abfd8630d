// The window driver: the type of the table through which the frame loop takes
// everything from outside (PexGL uses it; Glfw2 makes the system's, PexDemo
// stand-ins of it).
#pragma once

#include <cstdint>

#include "Glfw2.h"

// Everything the frame loop takes from outside passes through one driver, a
// table of the windowing layer's calls and the termination signal: the
// system's own (SystemWindow of Glfw2.h), or a stand-in over another that
// records or replays a session (PexDemo), given to the engine by the program
// entry before the engine starts.
struct TWindowDriver {
    int32_t (*Init)();
    void (*Terminate)();
    int32_t (*OpenWindow)(int32_t Width, int32_t Height, int32_t RedBits, int32_t GreenBits,
                          int32_t BlueBits, int32_t AlphaBits, int32_t DepthBits,
                          int32_t StencilBits, int32_t Mode);
    void (*SetWindowTitle)(const char* Title);
    void (*SetWindowIcon)(int32_t Count, const TGlfw2Image* Images);
    void (*GetDesktopMode)(TGlfw2VidMode* Mode);
    void (*SetWindowPos)(int32_t X, int32_t Y);
    void (*SetKeyCallback)(TGlfw2KeyFun Fun);
    void (*SetCharCallback)(TGlfw2CharFun Fun);
    void (*SetMouseButtonCallback)(TGlfw2MouseButtonFun Fun);
    void (*SetWindowRefreshCallback)(TGlfw2RefreshFun Fun);
    void (*SwapInterval)(int32_t Interval);
    double (*GetTime)();
    int32_t (*GetWindowParam)(int32_t Param);
    void (*GetWindowSize)(int32_t* Width, int32_t* Height);
    void (*GetFramebufferSize)(int32_t* Width, int32_t* Height);
    void (*GetMousePos)(int32_t* X, int32_t* Y);
    void (*Sleep)(double Seconds);
    void (*SwapBuffers)();
    // The termination signal caught since the start, 0 for none.
    int32_t (*TerminationSignal)();
    // The display went away: from here on no call reaches the window system.
    void (*DisplayGone)();
    // Puts the text on the clipboard (a played demo leaves it alone).
    void (*SetClipboardString)(const char* Text);
};
