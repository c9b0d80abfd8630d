#include "fmoddyn.h"

#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <xmmintrin.h>
#define PEX_X86_FPU 1
#endif

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

// 32-bit Windows exports carry the standard-call decoration "_Name@bytes";
// everywhere else the names are plain.
#if defined(_WIN32) && !defined(_WIN64)
#define EXPORT_NAME(Name, Bytes) "_" #Name "@" #Bytes
#else
#define EXPORT_NAME(Name, Bytes) #Name
#endif

#define ENTRY_POINT_ROW(Ret, Name, Params, Bytes) \
    {EXPORT_NAME(Name, Bytes), [](void* Address) { Name = reinterpret_cast<T##Name>(Address); }},
constexpr TEntryPoint EntryPoints[] = {FMOD_ENTRY_POINTS(ENTRY_POINT_ROW, ENTRY_POINT_ROW)};
#undef ENTRY_POINT_ROW
#undef EXPORT_NAME

static_assert(sizeof(EntryPoints) / sizeof(EntryPoints[0]) == FmodEntryPointCount,
              "one row per entry point");

// x87 control word with all six exceptions masked, 64-bit precision, rounding
// to nearest; and the SSE exception mask bits.
constexpr uint16_t MaskedFPUControlWord = 0x133F;
constexpr uint32_t MXCSRExceptionMasks = 0x1F80;

}  // namespace

static void* OpenLibrary(const char* Path) {
#ifdef _WIN32
    return reinterpret_cast<void*>(LoadLibraryA(Path));
#else
    return dlopen(Path, RTLD_NOW | RTLD_LOCAL);
#endif
}

static void CloseLibrary(void* Module) {
#ifdef _WIN32
    FreeLibrary(reinterpret_cast<HMODULE>(Module));
#else
    dlclose(Module);
#endif
}

static void* FindSymbol(void* Module, const char* Name) {
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(Module), Name));
#else
    return dlsym(Module, Name);
#endif
}

bool LoadSoundLibrary(const char* Path) {
    UnloadSoundLibrary();
    if (Path == nullptr || Path[0] == '\0') {
        Path = SoundLibraryName;  // found by the system's library search
    }
    SoundLibrary = OpenLibrary(Path);
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
        CloseLibrary(SoundLibrary);
    }
    SoundLibrary = nullptr;
    // Addresses inside a released library must not stay callable.
    for (const TEntryPoint& Entry : EntryPoints) {
        Entry.Assign(nullptr);
    }
}

void* ResolveEntryPoint(void* Module, const char* Name) {
    void* Address = FindSymbol(Module, Name);
    if (Address == nullptr) {
        // Assertion form: message (source, line).
        throw std::runtime_error("Failed to find " + std::string(Name) + " in " + SoundLibraryName +
                                 " (fmoddyn, line " + std::to_string(__LINE__) + ")");
    }
    return Address;
}

void InitFmodDyn() {
    SoundLibrary = nullptr;
#ifdef PEX_X86_FPU
    uint16_t ControlWord = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(ControlWord));
    SavedFPUControlWord = ControlWord;
    ControlWord = MaskedFPUControlWord;
    __asm__ __volatile__("fldcw %0" : : "m"(ControlWord));
    SavedMXCSR = _mm_getcsr();
    _mm_setcsr(SavedMXCSR | MXCSRExceptionMasks);
#endif
}

void DoneFmodDyn() {
    UnloadSoundLibrary();
#ifdef PEX_X86_FPU
    uint16_t ControlWord = SavedFPUControlWord;
    __asm__ __volatile__("fldcw %0" : : "m"(ControlWord));
    _mm_setcsr(SavedMXCSR);
#endif
}
