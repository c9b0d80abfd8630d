#include "PexDemo.h"

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "PexPlatform.h"
#include "PexScript.h"

uint8_t DemoMode = dmOff;
std::vector<std::pair<std::string, std::string>> (*DemoWatchedFiles)() = nullptr;
void (*DemoSnapshot)() = nullptr;

static std::string DemoFileName;
static std::FILE* RecordFile = nullptr;
static TDemo Demo;             // playback: the demo; recording: the frame being noted
static size_t FrameIndex = 0;  // playback: Demo.Frames.size() for the last frame
static size_t ItemIndex = 0;   // playback: the next item of the current frame
static bool PlaybackOver = false;
static size_t FrameCount = 0;  // frames recorded or played
static uint64_t Outcome = DigestStart;
static bool EngineEnded = false;
static TDemoItem LastAnswers[128];  // playback: the last answer of each kind

// ---- Digests ----------------------------------------------------------------

uint64_t DigestBytes(uint64_t Digest, const void* Data, size_t Size) {
    const uint8_t* Bytes = static_cast<const uint8_t*>(Data);
    for (size_t I = 0; I < Size; ++I) {
        Digest ^= Bytes[I];
        Digest *= 0x100000001b3ull;
    }
    return Digest;
}

uint64_t DigestText(const std::string& Text) {
    return DigestBytes(DigestStart, Text.data(), Text.size());
}

void DigestOutcome(const void* Data, size_t Size) {
    Outcome = DigestBytes(Outcome, Data, Size);
}

// The files the run wrote enter the outcome digest in the order written.
static void DigestWrites() {
    for (const std::string& Text : TakeWrittenTexts()) DigestOutcome(Text.data(), Text.size());
}

// ---- Writing ----------------------------------------------------------------

static const char DemoMagic[] = "PEX DEMO";

bool IsDemoEvent(char Kind) {
    return Kind == diKey || Kind == diChar || Kind == diButton;
}

static std::string HexDigest(uint64_t Digest) {
    char Text[17];
    std::snprintf(Text, sizeof(Text), "%016" PRIx64, Digest);
    return Text;
}

std::string DemoHeaderText(const std::vector<TDemoFile>& Files) {
    std::string Text = std::string(DemoMagic) + ' ' + std::to_string(DemoVersion) + '\n';
    for (const TDemoFile& File : Files)
        Text += "file " + File.Label + ' ' + (File.Present ? HexDigest(File.Digest) : "-") + '\n';
    return Text;
}

// Hexadecimal floating point as C's "%a" writes it ("0x1.8p+1" is 3), made
// here so that it is the same on every system and in every locale: the
// double's exact value in text.
std::string HexFloatText(double Value) {
    uint64_t Bits;
    std::memcpy(&Bits, &Value, sizeof(Bits));
    std::string Text = Bits >> 63 ? "-0x" : "0x";
    const int32_t Exponent = int32_t((Bits >> 52) & 0x7FF);
    uint64_t Mantissa = Bits & ((uint64_t(1) << 52) - 1);
    if (Exponent == 0 && Mantissa == 0) return Text + "0p+0";
    // A subnormal keeps a leading 0 and the smallest normal exponent.
    Text += Exponent == 0 ? '0' : '1';
    int32_t Digits = 13;
    while (Digits > 0 && (Mantissa & 0xF) == 0) {
        Mantissa >>= 4;
        --Digits;
    }
    if (Digits > 0) {
        char Fraction[16];
        std::snprintf(Fraction, sizeof(Fraction), "%0*" PRIx64, int(Digits), Mantissa);
        Text += '.';
        Text += Fraction;
    }
    const int32_t Power = Exponent == 0 ? -1022 : Exponent - 1023;
    return Text + 'p' + (Power < 0 ? "-" : "+") + std::to_string(Power < 0 ? -Power : Power);
}

static int HexDigit(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
}

bool ParseHexFloat(const std::string& Text, double& Value) {
    size_t I = 0;
    const bool Negative = I < Text.size() && Text[I] == '-';
    if (Negative) ++I;
    if (Text.compare(I, 2, "0x") != 0) return false;
    I += 2;
    // At most 16 hexadecimal digits: the mantissa fits 64 bits.
    uint64_t Mantissa = 0;
    int32_t Digits = 0, FractionDigits = 0;
    bool Point = false;
    for (; I < Text.size() && Text[I] != 'p'; ++I) {
        if (Text[I] == '.' && !Point) {
            Point = true;
            continue;
        }
        const int Digit = HexDigit(Text[I]);
        if (Digit < 0 || ++Digits > 16) return false;
        Mantissa = Mantissa << 4 | uint64_t(Digit);
        if (Point) ++FractionDigits;
    }
    if (Digits == 0 || I + 2 >= Text.size()) return false;  // p, a sign and a digit follow
    ++I;
    const bool NegativePower = Text[I] == '-';
    if (Text[I] != '-' && Text[I] != '+') return false;
    int32_t Power = 0;
    if (++I == Text.size() || Text.size() - I > 5) return false;
    for (; I < Text.size(); ++I) {
        if (Text[I] < '0' || Text[I] > '9') return false;
        Power = Power * 10 + (Text[I] - '0');
    }
    Value = std::ldexp(double(Mantissa), (NegativePower ? -Power : Power) - 4 * FractionDigits);
    if (Negative) Value = -Value;
    return true;
}

static std::string ItemText(const TDemoItem& Item) {
    char Text[64];
    switch (Item.Kind) {
        case diTime:
            return "t" + HexFloatText(Item.Time);
        case diActive:
        case diOpened:
            std::snprintf(Text, sizeof(Text), "%c%" PRId32, Item.Kind, Item.A);
            break;
        default:
            std::snprintf(Text, sizeof(Text), "%c%" PRId32 ",%" PRId32, Item.Kind, Item.A, Item.B);
    }
    return Text;
}

std::string DemoFrameText(const TDemoFrame& Frame, bool Last) {
    std::string Text(1, Last ? 'x' : 'f');
    for (const TDemoItem& Item : Frame.Items) Text += ' ' + ItemText(Item);
    return Text + '\n';
}

std::string DemoEndText(size_t Frames) {
    return "end " + std::to_string(Frames) + '\n';
}

// ---- Reading ----------------------------------------------------------------

// A whole decimal integer within Low..High.
static bool ParseInteger(const std::string& Text, int64_t Low, int64_t High, int32_t& Value) {
    if (Text.empty() || Text.size() > 12) return false;
    size_t I = Text[0] == '-' ? 1 : 0;
    if (I == Text.size()) return false;
    int64_t Result = 0;
    for (; I < Text.size(); ++I) {
        if (Text[I] < '0' || Text[I] > '9') return false;
        Result = Result * 10 + (Text[I] - '0');
    }
    if (Text[0] == '-') Result = -Result;
    if (Result < Low || Result > High) return false;
    Value = int32_t(Result);
    return true;
}

static bool ParsePair(const std::string& Text, int64_t Low, int64_t High, TDemoItem& Item) {
    const size_t Comma = Text.find(',');
    if (Comma == std::string::npos) return false;
    return ParseInteger(Text.substr(0, Comma), Low, High, Item.A) &&
           ParseInteger(Text.substr(Comma + 1), Low, High, Item.B);
}

// A clock reading: hexadecimal floating point, finite, 0 or more.
static bool ParseTime(const std::string& Text, double& Time) {
    return ParseHexFloat(Text, Time) && std::isfinite(Time) && Time >= 0;
}

constexpr int64_t MaxCoordinate = 1 << 20;

static bool ParseItem(const std::string& Token, TDemoItem& Item, std::string& Error) {
    Item = TDemoItem{Token.empty() ? '\0' : Token[0], 0, 0, 0};
    const std::string Value = Token.empty() ? std::string() : Token.substr(1);
    bool Good = false;
    switch (Item.Kind) {
        case diTime:
            Good = ParseTime(Value, Item.Time);
            break;
        case diActive:
        case diOpened:
            Good = ParseInteger(Value, 0, 1, Item.A);
            break;
        case diWindowSize:
        case diFramebufferSize:
            Good = ParsePair(Value, 0, MaxCoordinate, Item);
            break;
        case diMousePos:
            Good = ParsePair(Value, -MaxCoordinate, MaxCoordinate, Item);
            break;
        case diKey:
            Good = ParsePair(Value, -1, 1023, Item) && Item.B >= 0 && Item.B <= 1;
            break;
        case diChar:
            Good = ParsePair(Value, 0, 0x10FFFF, Item) && Item.B >= 0 && Item.B <= 1;
            break;
        case diButton:
            Good = ParsePair(Value, 0, 7, Item) && Item.B <= 1;
            break;
        default:
            Error = "unknown item \"" + Token.substr(0, 20) + "\"";
            return false;
    }
    if (!Good) Error = "bad value in item \"" + Token.substr(0, 40) + "\"";
    return Good;
}

static std::vector<std::string> SplitSpaces(const std::string& Line) {
    std::vector<std::string> Tokens;
    size_t Start = 0;
    while (Start <= Line.size()) {
        size_t End = Line.find(' ', Start);
        if (End == std::string::npos) End = Line.size();
        Tokens.push_back(Line.substr(Start, End - Start));
        Start = End + 1;
    }
    return Tokens;
}

static bool ParseFrame(const std::vector<std::string>& Tokens, size_t Line, TDemoFrame& Frame,
                       std::string& Error) {
    Frame = TDemoFrame{{}, Line};
    bool Events = false;
    for (size_t I = 1; I < Tokens.size(); ++I) {
        TDemoItem Item;
        if (!ParseItem(Tokens[I], Item, Error)) return false;
        // The swap delivers the events after every answer of the frame.
        if (Events && !IsDemoEvent(Item.Kind)) {
            Error = "an answer follows the frame's events";
            return false;
        }
        Events = IsDemoEvent(Item.Kind);
        Frame.Items.push_back(Item);
    }
    return true;
}

bool ParseDemoText(const std::string& Text, TDemo& Result, std::string& Error) {
    TDemo Parsed;
    size_t LineNumber = 0;
    size_t Start = 0;
    bool HaveLast = false, Ended = false;
    std::string What;
    auto Fail = [&](const std::string& Message) {
        Error = "line " + std::to_string(LineNumber) + ": " + Message;
        return false;
    };
    while (Start < Text.size()) {
        size_t End = Text.find('\n', Start);
        ++LineNumber;
        if (End == std::string::npos) return Fail("the line is cut off (the demo is truncated)");
        std::string Line = Text.substr(Start, End - Start);
        Start = End + 1;
        if (!Line.empty() && Line.back() == '\r') Line.pop_back();
        if (Line.find('\0') != std::string::npos) return Fail("a zero byte");
        const std::vector<std::string> Tokens = SplitSpaces(Line);
        const std::string& Word = Tokens[0];
        if (LineNumber == 1) {
            if (Line.compare(0, sizeof(DemoMagic) - 1, DemoMagic) != 0 || Tokens.size() != 3)
                return Fail("not a Pex demo (the first line must be \"PEX DEMO " +
                            std::to_string(DemoVersion) + "\")");
            if (Tokens[2] != std::to_string(DemoVersion))
                return Fail("demo version \"" + Tokens[2].substr(0, 12) +
                            "\" is not supported (this program plays version " +
                            std::to_string(DemoVersion) + ")");
            continue;
        }
        if (Ended) return Fail("text after the end line");
        if (Word == "file") {
            if (!Parsed.Frames.empty() || HaveLast) return Fail("a file line after the frames");
            if (Tokens.size() != 3 || Tokens[1].empty())
                return Fail("a file line needs a label and a digest");
            TDemoFile File{Tokens[1], Tokens[2] != "-", 0};
            if (File.Present) {
                if (Tokens[2].size() != 16) return Fail("a digest has 16 hexadecimal digits");
                for (char C : Tokens[2])
                    if (!std::strchr("0123456789abcdef", C) || C == '\0')
                        return Fail("a digest has 16 hexadecimal digits");
                File.Digest = std::strtoull(Tokens[2].c_str(), nullptr, 16);
            }
            Parsed.Files.push_back(File);
        } else if (Word == "f" || Word == "x") {
            if (HaveLast) return Fail("a frame after the last frame");
            TDemoFrame Frame;
            if (!ParseFrame(Tokens, LineNumber, Frame, What)) return Fail(What);
            if (Word == "f") {
                Parsed.Frames.push_back(std::move(Frame));
            } else {
                Parsed.Last = std::move(Frame);
                HaveLast = true;
            }
        } else if (Word == "end") {
            if (!HaveLast) return Fail("the end line comes before the last frame (\"x\")");
            int32_t Count = 0;
            if (Tokens.size() != 2 || !ParseInteger(Tokens[1], 0, INT32_MAX, Count))
                return Fail("the end line needs the number of frames");
            if (size_t(Count) != Parsed.Frames.size())
                return Fail("the end line counts " + std::to_string(Count) +
                            " frames, the demo has " + std::to_string(Parsed.Frames.size()));
            Ended = true;
        } else {
            return Fail("unknown line \"" + Word.substr(0, 20) + "\"");
        }
    }
    if (LineNumber == 0) {
        Error = "line 1: the demo is empty";
        return false;
    }
    if (!Ended) {
        ++LineNumber;
        return Fail("the demo is truncated (no end line)");
    }
    Result = std::move(Parsed);
    return true;
}

// ---- Starting and ending ----------------------------------------------------

bool StartDemoRecording(const std::string& FileName, std::string& Error) {
    RecordFile = std::fopen(FileName.c_str(), "wb");
    if (!RecordFile) {
        Error = "Cannot create file \"" + FileName + "\". " + std::strerror(errno);
        return false;
    }
    DemoFileName = FileName;
    DemoMode = dmRecord;
    return true;
}

bool StartDemoPlayback(const std::string& FileName, std::string& Error) {
    std::string Text;
    if (!PlatformReadFile(FileName, Text)) {
        Error = "Cannot read file \"" + FileName + "\". " + std::strerror(errno);
        return false;
    }
    if (!ParseDemoText(Text, Demo, Error)) {
        Error = "Demo \"" + FileName + "\" " + Error;
        return false;
    }
    DemoFileName = FileName;
    DemoMode = dmPlay;
    return true;
}

static std::vector<TDemoFile> WatchedDigests() {
    std::vector<TDemoFile> Files;
    if (!DemoWatchedFiles) return Files;
    for (const auto& Watched : DemoWatchedFiles()) {
        std::string Text;
        const bool Present = !Watched.second.empty() && PlatformReadFile(Watched.second, Text);
        Files.push_back(TDemoFile{Watched.first, Present, Present ? DigestText(Text) : 0});
    }
    return Files;
}

static void WriteRecord(const std::string& Text) {
    if (RecordFile) std::fwrite(Text.data(), 1, Text.size(), RecordFile);
}

void InitDemo() {
    Outcome = DigestStart;
    FrameCount = 0;
    FrameIndex = 0;
    ItemIndex = 0;
    PlaybackOver = false;
    EngineEnded = false;
    for (TDemoItem& Item : LastAnswers) Item = TDemoItem{'\0', 0, 0, 0};
    if (DemoMode != dmOff) JournalWrites();
    if (DemoMode == dmPlay) KeepWritesInMemory();
    if (DemoMode == dmRecord) {
        Demo = TDemo();
        WriteRecord(DemoHeaderText(WatchedDigests()));
    } else if (DemoMode == dmPlay) {
        const std::vector<TDemoFile> Now = WatchedDigests();
        for (const TDemoFile& Recorded : Demo.Files)
            for (const TDemoFile& File : Now)
                if (File.Label == Recorded.Label &&
                    (File.Present != Recorded.Present || File.Digest != Recorded.Digest))
                    std::fprintf(stderr,
                                 "demo: the %s file differs from the recorded one; the replay "
                                 "will diverge\n",
                                 File.Label.c_str());
        if (Demo.Frames.empty()) FrameIndex = 0;
    }
}

void DoneDemo() {
    if (DemoMode == dmOff) return;
    DigestWrites();
    ForgetWrites();
    if (DemoMode == dmRecord && RecordFile) {
        WriteRecord(DemoFrameText(Demo.Last, true));
        WriteRecord(DemoEndText(FrameCount));
        const bool Failed = std::ferror(RecordFile) != 0;
        if (std::fclose(RecordFile) != 0 || Failed)
            std::fprintf(stderr, "demo: cannot write file \"%s\"\n", DemoFileName.c_str());
        RecordFile = nullptr;
    }
    std::printf("demo: frames=%" PRIu64 " digest=%016" PRIx64 "\n", uint64_t(FrameCount), Outcome);
    std::fflush(stdout);
    Demo = TDemo();
    DemoMode = dmOff;
}

// ---- Hooks of the windowing layer -------------------------------------------

void DemoNote(char Kind, int32_t A, int32_t B, double Time) {
    if (EngineEnded) return;
    Demo.Last.Items.push_back(TDemoItem{Kind, A, B, Time});
}

static const TDemoFrame& CurrentFrame() {
    return FrameIndex < Demo.Frames.size() ? Demo.Frames[FrameIndex] : Demo.Last;
}

struct TKindName {
    char Kind;
    const char* Name;
};

// What each item is, for the message of a playback that diverged.
constexpr TKindName KindNames[] = {
    {diTime, "the time"},
    {diActive, "the window's activity"},
    {diOpened, "whether the window is open"},
    {diWindowSize, "the window size"},
    {diFramebufferSize, "the framebuffer size"},
    {diMousePos, "the mouse position"},
    {diKey, "a key event"},
    {diChar, "a character event"},
    {diButton, "a mouse button event"},
    {'x', "the session's end"},
};

static const char* KindName(char Kind) {
    for (const TKindName& Row : KindNames)
        if (Row.Kind == Kind) return Row.Name;
    return "the buffer swap";
}

static void EndPlayback(char Asked, char Recorded) {
    std::fprintf(stderr,
                 "demo: \"%s\" line %" PRIu64
                 ": the program asked for %s where the demo has %s; the "
                 "playback ends there\n",
                 DemoFileName.c_str(), uint64_t(CurrentFrame().Line), KindName(Asked),
                 KindName(Recorded));
    PlaybackOver = true;
}

bool DemoAnswer(char Kind, TDemoItem& Item) {
    Item = LastAnswers[uint8_t(Kind) & 127];
    Item.Kind = Kind;
    if (!PlaybackOver) {
        const TDemoFrame& Frame = CurrentFrame();
        const char Recorded = ItemIndex < Frame.Items.size() ? Frame.Items[ItemIndex].Kind : '\0';
        if (Recorded != Kind) {
            EndPlayback(Kind, Recorded);
        } else {
            Item = Frame.Items[ItemIndex++];
            LastAnswers[uint8_t(Kind) & 127] = Item;
            // The session ended in this frame: the window closes for the program here.
            if (FrameIndex == Demo.Frames.size() && Kind == diOpened)
                PlaybackOver = true;
            else
                return true;
        }
    }
    // After the demo: the clock stands still and the window is inactive and closed.
    if (Kind == diActive || Kind == diOpened) Item.A = 0;
    return false;
}

bool DemoNextEvent(TDemoItem& Event) {
    if (PlaybackOver) return false;
    const TDemoFrame& Frame = CurrentFrame();
    if (ItemIndex >= Frame.Items.size() || !IsDemoEvent(Frame.Items[ItemIndex].Kind)) return false;
    Event = Frame.Items[ItemIndex++];
    return true;
}

void DemoEndFrame() {
    DigestWrites();
    if (DemoMode == dmRecord) {
        if (EngineEnded) return;
        WriteRecord(DemoFrameText(Demo.Last, false));
        Demo.Last.Items.clear();
        ++FrameCount;
        return;
    }
    if (PlaybackOver) return;
    const TDemoFrame& Frame = CurrentFrame();
    if (FrameIndex == Demo.Frames.size() || ItemIndex < Frame.Items.size()) {
        EndPlayback('\0', ItemIndex < Frame.Items.size() ? Frame.Items[ItemIndex].Kind : 'x');
        return;
    }
    ++FrameIndex;
    ItemIndex = 0;
    ++FrameCount;
}

void DemoStopPlayback() {
    PlaybackOver = true;
}

bool DemoPlaybackOver() {
    return PlaybackOver;
}

void DemoEngineEnded() {
    if (DemoMode == dmOff || EngineEnded) return;
    DigestWrites();
    if (DemoSnapshot) DemoSnapshot();
    EngineEnded = true;
}
