// synth.cpp - oscillators, noise, envelope and filter.
#include "tools/assetgen/synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Polynomial step correction around a discontinuity at phase 0.
double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

} // namespace

double pulseWave(double phase, double duty, double dphase) {
    double v = phase < duty ? 1.0 : -1.0;
    v += polyBlep(phase, dphase);
    v -= polyBlep(std::fmod(phase - duty + 1.0, 1.0), dphase);
    return v;
}

double triangleWave(double phase) {
    return phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase;
}

double Noise::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483648.0 - 1.0;
}

double Envelope::level(double t, double gate) const {
    auto held = [&](double u) {
        if (u < attack) return u / attack;
        if (u < attack + decay) return 1.0 - (1.0 - sustain) * (u - attack) / decay;
        return sustain;
    };
    if (t < 0) return 0;
    if (t < gate) return held(t);
    if (release <= 0 || t >= gate + release) return 0;
    return held(gate) * (1.0 - (t - gate) / release);
}

double LowPass::run(double in, double cutoff, double rate) {
    const double a = 1.0 - std::exp(-2.0 * std::numbers::pi * cutoff / rate);
    state += a * (in - state);
    return state;
}

double noteFrequency(int midiNote) {
    return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

void normalise(std::vector<float>& samples, double peak) {
    float top = 0;
    for (float s : samples)
        top = std::max(top, std::abs(s));
    if (top <= 0) return;
    const float k = static_cast<float>(peak / top);
    for (float& s : samples)
        s *= k;
}

void balance(std::vector<float>& samples, double rms, double peak) {
    double top = 0, power = 0;
    for (float s : samples) {
        top = std::max(top, static_cast<double>(std::abs(s)));
        power += static_cast<double>(s) * s;
    }
    if (top <= 0) return;
    const double level = std::sqrt(power / static_cast<double>(samples.size()));
    const float k = static_cast<float>(std::min(rms / level, peak / top));
    for (float& s : samples)
        s *= k;
}

void fadeEnds(std::vector<float>& samples, int fadeSamples) {
    const int n = static_cast<int>(samples.size());
    for (int i = 0; i < fadeSamples && i < n; ++i) {
        const float g = static_cast<float>(i) / static_cast<float>(fadeSamples);
        samples[static_cast<size_t>(i)] *= g;
        samples[static_cast<size_t>(n - 1 - i)] *= g;
    }
}
