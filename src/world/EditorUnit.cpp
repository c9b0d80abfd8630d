#include "EditorUnit.h"

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "GameUnit.h"
#include "PexGL.h"
#include "StateUnit.h"
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

void ClearLevel() {
    for (TFieldRow& Row : LevelGrid) std::fill(Row.begin(), Row.end(), fkNone);
}

// ---- Undo history ------------------------------------------------------------

// One change. Cells lists the cells it touched (row * columns + column) in the
// order they changed, with the kind each held before and, when painted, after;
// a cell painted twice in one press is listed twice. A clear leaves every cell
// fkNone; with WholeGrid, Before holds every cell of the grid and Cells is empty.
struct TEditStep {
    bool Clear = false;
    bool WholeGrid = false;
    std::vector<uint32_t> Cells;
    std::vector<TFieldKind> Before;
    std::vector<TFieldKind> After;
};

// Steps before Done can be taken back; the ones from Done on can be made again.
static std::deque<TEditStep> Steps;
static size_t Done = 0;
// The last step is a press of the left button that is still held.
static bool Stroke = false;

static size_t StepBytes(const TEditStep& Step) {
    return sizeof(TEditStep) + Step.Cells.capacity() * sizeof(uint32_t) + Step.Before.capacity() +
           Step.After.capacity();
}

size_t HistoryBytes() {
    size_t Bytes = 0;
    for (const TEditStep& Step : Steps) Bytes += StepBytes(Step);
    return Bytes;
}

int32_t UndoSteps() {
    return static_cast<int32_t>(Done);
}

int32_t RedoSteps() {
    return static_cast<int32_t>(Steps.size() - Done);
}

void ClearHistory() {
    Steps.clear();
    Done = 0;
    Stroke = false;
}

// Drops the oldest steps past the limits; the newest one stays whatever its size.
static void TrimHistory() {
    size_t Bytes = HistoryBytes();
    while (Steps.size() > 1 &&
           (Steps.size() > size_t(HistoryStepLimit) || Bytes > HistoryByteBudget)) {
        Bytes -= StepBytes(Steps.front());
        Steps.pop_front();
        if (Done > 0) --Done;
    }
}

// A new change drops the changes that were taken back.
static TEditStep& BeginStep() {
    Steps.resize(Done);
    Steps.emplace_back();
    Done = Steps.size();
    TrimHistory();
    return Steps.back();
}

static void EndStroke() {
    if (!Stroke) return;
    Stroke = false;
    TEditStep& Step = Steps.back();
    Step.Cells.shrink_to_fit();
    Step.Before.shrink_to_fit();
    Step.After.shrink_to_fit();
    TrimHistory();
}

static uint32_t CellIndex(int32_t Row, int32_t Column) {
    return uint32_t(Row) * uint32_t(LevelColumnCount()) + uint32_t(Column);
}

// The cell of an index, or nothing when the grid has no such cell.
static TFieldKind* CellAt(size_t Index) {
    const size_t Columns = size_t(LevelColumnCount());
    if (Columns == 0) return nullptr;
    const size_t Row = Index / Columns;
    const size_t Column = Index % Columns;
    if (Row >= LevelGrid.size() || Column >= LevelGrid[Row].size()) return nullptr;
    return &LevelGrid[Row][Column];
}

// Paints a cell as part of the press of the left button that is held.
static void PaintCell(int32_t Row, int32_t Column) {
    TFieldKind& Cell = LevelGrid[Row][Column];
    if (Cell == Brush) return;
    if (!Stroke) {
        BeginStep();
        Stroke = true;
    }
    TEditStep& Step = Steps.back();
    Step.Cells.push_back(CellIndex(Row, Column));
    Step.Before.push_back(Cell);
    Step.After.push_back(Brush);
    Cell = Brush;
}

// F11: ClearLevel as one change, unless the grid is empty already.
static void ClearAsChange() {
    const size_t Columns = size_t(LevelColumnCount());
    size_t Filled = 0;
    for (const TFieldRow& Row : LevelGrid)
        for (size_t Column = 0; Column < Columns && Column < Row.size(); ++Column)
            if (Row[Column] != fkNone) ++Filled;
    if (Filled > 0) {
        TEditStep& Step = BeginStep();
        Step.Clear = true;
        const size_t CellCount = LevelGrid.size() * Columns;
        // A listed cell costs five bytes, the whole grid one byte a cell.
        Step.WholeGrid = Filled * (sizeof(uint32_t) + 1) > CellCount;
        if (Step.WholeGrid) {
            Step.Before.reserve(CellCount);
            for (const TFieldRow& Row : LevelGrid)
                for (size_t Column = 0; Column < Columns; ++Column)
                    Step.Before.push_back(Column < Row.size() ? Row[Column] : fkNone);
        } else {
            Step.Cells.reserve(Filled);
            Step.Before.reserve(Filled);
            for (size_t R = 0; R < LevelGrid.size(); ++R)
                for (size_t Column = 0; Column < Columns && Column < LevelGrid[R].size(); ++Column)
                    if (LevelGrid[R][Column] != fkNone) {
                        Step.Cells.push_back(uint32_t(R * Columns + Column));
                        Step.Before.push_back(LevelGrid[R][Column]);
                    }
        }
        TrimHistory();
    }
    ClearLevel();
}

void UndoEdit() {
    EndStroke();
    if (Done == 0) return;
    const TEditStep& Step = Steps[--Done];
    if (Step.WholeGrid) {
        for (size_t I = 0; I < Step.Before.size(); ++I)
            if (TFieldKind* Cell = CellAt(I)) *Cell = Step.Before[I];
        return;
    }
    // Backwards, so that a cell painted twice gets back what it held before the first.
    for (size_t I = Step.Cells.size(); I-- > 0;)
        if (TFieldKind* Cell = CellAt(Step.Cells[I])) *Cell = Step.Before[I];
}

void RedoEdit() {
    EndStroke();
    if (Done == Steps.size()) return;
    const TEditStep& Step = Steps[Done++];
    if (Step.Clear) {
        ClearLevel();
        return;
    }
    for (size_t I = 0; I < Step.Cells.size(); ++I)
        if (TFieldKind* Cell = CellAt(Step.Cells[I])) *Cell = Step.After[I];
}

void EditorEnter() {
    ClearHistory();
    LoadLevel(LevelFilePath());
}

void EditorLeave() {
    SaveLevel(LevelFilePath());
    ClearHistory();
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
    if (KeyPressed(kcF11)) {
        EndStroke();
        ClearAsChange();
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
        return;
    }
    const int32_t Column = CellColumnAt(Mouse.X);
    const int32_t Row = CellRowAt(Mouse.Y);
    // Painting repeats every frame the button is held, so a drag leaves a trail;
    // the whole press is one change.
    if (Mouse.Left && IsCell(Row, Column))
        PaintCell(Row, Column);
    else if (!Mouse.Left)
        EndStroke();
    // Clearing the flag makes one press step the brush once.
    if (Mouse.Right) {
        Mouse.Right = false;
        Brush = Brush >= fkEnemy ? fkNone : static_cast<TFieldKind>(Brush + 1);
    }
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
    States[stEditor].Enter = EditorEnter;
    States[stEditor].Leave = EditorLeave;
    States[stEditor].Update = EditorUpdate;
    States[stEditor].Step = EditorStep;
    States[stEditor].Draw = EditorDraw;
}
