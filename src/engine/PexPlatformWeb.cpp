// The browser's platform services (WebAssembly through Emscripten). The page
// (web/pex-run.js, web/pex-page.js) lays out the files before the program
// starts: the shipped data, preloaded and read-only, in the program's folder,
// where the settings file and the level folder are links into the persistent
// store (IndexedDB). Waits hand control back to the page (Asyncify), so that it
// draws and delivers its events meanwhile.
#include <emscripten.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>

#include "PexPlatform.h"

// The program's path, fixed: the build preloads its folder there.
#ifndef PEX_WEB_EXECUTABLE
#error "the build names the program's path in the browser's file system (PEX_WEB_EXECUTABLE)"
#endif

std::string PlatformExecutablePath() {
    return PEX_WEB_EXECUTABLE;
}

// ---- Reading a whole file ---------------------------------------------------

static bool ReadFailed(std::string& Text, int Reason) {
    Text.clear();
    errno = Reason;
    return false;
}

bool PlatformReadFile(const std::string& FileName, std::string& Text) {
    Text.clear();
    const int Handle = open(FileName.c_str(), O_RDONLY);
    if (Handle < 0) return ReadFailed(Text, errno);
    struct stat Info;
    int Reason = 0;
    if (fstat(Handle, &Info) != 0)
        Reason = EIO;
    else if (S_ISDIR(Info.st_mode))
        Reason = EISDIR;
    else if (!S_ISREG(Info.st_mode))
        Reason = EINVAL;
    else if (uint64_t(Info.st_size) > MaxWholeFileSize)
        Reason = EFBIG;
    if (Reason == 0) {
        Text.resize(size_t(Info.st_size));
        size_t Done = 0;
        while (Done < Text.size()) {
            const ssize_t Count = read(Handle, &Text[Done], Text.size() - Done);
            if (Count < 0) Reason = EIO;
            if (Count <= 0) break;
            Done += size_t(Count);
        }
        Text.resize(Done);
    }
    close(Handle);
    if (Reason != 0) return ReadFailed(Text, Reason);
    return true;
}

// ---- Replacing a file -------------------------------------------------------

// Writes the store's changes to IndexedDB and waits for it; null when done,
// else the browser's reason (allocated: the caller frees it).
EM_ASYNC_JS(char*, SyncStore, (), {
    const Reason = await Module['pexStore'].sync();
    return Reason ? allocateUTF8(Reason) : 0;
});

static std::runtime_error CreateError(const std::string& FileName, const std::string& Reason) {
    return std::runtime_error("Cannot create file \"" + FileName + "\". " + Reason);
}

// The file a path stands for. The settings file and the level folder are links
// into the store: the folder's links are followed by the system, the file's
// own link here, so that the new file replaces the store's copy.
static std::string LinkTarget(const std::string& FileName) {
    char Target[4096];
    std::string Path = FileName;
    constexpr int32_t MaxLinks = 8;
    for (int32_t Links = 0; Links < MaxLinks; ++Links) {
        const ssize_t Length = readlink(Path.c_str(), Target, sizeof(Target));
        if (Length <= 0 || size_t(Length) >= sizeof(Target)) return Path;
        const std::string Link(Target, size_t(Length));
        Path = Link[0] == '/' ? Link : Path.substr(0, Path.rfind('/') + 1) + Link;
    }
    return Path;
}

void PlatformReplaceFile(const std::string& FileName, const std::string& Text) {
    const std::string Target = LinkTarget(FileName);
    struct stat Existing;
    if (stat(Target.c_str(), &Existing) == 0) {
        if (!S_ISREG(Existing.st_mode))
            throw CreateError(FileName, std::strerror(S_ISDIR(Existing.st_mode) ? EISDIR : EINVAL));
        // The shipped data is read-only; the browser does not enforce modes.
        if ((Existing.st_mode & S_IWUSR) == 0) throw CreateError(FileName, std::strerror(EACCES));
    }
    // A name of its own beside the target; the rename then replaces it whole.
    std::string TempName;
    int Handle = -1;
    for (uint32_t Attempt = 0; Handle < 0 && Attempt < 100; ++Attempt) {
        TempName = Target + "." + std::to_string(uint32_t(std::time(nullptr)) ^ Attempt) + ".new";
        Handle = open(TempName.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (Handle < 0 && errno != EEXIST) break;
    }
    if (Handle < 0) throw CreateError(FileName, std::strerror(errno));
    int Error = 0;
    for (size_t Done = 0; Error == 0 && Done < Text.size();) {
        const ssize_t Count = write(Handle, Text.data() + Done, Text.size() - Done);
        if (Count < 0) Error = errno;
        if (Count > 0) Done += size_t(Count);
    }
    if (close(Handle) != 0 && Error == 0) Error = errno;
    if (Error == 0 && rename(TempName.c_str(), Target.c_str()) != 0) Error = errno;
    if (Error != 0) {
        unlink(TempName.c_str());
        throw CreateError(FileName, std::strerror(Error));
    }
    // Durable only once the store holds it: a save returns after that.
    if (char* Reason = SyncStore()) {
        const std::string Why = Reason;
        std::free(Reason);
        throw CreateError(FileName, "The browser's storage refused it: " + Why);
    }
}

// ---- Shared libraries -------------------------------------------------------

// A browser cannot load a library at run time alongside Asyncify: the sound
// library is linked into the program, with a table of its exported names
// (soundlib/SoundLibLinked.cpp). Loading it by its file name gives that table.
extern "C" const char* SoundLibLinkedFileName();
extern "C" void* SoundLibLinkedSymbol(const char* Name);

static int LinkedSoundLibrary;  // its address is the handle

void* PlatformLoadLibrary(const char* FileName) {
    const char* Slash = std::strrchr(FileName, '/');
    const char* Name = Slash ? Slash + 1 : FileName;
    return std::strcmp(Name, SoundLibLinkedFileName()) == 0 ? &LinkedSoundLibrary : nullptr;
}

void* PlatformFindSymbol(void* Library, const char* Name) {
    return Library == &LinkedSoundLibrary ? SoundLibLinkedSymbol(Name) : nullptr;
}

void PlatformFreeLibrary(void*) {}

// ---- Floating point ---------------------------------------------------------

// WebAssembly has no floating-point exceptions to mask.
void PlatformMaskFloatExceptions(uint16_t& SavedControlWord, uint32_t& SavedMXCSR) {
    SavedControlWord = 0;
    SavedMXCSR = 0;
}

void PlatformRestoreFloatState(uint16_t, uint32_t) {}

// ---- Error box --------------------------------------------------------------

// The page shows the message over the game; 0 when it has no place for it.
// The message is code page 1251 text.
EM_JS(int, ShowOnPage, (const char* Title, const char* Message, size_t Length), {
    if (!Module['pexShowError']) return 0;
    const Bytes = HEAPU8.slice(Message, Message + Length);
    Module['pexShowError'](UTF8ToString(Title), new TextDecoder('windows-1251').decode(Bytes));
    return 1;
});

bool PlatformShowErrorBox(const char* Title, const std::string& Message, std::string& Reason) {
    if (ShowOnPage(Title, Message.data(), Message.size()) != 0) return true;
    Reason = "the page has no place for a message";
    return false;
}

// ---- The frame loop's waits and the window -----------------------------------

void PlatformSleep(double Seconds) {
    emscripten_sleep(unsigned(Seconds * 1000));
}

bool PlatformPacesFrames() {
    return true;
}

EM_ASYNC_JS(void, WaitForAnimationFrame, (),
            { await new Promise(function(Resolve) { requestAnimationFrame(Resolve); }); });

void PlatformAwaitNextFrame() {
    WaitForAnimationFrame();
}

EM_JS(int, PageVisible, (), { return document.visibilityState == 'visible' ? 1 : 0; });

bool PlatformWindowActive(bool, bool) {
    return PageVisible() != 0;
}

EM_JS(void, AskPageForFullScreen, (), {
    if (Module['pexRequestFullScreen']) Module['pexRequestFullScreen']();
});

bool PlatformRequestFullScreen() {
    AskPageForFullScreen();
    return false;
}
