// Canvas: an RGBA picture in memory with the few drawing operations the
// picture generator needs, and writing it out as a TGA file of a chosen kind.
//
// Owns: nothing at unit level; each canvas owns its pixels.
// Uses: the standard library only.
// No initialisation or finalisation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TRgba {
    uint8_t R;
    uint8_t G;
    uint8_t B;
    uint8_t A;
};

constexpr TRgba Clear{0, 0, 0, 0};

// Pixels top row first, four bytes each (red, green, blue, alpha).
struct TCanvas {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Pixels;
};

TCanvas NewCanvas(int32_t Width, int32_t Height, TRgba Fill);
TRgba GetPixel(const TCanvas& Canvas, int32_t X, int32_t Y);
// Pixels outside the canvas are ignored by every drawing operation.
void SetPixel(TCanvas& Canvas, int32_t X, int32_t Y, TRgba Color);
// Source-over composition of Color, its alpha scaled by Cover (0..1).
void BlendPixel(TCanvas& Canvas, int32_t X, int32_t Y, TRgba Color, float Cover);
void FillRect(TCanvas& Canvas, int32_t X, int32_t Y, int32_t Width, int32_t Height, TRgba Color);
// Copies (Blend false) or composes (Blend true) a rectangle of Source onto
// Target at (X, Y), every source pixel drawn as a Scale x Scale block.
void DrawCanvas(TCanvas& Target, int32_t X, int32_t Y, const TCanvas& Source, int32_t SourceX,
                int32_t SourceY, int32_t Width, int32_t Height, int32_t Scale, bool Blend);

// One character of a pixel-art drawing and the colour it stands for.
struct TArtKey {
    char Key;
    TRgba Color;
};

// Builds a canvas from rows of characters; '.' is transparent and every other
// character must appear in Keys. Raises an error on a ragged or unknown row.
TCanvas ArtCanvas(const std::vector<std::string>& Rows, const std::vector<TArtKey>& Keys);

// Mixes two colours, T = 0 giving A and T = 1 giving B.
TRgba Mix(TRgba A, TRgba B, float T);
TRgba Shade(TRgba Color, float Factor);

// A repeatable pseudo-random value 0..1 of a position and a seed.
float Noise(int32_t X, int32_t Y, uint32_t Seed);

// File kinds; all are stored bottom row first with no identification field.
enum TTgaKind : uint8_t {
    tkTrue24,     // type 2, 24 bits, alpha dropped
    tkTrue32,     // type 2, 32 bits
    tkTrue32Rle,  // type 10, 32 bits
    tkMapped,     // type 1, 8-bit indices into a 24-bit palette
    tkMappedRle,  // type 9, the same run-length encoded
};

// Transparent pixels of a mapped file use this palette colour, which the game
// turns into alpha 0.
constexpr TRgba ColorKey{255, 0, 255, 255};

// Encodes the canvas; raises an error when a mapped file would need more than
// 256 colours or an opaque pixel has the key colour.
std::vector<uint8_t> EncodeTga(const TCanvas& Canvas, TTgaKind Kind);
// A PNG file of the canvas: 8-bit RGBA, its image data in stored (uncompressed)
// deflate blocks, so that the bytes depend on the pixels alone.
std::vector<uint8_t> EncodePng(const TCanvas& Canvas);
// A Windows icon file holding each canvas (square, 1 to 256 pixels) as a PNG
// image, in the order given.
std::vector<uint8_t> EncodeIco(const std::vector<TCanvas>& Canvases);

void WriteFile(const std::string& FileName, const std::vector<uint8_t>& Bytes);
