// MainUnit: the two frame dispatchers and the main procedure.
//
// Owns: the first screen and the procedure run before every frame's Update.
// Uses: PexGL, PexTexture, StateUnit, VarsUnit, ConfigUnit, Program (the
// outcome parts).
// No initialisation or finalisation.
#pragma once

#include <cstdint>

#include "PexGL.h"

// The screen the run opens on: the splash, or straight the game (a guest level).
extern uint8_t FirstState;
// Runs every frame before the current state's Update when set (a guest level's
// watch for the page's requests).
extern TProc OnEveryUpdate;

// Global quit key, then the current state's Update and Step.
void DispatchUpdate();
// Viewport, clear, pixel coordinates, the current state's Draw, the fade overlay.
void DispatchDraw();
// Window from the settings, shared textures, splash, frame loop, then
// EndApplication.
void RunApplication();
// What follows the frame loop: the engine ended, the outcome digested for a
// demo, the last state left (the editor saves its level). Also the start of an
// end that cannot wait for the loop (the display lost).
void EndApplication();
