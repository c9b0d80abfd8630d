#include "VarsUnit.h"

#include "PexFiles.h"
#include "PexGL.h"
#include "PexPlatform.h"

std::string LevelDir;
std::string LevelName;
std::string MusicDir;

uint32_t FontTexture = 0;
uint32_t MenuTexture = 0;
uint32_t EditorTexture = 0;
uint32_t SplashTexture = 0;
uint32_t GuiTexture = 0;
uint32_t TilesTexture = 0;

static const char* const LevelFolderName = "level";

// The level file of a level name under a folder of levels.
static std::string LevelFileUnder(const std::string& Folder, const std::string& Name) {
    return Folder + Name + PathDelim + "1.txt";
}

void InitVars() {
    LevelDir = PlatformUserFolder(AppDir) + LevelFolderName + PathDelim;
    LevelName = OwnLevelName;
    MusicDir = AppDir + "music" + PathDelim;
    // The levels are the user's: an installed copy's user starts from the shipped one.
    SeedUserFile(LevelFileUnder(AppDir + LevelFolderName + PathDelim, LevelName), LevelFilePath());
}

void DoneVars() {
    LevelDir.clear();
    LevelName.clear();
    MusicDir.clear();
}

std::string LevelFilePath() {
    return LevelFileUnder(LevelDir, LevelName);
}

std::string LevelFilePathOf(const std::string& Name) {
    return LevelFileUnder(LevelDir, Name);
}
