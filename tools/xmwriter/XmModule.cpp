#include "XmModule.h"

#include <stdexcept>

namespace {

constexpr uint32_t HeaderSize = 276;            // counted from the header size field
constexpr uint32_t InstrumentHeaderSize = 263;  // with one sample
constexpr uint32_t SampleHeaderSize = 40;
constexpr int32_t MaxEnvelopePoints = 12;

class TWriter {
public:
    std::vector<uint8_t> Bytes;

    void U8(uint32_t Value) { Bytes.push_back(static_cast<uint8_t>(Value)); }
    void U16(uint32_t Value) {
        U8(Value & 0xFF);
        U8((Value >> 8) & 0xFF);
    }
    void U32(uint32_t Value) {
        U16(Value & 0xFFFF);
        U16(Value >> 16);
    }
    // Fixed-size text field, padded with zero bytes.
    void Text(const std::string& Value, size_t Size) {
        for (size_t I = 0; I < Size; ++I) {
            U8(I < Value.size() ? static_cast<uint8_t>(Value[I]) : 0);
        }
    }
    void Zeros(size_t Count) { Bytes.insert(Bytes.end(), Count, 0); }
};

std::vector<uint8_t> PackPattern(const TPattern& Pattern) {
    TWriter Out;
    for (const TCell& Cell : Pattern.Cells) {
        const uint8_t Fields[5] = {Cell.Note, Cell.Instrument, Cell.Volume, Cell.Effect,
                                   Cell.Param};
        uint8_t Flags = 0x80;
        for (int32_t I = 0; I < 5; ++I) {
            if (Fields[I] != 0) {
                Flags |= static_cast<uint8_t>(1 << I);
            }
        }
        if (Flags == 0x9F) {
            for (uint8_t Field : Fields) {
                Out.U8(Field);  // every field present: the plain five bytes are shorter
            }
            continue;
        }
        Out.U8(Flags);
        for (int32_t I = 0; I < 5; ++I) {
            if (Fields[I] != 0) {
                Out.U8(Fields[I]);
            }
        }
    }
    return Out.Bytes;
}

}  // namespace

std::vector<uint8_t> EncodeXm(const TModule& Module) {
    if (Module.Orders.empty() || Module.Orders.size() > 256 || Module.Patterns.size() > 256 ||
        Module.Instruments.size() > 128 || Module.Channels < 1 || Module.Channels > 32) {
        throw std::runtime_error("module out of the format's limits");
    }
    TWriter Out;
    Out.Text("Extended Module: ", 17);
    Out.Text(Module.Name, 20);
    Out.U8(0x1A);
    Out.Text("Pex xmwriter", 20);
    Out.U16(0x0104);
    Out.U32(HeaderSize);
    Out.U16(static_cast<uint32_t>(Module.Orders.size()));
    Out.U16(static_cast<uint32_t>(Module.RestartPosition));
    Out.U16(static_cast<uint32_t>(Module.Channels));
    Out.U16(static_cast<uint32_t>(Module.Patterns.size()));
    Out.U16(static_cast<uint32_t>(Module.Instruments.size()));
    Out.U16(1);  // linear frequency table
    Out.U16(static_cast<uint32_t>(Module.Speed));
    Out.U16(static_cast<uint32_t>(Module.Tempo));
    for (size_t I = 0; I < 256; ++I) {
        Out.U8(I < Module.Orders.size() ? Module.Orders[I] : 0);
    }

    for (const TPattern& Pattern : Module.Patterns) {
        if (Pattern.Channels != Module.Channels) {
            throw std::runtime_error("pattern with the wrong channel count");
        }
        const std::vector<uint8_t> Packed = PackPattern(Pattern);
        Out.U32(9);  // pattern header size
        Out.U8(0);   // packing type
        Out.U16(static_cast<uint32_t>(Pattern.Rows));
        Out.U16(static_cast<uint32_t>(Packed.size()));
        Out.Bytes.insert(Out.Bytes.end(), Packed.begin(), Packed.end());
    }

    for (const TInstrument& Instrument : Module.Instruments) {
        if (Instrument.VolumeEnvelope.size() > MaxEnvelopePoints) {
            throw std::runtime_error("too many envelope points in " + Instrument.Name);
        }
        const size_t Start = Out.Bytes.size();
        Out.U32(InstrumentHeaderSize);
        Out.Text(Instrument.Name, 22);
        Out.U8(0);   // type
        Out.U16(1);  // one sample
        Out.U32(SampleHeaderSize);
        Out.Zeros(96);  // every note plays sample 0
        for (int32_t I = 0; I < MaxEnvelopePoints; ++I) {
            const bool Used = I < static_cast<int32_t>(Instrument.VolumeEnvelope.size());
            Out.U16(Used ? Instrument.VolumeEnvelope[I].Tick : 0);
            Out.U16(Used ? Instrument.VolumeEnvelope[I].Value : 0);
        }
        Out.Zeros(MaxEnvelopePoints * 4);  // panning envelope
        Out.U8(static_cast<uint32_t>(Instrument.VolumeEnvelope.size()));
        Out.U8(0);  // panning envelope points
        Out.U8(Instrument.SustainPoint < 0 ? 0 : static_cast<uint32_t>(Instrument.SustainPoint));
        Out.U8(0);     // volume loop start
        Out.U8(0);     // volume loop end
        Out.Zeros(3);  // panning sustain and loop
        uint32_t EnvelopeFlags = 0;
        if (!Instrument.VolumeEnvelope.empty()) {
            EnvelopeFlags = 1 | (Instrument.SustainPoint >= 0 ? 2 : 0);
        }
        Out.U8(EnvelopeFlags);
        Out.U8(0);  // panning envelope off
        Out.U8(0);  // vibrato waveform: sine
        Out.U8(Instrument.VibratoSweep);
        Out.U8(Instrument.VibratoDepth);
        Out.U8(Instrument.VibratoRate);
        Out.U16(Instrument.FadeOut);
        Out.Zeros(InstrumentHeaderSize - (Out.Bytes.size() - Start));

        const uint32_t Length = static_cast<uint32_t>(Instrument.Sample.size());
        Out.U32(Length * 2);  // lengths and loop points in bytes
        Out.U32(Instrument.Loop ? Instrument.LoopStart * 2 : 0);
        Out.U32(Instrument.Loop ? Instrument.LoopLength * 2 : 0);
        Out.U8(Instrument.Volume);
        Out.U8(static_cast<uint8_t>(Instrument.FineTune));
        Out.U8((Instrument.Loop ? 1 : 0) | 0x10);  // forward loop, 16-bit
        Out.U8(Instrument.Panning);
        Out.U8(static_cast<uint8_t>(Instrument.RelativeNote));
        Out.U8(0);  // delta-encoded sample data
        Out.Text(Instrument.Name, 22);

        int16_t Previous = 0;
        for (int16_t Value : Instrument.Sample) {
            Out.U16(static_cast<uint16_t>(static_cast<uint16_t>(Value) -
                                          static_cast<uint16_t>(Previous)));
            Previous = Value;
        }
    }
    return Out.Bytes;
}
