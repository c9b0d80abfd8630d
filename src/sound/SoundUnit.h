// SoundUnit: plays one music module at a time.
//
// Owns: CurrentSong.
// Uses: PexGL (AppDir), fmoddyn.
// InitSound (initialisation) loads the sound library from AppDir and starts sound
// output; DoneSound (finalisation) closes it.
#pragma once

#include <string>

extern void* CurrentSong;

bool PlayMusic(const std::string& FileName);
void LoadSong(const std::string& FileName);
void StartSong();
void InitSound();
void DoneSound();
