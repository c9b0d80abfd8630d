// Level-link reader over arbitrary text. An accepted link gives a grid of 1 to
// 4096 rows and columns, and its new link reads back as the same grid; a
// refused one leaves the grid alone and says why. Every input also becomes a
// grid (its bytes as cells) whose link must read back as that grid.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "LinkUnit.h"

static TFieldGrid ReadBack(const TFieldGrid& Grid) {
    TFieldGrid Read;
    std::string Error;
    if (!ReadLevelLink(LevelLink("https://example.org/", Grid), Read, Error)) std::abort();
    return Read;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    const TFieldGrid Untouched(1, TFieldRow(1, fkCoin));
    TFieldGrid Grid = Untouched;
    std::string Error;
    if (ReadLevelLink(Text, Grid, Error)) {
        // Read back whole and equal, the grid is rectangular and of a level's size.
        if (ReadBack(Grid) != Grid) std::abort();
    } else if (Error.empty() || Grid != Untouched) {
        std::abort();
    }

    // The input's bytes as the cells of a level as wide as its first byte says.
    if (Size == 0) return 0;
    const size_t Width = size_t(Data[0] % 64) + 1;
    const size_t Rows = (Size - 1) / Width;
    if (Rows == 0) return 0;
    TFieldGrid Cells(Rows, TFieldRow(Width));
    for (size_t I = 0; I < Rows * Width; ++I) Cells[I / Width][I % Width] = Data[1 + I];
    if (ReadBack(Cells) != Cells) std::abort();
    return 0;
}
