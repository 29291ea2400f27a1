// synth.h - the few sound sources the effects and tunes are built from:
// band-limited pulse and plain triangle oscillators, seeded noise, an ADSR
// envelope and a one-pole low-pass. All deterministic.
#pragma once

#include <cstdint>
#include <vector>

// Pulse wave at phase 0..1 with the given duty (0.5 = square); dphase is the
// phase step per sample, used to smooth the edges (fewer aliases).
double pulseWave(double phase, double duty, double dphase);
double triangleWave(double phase); // -1..1

// xorshift noise; the same seed gives the same sequence.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed ? seed : 1) {}
    double next(); // -1..1
};

struct Envelope {
    double attack, decay, sustain, release; // seconds, level 0..1, seconds
    // Level t seconds after the note starts, the key held for gate seconds.
    double level(double t, double gate) const;
    double length(double gate) const { return gate + release; }
};

struct LowPass {
    double state = 0;
    double run(double in, double cutoff, double rate); // cutoff in Hz
};

double noteFrequency(int midiNote); // A4 = 69 = 440 Hz

// Scales the buffer so its largest magnitude is peak.
void normalise(std::vector<float>& samples, double peak);
// Scales the buffer to the RMS level rms, or less where that would take its
// largest magnitude past peak.
void balance(std::vector<float>& samples, double rms, double peak);
// Short fades at both ends, so an effect starts and stops without a click.
void fadeEnds(std::vector<float>& samples, int fadeSamples);
