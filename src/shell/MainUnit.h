// MainUnit: the two frame dispatchers and the main procedure.
//
// Owns: nothing beyond its procedures.
// Uses: PexGL, PexTexture, StateUnit, VarsUnit, ConfigUnit, Program (the
// outcome parts).
// No initialisation or finalisation.
#pragma once

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
