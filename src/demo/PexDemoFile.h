// PexDemoFile: the demo file format (docs/demo-format.md): the kinds of items
// a frame holds, the lines of a demo, reading them a piece at a time and
// writing them, and the FNV-1a digest that demos use.
//
// Owns: the table of item kinds.
// Uses: PexScript (HexDigitValue), Glfw2 (the gamepad's ranges).
// No initialisation or finalisation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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
constexpr uint8_t dvPad = 8;       // connected 0 or 1, buttons 0 .. 2^15 - 1 (a bit each)
constexpr uint8_t dvStick = 9;     // X,Y: -100 .. 100 each

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
    X(diPad, 'p', dvPad, false, "the gamepad")                       \
    X(diStick, 'j', dvStick, false, "the gamepad's stick")           \
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

// ---- Reading -----------------------------------------------------------------

// What a demo's reader meets next, in the order of the file.
constexpr uint8_t dsFile = 0;   // a file line: File()
constexpr uint8_t dsFrame = 1;  // a frame's line begins: LastFrame(), Line()
constexpr uint8_t dsItem = 2;   // the frame's next item: Item()
constexpr uint8_t dsEnd = 3;    // the end line, with nothing after it: the demo was whole
constexpr uint8_t dsError = 4;  // the demo breaks a rule, or cannot be read: Error()

// The piece of the file a reader holds at a time, and the most of a field it
// keeps: no valid item, word, label or digest is longer.
constexpr size_t DemoReadChunk = 64 * 1024;
constexpr size_t MaxDemoField = 64;

// Reads a demo front to back, a piece at a time, and checks it as it goes:
// whatever the demo's length, or its lines', it holds one piece of the file,
// the field being read and the file line last read. dsEnd and dsError are
// final. The faults of a line are told at its end, the weightiest first: the
// line cut off by the file's end, then a zero byte, then the first rule its
// fields broke; so a damaged line may have given items before its error.
class TDemoReader {
public:
    // Gives the next bytes of the demo, at most Size, into Buffer: Count 0 at
    // its end. False, with errno, when they cannot be read.
    using TSource = std::function<bool(char* Buffer, size_t Size, size_t& Count)>;

    // Reads from the start of what Source gives, Chunk bytes at a time.
    void Start(TSource Source, size_t Chunk = DemoReadChunk);
    // Moves on to the next file line, frame line, item or the end; allocates
    // nothing for a frame or an item.
    uint8_t Next();

    const TDemoFile& File() const { return FileRead; }
    bool LastFrame() const { return Last; }  // the frame is the session's end ("x")
    const TDemoItem& Item() const { return ItemRead; }
    // "line N: <what is wrong>"
    const std::string& Error() const { return ErrorText; }
    uint64_t Line() const { return LineNumber; }
    // The most memory the reader held at once, in bytes, since it started.
    size_t PeakBytes() const { return Peak; }

private:
    uint8_t Advance();
    uint8_t NextItem();
    bool AtFileEnd();
    void ReadField();
    void KeepField(std::string& Kept) const;
    bool FieldIs(std::string_view Text) const;
    std::string_view FieldView() const;
    void ReadRest();
    void ReadHeader();
    void ReadFileLine();
    void ReadEndLine();
    void Pend(const std::string& What);
    bool LineIsGood();
    bool Fail(const std::string& What);
    size_t HeldBytes() const;

    TSource Source;
    std::vector<char> Buffer;  // the piece of the file at hand
    size_t Begin = 0;          // the next byte in Buffer
    size_t Filled = 0;         // the bytes of Buffer read
    bool SourceEnded = false;
    int ReadFailure = 0;  // errno of a failed read

    // The field being read: its first MaxDemoField bytes, its length, and what
    // ended it.
    char Field[MaxDemoField] = {};
    uint64_t FieldLength = 0;
    uint8_t Stop = 0;
    uint64_t FieldCount = 0;  // the fields of a whole line read by ReadRest
    std::string Kept[2];      // its second and third fields
    bool LineZero = false;    // the line has a zero byte
    std::string Pending;      // the first rule the line's fields broke

    uint8_t State = dsFile;
    uint64_t LineNumber = 0;
    uint64_t Frames = 0;  // frame lines that ended in a buffer swap ("f")
    bool InFrames = false, InFrame = false, Last = false, Events = false, Ended = false;
    TDemoFile FileRead;
    TDemoItem ItemRead{};
    std::string ErrorText;
    size_t Peak = 0;
};

// Reads a whole demo text into Demo, for tools and tests. False, with Error
// "line N: <what is wrong>", for text that is not a complete demo of this
// version.
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
