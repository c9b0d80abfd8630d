#include "LevelUnit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

static int32_t DigitValue(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

// A signed 32-bit integer: an optional sign, then decimal digits, or hexadecimal
// digits after "$", "0x" or "0X". Anything else, or a value outside 32 bits,
// gives Default.
static int32_t StrToIntDef(const std::string& Text, int32_t Default) {
    const size_t Length = Text.size();
    size_t I = 0;
    bool Negative = false;
    if (I < Length && (Text[I] == '+' || Text[I] == '-')) {
        Negative = Text[I] == '-';
        ++I;
    }
    int32_t Base = 10;
    if (I < Length && Text[I] == '$') {
        Base = 16;
        ++I;
    } else if (I + 1 < Length && Text[I] == '0' && (Text[I + 1] == 'x' || Text[I + 1] == 'X')) {
        Base = 16;
        I += 2;
    }
    if (I == Length) return Default;
    constexpr int64_t Limit = int64_t(INT32_MAX) + 1;  // magnitude of INT32_MIN
    int64_t Value = 0;
    for (; I < Length; ++I) {
        const int32_t Digit = DigitValue(Text[I]);
        if (Digit < 0 || Digit >= Base) return Default;
        Value = Value * Base + Digit;
        if (Value > Limit) return Default;
    }
    if (Negative) Value = -Value;
    if (Value > INT32_MAX) return Default;
    return static_cast<int32_t>(Value);
}

static bool IsLevelSize(int32_t Size) {
    return Size >= 1 && Size <= MaxLevelSize;
}

void LoadLevel(const std::string& FileName) {
    std::string Text;
    ReadWholeFile(FileName, Text);  // a missing or unreadable file gives no magic token
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

static std::runtime_error CreateError(const std::string& FileName, int32_t Error) {
    return std::runtime_error("Cannot create file \"" + FileName + "\". " + std::strerror(Error));
}

static int32_t WriteAll(int Handle, const std::string& Text) {
    size_t Done = 0;
    while (Done < Text.size()) {
        const ssize_t Count = write(Handle, Text.data() + Done, Text.size() - Done);
        if (Count < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        Done += static_cast<size_t>(Count);
    }
    return 0;
}

// Writes Text to a temporary file beside FileName, flushes it to the disk and
// renames it over FileName: a failed or interrupted save leaves the earlier
// file whole.
static void ReplaceFile(const std::string& FileName, const std::string& Text) {
    const std::filesystem::path Folder = std::filesystem::path(FileName).parent_path();
    if (!Folder.empty()) {
        std::error_code Ignored;  // a folder that cannot be made fails the create below
        std::filesystem::create_directories(Folder, Ignored);
    }
    const std::string TempName = FileName + ".tmp";
    unlink(TempName.c_str());  // a leftover of an interrupted save
    const int Handle =
        open(TempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (Handle < 0) throw CreateError(FileName, errno);

    struct stat Old;
    if (stat(FileName.c_str(), &Old) == 0 && S_ISREG(Old.st_mode)) {
        (void)fchmod(Handle, Old.st_mode & 07777);  // the new file keeps the old one's mode
    }
    int32_t Error = WriteAll(Handle, Text);
    if (Error == 0 && fsync(Handle) != 0) Error = errno;
    if (close(Handle) != 0 && Error == 0) Error = errno;
    if (Error == 0 && rename(TempName.c_str(), FileName.c_str()) != 0) Error = errno;
    if (Error != 0) {
        unlink(TempName.c_str());
        throw CreateError(FileName, Error);
    }
    // Make the rename itself durable; a folder that cannot be synced loses nothing.
    const int FolderHandle =
        open(Folder.empty() ? "." : Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (FolderHandle >= 0) {
        (void)fsync(FolderHandle);
        close(FolderHandle);
    }
}

void SaveLevel(const std::string& FileName) {
    ReplaceFile(FileName, LevelText());
}

// ---- Lifecycle --------------------------------------------------------------

void InitLevel() {
    LevelGrid.assign(DefaultRows, TFieldRow(DefaultColumns, fkNone));
}

void DoneLevel() {
    TFieldGrid().swap(LevelGrid);
}
