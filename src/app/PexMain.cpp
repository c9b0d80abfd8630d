// Program entry: the units start in this order and end in reverse.
#include <cstdio>

#include "ConfigUnit.h"
#include "EditorUnit.h"
#include "GameUnit.h"
#include "LevelUnit.h"
#include "MainUnit.h"
#include "MenuUnit.h"
#include "PexGL.h"
#include "PexPlatform.h"
#include "Program.h"
#include "SoundUnit.h"
#include "SplashUnit.h"
#include "VarsUnit.h"
#include "fmoddyn.h"

static const TUnitRow UnitTable[] = {
    {"PexGL", InitPexGL, DonePexGL},        {"VarsUnit", InitVars, DoneVars},
    {"ConfigUnit", InitConfig, DoneConfig}, {"PexTGA", nullptr, nullptr},
    {"PexTexture", nullptr, nullptr},       {"StateUnit", nullptr, nullptr},
    {"PexScript", nullptr, nullptr},        {"LevelUnit", InitLevel, DoneLevel},
    {"MenuUnit", InitMenu, DoneMenu},       {"MainUnit", nullptr, nullptr},
    {"fmodtypes", nullptr, nullptr},        {"fmoddyn", InitFmodDyn, DoneFmodDyn},
    {"SoundUnit", InitSound, DoneSound},    {"SplashUnit", InitSplash, nullptr},
    {"EditorUnit", InitEditor, nullptr},    {"GameUnit", InitGame, nullptr},
};

// The message goes to standard error always, and into a modal box titled
// "Application Error" where a display can show one. No frame runs while the box
// waits, so a termination signal takes its usual effect again. When the box
// cannot be shown (no display, or an X server without the box's font), a
// second line says so with the system's reason.
static void ShowErrorBox(const std::string& Message) {
    std::fprintf(stderr, "Application Error: %s\n", Message.c_str());
    std::fflush(stderr);
    RestoreSignalHandlers();
    std::string Reason;
    if (!PlatformShowErrorBox("Application Error", Message, Reason)) {
        std::fprintf(stderr, "The error box cannot be shown: %s\n", Reason.c_str());
        std::fflush(stderr);
    }
}

int main() {
    return RunProgram(UnitTable, sizeof(UnitTable) / sizeof(UnitTable[0]), RunApplication,
                      ShowErrorBox);
}
