// Program: runs the units' initialisations and finalisations around the main
// procedure; the program entry (PexMain.cpp) holds the table of units.
//
// Owns: the outcome parts it is given, and the run in progress (its rows, the
// units that started), for an end that cannot wait.
// Uses: nothing but the rows and parts it is given.
#pragma once

#include <cstddef>
#include <string>

struct TUnitRow {
    const char* Name;
    void (*Init)();  // may be empty
    void (*Done)();  // may be empty
};

// Runs the initialisations in order, then Body, then the finalisations of the
// units that started, backwards, also when an initialisation or Body failed.
// Each error is passed to ReportError as it happens: the one that ended the
// start-up or Body, then each one a finalisation raises. The result is 1 after
// any error; otherwise 0.
int RunProgram(const TUnitRow* Rows, size_t Count, void (*Body)(),
               void (*ReportError)(const std::string& Message));

// Ends the run of RunProgram at once, from wherever it is, and the process with
// it: for an end the system forces from inside a call that must not return
// (the display lost). While Body runs, BodyEnding runs first (what Body does
// after its loop); then the finalisations of the units still started, backwards,
// each error reported as RunProgram reports them; then Last gets the exit code
// RunProgram would have given (0, or 1 after any error) and gives the one the
// process exits with. Standard output and error are flushed; nothing else runs
// at exit. Never returns; outside RunProgram, or forced again while it ends,
// it exits with code 1 at once.
[[noreturn]] void EndProgramNow(void (*BodyEnding)(), int (*Last)(int ExitCode));

// The parts of a run's outcome that a demo's digest covers, each digested by the
// unit that owns it, in the digest's order. The program entry names them before
// RunProgram; the main procedure has them digested when the engine has ended.
void SetOutcomeParts(void (*const* Parts)(), size_t Count);
void DigestOutcomeParts();
