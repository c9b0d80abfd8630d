// The six pictures under data/pic, decoded the way the texture loader does,
// hold the sizes and the layout that the screens draw from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "PexTGA.h"
#include "TestFiles.h"

namespace {

struct TRgba {
    uint8_t R, G, B, A;
};

// One shipped picture: its header as stored and its pixels widened to RGBA
// (24-bit pixels get alpha 255), addressed from the top-left corner.
struct TShipped {
    TTGAHeader Stored{};
    bool ReadToEnd = false;
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Rgba;

    TRgba At(int32_t X, int32_t Y) const {
        // Rows are stored bottom row first.
        const size_t I = (size_t(Height - 1 - Y) * Width + X) * 4;
        return {Rgba[I], Rgba[I + 1], Rgba[I + 2], Rgba[I + 3]};
    }
};

TShipped LoadShipped(const std::string& Name) {
    const std::string Bytes = ReadBytes(std::string(PEX_SOURCE_DIR) + "/data/pic/" + Name);
    if (Bytes.size() < sizeof(TTGAHeader)) throw std::runtime_error(Name + " is too short");
    TShipped Shipped;
    std::memcpy(&Shipped.Stored, Bytes.data(), sizeof(TTGAHeader));
    std::istringstream Stream(Bytes);
    TTGAImage Image;
    Image.LoadFromStream(Stream);
    Shipped.ReadToEnd = Stream.peek() == std::char_traits<char>::eof();
    Image.SwapRedBlue();
    if (Image.Header.PixelDepth / 8 == 1) Image.ConvertTo32Bit();
    Shipped.Width = Image.Header.Width;
    Shipped.Height = Image.Header.Height;
    const size_t Depth = Image.Header.PixelDepth / 8;
    const size_t Count = size_t(Shipped.Width) * Shipped.Height;
    if (Image.Pixels.size() != Count * Depth) throw std::runtime_error(Name + ": wrong pixel size");
    Shipped.Rgba.resize(Count * 4);
    for (size_t I = 0; I < Count; ++I) {
        for (size_t C = 0; C < 3; ++C) Shipped.Rgba[I * 4 + C] = Image.Pixels[I * Depth + C];
        Shipped.Rgba[I * 4 + 3] = Depth == 4 ? Image.Pixels[I * Depth + 3] : 255;
    }
    return Shipped;
}

struct TRect {
    int32_t X, Y, Width, Height;
};

int32_t CountAlpha(const TShipped& Image, TRect R, uint8_t AtLeast) {
    int32_t Count = 0;
    for (int32_t y = R.Y; y < R.Y + R.Height; ++y)
        for (int32_t x = R.X; x < R.X + R.Width; ++x)
            if (Image.At(x, y).A >= AtLeast) ++Count;
    return Count;
}

int32_t Area(TRect R) {
    return R.Width * R.Height;
}

bool SamePixels(const TShipped& Image, TRect A, TRect B) {
    for (int32_t y = 0; y < A.Height; ++y)
        for (int32_t x = 0; x < A.Width; ++x) {
            const TRgba P = Image.At(A.X + x, A.Y + y);
            const TRgba Q = Image.At(B.X + x, B.Y + y);
            if (P.R != Q.R || P.G != Q.G || P.B != Q.B || P.A != Q.A) return false;
        }
    return true;
}

TRect FontCell(int32_t Code) {
    return {(Code & 15) * 16, (Code >> 4) * 16, 16, 16};
}

}  // namespace

TEST(ShippedImages, EveryPictureDecodesToItsSizeAndEndsWithTheFile) {
    const struct {
        const char* Name;
        int32_t Width, Height;
    } Pictures[] = {{"font.tga", 256, 256},    {"menu.tga", 256, 256}, {"editor.tga", 256, 256},
                    {"splash.tga", 1024, 512}, {"gui.tga", 256, 256},  {"tiles.tga", 256, 256}};
    for (const auto& P : Pictures) {
        SCOPED_TRACE(P.Name);
        const TShipped Image = LoadShipped(P.Name);
        EXPECT_EQ(Image.Width, P.Width);
        EXPECT_EQ(Image.Height, P.Height);
        EXPECT_EQ(Image.Stored.IdLength, 0);
        EXPECT_EQ(Image.Stored.ImageDescriptor & 0x30, 0) << "rows must be stored bottom first";
        EXPECT_TRUE(Image.ReadToEnd) << "pixel data and file length disagree";
    }
}

TEST(ShippedImages, FilesCoverEveryStoredKindTheDecoderReads) {
    std::set<std::pair<int, int>> Kinds;  // image type, bits per pixel
    for (const char* Name :
         {"font.tga", "menu.tga", "editor.tga", "splash.tga", "gui.tga", "tiles.tga"}) {
        const TShipped Image = LoadShipped(Name);
        Kinds.insert({Image.Stored.ImageType, Image.Stored.PixelDepth});
        if (Image.Stored.ColorMapType == 1) {
            EXPECT_EQ(Image.Stored.ColorMapDepth, 24) << Name;
        }
    }
    EXPECT_TRUE(Kinds.count({2, 24})) << "raw 24-bit";
    EXPECT_TRUE(Kinds.count({2, 32}) || Kinds.count({10, 32})) << "32-bit with alpha";
    EXPECT_TRUE(Kinds.count({1, 8}) || Kinds.count({9, 8})) << "8-bit colour-mapped";
    EXPECT_TRUE(std::any_of(Kinds.begin(), Kinds.end(), [](const std::pair<int, int>& K) {
        return K.first >= 9;
    })) << "run-length encoded";
}

TEST(ShippedImages, FontHasGlyphsInCodePage1251CellsAndEmptyBlanks) {
    const TShipped Font = LoadShipped("font.tga");
    EXPECT_EQ(CountAlpha(Font, FontCell(0x20), 1), 0) << "space";
    for (int32_t Code = 0; Code < 0x20; ++Code)
        EXPECT_EQ(CountAlpha(Font, FontCell(Code), 1), 0) << "control code " << Code;
    auto HasGlyph = [&](int32_t Code) { return CountAlpha(Font, FontCell(Code), 200) > 4; };
    for (int32_t Code = 0x21; Code <= 0x7E; ++Code) EXPECT_TRUE(HasGlyph(Code)) << Code;
    for (int32_t Code = 0xC0; Code <= 0xFF; ++Code) EXPECT_TRUE(HasGlyph(Code)) << Code;
    for (int32_t Code : {0xA8, 0xB8, 0xAB, 0xBB, 0x96, 0x97, 0xB9, 0x85})
        EXPECT_TRUE(HasGlyph(Code)) << Code;
    // Cyrillic capitals sit in their own cells, not copies of Latin ones.
    EXPECT_FALSE(SamePixels(Font, FontCell(0xDF), FontCell('R')));
    EXPECT_FALSE(SamePixels(Font, FontCell(0xC8), FontCell('N')));
}

TEST(ShippedImages, FontGlyphsAreWhiteSoTheTextColourTintsThem) {
    const TShipped Font = LoadShipped("font.tga");
    const TRect A = FontCell('A');
    int32_t Opaque = 0;
    for (int32_t y = A.Y; y < A.Y + 16; ++y)
        for (int32_t x = A.X; x < A.X + 16; ++x) {
            const TRgba P = Font.At(x, y);
            if (P.A < 255) continue;
            ++Opaque;
            EXPECT_EQ(P.R, P.G);
            EXPECT_EQ(P.G, P.B);
        }
    EXPECT_GT(Opaque, 20);
    // The letters stand upright: the bar of "T" is its widest row and lies
    // on top, and "g" reaches below the baseline that "a" sits on.
    auto Rows = [&](int32_t Code) {
        const TRect Cell = FontCell(Code);
        std::vector<int32_t> Counts;
        for (int32_t y = 0; y < 16; ++y)
            Counts.push_back(CountAlpha(Font, {Cell.X, Cell.Y + y, 16, 1}, 200));
        return Counts;
    };
    auto Lowest = [](const std::vector<int32_t>& Counts) {
        int32_t Row = -1;
        for (int32_t y = 0; y < 16; ++y)
            if (Counts[y] > 0) Row = y;
        return Row;
    };
    const std::vector<int32_t> T = Rows('T');
    const auto Widest = std::max_element(T.begin(), T.end()) - T.begin();
    EXPECT_LT(Widest, 4);
    EXPECT_GT(Lowest(Rows('g')), Lowest(Rows('a')));
}

TEST(ShippedImages, MenuPiecesSitWhereTheMenuAndHudDrawThem) {
    const TShipped Menu = LoadShipped("menu.tga");
    const TRect Background{0, 64, 128, 64};
    EXPECT_EQ(CountAlpha(Menu, Background, 255), Area(Background));
    EXPECT_GT(CountAlpha(Menu, {0, 0, 96, 64}, 1), 0) << "band piece";
    const TRect Arrow{0, 160, 32, 32}, Empty{32, 160, 32, 32}, Ticked{64, 160, 32, 32};
    for (TRect Cell : {Arrow, Empty, Ticked}) {
        EXPECT_GT(CountAlpha(Menu, Cell, 255), 50);
        EXPECT_LT(CountAlpha(Menu, Cell, 1), Area(Cell)) << "transparent around the glyph";
        EXPECT_EQ(Menu.At(Cell.X, Cell.Y).A, 0);
        EXPECT_EQ(Menu.At(Cell.X + 31, Cell.Y + 31).A, 0);
    }
    EXPECT_FALSE(SamePixels(Menu, Empty, Ticked));
    const TRect Segment{8, 232, 4, 16};
    EXPECT_EQ(CountAlpha(Menu, Segment, 255), Area(Segment));
    int32_t Sum = 0;
    for (int32_t y = 232; y < 248; ++y)
        for (int32_t x = 8; x < 12; ++x) Sum += Menu.At(x, y).G;
    EXPECT_GT(Sum / Area(Segment), 150) << "light, so the green tint shows";
}

TEST(ShippedImages, TilesHoldEightDistinctCellsTheSpriteAndThePanel) {
    const TShipped Tiles = LoadShipped("tiles.tga");
    for (int32_t i = 0; i < 8; ++i)
        for (int32_t j = i + 1; j < 8; ++j)
            EXPECT_FALSE(SamePixels(Tiles, {i * 16, 0, 16, 16}, {j * 16, 0, 16, 16})) << i << j;
    const TRect EmptyCell{0, 0, 16, 16};
    EXPECT_EQ(CountAlpha(Tiles, EmptyCell, 64), Area(EmptyCell)) << "empty cells are visible";
    const TRgba Empty = Tiles.At(8, 8);
    EXPECT_LT(Empty.R + Empty.G + Empty.B, 3 * 64) << "and dark";
    EXPECT_EQ(CountAlpha(Tiles, {16, 0, 16, 16}, 255), 256) << "brick";
    EXPECT_EQ(CountAlpha(Tiles, {32, 0, 16, 16}, 255), 256) << "steel";

    const TRect Sprite{0, 32, 16, 16};
    EXPECT_GT(CountAlpha(Tiles, Sprite, 255), 64);
    EXPECT_EQ(Tiles.At(0, 32).A, 0) << "transparent around the sprite";
    // Linear filtering of sprites at fractional positions reads the rows
    // above and below it; they must add nothing.
    EXPECT_EQ(CountAlpha(Tiles, {0, 31, 16, 1}, 1), 0);
    EXPECT_EQ(CountAlpha(Tiles, {0, 48, 16, 1}, 1), 0);

    const TRect Panel{16, 32, 64, 64};
    EXPECT_EQ(CountAlpha(Tiles, Panel, 255), Area(Panel));
    // The panel is tiled edge to edge: its opposite edges must join.
    EXPECT_TRUE(SamePixels(Tiles, {16, 32, 1, 64}, {16 + 32, 32, 1, 64}));
    EXPECT_TRUE(SamePixels(Tiles, {16, 32, 64, 1}, {16, 32 + 32, 64, 1}));
}

TEST(ShippedImages, EditorCursorFramesAHoleForTheCell) {
    const TShipped Editor = LoadShipped("editor.tga");
    const TRect Hole{16, 16, 16, 16};
    EXPECT_EQ(CountAlpha(Editor, Hole, 1), 0);
    EXPECT_EQ(CountAlpha(Editor, {15, 16, 1, 16}, 255), 16) << "frame left of the cell";
    EXPECT_EQ(CountAlpha(Editor, {32, 16, 1, 16}, 255), 16) << "frame right of the cell";
    EXPECT_EQ(CountAlpha(Editor, {16, 15, 16, 1}, 255), 16) << "frame above the cell";
    EXPECT_EQ(CountAlpha(Editor, {16, 32, 16, 1}, 255), 16) << "frame below the cell";
    EXPECT_EQ(CountAlpha(Editor, {0, 0, 256, 256}, 1), CountAlpha(Editor, {0, 0, 64, 64}, 1))
        << "nothing outside the 64 x 64 frame";
}

TEST(ShippedImages, PaletteKeyBecomesTransparentAndPointerTipIsOpaque) {
    const TShipped Gui = LoadShipped("gui.tga");
    ASSERT_EQ(Gui.Stored.ColorMapType, 1);
    int32_t Keyed = 0;
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x) {
            const TRgba P = Gui.At(x, y);
            const bool Magenta = P.R == 255 && P.G == 0 && P.B == 255;
            EXPECT_EQ(P.A, Magenta ? 0 : 255) << x << "," << y;
            if (Magenta) ++Keyed;
        }
    EXPECT_GT(Keyed, 0);
    EXPECT_EQ(Gui.At(16, 16).A, 255) << "tip";
    EXPECT_EQ(Gui.At(15, 16).A, 0);
    EXPECT_EQ(Gui.At(16, 15).A, 0);
    EXPECT_EQ(CountAlpha(Gui, {16, 16, 32, 48}, 255), CountAlpha(Gui, {0, 0, 256, 256}, 255))
        << "the pointer stays inside its 32 x 48 rectangle";
}

TEST(ShippedImages, SplashPictureFillsTheTopLeft640By480) {
    const TShipped Splash = LoadShipped("splash.tga");
    EXPECT_EQ(Splash.Stored.PixelDepth, 24);
    std::set<uint32_t> Colors;
    for (int32_t y = 0; y < 480; y += 3)
        for (int32_t x = 0; x < 640; x += 3) {
            const TRgba P = Splash.At(x, y);
            Colors.insert(uint32_t(P.R) << 16 | uint32_t(P.G) << 8 | P.B);
        }
    EXPECT_GT(Colors.size(), 200u);
    // The picture reaches the corners of the part the splash screen shows.
    for (auto [x, y] : {std::pair{0, 0}, {639, 0}, {0, 479}, {639, 479}}) {
        const TRgba P = Splash.At(x, y);
        EXPECT_GT(P.R + P.G + P.B, 0) << x << "," << y;
    }
}
