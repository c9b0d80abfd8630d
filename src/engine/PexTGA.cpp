#include "PexTGA.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>

// Reads up to Count bytes; bytes the stream does not deliver keep their value.
// Returns whether all of them came.
static bool ReadBytes(std::istream& Stream, uint8_t* Buffer, size_t Count) {
    if (Count == 0) return true;
    Stream.read(reinterpret_cast<char*>(Buffer), std::streamsize(Count));
    return size_t(Stream.gcount()) == Count;
}

// Refuses a header that cannot describe a real image before anything is allocated.
static size_t PixelByteCount(const TTGAHeader& Header) {
    if (Header.Width == 0 || Header.Height == 0)
        throw std::runtime_error("Invalid TGA image: width or height is zero");
    const uint64_t Bytes =
        uint64_t(Header.Width) * uint64_t(Header.Height) * uint64_t(Header.PixelDepth / 8);
    if (Bytes > MaxPixelBytes)
        throw std::runtime_error("Invalid TGA image: " + std::to_string(Header.Width) + "x" +
                                 std::to_string(Header.Height) + " pixels of " +
                                 std::to_string(Header.PixelDepth) +
                                 " bits exceed the 256 MiB limit");
    return size_t(Bytes);
}

TTGAImage::TTGAImage() : Header{} {}

TTGAImage::~TTGAImage() = default;

void TTGAImage::LoadFromStream(std::istream& Stream) {
    // A short read leaves the missing bytes zero, here and below.
    Header = TTGAHeader{};
    Palette.clear();
    Pixels.clear();
    ReadBytes(Stream, reinterpret_cast<uint8_t*>(&Header), sizeof(Header));
    const size_t PixelBytes = PixelByteCount(Header);

    // The identification field (IdLength) is not skipped: files carry none.
    if (Header.ColorMapType == 1) {
        Palette.assign(size_t(Header.ColorMapLength) * Header.ColorMapDepth / 8, 0);
        ReadBytes(Stream, Palette.data(), Palette.size());
    }

    if (Header.ImageType < 9) {
        Pixels.assign(PixelBytes, 0);
        ReadBytes(Stream, Pixels.data(), Pixels.size());
    } else {
        ReadRLEPixels(Stream);
    }
}

void TTGAImage::ReadRLEPixels(std::istream& Stream) {
    const size_t B = Header.PixelDepth / 8;
    const size_t N = PixelByteCount(Header);
    Pixels.assign(N, 0);
    std::array<uint8_t, 32> Pixel;  // B is at most 255 div 8 = 31

    size_t Out = 0;
    while (Out < N) {
        char PacketHeader;
        if (!Stream.get(PacketHeader)) break;  // file ended early: the rest stays zero
        const uint8_t H = uint8_t(PacketHeader);
        const size_t Count = size_t(H & 127) + 1;
        // A packet that claims more pixels than are left is cut at the end of Pixels.
        const size_t Bytes = std::min(Count * B, N - Out);
        if (H & 128) {
            Pixel.fill(0);
            const bool Complete = ReadBytes(Stream, Pixel.data(), B);
            for (size_t Done = 0; Done < Bytes; Done += B)
                std::memcpy(&Pixels[Out + Done], Pixel.data(), std::min(B, Bytes - Done));
            Out += Bytes;
            if (!Complete) break;
        } else {
            const bool Complete = ReadBytes(Stream, &Pixels[Out], Bytes);
            Out += Bytes;
            if (!Complete) break;
            // Consume the surplus of a cut packet so the stream ends after it.
            if (Count * B > Bytes) Stream.ignore(std::streamsize(Count * B - Bytes));
        }
    }

    if (Header.ImageType >= 8) Header.ImageType -= 8;  // 9, 10, 11 become 1, 2, 3
}

void TTGAImage::SwapRedBlue() {
    const size_t B = Header.PixelDepth / 8;
    if (B >= 3) {
        for (size_t I = 0; I + B <= Pixels.size(); I += B) std::swap(Pixels[I], Pixels[I + 2]);
    } else if (Header.ColorMapType != 0) {
        // Palette entries are taken as 3 bytes whatever their stored depth.
        for (size_t I = 0; I + 3 <= Palette.size(); I += 3) std::swap(Palette[I], Palette[I + 2]);
    }
}

void TTGAImage::ConvertTo32Bit() {
    if (Header.ImageType == 2) return;
    const bool IsPalette = Header.ColorMapType == 1;
    if (IsPalette && Header.ColorMapDepth != 24)
        throw std::runtime_error("Unsupported color palette type!");

    // Every one-byte value maps to one RGBA colour, so build that table once.
    // A palette index with no stored entry (below ColorMapStart or past the end
    // of Palette) becomes transparent black.
    std::array<std::array<uint8_t, 4>, 256> Colors;
    const size_t S = Header.ColorMapStart;
    for (size_t V = 0; V < 256; ++V) {
        if (!IsPalette) {
            Colors[V] = {uint8_t(V), uint8_t(V), uint8_t(V), 255};
        } else if (V >= S && (V - S) * 3 + 3 <= Palette.size()) {
            const uint8_t* Entry = &Palette[(V - S) * 3];
            const bool IsKey = Entry[0] == 255 && Entry[1] == 0 && Entry[2] == 255;
            Colors[V] = {Entry[0], Entry[1], Entry[2], uint8_t(IsKey ? 0 : 255)};
        } else {
            Colors[V] = {0, 0, 0, 0};
        }
    }

    const size_t P = Pixels.size();
    Header.ImageType = 2;
    Header.PixelDepth = 32;
    Header.ColorMapType = 0;
    Header.ColorMapStart = 0;
    Header.ColorMapLength = 0;
    Header.ColorMapDepth = 0;
    Pixels.resize(4 * P);

    // Last pixel first: byte I is read before any output pixel covers it.
    uint8_t* Data = Pixels.data();
    for (size_t I = P; I-- > 0;) std::memcpy(Data + 4 * I, Colors[Data[I]].data(), 4);
}

uint8_t* TTGAImage::PixelData() {
    return Pixels.data();
}
