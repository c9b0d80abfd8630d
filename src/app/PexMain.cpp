// Program entry: the units start in this order and end in reverse. Started
// without arguments the program runs as usual; the options record a demo, play
// one back, open a guest level, or tell the usage or the version.
#include <cstdio>
#include <string>

#include "ConfigUnit.h"
#include "EditorUnit.h"
#include "GameUnit.h"
#include "Glfw2.h"
#include "GuestUnit.h"
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

// ---- Demos --------------------------------------------------------------------

// The files a run reads, whose digests a demo keeps.
static void InitDemos() {
    InitDemo(
        {{"settings", SettingsFileName()}, {"menu", MenuFilePath()}, {"level", LevelFilePath()}});
}

// What a demo's outcome digest covers when the engine ends, in the digest's
// order: the state, the level grid, the entities and the score, the menu's
// position. The files the run writes follow as they are written.
static void (*const OutcomeParts[])() = {DigestState, DigestLevel, DigestGame, DigestMenu};

// ---- Units --------------------------------------------------------------------

static const TUnitRow UnitTable[] = {
    {"PexGL", InitPexGL, DonePexGL},
    {"VarsUnit", InitVars, DoneVars},
    // Before what names the level file: a demo's watched files, the editor's journal.
    {"GuestUnit", InitGuest, DoneGuest},
    // Between the folders it names and the settings it must see written at the end.
    {"PexDemo", InitDemos, DoneDemo},
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
    {"UndoUnit", nullptr, nullptr},
    {"EditorUnit", InitEditor, DoneEditor},
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
    PlatformReleaseTerminationSignals();
    std::string Reason;
    if (!PlatformShowErrorBox("Application Error", Message, Reason)) {
        std::fprintf(stderr, "The error box cannot be shown: %s\n", Reason.c_str());
        std::fflush(stderr);
    }
}

// The session went away under the program (the display lost): it ends as a
// termination signal ends it, but at once, from where the loss was found.
static void EndWithTheSession(const char* What) {
    std::fprintf(stderr, "pex: %s; ending as on a termination signal\n", What);
    std::fflush(stderr);
    EndProgramNow(EndApplication, EndDemo);
}

// ---- Arguments ----------------------------------------------------------------

static const char Usage[] =
    "Usage: pex [--record FILE | --play FILE | --open LINK | --open LEVEL]\n"
    "  (no option)     play the game\n"
    "  --record FILE   play the game and record the session into the demo FILE\n"
    "  --play FILE     replay the demo FILE frame for frame (F10 ends it)\n"
    "  --open LINK     play the level of a link (\"...#level=...\", F2 in the editor\n"
    "                  makes one) as a guest level, leaving your own level as it is\n"
    "  --open LEVEL    the same with a level file\n"
    "  --help          show this text\n"
    "  --version       show the version\n"
    "Both demo options print \"demo: frames=N digest=H\" at the end.\n";

constexpr int ExitUsage = 2;

static int UsageError(const std::string& Message) {
    std::fprintf(stderr, "pex: %s\n%s", Message.c_str(), Usage);
    return ExitUsage;
}

// The demo options' one value, which may not be an option itself.
static bool OptionValue(int argc, char** argv, std::string& Value) {
    if (argc != 3) return false;
    Value = argv[2];
    return !Value.empty() && Value.compare(0, 2, "--") != 0;
}

int main(int argc, char** argv) {
    // The engine runs on the system's window, or on a demo standing in for it.
    UseWindowDriver(SystemWindow);
    if (argc > 1) {
        const std::string Option = argv[1];
        if (Option == "--help" || Option == "--version") {
            if (argc != 2) return UsageError(Option + " takes no argument");
            if (Option == "--help")
                std::fputs(Usage, stdout);
            else
                std::printf("pex %s\n", PEX_VERSION);
            return 0;
        }
        if (Option != "--record" && Option != "--play" && Option != "--open")
            return UsageError("unknown option \"" + Option + "\"");
        // A guest level is no session a demo could replay: its files are made at start.
        bool Open = false, Demo = false;
        for (int I = 1; I < argc; ++I) {
            const std::string Argument = argv[I];
            Open = Open || Argument == "--open";
            Demo = Demo || Argument == "--record" || Argument == "--play";
        }
        if (Open && Demo) return UsageError("--open cannot be combined with --record or --play");
        std::string Value;
        if (!OptionValue(argc, argv, Value))
            return UsageError(
                Option +
                (Option == "--open" ? " takes one link or level file" : " takes one file name") +
                (argc == 3 ? ", not \"" + std::string(argv[2]) + "\"" : ""));
        std::string Error;
        const bool Started = Option == "--record" ? StartDemoRecording(Value, Error)
                             : Option == "--play" ? StartDemoPlayback(Value, Error)
                                                  : PrepareGuestLevel(Value, Error);
        if (!Started) {
            std::fprintf(stderr, "pex: %s\n", Error.c_str());
            return ExitUsage;
        }
    }
    SetOutcomeParts(OutcomeParts, sizeof(OutcomeParts) / sizeof(OutcomeParts[0]));
    OnSessionEnd = EndWithTheSession;
    const int Code = RunProgram(UnitTable, sizeof(UnitTable) / sizeof(UnitTable[0]), RunApplication,
                                ShowErrorBox);
    return EndDemo(Code);
}
