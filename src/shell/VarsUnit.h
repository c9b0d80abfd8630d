// VarsUnit: shared game variables.
//
// Owns: LevelDir, LevelName, MusicDir and the six shared texture handles.
// Uses: PexGL (AppDir, PathDelim), PexPlatform (PlatformUserFolder, SeedUserFile).
// Initialisation sets the three folders, the level folder in the user's folder
// (PlatformUserFolder), and gives the user a copy of the shipped level there
// when it has none; finalisation clears them.
#pragma once

#include <cstdint>
#include <string>

extern std::string LevelDir;   // PlatformUserFolder(AppDir) + "level/"
extern std::string LevelName;  // OwnLevelName, or GuestLevelName while a guest level is played

// The player's own level, and one opened from a link or a file (GuestUnit).
constexpr const char* OwnLevelName = "default";
constexpr const char* GuestLevelName = "guest";
extern std::string MusicDir;  // AppDir + "music/"

extern uint32_t FontTexture;
extern uint32_t MenuTexture;
extern uint32_t EditorTexture;
extern uint32_t SplashTexture;
extern uint32_t GuiTexture;
extern uint32_t TilesTexture;

void InitVars();
void DoneVars();

// The one level file: LevelDir + LevelName + "/1.txt".
std::string LevelFilePath();
// The level file of another level name.
std::string LevelFilePathOf(const std::string& Name);
