#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;

// A looped cycle of 256 samples sounds at 8363 / 256 Hz (about C-1) on note
// C-4; three octaves up, and a small fine-tune, put C-4 on middle C.
constexpr int32_t CycleLength = 256;
constexpr int8_t CycleRelativeNote = 36;
constexpr int8_t CycleFineTune = 2;

// Drums are made at the rate note C-4 plays them back with 29 semitones up:
// 8363 * 2^(29/12) Hz.
constexpr int8_t DrumRelativeNote = 29;
const double DrumRate = 8363.0 * std::pow(2.0, 29.0 / 12.0);

struct TNoise {
    uint32_t State;
    // -1..1, xorshift32
    double Next() {
        State ^= State << 13;
        State ^= State >> 17;
        State ^= State << 5;
        return static_cast<double>(State) / 2147483648.0 - 1.0;
    }
};

std::vector<int16_t> ToSamples(const std::vector<double>& Wave, double Peak) {
    double Max = 1e-9;
    for (double Value : Wave) {
        Max = std::max(Max, std::fabs(Value));
    }
    std::vector<int16_t> Samples(Wave.size());
    for (size_t I = 0; I < Wave.size(); ++I) {
        Samples[I] = static_cast<int16_t>(std::lround(Wave[I] / Max * Peak * 32767.0));
    }
    return Samples;
}

// One cycle of Shape (phase 0..1 -> -1..1) keeping only harmonics 1..Harmonics,
// so that high notes do not alias into noise.
template <typename TShape>
std::vector<int16_t> BandLimitedCycle(TShape Shape, int32_t Harmonics) {
    std::vector<double> Naive(CycleLength);
    for (int32_t I = 0; I < CycleLength; ++I) {
        Naive[I] = Shape((I + 0.5) / CycleLength);
    }
    std::vector<double> Wave(CycleLength, 0.0);
    for (int32_t K = 1; K <= Harmonics; ++K) {
        double Re = 0.0;
        double Im = 0.0;
        for (int32_t I = 0; I < CycleLength; ++I) {
            Re += Naive[I] * std::cos(2.0 * Pi * K * I / CycleLength);
            Im += Naive[I] * std::sin(2.0 * Pi * K * I / CycleLength);
        }
        // Soften the top harmonics a little (a gentle low-pass).
        const double Weight = 1.0 - 0.5 * static_cast<double>(K - 1) / Harmonics;
        for (int32_t I = 0; I < CycleLength; ++I) {
            Wave[I] += Weight * 2.0 / CycleLength *
                       (Re * std::cos(2.0 * Pi * K * I / CycleLength) +
                        Im * std::sin(2.0 * Pi * K * I / CycleLength));
        }
    }
    return ToSamples(Wave, 0.85);
}

TInstrument Tonal(const char* Name, std::vector<int16_t> Cycle, uint8_t Volume, uint8_t Panning) {
    TInstrument Instrument;
    Instrument.Name = Name;
    Instrument.Sample = std::move(Cycle);
    Instrument.Loop = true;
    Instrument.LoopStart = 0;
    Instrument.LoopLength = CycleLength;
    Instrument.Volume = Volume;
    Instrument.Panning = Panning;
    Instrument.RelativeNote = CycleRelativeNote;
    Instrument.FineTune = CycleFineTune;
    return Instrument;
}

// A one-shot drum: Voice(time in seconds, noise) -> sample value. The tail is
// ramped to zero so that the sample ends without a click.
template <typename TVoice>
TInstrument Drum(const char* Name, double Seconds, uint32_t Seed, uint8_t Volume, uint8_t Panning,
                 TVoice Voice) {
    TNoise Noise{Seed};
    const int32_t Length = static_cast<int32_t>(Seconds * DrumRate);
    std::vector<double> Wave(Length);
    for (int32_t I = 0; I < Length; ++I) {
        Wave[I] = Voice(I / DrumRate, Noise);
    }
    const int32_t Ramp = std::min<int32_t>(256, Length / 4);
    for (int32_t I = 0; I < Ramp; ++I) {
        Wave[Length - 1 - I] *= static_cast<double>(I) / Ramp;
    }
    for (int32_t I = 0; I < 8 && I < Length; ++I) {
        Wave[I] *= I / 8.0;  // soft start as well
    }
    TInstrument Instrument;
    Instrument.Name = Name;
    Instrument.Sample = ToSamples(Wave, 0.9);
    Instrument.Volume = Volume;
    Instrument.Panning = Panning;
    Instrument.RelativeNote = DrumRelativeNote;
    return Instrument;
}

// High-passed noise: the difference of successive noise values.
struct THighPass {
    double Previous = 0.0;
    double operator()(double Input) {
        const double Output = Input - Previous;
        Previous = Input;
        return Output;
    }
};

}  // namespace

void AddInstruments(TModule& Module, double LeadDuty) {
    auto Pulse = [LeadDuty](double Phase) { return Phase < LeadDuty ? 1.0 : -1.0; };
    auto Square = [](double Phase) { return Phase < 0.5 ? 1.0 : -1.0; };
    auto Saw = [](double Phase) { return 1.0 - 2.0 * Phase; };
    auto Triangle = [](double Phase) {
        return Phase < 0.5 ? 4.0 * Phase - 1.0 : 3.0 - 4.0 * Phase;
    };
    auto TriangleSaw = [&](double Phase) { return 0.7 * Triangle(Phase) + 0.3 * Saw(Phase); };

    TInstrument Lead = Tonal("Lead", BandLimitedCycle(Pulse, 20), 52, 112);
    Lead.VolumeEnvelope = {{0, 0}, {2, 64}, {12, 50}, {48, 42}};
    Lead.SustainPoint = 3;
    Lead.FadeOut = 1536;
    Lead.VibratoSweep = 40;
    Lead.VibratoDepth = 3;
    Lead.VibratoRate = 10;

    TInstrument Echo = Lead;
    Echo.Name = "Echo";
    Echo.Volume = 18;
    Echo.Panning = 176;

    TInstrument Arp = Tonal("Arp", BandLimitedCycle(Square, 10), 26, 160);
    Arp.VolumeEnvelope = {{0, 0}, {1, 60}, {8, 44}, {30, 36}};
    Arp.SustainPoint = 3;
    Arp.FadeOut = 2048;

    TInstrument Bass = Tonal("Bass", BandLimitedCycle(TriangleSaw, 16), 60, 128);
    Bass.VolumeEnvelope = {{0, 0}, {1, 64}, {6, 52}, {24, 44}};
    Bass.SustainPoint = 3;
    Bass.FadeOut = 4096;

    TInstrument Pad = Tonal("Pad", BandLimitedCycle(Triangle, 6), 18, 96);
    Pad.VolumeEnvelope = {{0, 0}, {16, 64}, {64, 48}};
    Pad.SustainPoint = 2;
    Pad.FadeOut = 768;

    double Phase = 0.0;  // of the kick's falling sine
    TInstrument Kick = Drum("Kick", 0.3, 0x1F2E3D4Cu, 64, 128, [&](double T, TNoise& Noise) {
        Phase += 2.0 * Pi * (46.0 + 120.0 * std::exp(-T / 0.025)) / DrumRate;
        const double Click = T < 0.003 ? 0.25 * Noise.Next() * (1.0 - T / 0.003) : 0.0;
        return std::sin(Phase) * std::exp(-T / 0.11) + Click;
    });
    THighPass SnareFilter;
    TInstrument Snare = Drum("Snare", 0.22, 0x5A5A1234u, 50, 128, [&](double T, TNoise& Noise) {
        const double Tone = 0.55 * std::sin(2.0 * Pi * 185.0 * T) * std::exp(-T / 0.04);
        return Tone + 0.6 * SnareFilter(Noise.Next()) * std::exp(-T / 0.06);
    });
    THighPass HatFilter1, HatFilter2;
    TInstrument Hat = Drum("Hat", 0.06, 0x0BADF00Du, 20, 150, [&](double T, TNoise& Noise) {
        return HatFilter2(HatFilter1(Noise.Next())) * std::exp(-T / 0.012);
    });
    THighPass OpenFilter1, OpenFilter2;
    TInstrument OpenHat = Drum("Open hat", 0.3, 0x00C0FFEEu, 18, 150, [&](double T, TNoise& N) {
        return OpenFilter2(OpenFilter1(N.Next())) * std::exp(-T / 0.08);
    });
    THighPass CrashFilter;
    TInstrument Crash = Drum("Crash", 1.2, 0x7E57C0DEu, 22, 104, [&](double T, TNoise& Noise) {
        const double Shimmer = 0.8 + 0.2 * std::sin(2.0 * Pi * 7.0 * T);
        return CrashFilter(Noise.Next()) * Shimmer * std::exp(-T / 0.45);
    });

    Module.Instruments = {Lead, Echo, Arp, Bass, Kick, Snare, Hat, OpenHat, Crash, Pad};
}
