// Demo reader over arbitrary bytes. It must never crash; a demo it accepts,
// written out again, must read back to the same text, every value in it must
// lie within the ranges the windowing layer may answer, and what it holds must
// stay within its bound on the text's size.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "PexDemoFile.h"

static std::string Written(const TDemo& Demo) {
    std::string Text = DemoHeaderText(Demo.Files);
    for (size_t Frame = 0; Frame < Demo.Frames.size(); ++Frame) {
        const std::vector<TDemoItem> Items(Demo.Items.begin() + Demo.Frames[Frame].First,
                                           Demo.Items.begin() + FrameItemsEnd(Demo, Frame));
        Text += DemoFrameText(Items, Frame + 1 == Demo.Frames.size());
    }
    return Text + DemoEndText(SwappedFrameCount(Demo));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TDemo Demo;
    std::string Error;
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    if (!ParseDemoText(Text, Demo, Error)) {
        if (Error.compare(0, 5, "line ") != 0) std::abort();
        for (char C : Error)
            if (static_cast<unsigned char>(C) < 32) std::abort();  // no control byte in messages
        return 0;
    }
    if (DemoBytes(Demo) > 4 * Text.size() + 256) std::abort();
    for (const TDemoItem& Item : Demo.Items)
        if (Item.Kind == diTime && (!std::isfinite(ItemTime(Item)) || ItemTime(Item) < 0))
            std::abort();
    const std::string Once = Written(Demo);
    TDemo Again;
    if (!ParseDemoText(Once, Again, Error)) std::abort();
    if (Written(Again) != Once) std::abort();
    return 0;
}
