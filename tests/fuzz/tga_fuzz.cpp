// Feeds arbitrary bytes to the TGA decoder, its conversions and the texture loader.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>

#include "Fakes.h"
#include "PexTGA.h"
#include "PexTexture.h"

// Pixel bytes a header asks for (little-endian fields at offsets 12, 14, 16);
// bytes past the end of a short input read as zero, as in the decoder.
static uint64_t DeclaredPixelBytes(const uint8_t* Data, size_t Size) {
    uint8_t Header[18] = {};
    std::memcpy(Header, Data, std::min(Size, sizeof(Header)));
    const uint64_t Width = Header[12] | Header[13] << 8;
    const uint64_t Height = Header[14] | Header[15] << 8;
    return Width * Height * (Header[16] / 8);
}

static void Check(bool Condition) {
    if (!Condition) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    // Headers for large images are valid but only cost time: zero-filling
    // hundreds of MiB per input would stall the search. Oversize headers, which
    // are refused before allocating, still run.
    const uint64_t Declared = DeclaredPixelBytes(Data, Size);
    if (Declared > (uint64_t(64) << 10) && Declared <= (uint64_t(256) << 20)) return 0;
    const std::string Bytes(reinterpret_cast<const char*>(Data), Size);

    {
        std::istringstream Stream(Bytes);
        TTGAImage Image;
        bool Loaded = true;
        try {
            Image.LoadFromStream(Stream);
        } catch (const std::runtime_error&) {
            Loaded = false;
        }
        if (Loaded) {
            const TTGAHeader& H = Image.Header;
            const size_t BytesPerPixel = H.PixelDepth / 8;
            Check(Image.Pixels.size() == size_t(H.Width) * H.Height * BytesPerPixel);
            Image.SwapRedBlue();
            const bool Widens = BytesPerPixel == 1 && H.ImageType != 2;
            try {
                Image.ConvertTo32Bit();
                if (Widens) Check(Image.Pixels.size() == size_t(H.Width) * H.Height * 4);
            } catch (const std::runtime_error&) {
            }
        }
    }

    {
        std::istringstream Stream(Bytes);
        uint32_t Texture = 0;
        try {
            LoadTextureFromStream(Stream, Texture);
            // The fake upload copies Width x Height pixels of the format's size
            // from the decoded image, so a short buffer shows up as an overflow.
            Check(fake::Uploads.size() == 1 && Texture != 0);
        } catch (const std::runtime_error&) {
            Check(fake::Uploads.empty() && Texture == 0);
        }
        fake::ResetGL();
    }
    return 0;
}
