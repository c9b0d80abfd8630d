// picview: shows the six game pictures as the engine loads them, over a grey
// checker board so that transparent parts stay visible. Escape, F10 or
// closing the window ends it.
//   picview <picture-folder>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "Glfw2.h"
#include "MainUnit.h"
#include "PexGL.h"
#include "PexTexture.h"
#include "StateUnit.h"

struct TShownPicture {
    const char* FileName;
    uint8_t Filter;  // the filter mode the game gives the texture
    int32_t X, Y;    // where the picture is shown in the window
    int32_t Width, Height;
    int32_t TextureWidth, TextureHeight;
    uint32_t Texture;
};

constexpr int32_t ViewWidth = 1024;
constexpr int32_t ViewHeight = 768;
constexpr int32_t CheckerSize = 16;

// Four 256 x 256 pictures along the top; the splash picture's shown part and
// the pointer picture below them.
static TShownPicture Pictures[] = {{"font.tga", tfMipNearest, 0, 0, 256, 256, 256, 256, 0},
                                   {"menu.tga", tfMipNearest, 256, 0, 256, 256, 256, 256, 0},
                                   {"tiles.tga", tfMipLinear, 512, 0, 256, 256, 256, 256, 0},
                                   {"editor.tga", tfMipNearest, 768, 0, 256, 256, 256, 256, 0},
                                   {"splash.tga", tfMipNearest, 0, 272, 640, 480, 1024, 512, 0},
                                   {"gui.tga", tfMipNearest, 704, 272, 256, 256, 256, 256, 0}};

static void ViewUpdate() {
    if (KeyDown(kcEscape) || KeyDown(kcF10)) Quit = true;
}

// Drawn as the start state's screen: the game's own draw dispatcher sets up
// window pixels and the flipped texture axis around it.
static void ViewDraw() {
    SetTexturing(false);
    SetBlendMode(bmNone);
    BeginQuads();
    for (int32_t y = 0; y < ViewHeight; y += CheckerSize)
        for (int32_t x = 0; x < ViewWidth; x += CheckerSize) {
            const uint8_t Grey = ((x + y) / CheckerSize) % 2 == 0 ? 96 : 128;
            SetColorRGB(Grey, Grey, Grey);
            DrawRect(x, y, CheckerSize, CheckerSize);
        }
    EndQuads();

    SetTexturing(true);
    SetBlendMode(bmAlpha);
    SetColor(clWhite);
    for (const TShownPicture& Picture : Pictures) {
        BindTexture(Picture.Texture);
        SetTextureSizeWH(Picture.TextureWidth, Picture.TextureHeight);
        BeginQuads();
        DrawTexQuad(Picture.X, Picture.Y, Picture.Width, Picture.Height, 0, 0);
        EndQuads();
    }
    SetTextureSize(256);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: picview <picture-folder>\n");
        return 2;
    }
    try {
        const std::string Folder = std::string(argv[1]) + PathDelim;
        UseWindowDriver(SystemWindow);
        InitEngine();
        if (!OpenWindow(ViewWidth, ViewHeight, 32, false, 0))
            throw std::runtime_error("Cannot open a window; is a display with OpenGL available?");
        glfw2SetWindowTitle("Pex pictures");
        for (TShownPicture& Picture : Pictures) {
            LoadTexture(Folder + Picture.FileName, Picture.Texture);
            SetTextureFilter(Picture.Filter);
        }
        States[stNone].Draw = ViewDraw;
        OnUpdate = ViewUpdate;
        OnDraw = DispatchDraw;
        RunMainLoop();
        TerminateEngine();
    } catch (const std::exception& Error) {
        TerminateEngine();
        std::fprintf(stderr, "picview: %s\n", Error.what());
        return 1;
    }
    return 0;
}
