#include "LevelUnit.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "PexDemo.h"
#include "PexFiles.h"
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

void ClearLevel() {
    for (TFieldRow& Row : LevelGrid) std::fill(Row.begin(), Row.end(), fkNone);
}

// ---- Reading ----------------------------------------------------------------

static bool IsLevelSize(int32_t Size) {
    return Size >= 1 && Size <= MaxLevelSize;
}

// The size a token gives (1 for one that is no number), and whether the reader
// applies it: sizes outside 1 .. MaxLevelSize are ignored.
static bool TakeSize(const std::string& Token, int32_t& Size) {
    Size = StrToIntDef(Token, 1);
    return IsLevelSize(Size);
}

void LoadLevel(const std::string& FileName) {
    std::string Text;
    // A missing, unreadable or oversized file reads as empty: no magic token, grid unchanged.
    (void)ReadFileText(FileName, Text, MaxLevelFileSize);
    LoadLevelFromText(Text);
}

// The header's sizes, recorded rather than applied. Resizing the grid at every
// "height" and "width" would cost a whole grid per keyword, so a file repeating
// them could keep the reader busy for minutes; instead the reader notes what
// each size does and works out the shape they leave once, at the "data" line.
//
// Rows live in runs: the rows of one run were added by the same "height" (or
// are the rows the grid had before reading, Born -1) and share their history.
// A "width" applies to every row present, so a row's length is the last width
// given after its run was added, and a cell of the earlier grid survives only
// if it lies inside every width given.
namespace {

struct TRowRun {
    int32_t First;  // first row of the run; it ends where the next run starts
    int64_t Born;   // step of the "height" that added it; -1 for the earlier rows
};

struct THeaderSizes {
    std::vector<TRowRun> Runs;
    int64_t Rows = 0;
    int64_t Step = 0;        // counts the sizes applied so far
    int64_t LastWidth = -1;  // -1 until a "width" is given
    int64_t LastWidthStep = -1;
    int64_t LeastWidth = INT64_MAX;

    explicit THeaderSizes(const TFieldGrid& Grid) : Rows(static_cast<int64_t>(Grid.size())) {
        if (Rows > 0) Runs.push_back({0, -1});
    }

    // Rows beyond the new count are dropped; rows added are empty until a width.
    void SetRows(int32_t Count) {
        if (Count < Rows) {
            while (!Runs.empty() && Runs.back().First >= Count) Runs.pop_back();
        } else if (Count > Rows) {
            Runs.push_back({static_cast<int32_t>(Rows), Step});
        }
        Rows = Count;
        ++Step;
    }

    void SetColumns(int32_t Count) {
        LastWidth = Count;
        LastWidthStep = Step;
        if (Count < LeastWidth) LeastWidth = Count;
        ++Step;
    }

    // The length of every row, given the rows' lengths before reading.
    void RowLengths(const TFieldGrid& Earlier, std::vector<int64_t>& Lengths) const {
        Lengths.assign(static_cast<size_t>(Rows), 0);
        for (size_t Run = 0; Run < Runs.size(); ++Run) {
            const int64_t End = Run + 1 < Runs.size() ? Runs[Run + 1].First : Rows;
            for (int64_t Row = Runs[Run].First; Row < End; ++Row) {
                if (Runs[Run].Born < 0) {
                    Lengths[Row] = LastWidth >= 0 ? LastWidth : int64_t(Earlier[Row].size());
                } else {
                    Lengths[Row] = LastWidthStep > Runs[Run].Born ? LastWidth : 0;
                }
            }
        }
    }

    // Rows kept from before reading: those of the first run when it was not added.
    int64_t EarlierRowsKept() const {
        if (Runs.empty() || Runs[0].Born >= 0) return 0;
        return Runs.size() > 1 ? Runs[1].First : Rows;
    }
};

}  // namespace

// Exact comparison, lengths first: a crafted file may hold millions of tokens.
static bool IsWord(const std::string& Token, std::string_view Word) {
    return std::string_view(Token) == Word;
}

// Reads level-file text into Target as LoadLevelFromText does into LevelGrid.
static void ReadLevelInto(const std::string& Text, TFieldGrid& Target) {
    std::string Token;
    int32_t Position = 1;
    if (!NextToken(Text, Token, Position) || Token != LevelMagic) return;

    THeaderSizes Sizes(Target);
    bool Ended = false;  // a size keyword without its number ends reading
    while (NextToken(Text, Token, Position)) {
        if (IsWord(Token, "height")) {
            if (!NextToken(Text, Token, Position)) {
                Ended = true;
                break;
            }
            int32_t Rows;
            if (TakeSize(Token, Rows)) Sizes.SetRows(Rows);
        } else if (IsWord(Token, "width")) {
            if (!NextToken(Text, Token, Position)) {
                Ended = true;
                break;
            }
            int32_t Columns;
            if (TakeSize(Token, Columns)) Sizes.SetColumns(Columns);
        } else if (IsWord(Token, "data")) {
            break;  // row lines follow; the sizes are settled
        }
    }

    // Every reader of the grid walks all rows over the length of row 0: rows
    // that a "height" added, or that a later "width" missed, get that length.
    // Without rows or columns the grid stays as it was.
    std::vector<int64_t> Lengths;
    Sizes.RowLengths(Target, Lengths);
    if (Lengths.empty() || Lengths[0] == 0) return;
    const int64_t Rows = static_cast<int64_t>(Lengths.size());
    const size_t Columns = static_cast<size_t>(Lengths[0]);
    TFieldGrid Grid(static_cast<size_t>(Rows), TFieldRow(Columns, fkNone));
    for (int64_t Row = 0; Row < Sizes.EarlierRowsKept(); ++Row) {
        const TFieldRow& Earlier = Target[Row];
        size_t Kept = std::min(Earlier.size(), Columns);
        if (Sizes.LeastWidth < static_cast<int64_t>(Kept)) {
            Kept = static_cast<size_t>(Sizes.LeastWidth);
        }
        std::copy_n(Earlier.begin(), Kept, Grid[Row].begin());
    }

    // Row lines write into the rows as the header left them: a row takes as
    // many values as it had cells then, and only those inside row 0's length
    // are kept. Cells that no row line writes keep what they had.
    while (!Ended && NextToken(Text, Token, Position)) {
        if (!IsWord(Token, "row")) continue;
        if (!NextToken(Text, Token, Position)) break;
        const int32_t RowIndex = StrToIntDef(Token, 0);
        const bool Inside = RowIndex >= 0 && RowIndex < Rows;
        // A row the grid does not have still consumes its values, so they are
        // not read as keywords; they are stored nowhere.
        const int64_t Count = Inside ? Lengths[RowIndex] : Lengths[0];
        for (int64_t Column = 0; Column < Count; ++Column) {
            if (!NextToken(Text, Token, Position)) break;
            if (!Inside || Column >= int64_t(Columns)) continue;
            const uint32_t Value = static_cast<uint32_t>(StrToIntDef(Token, 0));
            Grid[RowIndex][Column] = static_cast<TFieldKind>(Value & 0xFF);
        }
    }
    Target = std::move(Grid);
}

void LoadLevelFromText(const std::string& Text) {
    ReadLevelInto(Text, LevelGrid);
}

bool ReadLevelText(const std::string& Text, TFieldGrid& Grid) {
    TFieldGrid Read;
    ReadLevelInto(Text, Read);
    if (Read.empty()) return false;
    Grid.swap(Read);
    return true;
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
    return LevelTextOf(LevelGrid);
}

std::string LevelTextOf(const TFieldGrid& Grid) {
    const size_t Columns = Grid.empty() ? 0 : Grid[0].size();
    std::string Text;
    Text.reserve(64 + Grid.size() * (16 + Columns * 4));
    Text += LevelMagic;
    Text += "\r\nheight ";
    AppendDecimal(Text, Grid.size());
    Text += "\r\nwidth ";
    AppendDecimal(Text, Columns);
    Text += "\r\ndata\r\n";
    for (size_t RowIndex = 0; RowIndex < Grid.size(); ++RowIndex) {
        const TFieldRow& Row = Grid[RowIndex];
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

bool ReadsAsLevel(const std::string& Text) {
    std::string Token;
    int32_t Position = 1;
    if (!NextToken(Text, Token, Position) || Token != LevelMagic) return false;
    while (NextToken(Text, Token, Position)) {
        if (IsWord(Token, "data")) return true;
        if (!IsWord(Token, "height") && !IsWord(Token, "width")) continue;
        int32_t Size;
        if (!NextToken(Text, Token, Position) || !TakeSize(Token, Size)) return false;
    }
    return true;
}

void SaveLevel(const std::string& FileName) {
    SaveLevelText(FileName, LevelText());
}

void SaveLevelText(const std::string& FileName, const std::string& Text) {
    TSaveRules Rules;
    Rules.What = "level";
    Rules.ReadLimit = MaxLevelFileSize;
    Rules.Readable = ReadsAsLevel;
    Rules.Recover = true;
    // A missing level folder is made first, so the editor's work is not lost.
    Rules.MakeFolders = true;
    SaveFile(FileName, Text, Rules);
}

void DigestLevel() {
    DigestValue(uint32_t(LevelGrid.size()));
    for (const TFieldRow& Row : LevelGrid) {
        DigestValue(uint32_t(Row.size()));
        DigestOutcome(Row.data(), Row.size());
    }
}

// ---- Lifecycle --------------------------------------------------------------

void InitLevel() {
    LevelGrid.assign(DefaultRows, TFieldRow(DefaultColumns, fkNone));
}

void DoneLevel() {
    TFieldGrid().swap(LevelGrid);
}
