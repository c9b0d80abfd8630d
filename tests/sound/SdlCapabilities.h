// What SDL can do on the system under test, for the tests that link SDL (the
// sound library's), as Capabilities.h does for the system's own services.
#pragma once

#include <SDL2/SDL.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "Capabilities.h"

// A file that SDL is still writing (as its disk audio output writes its file)
// can be read meanwhile. On Windows SDL opens such a file for itself alone.
inline bool CanReadWhatSdlWrites() {
    const std::string Path = capability::ScratchName("sdl");
    SDL_RWops* Writer = SDL_RWFromFile(Path.c_str(), "wb");
    if (Writer == nullptr) return false;
    // More than any buffer SDL or the C library keeps: some of it is in the file.
    const std::string Bytes(1 << 20, 'p');
    const bool Written = SDL_RWwrite(Writer, Bytes.data(), Bytes.size(), 1) == 1;
    std::streamsize Seen = 0;
    {
        std::ifstream Reader(Path, std::ios::binary);
        Seen = Reader.ignore(Bytes.size()).gcount();
    }
    SDL_RWclose(Writer);
    std::remove(Path.c_str());
    return Written && Seen > 0;
}
