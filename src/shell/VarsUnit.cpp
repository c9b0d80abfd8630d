#include "VarsUnit.h"

#include "PexGL.h"

std::string LevelDir;
std::string LevelName;
std::string MusicDir;

uint32_t FontTexture = 0;
uint32_t MenuTexture = 0;
uint32_t EditorTexture = 0;
uint32_t SplashTexture = 0;
uint32_t GuiTexture = 0;
uint32_t TilesTexture = 0;

void InitVars() {
    LevelDir = AppDir + "level" + PathDelim;
    LevelName = "default";
    MusicDir = AppDir + "music" + PathDelim;
}

void DoneVars() {
    LevelDir.clear();
    LevelName.clear();
    MusicDir.clear();
}

std::string LevelFilePath() {
    return LevelDir + LevelName + PathDelim + "1.txt";
}
