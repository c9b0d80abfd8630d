// The engine and the state table as a run has them before its first frame,
// with the fake GL reset and the fake window driver fresh and in use: the
// fixtures of the tests that run frames or draw start from here, then set what
// they need.
#pragma once

#include "Fakes.h"
#include "PexGL.h"
#include "StateUnit.h"

inline void ResetEngine() {
    fake::ResetGL();
    fake::ResetGlfw();
    Quit = false;
    OnUpdate = nullptr;
    OnDraw = nullptr;
    ClearKeys();
    Mouse = TMouseState{};
    SetTextureSize(256);
    FontMetrics = TFontMetrics{};
    Fade = TFade{};
    WindowWidth = 640;
    WindowHeight = 480;
    FrameScale = 1;
    for (TStateProcs& Row : States) Row = TStateProcs{};
    CurrentState = stNone;
}
