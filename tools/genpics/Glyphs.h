// Glyphs: single characters of a TrueType font rendered to coverage bitmaps
// with FreeType, for the bitmap font and the lettering of the pictures.
//
// Owns: the FreeType library handle and the open font face.
// Uses: FreeType.
// OpenFont starts FreeType and opens the face; CloseFont releases both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Coverage 0..255 per pixel, rows top first; Left and Top place the bitmap
// relative to the pen position on the baseline (Top counts upwards).
struct TGlyph {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Advance = 0;
    std::vector<uint8_t> Coverage;
};

void OpenFont(const std::string& FileName);
void CloseFont();
bool HasGlyph(uint32_t Code);
// Renders a Unicode character at a pixel size that may differ across and down.
TGlyph RenderGlyph(uint32_t Code, int32_t PixelWidth, int32_t PixelHeight);
