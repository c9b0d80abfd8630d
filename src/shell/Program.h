// Program: the table of units and the run of their initialisations and
// finalisations around the main procedure.
//
// Owns: UnitTable, in the start-up order.
// Uses: every unit's initialisation and finalisation.
#pragma once

#include <cstddef>
#include <string>

struct TUnitRow {
    const char* Name;
    void (*Init)();  // may be empty
    void (*Done)();  // may be empty
};

extern const TUnitRow UnitTable[];
extern const size_t UnitCount;

// Runs the initialisations in order, then Body, then the finalisations of the
// units that started, backwards, also when an initialisation or Body failed.
// An error (also one raised by a finalisation) is passed to ReportError once,
// and the result is 1; otherwise 0.
int RunProgram(const TUnitRow* Rows, size_t Count, void (*Body)(),
               void (*ReportError)(const std::string& Message));
