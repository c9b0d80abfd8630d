// GuestUnit: a guest level, opened from a link or a level file (pex --open),
// played and edited beside the player's own, which it never touches unless the
// player keeps it as their own.
//
// Owns: the guest level's text from the command line until the units start,
// and whether the run plays a guest level.
// Uses: VarsUnit (the level names and files), MainUnit (the first screen, the
// watch before every frame), LevelUnit (the level's text), LinkUnit (reading
// the link), EditorUnit (its journal, which follows the level file),
// PexFiles (reading and saving), PexPlatform (keeping files, the page).
// InitGuest writes the guest level file (keeping an earlier guest level that
// differs beside it) and makes it the run's level, opening on the game; it
// tells the page which level file the run uses in any case. DoneGuest forgets
// the guest.
#pragma once

#include <string>

// Reads the guest level from the command line's value: a link when it looks
// like one (IsLevelLink), else the name of a level file. False, with Error, for
// a damaged link or a file that cannot be read or is no level; nothing is
// written then. Called before the units start.
bool PrepareGuestLevel(const std::string& LinkOrFile, std::string& Error);

// Whether the run plays a guest level now.
bool GuestLevelInUse();

// Makes the guest level the player's own: the present own level file is kept
// beside it under a name of its own, the guest level's text replaces it through
// the save policy, and the run goes on with the own level. Says where the old
// level went on standard error and in a note; a failure leaves the guest level
// in use, and says so.
void KeepGuestAsOwn();

// Each frame of a guest run: keeps the guest level when the page asks for it.
void WatchGuestRequests();

void InitGuest();
void DoneGuest();
