// PexDemo: recording a session and playing it back frame for frame, as a
// window driver (PexGL's TWindowDriver) that stands in for the one in use when
// the demo starts, the system's in the program: the recorder passes every call
// on to it and notes what the program took from outside, the player answers
// from the demo. Also the digest of a run's outcome.
//
// Owns: DemoMode, the driver it stands in for, the demo being recorded or
// played (its file, its frames, the new file a recording goes to) and the
// outcome digest.
// Uses: PexGL (the window driver, the stop key), PexDemoFile (the format),
// PexScript (reading files, the view of the files a played run writes),
// PexPlatform (the new file of a recording, the played demo read in pieces).
// InitDemo writes the header of a recording, or compares the watched files with
// a playback's digests; DoneDemo ends the recording and prints the line
// "demo: frames=N digest=H"; EndDemo, after the finalisations, puts a complete
// recording in place. All do nothing while DemoMode is dmOff, which it is
// unless the program was started with a demo option.
//
// A frame of the demo runs from one buffer swap to the next; the events a swap
// delivers close its frame.
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

// The exit code of a run whose recording could not be written whole.
constexpr int ExitRecordingFailed = 3;

// Called by the program entry before the units start. False, with Error, when
// the demo to play cannot be read or is no sound demo, or when the file to
// record into cannot be used: an existing file that is not a demo, or anything
// but a regular file, is refused. On success the demo's window driver is in use,
// standing in for the one in use before.
bool StartDemoRecording(const std::string& FileName, std::string& Error);
bool StartDemoPlayback(const std::string& FileName, std::string& Error);

// The files whose digests a demo keeps: label and full name, in a fixed order.
using TWatchedFiles = std::vector<std::pair<std::string, std::string>>;
void InitDemo(const TWatchedFiles& Watched);
void DoneDemo();
// After the finalisations, with the program's exit code: a recording is put in
// place only when the run ended well and every write of it succeeded; otherwise
// it is removed, and any earlier demo of that name stays whole. The engine gets
// back the driver the demo stood in for. Gives the exit code to end with:
// ExitCode, or ExitRecordingFailed when the recording failed.
int EndDemo(int ExitCode);

// Adds bytes of the program's state to the outcome digest while a demo runs;
// the units that own the state call it when the engine has ended.
void DigestOutcome(const void* Data, size_t Size);
template <typename T>
void DigestValue(const T& Value) {
    DigestOutcome(&Value, sizeof(Value));
}

// Playback: true once the demo ran out, diverged, or F10 or a close request
// ended it.
bool DemoPlaybackOver();
// Playback: the most memory the demo's reader held at once since the playback
// started, in bytes; the same whatever the demo's length.
size_t DemoReaderPeakBytes();
