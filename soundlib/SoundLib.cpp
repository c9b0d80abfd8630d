#include "SoundLib.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "PexPlatform.h"
#ifdef __linux__
#include <dlfcn.h>
#endif

namespace {

struct TSong {
    openmpt_module* Module;
};

constexpr int32_t OutputChannels = 2;
constexpr uint16_t BufferFrames = 1024;  // about 23 ms at 44100 Hz
constexpr int32_t MinRate = 8000;
constexpr int32_t MaxRate = 192000;

// Main-thread state.
SDL_AudioDeviceID Device = 0;  // 0 while no output is open
bool AudioSubsystemStarted = false;
std::vector<TSong*> LoadedSongs;

// Shared with the audio thread. OutputRate is written only while no device is
// open; PlayingSong is swapped under the device lock, so once the swap has
// returned the callback can no longer be using the song it replaced.
int32_t OutputRate = 44100;
std::atomic<TSong*> PlayingSong{nullptr};

}  // namespace

// Runs on SDL's audio thread: renders the playing module, silence otherwise.
// Neither allocates nor takes a lock of its own.
static void SDLCALL MixAudio(void*, Uint8* Stream, int Length) {
    float* Out = reinterpret_cast<float*>(Stream);
    const size_t Frames = static_cast<size_t>(Length) / (sizeof(float) * OutputChannels);
    size_t Rendered = 0;
    TSong* Song = PlayingSong.load(std::memory_order_acquire);
    if (Song != nullptr) {
        Rendered =
            openmpt_module_read_interleaved_float_stereo(Song->Module, OutputRate, Frames, Out);
    }
    if (Rendered < Frames) {
        std::memset(Out + Rendered * OutputChannels, 0,
                    (Frames - Rendered) * OutputChannels * sizeof(float));
    }
}

static void LockOutput() {
    if (Device != 0) {
        SDL_LockAudioDevice(Device);
    }
}

static void UnlockOutput() {
    if (Device != 0) {
        SDL_UnlockAudioDevice(Device);
    }
}

static void SetPlayingSong(TSong* Song) {
    LockOutput();
    PlayingSong.store(Song, std::memory_order_release);
    UnlockOutput();
}

static TSong* FindSong(FMUSIC_MODULE* Handle) {
    TSong* Song = reinterpret_cast<TSong*>(Handle);
    if (Song == nullptr ||
        std::find(LoadedSongs.begin(), LoadedSongs.end(), Song) == LoadedSongs.end()) {
        return nullptr;
    }
    return Song;
}

static void DestroySong(TSong* Song) {
    if (PlayingSong.load() == Song) {
        SetPlayingSong(nullptr);
    }
    LoadedSongs.erase(std::remove(LoadedSongs.begin(), LoadedSongs.end(), Song), LoadedSongs.end());
    openmpt_module_destroy(Song->Module);
    delete Song;
}

// Closes the device (waiting for the audio thread to finish) and the SDL audio
// subsystem; the loaded modules stay.
static void CloseOutput() {
    if (Device != 0) {
        SDL_CloseAudioDevice(Device);
        Device = 0;
    }
    if (AudioSubsystemStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        AudioSubsystemStarted = false;
    }
}

// ALSA's library reports every failed step of a probe on standard error: on a
// machine without a sound card, opening the output prints about eight lines
// ("cannot find card '0'", "Unknown PCM default", ...). While this thread opens
// the output, ALSA's error handler for this thread keeps the first message
// instead, for the one line that says why sound is off.
//
// The handler is thread-local, so it catches only the probe made here, never
// what SDL's own threads report, and it is removed again before FSOUND_Init
// returns, so ALSA never calls into this library after it is unloaded. A
// redirection of file descriptor 2 would also silence other threads (and a
// crash report) for that time, and would lose the reason. libasound is found
// at run time: SDL may link it, load it itself, or do without it.
#ifdef __linux__
namespace {

using TAlsaLocalErrorHandler = void (*)(const char* File, int Line, const char* Function, int Error,
                                        const char* Format, va_list Arguments);
using TAlsaSetLocalErrorHandler = TAlsaLocalErrorHandler (*)(TAlsaLocalErrorHandler);

// A plain array: a thread_local with a destructor would keep the library
// from being unloaded.
thread_local char FirstAlsaMessage[256];

void KeepFirstAlsaMessage(const char*, int, const char*, int, const char* Format,
                          va_list Arguments) {
    if (FirstAlsaMessage[0] == '\0' && Format != nullptr) {
        std::vsnprintf(FirstAlsaMessage, sizeof(FirstAlsaMessage), Format, Arguments);
    }
}

class TQuietAlsa {
public:
    TQuietAlsa() {
        FirstAlsaMessage[0] = '\0';
        Library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
        if (Library != nullptr) {
            SetHandler = reinterpret_cast<TAlsaSetLocalErrorHandler>(
                dlsym(Library, "snd_lib_error_set_local"));
        }
        if (SetHandler != nullptr) {
            Previous = SetHandler(KeepFirstAlsaMessage);
        }
    }
    ~TQuietAlsa() {
        if (SetHandler != nullptr) {
            SetHandler(Previous);
        }
        if (Library != nullptr) {
            dlclose(Library);
        }
    }
    TQuietAlsa(const TQuietAlsa&) = delete;
    TQuietAlsa& operator=(const TQuietAlsa&) = delete;
    static std::string FirstMessage() { return FirstAlsaMessage; }

private:
    void* Library = nullptr;
    TAlsaSetLocalErrorHandler SetHandler = nullptr;
    TAlsaLocalErrorHandler Previous = nullptr;
};

}  // namespace
#else
namespace {
struct TQuietAlsa {
    static std::string FirstMessage() { return std::string(); }
};
}  // namespace
#endif

// The one line a failed start of the output leaves on standard error.
static void ReportSoundOff(const std::string& Reason) {
    std::string Line = "Sound is off: " + Reason;
    const std::string AlsaMessage = TQuietAlsa::FirstMessage();
    if (!AlsaMessage.empty() && Reason.find(AlsaMessage) == std::string::npos) {
        Line += " (ALSA: " + AlsaMessage + ")";
    }
    std::fprintf(stderr, "%s\n", Line.c_str());
    std::fflush(stderr);
}

// Opens the SDL audio subsystem and device; false, with SDL's reason in
// SDL_GetError(), when there is none to be had.
static bool OpenOutput(int32_t MixRate) {
    // SDL would otherwise catch SIGINT and SIGTERM for its event queue, which
    // the program never reads, and the process could no longer be stopped.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;  // no audio driver at all
    }
    AudioSubsystemStarted = true;
    OutputRate = MixRate;

    SDL_AudioSpec Wanted;
    SDL_zero(Wanted);
    Wanted.freq = MixRate;
    Wanted.format = AUDIO_F32SYS;
    Wanted.channels = OutputChannels;
    Wanted.samples = BufferFrames;
    Wanted.callback = MixAudio;
    SDL_AudioSpec Obtained;
    // No format changes allowed: SDL converts to the device's own format.
    Device = SDL_OpenAudioDevice(nullptr, 0, &Wanted, &Obtained, 0);
    return Device != 0;
}

extern "C" {

// On failure the program runs on silently; one line on standard error says so.
signed char F_API SOUNDLIB_NAME(FSOUND_Init)(int MixRate, int, unsigned int) {
    CloseOutput();
    if (MixRate < MinRate || MixRate > MaxRate) {
        // snprintf, not std::to_string: that would make the library impossible to unload.
        char Reason[96];
        std::snprintf(Reason, sizeof(Reason), "the mixing rate %d Hz is outside %d to %d Hz",
                      MixRate, MinRate, MaxRate);
        ReportSoundOff(Reason);
        return 0;
    }
    bool Opened;
    std::string Reason;
    {
        // Holds ALSA's messages while the output opens (nothing to hold on Windows).
        [[maybe_unused]] TQuietAlsa Quiet;
        Opened = OpenOutput(MixRate);
        if (!Opened) {
            Reason = SDL_GetError();
            CloseOutput();
            if (Reason.empty()) {
                Reason = "no audio output device";
            }
            ReportSoundOff(Reason);
        }
    }
    if (!Opened) {
        return 0;
    }
    SDL_PauseAudioDevice(Device, 0);
    return 1;
}

void F_API SOUNDLIB_NAME(FSOUND_Close)() {
    CloseOutput();
    PlayingSong.store(nullptr);
    while (!LoadedSongs.empty()) {
        DestroySong(LoadedSongs.back());
    }
}

FMUSIC_MODULE* F_API SOUNDLIB_NAME(FMUSIC_LoadSong)(const char* Name) {
    if (Name == nullptr) {
        return nullptr;
    }
    try {
        // The program's own whole-file reader: regular files only, never waiting
        // on a pipe or device, at most MaxWholeFileSize bytes.
        std::string Data;
        if (!PlatformReadFile(Name, Data) || Data.empty()) {
            return nullptr;
        }
        int Error = 0;
        openmpt_module* Module = openmpt_module_create_from_memory2(
            Data.data(), Data.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
            nullptr, &Error, nullptr, nullptr);
        if (Module == nullptr) {
            return nullptr;
        }
        openmpt_module_set_repeat_count(Module, -1);  // loop forever
        TSong* Song = new (std::nothrow) TSong{Module};
        if (Song == nullptr) {
            openmpt_module_destroy(Module);
            return nullptr;
        }
        LoadedSongs.push_back(Song);
        return reinterpret_cast<FMUSIC_MODULE*>(Song);
    } catch (...) {
        return nullptr;  // out of memory: no exception may leave the library
    }
}

signed char F_API SOUNDLIB_NAME(FMUSIC_FreeSong)(FMUSIC_MODULE* Module) {
    TSong* Song = FindSong(Module);
    if (Song == nullptr) {
        return 0;
    }
    DestroySong(Song);
    return 1;
}

signed char F_API SOUNDLIB_NAME(FMUSIC_PlaySong)(FMUSIC_MODULE* Module) {
    TSong* Song = FindSong(Module);
    if (Song == nullptr) {
        return 0;
    }
    // Rewinding touches the module, so the callback must not be rendering it.
    LockOutput();
    openmpt_module_set_position_order_row(Song->Module, 0, 0);
    PlayingSong.store(Song, std::memory_order_release);
    UnlockOutput();
    return 1;
}

// Every other entry point does nothing and returns 0, NULL or FALSE.
#define DEFINE_NOTHING(Ret, Name, Params, Bytes) \
    Ret F_API SOUNDLIB_NAME(Name) Params {       \
        return NoResult<Ret>();                  \
    }
#define IMPLEMENTED_ABOVE(Ret, Name, Params, Bytes)
FMOD_ENTRY_POINTS(DEFINE_NOTHING, IMPLEMENTED_ABOVE)
#undef DEFINE_NOTHING
#undef IMPLEMENTED_ABOVE

}  // extern "C"
