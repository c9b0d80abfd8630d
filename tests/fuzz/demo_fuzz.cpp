// Demo reader over arbitrary bytes. It must never crash; a demo it accepts,
// written out again, must read back to the same text, and every value in it
// must lie within the ranges the windowing layer may answer.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "PexDemo.h"

static std::string Written(const TDemo& Demo) {
    std::string Text = DemoHeaderText(Demo.Files);
    for (const TDemoFrame& Frame : Demo.Frames) Text += DemoFrameText(Frame, false);
    return Text + DemoFrameText(Demo.Last, true) + DemoEndText(Demo.Frames.size());
}

static void CheckFrame(const TDemoFrame& Frame) {
    for (const TDemoItem& Item : Frame.Items)
        if (Item.Kind == diTime && (!std::isfinite(Item.Time) || Item.Time < 0)) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TDemo Demo;
    std::string Error;
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    if (!ParseDemoText(Text, Demo, Error)) {
        if (Error.compare(0, 5, "line ") != 0) std::abort();
        return 0;
    }
    for (const TDemoFrame& Frame : Demo.Frames) CheckFrame(Frame);
    CheckFrame(Demo.Last);
    const std::string Once = Written(Demo);
    TDemo Again;
    if (!ParseDemoText(Once, Again, Error)) std::abort();
    if (Written(Again) != Once) std::abort();
    return 0;
}
