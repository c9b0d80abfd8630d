// fmodtypes: the constants and types of the sound library's programming
// interface (version 3), and the one list of its entry points with their
// signatures, from which the binding and the library itself are generated.
//
// Owns: nothing (constants, types and the entry-point list only).
// Uses: nothing.
// Initialisation and finalisation: none.
#pragma once

#include <cstdint>

// The library uses the Windows standard calling convention on 32-bit Windows,
// where its exports carry the decoration "_Name@bytes", and the platform's C
// convention with plain export names everywhere else.
#if defined(_WIN32) && !defined(_WIN64)
#define F_API __stdcall
#define F_EXPORT_NAME(Name, Bytes) "_" #Name "@" #Bytes
#else
#define F_API
#define F_EXPORT_NAME(Name, Bytes) #Name
#endif

// ---- Handles (opaque to the caller) ------------------------------------------

struct FSOUND_SAMPLE;
struct FSOUND_STREAM;
struct FSOUND_DSPUNIT;
struct FSOUND_SYNCPOINT;
struct FMUSIC_MODULE;

// ---- Callbacks ----------------------------------------------------------------

using FSOUND_OPENCALLBACK = void*(F_API*)(const char* Name);
using FSOUND_CLOSECALLBACK = void(F_API*)(void* Handle);
using FSOUND_READCALLBACK = int(F_API*)(void* Buffer, int Size, void* Handle);
using FSOUND_SEEKCALLBACK = int(F_API*)(void* Handle, int Pos, signed char Mode);
using FSOUND_TELLCALLBACK = int(F_API*)(void* Handle);
using FSOUND_ALLOCCALLBACK = void*(F_API*)(unsigned int Size);
using FSOUND_REALLOCCALLBACK = void*(F_API*)(void* Ptr, unsigned int Size);
using FSOUND_FREECALLBACK = void(F_API*)(void* Ptr);
using FSOUND_DSPCALLBACK = void*(F_API*)(void* OriginalBuffer, void* NewBuffer, int Length,
                                         void* UserData);
using FSOUND_STREAMCALLBACK = signed char(F_API*)(FSOUND_STREAM* Stream, void* Buffer, int Length,
                                                  void* UserData);
using FSOUND_METADATACALLBACK = signed char(F_API*)(char* Name, char* Value, void* UserData);
using FMUSIC_CALLBACK = void(F_API*)(FMUSIC_MODULE* Module, unsigned char Param);

// ---- Reverb properties ----------------------------------------------------------

struct FSOUND_REVERB_PROPERTIES {
    unsigned int Environment;
    float EnvSize;
    float EnvDiffusion;
    int Room;
    int RoomHF;
    int RoomLF;
    float DecayTime;
    float DecayHFRatio;
    float DecayLFRatio;
    int Reflections;
    float ReflectionsDelay;
    float ReflectionsPan[3];
    int Reverb;
    float ReverbDelay;
    float ReverbPan[3];
    float EchoTime;
    float EchoDepth;
    float ModulationTime;
    float ModulationDepth;
    float AirAbsorptionHF;
    float HFReference;
    float LFReference;
    float RoomRolloffFactor;
    float Diffusion;
    float Density;
    unsigned int Flags;
};

struct FSOUND_REVERB_CHANNELPROPERTIES {
    int Direct;
    int DirectHF;
    int Room;
    int RoomHF;
    int Obstruction;
    float ObstructionLFRatio;
    int Occlusion;
    float OcclusionLFRatio;
    float OcclusionRoomRatio;
    float OcclusionDirectRatio;
    int Exclusion;
    float ExclusionLFRatio;
    int OutsideVolumeHF;
    float DopplerFactor;
    float RolloffFactor;
    float RoomRolloffFactor;
    float AirAbsorptionFactor;
    int Flags;
};

// ---- Constants --------------------------------------------------------------------

// Error codes (FSOUND_GetError).
constexpr int32_t FMOD_ERR_NONE = 0;
constexpr int32_t FMOD_ERR_BUSY = 1;
constexpr int32_t FMOD_ERR_UNINITIALIZED = 2;
constexpr int32_t FMOD_ERR_INIT = 3;
constexpr int32_t FMOD_ERR_ALLOCATED = 4;
constexpr int32_t FMOD_ERR_PLAY = 5;
constexpr int32_t FMOD_ERR_OUTPUT_FORMAT = 6;
constexpr int32_t FMOD_ERR_COOPERATIVELEVEL = 7;
constexpr int32_t FMOD_ERR_CREATEBUFFER = 8;
constexpr int32_t FMOD_ERR_FILE_NOTFOUND = 9;
constexpr int32_t FMOD_ERR_FILE_FORMAT = 10;
constexpr int32_t FMOD_ERR_FILE_BAD = 11;
constexpr int32_t FMOD_ERR_MEMORY = 12;
constexpr int32_t FMOD_ERR_VERSION = 13;
constexpr int32_t FMOD_ERR_INVALID_PARAM = 14;
constexpr int32_t FMOD_ERR_NO_EAX = 15;
constexpr int32_t FMOD_ERR_CHANNEL_ALLOC = 17;
constexpr int32_t FMOD_ERR_RECORD = 18;
constexpr int32_t FMOD_ERR_MEDIAPLAYER = 19;
constexpr int32_t FMOD_ERR_CDDEVICE = 20;

// Output types (FSOUND_SetOutput).
constexpr int32_t FSOUND_OUTPUT_NOSOUND = 0;
constexpr int32_t FSOUND_OUTPUT_WINMM = 1;
constexpr int32_t FSOUND_OUTPUT_DSOUND = 2;
constexpr int32_t FSOUND_OUTPUT_A3D = 3;
constexpr int32_t FSOUND_OUTPUT_OSS = 4;
constexpr int32_t FSOUND_OUTPUT_ESD = 5;
constexpr int32_t FSOUND_OUTPUT_ALSA = 6;
constexpr int32_t FSOUND_OUTPUT_ASIO = 7;
constexpr int32_t FSOUND_OUTPUT_XBOX = 8;
constexpr int32_t FSOUND_OUTPUT_PS2 = 9;
constexpr int32_t FSOUND_OUTPUT_MAC = 10;
constexpr int32_t FSOUND_OUTPUT_GC = 11;
constexpr int32_t FSOUND_OUTPUT_NOSOUND_NONREALTIME = 12;

// Mixer types (FSOUND_SetMixer).
constexpr int32_t FSOUND_MIXER_AUTODETECT = 0;
constexpr int32_t FSOUND_MIXER_BLENDMODE = 1;
constexpr int32_t FSOUND_MIXER_MMXP5 = 2;
constexpr int32_t FSOUND_MIXER_MMXP6 = 3;
constexpr int32_t FSOUND_MIXER_QUALITY_AUTODETECT = 4;
constexpr int32_t FSOUND_MIXER_QUALITY_FPU = 5;
constexpr int32_t FSOUND_MIXER_QUALITY_MMXP5 = 6;
constexpr int32_t FSOUND_MIXER_QUALITY_MMXP6 = 7;

// Music module types (FMUSIC_GetType).
constexpr int32_t FMUSIC_TYPE_NONE = 0;
constexpr int32_t FMUSIC_TYPE_MOD = 1;
constexpr int32_t FMUSIC_TYPE_S3M = 2;
constexpr int32_t FMUSIC_TYPE_XM = 3;
constexpr int32_t FMUSIC_TYPE_IT = 4;
constexpr int32_t FMUSIC_TYPE_MIDI = 5;
constexpr int32_t FMUSIC_TYPE_FSB = 6;

// Sample and stream modes (bit flags).
constexpr uint32_t FSOUND_LOOP_OFF = 0x00000001u;
constexpr uint32_t FSOUND_LOOP_NORMAL = 0x00000002u;
constexpr uint32_t FSOUND_LOOP_BIDI = 0x00000004u;
constexpr uint32_t FSOUND_8BITS = 0x00000008u;
constexpr uint32_t FSOUND_16BITS = 0x00000010u;
constexpr uint32_t FSOUND_MONO = 0x00000020u;
constexpr uint32_t FSOUND_STEREO = 0x00000040u;
constexpr uint32_t FSOUND_UNSIGNED = 0x00000080u;
constexpr uint32_t FSOUND_SIGNED = 0x00000100u;
constexpr uint32_t FSOUND_MPEG = 0x00000200u;
constexpr uint32_t FSOUND_HW3D = 0x00001000u;
constexpr uint32_t FSOUND_2D = 0x00002000u;
constexpr uint32_t FSOUND_STREAMABLE = 0x00004000u;
constexpr uint32_t FSOUND_LOADMEMORY = 0x00008000u;
constexpr uint32_t FSOUND_LOADRAW = 0x00010000u;
constexpr uint32_t FSOUND_MPEGACCURATE = 0x00020000u;
constexpr uint32_t FSOUND_FORCEMONO = 0x00040000u;
constexpr uint32_t FSOUND_HW2D = 0x00080000u;
constexpr uint32_t FSOUND_ENABLEFX = 0x00100000u;
constexpr uint32_t FSOUND_MPEGHALFRATE = 0x00200000u;
constexpr uint32_t FSOUND_NONBLOCKING = 0x01000000u;
constexpr uint32_t FSOUND_NORMAL = FSOUND_16BITS | FSOUND_SIGNED | FSOUND_MONO;

// Initialisation flags (FSOUND_Init).
constexpr uint32_t FSOUND_INIT_USEDEFAULTMIDISYNTH = 0x0001u;
constexpr uint32_t FSOUND_INIT_GLOBALFOCUS = 0x0002u;
constexpr uint32_t FSOUND_INIT_ENABLESYSTEMCHANNELFX = 0x0004u;
constexpr uint32_t FSOUND_INIT_ACCURATEVULEVELS = 0x0008u;
constexpr uint32_t FSOUND_INIT_PS2_DISABLECORE0REVERB = 0x0010u;
constexpr uint32_t FSOUND_INIT_PS2_DISABLECORE1REVERB = 0x0020u;
constexpr uint32_t FSOUND_INIT_PS2_SWAPDMACORES = 0x0040u;
constexpr uint32_t FSOUND_INIT_DONTLATENCYADJUST = 0x0080u;
constexpr uint32_t FSOUND_INIT_GC_INITLIBS = 0x0100u;
constexpr uint32_t FSOUND_INIT_STREAM_FROM_MAIN_THREAD = 0x0200u;
constexpr uint32_t FSOUND_INIT_PS2_USEVOLUMERAMPING = 0x0400u;
constexpr uint32_t FSOUND_INIT_DSOUND_DEFERRED = 0x0800u;
constexpr uint32_t FSOUND_INIT_DSOUND_HRTF_LIGHT = 0x1000u;
constexpr uint32_t FSOUND_INIT_DSOUND_HRTF_FULL = 0x2000u;
constexpr uint32_t FSOUND_INIT_XBOX_REMOVEHEADROOM = 0x4000u;
constexpr uint32_t FSOUND_INIT_PSP_SILENCEONUNDERRUN = 0x8000u;

// Speaker modes (FSOUND_SetSpeakerMode).
constexpr uint32_t FSOUND_SPEAKERMODE_DOLBYDIGITAL = 0;
constexpr uint32_t FSOUND_SPEAKERMODE_HEADPHONES = 1;
constexpr uint32_t FSOUND_SPEAKERMODE_MONO = 2;
constexpr uint32_t FSOUND_SPEAKERMODE_QUAD = 3;
constexpr uint32_t FSOUND_SPEAKERMODE_STEREO = 4;
constexpr uint32_t FSOUND_SPEAKERMODE_SURROUND = 5;

// Channel numbers and volumes.
constexpr int32_t FSOUND_FREE = -1;
constexpr int32_t FSOUND_UNMANAGED = -2;
constexpr int32_t FSOUND_ALL = -3;
constexpr int32_t FSOUND_STEREOPAN = -1;
constexpr int32_t FSOUND_SYSTEMCHANNEL = -1000;
constexpr int32_t FSOUND_SYSTEMSAMPLE = -1000;

// Sound effects (FSOUND_FX_Enable).
constexpr uint32_t FSOUND_FX_CHORUS = 0;
constexpr uint32_t FSOUND_FX_COMPRESSOR = 1;
constexpr uint32_t FSOUND_FX_DISTORTION = 2;
constexpr uint32_t FSOUND_FX_ECHO = 3;
constexpr uint32_t FSOUND_FX_FLANGER = 4;
constexpr uint32_t FSOUND_FX_GARGLE = 5;
constexpr uint32_t FSOUND_FX_I3DL2REVERB = 6;
constexpr uint32_t FSOUND_FX_PARAMEQ = 7;
constexpr uint32_t FSOUND_FX_WAVES_REVERB = 8;

// CD play modes (FSOUND_CD_SetPlayMode).
constexpr int32_t FSOUND_CD_PLAYCONTINUOUS = 0;
constexpr int32_t FSOUND_CD_PLAYONCE = 1;
constexpr int32_t FSOUND_CD_PLAYLOOPED = 2;
constexpr int32_t FSOUND_CD_PLAYRANDOM = 3;

// Driver capabilities (FSOUND_GetDriverCaps).
constexpr uint32_t FSOUND_CAPS_HARDWARE = 0x1u;
constexpr uint32_t FSOUND_CAPS_EAX2 = 0x2u;
constexpr uint32_t FSOUND_CAPS_EAX3 = 0x10u;

// Priority of the built-in DSP units.
constexpr int32_t FSOUND_DSP_DEFAULTPRIORITY_CLEARUNIT = 0;
constexpr int32_t FSOUND_DSP_DEFAULTPRIORITY_SFXUNIT = 100;
constexpr int32_t FSOUND_DSP_DEFAULTPRIORITY_MUSICUNIT = 200;
constexpr int32_t FSOUND_DSP_DEFAULTPRIORITY_USER = 300;
constexpr int32_t FSOUND_DSP_DEFAULTPRIORITY_FFTUNIT = 900;
constexpr int32_t FSOUND_DSP_DEFAULTPRIORITY_CLIPANDCOPYUNIT = 1000;

// Stream tag field types (FSOUND_Stream_GetTagField).
constexpr int32_t FSOUND_TAGFIELD_VORBISCOMMENT = 0;
constexpr int32_t FSOUND_TAGFIELD_ID3V1 = 1;
constexpr int32_t FSOUND_TAGFIELD_ID3V2 = 2;
constexpr int32_t FSOUND_TAGFIELD_SHOUTCAST = 3;
constexpr int32_t FSOUND_TAGFIELD_ICECAST = 4;
constexpr int32_t FSOUND_TAGFIELD_ASF = 5;

// Net stream status (FSOUND_Stream_Net_GetStatus).
constexpr int32_t FSOUND_STREAM_NET_NOTCONNECTED = 0;
constexpr int32_t FSOUND_STREAM_NET_CONNECTING = 1;
constexpr int32_t FSOUND_STREAM_NET_BUFFERING = 2;
constexpr int32_t FSOUND_STREAM_NET_READY = 3;
constexpr int32_t FSOUND_STREAM_NET_ERROR = 4;

// ---- Entry points ---------------------------------------------------------------
//
// Every exported function in the order the binding resolves them, grouped as
// the library groups them (output set-up and initialisation, information
// queries, samples, channels, effects, update, 3D sound, streams, net streams,
// CD audio, DSP units, reverb, recording, file callbacks, music modules).
// Columns: result type, name, argument types, argument bytes on 32-bit Windows
// (the "@n" of the decorated export there). CALLED marks the five entry points
// the program calls; ENTRY the others. Boolean results are 8-bit (signed char)
// and 8-bit arguments travel in 4-byte slots.
#define FMOD_ENTRY_POINTS(ENTRY, CALLED)                                                          \
    ENTRY(signed char, FSOUND_SetOutput, (int), 4)                                                \
    ENTRY(signed char, FSOUND_SetDriver, (int), 4)                                                \
    ENTRY(signed char, FSOUND_SetMixer, (int), 4)                                                 \
    ENTRY(signed char, FSOUND_SetBufferSize, (int), 4)                                            \
    ENTRY(signed char, FSOUND_SetHWND, (void*), 4)                                                \
    ENTRY(signed char, FSOUND_SetMinHardwareChannels, (int), 4)                                   \
    ENTRY(signed char, FSOUND_SetMaxHardwareChannels, (int), 4)                                   \
    ENTRY(signed char, FSOUND_SetMemorySystem,                                                    \
          (void*, int, FSOUND_ALLOCCALLBACK, FSOUND_REALLOCCALLBACK, FSOUND_FREECALLBACK), 20)    \
    CALLED(signed char, FSOUND_Init, (int, int, unsigned int), 12)                                \
    CALLED(void, FSOUND_Close, (), 0)                                                             \
    ENTRY(void, FSOUND_SetSFXMasterVolume, (int), 4)                                              \
    ENTRY(void, FSOUND_SetPanSeperation, (float), 4)                                              \
    ENTRY(void, FSOUND_SetSpeakerMode, (unsigned int), 4)                                         \
    ENTRY(int, FSOUND_GetError, (), 0)                                                            \
    ENTRY(float, FSOUND_GetVersion, (), 0)                                                        \
    ENTRY(int, FSOUND_GetOutput, (), 0)                                                           \
    ENTRY(void*, FSOUND_GetOutputHandle, (), 0)                                                   \
    ENTRY(int, FSOUND_GetDriver, (), 0)                                                           \
    ENTRY(int, FSOUND_GetMixer, (), 0)                                                            \
    ENTRY(int, FSOUND_GetNumDrivers, (), 0)                                                       \
    ENTRY(const char*, FSOUND_GetDriverName, (int), 4)                                            \
    ENTRY(signed char, FSOUND_GetDriverCaps, (int, unsigned int*), 8)                             \
    ENTRY(int, FSOUND_GetOutputRate, (), 0)                                                       \
    ENTRY(int, FSOUND_GetMaxChannels, (), 0)                                                      \
    ENTRY(int, FSOUND_GetMaxSamples, (), 0)                                                       \
    ENTRY(int, FSOUND_GetSFXMasterVolume, (), 0)                                                  \
    ENTRY(int, FSOUND_GetNumHardwareChannels, (), 0)                                              \
    ENTRY(int, FSOUND_GetChannelsPlaying, (), 0)                                                  \
    ENTRY(float, FSOUND_GetCPUUsage, (), 0)                                                       \
    ENTRY(void, FSOUND_GetMemoryStats, (unsigned int*, unsigned int*), 8)                         \
    ENTRY(FSOUND_SAMPLE*, FSOUND_Sample_Load, (int, const char*, unsigned int, int, int), 20)     \
    ENTRY(FSOUND_SAMPLE*, FSOUND_Sample_Alloc, (int, int, unsigned int, int, int, int, int), 28)  \
    ENTRY(void, FSOUND_Sample_Free, (FSOUND_SAMPLE*), 4)                                          \
    ENTRY(signed char, FSOUND_Sample_Upload, (FSOUND_SAMPLE*, void*, unsigned int), 12)           \
    ENTRY(signed char, FSOUND_Sample_Lock,                                                        \
          (FSOUND_SAMPLE*, int, int, void**, void**, unsigned int*, unsigned int*), 28)           \
    ENTRY(signed char, FSOUND_Sample_Unlock,                                                      \
          (FSOUND_SAMPLE*, void*, void*, unsigned int, unsigned int), 20)                         \
    ENTRY(signed char, FSOUND_Sample_SetMode, (FSOUND_SAMPLE*, unsigned int), 8)                  \
    ENTRY(signed char, FSOUND_Sample_SetLoopPoints, (FSOUND_SAMPLE*, int, int), 12)               \
    ENTRY(signed char, FSOUND_Sample_SetDefaults, (FSOUND_SAMPLE*, int, int, int, int), 20)       \
    ENTRY(signed char, FSOUND_Sample_SetMinMaxDistance, (FSOUND_SAMPLE*, float, float), 12)       \
    ENTRY(signed char, FSOUND_Sample_SetMaxPlaybacks, (FSOUND_SAMPLE*, int), 8)                   \
    ENTRY(FSOUND_SAMPLE*, FSOUND_Sample_Get, (int), 4)                                            \
    ENTRY(const char*, FSOUND_Sample_GetName, (FSOUND_SAMPLE*), 4)                                \
    ENTRY(unsigned int, FSOUND_Sample_GetLength, (FSOUND_SAMPLE*), 4)                             \
    ENTRY(signed char, FSOUND_Sample_GetLoopPoints, (FSOUND_SAMPLE*, int*, int*), 12)             \
    ENTRY(signed char, FSOUND_Sample_GetDefaults, (FSOUND_SAMPLE*, int*, int*, int*, int*), 20)   \
    ENTRY(unsigned int, FSOUND_Sample_GetMode, (FSOUND_SAMPLE*), 4)                               \
    ENTRY(int, FSOUND_PlaySound, (int, FSOUND_SAMPLE*), 8)                                        \
    ENTRY(int, FSOUND_PlaySoundEx, (int, FSOUND_SAMPLE*, FSOUND_DSPUNIT*, signed char), 16)       \
    ENTRY(signed char, FSOUND_StopSound, (int), 4)                                                \
    ENTRY(signed char, FSOUND_SetFrequency, (int, int), 8)                                        \
    ENTRY(signed char, FSOUND_SetVolume, (int, int), 8)                                           \
    ENTRY(signed char, FSOUND_SetVolumeAbsolute, (int, int), 8)                                   \
    ENTRY(signed char, FSOUND_SetPan, (int, int), 8)                                              \
    ENTRY(signed char, FSOUND_SetSurround, (int, signed char), 8)                                 \
    ENTRY(signed char, FSOUND_SetMute, (int, signed char), 8)                                     \
    ENTRY(signed char, FSOUND_SetPriority, (int, int), 8)                                         \
    ENTRY(signed char, FSOUND_SetReserved, (int, signed char), 8)                                 \
    ENTRY(signed char, FSOUND_SetPaused, (int, signed char), 8)                                   \
    ENTRY(signed char, FSOUND_SetLoopMode, (int, unsigned int), 8)                                \
    ENTRY(signed char, FSOUND_IsPlaying, (int), 4)                                                \
    ENTRY(int, FSOUND_GetFrequency, (int), 4)                                                     \
    ENTRY(int, FSOUND_GetVolume, (int), 4)                                                        \
    ENTRY(int, FSOUND_GetPan, (int), 4)                                                           \
    ENTRY(signed char, FSOUND_GetSurround, (int), 4)                                              \
    ENTRY(signed char, FSOUND_GetMute, (int), 4)                                                  \
    ENTRY(int, FSOUND_GetPriority, (int), 4)                                                      \
    ENTRY(signed char, FSOUND_GetReserved, (int), 4)                                              \
    ENTRY(signed char, FSOUND_GetPaused, (int), 4)                                                \
    ENTRY(unsigned int, FSOUND_GetLoopMode, (int), 4)                                             \
    ENTRY(unsigned int, FSOUND_GetCurrentPosition, (int), 4)                                      \
    ENTRY(signed char, FSOUND_SetCurrentPosition, (int, unsigned int), 8)                         \
    ENTRY(FSOUND_SAMPLE*, FSOUND_GetCurrentSample, (int), 4)                                      \
    ENTRY(signed char, FSOUND_GetCurrentLevels, (int, float*, float*), 12)                        \
    ENTRY(int, FSOUND_FX_Enable, (int, unsigned int), 8)                                          \
    ENTRY(signed char, FSOUND_FX_SetChorus, (int, float, float, float, float, int, float, int),   \
          32)                                                                                     \
    ENTRY(signed char, FSOUND_FX_SetCompressor, (int, float, float, float, float, float, float),  \
          28)                                                                                     \
    ENTRY(signed char, FSOUND_FX_SetDistortion, (int, float, float, float, float, float), 24)     \
    ENTRY(signed char, FSOUND_FX_SetEcho, (int, float, float, float, float, int), 24)             \
    ENTRY(signed char, FSOUND_FX_SetFlanger, (int, float, float, float, float, int, float, int),  \
          32)                                                                                     \
    ENTRY(signed char, FSOUND_FX_SetGargle, (int, int, int), 12)                                  \
    ENTRY(signed char, FSOUND_FX_SetI3DL2Reverb,                                                  \
          (int, int, int, float, float, float, int, float, int, float, float, float, float), 52)  \
    ENTRY(signed char, FSOUND_FX_SetParamEQ, (int, float, float, float), 16)                      \
    ENTRY(signed char, FSOUND_FX_SetWavesReverb, (int, float, float, float, float), 20)           \
    ENTRY(void, FSOUND_Update, (), 0)                                                             \
    ENTRY(signed char, FSOUND_3D_SetAttributes, (int, const float*, const float*), 12)            \
    ENTRY(signed char, FSOUND_3D_GetAttributes, (int, float*, float*), 12)                        \
    ENTRY(void, FSOUND_3D_Listener_SetCurrent, (int, int), 8)                                     \
    ENTRY(void, FSOUND_3D_Listener_SetAttributes,                                                 \
          (const float*, const float*, float, float, float, float, float, float), 32)             \
    ENTRY(void, FSOUND_3D_Listener_GetAttributes,                                                 \
          (float*, float*, float*, float*, float*, float*, float*, float*), 32)                   \
    ENTRY(void, FSOUND_3D_SetDopplerFactor, (float), 4)                                           \
    ENTRY(void, FSOUND_3D_SetDistanceFactor, (float), 4)                                          \
    ENTRY(void, FSOUND_3D_SetRolloffFactor, (float), 4)                                           \
    ENTRY(FSOUND_STREAM*, FSOUND_Stream_Open, (const char*, unsigned int, int, int), 16)          \
    ENTRY(FSOUND_STREAM*, FSOUND_Stream_Create,                                                   \
          (FSOUND_STREAMCALLBACK, int, unsigned int, int, void*), 20)                             \
    ENTRY(signed char, FSOUND_Stream_Close, (FSOUND_STREAM*), 4)                                  \
    ENTRY(int, FSOUND_Stream_Play, (int, FSOUND_STREAM*), 8)                                      \
    ENTRY(int, FSOUND_Stream_PlayEx, (int, FSOUND_STREAM*, FSOUND_DSPUNIT*, signed char), 16)     \
    ENTRY(signed char, FSOUND_Stream_Stop, (FSOUND_STREAM*), 4)                                   \
    ENTRY(signed char, FSOUND_Stream_SetEndCallback,                                              \
          (FSOUND_STREAM*, FSOUND_STREAMCALLBACK, void*), 12)                                     \
    ENTRY(signed char, FSOUND_Stream_SetSyncCallback,                                             \
          (FSOUND_STREAM*, FSOUND_STREAMCALLBACK, void*), 12)                                     \
    ENTRY(FSOUND_SAMPLE*, FSOUND_Stream_GetSample, (FSOUND_STREAM*), 4)                           \
    ENTRY(FSOUND_DSPUNIT*, FSOUND_Stream_CreateDSP,                                               \
          (FSOUND_STREAM*, FSOUND_DSPCALLBACK, int, void*), 16)                                   \
    ENTRY(signed char, FSOUND_Stream_SetBufferSize, (int), 4)                                     \
    ENTRY(signed char, FSOUND_Stream_SetPosition, (FSOUND_STREAM*, unsigned int), 8)              \
    ENTRY(unsigned int, FSOUND_Stream_GetPosition, (FSOUND_STREAM*), 4)                           \
    ENTRY(signed char, FSOUND_Stream_SetTime, (FSOUND_STREAM*, int), 8)                           \
    ENTRY(int, FSOUND_Stream_GetTime, (FSOUND_STREAM*), 4)                                        \
    ENTRY(int, FSOUND_Stream_GetLength, (FSOUND_STREAM*), 4)                                      \
    ENTRY(int, FSOUND_Stream_GetLengthMs, (FSOUND_STREAM*), 4)                                    \
    ENTRY(signed char, FSOUND_Stream_SetMode, (FSOUND_STREAM*, unsigned int), 8)                  \
    ENTRY(unsigned int, FSOUND_Stream_GetMode, (FSOUND_STREAM*), 4)                               \
    ENTRY(signed char, FSOUND_Stream_SetLoopPoints, (FSOUND_STREAM*, unsigned int, unsigned int), \
          12)                                                                                     \
    ENTRY(signed char, FSOUND_Stream_SetLoopCount, (FSOUND_STREAM*, int), 8)                      \
    ENTRY(int, FSOUND_Stream_GetOpenState, (FSOUND_STREAM*), 4)                                   \
    ENTRY(FSOUND_SYNCPOINT*, FSOUND_Stream_AddSyncPoint,                                          \
          (FSOUND_STREAM*, unsigned int, const char*), 12)                                        \
    ENTRY(signed char, FSOUND_Stream_DeleteSyncPoint, (FSOUND_SYNCPOINT*), 4)                     \
    ENTRY(int, FSOUND_Stream_GetNumSyncPoints, (FSOUND_STREAM*), 4)                               \
    ENTRY(FSOUND_SYNCPOINT*, FSOUND_Stream_GetSyncPoint, (FSOUND_STREAM*, int), 8)                \
    ENTRY(char*, FSOUND_Stream_GetSyncPointInfo, (FSOUND_SYNCPOINT*, unsigned int*), 8)           \
    ENTRY(signed char, FSOUND_Stream_SetSubStream, (FSOUND_STREAM*, int), 8)                      \
    ENTRY(int, FSOUND_Stream_GetNumSubStreams, (FSOUND_STREAM*), 4)                               \
    ENTRY(signed char, FSOUND_Stream_SetSubStreamSentence, (FSOUND_STREAM*, const int*, int), 12) \
    ENTRY(signed char, FSOUND_Stream_GetNumTagFields, (FSOUND_STREAM*, int*), 8)                  \
    ENTRY(signed char, FSOUND_Stream_GetTagField,                                                 \
          (FSOUND_STREAM*, int, int*, char**, void**, int*), 24)                                  \
    ENTRY(signed char, FSOUND_Stream_FindTagField,                                                \
          (FSOUND_STREAM*, int, const char*, void**, int*), 20)                                   \
    ENTRY(signed char, FSOUND_Stream_Net_SetProxy, (const char*), 4)                              \
    ENTRY(char*, FSOUND_Stream_Net_GetLastServerStatus, (), 0)                                    \
    ENTRY(signed char, FSOUND_Stream_Net_SetBufferProperties, (int, int, int), 12)                \
    ENTRY(signed char, FSOUND_Stream_Net_GetBufferProperties, (int*, int*, int*), 12)             \
    ENTRY(signed char, FSOUND_Stream_Net_SetMetadataCallback,                                     \
          (FSOUND_STREAM*, FSOUND_METADATACALLBACK, void*), 12)                                   \
    ENTRY(signed char, FSOUND_Stream_Net_GetStatus,                                               \
          (FSOUND_STREAM*, int*, int*, int*, unsigned int*), 20)                                  \
    ENTRY(signed char, FSOUND_CD_Play, (char, int), 8)                                            \
    ENTRY(void, FSOUND_CD_SetPlayMode, (char, signed char), 8)                                    \
    ENTRY(signed char, FSOUND_CD_Stop, (char), 4)                                                 \
    ENTRY(signed char, FSOUND_CD_SetPaused, (char, signed char), 8)                               \
    ENTRY(signed char, FSOUND_CD_SetVolume, (char, int), 8)                                       \
    ENTRY(signed char, FSOUND_CD_SetTrackTime, (char, unsigned int), 8)                           \
    ENTRY(signed char, FSOUND_CD_Eject, (char), 4)                                                \
    ENTRY(signed char, FSOUND_CD_GetPaused, (char), 4)                                            \
    ENTRY(int, FSOUND_CD_GetTrack, (char), 4)                                                     \
    ENTRY(int, FSOUND_CD_GetNumTracks, (char), 4)                                                 \
    ENTRY(int, FSOUND_CD_GetVolume, (char), 4)                                                    \
    ENTRY(int, FSOUND_CD_GetTrackLength, (char, int), 8)                                          \
    ENTRY(int, FSOUND_CD_GetTrackTime, (char), 4)                                                 \
    ENTRY(FSOUND_DSPUNIT*, FSOUND_DSP_Create, (FSOUND_DSPCALLBACK, int, void*), 12)               \
    ENTRY(void, FSOUND_DSP_Free, (FSOUND_DSPUNIT*), 4)                                            \
    ENTRY(void, FSOUND_DSP_SetPriority, (FSOUND_DSPUNIT*, int), 8)                                \
    ENTRY(int, FSOUND_DSP_GetPriority, (FSOUND_DSPUNIT*), 4)                                      \
    ENTRY(void, FSOUND_DSP_SetActive, (FSOUND_DSPUNIT*, signed char), 8)                          \
    ENTRY(signed char, FSOUND_DSP_GetActive, (FSOUND_DSPUNIT*), 4)                                \
    ENTRY(FSOUND_DSPUNIT*, FSOUND_DSP_GetClearUnit, (), 0)                                        \
    ENTRY(FSOUND_DSPUNIT*, FSOUND_DSP_GetSFXUnit, (), 0)                                          \
    ENTRY(FSOUND_DSPUNIT*, FSOUND_DSP_GetMusicUnit, (), 0)                                        \
    ENTRY(FSOUND_DSPUNIT*, FSOUND_DSP_GetClipAndCopyUnit, (), 0)                                  \
    ENTRY(FSOUND_DSPUNIT*, FSOUND_DSP_GetFFTUnit, (), 0)                                          \
    ENTRY(signed char, FSOUND_DSP_MixBuffers, (void*, void*, int, int, int, int, unsigned int),   \
          28)                                                                                     \
    ENTRY(void, FSOUND_DSP_ClearMixBuffer, (), 0)                                                 \
    ENTRY(int, FSOUND_DSP_GetBufferLength, (), 0)                                                 \
    ENTRY(int, FSOUND_DSP_GetBufferLengthTotal, (), 0)                                            \
    ENTRY(float*, FSOUND_DSP_GetSpectrum, (), 0)                                                  \
    ENTRY(signed char, FSOUND_Reverb_SetProperties, (const FSOUND_REVERB_PROPERTIES*), 4)         \
    ENTRY(signed char, FSOUND_Reverb_GetProperties, (FSOUND_REVERB_PROPERTIES*), 4)               \
    ENTRY(signed char, FSOUND_Reverb_SetChannelProperties,                                        \
          (int, const FSOUND_REVERB_CHANNELPROPERTIES*), 8)                                       \
    ENTRY(signed char, FSOUND_Reverb_GetChannelProperties,                                        \
          (int, FSOUND_REVERB_CHANNELPROPERTIES*), 8)                                             \
    ENTRY(signed char, FSOUND_Record_SetDriver, (int), 4)                                         \
    ENTRY(int, FSOUND_Record_GetNumDrivers, (), 0)                                                \
    ENTRY(const char*, FSOUND_Record_GetDriverName, (int), 4)                                     \
    ENTRY(int, FSOUND_Record_GetDriver, (), 0)                                                    \
    ENTRY(signed char, FSOUND_Record_StartSample, (FSOUND_SAMPLE*, signed char), 8)               \
    ENTRY(signed char, FSOUND_Record_Stop, (), 0)                                                 \
    ENTRY(int, FSOUND_Record_GetPosition, (), 0)                                                  \
    ENTRY(void, FSOUND_File_SetCallbacks,                                                         \
          (FSOUND_OPENCALLBACK, FSOUND_CLOSECALLBACK, FSOUND_READCALLBACK, FSOUND_SEEKCALLBACK,   \
           FSOUND_TELLCALLBACK),                                                                  \
          20)                                                                                     \
    CALLED(FMUSIC_MODULE*, FMUSIC_LoadSong, (const char*), 4)                                     \
    ENTRY(FMUSIC_MODULE*, FMUSIC_LoadSongEx,                                                      \
          (const char*, int, int, unsigned int, const int*, int), 24)                             \
    ENTRY(int, FMUSIC_GetOpenState, (FMUSIC_MODULE*), 4)                                          \
    CALLED(signed char, FMUSIC_FreeSong, (FMUSIC_MODULE*), 4)                                     \
    CALLED(signed char, FMUSIC_PlaySong, (FMUSIC_MODULE*), 4)                                     \
    ENTRY(signed char, FMUSIC_StopSong, (FMUSIC_MODULE*), 4)                                      \
    ENTRY(void, FMUSIC_StopAllSongs, (), 0)                                                       \
    ENTRY(signed char, FMUSIC_SetZxxCallback, (FMUSIC_MODULE*, FMUSIC_CALLBACK), 8)               \
    ENTRY(signed char, FMUSIC_SetRowCallback, (FMUSIC_MODULE*, FMUSIC_CALLBACK, int), 12)         \
    ENTRY(signed char, FMUSIC_SetOrderCallback, (FMUSIC_MODULE*, FMUSIC_CALLBACK, int), 12)       \
    ENTRY(signed char, FMUSIC_SetInstCallback, (FMUSIC_MODULE*, FMUSIC_CALLBACK, int), 12)        \
    ENTRY(signed char, FMUSIC_SetSample, (FMUSIC_MODULE*, int, FSOUND_SAMPLE*), 12)               \
    ENTRY(signed char, FMUSIC_SetUserData, (FMUSIC_MODULE*, void*), 8)                            \
    ENTRY(signed char, FMUSIC_OptimizeChannels, (FMUSIC_MODULE*, int, int), 12)                   \
    ENTRY(signed char, FMUSIC_SetReverb, (signed char), 4)                                        \
    ENTRY(signed char, FMUSIC_SetLooping, (FMUSIC_MODULE*, signed char), 8)                       \
    ENTRY(signed char, FMUSIC_SetOrder, (FMUSIC_MODULE*, int), 8)                                 \
    ENTRY(signed char, FMUSIC_SetPaused, (FMUSIC_MODULE*, signed char), 8)                        \
    ENTRY(signed char, FMUSIC_SetMasterVolume, (FMUSIC_MODULE*, int), 8)                          \
    ENTRY(signed char, FMUSIC_SetMasterSpeed, (FMUSIC_MODULE*, float), 8)                         \
    ENTRY(signed char, FMUSIC_SetPanSeperation, (FMUSIC_MODULE*, float), 8)                       \
    ENTRY(const char*, FMUSIC_GetName, (FMUSIC_MODULE*), 4)                                       \
    ENTRY(int, FMUSIC_GetType, (FMUSIC_MODULE*), 4)                                               \
    ENTRY(int, FMUSIC_GetNumOrders, (FMUSIC_MODULE*), 4)                                          \
    ENTRY(int, FMUSIC_GetNumPatterns, (FMUSIC_MODULE*), 4)                                        \
    ENTRY(int, FMUSIC_GetNumInstruments, (FMUSIC_MODULE*), 4)                                     \
    ENTRY(int, FMUSIC_GetNumSamples, (FMUSIC_MODULE*), 4)                                         \
    ENTRY(int, FMUSIC_GetNumChannels, (FMUSIC_MODULE*), 4)                                        \
    ENTRY(FSOUND_SAMPLE*, FMUSIC_GetSample, (FMUSIC_MODULE*, int), 8)                             \
    ENTRY(int, FMUSIC_GetPatternLength, (FMUSIC_MODULE*, int), 8)                                 \
    ENTRY(signed char, FMUSIC_IsFinished, (FMUSIC_MODULE*), 4)                                    \
    ENTRY(signed char, FMUSIC_IsPlaying, (FMUSIC_MODULE*), 4)                                     \
    ENTRY(int, FMUSIC_GetMasterVolume, (FMUSIC_MODULE*), 4)                                       \
    ENTRY(int, FMUSIC_GetGlobalVolume, (FMUSIC_MODULE*), 4)                                       \
    ENTRY(int, FMUSIC_GetOrder, (FMUSIC_MODULE*), 4)                                              \
    ENTRY(int, FMUSIC_GetPattern, (FMUSIC_MODULE*), 4)                                            \
    ENTRY(int, FMUSIC_GetSpeed, (FMUSIC_MODULE*), 4)                                              \
    ENTRY(int, FMUSIC_GetBPM, (FMUSIC_MODULE*), 4)                                                \
    ENTRY(int, FMUSIC_GetRow, (FMUSIC_MODULE*), 4)                                                \
    ENTRY(signed char, FMUSIC_GetPaused, (FMUSIC_MODULE*), 4)                                     \
    ENTRY(int, FMUSIC_GetTime, (FMUSIC_MODULE*), 4)                                               \
    ENTRY(int, FMUSIC_GetRealChannel, (FMUSIC_MODULE*, int), 8)                                   \
    ENTRY(void*, FMUSIC_GetUserData, (FMUSIC_MODULE*), 4)

constexpr int32_t FmodEntryPointCount = 216;
