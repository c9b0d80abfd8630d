// EditorUnit: the level editor, where the level grid is painted with the mouse.
//
// Owns: Brush (the tile kind the left button paints) and the undo history of
// the current visit.
// Uses: PexGL (keys, mouse, drawing, text), StateUnit, VarsUnit (level file,
// textures), LevelUnit (grid, level file), GameUnit (grid drawing).
// InitEditor fills the editor row of the state table; no finalisation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "LevelUnit.h"

extern TFieldKind Brush;

// Column of the cell under window x, limited to the grid.
int32_t CellColumnAt(int32_t X);
// Row of the cell under window y (the level starts 96 pixels down), limited to the grid.
int32_t CellRowAt(int32_t Y);
// Sets every cell to fkNone; the grid keeps its size.
void ClearLevel();

// ---- Undo history ----------------------------------------------------------
// A change is one F11 clear or one press of the left button (every cell painted
// while it is held). Painting a cell with the kind it holds, or clearing an
// empty grid, is no change. The history starts empty at every EditorEnter.
// A step keeps only the cells it touched (six bytes a painted cell, five a
// cleared one); a clear of a grid more than a fifth filled keeps the grid's old
// kinds at one byte a cell instead, so a clear never costs more than the grid
// (16 MiB at 4096 x 4096). The oldest steps are dropped past HistoryStepLimit
// steps or HistoryByteBudget bytes; the newest step is always kept.
constexpr int32_t HistoryStepLimit = 1000;
constexpr size_t HistoryByteBudget = size_t(64) << 20;

// Ctrl+Z: takes back the last change, if any.
void UndoEdit();
// Ctrl+Y or Ctrl+Shift+Z: makes the last change taken back again, if any.
void RedoEdit();
void ClearHistory();
int32_t UndoSteps();    // changes that Ctrl+Z can take back
int32_t RedoSteps();    // changes that Ctrl+Y can make again
size_t HistoryBytes();  // memory the history holds, its own count

// Loads the level file and starts an empty history.
void EditorEnter();
// Saves the level file and drops the history.
void EditorLeave();
// Escape to the menu, F11 clears, Ctrl+Z undoes, Ctrl+Y and Ctrl+Shift+Z redo,
// left button paints, right button steps the brush.
void EditorUpdate();
void EditorStep();
void EditorDraw();

void InitEditor();
