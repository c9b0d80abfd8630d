// Synth: the instruments of Pex's music, generated in code: band-limited
// single-cycle waveforms for the tonal instruments and enveloped noise and
// sweeps for the drums. Deterministic: the noise comes from fixed seeds.
#pragma once

#include <cstdint>

#include "XmModule.h"

// Instrument numbers (1-based, as the pattern cells use them).
constexpr uint8_t inLead = 1;
constexpr uint8_t inEcho = 2;
constexpr uint8_t inArp = 3;
constexpr uint8_t inBass = 4;
constexpr uint8_t inKick = 5;
constexpr uint8_t inSnare = 6;
constexpr uint8_t inHat = 7;
constexpr uint8_t inOpenHat = 8;
constexpr uint8_t inCrash = 9;
constexpr uint8_t inPad = 10;

// Pulse width of the lead voice as a fraction of the cycle (0.5 is square).
void AddInstruments(TModule& Module, double LeadDuty);
