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

// Largest pixel array a header may ask for; the game's biggest image is 1024x512x4.
constexpr uint64_t MaxPixelBytes = uint64_t(256) << 20;
// Largest TGA file read: those pixels run-length encoded at their worst (a
// packet byte for each pixel byte), with room for the header, the colour map
// and the extension areas.
constexpr uint64_t MaxTGAFileSize = 2 * MaxPixelBytes + (uint64_t(1) << 20);

class TTGAImage {
public:
    TTGAHeader Header;
    std::vector<uint8_t> Pixels;
    std::vector<uint8_t> Palette;

    TTGAImage();
    virtual ~TTGAImage();

    // Reads header, colour map and pixels. Refuses a zero side or more than
    // 256 MiB of pixel bytes before allocating; bytes a short stream lacks stay zero.
    void LoadFromStream(std::istream& Stream);
    // Run-length decoder for ImageType 9 to 11; a packet is cut at the end of Pixels.
    void ReadRLEPixels(std::istream& Stream);
    // Exchanges bytes 0 and 2 of each pixel (3 bytes or more) or of each palette entry.
    void SwapRedBlue();
    // Widens one-byte palette or grey pixels to RGBA; magenta entries get alpha 0 and
    // indices without a stored entry become transparent black.
    void ConvertTo32Bit();
    uint8_t* PixelData();
};
