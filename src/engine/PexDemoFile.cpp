#include "PexDemoFile.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "PexScript.h"

// ---- Items -------------------------------------------------------------------

#define PEX_DEMO_KIND_ROW(Name, Letter, Value, Event, Text) {Letter, Value, Event, Text},
constexpr TDemoKind DemoKinds[] = {PEX_DEMO_ITEMS(PEX_DEMO_KIND_ROW)};
#undef PEX_DEMO_KIND_ROW

const TDemoKind* FindDemoKind(char Letter) {
    for (const TDemoKind& Kind : DemoKinds)
        if (Kind.Letter == Letter) return &Kind;
    return nullptr;
}

bool IsDemoEvent(char Kind) {
    const TDemoKind* Row = FindDemoKind(Kind);
    return Row && Row->Event;
}

const char* DemoKindName(char Kind) {
    if (const TDemoKind* Row = FindDemoKind(Kind)) return Row->Name;
    return Kind == 'x' ? "the session's end" : "the buffer swap";
}

TDemoItem TimeItem(double Time) {
    uint64_t Bits;
    std::memcpy(&Bits, &Time, sizeof(Bits));
    return TDemoItem{diTime, int32_t(uint32_t(Bits)), int32_t(uint32_t(Bits >> 32))};
}

double ItemTime(const TDemoItem& Item) {
    const uint64_t Bits = uint64_t(uint32_t(Item.A)) | uint64_t(uint32_t(Item.B)) << 32;
    double Time;
    std::memcpy(&Time, &Bits, sizeof(Time));
    return Time;
}

// ---- Digests -----------------------------------------------------------------

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

// ---- Writing -----------------------------------------------------------------

static const char DemoMagic[] = "PEX DEMO";

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

static std::string ItemText(const TDemoItem& Item) {
    const TDemoKind* Kind = FindDemoKind(Item.Kind);
    if (Kind && Kind->Value == dvTime)
        return std::string(1, Item.Kind) + HexFloatText(ItemTime(Item));
    char Text[64];
    if (Kind && (Kind->Value == dvFlag || Kind->Value == dvSignal))
        std::snprintf(Text, sizeof(Text), "%c%" PRId32, Item.Kind, Item.A);
    else
        std::snprintf(Text, sizeof(Text), "%c%" PRId32 ",%" PRId32, Item.Kind, Item.A, Item.B);
    return Text;
}

std::string DemoFrameText(const std::vector<TDemoItem>& Items, bool Last) {
    std::string Text(1, Last ? 'x' : 'f');
    for (const TDemoItem& Item : Items) Text += ' ' + ItemText(Item);
    return Text + '\n';
}

std::string DemoEndText(size_t Frames) {
    return "end " + std::to_string(Frames) + '\n';
}

// ---- Reading -----------------------------------------------------------------

std::string QuotedBytes(std::string_view Bytes, size_t Limit) {
    std::string Text;
    for (size_t I = 0; I < Bytes.size() && I < Limit; ++I) {
        const uint8_t Byte = uint8_t(Bytes[I]);
        if (Byte >= 32 && Byte < 127) {
            Text += char(Byte);
        } else {
            char Escape[8];
            std::snprintf(Escape, sizeof(Escape), "\\x%02X", Byte);
            Text += Escape;
        }
    }
    return Text;
}

bool ParseHexFloat(std::string_view Text, double& Value) {
    size_t I = 0;
    const bool Negative = I < Text.size() && Text[I] == '-';
    if (Negative) ++I;
    if (Text.substr(I, 2) != "0x") return false;
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
        const int32_t Digit = HexDigitValue(Text[I]);
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

// A whole decimal integer within Low..High.
static bool ParseInteger(std::string_view Text, int64_t Low, int64_t High, int32_t& Value) {
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

// Two integers "A,B", each within its range.
static bool ParsePair(std::string_view Text, int64_t LowA, int64_t HighA, int64_t LowB,
                      int64_t HighB, TDemoItem& Item) {
    const size_t Comma = Text.find(',');
    if (Comma == std::string_view::npos) return false;
    return ParseInteger(Text.substr(0, Comma), LowA, HighA, Item.A) &&
           ParseInteger(Text.substr(Comma + 1), LowB, HighB, Item.B);
}

constexpr int64_t MaxCoordinate = 1 << 20;

static bool ParseValue(uint8_t Value, std::string_view Text, TDemoItem& Item) {
    switch (Value) {
        case dvTime: {
            double Time = 0;
            // A clock reading: finite, 0 or more.
            if (!ParseHexFloat(Text, Time) || !std::isfinite(Time) || Time < 0) return false;
            Item = TimeItem(Time);
            return true;
        }
        case dvFlag:
            return ParseInteger(Text, 0, 1, Item.A);
        case dvSignal:
            return ParseInteger(Text, 1, 64, Item.A);
        case dvSize:
            return ParsePair(Text, 0, MaxCoordinate, 0, MaxCoordinate, Item);
        case dvPosition:
            return ParsePair(Text, -MaxCoordinate, MaxCoordinate, -MaxCoordinate, MaxCoordinate,
                             Item);
        case dvKey:
            return ParsePair(Text, -1, 1023, 0, 1, Item);
        case dvChar:
            return ParsePair(Text, 0, 0x10FFFF, 0, 1, Item);
        case dvButton:
            return ParsePair(Text, 0, 7, 0, 1, Item);
    }
    return false;
}

static bool ParseItem(std::string_view Token, TDemoItem& Item, std::string& Error) {
    Item = TDemoItem{Token.empty() ? '\0' : Token[0], 0, 0};
    const TDemoKind* Kind = Token.empty() ? nullptr : FindDemoKind(Token[0]);
    if (!Kind) {
        Error = "unknown item \"" + QuotedBytes(Token, 20) + "\"";
        return false;
    }
    if (!ParseValue(Kind->Value, Token.substr(1), Item)) {
        Error = "bad value in item \"" + QuotedBytes(Token, 40) + "\"";
        return false;
    }
    Item.Kind = Kind->Letter;
    return true;
}

// The next field of a line, up to a space or the line's end; empty past the end.
static std::string_view NextField(std::string_view Line, size_t& Start) {
    if (Start > Line.size()) return std::string_view();
    const size_t Space = Line.find(' ', Start);
    const size_t End = Space == std::string_view::npos ? Line.size() : Space;
    const std::string_view Field = Line.substr(Start, End - Start);
    Start = End + 1;
    return Field;
}

static size_t FieldCount(std::string_view Line) {
    size_t Count = 1;
    for (char C : Line) Count += C == ' ';
    return Count;
}

static bool ParseFrame(std::string_view Line, TDemo& Demo, std::string& Error) {
    bool Events = false;
    for (size_t Start = 2; Start <= Line.size();) {
        TDemoItem Item;
        if (!ParseItem(NextField(Line, Start), Item, Error)) return false;
        // The swap delivers the events after every answer of the frame.
        if (Events && !IsDemoEvent(Item.Kind)) {
            Error = "an answer follows the frame's events";
            return false;
        }
        Events = IsDemoEvent(Item.Kind);
        Demo.Items.push_back(Item);
    }
    return true;
}

static bool ParseHeader(std::string_view Line, std::string& Error) {
    size_t Start = 0;
    const std::string_view Magic = NextField(Line, Start);
    const std::string_view Word = NextField(Line, Start);
    if (Magic != "PEX" || Word != "DEMO" || FieldCount(Line) != 3) {
        Error = "not a Pex demo (the first line must be \"PEX DEMO " + std::to_string(DemoVersion) +
                "\")";
        return false;
    }
    const std::string_view Version = NextField(Line, Start);
    if (Version != std::to_string(DemoVersion)) {
        Error = "demo version \"" + QuotedBytes(Version, 12) +
                "\" is not supported (this program plays version " + std::to_string(DemoVersion) +
                ")";
        return false;
    }
    return true;
}

static bool ParseFileLine(std::string_view Line, TDemo& Demo, std::string& Error) {
    size_t Start = 5;  // after "file "
    if (FieldCount(Line) != 3) {
        Error = "a file line needs a label and a digest";
        return false;
    }
    const std::string_view Label = NextField(Line, Start);
    const std::string_view Digest = NextField(Line, Start);
    if (Label.empty()) {
        Error = "a file line needs a label and a digest";
        return false;
    }
    TDemoFile File{std::string(Label), Digest != "-", 0};
    if (File.Present) {
        bool Good = Digest.size() == 16;
        for (char C : Digest) Good = Good && ((C >= '0' && C <= '9') || (C >= 'a' && C <= 'f'));
        if (!Good) {
            Error = "a digest has 16 hexadecimal digits";
            return false;
        }
        for (char C : Digest) File.Digest = File.Digest << 4 | uint64_t(HexDigitValue(C));
    }
    Demo.Files.push_back(File);
    return true;
}

size_t SwappedFrameCount(const TDemo& Demo) {
    return Demo.Frames.empty() ? 0 : Demo.Frames.size() - 1;
}

size_t FrameItemsEnd(const TDemo& Demo, size_t Index) {
    return Index + 1 < Demo.Frames.size() ? Demo.Frames[Index + 1].First : Demo.Items.size();
}

size_t DemoBytes(const TDemo& Demo) {
    size_t Bytes =
        Demo.Items.capacity() * sizeof(TDemoItem) + Demo.Frames.capacity() * sizeof(TDemoFrame);
    for (const TDemoFile& File : Demo.Files) Bytes += sizeof(TDemoFile) + File.Label.capacity();
    return Bytes;
}

bool ParseDemoText(const std::string& Text, TDemo& Result, std::string& Error) {
    TDemo Demo;
    // Room for every item and frame the text can hold, taken once: no item is
    // shorter than two bytes and a space, no frame line than a letter and its end.
    size_t Spaces = 0, Lines = 0;
    for (char C : Text) {
        Spaces += C == ' ';
        Lines += C == '\n' || C == '\r';
    }
    Demo.Items.reserve(Spaces);
    Demo.Frames.reserve(Lines);
    size_t LineNumber = 0;
    size_t Start = 0;
    bool HaveLast = false, Ended = false;
    std::string What;
    auto Fail = [&](const std::string& Message) {
        Error = "line " + std::to_string(LineNumber) + ": " + Message;
        return false;
    };
    std::string_view Line;
    bool LineEnded = false;
    while (NextLine(Text, Start, Line, LineEnded)) {
        ++LineNumber;
        if (!LineEnded) return Fail("the line is cut off (the demo is truncated)");
        if (Line.find('\0') != std::string_view::npos) return Fail("a zero byte");
        size_t FieldStart = 0;
        const std::string_view Word = NextField(Line, FieldStart);
        if (LineNumber == 1) {
            if (!ParseHeader(Line, What)) return Fail(What);
            continue;
        }
        if (Ended) return Fail("text after the end line");
        if (Word == "file") {
            if (!Demo.Frames.empty()) return Fail("a file line after the frames");
            if (!ParseFileLine(Line, Demo, What)) return Fail(What);
        } else if (Word == "f" || Word == "x") {
            if (HaveLast) return Fail("a frame after the last frame");
            Demo.Frames.push_back(TDemoFrame{uint32_t(Demo.Items.size()), uint32_t(LineNumber)});
            if (!ParseFrame(Line, Demo, What)) return Fail(What);
            HaveLast = Word == "x";
        } else if (Word == "end") {
            if (!HaveLast) return Fail("the end line comes before the last frame (\"x\")");
            int32_t Count = 0;
            if (FieldCount(Line) != 2 ||
                !ParseInteger(NextField(Line, FieldStart), 0, INT32_MAX, Count))
                return Fail("the end line needs the number of frames");
            if (size_t(Count) != SwappedFrameCount(Demo))
                return Fail("the end line counts " + std::to_string(Count) +
                            " frames, the demo has " + std::to_string(SwappedFrameCount(Demo)));
            Ended = true;
        } else {
            return Fail("unknown line \"" + QuotedBytes(Word, 20) + "\"");
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
    Result = std::move(Demo);
    return true;
}

bool IsDemoHeader(const std::string& Start) {
    const std::string Magic = std::string(DemoMagic) + ' ';
    if (Start.compare(0, Magic.size(), Magic) != 0) return false;
    size_t I = Magic.size();
    const size_t Digits = I;
    while (I < Start.size() && Start[I] >= '0' && Start[I] <= '9') ++I;
    if (I == Digits) return false;
    if (I < Start.size() && Start[I] == '\r') ++I;
    return I < Start.size() && Start[I] == '\n';
}
