#include "PexTexture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "PexFiles.h"
#include "PexGL.h"
#include "PexMipmaps.h"
#include "PexScript.h"
#include "PexTGA.h"

// Upload format by bytes per pixel of the decoded image; 0: no format. One-byte
// images are widened to RGBA before the upload.
constexpr uint16_t FormatByBytesPerPixel[5] = {0, GL_RGBA, 0, GL_RGB, GL_RGBA};

// Characters after which a dot no longer starts the extension.
constexpr char PathSeparators[] = {'\\', ':', PathDelim};

uint32_t CreateTexture(uint16_t Width, uint16_t Height, uint16_t Format, const uint8_t* Pixels) {
    GLuint Name = 0;
    glGenTextures(1, &Name);
    glBindTexture(GL_TEXTURE_2D, Name);
    // Texture colours are multiplied by the current drawing colour.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Rows follow each other without padding: a 24-bit row of odd width is not a
    // multiple of the default alignment of 4, and GLU would read it sheared and
    // past the end of the pixels.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    // Sides that are not powers of two are scaled to GLU's powers here, with
    // gluScaleImage: gluBuild2DMipmaps would do it too, but when it changes the
    // width alone it leaves the last row black.
    const int32_t BytesPerPixel = Format == GL_RGB ? 3 : Format == GL_RGBA ? 4 : 0;
    const int32_t ScaledWidth = GluTextureSide(Width);
    const int32_t ScaledHeight = GluTextureSide(Height);
    std::vector<uint8_t> Scaled;
    if (BytesPerPixel > 0 && (ScaledWidth != Width || ScaledHeight != Height)) {
        Scaled.resize(size_t(ScaledWidth) * size_t(ScaledHeight) * size_t(BytesPerPixel));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        gluScaleImage(Format, Width, Height, GL_UNSIGNED_BYTE, Pixels, ScaledWidth, ScaledHeight,
                      GL_UNSIGNED_BYTE, Scaled.data());
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, ScaledWidth, ScaledHeight, Format, GL_UNSIGNED_BYTE,
                          Scaled.data());
    } else {
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, Width, Height, Format, GL_UNSIGNED_BYTE, Pixels);
    }
    return Name;  // left bound: the caller sets its filter mode next
}

// Decodes and uploads; Source names the file in errors about the image's shape
// (empty for a plain stream).
static void LoadImageTexture(std::istream& Stream, uint32_t& Texture, const std::string& Source) {
    const std::string InFile = Source.empty() ? "" : " in file \"" + Source + "\"";
    TTGAImage Image;
    try {
        Image.LoadFromStream(Stream);
    } catch (const std::runtime_error& E) {
        if (Source.empty()) throw;
        throw std::runtime_error(E.what() + InFile);
    }
    Image.SwapRedBlue();

    const uint32_t BytesPerPixel = Image.Header.PixelDepth / 8;
    // One-byte pixels stay one byte in a true-colour image and cannot be uploaded.
    if (BytesPerPixel >= 5 || FormatByBytesPerPixel[BytesPerPixel] == 0 ||
        (BytesPerPixel == 1 && Image.Header.ImageType == 2))
        throw std::runtime_error("Unsupported TGA pixel depth " +
                                 std::to_string(Image.Header.PixelDepth) +
                                 (BytesPerPixel == 1 ? " for a true-colour image" : "") + InFile);
    if (BytesPerPixel == 1) Image.ConvertTo32Bit();

    Texture = CreateTexture(Image.Header.Width, Image.Header.Height,
                            FormatByBytesPerPixel[BytesPerPixel], Image.PixelData());
}

void LoadTextureFromStream(std::istream& Stream, uint32_t& Texture) {
    LoadImageTexture(Stream, Texture, "");
}

void LoadTextureFromFile(const std::string& FileName, uint32_t& Texture) {
    std::error_code Ignored;
    std::filesystem::path FullPath = std::filesystem::absolute(FileName, Ignored);
    if (FullPath.empty()) FullPath = FileName;
    const std::string FullName = FullPath.lexically_normal().string();

    // Read like every other file: a folder, a pipe or a device is refused at once.
    std::string Bytes;
    if (!ReadFileText(FullName, Bytes, MaxTGAFileSize))
        throw std::runtime_error("Cannot open file \"" + FullName + "\". " + std::strerror(errno));
    std::istringstream Stream(Bytes);
    LoadImageTexture(Stream, Texture, FullName);
}

void LoadTexture(const std::string& FileName, uint32_t& Texture) {
    const size_t Dot = FileName.find_last_of('.');
    const size_t Separator =
        FileName.find_last_of(PathSeparators, std::string::npos, sizeof(PathSeparators));
    if (Dot == std::string::npos || (Separator != std::string::npos && Separator > Dot)) return;

    // Only A to Z are lower-cased, whatever the locale.
    std::string Extension = FileName.substr(Dot);
    for (char& C : Extension)
        if (C >= 'A' && C <= 'Z') C = char(C - 'A' + 'a');
    // Any other extension is skipped silently: no texture, Texture unchanged.
    if (Extension != ".tga") return;
    LoadTextureFromFile(FileName, Texture);
}
