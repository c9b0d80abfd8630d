// SoundLib: the sound library the program loads at run time. Exports every
// entry point of the list in fmodtypes.h under its plain name (decorated on
// 32-bit Windows); five of them play music, the rest do nothing.
//
// Owns: the audio output device, the loaded modules, the playing module.
// Uses: SDL2 audio for output, libopenmpt for tracker modules, PexPlatform for
// reading module files.
// FSOUND_Init opens the output; FSOUND_Close closes it and frees all modules.
#pragma once

#include "../src/sound/fmodtypes.h"

#ifdef _WIN32
#define SOUNDLIB_EXPORT __declspec(dllexport)
#else
#define SOUNDLIB_EXPORT __attribute__((visibility("default")))
#endif

// The name each entry point is defined under: its own, unless the library is
// linked into the program (SOUNDLIB_LINKED, the browser's build, which cannot
// load a library at run time), where the binding's pointers hold those names;
// the program then finds the functions through SoundLibLinkedSymbol.
#ifdef SOUNDLIB_LINKED
#define SOUNDLIB_NAME(Name) SoundLib_##Name
#else
#define SOUNDLIB_NAME(Name) Name
#endif

#define DECLARE_EXPORT(Ret, Name, Params, Bytes) \
    SOUNDLIB_EXPORT Ret F_API SOUNDLIB_NAME(Name) Params;
extern "C" {
FMOD_ENTRY_POINTS(DECLARE_EXPORT, DECLARE_EXPORT)
}
#undef DECLARE_EXPORT

// Result of an entry point that does nothing: 0, NULL or FALSE.
template <typename R>
R NoResult() {
    return R();
}
