#include "SoundUnit.h"

#include "PexGL.h"
#include "fmoddyn.h"

void* CurrentSong = nullptr;

bool PlayMusic(const std::string& FileName) {
    if (SoundLibrary == nullptr) {
        return false;
    }
    // Music is optional: any failure only means no music, so nothing is reported.
    try {
        LoadSong(FileName);
        StartSong();
        return true;
    } catch (...) {
        return false;
    }
}

void LoadSong(const std::string& FileName) {
    if (CurrentSong != nullptr) {
        FMUSIC_FreeSong(static_cast<FMUSIC_MODULE*>(CurrentSong));  // also stops it
    }
    CurrentSong = nullptr;
    // A file the library cannot load leaves an empty handle: nothing plays.
    CurrentSong = FMUSIC_LoadSong(FileName.c_str());
}

void StartSong() {
    FMUSIC_PlaySong(static_cast<FMUSIC_MODULE*>(CurrentSong));
}

void InitSound() {
    CurrentSong = nullptr;
    const std::string LibraryPath = AppDir + SoundLibraryName;
    if (!LoadSoundLibrary(LibraryPath.c_str())) {
        return;  // no library: the program runs without music
    }
    if (!FSOUND_Init(44100, 32, 0)) {
        FSOUND_Close();
    }
}

void DoneSound() {
    if (SoundLibrary != nullptr) {
        FSOUND_Close();
    }
    // Closing the output releases every module the library still holds.
    CurrentSong = nullptr;
}
