// StateUnit: the table of application states and the fading switch between them.
//
// Owns: States (one row of five callbacks per state) and CurrentState.
// Uses: PexGL (keys, frames, fade), PexDemo (the outcome digest).
// No initialisation or finalisation: each screen unit fills its own row.
#pragma once

#include <cstdint>

#include "PexGL.h"

constexpr uint8_t stNone = 0;
constexpr uint8_t stSplash = 1;
constexpr uint8_t stMenu = 2;
constexpr uint8_t stGame = 3;
constexpr uint8_t stEditor = 4;
constexpr uint8_t stExit = 6;
constexpr uint8_t StateCount = 7;

struct TStateProcs {
    TProc Enter;
    TProc Leave;
    TProc Update;
    TProc Step;
    TProc Draw;
};

extern TStateProcs States[StateCount];
extern uint8_t CurrentState;

// Clears the keys, fades out while frames keep running, runs the old state's
// Leave and the new state's Enter, and starts the fade-in.
void SwitchState(uint8_t NewState);

// Adds CurrentState to a demo's outcome digest.
void DigestState();
