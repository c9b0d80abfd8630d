// The sound library's table of exported names, for a build that links the
// library into the program (SOUNDLIB_LINKED): the platform's library loader
// resolves the binding's names here instead of in a loaded file.
#include <cstring>

#include "../src/sound/fmoddyn.h"
#include "SoundLib.h"

namespace {

struct TExport {
    const char* Name;
    void* Address;
};

#define EXPORT_ROW(Ret, Name, Params, Bytes) \
    {F_EXPORT_NAME(Name, Bytes), reinterpret_cast<void*>(&SOUNDLIB_NAME(Name))},
const TExport Exports[] = {FMOD_ENTRY_POINTS(EXPORT_ROW, EXPORT_ROW)};
#undef EXPORT_ROW

static_assert(sizeof(Exports) / sizeof(Exports[0]) == FmodEntryPointCount,
              "one row per entry point");

}  // namespace

// The address of the exported Name; null when the library has no such export.
extern "C" void* SoundLibLinkedSymbol(const char* Name) {
    for (const TExport& Export : Exports)
        if (std::strcmp(Export.Name, Name) == 0) return Export.Address;
    return nullptr;
}

// The file name the binding loads the library by (fmoddyn's SoundLibraryName).
extern "C" const char* SoundLibLinkedFileName() {
    return SoundLibraryName.c_str();
}
