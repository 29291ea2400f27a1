// tune.cpp - parsing and rendering of tunes.
#include "tools/assetgen/tune.h"

#include <cmath>
#include <numbers>
#include <sstream>
#include <stdexcept>

#include "tools/assetgen/synth.h"

namespace {

constexpr double TAU = 2 * std::numbers::pi;

[[noreturn]] void fail(const std::string& origin, int line, const std::string& what) {
    throw std::runtime_error(origin + ":" + std::to_string(line) + ": " + what);
}

// "C4" = 60, "A4" = 69, "Bb3", "F#5"; -1 when not a note name.
int parseNote(const std::string& s) {
    static const int base[7] = {9, 11, 0, 2, 4, 5, 7}; // A..G
    if (s.size() < 2 || s[0] < 'A' || s[0] > 'G') return -1;
    int n = base[s[0] - 'A'];
    size_t i = 1;
    if (s[i] == '#' || s[i] == 'b') n += s[i++] == '#' ? 1 : -1;
    if (i + 1 != s.size() || s[i] < '0' || s[i] > '8') return -1;
    return n + 12 * (s[i] - '0' + 1);
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string part;
    while (std::getline(in, part, sep))
        out.push_back(part);
    return out;
}

} // namespace

Tune parseTune(const std::string& text, const std::string& origin) {
    Tune tune;
    std::map<std::string, std::vector<TuneEvent>> patterns; // step relative to pattern start
    std::map<std::string, int> patternSteps;
    std::istringstream in(text);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        std::istringstream words(line);
        std::string cmd;
        if (!(words >> cmd) || cmd[0] == '#') continue;
        if (cmd == "tempo") {
            if (!(words >> tune.tempo) || tune.tempo < 20 || tune.tempo > 400)
                fail(origin, n, "bad tempo");
        } else if (cmd == "voice") {
            std::string name;
            TuneVoice v;
            if (!(words >> name >> v.wave)) fail(origin, n, "voice needs a name and a wave");
            if (v.wave != "pulse" && v.wave != "triangle" && v.wave != "drums")
                fail(origin, n, "unknown wave " + v.wave);
            std::string key;
            while (words >> key) {
                bool ok = true;
                if (key == "duty")
                    ok = static_cast<bool>(words >> v.duty);
                else if (key == "vol")
                    ok = static_cast<bool>(words >> v.volume);
                else if (key == "vibrato")
                    ok = static_cast<bool>(words >> v.vibrato);
                else if (key == "env")
                    ok = static_cast<bool>(words >> v.attack >> v.decay >> v.sustain >> v.release);
                else
                    fail(origin, n, "unknown voice setting " + key);
                if (!ok) fail(origin, n, "bad value for " + key);
            }
            tune.voices[name] = v;
        } else if (cmd == "pattern") {
            std::string name, token;
            if (!(words >> name)) fail(origin, n, "pattern needs a name");
            int step = 0;
            std::vector<TuneEvent> events;
            while (words >> token) {
                const size_t colon = token.find(':');
                int len = 0;
                if (colon == std::string::npos || (len = std::atoi(token.c_str() + colon + 1)) < 1)
                    fail(origin, n, "token '" + token + "' needs :steps");
                const std::string what = token.substr(0, colon);
                if (what != "r") {
                    TuneEvent e{step, len, {}};
                    for (const std::string& part : split(what, '+')) {
                        const int note = parseNote(part);
                        if (note >= 0)
                            e.notes.push_back(note);
                        else if (part.size() == 1 &&
                                 std::string("ksho").find(part[0]) != std::string::npos)
                            e.notes.push_back(-part[0]); // drums are negative
                        else
                            fail(origin, n, "bad note '" + part + "'");
                    }
                    events.push_back(e);
                }
                step += len;
            }
            patterns[name] = events;
            patternSteps[name] = step;
        } else if (cmd == "play") {
            std::string name, item;
            if (!(words >> name) || !tune.voices.count(name))
                fail(origin, n, "play needs a known voice");
            TuneVoice& v = tune.voices[name];
            while (words >> item) {
                const size_t star = item.find('*');
                const std::string pat = item.substr(0, star);
                const int times =
                    star == std::string::npos ? 1 : std::atoi(item.c_str() + star + 1);
                if (!patterns.count(pat) || times < 1) fail(origin, n, "unknown pattern " + item);
                for (const TuneEvent& e : patterns[pat])
                    for (int note : e.notes)
                        if ((note < 0) != (v.wave == "drums"))
                            fail(origin, n, "pattern " + pat + " does not suit voice " + name);
                for (int t = 0; t < times; ++t) {
                    for (TuneEvent e : patterns[pat]) {
                        e.step += v.length;
                        v.events.push_back(e);
                    }
                    v.length += patternSteps[pat];
                }
            }
        } else {
            fail(origin, n, "unknown statement " + cmd);
        }
    }
    for (const auto& [name, v] : tune.voices) {
        if (tune.steps == 0) tune.steps = v.length;
        if (v.length != tune.steps || v.length == 0)
            fail(origin, n,
                 "voice " + name + " has " + std::to_string(v.length) + " steps, not " +
                     std::to_string(tune.steps));
    }
    return tune;
}

namespace {

// Adds one sample into the ring, wrapping past the end to the start.
void addWrapped(std::vector<float>& ring, size_t at, double v) {
    ring[at % ring.size()] += static_cast<float>(v);
}

void renderDrum(std::vector<float>& ring, size_t start, int kind, double vol, int rate,
                uint32_t seed) {
    Noise noise(seed);
    LowPass lp;
    double phase = 0;
    const double len = kind == 'k' ? 0.25 : kind == 's' ? 0.2 : kind == 'o' ? 0.25 : 0.06;
    const size_t count = static_cast<size_t>(len * rate);
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0;
        if (kind == 'k') {
            phase += (45 + 110 * std::exp(-t * 30)) / rate;
            v = std::sin(TAU * phase) * std::exp(-t * 14) * 1.2;
        } else if (kind == 's') {
            phase += 190.0 / rate;
            v = (0.7 * lp.run(noise.next(), 5000, rate) + 0.35 * std::sin(TAU * phase)) *
                std::exp(-t * 20);
        } else {
            const double white = noise.next();
            v = 0.45 * (white - lp.run(white, 6000, rate)) * std::exp(-t * (kind == 'o' ? 12 : 70));
        }
        addWrapped(ring, start + i, v * vol * std::min(1.0, (count - i) / 40.0));
    }
}

void renderNote(std::vector<float>& ring, size_t start, double gate, int note, const TuneVoice& v,
                int rate) {
    const Envelope env{v.attack, v.decay, v.sustain, v.release};
    const size_t count = static_cast<size_t>(env.length(gate) * rate);
    const double f = noteFrequency(note);
    double phase = 0;
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double wobble = v.vibrato > 0 && t > 0.15
                                  ? std::pow(2.0, v.vibrato / 12 * std::sin(TAU * 5.5 * t) *
                                                      std::min(1.0, (t - 0.15) * 4))
                                  : 1.0;
        const double dp = f * wobble / rate;
        phase += dp;
        phase -= std::floor(phase);
        const double wave =
            v.wave == "triangle" ? triangleWave(phase) : pulseWave(phase, v.duty, dp);
        addWrapped(ring, start + i, wave * env.level(t, gate) * v.volume);
    }
}

} // namespace

std::vector<float> renderTune(const Tune& tune, int rate) {
    const size_t stepLength = static_cast<size_t>(std::lround(rate * 60.0 / (tune.tempo * 4)));
    std::vector<float> ring(stepLength * static_cast<size_t>(tune.steps), 0.0f);
    uint32_t seed = 1;
    for (const auto& [name, v] : tune.voices)
        for (const TuneEvent& e : v.events) {
            const size_t start = static_cast<size_t>(e.step) * stepLength;
            // Notes end a little before their full length so repeats stay distinct.
            const double gate = (e.steps * static_cast<double>(stepLength) - rate * 0.01) / rate;
            for (int note : e.notes) {
                if (v.wave == "drums")
                    renderDrum(ring, start, -note, v.volume, rate, seed++);
                else
                    renderNote(ring, start, gate, note, v, rate);
            }
        }
    // Peaks at 0.45 leave room for an effect on top without clipping.
    normalise(ring, 0.45);
    return ring;
}
