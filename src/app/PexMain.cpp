// Program entry: the units start in this order and end in reverse. Started
// without arguments the program runs as usual; the options record a demo, play
// one back, or tell the usage or the version.
#include <cstdio>
#include <cstring>
#include <string>

#include "ConfigUnit.h"
#include "EditorUnit.h"
#include "GameUnit.h"
#include "LevelUnit.h"
#include "MainUnit.h"
#include "MenuUnit.h"
#include "PexDemo.h"
#include "PexGL.h"
#include "PexPlatform.h"
#include "Program.h"
#include "SoundUnit.h"
#include "SplashUnit.h"
#include "StateUnit.h"
#include "VarsUnit.h"
#include "fmoddyn.h"

static const TUnitRow UnitTable[] = {
    {"PexGL", InitPexGL, DonePexGL},
    {"VarsUnit", InitVars, DoneVars},
    // Between the folders it names and the settings it must see written at the end.
    {"PexDemo", InitDemo, DoneDemo},
    {"ConfigUnit", InitConfig, DoneConfig},
    {"PexTGA", nullptr, nullptr},
    {"PexTexture", nullptr, nullptr},
    {"StateUnit", nullptr, nullptr},
    {"PexScript", nullptr, nullptr},
    {"LevelUnit", InitLevel, DoneLevel},
    {"MenuUnit", InitMenu, DoneMenu},
    {"MainUnit", nullptr, nullptr},
    {"fmodtypes", nullptr, nullptr},
    {"fmoddyn", InitFmodDyn, DoneFmodDyn},
    {"SoundUnit", InitSound, DoneSound},
    {"SplashUnit", InitSplash, nullptr},
    {"EditorUnit", InitEditor, nullptr},
    {"GameUnit", InitGame, nullptr},
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

// ---- Demos --------------------------------------------------------------------

// The files a run reads, whose digests a demo keeps.
static std::vector<std::pair<std::string, std::string>> WatchedFiles() {
    return {{"settings", SettingsFileName()},
            {"menu", AppDir + "main.menu"},
            {"level", LevelFilePath()}};
}

template <typename T>
static void DigestValue(const T& Value) {
    DigestOutcome(&Value, sizeof(Value));
}

// The outcome of a run as the engine ends: the state, the level grid, every
// entity's place and flags (the floats by their bits), the score and the menu's
// position. The user files written afterwards follow (DemoAllowsWrite).
static void SnapshotOutcome() {
    DigestValue(CurrentState);
    DigestValue(uint32_t(LevelGrid.size()));
    for (const TFieldRow& Row : LevelGrid) {
        DigestValue(uint32_t(Row.size()));
        DigestOutcome(Row.data(), Row.size());
    }
    uint32_t Count = 0;
    for (const TEntity* Entity = Entities; Entity; Entity = Entity->Next) {
        uint32_t Bits[2];
        std::memcpy(&Bits[0], &Entity->X, sizeof(uint32_t));
        std::memcpy(&Bits[1], &Entity->Y, sizeof(uint32_t));
        DigestValue(Bits);
        const uint8_t Flags = uint8_t(Entity->FacingRight) | uint8_t(Entity->Moving) << 1 |
                              uint8_t(Entity->Falling) << 2;
        DigestValue(Flags);
        ++Count;
    }
    DigestValue(Count);
    DigestValue(Score);
    DigestValue(MenuIndex);
}

// ---- Arguments ----------------------------------------------------------------

static const char Usage[] =
    "Usage: pex [--record FILE | --play FILE]\n"
    "  (no option)     play the game\n"
    "  --record FILE   play the game and record the session into the demo FILE\n"
    "  --play FILE     replay the demo FILE frame for frame (F10 ends it)\n"
    "  --help          show this text\n"
    "  --version       show the version\n"
    "Both demo options print \"demo: frames=N digest=H\" at the end.\n";

constexpr int ExitUsage = 2;

static int UsageError(const std::string& Message) {
    std::fprintf(stderr, "pex: %s\n%s", Message.c_str(), Usage);
    return ExitUsage;
}

int main(int argc, char** argv) {
    if (argc > 1) {
        const std::string Option = argv[1];
        if (Option == "--help" && argc == 2) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (Option == "--version" && argc == 2) {
            std::printf("pex %s\n", PEX_VERSION);
            return 0;
        }
        if (Option != "--record" && Option != "--play")
            return UsageError("unknown option \"" + Option + "\"");
        if (argc != 3) return UsageError(Option + " takes one file name");
        std::string Error;
        const bool Started = Option == "--record" ? StartDemoRecording(argv[2], Error)
                                                  : StartDemoPlayback(argv[2], Error);
        if (!Started) {
            std::fprintf(stderr, "pex: %s\n", Error.c_str());
            return ExitUsage;
        }
        DemoWatchedFiles = WatchedFiles;
        DemoSnapshot = SnapshotOutcome;
    }
    return RunProgram(UnitTable, sizeof(UnitTable) / sizeof(UnitTable[0]), RunApplication,
                      ShowErrorBox);
}
