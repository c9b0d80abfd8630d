// SplashUnit: the splash screen, the first screen after start-up.
//
// Owns: nothing beyond its five state procedures.
// Uses: PexGL (keys, drawing), StateUnit, VarsUnit (SplashTexture, MusicDir),
// SoundUnit (PlayMusic).
// InitSplash fills the splash row of the state table; no finalisation.
#pragma once

// Starts the title music; a missing module or sound library is ignored.
void SplashEnter();
void SplashLeave();
// Escape leads to the menu.
void SplashUpdate();
void SplashStep();
// The 640 x 480 picture at the top-left of the 1024 x 512 splash image.
void SplashDraw();

void InitSplash();
