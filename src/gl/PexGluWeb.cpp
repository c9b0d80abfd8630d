// The two GLU functions the program uses, for the browser, which has no GLU:
// the pixels are GLU's own (PexMipmaps), uploaded to WebGL. WebGL 1 takes the
// pixel format as the internal format: an RGB texture samples with alpha 1
// there, as a 4-component texture made from RGB pixels does on the desktop.
#include <GL/gl.h>
#include <GL/glu.h>

#include "PexMipmaps.h"

static int32_t ComponentsOf(GLenum Format) {
    return Format == GL_RGB ? 3 : Format == GL_RGBA ? 4 : 0;
}

// Bytes from one row to the next under a pixel-store alignment.
static size_t RowBytes(int32_t Width, int32_t Components, GLenum AlignmentName) {
    GLint Alignment = 1;
    glGetIntegerv(AlignmentName, &Alignment);
    if (Alignment < 1) Alignment = 1;
    const size_t Bytes = size_t(Width) * size_t(Components);
    return (Bytes + size_t(Alignment) - 1) / size_t(Alignment) * size_t(Alignment);
}

extern "C" {

GLint GLAPIENTRY gluScaleImage(GLenum Format, GLsizei WidthIn, GLsizei HeightIn, GLenum TypeIn,
                               const void* DataIn, GLsizei WidthOut, GLsizei HeightOut,
                               GLenum TypeOut, void* DataOut) {
    if (WidthIn == 0 || HeightIn == 0 || WidthOut == 0 || HeightOut == 0) return 0;
    if (WidthIn < 0 || HeightIn < 0 || WidthOut < 0 || HeightOut < 0) return GLU_INVALID_VALUE;
    const int32_t Components = ComponentsOf(Format);
    if (Components == 0 || TypeIn != GL_UNSIGNED_BYTE || TypeOut != GL_UNSIGNED_BYTE)
        return GLU_INVALID_ENUM;
    const TMipSource Source{Components, WidthIn, HeightIn, static_cast<const uint8_t*>(DataIn),
                            RowBytes(WidthIn, Components, GL_UNPACK_ALIGNMENT)};
    GluScaleImage(Source, WidthOut, HeightOut, static_cast<uint8_t*>(DataOut),
                  RowBytes(WidthOut, Components, GL_PACK_ALIGNMENT));
    return 0;
}

GLint GLAPIENTRY gluBuild2DMipmaps(GLenum Target, GLint, GLsizei Width, GLsizei Height,
                                   GLenum Format, GLenum Type, const void* Data) {
    const int32_t Components = ComponentsOf(Format);
    if (Components == 0 || Type != GL_UNSIGNED_BYTE) return GLU_INVALID_ENUM;
    if (Width < 1 || Height < 1) return GLU_INVALID_VALUE;
    GLint MaxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &MaxSide);
    const TMipSource Source{Components, Width, Height, static_cast<const uint8_t*>(Data),
                            RowBytes(Width, Components, GL_UNPACK_ALIGNMENT)};
    const std::vector<TMipLevel> Levels = GluMipmapLevels(Source, MaxSide > 0 ? MaxSide : 1);
    // The levels' rows have no padding; the caller's alignment is put back.
    GLint Alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &Alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (size_t Level = 0; Level < Levels.size(); ++Level)
        glTexImage2D(Target, GLint(Level), GLint(Format), Levels[Level].Width, Levels[Level].Height,
                     0, Format, GL_UNSIGNED_BYTE, Levels[Level].Pixels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, Alignment);
    return 0;
}

}  // extern "C"
