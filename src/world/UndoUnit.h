// UndoUnit: the editor's history of changes to the level grid, which Ctrl+Z
// takes back and Ctrl+Y makes again.
//
// Owns: the history of the current visit of the editor.
// Uses: LevelUnit (LevelGrid, ClearLevel).
// No initialisation or finalisation: the editor clears the history when it is
// entered and left.
//
// A change is one F11 clear or one press of the left button (every cell painted
// while it is held). Painting a cell with the kind it holds, or clearing an
// empty grid, is no change. A step keeps only the cells it touched (six bytes a
// painted cell, five a cleared one); a clear of a grid more than a fifth filled
// keeps the grid's old kinds at one byte a cell instead, so a clear never costs
// more than the grid (16 MiB at 4096 x 4096). The oldest steps are dropped past
// HistoryStepLimit steps or HistoryByteBudget bytes; the newest step is always
// kept. A new change drops the changes that were taken back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "LevelUnit.h"

constexpr int32_t HistoryStepLimit = 1000;
constexpr size_t HistoryByteBudget = size_t(64) << 20;

// Paints Brush into a cell of the grid as part of the press of the left button
// that is held: the first cell that changes starts a new change.
void PaintCell(int32_t Row, int32_t Column, TFieldKind Brush);
// The left button went up: the press is one change from here on.
void EndStroke();
// ClearLevel as one change, unless the grid is empty already.
void ClearAsChange();

// Takes back the last change, if any.
void UndoEdit();
// Makes the last change taken back again, if any.
void RedoEdit();
void ClearHistory();

// Counts every change made to the grid here, painting, clearing, taking back
// and making again, since the program started.
uint64_t GridChanges();

int32_t UndoSteps();    // changes that UndoEdit can take back
int32_t RedoSteps();    // changes that RedoEdit can make again
size_t HistoryBytes();  // memory the history holds, its own count
