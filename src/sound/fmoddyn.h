// fmoddyn: the sound library binding. Loads the library at run time, looks up
// every entry point by its exported name and keeps one procedure pointer per
// entry point (named after the function it calls) for the program to call.
//
// Owns: SoundLibrary, the procedure pointers, SavedFPUControlWord, SavedMXCSR.
// Uses: fmodtypes, PexPlatform (loading the library, the floating-point state).
// InitFmodDyn (initialisation) empties SoundLibrary, records the floating-point
// control word and masks every floating-point exception; DoneFmodDyn
// (finalisation) releases the library and restores the control word.
#pragma once

#include <cstdint>
#include <string>

#include "PexPlatform.h"
#include "fmodtypes.h"

// File name of the library ("fmod.dll" on Windows); also the name used in the
// missing-entry message.
inline const std::string SoundLibraryName =
    std::string(PlatformLibraryPrefix) + "fmod" + PlatformLibraryExtension;

// Module handle of the loaded library; empty when none is loaded.
extern void* SoundLibrary;

// Floating-point state recorded at unit start: the x87 control word and the
// SSE control and status register (x86 and x86-64 only).
extern uint16_t SavedFPUControlWord;
extern uint32_t SavedMXCSR;

// One procedure pointer per entry point, empty until resolved.
#define DECLARE_ENTRY_POINT(Ret, Name, Params, Bytes) \
    using T##Name = Ret(F_API*) Params;               \
    extern T##Name Name;
FMOD_ENTRY_POINTS(DECLARE_ENTRY_POINT, DECLARE_ENTRY_POINT)
#undef DECLARE_ENTRY_POINT

// Loads the library (SoundLibraryName when Path is empty) and resolves every
// entry point. False, with nothing raised, when the library cannot be loaded;
// a missing entry point raises an error that ends the load at that name.
bool LoadSoundLibrary(const char* Path = nullptr);

// Releases the library, if one is loaded, and empties the procedure pointers.
void UnloadSoundLibrary();

// Address of the exported Name in Module; raises "Failed to find <name> in
// <library>" when it is missing.
void* ResolveEntryPoint(void* Module, const char* Name);

void InitFmodDyn();
void DoneFmodDyn();
