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
extern std::string LevelName;  // "default"
extern std::string MusicDir;   // AppDir + "music/"

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
