// PexMipmaps against the real GLU: the browser's pictures must come out as
// the desktop's, byte for byte. GLU is the system's libGLU; the few OpenGL
// calls it makes are answered here, so no context is needed: its pixel-store
// queries, its proxy-texture check, and the uploads, which are kept.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "PexMipmaps.h"

namespace {

struct TUpload {
    GLint Level;
    GLsizei Width, Height;
    std::vector<uint8_t> Pixels;
};

GLint PackAlignment = 4;
GLint UnpackAlignment = 4;
std::vector<TUpload> Uploads;

size_t Padded(size_t Bytes, GLint Alignment) {
    return (Bytes + size_t(Alignment) - 1) / size_t(Alignment) * size_t(Alignment);
}

}  // namespace

extern "C" {

void glGetIntegerv(GLenum Name, GLint* Value) {
    *Value = Name == GL_PACK_ALIGNMENT     ? PackAlignment
             : Name == GL_UNPACK_ALIGNMENT ? UnpackAlignment
             : Name == GL_MAX_TEXTURE_SIZE ? 8192
                                           : 0;
}

const GLubyte* glGetString(GLenum) {
    return reinterpret_cast<const GLubyte*>("2.1 Mesa");
}

// Every size fits.
void glGetTexLevelParameteriv(GLenum, GLint, GLenum, GLint* Value) {
    *Value = 1;
}

void glPixelStorei(GLenum Name, GLint Value) {
    if (Name == GL_UNPACK_ALIGNMENT) UnpackAlignment = Value;
    if (Name == GL_PACK_ALIGNMENT) PackAlignment = Value;
}

void glTexImage2D(GLenum Target, GLint Level, GLint, GLsizei Width, GLsizei Height, GLint,
                  GLenum Format, GLenum, const void* Pixels) {
    if (Target != GL_TEXTURE_2D) return;  // the proxy check
    const size_t Row = size_t(Width) * (Format == GL_RGB ? 3 : 4);
    TUpload Upload{Level, Width, Height, {}};
    // Rows as the upload reads them, padding dropped.
    const size_t Stride = Padded(Row, UnpackAlignment);
    const uint8_t* Bytes = static_cast<const uint8_t*>(Pixels);
    for (GLsizei Y = 0; Y < Height; ++Y)
        Upload.Pixels.insert(Upload.Pixels.end(), Bytes + Y * Stride, Bytes + Y * Stride + Row);
    Uploads.push_back(std::move(Upload));
}

}  // extern "C"

namespace {

// Pixels with structure (ramps, a checker, a hard edge) and no symmetry, so
// that a wrong weight, row or rounding shows.
std::vector<uint8_t> Picture(int32_t Width, int32_t Height, int32_t Components, size_t RowBytes) {
    std::vector<uint8_t> Pixels(RowBytes * size_t(Height), 0xEE);
    for (int32_t Y = 0; Y < Height; ++Y)
        for (int32_t X = 0; X < Width; ++X)
            for (int32_t K = 0; K < Components; ++K) {
                const int32_t Checker = ((X / 3 + Y / 2) & 1) * 120;
                const int32_t Value = K == 0   ? X * 255 / (Width > 1 ? Width - 1 : 1)
                                      : K == 1 ? (Y * 37 + X * 11) & 255
                                      : K == 2 ? Checker + (X > Width / 2 ? 100 : 7)
                                               : 255 - ((X * Y) & 255);
                Pixels[size_t(Y) * RowBytes + size_t(X * Components + K)] = uint8_t(Value);
            }
    return Pixels;
}

struct TSize {
    int32_t Width, Height;
};

constexpr GLenum Formats[] = {GL_RGB, GL_RGBA};

int32_t ComponentsOf(GLenum Format) {
    return Format == GL_RGB ? 3 : 4;
}

}  // namespace

// Shrinking, enlarging, halving exactly, one side alone, the sizes the
// program's pictures have, and rows padded to 4 bytes on both sides.
TEST(PexMipmaps, ScaleImageEqualsGluScaleImage) {
    const TSize Cases[][2] = {
        {{3, 5}, {4, 4}}, {{255, 17}, {256, 16}},   {{640, 480}, {512, 512}}, {{1, 7}, {1, 8}},
        {{5, 1}, {4, 1}}, {{300, 200}, {256, 256}}, {{3, 3}, {4, 4}},         {{8, 6}, {4, 3}},
        {{6, 2}, {8, 2}}, {{2, 2}, {1, 1}},         {{7, 13}, {32, 2}},       {{100, 3}, {128, 4}},
    };
    for (const GLint Alignment : {1, 4})
        for (const GLenum Format : Formats)
            for (const auto& Case : Cases) {
                const TSize In = Case[0], Out = Case[1];
                const int32_t C = ComponentsOf(Format);
                SCOPED_TRACE(testing::Message()
                             << In.Width << "x" << In.Height << " to " << Out.Width << "x"
                             << Out.Height << ", " << C << " bytes, alignment " << Alignment);
                PackAlignment = UnpackAlignment = Alignment;
                const size_t InRow = Padded(size_t(In.Width) * C, Alignment);
                const size_t OutRow = Padded(size_t(Out.Width) * C, Alignment);
                const std::vector<uint8_t> Source = Picture(In.Width, In.Height, C, InRow);
                std::vector<uint8_t> Expected(OutRow * size_t(Out.Height), 0x5A);
                std::vector<uint8_t> Actual = Expected;
                ASSERT_EQ(
                    gluScaleImage(Format, In.Width, In.Height, GL_UNSIGNED_BYTE, Source.data(),
                                  Out.Width, Out.Height, GL_UNSIGNED_BYTE, Expected.data()),
                    0);
                GluScaleImage(TMipSource{C, In.Width, In.Height, Source.data(), InRow}, Out.Width,
                              Out.Height, Actual.data(), OutRow);
                EXPECT_EQ(Actual, Expected);
            }
}

// The program uploads sides that are powers of two (scaled there first), from
// square to a single row or column, with rows unpadded (alignment 1: GLU
// uploads its first halving unpadded whatever the alignment).
TEST(PexMipmaps, MipmapLevelsEqualGluBuild2DMipmaps) {
    const TSize Cases[] = {{256, 256}, {16, 16}, {64, 8}, {8, 2}, {1, 4},    {32, 1},
                           {1, 1},     {2, 2},   {4, 64}, {2, 1}, {512, 256}};
    UnpackAlignment = 1;
    for (const GLenum Format : Formats)
        for (const TSize Size : Cases) {
            const int32_t C = ComponentsOf(Format);
            SCOPED_TRACE(testing::Message()
                         << Size.Width << "x" << Size.Height << ", " << C << " bytes");
            const size_t Row = size_t(Size.Width) * C;
            const std::vector<uint8_t> Source = Picture(Size.Width, Size.Height, C, Row);
            Uploads.clear();
            ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, 4, Size.Width, Size.Height, Format,
                                        GL_UNSIGNED_BYTE, Source.data()),
                      0);
            const std::vector<TMipLevel> Levels =
                GluMipmapLevels(TMipSource{C, Size.Width, Size.Height, Source.data(), Row}, 8192);
            ASSERT_EQ(Levels.size(), Uploads.size());
            for (size_t L = 0; L < Levels.size(); ++L) {
                SCOPED_TRACE(testing::Message() << "level " << L);
                EXPECT_EQ(Uploads[L].Level, GLint(L));
                EXPECT_EQ(Levels[L].Width, Uploads[L].Width);
                EXPECT_EQ(Levels[L].Height, Uploads[L].Height);
                EXPECT_EQ(Levels[L].Pixels, Uploads[L].Pixels);
            }
        }
}

// A side above the largest texture is cut down to it, and a bad size gives no
// level at all.
TEST(PexMipmaps, SidesStayWithinTheLargestTexture) {
    const std::vector<uint8_t> Pixels = Picture(64, 16, 4, 256);
    const std::vector<TMipLevel> Levels =
        GluMipmapLevels(TMipSource{4, 64, 16, Pixels.data(), 256}, 32);
    ASSERT_EQ(Levels.size(), 6u);
    EXPECT_EQ(Levels[0].Width, 32);
    EXPECT_EQ(Levels[0].Height, 16);
    EXPECT_EQ(Levels[5].Width, 1);
    EXPECT_EQ(Levels[5].Height, 1);
    EXPECT_TRUE(GluMipmapLevels(TMipSource{4, 0, 16, Pixels.data(), 256}, 32).empty());
}
