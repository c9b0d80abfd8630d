// PexPlatform: the few services that differ between operating systems. What
// every system shares is in PexPlatform.cpp; each system has a folder of its
// own besides (posix/ for Linux and the POSIX file calls the browser shares,
// win/, web/ for the browser, desktop/ for what Linux and Windows share: the
// frame loop's waits, the window's state and the x87 and SSE control words),
// and the build picks the sources for the system it builds for; no unit asks
// which system it runs on. What only those sources share among themselves is in
// PexPlatformInternal.h.
//
// Owns: the termination-signal handlers while they are caught, and the names of
// the new files being written (so that a second signal can remove them).
// Uses: the operating system's process, file, library and message-box calls.
// No initialisation or finalisation: PexGL catches and releases the signals.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// ---- Executable path ---------------------------------------------------------

// The running executable's full path, resolved to its real name: an executable
// that was replaced or removed while it runs still gives the name it was
// started under. Empty when the system cannot tell.
std::string PlatformExecutablePath();

// ---- Reading files -----------------------------------------------------------

// The largest file read whole, unless the caller names another limit. Every
// file the program reads is a few kilobytes to a few megabytes; 64 MiB leaves
// ample room, keeps a stray huge file from exhausting memory, and keeps every
// 1-based 32-bit text position valid.
constexpr size_t MaxWholeFileSize = 64u * 1024u * 1024u;

// Reads a regular file whole into Text. False, with Text empty, when the file is
// missing or cannot be opened, is not a regular file (a folder, a pipe, a
// device: the open never waits on one), is larger than Limit, or cannot be
// read; errno then holds the reason: the open call's own, or, once the file is
// open, EISDIR for a folder, EINVAL for another kind of file, EFBIG for a file
// over the limit and EIO for a failed read. An empty file gives true and an
// empty Text.
bool PlatformReadFile(const std::string& FileName, std::string& Text,
                      size_t Limit = MaxWholeFileSize);

// The first Count bytes of a regular file at most (all of a shorter one), with
// no limit on the file's size; fails as PlatformReadFile does otherwise.
bool PlatformReadFileStart(const std::string& FileName, size_t Count, std::string& Text);

// True for the reasons PlatformReadFile gives once the file was open; every
// other reason is the open call's.
inline bool IsReadFailure(int Reason) {
    return Reason == EISDIR || Reason == EINVAL || Reason == EFBIG || Reason == EIO;
}

// "Cannot open file "<FileName>". <reason>" for a reason the open call gave,
// "Cannot read file ..." for one of the read failures above.
std::string ReadErrorText(const std::string& FileName, int Reason);

// ---- Writing files -----------------------------------------------------------
//
// Every write the program makes goes through the calls below; what the units
// call is the file layer above them (PexFiles, the run's files), which gives a
// played demo its files in memory and holds the save policy.

// A new file being written for a file it will replace. Where the system has
// them it has no name until it is committed (Linux: an unnamed file in the
// target's folder), so that nothing of it is left when the program is killed.
struct TNewFile {
    intptr_t Handle = -1;  // the system's handle; -1 when none is open
    std::string Name;      // the new file's name while it has one, "<Target>.XXXXXX"
    std::string Target;    // the file it replaces (a symbolic link followed)
};

// Opens a new file for a text that will replace FileName. A symbolic link at
// FileName is followed: its target will be replaced and the link stays. An
// existing file the user may not write is refused, as opening it for writing
// would be, and so is anything but a regular file (a folder, a pipe, a
// device). The new file keeps the old one's permissions. False, with errno, on
// failure; nothing is left behind then.
bool PlatformCreateNewFile(const std::string& FileName, TNewFile& File);
// Appends Size bytes; false, with errno, when they cannot all be written.
bool PlatformWriteNewFile(TNewFile& File, const char* Data, size_t Size);
// Flushes the new file to the disk and renames it over its target, so that a
// failed or interrupted write leaves the old file whole. False, with errno, on
// failure; the new file is removed then.
bool PlatformCommitNewFile(TNewFile& File);
// Closes and removes a new file that will not be used.
void PlatformDiscardNewFile(TNewFile& File);

// "Cannot create file "<FileName>". <reason>", the error every failed write raises.
std::runtime_error CreateFileError(const std::string& FileName, int Reason);

// Replaces the file with Text atomically through a new file as above. Raises
// CreateFileError on failure, leaving the old file whole.
void PlatformReplaceFile(const std::string& FileName, const std::string& Text);
// The same, without raising: the reason it failed (errno's value), 0 when the
// file was replaced.
int PlatformTryReplaceFile(const std::string& FileName, const std::string& Text);

// The most names tried for one new file: Name, then "Name-2" ... "Name-100".
constexpr int32_t MaxNameAttempts = 100;

// Writes Text into a new file under the first of Name, "Name-2", "Name-3" ...
// that no file, folder or link has. The name is taken and the bytes appear in
// one step (exclusively: two programs never get one name, and no link is ever
// followed), synced to the disk, readable by the user alone. The name taken;
// empty, with errno, on failure, leaving nothing behind.
std::string PlatformCreateFileNamed(const std::string& Name, const std::string& Text);

// Gives the bytes of an existing file (a symbolic link followed: its target's
// bytes, never the link) a name of their own beside it, the first free one of
// KeptName, "KeptName-2" ..., as PlatformCreateFileNamed takes names, so that
// they survive when FileName is replaced. The name taken; empty, with errno,
// on failure.
std::string PlatformKeepFile(const std::string& FileName, const std::string& KeptName);

// Makes Folder and its missing parents, each for this user alone. False, with
// errno, on failure; Failed then names the folder that could not be made.
bool PlatformMakeFolders(const std::string& Folder, std::string& Failed);

// Removes a file the program wrote (a journal that is no longer needed), the
// removal made to last as PlatformCommitNewFile makes a replace.
void PlatformRemoveFile(const std::string& FileName);

// The user's state folder, with its trailing separator: the place of files
// that keep the user's work between runs ($XDG_STATE_HOME/pex, by default
// ~/.local/state/pex, on Linux; %LOCALAPPDATA%\Pex on Windows; a folder of the
// browser's store). Nothing is made here: a save there makes it (SaveFile with
// MakeFolders). Empty when the system names none.
std::string PlatformStateFolder();

// The folders, each with its trailing separator, that save the user's work when
// its own place cannot be written, in the order to try them: the state folder,
// then a folder of this user's own in the system's temporary folder (made for
// this run, never shared, never reached through a link).
std::vector<std::string> PlatformRecoveryFolders();

// ---- Failing file steps (tests) ---------------------------------------------

// Every call of the platform face that touches a file (an open, a read, a write,
// a sync, a close, a rename or link, a folder made) is one step. From now on
// the Step-th step fails with Code (errno's values; Windows' own error codes on
// Windows), and with Persist every step after it too, as a full disk does; a
// Step of 0 makes none fail. The count starts again at every call.
void PlatformFailFileStep(int64_t Step, int Code, bool Persist = false);
// The steps taken since the last PlatformFailFileStep.
int64_t PlatformFileSteps();

// ---- Names of files ----------------------------------------------------------

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

// ---- Termination signals -----------------------------------------------------

// Catches the signals that end a program in an orderly way (SIGTERM, SIGINT,
// and SIGHUP where the system has it): a signal is only noted, for the frame
// loop to see. A second signal of the same kind removes the new files being
// written and ends the program at once, by that signal. A signal that was
// ignored when the program started (nohup) stays ignored.
void PlatformCatchTerminationSignals();
// Puts back the handlers found when they were caught; for waits that no frame
// watches, such as the error box, and at the end.
void PlatformReleaseTerminationSignals();
// The last termination signal caught, 0 for none.
int PlatformTerminationSignal();

// ---- Shared libraries --------------------------------------------------------

// Loads a shared library by its path, or by its bare file name through the
// system's library search. Null when it cannot be loaded; the system shows no
// message of its own.
void* PlatformLoadLibrary(const char* FileName);

// Address of the exported Name in Library; null when it has no such export.
void* PlatformFindSymbol(void* Library, const char* Name);

// Releases a library PlatformLoadLibrary loaded.
void PlatformFreeLibrary(void* Library);

// ---- Floating point ----------------------------------------------------------

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

// ---- Error box ---------------------------------------------------------------

// Shows Message in a modal error box with Title and waits until the user
// closes it. False, with the system's reason, when no box can be shown (no
// display, for instance). Nothing of the box outlives the program: when the
// program ends while the box waits, by a signal or otherwise, the box goes too.
bool PlatformShowErrorBox(const char* Title, const std::string& Message, std::string& Reason);

// ---- The user's files -------------------------------------------------------

// The folder of the files the user changes (the settings file and the levels),
// with its trailing separator. It is the application folder itself whenever
// this user may write into it, as in an unpacked archive or a build folder. A
// copy installed where the user may not write, or installed with the system
// (under /usr, whose files no program changes, whoever runs it), keeps them in
// the user's own data folder instead: $XDG_DATA_HOME/pex (by default
// ~/.local/share/pex) on Linux, %APPDATA%\Pex on Windows. When the system names no such folder, the
// application folder is kept, and writing there fails as it would.
std::string PlatformUserFolder(const std::string& AppFolder);

// Gives the user a copy of a shipped file on first use: when nothing exists at
// UserCopy, its missing folders are made (for this user alone) and the file
// Shipped is copied there whole. A user's copy that exists is never touched,
// and where both names are the same file nothing happens. A shipped file that
// cannot be read leaves just the folders. Raises std::runtime_error
// "Cannot create folder "<name>". <reason>" or "Cannot create file ..." on
// failure.
void PlatformSeedFile(const std::string& Shipped, const std::string& UserCopy);

// ---- Leaving unasked, and notes for the user ---------------------------------

// True when the system said the program may end without a chance to save: the
// page is hidden (a browser may end a hidden page as it likes) or being closed.
// What keeps the user's work is then written at once. Never on the desktop,
// where an orderly end comes as a termination signal.
bool PlatformLeavingSoon();

// Shows Message, code page 1251 text in plain words, where the system has a
// place for it besides standard error, which the caller writes itself: the
// page shows it over the game until the player closes it; the desktop has no
// other place.
void PlatformShowNote(const std::string& Message);

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

// ---- The session's end -------------------------------------------------------

// Says what happened in a few words ("the display \":0\" was lost"), and ends
// the program: it never returns.
using TSessionEndHandler = void (*)(const char* What);

// Ends the program through OnEnd when the session it runs in goes away under
// it: on Linux the display (the X server ended, or its connection broke); on
// Windows the session itself (logging off, shutting down: WM_ENDSESSION to the
// windows PlatformWatchWindows watches). The system tells it from inside a call
// of the windowing library, which can do nothing more afterwards, and the
// process may be ended as soon as that call returns: OnEnd runs right there.
// Windows' console events of the kind (the console closed, logging off,
// shutting down) come on a thread of their own; they are noted as a
// termination signal instead, which the frame loop sees, and the console's
// thread waits while the program ends. Nothing happens in the browser.
void PlatformCatchSessionEnd(TSessionEndHandler OnEnd);
// Puts back what was there before.
void PlatformReleaseSessionEnd();
// Called once the window is open: where the session's end comes to the windows,
// the calling thread's windows are watched for it.
void PlatformWatchWindows();

// ---- Reading a file in pieces ------------------------------------------------

// A regular file open for reading from its start, a piece at a time, with no
// limit on its size.
struct TFileStream {
    intptr_t Handle = -1;  // the system's handle; -1 when none is open
};

// Opens a regular file to read in pieces. Fails as PlatformReadFile does,
// Limit aside: the open never waits on a pipe or a device, and errno is the
// open call's reason, or EISDIR for a folder, EINVAL for another kind of file.
bool PlatformOpenStream(const std::string& FileName, TFileStream& Stream);
// Reads the next bytes, at most Size, into Buffer; Count is 0 at the file's
// end. False, with errno EIO, when the file cannot be read.
bool PlatformReadStream(TFileStream& Stream, char* Buffer, size_t Size, size_t& Count);
// Back to the file's start: the same file, even when another one has taken its
// name meanwhile. False, with errno, when it cannot.
bool PlatformRewindStream(TFileStream& Stream);
// Closes the file; nothing happens when none is open.
void PlatformCloseStream(TFileStream& Stream);

// ---- Level links and guest levels --------------------------------------------

// The address a link to a level starts with: in a browser the page's own,
// without its query and fragment; on the desktop the one the build was given
// (the CMake cache string PEX_PAGE_ADDRESS), empty unless given.
std::string PlatformPageAddress();
// Hands Text to the page, which copies it to the clipboard and says so. False
// where no page takes it (the desktop, whose window has the clipboard).
bool PlatformCopyText(const std::string& Text);
// Tells the page which level file the run plays and edits, for the page to
// offer it for download. Nothing happens on the desktop.
void PlatformTellLevelFile(const std::string& Path);
// True once for each time the player asked the page to keep the guest level
// as their own. Never on the desktop.
bool PlatformKeepGuestAsked();
