// PexMipmaps: GLU's image scaling and mipmap halving for pixels of 8-bit
// components, computed the way GLU computes them, for a system without GLU (the
// browser): the pictures come out there as on the desktop, byte for byte.
//
// Owns: nothing.
// Uses: nothing.
// No initialisation or finalisation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// An image of Width x Height pixels of Components bytes each, rows RowBytes
// apart (at least Width x Components: a row may be padded).
struct TMipSource {
    int32_t Components;
    int32_t Width;
    int32_t Height;
    const uint8_t* Pixels;
    size_t RowBytes;
};

// One mipmap level, rows without padding.
struct TMipLevel {
    int32_t Width;
    int32_t Height;
    std::vector<uint8_t> Pixels;
};

// The side GLU scales a texture's side to: the power of two below it, or the
// one above when the side is at least three quarters of that. 0 for a side
// below 1.
int32_t GluTextureSide(int32_t Side);

// gluScaleImage for unsigned bytes: every component widened to 16 bits, a box
// filter in single precision over the source pixels each target pixel covers,
// and narrowed back by dropping the low byte. The target has rows OutRowBytes
// apart; the bytes of a row's padding are left as they were.
void GluScaleImage(const TMipSource& Source, int32_t NewWidth, int32_t NewHeight, uint8_t* Out,
                   size_t OutRowBytes);

// The next mipmap level of an image of 2 x 1 pixels or more, as GLU makes it:
// half the sides (none below 1), each pixel the average of the 2 x 2 it
// covers, rounded; in a single row or column the average of 2, truncated.
TMipLevel GluHalveImage(const TMipSource& Source);

// Every level gluBuild2DMipmaps uploads for the image, from level 0 (the image
// scaled to GLU's sides, none above MaxSide) down to 1 x 1. An image whose
// sides are already those is level 0 unchanged. Empty when a side is below 1.
std::vector<TMipLevel> GluMipmapLevels(const TMipSource& Source, int32_t MaxSide);
