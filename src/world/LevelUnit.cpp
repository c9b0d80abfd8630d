#include "LevelUnit.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "PexScript.h"

TFieldGrid LevelGrid;

constexpr TSourcePos TileSource[FieldKindCount] = {
    {0, 0},    // fkNone
    {16, 0},   // fkBrick
    {32, 0},   // fkSteel
    {48, 0},   // fkStairWay
    {64, 0},   // fkRope
    {80, 0},   // fkCoin
    {96, 0},   // fkHero
    {112, 0},  // fkEnemy
};

TSourcePos TileSourceOf(TFieldKind Kind) {
    return Kind < FieldKindCount ? TileSource[Kind] : TileSource[fkNone];
}

static const char* const LevelMagic = "mole_ladder.level";

constexpr int32_t DefaultRows = 10;
constexpr int32_t DefaultColumns = 20;

// ---- Reading ----------------------------------------------------------------

static bool IsLevelSize(int32_t Size) {
    return Size >= 1 && Size <= MaxLevelSize;
}

void LoadLevel(const std::string& FileName) {
    std::string Text;
    // A missing, unreadable or oversized file reads as empty: no magic token, grid unchanged.
    ReadWholeFile(FileName, Text);
    LoadLevelFromText(Text);
}

void LoadLevelFromText(const std::string& Text) {
    std::string Token;
    int32_t Position = 1;
    if (!NextToken(Text, Token, Position) || Token != LevelMagic) return;

    // Work on a copy: the grid changes only when the whole text has been read.
    TFieldGrid Grid = LevelGrid;
    bool DataMode = false;
    while (NextToken(Text, Token, Position)) {
        if (!DataMode) {
            if (Token == "height") {
                if (!NextToken(Text, Token, Position)) break;
                const int32_t Rows = StrToIntDef(Token, 1);
                if (IsLevelSize(Rows)) Grid.resize(Rows);  // added rows have no cells yet
            } else if (Token == "width") {
                if (!NextToken(Text, Token, Position)) break;
                const int32_t Columns = StrToIntDef(Token, 1);
                if (IsLevelSize(Columns)) {
                    for (TFieldRow& Row : Grid) Row.resize(Columns, fkNone);
                }
            } else if (Token == "data") {
                DataMode = true;
            }
            continue;
        }
        if (Token != "row") continue;
        if (!NextToken(Text, Token, Position)) break;
        const int32_t RowIndex = StrToIntDef(Token, 0);
        const bool Inside = RowIndex >= 0 && RowIndex < static_cast<int64_t>(Grid.size());
        // A row the grid does not have still consumes its values, so they are
        // not read as keywords; they are stored nowhere.
        const size_t Count = Inside ? Grid[RowIndex].size() : (Grid.empty() ? 0 : Grid[0].size());
        for (size_t Column = 0; Column < Count; ++Column) {
            if (!NextToken(Text, Token, Position)) break;
            const uint32_t Value = static_cast<uint32_t>(StrToIntDef(Token, 0));
            if (Inside) Grid[RowIndex][Column] = static_cast<TFieldKind>(Value & 0xFF);
        }
    }

    // Every reader of the grid walks all rows over the length of row 0: rows
    // that a "height" added, or that a later "width" missed, get that length.
    if (Grid.empty() || Grid[0].empty()) return;
    const size_t Columns = Grid[0].size();
    for (TFieldRow& Row : Grid) Row.resize(Columns, fkNone);
    LevelGrid = std::move(Grid);
}

// ---- Writing ----------------------------------------------------------------

// Appends Value in decimal, without sign or leading zeros.
static void AppendDecimal(std::string& Text, size_t Value) {
    char Digits[24];
    size_t Count = 0;
    do {
        Digits[Count++] = static_cast<char>('0' + Value % 10);
        Value /= 10;
    } while (Value != 0);
    while (Count > 0) Text += Digits[--Count];
}

std::string LevelText() {
    const size_t Columns = LevelGrid.empty() ? 0 : LevelGrid[0].size();
    std::string Text;
    Text.reserve(64 + LevelGrid.size() * (16 + Columns * 4));
    Text += LevelMagic;
    Text += "\r\nheight ";
    AppendDecimal(Text, LevelGrid.size());
    Text += "\r\nwidth ";
    AppendDecimal(Text, Columns);
    Text += "\r\ndata\r\n";
    for (size_t RowIndex = 0; RowIndex < LevelGrid.size(); ++RowIndex) {
        const TFieldRow& Row = LevelGrid[RowIndex];
        Text += "row\t";
        AppendDecimal(Text, RowIndex);
        for (size_t Column = 0; Column < Columns; ++Column) {
            Text += '\t';
            AppendDecimal(Text, Column < Row.size() ? Row[Column] : fkNone);
        }
        Text += "\r\n";
    }
    return Text;
}

void SaveLevel(const std::string& FileName) {
    // A missing level folder is made first, so the editor's work is not lost.
    const std::filesystem::path Folder = std::filesystem::path(FileName).parent_path();
    if (!Folder.empty()) {
        std::error_code Ignored;  // a folder that cannot be made fails the write below
        std::filesystem::create_directories(Folder, Ignored);
    }
    WriteWholeFile(FileName, LevelText());
}

// ---- Lifecycle --------------------------------------------------------------

void InitLevel() {
    LevelGrid.assign(DefaultRows, TFieldRow(DefaultColumns, fkNone));
}

void DoneLevel() {
    TFieldGrid().swap(LevelGrid);
}
