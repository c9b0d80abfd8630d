// Test seams: fake OpenGL/GLU and a fake window driver.
//
// The units are linked against the GL and GLU definitions in the tests: every
// GL call is recorded with its arguments. The window comes through the engine's
// window driver, as in the program: fake::Window, installed by ResetGlfw, plays
// the GLFW 2 layer, its clock, window state, mouse, desktop and events driven by
// the test; the termination signal is the platform's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Glfw2.h"
#include "WindowDriver.h"

namespace fake {

struct GLCall {
    std::string Name;
    std::vector<double> Args;
};

// ---- OpenGL / GLU ----
extern std::vector<GLCall> GLCalls;
extern uint32_t NextTextureName;  // next name glGenTextures hands out
extern uint32_t BoundTexture;     // name bound to GL_TEXTURE_2D
struct MipmapUpload {
    uint32_t Texture;
    int32_t Components, Width, Height;
    uint32_t Format;
    std::vector<uint8_t> Pixels;  // Width * Height * (3 or 4) bytes
    int32_t UnpackAlignment = 4;  // GL_UNPACK_ALIGNMENT in effect for the upload
};
extern std::vector<MipmapUpload> Uploads;
extern int32_t UnpackAlignment;  // set by glPixelStorei; 4, as in GL, after ResetGL

void ResetGL();

// One glBegin..glEnd batch: the texture bound and the colour (glColor4ub)
// current at its first vertex, its vertices and texture coordinates, the name
// of its vertex call (glVertex2i or glVertex2f) and the index of its glBegin
// in GLCalls.
struct Batch {
    uint32_t Texture = 0;
    std::array<int32_t, 4> Color{};
    std::vector<std::pair<double, double>> Vertices;
    std::vector<std::pair<double, double>> TexCoords;
    std::string VertexCall;
    size_t BeginIndex = 0;
};
// The batches drawn since the last ResetGL.
std::vector<Batch> Batches();
// Calls named Name, in order.
std::vector<GLCall> CallsNamed(const std::string& Name);
// Number of calls named Name.
size_t CountCalls(const std::string& Name);

// ---- The window driver ----
extern std::deque<double> Times;  // GetTime pops the front; when empty returns Now
extern double Now;
extern bool Active;                    // GLFW2_ACTIVE
extern bool Opened;                    // GLFW2_OPENED
extern int32_t OpenResult;             // what OpenWindow returns
extern std::vector<int32_t> OpenArgs;  // arguments of the last OpenWindow
extern std::string Title;
extern int32_t PosX, PosY;
extern int32_t SwapIntervalValue;
extern int32_t DesktopWidth, DesktopHeight;
extern int32_t WindowW, WindowH;
extern int32_t MouseX, MouseY;
extern std::vector<double> Sleeps;
extern int32_t Swaps;
extern int32_t InitCalls, TerminateCalls;
extern std::vector<std::string> CallbackOrder;  // names of the callback setters, in order
extern TGlfw2KeyFun KeyFun;
extern TGlfw2CharFun CharFun;
extern TGlfw2MouseButtonFun MouseButtonFun;
extern TGlfw2RefreshFun RefreshFun;
// Runs inside SwapBuffers, where the real layer delivers queued events.
extern std::function<void()> OnSwap;
// The framebuffer is FramebufferScale times the window's size (2 plays a display
// at 200 %); 1 after ResetGlfw.
extern int32_t FramebufferScale;
// A successful OpenWindow makes the window OpenedW x OpenedH when these are
// set (playing the layer's choice for a side of 0), else the size asked for.
extern int32_t OpenedW, OpenedH;

// The window's icon as SetWindowIcon last gave it: each picture's side
// and its pixels (cleared by ResetGlfw).
struct IconImage {
    int32_t Width, Height;
    std::vector<uint8_t> Pixels;
};
extern std::vector<IconImage> WindowIcon;

// Every text put on the clipboard, in order (cleared by ResetGlfw).
extern std::vector<std::string> Clipboard;

// The driver whose calls read and set the variables above.
extern const TWindowDriver Window;

// Sets the variables above as they start and gives the engine fake::Window.
void ResetGlfw();

}  // namespace fake
