#include "MainUnit.h"

#include <GL/gl.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "ConfigUnit.h"
#include "PexGL.h"
#include "PexTexture.h"
#include "Program.h"
#include "StateUnit.h"
#include "VarsUnit.h"

struct TSharedTexture {
    const char* FileName;  // under AppDir
    uint32_t* Texture;
    uint8_t Filter;
};

// The six shared textures, in load order, with the filter set on each.
static const TSharedTexture SharedTextures[] = {
    {"pic/font.tga", &FontTexture, tfMipNearest},
    {"pic/menu.tga", &MenuTexture, tfMipNearest},
    {"pic/editor.tga", &EditorTexture, tfMipNearest},
    {"pic/splash.tga", &SplashTexture, tfMipNearest},
    {"pic/gui.tga", &GuiTexture, tfMipNearest},
    {"pic/tiles.tga", &TilesTexture, tfMipLinear},
};

// ---- The window's icon --------------------------------------------------------

struct TIconKey {
    char Key;
    uint8_t R, G, B, A;
};

#include "WindowIcon.inc"

constexpr int32_t IconArtSide = 16;
// The sizes the window is offered: the art with each pixel enlarged to a square.
constexpr int32_t IconScales[] = {1, 2, 3};

static void GiveTheWindowItsIcon() {
    constexpr int32_t Count = sizeof(IconScales) / sizeof(IconScales[0]);
    std::vector<uint8_t> Pixels[Count];
    TGlfw2Image Images[Count];
    for (int32_t I = 0; I < Count; ++I) {
        const int32_t Side = IconArtSide * IconScales[I];
        Pixels[I].assign(size_t(Side) * Side * 4, 0);  // '.': clear
        for (int32_t Y = 0; Y < Side; ++Y)
            for (int32_t X = 0; X < Side; ++X) {
                const char Key = WindowIconRows[Y / IconScales[I]][X / IconScales[I]];
                for (const TIconKey& Color : WindowIconKeys)
                    if (Color.Key == Key)
                        std::memcpy(&Pixels[I][(size_t(Y) * Side + X) * 4], &Color.R, 4);
            }
        Images[I] = {Side, Side, Pixels[I].data()};
    }
    SetWindowIcon(Count, Images);
}

// ---- Frames and the main procedure ---------------------------------------------

uint8_t FirstState = stSplash;
TProc OnEveryUpdate = nullptr;

void DispatchUpdate() {
    if (KeyDown(kcF10)) Quit = true;
    if (OnEveryUpdate) OnEveryUpdate();
    if (States[CurrentState].Update) States[CurrentState].Update();
    // Read the state again: when Update switched, the new state's Step runs.
    if (States[CurrentState].Step) States[CurrentState].Step();
}

void DispatchDraw() {
    const int32_t W = WindowWidth;
    const int32_t H = WindowHeight;
    // The picture fills the whole framebuffer, which on a scaled display has
    // more pixels than the window's W x H; the screens still draw in W x H.
    glViewport(0, 0, FramebufferWidth, FramebufferHeight);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    // Texture t is used as 1 - t: images arrive bottom row first.
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glTranslatef(0, 1, 0);
    glScalef(1, -1, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Window pixels: (0, 0) top-left, y downwards, (W, H) bottom-right.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScalef(2.0f / float(W), -2.0f / float(H), 1);
    glTranslatef(-float(W) / 2, -float(H) / 2, 0);
    if (States[CurrentState].Draw) States[CurrentState].Draw();
    SetTexturing(false);
    SetBlendMode(bmAlpha);
    DrawFade();
}

void RunApplication() {
    OnDraw = DispatchDraw;
    OnUpdate = DispatchUpdate;
    InitEngine();
    // Without a window no frame is ever drawn and the first switch would wait
    // for a fade that cannot complete; end through the error path instead.
    if (!OpenWindow(ScreenWidth, ScreenHeight, ScreenBPP, FullScreen, 0)) {
        TerminateEngine();
        throw std::runtime_error(
            "Cannot open a " + std::to_string(ScreenWidth) + " x " + std::to_string(ScreenHeight) +
            " window with " + std::to_string(ScreenBPP) + " bits per pixel" +
            (FullScreen ? " in full screen" : "") + ". Is a display with OpenGL available?");
    }
    GiveTheWindowItsIcon();
    for (const TSharedTexture& Shared : SharedTextures) {
        LoadTexture(AppDir + Shared.FileName, *Shared.Texture);
        SetTextureFilter(Shared.Filter);
    }
    SwitchState(FirstState);
    StartFade(clBlack, -1);
    RunMainLoop();
    EndApplication();
}

void EndApplication() {
    TerminateEngine();
    // What a demo's digest takes of the run, before the last state is left.
    DigestOutcomeParts();
    SwitchState(stExit);
}
