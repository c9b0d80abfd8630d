// The browser's platform services (WebAssembly through Emscripten); its files
// go through the POSIX file calls Emscripten gives (PexPlatformPosixFiles.cpp).
// The page (web/pex-run.js, web/pex-page.js) lays out the files before the
// program starts: the shipped data, preloaded and read-only, in the program's
// folder, where the settings file and the level folder are links into the
// persistent store (IndexedDB). Waits hand control back to the page
// (Asyncify), so that it draws and delivers its events meanwhile.
#include <emscripten.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "PexPlatformInternal.h"

// The program's path, fixed: the build preloads its folder there.
#ifndef PEX_WEB_EXECUTABLE
#error "the build names the program's path in the browser's file system (PEX_WEB_EXECUTABLE)"
#endif

std::string PlatformExecutablePath() {
    return PEX_WEB_EXECUTABLE;
}

// ---- Making a replaced file last --------------------------------------------

// Writes the store's changes to IndexedDB and waits for it; null when done,
// else the browser's reason (allocated: the caller frees it).
EM_ASYNC_JS(char*, SyncStore, (), {
    const Reason = await Module['pexStore'].sync();
    return Reason ? allocateUTF8(Reason) : 0;
});

// A save is durable once the store holds it: it returns after that. (The
// user's files are reached through links into the store, so every replace
// syncs it.)
bool PlatformMakeDurable(const std::string& Target) {
    char* Reason = SyncStore();
    if (Reason == nullptr) return true;
    std::fprintf(stderr, "The browser's storage refused \"%s\": %s\n", Target.c_str(), Reason);
    std::free(Reason);
    errno = EIO;
    return false;
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

// ---- Leaving unasked, and notes for the user ---------------------------------

// The page around the program (web/pex-run.js) watches the page hide and close.
EM_JS(int, PageLeaving, (), { return Module['pexPage'].leaving ? 1 : 0; });

bool PlatformLeavingSoon() {
    return PageLeaving() != 0;
}

// The page shows the note over the game when it has a place for one.
EM_JS(void, ShowNoteOnPage, (const char* Message, size_t Length), {
    if (!Module['pexShowNote']) return;
    const Bytes = HEAPU8.slice(Message, Message + Length);
    Module['pexShowNote'](new TextDecoder('windows-1251').decode(Bytes));
});

void PlatformShowNote(const std::string& Message) {
    ShowNoteOnPage(Message.data(), Message.size());
}

// ---- The frame loop's waits and the window -----------------------------------

void PlatformSleep(double Seconds) {
    emscripten_sleep(unsigned(Seconds * 1000));
}

bool PlatformPacesFrames() {
    return true;
}

// The next animation frame; when the page hides, the frame right after comes
// at once instead, though a hidden page gets none (web/pex-run.js).
EM_ASYNC_JS(void, WaitForFrame, (), { await Module['pexPage'].nextFrame(); });

void PlatformAwaitNextFrame() {
    WaitForFrame();
}

// A page that can be seen; and the one frame after the page hides, so that the
// program updates once more and writes what keeps the user's work.
EM_JS(int, PageActive, (), { return Module['pexPage'].active() ? 1 : 0; });

bool PlatformWindowActive(bool, bool) {
    return PageActive() != 0;
}

EM_JS(void, AskPageForFullScreen, (), {
    if (Module['pexRequestFullScreen']) Module['pexRequestFullScreen']();
});

bool PlatformRequestFullScreen() {
    AskPageForFullScreen();
    return false;
}

// ---- The session's end -------------------------------------------------------

// A page that closes ends the program with it; nothing tells the program first.
void PlatformCatchSessionEnd(TSessionEndHandler) {}
void PlatformReleaseSessionEnd() {}
void PlatformWatchWindows() {}

// ---- Level links and guest levels --------------------------------------------

// The page's address is ASCII as the browser gives it (its own escapes).
EM_JS(int, PageAddressInto, (char* Buffer, int Size), {
    const Bytes = new TextEncoder().encode(location.href.split('#')[0].split('?')[0]);
    if (Bytes.length <= Size) HEAPU8.set(Bytes, Buffer);
    return Bytes.length;
});

std::string PlatformPageAddress() {
    std::string Address(256, '\0');
    int Length = PageAddressInto(&Address[0], int(Address.size()));
    if (Length > int(Address.size())) {
        Address.assign(size_t(Length), '\0');
        Length = PageAddressInto(&Address[0], Length);
    }
    Address.resize(size_t(Length));
    return Address;
}

EM_JS(int, CopyTextOnPage, (const char* Text, size_t Length), {
    if (!Module['pexCopyText']) return 0;
    Module['pexCopyText'](
        new TextDecoder('windows-1251').decode(HEAPU8.slice(Text, Text + Length)));
    return 1;
});

bool PlatformCopyText(const std::string& Text) {
    return CopyTextOnPage(Text.data(), Text.size()) != 0;
}

EM_JS(void, TellLevelPathToPage, (const char* Path, size_t Length),
      { Module['pexLevelPath'] = new TextDecoder().decode(HEAPU8.slice(Path, Path + Length)); });

void PlatformTellLevelFile(const std::string& Path) {
    TellLevelPathToPage(Path.data(), Path.size());
}

EM_JS(int, TakeKeepRequest, (),
      { return !!(Module['pexTakeKeepRequest'] && Module['pexTakeKeepRequest']()); });

bool PlatformKeepGuestAsked() {
    return TakeKeepRequest() != 0;
}
