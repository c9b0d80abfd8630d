// PexDemo: demos, the recording of a session at the windowing layer's boundary
// and its playback frame for frame, and the digest of a run's outcome.
//
// Owns: DemoMode, the demo being recorded or played, the outcome digest, and
// the two procedures the program entry hooks in (DemoWatchedFiles,
// DemoSnapshot).
// Uses: PexPlatform (reading the demo and the watched files).
// Initialisation writes the header of a recording, or compares the watched
// files with a playback's digests; finalisation ends the recording, prints the
// line "demo: frames=N digest=H" and closes the file. Both do nothing while
// DemoMode is dmOff, which it is unless the program was started with a demo
// option (StartDemoRecording, StartDemoPlayback).
//
// The windowing layer (Glfw2.cpp) calls the hooks below for every answer it
// gives and every event it delivers. A frame of the demo runs from one buffer
// swap to the next; the events a swap delivers close its frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

constexpr uint8_t dmOff = 0;
constexpr uint8_t dmRecord = 1;
constexpr uint8_t dmPlay = 2;

extern uint8_t DemoMode;

// ---- The file format --------------------------------------------------------

constexpr int32_t DemoVersion = 1;

// Kinds of the items of a frame: the layer's answers, then its events.
constexpr char diTime = 't';             // Time: the clock reading
constexpr char diActive = 'a';           // A: GLFW2_ACTIVE
constexpr char diOpened = 'o';           // A: GLFW2_OPENED
constexpr char diWindowSize = 'w';       // A x B
constexpr char diFramebufferSize = 'b';  // A x B
constexpr char diMousePos = 'm';         // A, B
constexpr char diKey = 'k';              // key A, action B
constexpr char diChar = 'c';             // character A, action B
constexpr char diButton = 'u';           // mouse button A, action B

struct TDemoItem {
    char Kind;
    int32_t A;
    int32_t B;
    double Time;
};

struct TDemoFrame {
    std::vector<TDemoItem> Items;
    size_t Line;  // the frame's line in the demo file, 1-based
};

struct TDemoFile {
    std::string Label;  // settings, menu or level
    bool Present;       // false for a file that could not be read
    uint64_t Digest;
};

// A demo: the files' digests, the frames that ended in a buffer swap, and the
// last frame, which the session's end cut short.
struct TDemo {
    std::vector<TDemoFile> Files;
    std::vector<TDemoFrame> Frames;
    TDemoFrame Last;
};

constexpr uint64_t DigestStart = 0xcbf29ce484222325ull;  // FNV-1a 64

uint64_t DigestBytes(uint64_t Digest, const void* Data, size_t Size);
// The digest of a whole text, from DigestStart.
uint64_t DigestText(const std::string& Text);

bool IsDemoEvent(char Kind);
// A double as hexadecimal floating point ("0x1.8p+1"), exact, and back. The
// reader takes at most 16 hexadecimal digits and a decimal power of at most
// 5 digits, and false for anything else.
std::string HexFloatText(double Value);
bool ParseHexFloat(const std::string& Text, double& Value);
// Reads demo text into Demo. False, with Error "line N: <what is wrong>", for
// text that is not a complete demo of this version.
bool ParseDemoText(const std::string& Text, TDemo& Demo, std::string& Error);
std::string DemoHeaderText(const std::vector<TDemoFile>& Files);
// A frame's line: "f ..." for a frame that ended in a swap, "x ..." for the last.
std::string DemoFrameText(const TDemoFrame& Frame, bool Last);
std::string DemoEndText(size_t FrameCount);

// ---- Starting and ending ----------------------------------------------------

// Called by the program entry before the units start. False, with Error, when
// the file cannot be created, or cannot be read or is no sound demo.
bool StartDemoRecording(const std::string& FileName, std::string& Error);
bool StartDemoPlayback(const std::string& FileName, std::string& Error);

// The files whose digests a demo keeps: label and full name, in a fixed order.
extern std::vector<std::pair<std::string, std::string>> (*DemoWatchedFiles)();
// Adds the program's final state to the outcome digest (DigestOutcome); run
// when the engine ends.
extern void (*DemoSnapshot)();

void InitDemo();
void DoneDemo();

// Adds bytes to the outcome digest.
void DigestOutcome(const void* Data, size_t Size);

// ---- Hooks of the windowing layer -------------------------------------------

// Recording: notes an answer or an event of the current frame.
void DemoNote(char Kind, int32_t A, int32_t B = 0, double Time = 0);
// Playback: the recorded answer of that kind, in the order recorded. False once
// playback has ended (or the program asked for something the demo does not
// have next, which ends it with a message); the layer then answers as at the
// demo's end: the last time, inactive, closed.
bool DemoAnswer(char Kind, TDemoItem& Item);
// Playback: the next recorded event of the current frame; false when none is left.
bool DemoNextEvent(TDemoItem& Event);
// A buffer swap: recording writes the frame, playback moves to the next one.
void DemoEndFrame();
// Playback: F10 or a close request ends it at the next question about the window.
void DemoStopPlayback();
bool DemoPlaybackOver();
// The engine ends: the snapshot of the final state enters the outcome digest.
void DemoEngineEnded();
