// PexPlatform: the few services that differ between operating systems. Each
// system has one source of its own (PexPlatformPosix.cpp, PexPlatformWin.cpp,
// PexPlatformWeb.cpp for the browser), and the build picks the one for the
// system it builds for; no unit asks which system it runs on. The desktop
// systems share PexPlatformDesktop.cpp for the frame loop's waits and the
// window's state.
//
// Owns: nothing.
// Uses: the operating system's process, file, library and message-box calls.
// No initialisation or finalisation.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

// The largest file read whole. Every file the program reads is a few kilobytes
// to a few megabytes; 64 MiB leaves ample room, keeps a stray huge file from
// exhausting memory, and keeps every 1-based 32-bit text position valid.
constexpr size_t MaxWholeFileSize = 64u * 1024u * 1024u;

// The running executable's full path, resolved to its real name: an executable
// that was replaced or removed while it runs still gives the name it was
// started under. Empty when the system cannot tell.
std::string PlatformExecutablePath();

// Reads a regular file whole into Text. False, with Text empty, when the file is
// missing or cannot be opened, is not a regular file (a folder, a pipe, a
// device: the open never waits on one), is larger than MaxWholeFileSize, or
// cannot be read; errno then holds the reason: the open call's own, or, once
// the file is open, EISDIR for a folder, EINVAL for another kind of file, EFBIG
// for a file over the limit and EIO for a failed read. An empty file gives true
// and an empty Text.
bool PlatformReadFile(const std::string& FileName, std::string& Text);

// True for the reasons PlatformReadFile gives once the file was open; every
// other reason is the open call's.
inline bool IsReadFailure(int Reason) {
    return Reason == EISDIR || Reason == EINVAL || Reason == EFBIG || Reason == EIO;
}

// Replaces the file with Text atomically: Text goes to a new file of a unique
// name beside it, which is flushed to the disk and renamed over the old one, so
// a failed or interrupted write leaves the old file whole. The new file keeps
// the old one's permissions. A symbolic link at FileName is followed: its
// target is replaced and the link stays. An existing file the user may not
// write is left alone, as opening it for writing would, and so is anything
// but a regular file (a folder, a pipe, a device). Raises
// std::runtime_error "Cannot create file "<FileName>". <reason>" on failure.
void PlatformReplaceFile(const std::string& FileName, const std::string& Text);

// ---- Names of files ---------------------------------------------------------

// The path separator, and how a shared library's file is named ("fmod.dll" on
// Windows, "libfmod.so" elsewhere).
#ifdef _WIN32
constexpr char PlatformPathDelim = '\\';
constexpr const char* PlatformLibraryPrefix = "";
constexpr const char* PlatformLibraryExtension = ".dll";
#else
constexpr char PlatformPathDelim = '/';
constexpr const char* PlatformLibraryPrefix = "lib";
constexpr const char* PlatformLibraryExtension = ".so";
#endif

// ---- Shared libraries -------------------------------------------------------

// Loads a shared library by its path, or by its bare file name through the
// system's library search. Null when it cannot be loaded; the system shows no
// message of its own.
void* PlatformLoadLibrary(const char* FileName);

// Address of the exported Name in Library; null when it has no such export.
void* PlatformFindSymbol(void* Library, const char* Name);

// Releases a library PlatformLoadLibrary loaded.
void PlatformFreeLibrary(void* Library);

// ---- Floating point ---------------------------------------------------------

// x87 control word with all six exceptions masked, 64-bit precision, rounding
// to nearest; and the SSE exception mask bits.
constexpr uint16_t MaskedFPUControlWord = 0x133F;
constexpr uint32_t MXCSRExceptionMasks = 0x1F80;

// Records the x87 control word and the SSE control and status register, then
// masks every floating-point exception. On processors without them nothing
// changes and the recorded values are 0.
void PlatformMaskFloatExceptions(uint16_t& SavedControlWord, uint32_t& SavedMXCSR);

// Puts back what PlatformMaskFloatExceptions recorded.
void PlatformRestoreFloatState(uint16_t ControlWord, uint32_t MXCSR);

// ---- Error box --------------------------------------------------------------

// Shows Message in a modal error box with Title and waits until the user
// closes it. False, with the system's reason, when no box can be shown (no
// display, for instance).
bool PlatformShowErrorBox(const char* Title, const std::string& Message, std::string& Reason);

// ---- The frame loop's waits and the window -----------------------------------

// Sleeps for Seconds. On the desktop the thread sleeps; in a browser the
// program waits while the page goes on and delivers its events.
void PlatformSleep(double Seconds);

// True where the system paces the frames itself, so that a window's swap
// interval has no meaning: a browser draws a page at its animation frames.
bool PlatformPacesFrames();

// Called after every buffer swap. Where the system paces the frames, waits for
// the next one: the page shows the frame just drawn and delivers the events
// that came meanwhile. Elsewhere it returns at once; the swap interval paced it.
void PlatformAwaitNextFrame();

// Whether the window counts as active, from what the windowing library tells:
// on the desktop a window that has the focus and is not iconified; in a
// browser, whose canvas never reports the focus, a page that can be seen.
bool PlatformWindowActive(bool Focused, bool Iconified);

// Full screen was asked for the window about to open. True where the windowing
// library is to open it on the monitor; false where the system takes it over
// and the library opens an ordinary window: a browser's page enters its
// full-screen mode at the player's first click or key, as browsers require.
bool PlatformRequestFullScreen();
