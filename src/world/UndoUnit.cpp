#include "UndoUnit.h"

#include <deque>
#include <vector>

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
static uint64_t Changes = 0;

uint64_t GridChanges() {
    return Changes;
}
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

void EndStroke() {
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

void PaintCell(int32_t Row, int32_t Column, TFieldKind Brush) {
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
    ++Changes;
}

void ClearAsChange() {
    EndStroke();
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
        ++Changes;
    }
    ClearLevel();
}

void UndoEdit() {
    EndStroke();
    if (Done == 0) return;
    ++Changes;
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
    ++Changes;
    const TEditStep& Step = Steps[Done++];
    if (Step.Clear) {
        ClearLevel();
        return;
    }
    for (size_t I = 0; I < Step.Cells.size(); ++I)
        if (TFieldKind* Cell = CellAt(Step.Cells[I])) *Cell = Step.After[I];
}
