// dlopen and its companions over the Windows library calls, for the tests'
// Windows build.
#pragma once

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#define RTLD_LAZY 0x1
#define RTLD_NOW 0x2
#define RTLD_LOCAL 0x0
#define RTLD_NOLOAD 0x4

// A library already loaded is named by its full path with backslashes.
inline std::string PexWinFullPath(const char* Path) {
    char Buffer[MAX_PATH * 4];
    const DWORD Length = GetFullPathNameA(Path, sizeof(Buffer), Buffer, nullptr);
    if (Length == 0 || Length >= sizeof(Buffer)) return Path;
    return std::string(Buffer, Length);
}

inline void* dlopen(const char* Path, int Flags) {
    if (Flags & RTLD_NOLOAD) {
        HMODULE Module = nullptr;
        if (!GetModuleHandleExA(0, PexWinFullPath(Path).c_str(), &Module)) return nullptr;
        return reinterpret_cast<void*>(Module);
    }
    return reinterpret_cast<void*>(LoadLibraryA(Path));
}

inline void* dlsym(void* Module, const char* Name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(Module), Name));
}

inline int dlclose(void* Module) {
    return FreeLibrary(static_cast<HMODULE>(Module)) ? 0 : -1;
}

inline const char* dlerror() {
    return "the library cannot be loaded";
}
