// Program: runs the units' initialisations and finalisations around the main
// procedure; the program entry (PexMain.cpp) holds the table of units.
//
// Owns: nothing.
// Uses: nothing but the rows it is given.
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
