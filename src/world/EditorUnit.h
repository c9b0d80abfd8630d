// EditorUnit: the level editor, where the level grid is painted with the mouse.
//
// Owns: Brush (the tile kind the left button paints) and the journal of the
// changes not yet saved (a file in the user's state folder, written at least
// once a second while there are such changes and at once when the system says
// the program may end unasked, removed when the level is saved).
// Uses: PexGL (keys, mouse, drawing, text, the frame's clock), StateUnit,
// VarsUnit (level file, textures), LevelUnit (grid, level file), UndoUnit (the
// history of changes), GameUnit (grid drawing), PexPlatform (the state folder,
// the run's files, leaving unasked, the note to the user), PexDemoFile (the
// digest that names a journal).
// InitEditor fills the editor row of the state table and reads a journal an
// earlier run left, saying so on standard error and in a note; DoneEditor
// forgets it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "LevelUnit.h"

extern TFieldKind Brush;

// Column of the cell under window x, limited to the grid.
int32_t CellColumnAt(int32_t X);
// Row of the cell under window y (the level starts 96 pixels down), limited to the grid.
int32_t CellRowAt(int32_t Y);

// Loads the level file, with the changes of a journal an earlier run left, and
// starts an empty history.
void EditorEnter();
// Saves the level file, removes the journal, and drops the history.
void EditorLeave();
// Escape to the menu, F2 hands out the level's link, F11 clears, Ctrl+Z undoes, Ctrl+Y and
// Ctrl+Shift+Z redo, left button paints, right button steps the brush.
void EditorUpdate();
void EditorStep();
void EditorDraw();

// The journal of a level file: one per file in the user's state folder, named
// by the digest of its path; empty where there is no state folder.
std::string JournalPathOf(const std::string& LevelPath);
// The level text of the journal an earlier run left for that level file; empty
// when there is none.
std::string JournalLevelOf(const std::string& LevelPath);
// The level file changed its name (a guest level kept as the player's own):
// the journal follows it, with the changes it held.
void EditorFollowLevelFile();

void InitEditor();
void DoneEditor();
