#include <SDL2/SDL.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <vector>

#include "PexPlatformInternal.h"

// ---- Executable path --------------------------------------------------------

static bool EndsWith(const std::string& Text, const std::string& Tail) {
    return Text.size() >= Tail.size() &&
           Text.compare(Text.size() - Tail.size(), Tail.size(), Tail) == 0;
}

static bool SameFile(const struct stat& A, const struct stat& B) {
    return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
}

std::string PlatformExecutablePath() {
    std::string Path = ReadLinkText("/proc/self/exe");
    // Once the running file is removed or replaced (a rebuild during play), the
    // kernel adds this mark to the link's text. The mark is dropped unless a file
    // of that very name is the running executable itself.
    static const std::string DeletedMark = " (deleted)";
    if (EndsWith(Path, DeletedMark)) {
        struct stat Running, Named;
        const bool Alive = stat("/proc/self/exe", &Running) == 0 &&
                           stat(Path.c_str(), &Named) == 0 && SameFile(Running, Named);
        if (!Alive) Path.erase(Path.size() - DeletedMark.size());
    }
    return Path;
}

// ---- Making a replaced file last --------------------------------------------

bool PlatformMakeDurable(const std::string& Target) {
    // The rename itself is synced with its folder; a folder that cannot be
    // synced loses nothing.
    const int Handle = open(FolderOfFile(Target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Handle >= 0) {
        (void)fsync(Handle);
        close(Handle);
    }
    return true;
}

// ---- Shared libraries -------------------------------------------------------

void* PlatformLoadLibrary(const char* FileName) {
    return dlopen(FileName, RTLD_NOW | RTLD_LOCAL);
}

void* PlatformFindSymbol(void* Library, const char* Name) {
    return dlsym(Library, Name);
}

void PlatformFreeLibrary(void* Library) {
    dlclose(Library);
}

// ---- Error box --------------------------------------------------------------

// The box's child process: when the program ends, the system sends it this
// signal, and it takes its whole process group with it: the box and any helper
// the toolkit started for it.
static void OnProgramGone(int) {
    kill(0, SIGKILL);
}

// Runs in the child: shows the box and writes the reason to Pipe when it cannot.
[[noreturn]] static void RunErrorBox(pid_t Parent, int Pipe, const char* Title,
                                     const std::string& Message) {
    setpgid(0, 0);
    std::signal(SIGTERM, OnProgramGone);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != Parent) _exit(1);  // the program ended before the line above
    // None of the program's files stay open here: the window's connection to
    // the display among them, so that the window goes with the program.
    if (Pipe != 3) {
        dup2(Pipe, 3);
        close(Pipe);
    }
    closefrom(4);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, Title, Message.c_str(), nullptr) == 0)
        _exit(0);
    const char* Reason = SDL_GetError();
    (void)!write(3, Reason, std::strlen(Reason));
    _exit(1);
}

bool PlatformShowErrorBox(const char* Title, const std::string& Message, std::string& Reason) {
    int Pipe[2];
    if (pipe2(Pipe, O_CLOEXEC) != 0) {
        Reason = std::strerror(errno);
        return false;
    }
    const pid_t Parent = getpid();
    const pid_t Child = fork();
    if (Child < 0) {
        Reason = std::strerror(errno);
        close(Pipe[0]);
        close(Pipe[1]);
        return false;
    }
    if (Child == 0) {
        close(Pipe[0]);
        const int Write = fcntl(Pipe[1], F_DUPFD, 3);  // without close-on-exec
        RunErrorBox(Parent, Write, Title, Message);
    }
    close(Pipe[1]);
    std::string Said;
    char Buffer[512];
    for (;;) {
        const ssize_t Count = read(Pipe[0], Buffer, sizeof(Buffer));
        if (Count < 0 && errno == EINTR) continue;
        if (Count <= 0) break;
        Said.append(Buffer, size_t(Count));
    }
    close(Pipe[0]);
    int Ended = 0;
    while (waitpid(Child, &Ended, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(Ended) && WEXITSTATUS(Ended) == 0) return true;
    Reason = Said.empty() ? "the box's process failed" : Said;
    return false;
}

// ---- The session's end -------------------------------------------------------

static TSessionEndHandler SessionEnd = nullptr;
static XIOErrorHandler SavedIOErrorHandler = nullptr;
static pid_t SessionProcess = 0;

// Xlib calls this once the connection to the display is broken, and ends the
// process with status 1 itself when it returns: the program's end never does.
static int OnDisplayLost(Display* Lost) {
    // The error box's process has this handler from the fork; the loss of its
    // display ends the box alone.
    if (getpid() != SessionProcess || !SessionEnd) _exit(1);
    const char* Name = Lost ? DisplayString(Lost) : nullptr;
    std::string What = "the display";
    if (Name && *Name) What += std::string(" \"") + Name + "\"";
    What += " was lost";
    SessionEnd(What.c_str());
    _exit(1);  // SessionEnd does not return
}

void PlatformCatchSessionEnd(TSessionEndHandler OnEnd) {
    SessionEnd = OnEnd;
    SessionProcess = getpid();
    SavedIOErrorHandler = XSetIOErrorHandler(OnDisplayLost);
}

void PlatformReleaseSessionEnd() {
    XSetIOErrorHandler(SavedIOErrorHandler);  // null puts back Xlib's own
    SessionEnd = nullptr;
}

// The display's loss comes through Xlib, whichever window it hits.
void PlatformWatchWindows() {}
