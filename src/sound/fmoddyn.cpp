#include "fmoddyn.h"

#include <stdexcept>
#include <string>

#include "PexPlatform.h"

void* SoundLibrary = nullptr;
uint16_t SavedFPUControlWord = 0;
uint32_t SavedMXCSR = 0;

#define DEFINE_ENTRY_POINT(Ret, Name, Params, Bytes) T##Name Name = nullptr;
FMOD_ENTRY_POINTS(DEFINE_ENTRY_POINT, DEFINE_ENTRY_POINT)
#undef DEFINE_ENTRY_POINT

namespace {

struct TEntryPoint {
    const char* ExportName;
    void (*Assign)(void* Address);  // stores Address, typed, into the entry's pointer
};

#define ENTRY_POINT_ROW(Ret, Name, Params, Bytes) \
    {F_EXPORT_NAME(Name, Bytes), [](void* Address) { Name = reinterpret_cast<T##Name>(Address); }},
constexpr TEntryPoint EntryPoints[] = {FMOD_ENTRY_POINTS(ENTRY_POINT_ROW, ENTRY_POINT_ROW)};
#undef ENTRY_POINT_ROW

static_assert(sizeof(EntryPoints) / sizeof(EntryPoints[0]) == FmodEntryPointCount,
              "one row per entry point");

}  // namespace

bool LoadSoundLibrary(const char* Path) {
    UnloadSoundLibrary();
    if (Path == nullptr || Path[0] == '\0') {
        Path = SoundLibraryName.c_str();  // found by the system's library search
    }
    SoundLibrary = PlatformLoadLibrary(Path);
    if (SoundLibrary == nullptr) {
        return false;
    }
    for (const TEntryPoint& Entry : EntryPoints) {
        Entry.Assign(ResolveEntryPoint(SoundLibrary, Entry.ExportName));
    }
    return true;
}

void UnloadSoundLibrary() {
    if (SoundLibrary != nullptr) {
        PlatformFreeLibrary(SoundLibrary);
    }
    SoundLibrary = nullptr;
    // Addresses inside a released library must not stay callable.
    for (const TEntryPoint& Entry : EntryPoints) {
        Entry.Assign(nullptr);
    }
}

void* ResolveEntryPoint(void* Module, const char* Name) {
    void* Address = PlatformFindSymbol(Module, Name);
    if (Address == nullptr) {
        // Assertion form: message (source, line).
        throw std::runtime_error("Failed to find " + std::string(Name) + " in " + SoundLibraryName +
                                 " (fmoddyn, line " + std::to_string(__LINE__) + ")");
    }
    return Address;
}

void InitFmodDyn() {
    SoundLibrary = nullptr;
    PlatformMaskFloatExceptions(SavedFPUControlWord, SavedMXCSR);
}

void DoneFmodDyn() {
    UnloadSoundLibrary();
    PlatformRestoreFloatState(SavedFPUControlWord, SavedMXCSR);
}
