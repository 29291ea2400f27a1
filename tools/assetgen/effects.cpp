// effects.cpp - the five sound effects, each synthesised from a few lines of
// oscillators, noise and envelopes.
#include <cmath>
#include <numbers>

#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/ogg.h"
#include "tools/assetgen/synth.h"

namespace {

constexpr double TAU = 2 * std::numbers::pi;

std::vector<float> buffer(double seconds, int rate) {
    return std::vector<float>(static_cast<size_t>(seconds * rate), 0.0f);
}

// Jump: a square wave sweeping up an octave and a half, quick decay.
std::vector<float> jump(int rate) {
    std::vector<float> out = buffer(0.28, rate);
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double f = 180 * std::pow(2.0, t / 0.28 * 1.6);
        const double dp = f / rate;
        phase = std::fmod(phase + dp, 1.0);
        const double env = std::exp(-t * 9) * std::min(1.0, t * 400);
        out[i] = static_cast<float>(0.5 * env * pulseWave(phase, 0.5, dp));
    }
    return out;
}

// Item: two bright blips a fourth apart, like a struck bell of a chip.
std::vector<float> coin(int rate) {
    std::vector<float> out = buffer(0.36, rate);
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double f = t < 0.07 ? noteFrequency(83) : noteFrequency(88); // B5, E6
        const double dp = f / rate;
        phase = std::fmod(phase + dp, 1.0);
        const double since = t < 0.07 ? t : t - 0.07;
        const double env = std::exp(-since * (t < 0.07 ? 4 : 11)) * std::min(1.0, since * 600);
        out[i] = static_cast<float>(0.5 * env * pulseWave(phase, 0.25, dp));
    }
    return out;
}

// Life lost: a falling, wobbling pulse like a cry, through a closing filter.
std::vector<float> ow(int rate) {
    std::vector<float> out = buffer(0.75, rate);
    double phase = 0;
    LowPass lp;
    Noise noise(77);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double f = (520 - 330 * std::sqrt(t / 0.75)) * (1 + 0.04 * std::sin(TAU * 9 * t));
        const double dp = f / rate;
        phase = std::fmod(phase + dp, 1.0);
        const double env = std::min(1.0, t * 200) * (t < 0.55 ? 1.0 : 1 - (t - 0.55) / 0.2);
        const double raw = pulseWave(phase, 0.3, dp) + 0.15 * noise.next() * std::exp(-t * 20);
        out[i] = static_cast<float>(0.8 * env * lp.run(raw, 2400 - 2000 * t, rate));
    }
    return out;
}

// Level complete: a rising major arpeggio, then the chord held and fading.
std::vector<float> success(int rate) {
    std::vector<float> out = buffer(1.3, rate);
    const int notes[] = {72, 76, 79, 84}; // C5 E5 G5 C6
    for (int n = 0; n < 4; ++n) {
        const double start = n * 0.09;
        double phase = 0;
        const Envelope env{0.004, 0.15, 0.45, 0.5};
        const double gate = 1.3 - 0.5 - start;
        for (size_t i = static_cast<size_t>(start * rate); i < out.size(); ++i) {
            const double t = static_cast<double>(i) / rate - start;
            const double dp = noteFrequency(notes[n]) / rate;
            phase = std::fmod(phase + dp, 1.0);
            const double v = 0.6 * pulseWave(phase, 0.5, dp) + 0.4 * triangleWave(phase);
            out[i] += static_cast<float>(0.22 * env.level(t, gate) * v);
        }
    }
    return out;
}

// Game Over splat: a noise burst through a falling filter over a dropping thud.
std::vector<float> splat(int rate) {
    std::vector<float> out = buffer(0.6, rate);
    Noise noise(4242);
    LowPass lp;
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double crunch = lp.run(noise.next(), 3500 * std::exp(-t * 7) + 150, rate);
        phase += (90 * std::exp(-t * 4) + 35) / rate;
        const double thud = std::sin(TAU * phase) * std::exp(-t * 6);
        const double env = std::min(1.0, t * 800) * std::exp(-t * 5);
        out[i] = static_cast<float>(env * (1.4 * crunch + 0.7 * thud));
    }
    return out;
}

// Effects sit a few dB above the tunes (RMS about -20 dB, peaks 0.45), and
// one effect over a tune stays below full scale.
constexpr double EFFECT_RMS = 0.158; // -16 dB
constexpr double EFFECT_PEAK = 0.5;

void save(std::vector<float> samples, int rate, const std::string& path) {
    balance(samples, EFFECT_RMS, EFFECT_PEAK);
    fadeEnds(samples, rate / 500);
    writeOggVorbis(samples, rate, 0.5f, path);
}

} // namespace

void makeEffects(const GenPaths& paths) {
    save(jump(22050), 22050, paths.sfx + "/jump.ogg");
    save(coin(22050), 22050, paths.sfx + "/coin.ogg");
    save(ow(11000), 11000, paths.sfx + "/ow.ogg");
    save(success(22050), 22050, paths.sfx + "/success.ogg");
    save(splat(11025), 11025, paths.sfx + "/splat.ogg");
}
