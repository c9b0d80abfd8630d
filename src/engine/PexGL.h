// PexGL: the window, the frame loop and frame clock, keyboard and mouse state,
// the drawing vocabulary with its render-state tables, bitmap-font text and the
// full-window fade.
//
// Owns: AppDir, Quit, DeltaTime, FPS, WindowWidth/WindowHeight,
// FramebufferWidth/FramebufferHeight, OnUpdate/OnDraw/OnSessionEnd, the window driver,
// Keys, Mouse, TextureWidth/TextureHeight, FontMetrics, Fade.
// Uses: the window driver it is given (WindowDriver.h; the GLFW 2 layer's
// types and key codes, Glfw2.h), OpenGL 1.x and
// PexPlatform (the executable's path, the path separator, the termination
// signals, the session's end).
// Initialisation fixes the decimal separator, sets AppDir from the running
// executable and catches the termination signals and the session's end;
// finalisation releases them and clears AppDir.
#pragma once

#include <cstdint>
#include <string>

#include "Glfw2.h"
#include "PexPlatform.h"
#include "WindowDriver.h"

// ---- Shared types ---------------------------------------------------------

using TProc = void (*)();

// red | green << 8 | blue << 16 | alpha << 24
using TPackedColor = uint32_t;

constexpr TPackedColor clBlack = 0xFF000000u;
constexpr TPackedColor clNavy = 0xFF800000u;
constexpr TPackedColor clGreen = 0xFF00FF00u;
constexpr TPackedColor clYellow = 0xFF00FFFFu;
constexpr TPackedColor clCyan = 0xFFFFFF00u;
constexpr TPackedColor clWhite = 0xFFFFFFFFu;

// Blend modes (rows of the blend table).
constexpr uint8_t bmNone = 0;
constexpr uint8_t bmAlpha = 1;
constexpr uint8_t bmAdd = 2;

// Texture filter modes (rows of the filter table).
constexpr uint8_t tfNearest = 0;
constexpr uint8_t tfLinear = 1;
constexpr uint8_t tfMipNearest = 2;
constexpr uint8_t tfMipLinear = 3;

// Key codes of the GLFW version 2 interface that the screens use (Glfw2.h).
constexpr int32_t kcEscape = GLFW2_KEY_ESC;
constexpr int32_t kcF2 = GLFW2_KEY_F2;
constexpr int32_t kcF10 = GLFW2_KEY_F10;
constexpr int32_t kcF11 = GLFW2_KEY_F11;
constexpr int32_t kcUp = GLFW2_KEY_UP;
constexpr int32_t kcDown = GLFW2_KEY_DOWN;
constexpr int32_t kcLeft = GLFW2_KEY_LEFT;
constexpr int32_t kcRight = GLFW2_KEY_RIGHT;
constexpr int32_t kcLeftShift = GLFW2_KEY_LSHIFT;
constexpr int32_t kcRightShift = GLFW2_KEY_RSHIFT;
constexpr int32_t kcLeftCtrl = GLFW2_KEY_LCTRL;
constexpr int32_t kcRightCtrl = GLFW2_KEY_RCTRL;
constexpr int32_t kcEnter = GLFW2_KEY_ENTER;
// Letters are their upper-case character code.
constexpr int32_t kcY = 'Y';
constexpr int32_t kcZ = 'Z';

// The key table holds the codes -1..318.
constexpr int32_t KeyCodeFirst = -1;
constexpr int32_t KeyCodeLast = 318;
constexpr int32_t KeyTableSize = KeyCodeLast - KeyCodeFirst + 1;

// Separator of the platform, used in every path the program builds.
constexpr char PathDelim = PlatformPathDelim;

// ---- The window driver -----------------------------------------------------

// The program entry gives the engine its driver before the engine starts: the
// system's (SystemWindow of Glfw2.h), over which a demo may stand in. Until then
// the engine has no window: OpenWindow gives false, the clock stands at 0, a
// frame finds the window closed and sets Quit, and every other call of the
// driver does nothing.
// From the next call on, the engine uses Driver.
void UseWindowDriver(const TWindowDriver& Driver);
// The driver the engine uses now, for a stand-in to pass its calls on to.
const TWindowDriver& WindowDriverInUse();

// ---- Window and main loop -------------------------------------------------

extern std::string AppDir;  // executable's folder with its trailing separator
extern bool Quit;
extern double DeltaTime;  // seconds, never more than 0.1
// The clock, in seconds, as the current frame read it.
double FrameTime();
extern int32_t FPS;
// The pixel space the screens draw in and the mouse is reported in: the
// window's size in screen coordinates, read in every active frame.
extern int32_t WindowWidth;
extern int32_t WindowHeight;  // at least 1 once a frame has run
// The window's framebuffer in device pixels, read with the window size. The same
// as the window's size, except on a scaled display, where it has more pixels.
extern int32_t FramebufferWidth;
extern int32_t FramebufferHeight;  // at least 1 once a frame has run
extern TProc OnUpdate;
extern TProc OnDraw;
// Ends the program at once, from inside the windowing layer's call that found
// the session gone (PlatformCatchSessionEnd): the program entry sets it. It
// never returns. The driver's calls do nothing by the time it runs.
extern TSessionEndHandler OnSessionEnd;

// A termination signal (PlatformCatchTerminationSignals) ends the program the
// way F10 does: the frame that follows sets Quit, so the loop ends, the last
// state is left and the finalisations run. The session ending under the
// program (the display lost) ends it through OnSessionEnd.
void InitPexGL();
void DonePexGL();

void InitEngine();
// The longest side a window may have: OpenGL implementations draw at least this
// many pixels a side (Mesa's software renderer no more), while X keeps only the
// low 16 bits of a side, and a side of 65536 ends the start with an X error.
constexpr int32_t MaxWindowSide = 16384;
// A side of 0 opens as the layer decides (the other side at 4:3, or 640 x 480).
bool OpenWindow(int32_t Width, int32_t Height, int32_t BitsPerPixel, bool FullScreenMode,
                int32_t DepthBits);
// Gives the open window its icon in Count sizes (Glfw2.h, TGlfw2Image).
void SetWindowIcon(int32_t Count, const TGlfw2Image* Images);
// Puts Text on the system's clipboard through the window driver.
void SetClipboardText(const std::string& Text);
void ProcessFrame();
void RunMainLoop();
void TerminateEngine();

// ---- Input state ----------------------------------------------------------

struct TMouseState {
    int32_t X;
    int32_t Y;
    bool Left;
    bool Right;
    bool Middle;
};

extern bool Keys[KeyTableSize];  // entry of code k is Keys[k - KeyCodeFirst]
extern TMouseState Mouse;

bool KeyDown(int32_t Key);
bool KeyPressed(int32_t Key);
void ClearKeys();

// Event handlers installed by OpenWindow; the layer calls them inside the swap.
void KeyCallback(int32_t Key, int32_t Action);
void CharCallback(int32_t Character, int32_t Action);
void MouseButtonCallback(int32_t Button, int32_t Action);
void RefreshCallback();

// ---- Drawing primitives and render state ----------------------------------

extern int32_t TextureWidth;
extern int32_t TextureHeight;

void SetColorRGB(uint8_t Red, uint8_t Green, uint8_t Blue);
void SetColorRGBA(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t Alpha);
void SetColor(TPackedColor Color);
TPackedColor ColorWithAlpha(TPackedColor Color, uint8_t Alpha);
void SetTexturing(bool On);
void BindTexture(uint32_t Texture);
void SetBlendMode(uint8_t Mode);
void SetTextureFilter(uint8_t Mode);
void BeginQuads();
void EndQuads();
void DrawTexQuad(int32_t X, int32_t Y, int32_t Width, int32_t Height, int32_t SourceX,
                 int32_t SourceY);
void DrawTexQuadF(float X, float Y, float Width, float Height, float SourceX, float SourceY);
void DrawRect(int32_t X, int32_t Y, int32_t Width, int32_t Height);
void DrawTexGrid(int32_t X, int32_t Y, int32_t Width, int32_t Height, int32_t SourceX,
                 int32_t SourceY, int32_t Columns, int32_t Rows);
void DrawTexGridSpaced(int32_t X, int32_t Y, int32_t Width, int32_t Height, int32_t SourceX,
                       int32_t SourceY, int32_t Columns, int32_t Rows, int32_t GapX, int32_t GapY);
void SetTextureSize(int32_t Size);
void SetTextureSizeWH(int32_t Width, int32_t Height);

// ---- Bitmap font text -----------------------------------------------------

struct TFontMetrics {
    int32_t Spare1;
    int32_t DrawnWidth;
    int32_t Spare2;
    int32_t Size;
    int32_t Spacing;
};

extern TFontMetrics FontMetrics;

// Draws Text byte by byte from the bound 16 x 16 glyph-cell font texture;
// Size 0 means FontMetrics.Size. Opens and closes its own quad batch.
void PrintText(int32_t X, int32_t Y, const std::string& Text, int32_t Size);

// ---- Screen fade ----------------------------------------------------------

struct TFade {
    TPackedColor Color;
    int8_t AlphaStep;
    int32_t Alpha;
    bool Active;
    bool Complete;
};

extern TFade Fade;

void StartFade(TPackedColor Color, int8_t Step);
void DrawFade();
