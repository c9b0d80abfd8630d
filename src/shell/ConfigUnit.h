// ConfigUnit: the four screen settings and the settings file beside the executable.
//
// Owns: FullScreen, ScreenWidth, ScreenHeight, ScreenBPP.
// Uses: PexGL (ExecutablePath).
// Initialisation reads the settings file; finalisation writes it back.
#pragma once

#include <cstdint>
#include <string>

extern bool FullScreen;
extern int32_t ScreenWidth;
extern int32_t ScreenHeight;
extern int32_t ScreenBPP;

void LoadScreenSettings();
void SaveScreenSettings();

void InitConfig();
void DoneConfig();
