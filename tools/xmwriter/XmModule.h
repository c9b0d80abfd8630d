// XmModule: an extended module (XM) held in memory, and its writer. Samples
// are 16-bit; the writer delta-encodes them and packs the pattern cells.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// XM note numbers: 1 is C-0, 97 releases the note (key off).
constexpr uint8_t NoteKeyOff = 97;

struct TCell {
    uint8_t Note = 0;
    uint8_t Instrument = 0;  // 1-based, 0 keeps the channel's instrument
    uint8_t Volume = 0;      // volume column: 0x10 + volume (0..64), 0 for none
    uint8_t Effect = 0;
    uint8_t Param = 0;
};

struct TPattern {
    int32_t Rows = 64;
    int32_t Channels = 0;
    std::vector<TCell> Cells;

    TPattern(int32_t RowCount, int32_t ChannelCount)
        : Rows(RowCount), Channels(ChannelCount), Cells(RowCount * ChannelCount) {}
    TCell& At(int32_t Row, int32_t Channel) { return Cells[Row * Channels + Channel]; }
};

struct TEnvelopePoint {
    uint16_t Tick;
    uint16_t Value;  // 0..64
};

struct TInstrument {
    std::string Name;
    std::vector<int16_t> Sample;
    bool Loop = false;
    uint32_t LoopStart = 0;   // in samples
    uint32_t LoopLength = 0;  // in samples
    uint8_t Volume = 64;
    int8_t FineTune = 0;  // 1/128 semitone
    uint8_t Panning = 128;
    int8_t RelativeNote = 0;                     // semitones added to every note
    std::vector<TEnvelopePoint> VolumeEnvelope;  // empty: no envelope
    int32_t SustainPoint = -1;                   // -1: none
    uint16_t FadeOut = 0;
    uint8_t VibratoSweep = 0, VibratoDepth = 0, VibratoRate = 0;
};

struct TModule {
    std::string Name;
    int32_t Channels = 8;
    int32_t Speed = 6;  // ticks per row
    int32_t Tempo = 125;
    int32_t RestartPosition = 0;
    std::vector<uint8_t> Orders;
    std::vector<TPattern> Patterns;
    std::vector<TInstrument> Instruments;
};

// The whole file image of Module.
std::vector<uint8_t> EncodeXm(const TModule& Module);
