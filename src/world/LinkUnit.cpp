#include "LinkUnit.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <vector>

// ---- The bytes' pieces ---------------------------------------------------------

namespace {

constexpr char Base64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

struct TBase64Values {
    int8_t Of[256];
};

constexpr TBase64Values MakeBase64Values() {
    TBase64Values Values{};
    for (int32_t I = 0; I < 256; ++I) Values.Of[I] = -1;
    for (int32_t I = 0; I < 64; ++I) Values.Of[uint8_t(Base64Digits[I])] = int8_t(I);
    return Values;
}

constexpr TBase64Values Base64Values = MakeBase64Values();

// CRC-32 (reflected, polynomial 0xEDB88320): it finds every change within 32
// consecutive bits, so any one character changed in a link is refused.
struct TCrcTable {
    uint32_t Of[256];
};

constexpr TCrcTable MakeCrcTable() {
    TCrcTable Table{};
    for (uint32_t I = 0; I < 256; ++I) {
        uint32_t Crc = I;
        for (int32_t Bit = 0; Bit < 8; ++Bit) Crc = (Crc & 1) ? (Crc >> 1) ^ 0xEDB88320u : Crc >> 1;
        Table.Of[I] = Crc;
    }
    return Table;
}

constexpr TCrcTable CrcTable = MakeCrcTable();

// How the cells follow the sizes.
constexpr uint8_t lyRuns = 0;   // runs of equal cells
constexpr uint8_t lyCells = 1;  // one byte a cell, where runs would be longer

// A run's first byte: the value in the low nibble (15: the value follows as a
// byte), the length - 1 in the high nibble (15: a varint of length - 16 follows).
constexpr uint8_t RunEscape = 15;

constexpr size_t CheckBytes = 4;

}  // namespace

static uint32_t Crc32(const uint8_t* Bytes, size_t Size) {
    uint32_t Crc = 0xFFFFFFFFu;
    for (size_t I = 0; I < Size; ++I) Crc = CrcTable.Of[(Crc ^ Bytes[I]) & 0xFF] ^ (Crc >> 8);
    return Crc ^ 0xFFFFFFFFu;
}

// LEB128: seven bits a byte, lowest first, the high bit set on all but the last.
static void PutVarint(std::vector<uint8_t>& Bytes, uint32_t Value) {
    while (Value >= 0x80) {
        Bytes.push_back(uint8_t(Value | 0x80));
        Value >>= 7;
    }
    Bytes.push_back(uint8_t(Value));
}

static void PutRun(std::vector<uint8_t>& Bytes, uint8_t Value, uint32_t Length) {
    const uint8_t Low = Value < RunEscape ? Value : RunEscape;
    const uint8_t High = Length <= RunEscape ? uint8_t(Length - 1) : RunEscape;
    Bytes.push_back(uint8_t(Low | High << 4));
    if (Low == RunEscape) Bytes.push_back(Value);
    if (High == RunEscape) PutVarint(Bytes, Length - 16);
}

// ---- Writing -------------------------------------------------------------------

std::string LevelLinkData(const TFieldGrid& Grid) {
    const size_t Rows = Grid.size();
    const size_t Columns = Rows > 0 ? Grid[0].size() : 0;
    std::vector<uint8_t> Cells;
    Cells.reserve(Rows * Columns);
    for (const TFieldRow& Row : Grid)
        for (size_t Column = 0; Column < Columns; ++Column)
            Cells.push_back(Column < Row.size() ? Row[Column] : fkNone);

    std::vector<uint8_t> Runs;
    for (size_t First = 0; First < Cells.size();) {
        size_t End = First + 1;
        while (End < Cells.size() && Cells[End] == Cells[First]) ++End;
        PutRun(Runs, Cells[First], uint32_t(End - First));
        First = End;
    }

    std::vector<uint8_t> Bytes;
    PutVarint(Bytes, uint32_t(Rows));
    PutVarint(Bytes, uint32_t(Columns));
    const bool AsRuns = Runs.size() <= Cells.size();
    Bytes.push_back(AsRuns ? lyRuns : lyCells);
    const std::vector<uint8_t>& Payload = AsRuns ? Runs : Cells;
    Bytes.insert(Bytes.end(), Payload.begin(), Payload.end());
    const uint32_t Check = Crc32(Bytes.data(), Bytes.size());
    for (size_t I = 0; I < CheckBytes; ++I) Bytes.push_back(uint8_t(Check >> (8 * I)));

    std::string Data = std::to_string(LevelLinkVersion) + ".";
    Data.reserve(Data.size() + (Bytes.size() * 4 + 2) / 3);
    for (size_t I = 0; I < Bytes.size(); I += 3) {
        const size_t Left = Bytes.size() - I;
        uint32_t Group = uint32_t(Bytes[I]) << 16;
        if (Left > 1) Group |= uint32_t(Bytes[I + 1]) << 8;
        if (Left > 2) Group |= Bytes[I + 2];
        // Three bytes give four characters; one byte two, two bytes three.
        const size_t Characters = Left >= 3 ? 4 : Left + 1;
        for (size_t C = 0; C < Characters; ++C) Data += Base64Digits[(Group >> (18 - 6 * C)) & 63];
    }
    return Data;
}

std::string LevelLink(const std::string& Address, const TFieldGrid& Grid) {
    return Address + LevelLinkMark + LevelLinkData(Grid);
}

bool IsLevelLink(const std::string& Text) {
    return Text.find(LevelLinkMark) != std::string::npos || Text.compare(0, 6, "level=") == 0;
}

// ---- Reading -------------------------------------------------------------------

static bool IsSpace(char C) {
    return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

// A character for a message: itself when printable ASCII, else \xNN.
static std::string Shown(char C) {
    if (C > ' ' && C < 127) return std::string(1, C);
    char Text[8];
    std::snprintf(Text, sizeof(Text), "\\x%02X", unsigned(uint8_t(C)));
    return Text;
}

namespace {

// What a varint read found.
constexpr uint8_t vrRead = 0;
constexpr uint8_t vrCut = 1;    // the bytes ended inside it
constexpr uint8_t vrLarge = 2;  // over the limit

// The cells after the sizes, read from Bytes[At, End).
struct TByteReader {
    const std::vector<uint8_t>& Bytes;
    size_t At;
    size_t End;

    uint8_t Varint(uint32_t Limit, uint32_t& Value) {
        uint64_t Sum = 0;
        // Five bytes hold 35 bits, more than any limit here.
        for (int32_t Shift = 0; Shift < 35; Shift += 7) {
            if (At == End) return vrCut;
            const uint8_t Byte = Bytes[At++];
            Sum |= uint64_t(Byte & 0x7F) << Shift;
            if (Sum > Limit) return vrLarge;
            if ((Byte & 0x80) == 0) {
                Value = uint32_t(Sum);
                return vrRead;
            }
        }
        return vrLarge;
    }
};

}  // namespace

static const char* const CutShort = "the link is cut short";

// The level's sizes and cells from the checked bytes (the check taken off).
static bool ReadLevelBytes(const std::vector<uint8_t>& Bytes, TFieldGrid& Grid,
                           std::string& Error) {
    TByteReader Reader{Bytes, 0, Bytes.size()};
    uint32_t Sides[2] = {0, 0};
    for (uint32_t& Side : Sides) {
        const uint8_t Read = Reader.Varint(MaxLevelSize, Side);
        if (Read == vrCut) {
            Error = CutShort;
            return false;
        }
        if (Read == vrLarge || Side == 0) {
            Error = "the link's level is not 1 to " + std::to_string(MaxLevelSize) +
                    " cells high and wide";
            return false;
        }
    }
    const uint32_t Rows = Sides[0];
    const uint32_t Columns = Sides[1];
    const size_t Count = size_t(Rows) * Columns;
    if (Reader.At == Reader.End) {
        Error = CutShort;
        return false;
    }
    const uint8_t Layout = Bytes[Reader.At++];
    const size_t Left = Reader.End - Reader.At;
    if (Layout != lyRuns && Layout != lyCells) {
        Error = "the link's cells are laid out in a way this Pex does not know";
        return false;
    }
    if (Layout == lyCells && Left != Count) {
        Error = Left < Count ? CutShort : "the link has bytes after its level";
        return false;
    }

    // The sizes are within the limits: the grid may be made.
    std::vector<uint8_t> Cells;
    if (Layout == lyCells) {
        Cells.assign(Bytes.begin() + std::ptrdiff_t(Reader.At), Bytes.end());
    } else {
        Cells.reserve(Count);
        while (Reader.At < Reader.End) {
            if (Cells.size() == Count) {
                Error = "the link has bytes after its level";
                return false;
            }
            const uint8_t First = Bytes[Reader.At++];
            uint8_t Value = First & 0x0F;
            uint32_t Length = uint32_t(First >> 4) + 1;
            if (Value == RunEscape) {
                if (Reader.At == Reader.End) {
                    Error = CutShort;
                    return false;
                }
                Value = Bytes[Reader.At++];
            }
            if (Length == uint32_t(RunEscape) + 1) {
                uint32_t More = 0;
                const uint8_t Read = Reader.Varint(uint32_t(Count), More);
                if (Read == vrCut) {
                    Error = CutShort;
                    return false;
                }
                Length = Read == vrLarge ? uint32_t(Count) + 1 : 16 + More;
            }
            if (Length > Count - Cells.size()) {
                Error = "the link's runs hold more cells than its level has";
                return false;
            }
            Cells.insert(Cells.end(), Length, Value);
        }
        if (Cells.size() != Count) {
            Error = "the link's runs hold fewer cells than its level has";
            return false;
        }
    }
    TFieldGrid Read(Rows, TFieldRow(Columns));
    for (uint32_t Row = 0; Row < Rows; ++Row)
        std::copy_n(Cells.begin() + std::ptrdiff_t(size_t(Row) * Columns), Columns,
                    Read[Row].begin());
    Grid.swap(Read);
    return true;
}

bool ReadLevelLink(const std::string& Link, TFieldGrid& Grid, std::string& Error) {
    if (Link.size() > MaxLevelLinkLength) {
        Error = "the link is longer than the largest level's (" +
                std::to_string(MaxLevelLinkLength) + " characters)";
        return false;
    }
    size_t First = 0;
    size_t End = Link.size();
    while (First < End && IsSpace(Link[First])) ++First;
    while (End > First && IsSpace(Link[End - 1])) --End;
    const size_t Mark = Link.find(LevelLinkMark, First);
    size_t At;
    if (Mark != std::string::npos && Mark < End) {
        At = Mark + 7;
    } else if (Link.compare(First, 6, "level=") == 0) {
        At = First + 6;
    } else {
        Error = "it holds no \"#level=\": it is no level link";
        return false;
    }

    // The version: decimal digits and a dot.
    uint64_t Version = 0;
    const size_t VersionStart = At;
    while (At < End && Link[At] >= '0' && Link[At] <= '9' && At - VersionStart < 10)
        Version = Version * 10 + uint64_t(Link[At++] - '0');
    if (At == VersionStart || At == End || Link[At] != '.') {
        Error = "the link's data does not start with its version, such as \"1.\"";
        return false;
    }
    if (Version > LevelLinkVersion) {
        Error = "the link was made by a newer Pex (link version " + std::to_string(Version) +
                "; this Pex reads version " + std::to_string(LevelLinkVersion) + ")";
        return false;
    }
    if (Version != LevelLinkVersion) {
        Error = "the link's version " + std::to_string(Version) + " is unknown";
        return false;
    }
    ++At;

    // Base64url without padding; the bits left over at the end must be zero.
    const size_t Characters = End - At;
    if (Characters % 4 == 1) {
        Error = CutShort;
        return false;
    }
    std::vector<uint8_t> Bytes;
    Bytes.reserve(Characters / 4 * 3 + 2);
    uint32_t Bits = 0;
    int32_t BitCount = 0;
    for (size_t I = At; I < End; ++I) {
        const int8_t Value = Base64Values.Of[uint8_t(Link[I])];
        if (Value < 0) {
            Error = "character " + std::to_string(I + 1) + " of the link (" + Shown(Link[I]) +
                    ") cannot be in a level link";
            return false;
        }
        Bits = (Bits << 6 | uint32_t(Value)) & 0xFFFFFF;
        BitCount += 6;
        if (BitCount >= 8) {
            BitCount -= 8;
            Bytes.push_back(uint8_t(Bits >> BitCount));
        }
    }
    if ((Bits & ((1u << BitCount) - 1)) != 0) {
        Error = "the link is damaged: its last character is not one a link ends with";
        return false;
    }
    if (Bytes.size() < CheckBytes + 3) {
        Error = CutShort;
        return false;
    }
    const size_t Size = Bytes.size() - CheckBytes;
    uint32_t Check = 0;
    for (size_t I = 0; I < CheckBytes; ++I) Check |= uint32_t(Bytes[Size + I]) << (8 * I);
    if (Check != Crc32(Bytes.data(), Size)) {
        Error = "the link is damaged or cut short: its check does not match";
        return false;
    }
    Bytes.resize(Size);
    return ReadLevelBytes(Bytes, Grid, Error);
}
