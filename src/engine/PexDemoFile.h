// PexDemoFile: the demo file format (docs/demo-format.md): the kinds of items
// a frame holds, the lines of a demo, reading and writing them, and the FNV-1a
// digest that demos use.
//
// Owns: the table of item kinds.
// Uses: PexScript (HexDigitValue).
// No initialisation or finalisation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr int32_t DemoVersion = 1;

// ---- Items -------------------------------------------------------------------

// How an item's value is written and which values are valid.
constexpr uint8_t dvTime = 0;      // a clock reading: hexadecimal floating point, finite, >= 0
constexpr uint8_t dvFlag = 1;      // 0 or 1
constexpr uint8_t dvSize = 2;      // W,H: 0 .. 2^20 each
constexpr uint8_t dvPosition = 3;  // X,Y: -2^20 .. 2^20 each
constexpr uint8_t dvKey = 4;       // key code -1 .. 1023, action 0 or 1
constexpr uint8_t dvChar = 5;      // code point 0 .. 0x10FFFF, action 0 or 1
constexpr uint8_t dvButton = 6;    // button 0 .. 7, action 0 or 1
constexpr uint8_t dvSignal = 7;    // a signal number 1 .. 64

// Every kind of item: its letter in the file, its value, whether it is an event
// (delivered in the buffer swap, after all of a frame's answers) and what it
// is, for messages. The letters are the kinds' names in the program.
#define PEX_DEMO_ITEMS(X)                                            \
    X(diTime, 't', dvTime, false, "the time")                        \
    X(diActive, 'a', dvFlag, false, "the window's activity")         \
    X(diOpened, 'o', dvFlag, false, "whether the window is open")    \
    X(diWindowSize, 'w', dvSize, false, "the window size")           \
    X(diFramebufferSize, 'b', dvSize, false, "the framebuffer size") \
    X(diMousePos, 'm', dvPosition, false, "the mouse position")      \
    X(diSignal, 's', dvSignal, false, "a termination signal")        \
    X(diKey, 'k', dvKey, true, "a key event")                        \
    X(diChar, 'c', dvChar, true, "a character event")                \
    X(diButton, 'u', dvButton, true, "a mouse button event")

#define PEX_DEMO_KIND_CONSTANT(Name, Letter, Value, Event, Text) constexpr char Name = Letter;
PEX_DEMO_ITEMS(PEX_DEMO_KIND_CONSTANT)
#undef PEX_DEMO_KIND_CONSTANT

struct TDemoKind {
    char Letter;
    uint8_t Value;
    bool Event;
    const char* Name;
};

// The row of a kind; null for a letter that is no kind.
const TDemoKind* FindDemoKind(char Letter);
bool IsDemoEvent(char Kind);
// What a kind is, for messages ("the time"); "the buffer swap" for the end of
// a frame (kind 0) and "the session's end" for the end of the demo ('x').
const char* DemoKindName(char Kind);

// One answer or event. A clock reading keeps its double's bits in A (low half)
// and B (high half), so that an item takes twelve bytes.
struct TDemoItem {
    char Kind;
    int32_t A;
    int32_t B;
};

TDemoItem TimeItem(double Time);
double ItemTime(const TDemoItem& Item);

// ---- Demos -------------------------------------------------------------------

struct TDemoFile {
    std::string Label;  // settings, menu or level
    bool Present;       // false for a file that could not be read
    uint64_t Digest;
};

// A frame: its items run from First to the next frame's First (to the end of
// Items for the last frame).
struct TDemoFrame {
    uint32_t First;
    uint32_t Line;  // the frame's line in the demo file, 1-based
};

// A demo: the files' digests and every frame's items; the last of Frames is
// the frame the session's end cut short, the others ended in a buffer swap.
struct TDemo {
    std::vector<TDemoFile> Files;
    std::vector<TDemoItem> Items;
    std::vector<TDemoFrame> Frames;
};

// Frames that ended in a buffer swap.
size_t SwappedFrameCount(const TDemo& Demo);
// The items of frame Index, as a range of Demo.Items.
size_t FrameItemsEnd(const TDemo& Demo, size_t Index);
// The memory a demo holds, for its reader's bound.
size_t DemoBytes(const TDemo& Demo);

// Reads demo text into Demo. False, with Error "line N: <what is wrong>", for
// text that is not a complete demo of this version. Holds at most a few times
// the text's size; std::bad_alloc passes through.
bool ParseDemoText(const std::string& Text, TDemo& Demo, std::string& Error);
// True when Start (the first bytes of a file) begins with the header line of a
// demo, of any version.
bool IsDemoHeader(const std::string& Start);

std::string DemoHeaderText(const std::vector<TDemoFile>& Files);
// A frame's line: "f ..." for a frame that ended in a swap, "x ..." for the last.
std::string DemoFrameText(const std::vector<TDemoItem>& Items, bool Last);
std::string DemoEndText(size_t FrameCount);

// A double as hexadecimal floating point ("0x1.8p+1"), exact, and back. The
// reader takes at most 16 hexadecimal digits and a decimal power of at most
// 5 digits, and false for anything else.
std::string HexFloatText(double Value);
bool ParseHexFloat(std::string_view Text, double& Value);

// Bytes of a file quoted in a message: at most Limit of them, every byte
// outside printable ASCII as \xNN, so that nothing reaches the terminal as a
// control code.
std::string QuotedBytes(std::string_view Bytes, size_t Limit);

// ---- Digests -----------------------------------------------------------------

constexpr uint64_t DigestStart = 0xcbf29ce484222325ull;  // FNV-1a 64

uint64_t DigestBytes(uint64_t Digest, const void* Data, size_t Size);
// The digest of a whole text, from DigestStart.
uint64_t DigestText(const std::string& Text);
