// A stand-in for the sound library that exports every entry point and records
// the calls of the five that the program makes. Tests read the record through
// RecorderLog and RecorderLoadedSongs, looked up by name in the loaded library.
// Built with PEX_WITHOUT_SETMIXER it lacks FSOUND_SetMixer; FSOUND_Init
// returns the value of PEX_RECORDER_INIT_RESULT when that is set, else 1.
#ifdef PEX_WITHOUT_SETMIXER
// The entry is generated under another name, so the export is missing.
#define FSOUND_SetMixer FSOUND_SetMixer_Left_Out
#endif

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "SoundLib.h"

namespace {

struct TRecordedSong {
    std::string Path;
};

std::string Log;
std::vector<TRecordedSong*> Loaded;
std::string LoadedPaths;

void Record(const std::string& Call) {
    if (!Log.empty()) {
        Log += ' ';
    }
    Log += Call;
}

std::string SongName(FMUSIC_MODULE* Module) {
    if (Module == nullptr) {
        return "null";
    }
    for (TRecordedSong* Song : Loaded) {
        if (reinterpret_cast<FMUSIC_MODULE*>(Song) == Module) {
            return Song->Path;
        }
    }
    return "unknown";
}

}  // namespace

extern "C" {

SOUNDLIB_EXPORT const char* RecorderLog() {
    return Log.c_str();
}

// Paths of the modules loaded and not freed, separated by '|'.
SOUNDLIB_EXPORT const char* RecorderLoadedSongs() {
    LoadedPaths.clear();
    for (TRecordedSong* Song : Loaded) {
        LoadedPaths += (LoadedPaths.empty() ? "" : "|") + Song->Path;
    }
    return LoadedPaths.c_str();
}

signed char F_API FSOUND_Init(int MixRate, int MaxChannels, unsigned int Flags) {
    // snprintf, not std::to_string: that would make the library impossible to unload.
    char Call[64];
    std::snprintf(Call, sizeof(Call), "FSOUND_Init(%d,%d,%u)", MixRate, MaxChannels, Flags);
    Record(Call);
    const char* Result = std::getenv("PEX_RECORDER_INIT_RESULT");
    return Result != nullptr ? static_cast<signed char>(std::atoi(Result)) : 1;
}

// Like the real library, closing the output releases every module; the
// program never frees the last one itself.
void F_API FSOUND_Close() {
    Record("FSOUND_Close()");
    for (TRecordedSong* Song : Loaded) {
        delete Song;
    }
    Loaded.clear();
}

// Like the real library, a file that cannot be opened gives no module.
FMUSIC_MODULE* F_API FMUSIC_LoadSong(const char* Name) {
    Record(std::string("FMUSIC_LoadSong(") + Name + ")");
    FILE* File = std::fopen(Name, "rb");
    if (File == nullptr) {
        return nullptr;
    }
    std::fclose(File);
    Loaded.push_back(new TRecordedSong{Name});
    return reinterpret_cast<FMUSIC_MODULE*>(Loaded.back());
}

signed char F_API FMUSIC_FreeSong(FMUSIC_MODULE* Module) {
    Record("FMUSIC_FreeSong(" + SongName(Module) + ")");
    for (size_t I = 0; I < Loaded.size(); ++I) {
        if (reinterpret_cast<FMUSIC_MODULE*>(Loaded[I]) == Module) {
            delete Loaded[I];
            Loaded.erase(Loaded.begin() + static_cast<std::ptrdiff_t>(I));
            return 1;
        }
    }
    return 0;
}

signed char F_API FMUSIC_PlaySong(FMUSIC_MODULE* Module) {
    Record("FMUSIC_PlaySong(" + SongName(Module) + ")");
    return Module != nullptr ? 1 : 0;
}

#define DEFINE_NOTHING(Ret, Name, Params, Bytes) \
    Ret F_API Name Params {                      \
        return NoResult<Ret>();                  \
    }
#define RECORDED_ABOVE(Ret, Name, Params, Bytes)
FMOD_ENTRY_POINTS(DEFINE_NOTHING, RECORDED_ABOVE)

}  // extern "C"
