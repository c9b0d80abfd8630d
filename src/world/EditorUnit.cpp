#include "EditorUnit.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "GameUnit.h"
#include "LinkUnit.h"
#include "PexDemoFile.h"
#include "PexFiles.h"
#include "PexGL.h"
#include "PexPlatform.h"
#include "StateUnit.h"
#include "UndoUnit.h"
#include "VarsUnit.h"

TFieldKind Brush = fkNone;

// Raises Value to Low, then lowers it to High.
static int64_t Limit(int64_t Value, int64_t Low, int64_t High) {
    if (Value < Low) Value = Low;
    if (Value > High) Value = High;
    return Value;
}

// Integer division in C++ truncates toward zero, so x -1..-15 still maps to column 0
// before the limit is applied; 64 bits keep y - 96 from overflowing.
int32_t CellColumnAt(int32_t X) {
    return static_cast<int32_t>(
        Limit(static_cast<int64_t>(X) / CellSize, 0, LevelColumnCount() - 1));
}

int32_t CellRowAt(int32_t Y) {
    return static_cast<int32_t>(
        Limit((static_cast<int64_t>(Y) - LevelTop) / CellSize, 0, LevelRowCount() - 1));
}

// After Ctrl+Z or Ctrl+Y the button held since paints nothing: painting goes
// on with its next press, so that the change taken back is not painted again.
static bool PaintingHeldBack = false;

// ---- The journal ----------------------------------------------------------------

// While the grid holds changes the level file has not, the editor writes it to
// a journal in the user's state folder at least once a second, so that a crash
// or a killed program loses at most the last second of painting. The next
// start finds the journal and the editor opens with it; a save removes it.
static const char* const JournalHeader = "pex editor journal 1\n";
constexpr double JournalInterval = 1.0;  // seconds between writes at most

static std::string JournalPath;        // empty where there is no state folder
static bool JournalWritten = false;    // the journal at JournalPath holds the grid's changes
static std::string RestoredLevel;      // a journal's level text, until the editor opens
static uint64_t JournaledChanges = 0;  // GridChanges() the journal or the file holds
static double JournalDue = 0;          // FrameTime() from which the next write may come
static bool JournalFailed = false;     // said once a visit

std::string JournalPathOf(const std::string& LevelPath) {
    const std::string Folder = PlatformStateFolder();
    if (Folder.empty()) return std::string();
    char Name[40];
    std::snprintf(Name, sizeof(Name), "journal-%016" PRIx64 ".txt", DigestText(LevelPath));
    return Folder + Name;
}

// The level text of a journal written for LevelPath; empty for any other text.
static std::string JournalLevel(const std::string& Text, const std::string& LevelPath) {
    const std::string Start = JournalHeader + ("level " + LevelPath + "\n");
    if (Text.compare(0, Start.size(), Start) != 0) return std::string();
    const std::string Level = Text.substr(Start.size());
    return ReadsAsLevel(Level) ? Level : std::string();
}

std::string JournalLevelOf(const std::string& LevelPath) {
    const std::string Path = JournalPathOf(LevelPath);
    std::string Text;
    if (Path.empty() || !ReadFileText(Path, Text, MaxLevelFileSize + 4096)) return std::string();
    return JournalLevel(Text, LevelPath);
}

static void WriteJournal(const std::string& Level) {
    TSaveRules Rules;
    Rules.What = "journal";
    Rules.Digested = false;  // a demo's outcome is the level and the settings
    Rules.MakeFolders = true;
    try {
        SaveFile(JournalPath, JournalHeader + ("level " + LevelFilePath() + "\n") + Level, Rules);
    } catch (const std::runtime_error& Error) {
        if (!JournalFailed)
            std::fprintf(stderr,
                         "pex: %s; until the editor is left, a crash would lose its changes\n",
                         Error.what());
        std::fflush(stderr);
        JournalFailed = true;
    }
}

// Writes the journal when the grid changed since it was last written, at most
// once a JournalInterval, but at once when the program may end without a
// chance to save (a page hidden or being closed).
static void KeepJournal() {
    if (JournalPath.empty() || GridChanges() == JournaledChanges) return;
    if (FrameTime() < JournalDue && !PlatformLeavingSoon()) return;
    WriteJournal(LevelText());
    JournalWritten = true;
    JournaledChanges = GridChanges();
    JournalDue = FrameTime() + JournalInterval;
}

void EditorEnter() {
    ClearHistory();
    PaintingHeldBack = false;
    LoadLevel(LevelFilePath());
    JournaledChanges = GridChanges();
    JournalDue = FrameTime();
    JournalFailed = false;
    // The journal stays until a save has the changes it holds.
    JournalWritten = !RestoredLevel.empty();
    if (!RestoredLevel.empty()) LoadLevelFromText(RestoredLevel);
    RestoredLevel.clear();
}

void EditorLeave() {
    SaveLevel(LevelFilePath());
    if (!JournalPath.empty()) RemoveFile(JournalPath);
    JournalWritten = false;
    ClearHistory();
}

void EditorFollowLevelFile() {
    const std::string Earlier = JournalPath;
    JournalPath = JournalPathOf(LevelFilePath());
    if (Earlier.empty() || Earlier == JournalPath) return;
    // Changes kept in the earlier journal move with the level; a journal read
    // at start and not yet opened holds the level the editor will open with.
    if (!JournalWritten && RestoredLevel.empty()) return;
    if (JournalPath.empty()) return;
    WriteJournal(RestoredLevel.empty() ? LevelText() : RestoredLevel);
    RemoveFile(Earlier);
}

// F2: the link of the grid being edited, on the clipboard and standard output
// (in a browser the page copies it and says so).
static void ShareLevelLink() {
    const std::string Link = LevelLink(PlatformPageAddress(), LevelGrid);
    if (Link.size() > MaxSharedLinkLength) {
        const std::string Message =
            "This level is too large for a link: it would take " + std::to_string(Link.size()) +
            " characters, and a link takes at most " + std::to_string(MaxSharedLinkLength) +
            ". Share its level file instead.";
        std::fprintf(stderr, "pex: %s\n", Message.c_str());
        std::fflush(stderr);
        PlatformShowNote(Message);
        return;
    }
    std::printf("%s\n", Link.c_str());
    std::fflush(stdout);
    if (!PlatformCopyText(Link)) {
        SetClipboardText(Link);
        PlatformShowNote("The link to this level: " + Link);
    }
}

static bool IsCell(int32_t Row, int32_t Column) {
    return Row >= 0 && Row < LevelRowCount() && Column >= 0 &&
           Column < static_cast<int32_t>(LevelGrid[Row].size());
}

void EditorUpdate() {
    // The switch clears the keys; the editor saves in its Leave.
    if (KeyDown(kcEscape)) {
        SwitchState(stMenu);
        return;
    }
    if (KeyPressed(kcF2)) {
        ShareLevelLink();
        return;
    }
    if (KeyPressed(kcF11)) {
        ClearAsChange();
        KeepJournal();
        return;
    }
    // Z and Y are taken at every press, so a letter held before Ctrl went down
    // does not act when Ctrl follows.
    const bool Control = KeyDown(kcLeftCtrl) || KeyDown(kcRightCtrl);
    const bool Shift = KeyDown(kcLeftShift) || KeyDown(kcRightShift);
    const bool ZPressed = KeyPressed(kcZ);
    const bool YPressed = KeyPressed(kcY);
    if (Control && (ZPressed || YPressed)) {
        if (ZPressed && !Shift)
            UndoEdit();
        else
            RedoEdit();
        PaintingHeldBack = Mouse.Left;
        KeepJournal();
        return;
    }
    const int32_t Column = CellColumnAt(Mouse.X);
    const int32_t Row = CellRowAt(Mouse.Y);
    // Painting repeats every frame the button is held, so a drag leaves a trail;
    // the whole press is one change.
    if (!Mouse.Left) {
        PaintingHeldBack = false;
        EndStroke();
    } else if (!PaintingHeldBack && IsCell(Row, Column)) {
        PaintCell(Row, Column, Brush);
    }
    // Clearing the flag makes one press step the brush once.
    if (Mouse.Right) {
        Mouse.Right = false;
        Brush = Brush >= fkEnemy ? fkNone : static_cast<TFieldKind>(Brush + 1);
    }
    KeepJournal();
}

void EditorStep() {}

void EditorDraw() {
    const int32_t Column = CellColumnAt(Mouse.X);
    const int32_t Row = CellRowAt(Mouse.Y);

    SetBlendMode(bmAlpha);
    SetTexturing(true);
    SetColor(clWhite);
    BindTexture(TilesTexture);
    BeginQuads();
    DrawTexGrid(0, 0, 64, 64, 16, 32, 10, 8);
    EndQuads();

    BindTexture(TilesTexture);
    SetColor(clWhite);
    DrawLevelGrid();

    BindTexture(FontTexture);
    FontMetrics.Size = 16;
    SetColor(clWhite);
    PrintText(240, 16, LevelLabel, 0);

    // The brush preview covers the cell under the pointer, slightly transparent.
    const TSourcePos Source = TileSourceOf(Brush);
    BindTexture(TilesTexture);
    BeginQuads();
    SetColorRGBA(255, 255, 255, 224);
    DrawTexQuad(CellSize * Column, CellSize * Row + LevelTop, CellSize, CellSize, Source.X,
                Source.Y);
    EndQuads();

    // The cell sits 16 pixels in from the frame image's left and top edges.
    BindTexture(EditorTexture);
    BeginQuads();
    SetColor(clWhite);
    DrawTexQuad(CellSize * Column - 16, CellSize * Row + LevelTop - 16, 64, 64, 0, 0);
    EndQuads();

    // The pointer image's top-left corner is the pointer position.
    BindTexture(GuiTexture);
    BeginQuads();
    SetColor(clWhite);
    DrawTexQuad(Mouse.X, Mouse.Y, 32, 48, 16, 16);
    EndQuads();
}

void InitEditor() {
    // A journal left by a run that ended without saving: the editor opens with it.
    JournalPath = JournalPathOf(LevelFilePath());
    JournalWritten = false;
    RestoredLevel = JournalLevelOf(LevelFilePath());
    if (!RestoredLevel.empty()) {
        std::fprintf(stderr,
                     "pex: the editor's changes to \"%s\" that were not saved when Pex last "
                     "ended are restored from \"%s\"; the editor opens with them\n",
                     LevelFilePath().c_str(), JournalPath.c_str());
        std::fflush(stderr);
        PlatformShowNote(
            "Your changes in the editor that were not saved when Pex last ended are "
            "kept: the editor opens with them.");
    }
    States[stEditor].Enter = EditorEnter;
    States[stEditor].Leave = EditorLeave;
    States[stEditor].Update = EditorUpdate;
    States[stEditor].Step = EditorStep;
    States[stEditor].Draw = EditorDraw;
}

void DoneEditor() {
    JournalPath.clear();
    JournalWritten = false;
    RestoredLevel.clear();
}
