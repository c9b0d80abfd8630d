#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "PexTGA.h"
#include "TestTGA.h"

namespace {

using Bytes = std::vector<uint8_t>;

TTGAImage Load(const TGAFields& F, const Bytes& Data) {
    std::istringstream Stream(MakeTGA(F, Data));
    TTGAImage Image;
    Image.LoadFromStream(Stream);
    return Image;
}

std::string LoadError(const TGAFields& F, const Bytes& Data) {
    try {
        Load(F, Data);
    } catch (const std::runtime_error& E) {
        return E.what();
    }
    return "";
}

// A 1 x Count palette image with 8-bit indices and 24-bit entries.
TGAFields PaletteFields(uint16_t Count, uint16_t Entries, uint16_t Start = 0) {
    TGAFields F;
    F.ColorMapType = 1;
    F.ImageType = 1;
    F.ColorMapStart = Start;
    F.ColorMapLength = Entries;
    F.ColorMapDepth = 24;
    F.Width = Count;
    F.PixelDepth = 8;
    return F;
}

}  // namespace

TEST(TGAImage, ConstructionZeroesHeaderAndArrays) {
    TTGAImage Image;
    const uint8_t* Raw = reinterpret_cast<const uint8_t*>(&Image.Header);
    EXPECT_EQ(Bytes(Raw, Raw + 18), Bytes(18, 0));
    EXPECT_TRUE(Image.Pixels.empty());
    EXPECT_TRUE(Image.Palette.empty());
}

TEST(TGAImage, HeaderFieldsReadLittleEndian) {
    TGAFields F = PaletteFields(0x0102, 0x0201, 0x0304);
    F.Height = 2;
    TTGAImage Image = Load(F, {});
    EXPECT_EQ(Image.Header.ColorMapType, 1);
    EXPECT_EQ(Image.Header.ImageType, 1);
    EXPECT_EQ(Image.Header.ColorMapStart, 0x0304);
    EXPECT_EQ(Image.Header.ColorMapLength, 0x0201);
    EXPECT_EQ(Image.Header.ColorMapDepth, 24);
    EXPECT_EQ(Image.Header.Width, 0x0102);
    EXPECT_EQ(Image.Header.Height, 2);
    EXPECT_EQ(Image.Header.PixelDepth, 8);
}

TEST(TGAImage, RawTrueColourLoadsAndSwapsRedBlue) {
    TGAFields F;
    F.Width = 2;
    TTGAImage Image = Load(F, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(Image.Pixels, (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Image.PixelData(), Image.Pixels.data());
    Image.SwapRedBlue();
    EXPECT_EQ(Image.Pixels, (Bytes{3, 2, 1, 6, 5, 4}));
    Image.SwapRedBlue();
    EXPECT_EQ(Image.Pixels, (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST(TGAImage, SwapKeepsAlphaOf32BitPixels) {
    TGAFields F;
    F.Width = 2;
    F.PixelDepth = 32;
    TTGAImage Image = Load(F, {1, 2, 3, 40, 5, 6, 7, 80});
    Image.SwapRedBlue();
    EXPECT_EQ(Image.Pixels, (Bytes{3, 2, 1, 40, 7, 6, 5, 80}));
}

TEST(TGAImage, SwapOfPaletteImageTouchesEntriesNotIndices) {
    TTGAImage Image = Load(PaletteFields(2, 2), {1, 2, 3, 4, 5, 6, 0, 1});
    Image.SwapRedBlue();
    EXPECT_EQ(Image.Palette, (Bytes{3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(Image.Pixels, (Bytes{0, 1}));
}

TEST(TGAImage, GreyPixelsAreNeverSwapped) {
    TGAFields F;
    F.ImageType = 3;
    F.Width = 3;
    F.PixelDepth = 8;
    TTGAImage Image = Load(F, {1, 2, 3});
    Image.SwapRedBlue();
    EXPECT_EQ(Image.Pixels, (Bytes{1, 2, 3}));
}

TEST(TGAImage, PaletteLengthIsEntriesTimesDepthDivEight) {
    for (const auto& [Depth, Length] : {std::pair{24, 12}, {16, 8}, {15, 7}}) {
        TGAFields F = PaletteFields(1, 4);
        F.ColorMapDepth = uint8_t(Depth);
        Bytes Data(size_t(Length) + 1);
        for (size_t I = 0; I < Data.size(); ++I) Data[I] = uint8_t(I + 1);
        TTGAImage Image = Load(F, Data);
        ASSERT_EQ(Image.Palette.size(), size_t(Length)) << Depth;
        // The pixel data starts right after the colour map.
        EXPECT_EQ(Image.Pixels, Bytes{uint8_t(Length + 1)}) << Depth;
    }
}

TEST(TGAImage, ColourMapIsReadOnlyForColorMapTypeOne) {
    TGAFields F = PaletteFields(1, 4);
    F.ColorMapType = 2;
    TTGAImage Image = Load(F, {9, 8, 7});
    EXPECT_TRUE(Image.Palette.empty());
    EXPECT_EQ(Image.Pixels, Bytes{9});
}

TEST(TGAImage, RunPacketRepeatsOnePixel) {
    TGAFields F;
    F.ImageType = 10;
    F.Width = 4;
    TTGAImage Image = Load(F, {0x83, 1, 2, 3});
    EXPECT_EQ(Image.Pixels, (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3}));
}

TEST(TGAImage, RawPacketCopiesPixels) {
    TGAFields F;
    F.ImageType = 10;
    F.Width = 2;
    TTGAImage Image = Load(F, {0x01, 1, 2, 3, 4, 5, 6});
    EXPECT_EQ(Image.Pixels, (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST(TGAImage, RunPacketOf128PixelsSpansRows) {
    TGAFields F;
    F.ImageType = 11;
    F.Width = 100;
    F.Height = 2;
    F.PixelDepth = 8;
    // 128 copies of 7 cross the row end; a raw packet of 72 pixels finishes the image.
    Bytes Data{0xFF, 7, 71};
    for (uint8_t I = 0; I < 72; ++I) Data.push_back(I);
    TTGAImage Image = Load(F, Data);
    ASSERT_EQ(Image.Pixels.size(), 200u);
    EXPECT_EQ(Image.Pixels[0], 7);
    EXPECT_EQ(Image.Pixels[127], 7);
    EXPECT_EQ(Image.Pixels[128], 0);
    EXPECT_EQ(Image.Pixels[199], 71);
}

TEST(TGAImage, RunLengthTypesBecomeUncompressedTypes) {
    for (const auto& [Stored, Loaded] : {std::pair{9, 1}, {10, 2}, {11, 3}}) {
        TGAFields F;
        F.ImageType = uint8_t(Stored);
        F.PixelDepth = 8;
        EXPECT_EQ(Load(F, {0x80, 5}).Header.ImageType, Loaded) << Stored;
    }
}

TEST(TGAImage, OversizeRunPacketIsCutAtEndOfPixels) {
    TGAFields F;
    F.ImageType = 10;
    F.Width = 2;
    std::istringstream Stream(MakeTGA(F, {0xFF, 1, 2, 3, 0x42}));
    TTGAImage Image;
    Image.LoadFromStream(Stream);
    EXPECT_EQ(Image.Pixels, (Bytes{1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(Stream.get(), 0x42);
}

TEST(TGAImage, OversizeRawPacketIsCutAndItsSurplusConsumed) {
    TGAFields F;
    F.ImageType = 11;
    F.Width = 2;
    F.PixelDepth = 8;
    std::istringstream Stream(MakeTGA(F, {0x03, 1, 2, 3, 4, 0x42}));
    TTGAImage Image;
    Image.LoadFromStream(Stream);
    EXPECT_EQ(Image.Pixels, (Bytes{1, 2}));
    EXPECT_EQ(Stream.get(), 0x42);
}

TEST(TGAImage, TruncatedFileLeavesMissingBytesZero) {
    TGAFields F;
    F.Width = 3;
    EXPECT_EQ(Load(F, {1, 2, 3, 4}).Pixels, (Bytes{1, 2, 3, 4, 0, 0, 0, 0, 0}));
    F.ImageType = 10;
    EXPECT_EQ(Load(F, {0x81, 1, 2, 3}).Pixels, (Bytes{1, 2, 3, 1, 2, 3, 0, 0, 0}));
    EXPECT_EQ(Load(F, {0x02, 1, 2, 3, 4}).Pixels, (Bytes{1, 2, 3, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Load(PaletteFields(1, 4), {1, 2, 3}).Palette,
              (Bytes{1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(TGAImage, ZeroSideIsRefused) {
    TGAFields F;
    F.Height = 0;
    EXPECT_EQ(LoadError(F, {}), "Invalid TGA image: width or height is zero");
    F.Height = 1;
    F.Width = 0;
    F.ImageType = 10;
    EXPECT_EQ(LoadError(F, {}), "Invalid TGA image: width or height is zero");
    std::istringstream Empty("");
    TTGAImage Image;
    EXPECT_THROW(Image.LoadFromStream(Empty), std::runtime_error);
}

TEST(TGAImage, HeaderAskingForMoreThan256MiBIsRefused) {
    TGAFields F;
    F.Width = 65535;
    F.Height = 65535;
    F.PixelDepth = 32;
    EXPECT_EQ(LoadError(F, {}),
              "Invalid TGA image: 65535x65535 pixels of 32 bits exceed the 256 MiB limit");
    F.ImageType = 10;
    EXPECT_NE(LoadError(F, {}), "");
}

TEST(TGAImage, PaletteImageWidensWithMagentaKey) {
    // Entries stored blue, green, red: magenta, then 255,0,254 after the swap.
    TTGAImage Image = Load(PaletteFields(3, 3), {255, 0, 255, 254, 0, 255, 30, 20, 10, 0, 1, 2});
    Image.SwapRedBlue();
    Image.ConvertTo32Bit();
    EXPECT_EQ(Image.Pixels, (Bytes{255, 0, 255, 0, 255, 0, 254, 255, 10, 20, 30, 255}));
    EXPECT_EQ(Image.Header.PixelDepth, 32);
    EXPECT_EQ(Image.Header.ImageType, 2);
    EXPECT_EQ(Image.Header.ColorMapType, 0);
    EXPECT_EQ(Image.Header.ColorMapStart, 0);
    EXPECT_EQ(Image.Header.ColorMapLength, 0);
    EXPECT_EQ(Image.Header.ColorMapDepth, 0);
    EXPECT_EQ(Image.Palette.size(), 9u);
}

TEST(TGAImage, ColorMapStartShiftsEntryOffsets) {
    // Start 2: index 5 uses the entry at byte offset 9, index 2 the first entry.
    Bytes Data{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 5, 6, 5, 2};
    TTGAImage Image = Load(PaletteFields(2, 4, 2), Data);
    Image.ConvertTo32Bit();
    EXPECT_EQ(Image.Pixels, (Bytes{4, 5, 6, 255, 1, 1, 1, 255}));
}

TEST(TGAImage, IndexWithoutPaletteEntryIsTransparentBlack) {
    // Start 2 with two entries: 1 lies below the map, 4 and 255 beyond it.
    Bytes Data{9, 9, 9, 8, 8, 8, 1, 4, 255, 3};
    TTGAImage Image = Load(PaletteFields(4, 2, 2), Data);
    Image.ConvertTo32Bit();
    EXPECT_EQ(Image.Pixels, (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 8, 8, 255}));
}

TEST(TGAImage, GreyPixelWidensToOpaqueGrey) {
    TGAFields F;
    F.ImageType = 3;
    F.Width = 2;
    F.PixelDepth = 8;
    TTGAImage Image = Load(F, {128, 0});
    Image.ConvertTo32Bit();
    EXPECT_EQ(Image.Pixels, (Bytes{128, 128, 128, 255, 0, 0, 0, 255}));
}

TEST(TGAImage, ConversionMakesFourBytesOfEveryPixel) {
    TGAFields F;
    F.ImageType = 11;
    F.Width = 300;
    F.Height = 7;
    F.PixelDepth = 8;
    Bytes Data;
    for (int32_t I = 0; I < 2100; I += 100) Data.insert(Data.end(), {0xE3, uint8_t(I / 100)});
    TTGAImage Image = Load(F, Data);
    ASSERT_EQ(Image.Pixels.size(), 2100u);
    Image.ConvertTo32Bit();
    ASSERT_EQ(Image.Pixels.size(), 8400u);
    for (size_t I = 0; I < 2100; ++I) {
        const uint8_t V = uint8_t(I / 100);
        ASSERT_EQ(Bytes(&Image.Pixels[4 * I], &Image.Pixels[4 * I + 4]), (Bytes{V, V, V, 255}))
            << I;
    }
}

TEST(TGAImage, PaletteOfOtherDepthIsRefusedUnchanged) {
    for (uint8_t Depth : {16, 32}) {
        TGAFields F = PaletteFields(1, 2);
        F.ColorMapDepth = Depth;
        TTGAImage Image = Load(F, Bytes(size_t(Depth) / 4, 1));
        const Bytes Pixels = Image.Pixels;
        try {
            Image.ConvertTo32Bit();
            ADD_FAILURE() << "no error for depth " << int32_t(Depth);
        } catch (const std::runtime_error& E) {
            EXPECT_STREQ(E.what(), "Unsupported color palette type!");
        }
        EXPECT_EQ(Image.Pixels, Pixels);
        EXPECT_EQ(Image.Header.PixelDepth, 8);
        EXPECT_EQ(Image.Header.ImageType, 1);
    }
}

TEST(TGAImage, TrueColourIsNeverConverted) {
    TGAFields F;
    F.Width = 2;
    F.PixelDepth = 8;
    TTGAImage Image = Load(F, {1, 2});
    Image.ConvertTo32Bit();
    EXPECT_EQ(Image.Pixels, (Bytes{1, 2}));
    EXPECT_EQ(Image.Header.PixelDepth, 8);

    TTGAImage Converted = Load(PaletteFields(1, 1), {1, 2, 3, 0});
    Converted.ConvertTo32Bit();
    const Bytes Once = Converted.Pixels;
    Converted.ConvertTo32Bit();
    EXPECT_EQ(Converted.Pixels, Once);
}
