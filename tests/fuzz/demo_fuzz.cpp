// Demo reader over arbitrary bytes. It must never crash; read in pieces of any
// size it must give what it gives reading the text in one, holding no more
// than its piece and a bounded rest; a demo it accepts, written out again,
// must read back to the same text, and every value in it must lie within the
// ranges the windowing layer may answer.
#include <algorithm>
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

// The demo as the reader gives it from pieces of Chunk bytes, in the text's form.
static uint8_t ReadInPieces(const std::string& Text, size_t Chunk, std::string& Result) {
    size_t Offset = 0;
    TDemoReader Reader;
    Reader.Start(
        [&](char* Buffer, size_t Size, size_t& Count) {
            Count = std::min(Size, Text.size() - Offset);
            Text.copy(Buffer, Count, Offset);
            Offset += Count;
            return true;
        },
        Chunk);
    uint8_t Step;
    while ((Step = Reader.Next()) != dsEnd && Step != dsError) {
        const TDemoItem& Item = Reader.Item();
        if (Step == dsFile) Result += "file " + Reader.File().Label + '\n';
        if (Step == dsFrame) Result += Reader.LastFrame() ? "\nx" : "\nf";
        if (Step == dsItem)
            Result += std::string(1, Item.Kind) + std::to_string(Item.A) + ',' +
                      std::to_string(Item.B) + ' ';
    }
    Result += Step == dsEnd ? std::string("\nend") : Reader.Error();
    if (Reader.PeakBytes() > Chunk + 1024) std::abort();
    return Step;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    TDemo Demo;
    std::string Error;
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    const bool Good = ParseDemoText(Text, Demo, Error);
    // The first byte picks the size of the pieces: 1 to 16 bytes.
    std::string Whole, Pieces;
    if (ReadInPieces(Text, DemoReadChunk, Whole) !=
            ReadInPieces(Text, Size > 0 ? Data[0] % 16 + 1 : 1, Pieces) ||
        Whole != Pieces)
        std::abort();
    if (!Good) {
        if (Error.compare(0, 5, "line ") != 0) std::abort();
        for (char C : Error)
            if (static_cast<unsigned char>(C) < 32) std::abort();  // no control byte in messages
        return 0;
    }
    for (const TDemoItem& Item : Demo.Items)
        if (Item.Kind == diTime && (!std::isfinite(ItemTime(Item)) || ItemTime(Item) < 0))
            std::abort();
    const std::string Once = Written(Demo);
    TDemo Again;
    if (!ParseDemoText(Once, Again, Error)) std::abort();
    if (Written(Again) != Once) std::abort();
    return 0;
}
