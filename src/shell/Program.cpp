#include "Program.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

static bool RunGuarded(void (*Step)(), void (*ReportError)(const std::string&)) {
    try {
        Step();
        return true;
    } catch (const std::exception& Error) {
        ReportError(Error.what());
    } catch (...) {
        ReportError("Unknown error");
    }
    return false;
}

static void (*const* OutcomeParts)() = nullptr;
static size_t OutcomePartCount = 0;

void SetOutcomeParts(void (*const* Parts)(), size_t Count) {
    OutcomeParts = Parts;
    OutcomePartCount = Count;
}

void DigestOutcomeParts() {
    for (size_t I = 0; I < OutcomePartCount; ++I) OutcomeParts[I]();
}

// The run in progress, for EndProgramNow.
static const TUnitRow* RunRows = nullptr;
static size_t RunStarted = 0;  // the units that started and are not finalised yet
static bool RunBody = false;   // Body runs
static bool RunFailed = false;
static void (*RunReportError)(const std::string&) = nullptr;
static bool EndingNow = false;

static void FinaliseStartedUnits() {
    // A unit leaves the count before its finalisation, so that an end forced
    // during one goes on with the next.
    while (RunStarted > 0) {
        const TUnitRow& Row = RunRows[--RunStarted];
        if (Row.Done && !RunGuarded(Row.Done, RunReportError)) RunFailed = true;
    }
}

int RunProgram(const TUnitRow* Rows, size_t Count, void (*Body)(),
               void (*ReportError)(const std::string& Message)) {
    RunRows = Rows;
    RunStarted = 0;
    RunFailed = false;
    RunReportError = ReportError;
    // A unit whose initialisation failed did not start and is not finalised.
    while (RunStarted < Count) {
        if (Rows[RunStarted].Init && !RunGuarded(Rows[RunStarted].Init, ReportError)) {
            RunFailed = true;
            break;
        }
        ++RunStarted;
    }
    if (!RunFailed && Body) {
        RunBody = true;
        RunFailed = !RunGuarded(Body, ReportError);
        RunBody = false;
    }
    FinaliseStartedUnits();
    RunRows = nullptr;
    return RunFailed ? 1 : 0;
}

void EndProgramNow(void (*BodyEnding)(), int (*Last)(int ExitCode)) {
    // An end forced again while this one runs: what is done is done.
    if (EndingNow || !RunRows) {
        std::fflush(nullptr);
        std::_Exit(1);
    }
    EndingNow = true;
    if (RunBody && BodyEnding && !RunGuarded(BodyEnding, RunReportError)) RunFailed = true;
    RunBody = false;
    FinaliseStartedUnits();
    const int Code = Last(RunFailed ? 1 : 0);
    std::fflush(nullptr);
    std::_Exit(Code);
}
