// genpics: draws the six pictures the game loads (font, menu, splash, tiles,
// editor cursor, mouse pointer) and writes them as TGA files into the folder
// given on the command line. The output depends on nothing but this code and
// the font file, so every run writes the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Glyphs.h"

static const std::string FontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";

// ---- Bitmap font ------------------------------------------------------------

// Unicode of the code page 1251 bytes 0x80..0xBF (0 where the byte has no
// character); 0xC0..0xFF are U+0410..U+044F and below 0x80 is ASCII.
constexpr uint16_t Cp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

static uint32_t UnicodeOf(int32_t Byte) {
    if (Byte < 0x80) return static_cast<uint32_t>(Byte);
    if (Byte >= 0xC0) return 0x0410u + static_cast<uint32_t>(Byte - 0xC0);
    return Cp1251High[Byte - 0x80];
}

// Glyphs are drawn wider than the font's own shape so that they fill the
// square cells. Capitals take rows 1..12 and descenders rows 13..15; a glyph
// that reaches further (accented capitals) is drawn a little smaller.
constexpr int32_t GlyphPixelWidth = 20;
constexpr int32_t GlyphPixelHeight = 16;
constexpr int32_t CellBaseline = 13;

static TGlyph FittingGlyph(uint32_t Code) {
    for (int32_t Height = GlyphPixelHeight; Height > 10; --Height) {
        TGlyph Glyph = RenderGlyph(Code, GlyphPixelWidth, Height);
        if (Glyph.Top <= CellBaseline && Glyph.Height - Glyph.Top <= 16 - CellBaseline)
            return Glyph;
    }
    return RenderGlyph(Code, GlyphPixelWidth, GlyphPixelHeight);
}

static TCanvas DrawFont() {
    TCanvas Font = NewCanvas(256, 256, {255, 255, 255, 0});
    for (int32_t Byte = 0x21; Byte <= 0xFF; ++Byte) {
        const uint32_t Code = UnicodeOf(Byte);
        // Blanks and invisible characters keep empty cells.
        if (Code == 0 || Code == 0x7F || Code == 0xA0 || Code == 0xAD) continue;
        if (!HasGlyph(Code)) {
            std::fprintf(stderr, "genpics: the font has no glyph for byte 0x%02X\n", Byte);
            continue;
        }
        const TGlyph Glyph = FittingGlyph(Code);
        // The advance is centred in the cell; a glyph that would stick out at
        // the top or bottom is moved back inside.
        int32_t Left = (16 - Glyph.Advance) / 2 + Glyph.Left;
        int32_t Top = CellBaseline - Glyph.Top;
        Left = std::max(0, std::min(Left, 15 - Glyph.Width));
        Top = std::max(0, std::min(Top, 16 - Glyph.Height));
        const int32_t CellX = (Byte & 15) * 16;
        const int32_t CellY = (Byte >> 4) * 16;
        TCanvas Cell = NewCanvas(16, 16, {255, 255, 255, 0});
        for (int32_t y = 0; y < Glyph.Height; ++y)
            for (int32_t x = 0; x < Glyph.Width; ++x) {
                const uint8_t C = Glyph.Coverage[static_cast<size_t>(y) * Glyph.Width + x];
                // A soft dark shadow one pixel down and right keeps the text
                // readable over bright parts of the backgrounds.
                BlendPixel(Cell, Left + x + 1, Top + y + 1, {0, 0, 0, 200}, C / 255.0f);
            }
        for (int32_t y = 0; y < Glyph.Height; ++y)
            for (int32_t x = 0; x < Glyph.Width; ++x) {
                const uint8_t C = Glyph.Coverage[static_cast<size_t>(y) * Glyph.Width + x];
                BlendPixel(Cell, Left + x, Top + y, {255, 255, 255, 255}, C / 255.0f);
            }
        DrawCanvas(Font, CellX, CellY, Cell, 0, 0, 16, 16, 1, false);
    }
    return Font;
}

// ---- Colours shared by all pictures -----------------------------------------

constexpr TRgba Ink{26, 20, 34, 255};  // outlines
constexpr TRgba White{255, 255, 255, 255};
constexpr TRgba BrickMortar{70, 40, 42, 255};
constexpr TRgba BrickBase{184, 78, 50, 255};
constexpr TRgba BrickLight{226, 122, 78, 255};
constexpr TRgba BrickDark{128, 48, 38, 255};
constexpr TRgba SteelBase{122, 136, 160, 255};
constexpr TRgba SteelLight{192, 206, 224, 255};
constexpr TRgba SteelDark{70, 80, 104, 255};
constexpr TRgba SteelEdge{38, 42, 60, 255};
constexpr TRgba WoodBase{186, 124, 60, 255};
constexpr TRgba WoodLight{236, 180, 100, 255};
constexpr TRgba WoodDark{110, 66, 34, 255};
constexpr TRgba RopeBase{214, 176, 110, 255};
constexpr TRgba RopeLight{246, 220, 156, 255};
constexpr TRgba RopeDark{136, 100, 54, 255};
constexpr TRgba GoldBase{246, 192, 46, 255};
constexpr TRgba GoldLight{255, 240, 150, 255};
constexpr TRgba GoldDark{196, 124, 24, 255};
constexpr TRgba GoldEdge{104, 58, 18, 255};
constexpr TRgba HelmetBase{250, 204, 60, 255};
constexpr TRgba HelmetDark{204, 140, 30, 255};
constexpr TRgba LampLight{255, 255, 226, 255};
constexpr TRgba FurBase{126, 100, 92, 255};
constexpr TRgba FurLight{170, 142, 128, 255};
constexpr TRgba FurDark{86, 66, 64, 255};
constexpr TRgba Nose{248, 136, 160, 255};
constexpr TRgba Claw{240, 226, 206, 255};
constexpr TRgba HeroGreen{72, 196, 96, 255};
constexpr TRgba HeroGreenDark{32, 120, 60, 255};
constexpr TRgba EnemyRed{226, 64, 64, 255};
constexpr TRgba EnemyRedDark{132, 28, 40, 255};
constexpr TRgba EmptyCell{18, 16, 32, 168};
constexpr TRgba EmptyCellLine{40, 38, 66, 190};
constexpr TRgba PanelSeam{14, 16, 26, 255};
constexpr TRgba PanelBase{46, 54, 76, 255};
constexpr TRgba PanelLight{70, 80, 108, 255};
constexpr TRgba PanelDark{32, 38, 56, 255};

// Keys of the hand-drawn pixel art.
static const std::vector<TArtKey> ArtKeys = {
    {'k', Ink},       {'W', White},        {'Y', HelmetBase}, {'y', HelmetDark},
    {'L', LampLight}, {'F', FurBase},      {'l', FurLight},   {'f', FurDark},
    {'P', Nose},      {'C', Claw},         {'G', HeroGreen},  {'g', HeroGreenDark},
    {'R', EnemyRed},  {'r', EnemyRedDark}, {'O', GoldBase},   {'o', GoldDark},
    {'H', GoldLight}, {'e', GoldEdge}};

// ---- Tiles: cell images, the entity sprite and the editor panel ---------------

// The mole with a miner's helmet, facing the player so that it serves both
// walking directions.
static const std::vector<std::string> MoleArt = {"................",  //
                                                 ".....kkkkkk.....",  //
                                                 "....kYYLLYYk....",  //
                                                 "...kYYYLLYYYk...",  //
                                                 "..kkyyyyyyyykk..",  //
                                                 "..kFFFFFFFFFFk..",  //
                                                 ".kFlFkFFFFkFFFk.",  //
                                                 ".kFlFkFFFFkFFFk.",  //
                                                 ".kFFFFFPPFFFFfk.",  //
                                                 ".kFFFFPPPPFFFfk.",  //
                                                 "kCkFFllllllFfkCk",  //
                                                 "kCCkFllllllfkCCk",  //
                                                 ".kkkFFFFFFFFkkk.",  //
                                                 "...kfFFFFFFfk...",  //
                                                 "...kCCk..kCCk...",  //
                                                 "...kkk....kkk..."};

static const std::vector<std::string> CoinArt = {"................",  //
                                                 "................",  //
                                                 "......eeee......",  //
                                                 "....eeOOOOee....",  //
                                                 "...eOOHHOOOOe...",  //
                                                 "...eOHOOOOOoe...",  //
                                                 "..eOHOOooOOOoe..",  //
                                                 "..eOHOoOOoOOoe..",  //
                                                 "..eOOOoOOoOOoe..",  //
                                                 "..eOOOOooOOOoe..",  //
                                                 "...eOOOOOOOoe...",  //
                                                 "...eoOOOOOooe...",  //
                                                 "....eeooooee....",  //
                                                 "......eeee......",  //
                                                 "................",  //
                                                 "................"};

static const std::vector<std::string> HeroMarkArt = {"................",  //
                                                     "..kkkkkkkkkkkk..",  //
                                                     ".kGGGGGGGGGGGGk.",  //
                                                     ".kGggggkkggggGk.",  //
                                                     ".kGgggkYLYkgggk.",  //
                                                     ".kGggkYYLYYkgGk.",  //
                                                     ".kGggkyyyyykgGk.",  //
                                                     ".kGgkFkFFkFFkGk.",  //
                                                     ".kGgkFFPPFFFkGk.",  //
                                                     ".kGggkFFFFFkgGk.",  //
                                                     ".kGgggkkkkkggGk.",  //
                                                     ".kGggggggggggGk.",  //
                                                     ".kGGGGGGGGGGGGk.",  //
                                                     "..kkkkkkkkkkkk..",  //
                                                     "................",  //
                                                     "................"};

static const std::vector<std::string> EnemyMarkArt = {"................",  //
                                                      "..kkkkkkkkkkkk..",  //
                                                      ".kRRRRRRRRRRRRk.",  //
                                                      ".kRrrrrkkrrrrRk.",  //
                                                      ".kRrrrkYLYkrrrk.",  //
                                                      ".kRrrkYYLYYkrRk.",  //
                                                      ".kRrrkyyyyykrRk.",  //
                                                      ".kRrkkFFFFkkkRk.",  //
                                                      ".kRrkFkPPFkFkRk.",  //
                                                      ".kRrrkFFFFFkrRk.",  //
                                                      ".kRrrrkkkkkrrRk.",  //
                                                      ".kRrrrrrrrrrrRk.",  //
                                                      ".kRRRRRRRRRRRRk.",  //
                                                      "..kkkkkkkkkkkk..",  //
                                                      "................",  //
                                                      "................"};

static TCanvas EmptyTile() {
    TCanvas Cell = NewCanvas(16, 16, EmptyCell);
    // A faint line on the top and left edges draws a grid over a level.
    for (int32_t i = 0; i < 16; ++i) {
        SetPixel(Cell, i, 0, EmptyCellLine);
        SetPixel(Cell, 0, i, EmptyCellLine);
    }
    return Cell;
}

// Two courses of bricks; the joints line up with neighbouring cells.
static TCanvas BrickTile() {
    TCanvas Cell = NewCanvas(16, 16, BrickMortar);
    for (int32_t y = 0; y < 16; ++y) {
        const int32_t Course = y / 8;
        const int32_t Row = y % 8;
        if (Row == 7) continue;
        const int32_t Joint = Course == 0 ? 15 : 7;
        for (int32_t x = 0; x < 16; ++x) {
            if (x == Joint) continue;
            // Position inside the brick, which may run on into the next cell.
            const int32_t Column = (x - Joint - 1 + 16) % 16;
            TRgba C = BrickBase;
            if (Row == 0 || Column == 0) C = BrickLight;
            if (Row == 6 || Column == 14) C = BrickDark;
            if (C.R == BrickBase.R && Noise(x, y, 11) > 0.82f) C = Mix(BrickBase, BrickDark, 0.5f);
            SetPixel(Cell, x, y, C);
        }
    }
    return Cell;
}

// A bevelled steel plate with four rivets.
static TCanvas SteelTile() {
    TCanvas Cell = NewCanvas(16, 16, SteelEdge);
    for (int32_t y = 1; y < 15; ++y)
        for (int32_t x = 1; x < 15; ++x) {
            TRgba C = SteelBase;
            if (x == 1 || y == 1) C = SteelLight;
            if (x == 14 || y == 14) C = SteelDark;
            // A diagonal sheen across the face of the plate.
            if (C.R == SteelBase.R && (x + y == 10 || x + y == 11 || x + y == 19))
                C = Mix(SteelBase, SteelLight, 0.55f);
            SetPixel(Cell, x, y, C);
        }
    for (int32_t ry : {3, 11})
        for (int32_t rx : {3, 11}) {
            SetPixel(Cell, rx, ry, SteelLight);
            SetPixel(Cell, rx + 1, ry, SteelBase);
            SetPixel(Cell, rx, ry + 1, SteelBase);
            SetPixel(Cell, rx + 1, ry + 1, SteelEdge);
        }
    return Cell;
}

// Two wooden rails with rungs every 8 pixels, so ladders stack seamlessly.
static TCanvas LadderTile(TCanvas Cell) {
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t Rail : {2, 11}) {
            SetPixel(Cell, Rail - 1, y, Ink);
            SetPixel(Cell, Rail, y, WoodLight);
            SetPixel(Cell, Rail + 1, y, WoodBase);
            SetPixel(Cell, Rail + 2, y, WoodDark);
            SetPixel(Cell, Rail + 3, y, Ink);
        }
    for (int32_t Rung : {3, 11})
        for (int32_t x = 5; x < 11; ++x) {
            SetPixel(Cell, x, Rung - 1, Ink);
            SetPixel(Cell, x, Rung, WoodLight);
            SetPixel(Cell, x, Rung + 1, WoodDark);
            SetPixel(Cell, x, Rung + 2, Ink);
        }
    return Cell;
}

// A twisted rope across the upper part of the cell, joining its neighbours.
static TCanvas RopeTile(TCanvas Cell) {
    for (int32_t x = 0; x < 16; ++x) {
        SetPixel(Cell, x, 2, Ink);
        SetPixel(Cell, x, 6, Ink);
        for (int32_t y = 3; y < 6; ++y) {
            const int32_t Strand = (x + y) % 4;
            SetPixel(Cell, x, y, Strand == 0 ? RopeLight : (Strand == 3 ? RopeDark : RopeBase));
        }
    }
    return Cell;
}

static TCanvas ArtTile(TCanvas Cell, const std::vector<std::string>& Art) {
    DrawCanvas(Cell, 0, 0, ArtCanvas(Art, ArtKeys), 0, 0, 16, 16, 1, true);
    return Cell;
}

// Slate plates of 32 pixels with dark seams on their top and left edges; the
// seam column at the panel's left edge also darkens what filtering takes into
// the sprite next to it.
static TCanvas PanelPiece() {
    TCanvas Panel = NewCanvas(64, 64, PanelBase);
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            const int32_t px = x % 32;
            const int32_t py = y % 32;
            TRgba C = Mix(PanelBase, PanelDark, Noise(x / 2, y / 2, 5) * 0.5f);
            if (px == 1 || py == 1) C = PanelLight;
            if (px == 31 || py == 31) C = PanelDark;
            if (px == 0 || py == 0) C = PanelSeam;
            if ((px == 4 || px == 27) && (py == 4 || py == 27)) C = PanelLight;
            if ((px == 5 || px == 28) && (py == 5 || py == 28)) C = PanelSeam;
            SetPixel(Panel, x, y, C);
        }
    return Panel;
}

// The cell images in the order of the tile kinds. Ladders, ropes, coins and
// markers lie on Base: the empty cell for the game, nothing for the splash.
static TCanvas CellStrip(bool OnEmptyCell) {
    const TCanvas Base = OnEmptyCell ? EmptyTile() : NewCanvas(16, 16, {Ink.R, Ink.G, Ink.B, 0});
    const TCanvas Cells[8] = {EmptyTile(),
                              BrickTile(),
                              SteelTile(),
                              LadderTile(Base),
                              RopeTile(Base),
                              ArtTile(Base, CoinArt),
                              ArtTile(Base, HeroMarkArt),
                              ArtTile(Base, EnemyMarkArt)};
    TCanvas Strip = NewCanvas(128, 16, Clear);
    for (int32_t i = 0; i < 8; ++i) DrawCanvas(Strip, i * 16, 0, Cells[i], 0, 0, 16, 16, 1, false);
    return Strip;
}

static TCanvas DrawTiles() {
    // Transparent pixels carry the outline colour, so that linear filtering at
    // the sprite's edges blends towards dark rather than towards a bright fringe.
    TCanvas Tiles = NewCanvas(256, 256, {Ink.R, Ink.G, Ink.B, 0});
    DrawCanvas(Tiles, 0, 0, CellStrip(true), 0, 0, 128, 16, 1, false);
    DrawCanvas(Tiles, 0, 32, ArtCanvas(MoleArt, ArtKeys), 0, 0, 16, 16, 1, true);
    DrawCanvas(Tiles, 16, 32, PanelPiece(), 0, 0, 64, 64, 1, false);
    return Tiles;
}

// ---- Menu: background stones, top band, row glyphs, bar segment ---------------

constexpr TRgba Grey{200, 200, 208, 255};
constexpr TRgba Field{52, 54, 74, 255};
constexpr TRgba TickGreen{110, 226, 110, 255};

static const std::vector<TArtKey> MenuKeys = {
    {'k', Ink}, {'W', White}, {'s', Grey}, {'d', Field}, {'G', TickGreen}};

static const std::vector<std::string> ArrowArt = {"................",  //
                                                  "................",  //
                                                  "...kk...........",  //
                                                  "...kWkk.........",  //
                                                  "...kWWWkk.......",  //
                                                  "...kWWWWWkk.....",  //
                                                  "...kWWWWWWWkk...",  //
                                                  "...kWWWWWWWWWk..",  //
                                                  "...ksssssssssk..",  //
                                                  "...ksssssssk....",  //
                                                  "...ksssssk......",  //
                                                  "...ksssk........",  //
                                                  "...kssk.........",  //
                                                  "...kk...........",  //
                                                  "................",  //
                                                  "................"};

static const std::vector<std::string> CheckboxArt = {"................",  //
                                                     "................",  //
                                                     "..kkkkkkkkkkkk..",  //
                                                     "..kWWWWWWWWWsk..",  //
                                                     "..kWkkkkkkkksk..",  //
                                                     "..kWkddddddksk..",  //
                                                     "..kWkddddddksk..",  //
                                                     "..kWkddddddksk..",  //
                                                     "..kWkddddddksk..",  //
                                                     "..kWkddddddksk..",  //
                                                     "..kWkddddddksk..",  //
                                                     "..kWkkkkkkkksk..",  //
                                                     "..kssssssssssk..",  //
                                                     "..kkkkkkkkkkkk..",  //
                                                     "................",  //
                                                     "................"};

static const std::vector<std::string> TickArt = {"................",  //
                                                 "...........kk...",  //
                                                 "..........kGGk..",  //
                                                 ".........kGGk...",  //
                                                 "........kGGk....",  //
                                                 "...kk..kGGk.....",  //
                                                 "..kGGkkGGk......",  //
                                                 "...kGGGGk.......",  //
                                                 "....kGGk........",  //
                                                 ".....kk.........",  //
                                                 "................",  //
                                                 "................",  //
                                                 "................",  //
                                                 "................",  //
                                                 "................",  //
                                                 "................"};

// Grey stone blocks in running bond, 32 x 16 each; the menu tints them navy
// and the game dark red. Four blocks across and four rows make the piece tile.
static TCanvas StoneWall(int32_t Width, int32_t Height) {
    TCanvas Wall = NewCanvas(Width, Height, White);
    for (int32_t y = 0; y < Height; ++y)
        for (int32_t x = 0; x < Width; ++x) {
            const int32_t Row = y / 16;
            const int32_t Shifted = (x + (Row % 2) * 16) % Width;
            const int32_t Block = Shifted / 32;
            const int32_t bx = Shifted % 32;
            const int32_t by = y % 16;
            float V = 150.0f + 60.0f * Noise(Block, Row, 21);
            V += 26.0f * (Noise(x / 2, y / 2, 22) - 0.5f);
            if (bx == 1 || by == 1) V += 34.0f;
            if (bx == 31 || by == 15) V -= 44.0f;
            if (bx == 0 || by == 0) V = 62.0f;
            const uint8_t G = static_cast<uint8_t>(std::clamp(V, 0.0f, 255.0f));
            SetPixel(Wall, x, y, {G, G, G, 255});
        }
    return Wall;
}

// A miner's lamp hanging on a chain, with a soft glow around it.
static TCanvas LampPiece() {
    TCanvas Piece = NewCanvas(96, 64, {255, 255, 255, 0});
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 96; ++x) {
            const float D = std::hypot(x + 0.5f - 48.0f, y + 0.5f - 32.0f) / 34.0f;
            if (D < 1.0f) BlendPixel(Piece, x, y, {255, 236, 170, 150}, (1.0f - D) * (1.0f - D));
        }
    for (int32_t y = 0; y < 18; ++y) {
        const bool Link = (y / 3) % 2 == 0;
        SetPixel(Piece, 47, y, Link ? Grey : Ink);
        SetPixel(Piece, 48, y, Link ? Ink : Grey);
    }
    FillRect(Piece, 42, 18, 12, 4, Ink);
    FillRect(Piece, 43, 19, 10, 2, Grey);
    FillRect(Piece, 40, 22, 16, 16, Ink);
    FillRect(Piece, 41, 23, 14, 14, {255, 214, 110, 255});
    FillRect(Piece, 44, 25, 8, 10, {255, 250, 214, 255});
    FillRect(Piece, 47, 23, 2, 14, Ink);  // the guard bar across the glass
    FillRect(Piece, 41, 29, 14, 1, Ink);
    FillRect(Piece, 42, 38, 12, 3, Ink);
    FillRect(Piece, 43, 38, 10, 2, Grey);
    return Piece;
}

static TCanvas DrawMenu() {
    TCanvas Menu = NewCanvas(256, 256, {255, 255, 255, 0});
    DrawCanvas(Menu, 0, 0, LampPiece(), 0, 0, 96, 64, 1, false);
    DrawCanvas(Menu, 0, 64, StoneWall(128, 64), 0, 0, 128, 64, 1, false);
    DrawCanvas(Menu, 0, 160, ArtCanvas(ArrowArt, MenuKeys), 0, 0, 16, 16, 2, false);
    const TCanvas Box = ArtCanvas(CheckboxArt, MenuKeys);
    DrawCanvas(Menu, 32, 160, Box, 0, 0, 16, 16, 2, false);
    DrawCanvas(Menu, 64, 160, Box, 0, 0, 16, 16, 2, false);
    DrawCanvas(Menu, 64, 160, ArtCanvas(TickArt, MenuKeys), 0, 0, 16, 16, 2, true);
    // One 4 x 16 segment of the HUD bar: light on top, a dark right edge
    // between neighbouring segments.
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            float V = 255.0f - 6.0f * y;
            if (y == 0) V = 255.0f;
            if (y == 15) V *= 0.6f;
            if (x == 3) V *= 0.45f;
            const uint8_t G = static_cast<uint8_t>(V);
            SetPixel(Menu, 8 + x, 232 + y, {G, G, G, 255});
        }
    return Menu;
}

// ---- Editor cursor and mouse pointer ------------------------------------------

constexpr TRgba CursorYellow{255, 222, 64, 255};
constexpr TRgba CursorOrange{222, 150, 30, 255};

// A white line just outside the 16 x 16 cell at (16, 16) and yellow corner
// brackets around it; everything else stays transparent.
static TCanvas DrawEditor() {
    TCanvas Editor = NewCanvas(256, 256, Clear);
    for (int32_t y = 11; y <= 36; ++y)
        for (int32_t x = 11; x <= 36; ++x) {
            const bool OnLine = (x == 15 || x == 32 || y == 15 || y == 32) && x >= 15 && x <= 32 &&
                                y >= 15 && y <= 32;
            const bool Band = x <= 14 || x >= 33 || y <= 14 || y >= 33;
            const bool Corner = (x <= 19 || x >= 28) && (y <= 19 || y >= 28);
            if (OnLine) SetPixel(Editor, x, y, White);
            if (Band && Corner && x >= 12 && x <= 35 && y >= 12 && y <= 35) {
                const bool Inner = ((x == 14 || x == 33) && y >= 14 && y <= 33) ||
                                   ((y == 14 || y == 33) && x >= 14 && x <= 33);
                SetPixel(Editor, x, y, Inner ? CursorOrange : CursorYellow);
            }
        }
    // Outline the brackets so that they stand out on light tiles too.
    const TCanvas Shape = Editor;
    for (int32_t y = 10; y <= 37; ++y)
        for (int32_t x = 10; x <= 37; ++x) {
            if (GetPixel(Shape, x, y).A != 0) continue;
            const bool InHole = x >= 16 && x <= 31 && y >= 16 && y <= 31;
            bool Near = false;
            for (int32_t dy = -1; dy <= 1; ++dy)
                for (int32_t dx = -1; dx <= 1; ++dx) {
                    const TRgba N = GetPixel(Shape, x + dx, y + dy);
                    if (N.A != 0 && N.R == CursorYellow.R && N.G != White.G) Near = true;
                    if (N.A != 0 && N.G == CursorOrange.G) Near = true;
                }
            if (Near && !InHole) SetPixel(Editor, x, y, Ink);
        }
    return Editor;
}

static const std::vector<std::string> PointerArt = {"k...............",  //
                                                    "kk..............",  //
                                                    "kWk.............",  //
                                                    "kWWk............",  //
                                                    "kWWWk...........",  //
                                                    "kWWWWk..........",  //
                                                    "kWWWWWk.........",  //
                                                    "kWWWWWWk........",  //
                                                    "kWWWWWWWk.......",  //
                                                    "kWWWWWWWWk......",  //
                                                    "kWWWWWsskkk.....",  //
                                                    "kWWkWWsk........",  //
                                                    "kWk.kWWsk.......",  //
                                                    "kk..kWWsk.......",  //
                                                    "k....kWWsk......",  //
                                                    ".....kWWsk......",  //
                                                    "......kkk.......",  //
                                                    "................",  //
                                                    "................",  //
                                                    "................",  //
                                                    "................",  //
                                                    "................",  //
                                                    "................",  //
                                                    "................"};

// The pointer's tip is its top-left pixel, at (16, 16).
static TCanvas DrawGui() {
    TCanvas Gui = NewCanvas(256, 256, Clear);
    DrawCanvas(Gui, 16, 16, ArtCanvas(PointerArt, MenuKeys), 0, 0, 16, 24, 2, false);
    return Gui;
}

// ---- Splash picture -----------------------------------------------------------

// A small level drawn with the game's own tiles at twice their size:
// B brick, S steel, H ladder, - rope, $ coin, h hero, e enemy.
static const std::vector<std::string> SplashLevel = {"  $   $        $  $ ",  //
                                                     "BBBBBBBH---------BBB",  //
                                                     "       H   e   $    ",  //
                                                     "   $   H     SSSSHSS",  //
                                                     "BBBBHBBBBB       H  ",  //
                                                     "    H  h  $   $  H $",  //
                                                     "BBBBBBBBBBBBBBBBBBBB"};

constexpr int32_t SplashLevelTop = 256;

// Big blocky letters: the text rendered large, cut into 4 x 4 blocks, filled
// with a gold gradient, lit on top, outlined and given a drop shadow.
static void DrawTitle(TCanvas& Picture, const std::string& Text, int32_t CenterX, int32_t Top) {
    constexpr int32_t Block = 4;
    constexpr int32_t W = 110;  // blocks across and down of the working area
    constexpr int32_t H = 42;
    std::vector<float> Cover(static_cast<size_t>(W) * H * Block * Block, 0.0f);
    const int32_t Full = W * Block;
    int32_t Pen = 0;
    std::vector<TGlyph> Glyphs;
    for (char Ch : Text) Glyphs.push_back(RenderGlyph(static_cast<uint8_t>(Ch), 210, 168));
    int32_t TextWidth = 0;
    for (const TGlyph& G : Glyphs) TextWidth += G.Advance;
    Pen = (Full - TextWidth) / 2;
    const int32_t Baseline = 132;
    for (const TGlyph& G : Glyphs) {
        for (int32_t y = 0; y < G.Height; ++y)
            for (int32_t x = 0; x < G.Width; ++x) {
                const int32_t px = Pen + G.Left + x;
                const int32_t py = Baseline - G.Top + y;
                if (px < 0 || py < 0 || px >= Full || py >= H * Block) continue;
                Cover[static_cast<size_t>(py) * Full + px] =
                    G.Coverage[static_cast<size_t>(y) * G.Width + x] / 255.0f;
            }
        Pen += G.Advance;
    }
    std::vector<uint8_t> Mask(static_cast<size_t>(W) * H, 0);
    int32_t FirstRow = H, LastRow = 0;
    for (int32_t by = 0; by < H; ++by)
        for (int32_t bx = 0; bx < W; ++bx) {
            float Sum = 0.0f;
            for (int32_t y = 0; y < Block; ++y)
                for (int32_t x = 0; x < Block; ++x)
                    Sum += Cover[static_cast<size_t>(by * Block + y) * Full + bx * Block + x];
            if (Sum / (Block * Block) >= 0.45f) {
                Mask[static_cast<size_t>(by) * W + bx] = 1;
                FirstRow = std::min(FirstRow, by);
                LastRow = std::max(LastRow, by);
            }
        }
    auto In = [&](int32_t bx, int32_t by) {
        return bx >= 0 && by >= 0 && bx < W && by < H && Mask[static_cast<size_t>(by) * W + bx];
    };
    const int32_t Left = CenterX - Full / 2;
    auto PutBlock = [&](int32_t bx, int32_t by, TRgba C, float Cover) {
        for (int32_t y = 0; y < Block; ++y)
            for (int32_t x = 0; x < Block; ++x)
                BlendPixel(Picture, Left + bx * Block + x, Top + by * Block + y, C, Cover);
    };
    for (int32_t by = 0; by < H; ++by)
        for (int32_t bx = 0; bx < W; ++bx)
            if (In(bx - 3, by - 3)) PutBlock(bx, by, {0, 0, 0, 255}, 0.55f);
    for (int32_t by = 0; by < H; ++by)
        for (int32_t bx = 0; bx < W; ++bx) {
            if (In(bx, by)) continue;
            bool Near = false;
            for (int32_t dy = -1; dy <= 1; ++dy)
                for (int32_t dx = -1; dx <= 1; ++dx) Near = Near || In(bx + dx, by + dy);
            if (Near) PutBlock(bx, by, Ink, 1.0f);
        }
    const TRgba Top1{255, 242, 150, 255};
    const TRgba Mid{252, 186, 48, 255};
    const TRgba Low{222, 96, 38, 255};
    for (int32_t by = 0; by < H; ++by)
        for (int32_t bx = 0; bx < W; ++bx) {
            if (!In(bx, by)) continue;
            const float T = static_cast<float>(by - FirstRow) / std::max(1, LastRow - FirstRow);
            TRgba C = T < 0.5f ? Mix(Top1, Mid, T * 2.0f) : Mix(Mid, Low, (T - 0.5f) * 2.0f);
            if (!In(bx, by - 1))
                C = Mix(C, White, 0.6f);
            else if (!In(bx - 1, by))
                C = Mix(C, White, 0.25f);
            if (!In(bx, by + 1) || !In(bx + 1, by)) C = Shade(C, 0.72f);
            PutBlock(bx, by, C, 1.0f);
        }
}

// Plain text from the font at a given size, in one colour with a dark shadow.
static void DrawLine(TCanvas& Picture, const std::string& Text, int32_t CenterX, int32_t Baseline,
                     int32_t Size, TRgba Color) {
    std::vector<TGlyph> Glyphs;
    int32_t Width = 0;
    for (char Ch : Text) {
        Glyphs.push_back(RenderGlyph(static_cast<uint8_t>(Ch), Size, Size));
        Width += Glyphs.back().Advance;
    }
    for (int32_t Pass = 0; Pass < 2; ++Pass) {
        int32_t Pen = CenterX - Width / 2;
        const int32_t Shift = Pass == 0 ? 2 : 0;
        const TRgba C = Pass == 0 ? Ink : Color;
        for (const TGlyph& G : Glyphs) {
            for (int32_t y = 0; y < G.Height; ++y)
                for (int32_t x = 0; x < G.Width; ++x)
                    BlendPixel(Picture, Pen + G.Left + x + Shift, Baseline - G.Top + y + Shift, C,
                               G.Coverage[static_cast<size_t>(y) * G.Width + x] / 255.0f);
            Pen += G.Advance;
        }
    }
}

static TCanvas DrawSplash() {
    const TCanvas Cells = CellStrip(false);
    const TCanvas Mole = ArtCanvas(MoleArt, ArtKeys);
    TCanvas Splash = NewCanvas(1024, 512, {0, 0, 0, 255});
    // The menu's stone wall at twice its size, darkened towards the top.
    const TCanvas Wall = StoneWall(128, 64);
    for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 0; x < 640; ++x) {
            const TRgba S = GetPixel(Wall, (x / 2) % 128, (y / 2) % 64);
            const float T = y / 479.0f;
            const TRgba Tint = Mix({26, 22, 52, 255}, {78, 54, 92, 255}, T);
            SetPixel(
                Splash, x, y,
                {static_cast<uint8_t>(S.R * Tint.R / 255), static_cast<uint8_t>(S.G * Tint.G / 255),
                 static_cast<uint8_t>(S.B * Tint.B / 255), 255});
        }
    // Warm light falling from behind the title.
    for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 0; x < 640; ++x) {
            const float D = std::hypot((x - 320.0f) / 300.0f, (y - 120.0f) / 170.0f);
            if (D < 1.0f)
                BlendPixel(Splash, x, y, {255, 190, 90, 255}, 0.22f * (1.0f - D) * (1.0f - D));
        }
    constexpr int32_t Source[8] = {0, 16, 32, 48, 64, 80, 96, 112};
    for (size_t Row = 0; Row < SplashLevel.size(); ++Row)
        for (size_t Col = 0; Col < SplashLevel[Row].size(); ++Col) {
            const int32_t X = static_cast<int32_t>(Col) * 32;
            const int32_t Y = SplashLevelTop + static_cast<int32_t>(Row) * 32;
            int32_t Kind = -1;
            switch (SplashLevel[Row][Col]) {
                case 'B':
                    Kind = 1;
                    break;
                case 'S':
                    Kind = 2;
                    break;
                case 'H':
                    Kind = 3;
                    break;
                case '-':
                    Kind = 4;
                    break;
                case '$':
                    Kind = 5;
                    break;
                default:
                    break;
            }
            if (Kind > 0) DrawCanvas(Splash, X, Y, Cells, Source[Kind], 0, 16, 16, 2, true);
            if (SplashLevel[Row][Col] == 'h' || SplashLevel[Row][Col] == 'e')
                DrawCanvas(Splash, X, Y, Mole, 0, 0, 16, 16, 2, true);
        }
    DrawTitle(Splash, "Pex", 320, 36);
    DrawLine(Splash, "press Esc", 320, 228, 20, {214, 214, 236, 255});
    return Splash;
}

// ---- Icons: the hero at every size the desktops and Windows ask for ------------

// Sides of the icons, each a whole multiple of the 16-pixel art, which is
// enlarged pixel for pixel.
static const int32_t IconSides[] = {16, 32, 48, 64, 128, 256};

static TCanvas DrawIcon(int32_t Side) {
    TCanvas Icon = NewCanvas(Side, Side, Clear);
    DrawCanvas(Icon, 0, 0, ArtCanvas(MoleArt, ArtKeys), 0, 0, 16, 16, Side / 16, false);
    return Icon;
}

// The window's icon as C++ source for the program (src/shell/WindowIcon.inc):
// the art's rows and the colours of the keys they use.
static std::string WindowIconSource() {
    std::string Text =
        "// The window's icon: the hero, 16 x 16 pixels. Written by tools/genpics from\n"
        "// the same art as the tiles and the desktop icons; regenerate it there.\n"
        "// One character a pixel, top row first: '.' is clear, every other character\n"
        "// the colour its key gives (red, green, blue, alpha).\n"
        "static const TIconKey WindowIconKeys[] = {\n";
    for (const TArtKey& Key : ArtKeys) {
        bool Used = false;
        for (const std::string& Row : MoleArt)
            Used = Used || Row.find(Key.Key) != std::string::npos;
        if (!Used) continue;
        char Line[64];
        std::snprintf(Line, sizeof(Line), "    {'%c', %d, %d, %d, %d},\n", Key.Key, Key.Color.R,
                      Key.Color.G, Key.Color.B, Key.Color.A);
        Text += Line;
    }
    Text += "};\nstatic const char* const WindowIconRows[] = {\n";
    for (const std::string& Row : MoleArt) Text += "    \"" + Row + "\",\n";
    return Text + "};\n";
}

static void WriteIcons(const std::string& Packaging, const std::string& WindowIconFile) {
    std::vector<TCanvas> Icons;
    for (int32_t Side : IconSides) {
        Icons.push_back(DrawIcon(Side));
        WriteFile(Packaging + "icons/pex-" + std::to_string(Side) + ".png",
                  EncodePng(Icons.back()));
    }
    WriteFile(Packaging + "pex.ico", EncodeIco(Icons));
    const std::string Source = WindowIconSource();
    WriteFile(WindowIconFile, std::vector<uint8_t>(Source.begin(), Source.end()));
}

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr,
                     "usage: genpics <pictures-dir> [<packaging-dir> <window-icon-file>]\n");
        return 2;
    }
    try {
        const std::string Dir = std::string(argv[1]) + "/";
        OpenFont(FontFile);
        WriteFile(Dir + "font.tga", EncodeTga(DrawFont(), tkTrue32Rle));
        WriteFile(Dir + "tiles.tga", EncodeTga(DrawTiles(), tkTrue32));
        WriteFile(Dir + "menu.tga", EncodeTga(DrawMenu(), tkTrue32Rle));
        WriteFile(Dir + "editor.tga", EncodeTga(DrawEditor(), tkMappedRle));
        WriteFile(Dir + "gui.tga", EncodeTga(DrawGui(), tkMapped));
        WriteFile(Dir + "splash.tga", EncodeTga(DrawSplash(), tkTrue24));
        if (argc == 4) WriteIcons(std::string(argv[2]) + "/", argv[3]);
        CloseFont();
    } catch (const std::exception& Error) {
        CloseFont();
        std::fprintf(stderr, "genpics: %s\n", Error.what());
        return 1;
    }
    return 0;
}
