// Level reader over arbitrary bytes, starting from the grid of a fresh start.
// The grid must come out rectangular with 1 to 4096 rows and columns, and
// writing it and reading the text back must give the same grid and text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "LevelUnit.h"

static void CheckShape() {
    if (LevelGrid.empty() || LevelGrid.size() > MaxLevelSize) std::abort();
    const size_t Columns = LevelGrid[0].size();
    if (Columns == 0 || Columns > MaxLevelSize) std::abort();
    for (const TFieldRow& Row : LevelGrid) {
        if (Row.size() != Columns) std::abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    InitLevel();
    LoadLevelFromText(std::string(reinterpret_cast<const char*>(Data), Size));
    CheckShape();

    const TFieldGrid Loaded = LevelGrid;
    const std::string Text = LevelText();
    // Reload into a grid of another size: the text sets every row and column.
    LevelGrid.assign(3, TFieldRow(5, fkBrick));
    LoadLevelFromText(Text);
    if (LevelGrid != Loaded) std::abort();
    if (LevelText() != Text) std::abort();
    DoneLevel();
    return 0;
}
