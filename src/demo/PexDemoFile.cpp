#include "PexDemoFile.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Glfw2.h"
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
        case dvPad:
            return ParsePair(Text, 0, 1, 0, (1 << GLFW2_PAD_BUTTONS) - 1, Item);
        case dvStick:
            return ParsePair(Text, -GLFW2_PAD_STICK_RANGE, GLFW2_PAD_STICK_RANGE,
                             -GLFW2_PAD_STICK_RANGE, GLFW2_PAD_STICK_RANGE, Item);
    }
    return false;
}

// Token is the field as kept; Whole is false for a longer one, whose value is
// no valid one.
static bool ParseItem(std::string_view Token, bool Whole, TDemoItem& Item, std::string& Error) {
    Item = TDemoItem{Token.empty() ? '\0' : Token[0], 0, 0};
    const TDemoKind* Kind = Token.empty() ? nullptr : FindDemoKind(Token[0]);
    if (!Kind) {
        Error = "unknown item \"" + QuotedBytes(Token, 20) + "\"";
        return false;
    }
    if (!Whole || !ParseValue(Kind->Value, Token.substr(1), Item)) {
        Error = "bad value in item \"" + QuotedBytes(Token, 40) + "\"";
        return false;
    }
    Item.Kind = Kind->Letter;
    return true;
}

size_t SwappedFrameCount(const TDemo& Demo) {
    return Demo.Frames.empty() ? 0 : Demo.Frames.size() - 1;
}

size_t FrameItemsEnd(const TDemo& Demo, size_t Index) {
    return Index + 1 < Demo.Frames.size() ? Demo.Frames[Index + 1].First : Demo.Items.size();
}

// What ended a field.
constexpr uint8_t fsSpace = 0;    // a space: another field follows on the line
constexpr uint8_t fsLineEnd = 1;  // the line's end (LF, CR LF or CR)
constexpr uint8_t fsFileEnd = 2;  // the file's end: the line is cut off

void TDemoReader::Start(TSource From, size_t Chunk) {
    *this = TDemoReader();
    Source = std::move(From);
    Buffer.resize(Chunk > 0 ? Chunk : 1);
    Peak = HeldBytes();
}

size_t TDemoReader::HeldBytes() const {
    size_t Bytes = Buffer.capacity() + sizeof(Field) + Pending.capacity() + ErrorText.capacity() +
                   FileRead.Label.capacity();
    for (const std::string& Text : Kept) Bytes += Text.capacity();
    return Bytes;
}

uint8_t TDemoReader::Next() {
    const uint8_t Step = Advance();
    Peak = std::max(Peak, HeldBytes());
    return Step;
}

// True at the end of what the source gives, or when it failed.
bool TDemoReader::AtFileEnd() {
    if (Begin < Filled) return false;
    if (SourceEnded) return true;
    size_t Count = 0;
    if (!Source || !Source(Buffer.data(), Buffer.size(), Count)) {
        ReadFailure = errno != 0 ? errno : EIO;
        Count = 0;
    }
    Begin = 0;
    Filled = std::min(Count, Buffer.size());
    SourceEnded = Filled == 0;
    return SourceEnded;
}

void TDemoReader::ReadField() {
    FieldLength = 0;
    for (;;) {
        if (AtFileEnd()) {
            Stop = fsFileEnd;
            return;
        }
        const char C = Buffer[Begin++];
        if (C == ' ') {
            Stop = fsSpace;
            return;
        }
        if (C == '\n' || C == '\r') {
            if (C == '\r' && !AtFileEnd() && Buffer[Begin] == '\n') ++Begin;  // CR LF is one end
            Stop = fsLineEnd;
            return;
        }
        LineZero = LineZero || C == '\0';
        if (FieldLength < MaxDemoField) Field[FieldLength] = C;
        ++FieldLength;
    }
}

std::string_view TDemoReader::FieldView() const {
    return std::string_view(Field, size_t(std::min<uint64_t>(FieldLength, MaxDemoField)));
}

bool TDemoReader::FieldIs(std::string_view Text) const {
    return FieldLength == Text.size() && FieldView() == Text;
}

// A field cut to MaxDemoField bytes ends in a zero byte, which no whole field
// of a good line has.
void TDemoReader::KeepField(std::string& Kept) const {
    Kept.assign(FieldView());
    if (FieldLength > MaxDemoField) Kept += '\0';
}

// The fields of the line after its first: the next two kept, all counted.
void TDemoReader::ReadRest() {
    FieldCount = 1;
    Kept[0].clear();
    Kept[1].clear();
    while (Stop == fsSpace) {
        ReadField();
        if (FieldCount <= 2) KeepField(Kept[FieldCount - 1]);
        ++FieldCount;
    }
}

void TDemoReader::Pend(const std::string& What) {
    if (Pending.empty()) Pending = What;
}

bool TDemoReader::Fail(const std::string& What) {
    ErrorText = "line " + std::to_string(LineNumber) + ": " + What;
    State = dsError;
    return false;
}

bool TDemoReader::LineIsGood() {
    while (Stop == fsSpace) ReadField();
    if (ReadFailure != 0)
        return Fail(std::string("the demo cannot be read (") + std::strerror(ReadFailure) + ")");
    if (Stop == fsFileEnd) return Fail("the line is cut off (the demo is truncated)");
    if (LineZero) return Fail("a zero byte");
    if (!Pending.empty()) return Fail(Pending);
    return true;
}

void TDemoReader::ReadHeader() {
    const bool Magic = FieldIs("PEX");
    ReadRest();
    if (!Magic || Kept[0] != "DEMO" || FieldCount != 3)
        Pend("not a Pex demo (the first line must be \"PEX DEMO " + std::to_string(DemoVersion) +
             "\")");
    else if (Kept[1] != std::to_string(DemoVersion))
        Pend("demo version \"" + QuotedBytes(Kept[1], 12) +
             "\" is not supported (this program plays version " + std::to_string(DemoVersion) +
             ")");
}

void TDemoReader::ReadFileLine() {
    ReadRest();
    if (FieldCount != 3 || Kept[0].empty()) return Pend("a file line needs a label and a digest");
    if (Kept[0].size() > MaxDemoField)
        return Pend("a file's label has at most " + std::to_string(MaxDemoField) + " bytes");
    FileRead = TDemoFile{Kept[0], Kept[1] != "-", 0};
    if (!FileRead.Present) return;
    bool Good = Kept[1].size() == 16;
    for (char C : Kept[1]) Good = Good && ((C >= '0' && C <= '9') || (C >= 'a' && C <= 'f'));
    if (!Good) return Pend("a digest has 16 hexadecimal digits");
    for (char C : Kept[1]) FileRead.Digest = FileRead.Digest << 4 | uint64_t(HexDigitValue(C));
}

void TDemoReader::ReadEndLine() {
    if (!Last) return Pend("the end line comes before the last frame (\"x\")");
    ReadRest();
    int32_t Count = 0;
    if (FieldCount != 2 || !ParseInteger(Kept[0], 0, INT32_MAX, Count))
        return Pend("the end line needs the number of frames");
    if (uint64_t(Count) != Frames)
        Pend("the end line counts " + std::to_string(Count) + " frames, the demo has " +
             std::to_string(Frames));
}

uint8_t TDemoReader::NextItem() {
    ReadField();
    // An error's text is made only when there is one: an item allocates nothing.
    const bool Parsed = ParseItem(FieldView(), FieldLength <= MaxDemoField, ItemRead, Pending);
    // The swap delivers the events after every answer of the frame.
    if (Parsed && Events && !IsDemoEvent(ItemRead.Kind))
        Pend("an answer follows the frame's events");
    if (!Pending.empty() || Stop == fsFileEnd) {
        LineIsGood();
        return State;
    }
    Events = IsDemoEvent(ItemRead.Kind);
    return dsItem;
}

uint8_t TDemoReader::Advance() {
    if (State == dsEnd || State == dsError) return State;
    if (InFrame && Stop == fsSpace) return NextItem();
    InFrame = false;
    for (;;) {
        if (AtFileEnd()) {
            if (ReadFailure != 0) {
                ++LineNumber;
                LineIsGood();
                return State;
            }
            if (LineNumber == 0) {
                LineNumber = 1;
                Fail("the demo is empty");
                return State;
            }
            if (!Ended) {
                ++LineNumber;
                Fail("the demo is truncated (no end line)");
                return State;
            }
            return State = dsEnd;
        }
        ++LineNumber;
        LineZero = false;
        Pending.clear();
        ReadField();
        if (LineNumber == 1) {
            ReadHeader();
            if (!LineIsGood()) return State;
        } else if (Ended) {
            Pend("text after the end line");
            LineIsGood();
            return State;
        } else if (FieldIs("file")) {
            if (InFrames)
                Pend("a file line after the frames");
            else
                ReadFileLine();
            return LineIsGood() ? dsFile : State;
        } else if (FieldIs("f") || FieldIs("x")) {
            if (Last) Pend("a frame after the last frame");
            if (!Pending.empty() || Stop == fsFileEnd) {
                LineIsGood();
                return State;
            }
            InFrames = InFrame = true;
            Events = false;
            Last = FieldIs("x");
            if (!Last) ++Frames;
            return dsFrame;
        } else if (FieldIs("end")) {
            ReadEndLine();
            if (!LineIsGood()) return State;
            Ended = true;
        } else {
            Pend("unknown line \"" + QuotedBytes(FieldView(), 20) + "\"");
            LineIsGood();
            return State;
        }
    }
}

bool ParseDemoText(const std::string& Text, TDemo& Result, std::string& Error) {
    size_t Offset = 0;
    TDemoReader Reader;
    Reader.Start([&](char* Buffer, size_t Size, size_t& Count) {
        Count = std::min(Size, Text.size() - Offset);
        std::memcpy(Buffer, Text.data() + Offset, Count);
        Offset += Count;
        return true;
    });
    TDemo Demo;
    for (;;) {
        switch (Reader.Next()) {
            case dsFile:
                Demo.Files.push_back(Reader.File());
                break;
            case dsFrame:
                Demo.Frames.push_back(
                    TDemoFrame{uint32_t(Demo.Items.size()), uint32_t(Reader.Line())});
                break;
            case dsItem:
                Demo.Items.push_back(Reader.Item());
                break;
            case dsEnd:
                Result = std::move(Demo);
                return true;
            default:
                Error = Reader.Error();
                return false;
        }
    }
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
