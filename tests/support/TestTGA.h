// TGA files built field by field, for the image reader's and the texture
// loader's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TGAFields {
    uint8_t ColorMapType = 0;
    uint8_t ImageType = 2;
    uint16_t ColorMapStart = 0;
    uint16_t ColorMapLength = 0;
    uint8_t ColorMapDepth = 0;
    uint16_t Width = 1;
    uint16_t Height = 1;
    uint8_t PixelDepth = 24;
};

// The 18-byte little-endian header (no image id, origin 0, 0, descriptor 0),
// then Data.
inline std::string MakeTGA(const TGAFields& F, const std::vector<uint8_t>& Data) {
    auto Low = [](uint16_t V) { return static_cast<char>(V & 255); };
    auto High = [](uint16_t V) { return static_cast<char>(V >> 8); };
    std::string File;
    File += '\0';
    File += static_cast<char>(F.ColorMapType);
    File += static_cast<char>(F.ImageType);
    File += {Low(F.ColorMapStart), High(F.ColorMapStart)};
    File += {Low(F.ColorMapLength), High(F.ColorMapLength)};
    File += static_cast<char>(F.ColorMapDepth);
    File += std::string(4, '\0');
    File += {Low(F.Width), High(F.Width), Low(F.Height), High(F.Height)};
    File += static_cast<char>(F.PixelDepth);
    File += '\0';
    File.append(Data.begin(), Data.end());
    return File;
}
