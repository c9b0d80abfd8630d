#include "Program.h"

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

int RunProgram(const TUnitRow* Rows, size_t Count, void (*Body)(),
               void (*ReportError)(const std::string& Message)) {
    bool Failed = false;
    size_t Started = 0;
    // A unit whose initialisation failed did not start and is not finalised.
    while (Started < Count) {
        if (Rows[Started].Init && !RunGuarded(Rows[Started].Init, ReportError)) {
            Failed = true;
            break;
        }
        ++Started;
    }
    if (!Failed && Body) Failed = !RunGuarded(Body, ReportError);
    for (size_t I = Started; I-- > 0;)
        if (Rows[I].Done && !RunGuarded(Rows[I].Done, ReportError)) Failed = true;
    return Failed ? 1 : 0;
}
