// PexTGA: TTGAImage, one TGA image read from a byte stream into memory, with
// the conversions the texture loader needs (red/blue exchange, widening of
// 8-bit palette or grey pixels to RGBA with a magenta colour key).
//
// Owns: nothing at unit level; each image owns its Pixels and Palette.
// Uses: the standard streams.
// No initialisation or finalisation.
#pragma once

#include <cstdint>
#include <istream>
#include <vector>

#pragma pack(push, 1)
struct TTGAHeader {
    uint8_t IdLength;
    uint8_t ColorMapType;
    uint8_t ImageType;
    uint16_t ColorMapStart;
    uint16_t ColorMapLength;
    uint8_t ColorMapDepth;
    uint16_t XOrigin;
    uint16_t YOrigin;
    uint16_t Width;
    uint16_t Height;
    uint8_t PixelDepth;
    uint8_t ImageDescriptor;
};
#pragma pack(pop)
static_assert(sizeof(TTGAHeader) == 18, "the TGA header is 18 bytes");

class TTGAImage {
public:
    TTGAHeader Header;
    std::vector<uint8_t> Pixels;
    std::vector<uint8_t> Palette;

    TTGAImage();
    virtual ~TTGAImage();

    void LoadFromStream(std::istream& Stream);
    void ReadRLEPixels(std::istream& Stream);
    void SwapRedBlue();
    void ConvertTo32Bit();
    uint8_t* PixelData();
};
