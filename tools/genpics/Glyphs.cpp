#include "Glyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdexcept>

static FT_Library Library = nullptr;
static FT_Face Face = nullptr;

void OpenFont(const std::string& FileName) {
    if (FT_Init_FreeType(&Library) != 0) throw std::runtime_error("Cannot start FreeType");
    if (FT_New_Face(Library, FileName.c_str(), 0, &Face) != 0)
        throw std::runtime_error("Cannot open font \"" + FileName + "\"");
}

void CloseFont() {
    if (Face != nullptr) FT_Done_Face(Face);
    if (Library != nullptr) FT_Done_FreeType(Library);
    Face = nullptr;
    Library = nullptr;
}

bool HasGlyph(uint32_t Code) {
    return FT_Get_Char_Index(Face, Code) != 0;
}

TGlyph RenderGlyph(uint32_t Code, int32_t PixelWidth, int32_t PixelHeight) {
    if (FT_Set_Pixel_Sizes(Face, static_cast<FT_UInt>(PixelWidth),
                           static_cast<FT_UInt>(PixelHeight)) != 0)
        throw std::runtime_error("Cannot set the font size");
    const FT_UInt Index = FT_Get_Char_Index(Face, Code);
    if (Index == 0) throw std::runtime_error("The font has no glyph U+" + std::to_string(Code));
    if (FT_Load_Glyph(Face, Index, FT_LOAD_DEFAULT | FT_LOAD_RENDER) != 0)
        throw std::runtime_error("Cannot render glyph U+" + std::to_string(Code));
    const FT_GlyphSlot Slot = Face->glyph;
    TGlyph Glyph;
    Glyph.Width = static_cast<int32_t>(Slot->bitmap.width);
    Glyph.Height = static_cast<int32_t>(Slot->bitmap.rows);
    Glyph.Left = Slot->bitmap_left;
    Glyph.Top = Slot->bitmap_top;
    Glyph.Advance = static_cast<int32_t>(Slot->advance.x >> 6);
    Glyph.Coverage.resize(static_cast<size_t>(Glyph.Width) * Glyph.Height);
    for (int32_t y = 0; y < Glyph.Height; ++y)
        for (int32_t x = 0; x < Glyph.Width; ++x)
            Glyph.Coverage[static_cast<size_t>(y) * Glyph.Width + x] =
                Slot->bitmap.buffer[y * Slot->bitmap.pitch + x];
    return Glyph;
}
