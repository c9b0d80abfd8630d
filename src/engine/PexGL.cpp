#include "PexGL.h"

#include <GL/gl.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Glfw2.h"
#include "PexPlatform.h"

// ---- Window and main loop -------------------------------------------------

std::string AppDir;
bool Quit = false;
double DeltaTime = 0;
int32_t FPS = 0;
int32_t WindowWidth = 0;
int32_t WindowHeight = 0;
int32_t FramebufferWidth = 0;
int32_t FramebufferHeight = 0;
TProc OnUpdate = nullptr;
TProc OnDraw = nullptr;
TSessionEndHandler OnSessionEnd = nullptr;

// The engine's driver until it is given one: there is no window.
static constexpr TWindowDriver NoWindow = {
    [] { return int32_t(0); },
    [] {},
    [](int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
        return int32_t(0);
    },
    [](const char*) {},
    [](int32_t, const TGlfw2Image*) {},
    [](TGlfw2VidMode* Mode) { *Mode = TGlfw2VidMode{}; },
    [](int32_t, int32_t) {},
    [](TGlfw2KeyFun) {},
    [](TGlfw2CharFun) {},
    [](TGlfw2MouseButtonFun) {},
    [](TGlfw2RefreshFun) {},
    [](int32_t) {},
    [] { return 0.0; },
    [](int32_t) { return int32_t(0); },  // neither opened nor active
    [](int32_t* Width, int32_t* Height) { *Width = *Height = 0; },
    [](int32_t* Width, int32_t* Height) { *Width = *Height = 0; },
    [](int32_t* X, int32_t* Y) { *X = *Y = 0; },
    [](double) {},
    [] {},
    [] { return int32_t(0); },
    [] {},
    [](const char*) {},
};

static const TWindowDriver* Window = &NoWindow;

void UseWindowDriver(const TWindowDriver& Driver) {
    Window = &Driver;
}

const TWindowDriver& WindowDriverInUse() {
    return *Window;
}

static double LastTime = 0;
static double FpsTime = 0;

double FrameTime() {
    return LastTime;
}
static int32_t FpsFrames = 0;

constexpr double MaxDeltaTime = 0.1;
constexpr double IdleSleep = 0.1;

struct TColorBits {
    int32_t BitsPerPixel;
    int32_t Red, Green, Blue;
};

// Bits per colour channel for a requested colour depth; any other depth gets 8/8/8.
constexpr TColorBits ColorDepthTable[] = {{8, 2, 3, 2}, {15, 5, 5, 5}, {16, 5, 6, 5}};
constexpr TColorBits DefaultColorBits = {0, 8, 8, 8};

// Runs inside the windowing layer's call that found the session gone.
static void SessionEnded(const char* What) {
    Window->DisplayGone();
    if (OnSessionEnd) OnSessionEnd(What);
    std::fprintf(stderr, "pex: %s\n", What);
    std::fflush(stderr);
    std::_Exit(1);
}

void InitPexGL() {
    // Number conversions always use "." whatever the user's locale says.
    std::setlocale(LC_NUMERIC, "C");
    std::string Path = PlatformExecutablePath();
    AppDir = Path.substr(0, Path.rfind(PathDelim) + 1);
    PlatformCatchTerminationSignals();
    PlatformCatchSessionEnd(SessionEnded);
}

void DonePexGL() {
    PlatformReleaseSessionEnd();
    PlatformReleaseTerminationSignals();
    AppDir.clear();
}

void InitEngine() {
    Window->Init();
    // The library's timer counts from here, so the clock starts at zero too.
    LastTime = 0;
    FpsTime = 0;
    FpsFrames = 0;
}

bool OpenWindow(int32_t Width, int32_t Height, int32_t BitsPerPixel, bool FullScreenMode,
                int32_t DepthBits) {
    TColorBits Bits = DefaultColorBits;
    for (const TColorBits& Row : ColorDepthTable)
        if (Row.BitsPerPixel == BitsPerPixel) Bits = Row;
    if (Window->OpenWindow(Width, Height, Bits.Red, Bits.Green, Bits.Blue, 0, DepthBits, 0,
                           FullScreenMode ? GLFW2_FULLSCREEN : GLFW2_WINDOW) != 1)
        return false;
    Window->SetWindowTitle("Pex");
    // Centre the window the layer opened, which differs from the one asked for
    // when a side was 0.
    int32_t OpenedWidth = 0, OpenedHeight = 0;
    Window->GetWindowSize(&OpenedWidth, &OpenedHeight);
    TGlfw2VidMode Desktop;
    Window->GetDesktopMode(&Desktop);
    // C++ division truncates toward zero, as the centring needs.
    Window->SetWindowPos((Desktop.Width - OpenedWidth) / 2, (Desktop.Height - OpenedHeight) / 2);
    Window->SetKeyCallback(KeyCallback);
    Window->SetCharCallback(CharCallback);
    Window->SetMouseButtonCallback(MouseButtonCallback);
    Window->SetWindowRefreshCallback(RefreshCallback);
    Window->SwapInterval(1);
    return true;
}

void SetWindowIcon(int32_t Count, const TGlfw2Image* Images) {
    Window->SetWindowIcon(Count, Images);
}

void SetClipboardText(const std::string& Text) {
    Window->SetClipboardString(Text.c_str());
}

void ProcessFrame() {
    DeltaTime = Window->GetTime() - LastTime;
    LastTime = Window->GetTime();
    ++FpsFrames;
    FpsTime += DeltaTime;  // the frames-per-second count uses the unclamped time
    if (FpsTime > 1.0) {
        FPS = int32_t(FpsFrames / FpsTime);
        FpsFrames = 0;
        FpsTime = 0;
    }
    if (DeltaTime > MaxDeltaTime) DeltaTime = MaxDeltaTime;

    if (Window->GetWindowParam(GLFW2_ACTIVE) == 1) {
        Window->GetWindowSize(&WindowWidth, &WindowHeight);
        if (WindowHeight < 1) WindowHeight = 1;
        Window->GetFramebufferSize(&FramebufferWidth, &FramebufferHeight);
        if (FramebufferHeight < 1) FramebufferHeight = 1;
        // The cursor comes in screen coordinates, the same space as the window size.
        Window->GetMousePos(&Mouse.X, &Mouse.Y);
        if (OnUpdate) OnUpdate();
        if (OnDraw) OnDraw();
    } else {
        Window->Sleep(IdleSleep);
    }
    // The layer delivers the queued key and mouse events inside the swap.
    Window->SwapBuffers();
    Quit = Quit || Window->GetWindowParam(GLFW2_OPENED) == 0 || Window->TerminationSignal() != 0;
}

void RunMainLoop() {
    while (!Quit) ProcessFrame();
}

void TerminateEngine() {
    Window->Terminate();
}

// ---- Input state ----------------------------------------------------------

bool Keys[KeyTableSize];
TMouseState Mouse;

static bool ValidKey(int32_t Key) {
    return Key >= KeyCodeFirst && Key <= KeyCodeLast;
}

bool KeyDown(int32_t Key) {
    return ValidKey(Key) && Keys[Key - KeyCodeFirst];
}

bool KeyPressed(int32_t Key) {
    if (!ValidKey(Key)) return false;
    bool WasDown = Keys[Key - KeyCodeFirst];
    Keys[Key - KeyCodeFirst] = false;
    return WasDown;
}

void ClearKeys() {
    std::memset(Keys, 0, sizeof(Keys));
}

void KeyCallback(int32_t Key, int32_t Action) {
    // Codes outside the table (later library releases report a few) are ignored.
    if (ValidKey(Key)) Keys[Key - KeyCodeFirst] = Action == GLFW2_PRESS;
}

void CharCallback(int32_t, int32_t) {}

void MouseButtonCallback(int32_t Button, int32_t Action) {
    if (Action != GLFW2_PRESS && Action != GLFW2_RELEASE) return;
    bool Down = Action == GLFW2_PRESS;
    if (Button == 0)
        Mouse.Left = Down;
    else if (Button == 1)
        Mouse.Right = Down;
    else if (Button == 2)
        Mouse.Middle = Down;
}

void RefreshCallback() {}

// ---- Drawing primitives and render state ----------------------------------

int32_t TextureWidth = 256;
int32_t TextureHeight = 256;

struct TBlendRow {
    bool Enabled;
    GLenum Source, Destination;
};

constexpr TBlendRow BlendTable[] = {
    {false, 0, 0},                                 // bmNone
    {true, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},  // bmAlpha
    {true, GL_SRC_ALPHA, GL_ONE},                  // bmAdd
};

struct TFilterRow {
    GLint Mag, Min;
};

constexpr TFilterRow FilterTable[] = {
    {GL_NEAREST, GL_NEAREST},                 // tfNearest
    {GL_LINEAR, GL_LINEAR},                   // tfLinear
    {GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST},  // tfMipNearest
    {GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR},     // tfMipLinear
};

void SetColorRGB(uint8_t Red, uint8_t Green, uint8_t Blue) {
    glColor3ub(Red, Green, Blue);
}

void SetColorRGBA(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t Alpha) {
    glColor4ub(Red, Green, Blue, Alpha);
}

void SetColor(TPackedColor Color) {
    glColor4ub(Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF, Color >> 24);
}

TPackedColor ColorWithAlpha(TPackedColor Color, uint8_t Alpha) {
    return (Color & 0x00FFFFFFu) | (TPackedColor(Alpha) << 24);
}

void SetTexturing(bool On) {
    if (On)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
}

void BindTexture(uint32_t Texture) {
    glBindTexture(GL_TEXTURE_2D, Texture);
}

void SetBlendMode(uint8_t Mode) {
    if (Mode >= sizeof(BlendTable) / sizeof(BlendTable[0])) return;
    const TBlendRow& Row = BlendTable[Mode];
    if (!Row.Enabled) {
        glDisable(GL_BLEND);
        return;
    }
    glEnable(GL_BLEND);
    glBlendFunc(Row.Source, Row.Destination);
}

void SetTextureFilter(uint8_t Mode) {
    if (Mode >= sizeof(FilterTable) / sizeof(FilterTable[0])) return;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, FilterTable[Mode].Mag);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, FilterTable[Mode].Min);
}

void BeginQuads() {
    glBegin(GL_QUADS);
}

void EndQuads() {
    glEnd();
}

void DrawTexQuad(int32_t X, int32_t Y, int32_t Width, int32_t Height, int32_t SourceX,
                 int32_t SourceY) {
    // Each coordinate is an integer divided by an integer, kept as a single.
    float S0 = float(double(SourceX) / TextureWidth);
    float T0 = float(double(SourceY) / TextureHeight);
    float S1 = float(double(SourceX + Width) / TextureWidth);
    float T1 = float(double(SourceY + Height) / TextureHeight);
    glTexCoord2f(S0, T0);
    glVertex2i(X, Y);
    glTexCoord2f(S1, T0);
    glVertex2i(X + Width, Y);
    glTexCoord2f(S1, T1);
    glVertex2i(X + Width, Y + Height);
    glTexCoord2f(S0, T1);
    glVertex2i(X, Y + Height);
}

void DrawTexQuadF(float X, float Y, float Width, float Height, float SourceX, float SourceY) {
    float S0 = SourceX / float(TextureWidth);
    float T0 = SourceY / float(TextureHeight);
    float S1 = float(SourceX + Width) / float(TextureWidth);
    float T1 = float(SourceY + Height) / float(TextureHeight);
    float X1 = X + Width;
    float Y1 = Y + Height;
    glTexCoord2f(S0, T0);
    glVertex2f(X, Y);
    glTexCoord2f(S1, T0);
    glVertex2f(X1, Y);
    glTexCoord2f(S1, T1);
    glVertex2f(X1, Y1);
    glTexCoord2f(S0, T1);
    glVertex2f(X, Y1);
}

void DrawRect(int32_t X, int32_t Y, int32_t Width, int32_t Height) {
    glVertex2i(X, Y);
    glVertex2i(X + Width, Y);
    glVertex2i(X + Width, Y + Height);
    glVertex2i(X, Y + Height);
}

void DrawTexGrid(int32_t X, int32_t Y, int32_t Width, int32_t Height, int32_t SourceX,
                 int32_t SourceY, int32_t Columns, int32_t Rows) {
    DrawTexGridSpaced(X, Y, Width, Height, SourceX, SourceY, Columns, Rows, 0, 0);
}

void DrawTexGridSpaced(int32_t X, int32_t Y, int32_t Width, int32_t Height, int32_t SourceX,
                       int32_t SourceY, int32_t Columns, int32_t Rows, int32_t GapX, int32_t GapY) {
    for (int32_t Row = 0; Row < Rows; ++Row)
        for (int32_t Column = 0; Column < Columns; ++Column)
            DrawTexQuad(X + Column * (Width + GapX), Y + Row * (Height + GapY), Width, Height,
                        SourceX, SourceY);
}

void SetTextureSize(int32_t Size) {
    TextureWidth = Size;
    TextureHeight = Size;
}

void SetTextureSizeWH(int32_t Width, int32_t Height) {
    TextureWidth = Width;
    TextureHeight = Height;
}

// ---- Bitmap font text -----------------------------------------------------

TFontMetrics FontMetrics;

constexpr float GlyphCell = 1.0f / 16.0f;

void PrintText(int32_t X, int32_t Y, const std::string& Text, int32_t Size) {
    if (Size == 0) Size = FontMetrics.Size;
    glBegin(GL_QUADS);
    for (size_t I = 0; I < Text.size(); ++I) {
        uint8_t Code = uint8_t(Text[I]);
        float S = float(Code & 15) / 16.0f;
        float T = float(Code >> 4) / 16.0f;
        // Spacing is read afresh for every glyph.
        int32_t Left = X + int32_t(I) * (Size + FontMetrics.Spacing);
        glTexCoord2f(S, T);
        glVertex3f(float(Left), float(Y), 0);
        glTexCoord2f(S + GlyphCell, T);
        glVertex3f(float(Left + Size), float(Y), 0);
        glTexCoord2f(S + GlyphCell, T + GlyphCell);
        glVertex3f(float(Left + Size), float(Y + Size), 0);
        glTexCoord2f(S, T + GlyphCell);
        glVertex3f(float(Left), float(Y + Size), 0);
    }
    glEnd();
    // 32-bit wrap-around, done in unsigned arithmetic to stay defined.
    FontMetrics.DrawnWidth =
        int32_t(uint32_t(FontMetrics.DrawnWidth) +
                uint32_t(Text.size()) * uint32_t(FontMetrics.Size + FontMetrics.Spacing));
}

// ---- Screen fade ----------------------------------------------------------

TFade Fade;

void StartFade(TPackedColor Color, int8_t Step) {
    Fade.Active = true;
    Fade.Complete = false;
    Fade.AlphaStep = Step;
    Fade.Color = Color;
    Fade.Alpha = Step < 0 ? 255 : 0;
}

void DrawFade() {
    if (!Fade.Active) return;
    Fade.Alpha += Fade.AlphaStep;
    if (Fade.Alpha < 0) Fade.Alpha = 0;
    if (Fade.Alpha > 255) Fade.Alpha = 255;
    if (Fade.Alpha == 0 || Fade.Alpha == 255) Fade.Complete = true;
    if (Fade.Alpha == 0) Fade.Active = false;
    if (Fade.Alpha > 0) {
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_TEXTURE_2D);
        SetColor(ColorWithAlpha(Fade.Color, uint8_t(Fade.Alpha)));
        BeginQuads();
        DrawRect(0, 0, WindowWidth, WindowHeight);
        EndQuads();
    }
}
